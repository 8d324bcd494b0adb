#include "classifypass.h"

#include "fileops.h"
#include "keywordtable.h"
#include "mainview.h"
#include "messagetable.h"
#include "pathgrams.h"
#include "userprompts.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QSet>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// One destination found for the current file. The owner index is only trusted within the file's own
// walk, and only while the entry there still carries the keyword and destination it had.
struct Candidate
{
    QString shortForm;
    QString key; ///< short form without regard to case
    QString destination;
    qsizetype owner = -1;
    QString ownerKeyword;
};

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

// Adds one use to the entry the table held at `index` when the pass looked at it. A re-parse during a
// question may have dropped or shifted it; then nothing is counted rather than the wrong line.
void countUse(KeywordTable &table, qsizetype index, const QString &keyword, const QString &destination)
{
    if (index < 0 || index >= table.size())
        return;
    KeywordEntry &entry = table[index];
    if (entry.keyword == keyword && entry.destination == destination)
        ++entry.usedCount;
}

void learnKeyword(UserPrompts &prompts, MainView &view, const MessageTable &messages, const QString &name,
                  const QString &root, const QString &chosen)
{
    if (const std::optional<QString> line = offerKeyword(prompts, messages, name, root, chosen))
        view.appendKeywordLine(*line);
}

} // namespace

ClassifyPass::ClassifyPass(KeywordTable &table, const MoveContext &context, std::function<Options()> options)
    : m_table(table)
    , m_context(context)
    , m_prompts(context.prompts)
    , m_view(context.view)
    , m_messages(context.messages)
    , m_options(std::move(options))
{ }

void ClassifyPass::run(const QStringList &files)
{
    const QString root = m_options().rootFolder;
    const QString rootLower = root.toLower();
    m_view.setProgressVisible(true);
    PassEnd end {m_view};
    if (files.isEmpty())
        return;
    MovePass movePass(m_context, u"classify"_s, FileOps::folderOf(FileOps::reduceRootJoin(files.first())));
    const MoveContext &context = movePass.context();

    // The folders beside the files, listed once: most files have no companion folder to look for.
    QSet<QString> besideFiles;
    QSet<QString> listedFolders;
    for (const QString &path : files) {
        // As the move will name them: a file of the folder "/" comes as "//name".
        const QString folder = FileOps::folderOf(FileOps::reduceRootJoin(path));
        if (listedFolders.contains(folder))
            continue;
        listedFolders.insert(folder);
        const QStringList names = QDir(folder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QString &name : names)
            besideFiles.insert(FileOps::reduceRootJoin(FileOps::join(folder, name)));
    }

    // Folders looked at while the first file is walked; one that cannot be made is tried once only.
    QSet<QString> checkedFolders;
    QStringList uncreatable;
    PathGrams grams;

    const qsizetype n = files.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QString &path = files.at(i);
        const QString name = FileOps::fileName(path);
        m_view.setProgress(int(i * 100 / n));
        const PreparedPath prepared = preparePath(path);
        grams.assign(prepared);

        QList<Candidate> candidates;
        bool stop = false;

        // The table is read afresh at every step: a question may let the keyword list be parsed again.
        for (qsizetype g = 0; g < m_table.size(); ++g) {
            if (i == 0) {
                const QString destination = std::as_const(m_table)[g].destination;
                if (!checkedFolders.contains(destination)) {
                    checkedFolders.insert(destination);
                    if (!QFileInfo(destination).isDir()) {
                        m_view.showWait(int(g * 100 / m_table.size()));
                        end.waitShown = true;
                        if (!FileOps::createFolderPath(destination))
                            uncreatable.append(destination);
                    }
                }
            }

            const KeywordEntry &entry = std::as_const(m_table)[g];
            if (entry.counted())
                ++m_table[g].searchCount;

            if (!grams.mayMatch(entry))
                continue;
            const MatchResult result = matchKeyword(entry, prepared);
            if (result == MatchResult::None)
                continue;

            if (result == MatchResult::ConfirmEachTime) {
                const QString keyword = entry.keyword;
                const QString start = entry.destination;
                end.hideWait();
                m_prompts.msgBox(m_messages.text(6) + name + m_messages.text(7), QString(), u"OK"_s, 1);
                m_currentDestination = start;
                const std::optional<QString> chosen = m_prompts.chooseFolder(start, 1);
                if (chosen) {
                    m_currentDestination = *chosen;
                    countUse(m_table, g, keyword, start);
                    if (!moveWithCompanions(path, *chosen, root, context, &besideFiles))
                        stop = true;
                    candidates.clear();
                }
                // Chosen or not, the entries after it are not tested for this file.
                break;
            }

            const QString key = shortForm(entry.destination.toLower(), rootLower);
            bool known = false;
            for (const Candidate &candidate : std::as_const(candidates)) {
                if (candidate.key == key) {
                    known = true;
                    break;
                }
            }
            if (!known)
                candidates.append({shortForm(entry.destination, root), key, entry.destination, g, entry.keyword});
        }

        end.hideWait();
        if (i == 0 && !uncreatable.isEmpty()) {
            m_prompts.msgBox(uncreatable.join(u'\n') + u' ' + m_messages.text(20), QString(), u"OK"_s, 1);
        }
        if (stop)
            return;

        if (candidates.isEmpty())
            continue;

        if (candidates.size() == 1) {
            const Candidate &candidate = candidates.first();
            QString destination = candidate.destination;
            if (m_options().confirm) {
                const int answer = m_prompts.confirmMove(m_messages.text(10) + name + m_messages.text(11) + destination
                                                         + m_messages.text(12));
                if (answer == UserPrompts::No) {
                    m_currentDestination = destination;
                    const std::optional<QString> chosen = m_prompts.chooseFolder(destination, 1);
                    if (!chosen)
                        continue;
                    m_currentDestination = *chosen;
                    destination = *chosen;
                    learnKeyword(m_prompts, m_view, m_messages, name, root, *chosen);
                } else if (answer != UserPrompts::Yes) {
                    return; // Abort, or the box closed
                }
            }
            countUse(m_table, candidate.owner, candidate.ownerKeyword, candidate.destination);
            if (!moveWithCompanions(path, destination, root, context, &besideFiles))
                return;
            continue;
        }

        QStringList shortForms;
        shortForms.reserve(candidates.size());
        for (const Candidate &candidate : std::as_const(candidates))
            shortForms.append(candidate.shortForm);
        int selected = -1;
        const int answer = m_prompts.chooseKeyword(name, shortForms, &selected);
        std::optional<QString> destination;
        if (answer == 3) {
            return;
        } else if (answer == 1) {
            // Select without a selected row takes the first candidate.
            const Candidate &candidate = candidates.at(selected >= 0 && selected < candidates.size() ? selected : 0);
            destination = candidate.destination;
            countUse(m_table, candidate.owner, candidate.ownerKeyword, candidate.destination);
        } else {
            const QString start = candidates.first().destination;
            m_prompts.msgBox(m_messages.text(6) + name + m_messages.text(7), QString(), u"OK"_s, 1);
            m_currentDestination = start;
            destination = m_prompts.chooseFolder(start, 1);
            if (destination) {
                m_currentDestination = *destination;
                learnKeyword(m_prompts, m_view, m_messages, name, root, *destination);
            }
        }
        if (destination && !moveWithCompanions(path, *destination, root, context, &besideFiles))
            return;
    }
}
