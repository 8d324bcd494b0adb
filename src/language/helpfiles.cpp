#include "helpfiles.h"

#include "inifile.h"
#include "marrowdaleerror.h"
#include "textfile.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace HelpFiles {

namespace {

QStringList splitLines(const QString &text)
{
    static const QRegularExpression lineBreak(u"\r\n|\r|\n"_s);
    return text.split(lineBreak);
}

qsizetype leadingBlanks(const QString &line)
{
    qsizetype n = 0;
    while (n < line.size() && (line[n] == u'\t' || line[n] == u' '))
        ++n;
    return n;
}

} // namespace

QString pageFileName(const QString &pagePart)
{
    QString page = pagePart + u".htm"_s;
    page.remove(u' ');
    return page;
}

HelpEntry parseEntry(const QString &line)
{
    HelpEntry entry;
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0) {
        entry.title = line;
    } else {
        entry.title = line.left(equals);
        entry.page = pageFileName(line.mid(equals + 1));
    }
    return entry;
}

QList<HelpEntry> parseContents(const QString &text)
{
    QList<HelpEntry> entries;
    const QStringList lines = splitLines(text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        const qsizetype lead = leadingBlanks(line);
        // A blank line would only add a nameless entry and break the chapter it stands in.
        if (lead == line.size())
            continue;
        int depth = int(lead);
        if (entries.isEmpty()) {
            depth = 0;
        } else if (depth > entries.last().depth + 1) {
            throw MarrowdaleError(ProgramText(Message::ContentsTooDeep, {QString::number(i + 1)}));
        }
        HelpEntry entry = parseEntry(line.mid(lead));
        entry.depth = depth;
        entries.append(entry);
    }
    return entries;
}

QList<HelpEntry> parseIndex(const QString &text)
{
    QStringList lines = splitLines(text);
    lines.removeIf([](const QString &line) { return !line.contains(u'='); });
    QCollator collator; // the user's locale
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(lines.begin(), lines.end(),
                     [&collator](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    QList<HelpEntry> entries;
    entries.reserve(lines.size());
    for (const QString &line : std::as_const(lines))
        entries.append(parseEntry(line));
    return entries;
}

QString titleOfText(const QString &html)
{
    const qsizetype open = html.indexOf(u"<title>"_s, 0, Qt::CaseInsensitive);
    const qsizetype close = html.indexOf(u"</title>"_s, 0, Qt::CaseInsensitive);
    if (open < 0 || close < 0)
        return {};
    const qsizetype start = open + 7;
    return close > start ? html.mid(start, close - start) : QString();
}

QString pageTitle(const QString &pagePath)
{
    return titleOfText(readTextFile(pagePath));
}

QList<HelpEntry> searchPages(const QString &folder, const QString &text)
{
    QList<HelpEntry> found;
    if (text.isEmpty())
        return found;
    const QDir dir(folder);
    const QStringList names = dir.entryList({u"*.htm"_s}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &name : names) {
        QString html;
        try {
            html = readTextFile(dir.filePath(name));
        } catch (const MarrowdaleError &) {
            continue; // one unreadable page must not hide the others
        }
        if (html.contains(text))
            found.append({titleOfText(html), name, 0});
    }
    return found;
}

QString pageForContext(const QString &folder, int context)
{
    const IniFile map(QDir(folder).filePath(QString(contextFile)));
    const QString page = map.readString(u"ID"_s, QString::number(context), QString(defaultPage));
    return page.isEmpty() ? QString(defaultPage) : page;
}

QString contentsText(const QList<HelpEntry> &entries)
{
    QString text;
    for (const HelpEntry &entry : entries)
        text += QString(entry.depth, u'\t') + entry.title + u"\r\n"_s;
    return text;
}

bool writeContentsIfMissing(const QString &folder, const QList<HelpEntry> &shown)
{
    const QString path = QDir(folder).filePath(QString(contentsFile));
    if (shown.isEmpty() || QFileInfo::exists(path))
        return false;
    TextFile::write(path, contentsText(shown));
    return true;
}

} // namespace HelpFiles
