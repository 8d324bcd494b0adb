#pragma once

#include <QList>
#include <QString>

// The help folder's own files: the table of contents, the keyword index, the context map and the
// pages themselves. Pages are named in those files without ".htm".
struct HelpEntry
{
    QString title;
    QString page; ///< file name with ".htm", empty for a heading without a page
    int depth = 0;

    friend bool operator==(const HelpEntry &, const HelpEntry &) = default;
};

namespace HelpFiles {

inline constexpr QLatin1String contentsFile("Contents.txt");
inline constexpr QLatin1String indexFile("Index.txt");
inline constexpr QLatin1String contextFile("HelpContextID.txt");
inline constexpr QLatin1String defaultPage("introduction");

/// "title=page" split at the first "=": the page gets ".htm" and loses every space. A line
/// without "=" is a title without a page.
HelpEntry parseEntry(const QString &line);

/// The page file of a page part: ".htm" appended, every space removed.
QString pageFileName(const QString &pagePart);

/// Entries of the table of contents in display order. The leading tabs and blanks of a line give
/// its depth; a line more than one level deeper than the entry before it refuses the whole text.
QList<HelpEntry> parseContents(const QString &text);

/// Index entries sorted without regard to case by their whole line; lines without "=" are left out.
QList<HelpEntry> parseIndex(const QString &text);

/// One entry (title and file name) for each file "*.htm" of `folder` whose raw text, markup
/// included, holds `text` (case-sensitive). An empty text finds nothing.
QList<HelpEntry> searchPages(const QString &folder, const QString &text);

/// The text between the first "<title>" and the first "</title>" (tags in any case); empty
/// when the page has no title.
QString pageTitle(const QString &pagePath);
QString titleOfText(const QString &html);

/// The page name for a help context, from the context map of `folder`.
QString pageForContext(const QString &folder, int context);

/// The shown entries as contents lines: one tab per depth, each line ended by CR LF.
QString contentsText(const QList<HelpEntry> &entries);

/// Writes the shown entries as the folder's table of contents when it has none yet and there is
/// at least one entry. Returns whether it wrote the file.
bool writeContentsIfMissing(const QString &folder, const QList<HelpEntry> &shown);

} // namespace HelpFiles
