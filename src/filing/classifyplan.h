#pragma once

#include "keywordtable.h"
#include "pagefacts.h"
#include "pathgrams.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <bitset>
#include <memory>
#include <optional>
#include <unordered_map>

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
    MatchedIn where = MatchedIn::Name; ///< the file's name (its path), or its page's title or address

    friend bool operator==(const KeywordMatch &, const KeywordMatch &) = default;
};

/// A distinct destination among the plain matches; the first entry that gave it stands for it.
struct PlannedCandidate
{
    QString destination; ///< full folder path, as the owner gives it
    QString shortForm; ///< as the keyword choice dialog shows it
    qsizetype owner = -1; ///< index in the keyword table
    QString ownerKeyword; ///< to recognise the owner after the table was parsed again
    /// Neither the destination nor its top folder exists (an unmounted disk, a mistyped folder): the window
    /// asks before it makes such a folder, and a pass without a user leaves the file where it is.
    bool parentMissing = false;

    friend bool operator==(const PlannedCandidate &, const PlannedCandidate &) = default;
};

struct FilePlan
{
    QString path;
    QList<KeywordMatch> matches; ///< in table order; a confirm-each-time match ends the list
    QList<PlannedCandidate> candidates; ///< from the plain matches, in table order
    qsizetype tested = 0; ///< entries tested, from the first: their search counts grow
    QString companion; ///< the companion folder that would travel with the file; empty when none
    PageFacts facts; ///< the page's title and address, when they take part

    /// The last match is confirm-each-time: the entries after it were not tested.
    bool asksEachTime() const { return !matches.isEmpty() && matches.constLast().confirmEachTime; }
    /// The confirm-each-time match; only when asksEachTime().
    const KeywordMatch &askingMatch() const { return matches.constLast(); }
};

class PageFactsCache;

/// Where pages' titles and addresses come from, and whether plain keywords look at them too; the title:,
/// url: and site: forms always do. No cache: names only.
struct PageFactsUse
{
    PageFactsCache *cache = nullptr;
    bool plainKeywords = false;
};

// Decides for one file path after another. Holds only scratch space for speed, so one planner serves a
// whole pass; the table is passed at every call because it may be parsed again between two files.

class ClassifyPlanner
{
public:
    /// `foldersBeside`: full paths of the folders standing beside the files (see foldersBeside()); a
    /// companion folder is looked for among them only.
    ClassifyPlanner(const QString &rootFolder, QSet<QString> foldersBeside, PageFactsUse facts = {});
    /// Keeps what was learned of pages for the next run.
    ~ClassifyPlanner();

    /// Reads the pages' facts ahead, several at a time, when the table needs them.
    void prefetch(const KeywordTable &table, const QStringList &paths);
    FilePlan plan(const KeywordTable &table, const QString &path);

    /// Whether a move into `destination` must ask before it makes the folder (see PlannedCandidate), as
    /// the disk was when the planner first looked; the pass makes only the other destinations by itself.
    bool parentFolderMissing(const QString &destination);

    /// The folders a move of the planned file is to look for its companion among (see moveWithCompanions()):
    /// none when the plan found none, which spares the move searching all folders beside the files for
    /// names that are not there.
    const QSet<QString> *companionFolders(const FilePlan &plan) const
    {
        return plan.companion.isEmpty() ? &m_noFolders : &m_foldersBeside;
    }

private:
    struct Forms
    {
        QString shortForm;
        QString key; ///< the short form without regard to case
        bool parentMissing = false;
    };

    // The entries of a table by the letter group their search text begins with, in table order.
    struct ProbeIndex
    {
        quint64 parseNumber = 0; ///< of the table it was built from
        QList<qsizetype> always; ///< search texts too short for a group: they may occur in any path
        QList<qsizetype> ofPages; ///< title:, url: and site: entries, tried on every page with facts
        std::bitset<PathGrams::ProbeCount> present; ///< the probes of the groups in `entries`
        PathGrams::Kinds kinds; ///< of the groups in `entries`
        QHash<PathGrams::Group, QList<qsizetype>> entries;
        QList<const Forms *> forms; ///< of each entry's destination, from m_forms once the entry matched
    };
    ProbeIndex &probeIndex(const KeywordTable &table);
    bool readsFacts(const KeywordTable &table);

    // The entries the folder part of the last path (up to its last "/") may hold: the same for every file
    // of a folder, so only the groups that reach into the name are looked up for each.
    struct FolderGroups
    {
        QString folded;
        QString lower;
        QList<qsizetype> entries;
    };

    QString m_root;
    QString m_rootLower;
    PageFactsUse m_facts;
    QSet<QString> m_foldersBeside;
    const QSet<QString> m_noFolders;
    QHash<QString, QString> m_companions; ///< by the path of their file without its extension
    /// A bit for the hash of each key of m_companions: most files have no companion and are told so
    /// without putting their key together.
    std::bitset<1 << 16> m_companionKeys;
    std::unique_ptr<ProbeIndex> m_index;
    std::optional<FolderGroups> m_folder; ///< of m_index
    std::unordered_map<QString, Forms> m_forms; ///< by destination; a node-based map, so that they stay put
    QHash<QString, bool> m_parentMissing; ///< by destination
};

/// The folders in the folders of `files`, each folder listed once: most files have no companion folder to
/// look for, so the pass asks the disk once per folder rather than twice per file.
QSet<QString> foldersBeside(const QStringList &files);

/// One read of a folder: its files as the file list shows them (not hidden, sorted by name without regard
/// to case; full paths) and the full paths of the folders in it, hidden ones included.
struct SourceFolder
{
    QStringList files;
    QSet<QString> folders;
    int unreadableNames = 0; ///< files left out: their names are not UTF-8
};
SourceFolder listSourceFolder(const QString &folder);

/// Adds one use to the entry the table held at `index` when the plan was made. A re-parse in between may
/// have dropped or shifted it; then nothing is counted rather than the wrong line.
void countUse(KeywordTable &table, qsizetype index, const QString &keyword, const QString &destination);
