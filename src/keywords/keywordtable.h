#pragma once

#include <QList>
#include <QString>

#include <optional>

class UserPrompts;
class MessageTable;

// Full-width letters, digits, signs, katakana and the ideographic space folded to half width.
QString toHalfWidth(const QString &text);

// The text in lower case, as QString::toLower() gives it; quicker for ASCII.
QString toLowerCase(const QString &text);

// A destination written relative to the parent folder ("..") made absolute; "\" becomes "/".
QString expandDestination(const QString &destinationPart, const QString &rootFolder);

// The short form: a leading parent folder text (same case) written as "..".
QString shortForm(const QString &destination, const QString &rootFolder);

// The folder whose absence means the destination's volume is not mounted:
// /media/<user>/<name>, /run/media/<user>/<name>, /mnt/<name>, or "/".
QString volumeFolder(const QString &destination);

enum class MatchResult { None, Match, ConfirmEachTime };

// One file path (or a page's title or address) prepared once for matching against every keyword.
struct PreparedPath
{
    QString folded; ///< half-width form of the text as written
    QString foldedLower; ///< half-width form of the lower-cased text
};
PreparedPath preparePath(const QString &path);

// What of a file a keyword is searched in.
enum class KeywordField {
    Anywhere, ///< a plain keyword: the path, and the page's title and address when they are matched
    Title, ///< "title:word"
    Address, ///< "url:text"
    Site, ///< "site:example.com": the address's host is the site or one of its subdomains
};

// Where a match was found.
enum class MatchedIn { Name, Title, Address };

// A file prepared for matching: its path, and the title and address of its page when those take part.
struct PreparedPage
{
    PreparedPath path;
    PreparedPath title;
    PreparedPath address;
    QStringList hosts; ///< the address's host, lower-case and folded, in its Unicode and its xn-- forms
    bool plainKeywordsToo = false; ///< plain keywords look at the title and the address as well
};
PreparedPage preparePage(const QString &path, const QString &title, const QString &address,
                         bool plainKeywordsToo);

struct KeywordEntry
{
    QString keyword; ///< trimmed, never empty; a last "?" asks each time
    QString destination; ///< full folder path
    int usedCount = 0;
    int searchCount = -1; ///< 0 or less: not counted
    int line = -1; ///< index of the line it came from

    // Derived once per parse so that matching costs one search.
    QString needle; ///< half-width search text (lower-cased unless case-sensitive)
    bool caseSensitive = false;
    bool confirmEachTime = false;
    KeywordField field = KeywordField::Anywhere;
    QString siteAce; ///< for a site: the needle in its xn-- form

    bool counted() const { return searchCount > 0; }
};

MatchResult matchKeyword(const KeywordEntry &entry, const PreparedPath &path);
MatchResult matchKeyword(const KeywordEntry &entry, const QString &path);

/// A keyword against a whole file: a plain one in its path, then (with facts) its title and address; the
/// others in their own field. `where` learns where it matched.
MatchResult matchKeyword(const KeywordEntry &entry, const PreparedPage &page, MatchedIn *where);

struct KeywordCounters
{
    int used = 0;
    int search = -1;
    friend bool operator==(const KeywordCounters &, const KeywordCounters &) = default;
};

// A count trailer that is not two integers around "/".
struct KeywordLineError
{
    int lineNumber = 0; ///< 1-based
    QString line;
    QString message() const;
    QString message(const MessageTable &messages) const;
};

// A line whose destination is neither a full path nor one below the parent folder (".."): it would name a
// folder below wherever the program happened to be started, so it forms no entry.
struct RefusedLine
{
    int lineNumber = 0; ///< 1-based
    QString line;
    QString destination;
    QString message(const MessageTable &messages) const;
};

// The keyword table parsed from the keyword list's text.
class KeywordTable
{
public:
    /// Rebuilds the table from the text. Stops at a bad count trailer: the entries of the lines
    /// before it stay and error() names the line.
    void parse(const QString &text, const QString &rootFolder);

    qsizetype size() const { return m_entries.size(); }
    /// The entries with their counters as they are now.
    KeywordEntry &operator[](qsizetype i)
    {
        addCountedSearches();
        return m_entries[i];
    }
    const KeywordEntry &operator[](qsizetype i) const
    {
        addCountedSearches();
        return m_entries[i];
    }
    const QList<KeywordEntry> &entries() const
    {
        addCountedSearches();
        return m_entries;
    }
    /// An entry for matching: its search count may not hold the searches counted since the counters were
    /// last read, which a pass would otherwise add up for every file.
    const KeywordEntry &matchingEntry(qsizetype i) const { return m_entries[i]; }

    /// One search more for every counted entry among the first `tested`. Kept as a tally until the
    /// counters are read: walking the whole table for every file of a pass costs more than the moves.
    void countSearches(qsizetype tested);
    /// One use more for entry i.
    void countUse(qsizetype i) { ++m_entries[i].usedCount; }

    const std::optional<KeywordLineError> &error() const { return m_error; }
    /// Lines that name a destination the table cannot stand for; they form no entry.
    const QList<RefusedLine> &refusedLines() const { return m_refused; }
    const QString &sourceText() const { return m_sourceText; }
    /// Different after every parse of any table: what was built from one parse knows itself stale.
    quint64 parseNumber() const { return m_parseNumber; }

    /// The counters of line i as the table holds them now (classification changes included).
    KeywordCounters countersOfLine(int line) const;

    /// The destination computed for the last line, for the drive check; empty when none.
    const QString &lastLineDestination() const { return m_lastLineDestination; }
    bool hasLines() const { return m_hasLines; }

private:
    void addCountedSearches() const;

    // Mutable for the counted searches, which are added on the first read.
    mutable QList<KeywordEntry> m_entries;
    mutable QList<int> m_searchesEndingAt; ///< how many searches tested exactly n entries, not yet added
    QList<KeywordCounters> m_lineCounters;
    std::optional<KeywordLineError> m_error;
    QList<RefusedLine> m_refused;
    QString m_sourceText;
    quint64 m_parseNumber = 0;
    QString m_lastLineDestination;
    bool m_hasLines = false;
};

// Lines of a keyword list as the text box counts them: a break at the very end starts no line.
QStringList keywordListLines(const QString &text);

struct RewriteOptions
{
    bool sift = true;
    int denominator = 1000;
    bool firstRun = false;
};

// The rewritten list: counters written into the lines, Sift applied, sorted, each line ended by "\n".
// The counters come from `table` when it was parsed from `text`; otherwise `text` is parsed afresh.
// The lines Sift retires are added to `retired` as they stood in `text`.
QString rewriteKeywordList(const QString &text, const KeywordTable &table, const RewriteOptions &options,
                           QStringList *retired = nullptr);

// Asks for a keyword for a folder the user picked and returns the line to append, or nothing (also when
// the keyword or the folder could not be read back from the line: the user is told so). The box offers
// `proposed`, else the file's name without its extension.
std::optional<QString> offerKeyword(UserPrompts &prompts, const MessageTable &messages, const QString &file,
                                    const QString &rootFolder, const QString &chosenFolder,
                                    const QString &proposed = {});

// Every refused line of the table, one a line; empty when there is none.
QString refusedLinesMessage(const KeywordTable &table, const MessageTable &messages);

// The drive check after a parse: the text of message 20 when the last line's volume is missing.
std::optional<QString> driveCheckMessage(const KeywordTable &table, const MessageTable &messages);
