#pragma once

#include "classifyplan.h"
#include "fileops.h"
#include "options.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

class KeywordTable;

// What one pass did with the files it was given, for the word the window says at its end.
struct PassSummary
{
    /// Why a file with a destination was left where it was, for the user to see to.
    enum class Left {
        NotChosen, ///< no folder was picked (Neither of them, the chooser cancelled)
        NameTaken, ///< a file of its name is at the destination, and stays
        StillWritten, ///< it changed while it was copied: a download in progress
        ParentDeclined, ///< the destination's top folder is missing and was not to be made
        Stopped, ///< the pass was stopped before it came to the file
    };

    int files = 0;
    int moved = 0;
    int noKeyword = 0;
    int failed = 0;
    int taken = 0; ///< another program filed or removed them meanwhile
    QMap<Left, int> left;
    QStringList withoutKeyword; ///< the files without a keyword, in pass order

    int leftCount() const;
};

/// What a pass did, in a line for the log: how many files went where, and why any stayed. `suggested`:
/// how many of the files without a keyword have a suggested folder.
QString passSummaryText(const PassSummary &summary, int suggested, const MessageTable &messages);

// The Classify pass over the files of the source folder.
class ClassifyPass
{
public:
    /// `table` is re-read at every step: the keyword list may be parsed again while a question is open.
    /// `options` gives the option dialog's values at the moment they are needed.
    ClassifyPass(KeywordTable &table, const MoveContext &context, std::function<Options()> options);

    /// Runs the pass over full file paths, in list order.
    void run(const QStringList &files);

    /// How pages' titles and addresses take part.
    void setPageFacts(PageFactsUse facts) { m_facts = facts; }

    /// What the pass did, once it has run.
    const PassSummary &summary() const { return m_summary; }

    /// The folder the last chooser of the pass started from or handed back.
    QString currentDestination() const { return m_currentDestination; }
    void setCurrentDestination(const QString &folder) { m_currentDestination = folder; }

private:
    /// Moves one file and counts what became of it; false when the pass is to end.
    bool move(const QString &path, const QString &destination, const QString &root, const MoveContext &context,
              const QSet<QString> *knownFolders);

    KeywordTable &m_table;
    MoveContext m_context;
    std::function<Options()> m_options;
    QString m_currentDestination;
    PassSummary m_summary;
    PageFactsUse m_facts;
};
