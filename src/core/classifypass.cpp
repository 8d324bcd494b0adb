#include "classifypass.h"

#include "classifyplan.h"
#include "fileops.h"
#include "keywordtable.h"
#include "mainview.h"
#include "messagetable.h"
#include "userprompts.h"

#include <QFileInfo>
#include <QSet>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The main window's state during a pass is put back however the pass ends, a thrown error included.
struct PassEnd
{
    MainView &view;
    bool waitShown = false;

    void hideWait()
    {
        if (waitShown) {
            view.hideWait();
            waitShown = false;
        }
    }

    ~PassEnd()
    {
        hideWait();
        view.refreshFileList();
        view.setProgressVisible(false);
    }
};

void learnKeyword(const MoveContext &context, const QString &name, const QString &root, const QString &chosen)
{
    if (const std::optional<QString> line = offerKeyword(context.prompts, context.messages, name, root, chosen))
        context.view.appendKeywordLine(*line);
}

} // namespace

ClassifyPass::ClassifyPass(KeywordTable &table, const MoveContext &context, std::function<Options()> options)
    : m_table(table)
    , m_context(context)
    , m_options(std::move(options))
{ }

void ClassifyPass::run(const QStringList &files)
{
    UserPrompts &prompts = m_context.prompts;
    const MessageTable &messages = m_context.messages;
    const QString root = m_options().rootFolder;
    m_context.view.setProgressVisible(true);
    PassEnd end {m_context.view};
    if (files.isEmpty())
        return;
    MovePass movePass(m_context, u"classify"_s, FileOps::folderOf(FileOps::reduceRootJoin(files.first())));
    const MoveContext &context = movePass.context();

    ClassifyPlanner planner(root, foldersBeside(files));
    // Folders looked at while the first file is walked; one that cannot be made is tried once only.
    QSet<QString> checkedFolders;
    QStringList uncreatable;
    // Makes the destinations of the entries the plan tested; true when the wait window was shown, which
    // lets events through: the list may have been parsed again meanwhile.
    const auto createFolders = [&](const FilePlan &plan) {
        bool shown = false;
        for (qsizetype g = 0; g < plan.tested && g < m_table.size(); ++g) {
            const QString destination = std::as_const(m_table)[g].destination;
            if (checkedFolders.contains(destination))
                continue;
            checkedFolders.insert(destination);
            // A folder whose top folder is missing is made only when the user says so, at its first file.
            if (!QFileInfo(destination).isDir() && !planner.parentFolderMissing(destination)) {
                m_context.view.showWait(int(g * 100 / m_table.size()));
                end.waitShown = shown = true;
                if (!FileOps::createFolderPath(destination))
                    uncreatable.append(destination);
            }
        }
        return shown;
    };

    const qsizetype n = files.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QString &path = files.at(i);
        const QString name = FileOps::fileName(path);
        m_context.view.setProgress(int(i * 100 / n));
        FilePlan plan = planner.plan(m_table, path);
        if (i == 0) {
            while (createFolders(plan))
                plan = planner.plan(m_table, path);
        }
        m_table.countSearches(plan.tested);
        QList<PlannedCandidate> candidates = plan.candidates;

        bool stop = false;
        if (plan.asksEachTime()) {
            const KeywordMatch &asking = plan.askingMatch();
            end.hideWait();
            prompts.msgBox(messages.text(6) + name + messages.text(7), QString(), u"OK"_s, 1);
            m_currentDestination = asking.destination;
            const std::optional<QString> chosen = prompts.chooseFolder(asking.destination, 1);
            // Cancelled: the candidates of the entries before it are settled as usual.
            if (chosen) {
                m_currentDestination = *chosen;
                countUse(m_table, asking.entry, asking.keyword, asking.destination);
                if (!moveWithCompanions(path, *chosen, root, context, planner.companionFolders(plan)))
                    stop = true;
                candidates.clear();
            }
        }

        end.hideWait();
        if (i == 0 && !uncreatable.isEmpty()) {
            prompts.msgBox(uncreatable.join(u'\n') + u' ' + messages.text(20), QString(), u"OK"_s, 1);
        }
        if (stop)
            return;

        if (candidates.isEmpty())
            continue;

        if (candidates.size() == 1) {
            const PlannedCandidate &candidate = candidates.first();
            QString destination = candidate.destination;
            if (m_options().confirm) {
                const int answer = prompts.confirmMove(messages.text(10) + name + messages.text(11) + destination
                                                       + messages.text(12));
                if (answer == UserPrompts::No) {
                    m_currentDestination = destination;
                    const std::optional<QString> chosen = prompts.chooseFolder(destination, 1);
                    if (!chosen)
                        continue;
                    m_currentDestination = *chosen;
                    destination = *chosen;
                    learnKeyword(m_context, name, root, *chosen);
                } else if (answer != UserPrompts::Yes) {
                    return; // Abort, or the box closed
                }
            }
            countUse(m_table, candidate.owner, candidate.ownerKeyword, candidate.destination);
            if (!moveWithCompanions(path, destination, root, context, planner.companionFolders(plan)))
                return;
            continue;
        }

        QStringList shortForms;
        shortForms.reserve(candidates.size());
        for (const PlannedCandidate &candidate : std::as_const(candidates))
            shortForms.append(candidate.shortForm);
        int selected = -1;
        const int answer = prompts.chooseKeyword(name, shortForms, &selected);
        std::optional<QString> destination;
        if (answer == 3) {
            return;
        } else if (answer == 1) {
            // Select without a selected row takes the first candidate.
            const PlannedCandidate &candidate
                = candidates.at(selected >= 0 && selected < candidates.size() ? selected : 0);
            destination = candidate.destination;
            countUse(m_table, candidate.owner, candidate.ownerKeyword, candidate.destination);
        } else {
            const QString start = candidates.first().destination;
            prompts.msgBox(messages.text(6) + name + messages.text(7), QString(), u"OK"_s, 1);
            m_currentDestination = start;
            destination = prompts.chooseFolder(start, 1);
            if (destination) {
                m_currentDestination = *destination;
                learnKeyword(m_context, name, root, *destination);
            }
        }
        if (destination && !moveWithCompanions(path, *destination, root, context, planner.companionFolders(plan)))
            return;
    }
}
