#pragma once

#include "classifyplan.h"
#include "decliningprompts.h"
#include "fileops.h"
#include "mainview.h"
#include "messagetable.h"
#include "suggester.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class KeywordTable;
class MoveJournal;

// What became of one file in a pass without a user.
struct FileOutcome
{
    enum Status { Moved, WouldMove, NoKeyword, Skipped, Failed, Taken };

    FilePlan plan;
    Status status = NoKeyword;
    QString destination; ///< the folder it went to or would go to
    QString shortDestination; ///< the same as the keyword list writes it
    QString target; ///< its full path there
    QString companionTarget; ///< where its companion folder went or would go
    QString reasonCode; ///< for scripts: "several-keywords", "asks-each-time", "missing-parent-folder", ...
    QString reason; ///< for people
    QStringList problems; ///< what went wrong although the file moved (its companion folder stayed)
    /// Without a keyword: where it may belong; with several: its candidates ranked. Only when asked for.
    QList<Suggestion> suggestions;
    bool bySuggestion = false; ///< moved (or would be) to its best suggestion
};

struct BatchOptions
{
    QString rootFolder;
    bool dryRun = false;
    bool takeFirstCandidate = false; ///< several candidates: the first in list order instead of none
    PageFactsUse facts;
    const Suggester *suggester = nullptr; ///< prepared; null: no suggestions
    /// A file without a keyword goes to its best suggestion when that reaches this score.
    std::optional<float> acceptScore;
};

// The Classify pass for a command line: the same matching and the same moves, but every file the window
// would ask about is left where it is, with the reason, instead of being guessed at.
class BatchClassifier
{
public:
    /// `journal` may be null for a dry run; a pass is begun in it before the first move.
    BatchClassifier(KeywordTable &table, const BatchOptions &options, MoveJournal *journal, const QString &source);

    /// Settles the files in order; `report` hears of each one as soon as it is settled. `foldersBeside`: the
    /// folders standing beside the files (their companions are looked for among them).
    void run(const QStringList &files, const QSet<QString> &foldersBeside,
             const std::function<void(const FileOutcome &)> &report);

    /// The journal's id of the pass; empty when nothing was moved.
    QString passId() const { return m_passId; }
    /// What the pass said at its end about all its moves (folders that could not hold a file's attributes).
    QStringList passNotices() const { return m_passNotices; }

private:
    FileOutcome settle(ClassifyPlanner &planner, const QString &path);
    FileOutcome &fileTo(FileOutcome &outcome, const PlannedCandidate &candidate, ClassifyPlanner &planner);
    void move(FileOutcome &outcome, const PlannedCandidate &candidate, ClassifyPlanner &planner);
    void suggest(FileOutcome &outcome);

    KeywordTable &m_table;
    BatchOptions m_options;
    MoveJournal *m_journal;
    QString m_source;
    QString m_passId;
    QStringList m_passNotices;
    MessageTable m_messages;
    DecliningPrompts m_prompts;
    QuietView m_view;
    std::optional<MovePass> m_pass; ///< from the first move to the end of run(); uses the members above
    bool m_stopped = false;
    QString m_stopNotice;
};
