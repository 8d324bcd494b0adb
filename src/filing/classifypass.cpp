#include "classifypass.h"

#include "classifyplan.h"
#include "fileops.h"
#include "keywordtable.h"
#include "mainview.h"
#include "pagefactscache.h"
#include "programtext.h"
#include "messagetable.h"
#include "userprompts.h"

#include <QFileInfo>
#include <QScopeGuard>
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
    m_summary = PassSummary {};
    m_summary.files = int(files.size());
    m_context.view.setProgressVisible(true);
    PassEnd end {m_context.view};
    if (files.isEmpty())
        return;
    MovePass movePass(m_context, u"classify"_s, FileOps::folderOf(FileOps::reduceRootJoin(files.first())));
    const MoveContext &context = movePass.context();

    ClassifyPlanner planner(root, foldersBeside(files), m_facts);
    planner.prefetch(m_table, files);
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
                const QString top = FileOps::topMissingFolder(destination);
                if (!FileOps::createFolderPath(destination))
                    uncreatable.append(destination);
                else if (!top.isEmpty())
                    movePass.noteFolderMade(destination, top);
            }
        }
        return shown;
    };

    const qsizetype n = files.size();
    qsizetype i = 0;
    // The files from the one in hand on stay where they are.
    const auto stopHere = [&](qsizetype first) { m_summary.left[PassSummary::Left::Stopped] += int(n - first); };
    try {
        for (; i < n; ++i) {
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
            const QSet<QString> *companions = planner.companionFolders(plan);

            bool stop = false;
            bool settled = false;
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
                    stop = !move(path, *chosen, root, context, companions);
                    settled = true;
                    candidates.clear();
                }
            }

            end.hideWait();
            if (i == 0 && !uncreatable.isEmpty()) {
                prompts.msgBox(uncreatable.join(u'\n') + u' ' + messages.text(20), QString(), u"OK"_s, 1);
            }
            if (stop)
                return stopHere(i + 1);

            if (candidates.isEmpty()) {
                if (!settled && plan.asksEachTime()) {
                    ++m_summary.left[PassSummary::Left::NotChosen];
                } else if (!settled) {
                    ++m_summary.noKeyword;
                    m_summary.withoutKeyword.append(plan.path);
                }
                continue;
            }

            if (candidates.size() == 1) {
                const PlannedCandidate &candidate = candidates.first();
                QString destination = candidate.destination;
                if (m_options().confirm) {
                    const int answer = prompts.confirmMove(messages.text(10) + name + messages.text(11) + destination
                                                           + messages.text(12));
                    if (answer == UserPrompts::No) {
                        m_currentDestination = destination;
                        const std::optional<QString> chosen = prompts.chooseFolder(destination, 1);
                        if (!chosen) {
                            ++m_summary.left[PassSummary::Left::NotChosen];
                            continue;
                        }
                        m_currentDestination = *chosen;
                        destination = *chosen;
                        learnKeyword(m_context, name, root, *chosen);
                    } else if (answer != UserPrompts::Yes) {
                        return stopHere(i); // Abort, or the box closed
                    }
                }
                countUse(m_table, candidate.owner, candidate.ownerKeyword, candidate.destination);
                if (!move(path, destination, root, context, companions))
                    return stopHere(i + 1);
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
                return stopHere(i);
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
            if (!destination)
                ++m_summary.left[PassSummary::Left::NotChosen];
            else if (!move(path, *destination, root, context, companions))
                return stopHere(i + 1);
        }
    } catch (const PassStopped &) {
        stopHere(i);
        throw;
    }
}

bool ClassifyPass::move(const QString &path, const QString &destination, const QString &root,
                        const MoveContext &context, const QSet<QString> *knownFolders)
{
    MoveOutcome outcome = MoveOutcome::Failed;
    const bool goOn = moveWithCompanions(path, destination, root, context, knownFolders, &outcome);
    using Left = PassSummary::Left;
    switch (outcome) {
    case MoveOutcome::Moved:
        ++m_summary.moved;
        break;
    case MoveOutcome::ParentDeclined:
        ++m_summary.left[Left::ParentDeclined];
        break;
    case MoveOutcome::TargetKept:
    case MoveOutcome::SameFile:
        ++m_summary.left[Left::NameTaken];
        break;
    case MoveOutcome::SourceChanged:
        ++m_summary.left[Left::StillWritten];
        break;
    case MoveOutcome::Gone:
        ++m_summary.taken;
        break;
    case MoveOutcome::Failed:
        ++m_summary.failed;
        break;
    }
    return goOn;
}

QString passSummaryText(const PassSummary &summary, int suggested, const MessageTable &messages)
{
    using Left = PassSummary::Left;
    QStringList parts;
    const auto part = [&](Message message, int count, std::vector<ProgramText> more = {}) {
        if (count == 0)
            return;
        more.insert(more.begin(), ProgramText(QString::number(count)));
        parts.append(ProgramText(message, std::move(more)).in(messages));
    };
    part(Message::SummaryMoved, summary.moved);
    if (suggested > 0)
        part(Message::SummarySuggested, summary.noKeyword, {QString::number(suggested)});
    else
        part(Message::SummaryNoKeyword, summary.noKeyword);
    QStringList why;
    static constexpr std::pair<Left, Message> reasons[] = {
        {Left::NotChosen, Message::LeftNotChosen},
        {Left::NameTaken, Message::LeftNameTaken},
        {Left::StillWritten, Message::LeftStillWritten},
        {Left::ParentDeclined, Message::LeftParentDeclined},
        {Left::Stopped, Message::LeftStopped},
    };
    for (const auto &[left, message] : reasons) {
        if (const int count = summary.left.value(left); count > 0)
            why.append(ProgramText(message, {QString::number(count)}).in(messages));
    }
    part(Message::SummaryLeft, summary.leftCount(), {why.join(u", "_s)});
    part(Message::SummaryFailed, summary.failed);
    part(Message::SummaryTaken, summary.taken);
    return ProgramText(Message::SummaryHeading, {QString::number(summary.files), parts.join(u"; "_s)}).in(messages);
}

int PassSummary::leftCount() const
{
    int count = 0;
    for (const int n : left)
        count += n;
    return count;
}
