#pragma once

#include "keywordtable.h"
#include "pathgrams.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// What the Classify pass would do with one file, decided without moving, creating or asking anything.
// The pass, the command line and the window's preview all take their decisions from here.

/// One keyword line that matched the file.
struct KeywordMatch
{
    qsizetype entry = -1; ///< index in the keyword table
    int lineNumber = 0; ///< 1-based line of the keyword list
    QString keyword;
    QString destination; ///< full folder path
    bool confirmEachTime = false;

    friend bool operator==(const KeywordMatch &, const KeywordMatch &) = default;
};

/// A distinct destination among the plain matches; the first entry that gave it stands for it.
struct PlannedCandidate
{
    QString destination; ///< full folder path, as the owner gives it
    QString shortForm; ///< as the keyword choice dialog shows it
    qsizetype owner = -1; ///< index in the keyword table
    QString ownerKeyword; ///< to recognise the owner after the table was parsed again

    friend bool operator==(const PlannedCandidate &, const PlannedCandidate &) = default;
};

struct FilePlan
{
    QString path;
    QList<KeywordMatch> matches; ///< in table order; a confirm-each-time match ends the list
    QList<PlannedCandidate> candidates; ///< from the plain matches, in table order
    bool asksEachTime = false; ///< the last match is confirm-each-time: the entries after it were not tested
    qsizetype tested = 0; ///< entries tested, from the first: their search counts grow
    QString companion; ///< the companion folder that would travel with the file; empty when none

    /// The confirm-each-time match; only when asksEachTime.
    const KeywordMatch &askingMatch() const { return matches.constLast(); }
};

// Decides for one file path after another. Holds only scratch space for speed, so one planner serves a
// whole pass; the table is passed at every call because it may be parsed again between two files.
class ClassifyPlanner
{
public:
    /// `foldersBeside`: full paths of the folders standing beside the files (see foldersBeside()); a
    /// companion folder is looked for among them only.
    ClassifyPlanner(const QString &rootFolder, QSet<QString> foldersBeside);

    FilePlan plan(const KeywordTable &table, const QString &path);

    const QSet<QString> &foldersBeside() const { return m_foldersBeside; }

private:
    QString m_root;
    QString m_rootLower;
    QSet<QString> m_foldersBeside;
    PathGrams m_grams;
};

/// The folders in the folders of `files`, each folder listed once: most files have no companion folder to
/// look for, so the pass asks the disk once per folder rather than twice per file.
QSet<QString> foldersBeside(const QStringList &files);

/// The companion folder that moves with the file: the "_files" one, else the ".files" one; empty when
/// neither is among `folders`.
QString travellingCompanion(const QString &filePath, const QSet<QString> &folders);

/// The files of a folder as the file list shows them: not hidden, sorted by name without regard to case.
QStringList sourceFiles(const QString &folder);

/// Adds one search to every counted entry the plan tested.
void countSearches(KeywordTable &table, const FilePlan &plan);

/// Adds one use to the entry the table held at `index` when the plan was made. A re-parse in between may
/// have dropped or shifted it; then nothing is counted rather than the wrong line.
void countUse(KeywordTable &table, qsizetype index, const QString &keyword, const QString &destination);
