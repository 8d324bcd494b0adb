#include "keywordtable.h"

#include "programtext.h"
#include "textwidth.h"
#include "userprompts.h"

#include <QCollator>
#include <QFileInfo>
#include <QLocale>
#include <QStringBuilder>
#include <QUrl>

#include <unicode/translit.h>

#include <algorithm>
#include <memory>
#include <string_view>

using namespace Qt::StringLiterals;

namespace {

const QString Arrow = u"->"_s;
const QString TrailerMark = u"<<"_s;

// Blanks and control characters, as the list's own trimming understands them; an ideographic space
// is part of a keyword.
bool isBlank(QChar c)
{
    return c.unicode() <= 0x20;
}

// The same as a view, for text that is read further rather than kept.
QStringView trimmedBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.sliced(begin, end - begin);
}

QString trimBlanks(const QString &text)
{
    const QStringView trimmed = trimmedBlanks(text);
    return trimmed.size() == text.size() ? text : trimmed.toString(); // shared when there is nothing to trim
}

QString trimBlanksRight(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && isBlank(text.at(end - 1)))
        --end;
    return text.left(end);
}

QString withSlashes(QString text)
{
    return text.replace(u'\\', u'/');
}

const icu::Transliterator *halfWidthTransliterator()
{
    // Building the transliterator parses its rules: once per thread is enough.
    thread_local const std::unique_ptr<icu::Transliterator> transliterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> created(
            icu::Transliterator::createInstance(icu::UnicodeString(u"Fullwidth-Halfwidth"), UTRANS_FORWARD, status));
        if (U_FAILURE(status))
            created.reset();
        return created;
    }();
    return transliterator.get();
}

// Without the ICU data only the full-width ASCII block and the ideographic space are folded.
QString toHalfWidthFallback(QString text)
{
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            c = QChar(char16_t(u - 0xFF01 + 0x21));
        else if (u == 0x3000)
            c = QChar(u' ');
    }
    return text;
}

// The counters of a count trailer: the character after "<<" is skipped, the rest read as
// used "/" search. Nothing when the line has a trailer that does not read.
struct TrailerReading
{
    KeywordCounters counters;
    bool ok = true;
};

TrailerReading readTrailer(QStringView line)
{
    TrailerReading reading;
    const qsizetype mark = line.indexOf(TrailerMark);
    if (mark < 0)
        return reading;
    const QStringView rest = trimmedBlanks(line.mid(mark + TrailerMark.size() + 1));
    const qsizetype slash = rest.indexOf(u'/');
    bool usedOk = false;
    bool searchOk = false;
    if (slash >= 0) {
        reading.counters.used = trimmedBlanks(rest.left(slash)).toInt(&usedOk, 10);
        reading.counters.search = trimmedBlanks(rest.mid(slash + 1)).toInt(&searchOk, 10);
    }
    reading.ok = usedOk && searchOk;
    if (!reading.ok)
        reading.counters = KeywordCounters();
    return reading;
}

QString withoutTrailingSeparators(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

// The folder that holds `folder`; the root and a bare name stay as they are.
QString folderAbove(const QString &folder)
{
    const qsizetype slash = folder.lastIndexOf(u'/');
    if (slash > 0)
        return folder.left(slash);
    if (slash == 0)
        return u"/"_s;
    return folder;
}

// A keyword or destination has to survive being read back from its line.
bool fitsInALine(const QString &part)
{
    return !part.contains(Arrow) && !part.contains(TrailerMark) && !part.contains(u'\n') && !part.contains(u'\r');
}

// As text == text.toUpper(), without a copy for ASCII text (nearly every keyword of a long list).
bool isUpperCase(const QString &text)
{
    const auto ascii = [](QChar c) { return c.unicode() < 0x80; };
    if (!std::all_of(text.cbegin(), text.cend(), ascii))
        return text == text.toUpper();
    return std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'a' && c <= u'z'; });
}

// "site:", "title:" and "url:" name the field a keyword is searched in; the rest is searched as any keyword,
// under the same rules of case and width.
void deriveMatchFields(KeywordEntry &entry)
{
    static const std::pair<QStringView, KeywordField> forms[]
        = {{u"site:", KeywordField::Site}, {u"title:", KeywordField::Title}, {u"url:", KeywordField::Address}};
    QString searched = entry.keyword;
    entry.field = KeywordField::Anywhere;
    for (const auto &[prefix, field] : forms) {
        if (searched.startsWith(prefix, Qt::CaseInsensitive)) {
            entry.field = field;
            searched = searched.sliced(prefix.size());
            break;
        }
    }
    entry.confirmEachTime = searched.endsWith(u'?');
    if (entry.confirmEachTime)
        searched.chop(1);
    // A host has no case.
    entry.caseSensitive = entry.field != KeywordField::Site && isUpperCase(searched);
    if (!entry.caseSensitive)
        searched = toLowerCase(searched);
    entry.needle = toHalfWidth(searched).trimmed();
    entry.siteAce.clear();
    if (entry.field == KeywordField::Site) {
        while (entry.needle.startsWith(u'.'))
            entry.needle.remove(0, 1);
        entry.siteAce = QString::fromLatin1(QUrl::toAce(entry.needle)).toLower();
    }
}

bool isSiteOf(const QString &host, const QString &site)
{
    return !site.isEmpty() && host.endsWith(site) && (host.size() == site.size() || host.at(host.size() - site.size() - 1) == u'.');
}

} // namespace

QString toHalfWidth(const QString &text)
{
    // Only the Hangul jamo, a few arrows and shapes, the CJK punctuation and kana and the full-width
    // forms have a half-width form; most paths never reach ICU, whose set-up costs more than a pass's
    // matching. Told without a branch per unit, so that the compiler takes many at once.
    const char16_t *units = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype size = text.size();
    unsigned wide = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned u = units[i];
        wide |= unsigned(u - 0x1100u < 0x100u) | unsigned(u - 0x2190u < 0x440u) | unsigned(u - 0x3000u < 0x100u)
            | unsigned(u - 0xFF00u < 0xF0u);
    }
    if (wide == 0)
        return text;
    const icu::Transliterator *transliterator = halfWidthTransliterator();
    if (!transliterator)
        return toHalfWidthFallback(text);
    icu::UnicodeString buffer(reinterpret_cast<const char16_t *>(text.utf16()), int32_t(text.size()));
    transliterator->transliterate(buffer);
    return QString(reinterpret_cast<const QChar *>(buffer.getBuffer()), buffer.length());
}

QString expandDestination(const QString &destinationPart, const QString &rootFolder)
{
    QString destination = destinationPart;
    if (destination.startsWith(u".."_s)) {
        QString rest = destination.mid(2);
        QString root = withSlashes(rootFolder);
        // A root of "/" must not give "//News".
        if (root.endsWith(u'/') && (rest.startsWith(u'/') || rest.startsWith(u'\\')))
            rest.remove(0, 1);
        destination = root + rest;
    }
    return withSlashes(destination);
}

QString shortForm(const QString &destination, const QString &rootFolder)
{
    if (!rootFolder.isEmpty() && destination.startsWith(rootFolder, Qt::CaseSensitive))
        return u".."_s + destination.mid(rootFolder.size());
    return destination;
}

QString volumeFolder(const QString &destination)
{
    const QString path = withSlashes(destination);
    if (!path.startsWith(u'/'))
        return u"/"_s;
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    auto leading = [&parts](qsizetype n) { return u"/"_s + parts.first(n).join(u'/'); };
    if (parts.size() >= 3 && parts.at(0) == u"media"_s)
        return leading(3);
    if (parts.size() >= 4 && parts.at(0) == u"run"_s && parts.at(1) == u"media"_s)
        return leading(4);
    if (parts.size() >= 2 && parts.at(0) == u"mnt"_s)
        return leading(2);
    return u"/"_s;
}

QString toLowerCase(const QString &text)
{
    // Most paths and names are ASCII: lower case without the Unicode tables, which cost more than the rest
    // of a file's matching. The loops have no branch per unit, so that the compiler takes many at once.
    const auto isCapital = [](char16_t u) { return char16_t(u - u'A') < 26; };
    const char16_t *units = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype size = text.size();
    char16_t beyondAscii = 0;
    char16_t capitals = 0;
    for (qsizetype i = 0; i < size; ++i) {
        beyondAscii |= char16_t(units[i] >= 0x80);
        capitals |= char16_t(isCapital(units[i]));
    }
    if (beyondAscii)
        return text.toLower();
    if (!capitals)
        return text;
    QString lower(size, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(lower.data());
    for (qsizetype i = 0; i < size; ++i)
        out[i] = units[i] + (isCapital(units[i]) ? u'a' - u'A' : 0);
    return lower;
}

PreparedPath preparePath(const QString &path)
{
    // toHalfWidth() hands back an ASCII path as it is.
    return PreparedPath {toHalfWidth(path), toHalfWidth(toLowerCase(path))};
}

MatchResult matchKeyword(const KeywordEntry &entry, const PreparedPath &path)
{
    if (entry.needle.isEmpty())
        return MatchResult::None;
    const QString &haystack = entry.caseSensitive ? path.folded : path.foldedLower;
    // A plain search: Qt's prepares for long texts, and costs more than scanning a path.
    const auto view = [](QStringView text) { return std::u16string_view(text.utf16(), size_t(text.size())); };
    if (view(haystack).find(view(entry.needle)) == std::u16string_view::npos)
        return MatchResult::None;
    return entry.confirmEachTime ? MatchResult::ConfirmEachTime : MatchResult::Match;
}

PreparedPage preparePage(const QString &path, const QString &title, const QString &address, bool plainKeywordsToo)
{
    PreparedPage page;
    page.path = preparePath(path);
    page.plainKeywordsToo = plainKeywordsToo;
    if (!title.isEmpty())
        page.title = preparePath(title);
    if (address.isEmpty())
        return page;
    page.address = preparePath(address);
    const QString host = QUrl(address.trimmed()).host(QUrl::FullyEncoded).toLower();
    if (!host.isEmpty()) {
        page.hosts << toHalfWidth(QUrl::fromAce(host.toLatin1()).toLower()) << host;
        page.hosts.removeDuplicates();
    }
    return page;
}

MatchResult matchKeyword(const KeywordEntry &entry, const PreparedPage &page, MatchedIn *where)
{
    const MatchResult found = entry.confirmEachTime ? MatchResult::ConfirmEachTime : MatchResult::Match;
    const auto in = [&](MatchedIn place, const PreparedPath &text) {
        if (matchKeyword(entry, text) == MatchResult::None)
            return false;
        *where = place;
        return true;
    };
    switch (entry.field) {
    case KeywordField::Anywhere:
        if (in(MatchedIn::Name, page.path)
            || (page.plainKeywordsToo && (in(MatchedIn::Title, page.title) || in(MatchedIn::Address, page.address))))
            return found;
        break;
    case KeywordField::Title:
        if (in(MatchedIn::Title, page.title))
            return found;
        break;
    case KeywordField::Address:
        if (in(MatchedIn::Address, page.address))
            return found;
        break;
    case KeywordField::Site:
        for (const QString &host : page.hosts) {
            if (isSiteOf(host, entry.needle) || isSiteOf(host, entry.siteAce)) {
                *where = MatchedIn::Address;
                return found;
            }
        }
        break;
    }
    return MatchResult::None;
}

MatchResult matchKeyword(const KeywordEntry &entry, const QString &path)
{
    // The single-path form also serves entries built by hand: derive from the keyword.
    KeywordEntry derived = entry;
    deriveMatchFields(derived);
    MatchedIn where = MatchedIn::Name;
    return matchKeyword(derived, preparePage(path, {}, {}, false), &where);
}

QString KeywordLineError::message() const
{
    return message(MessageTable());
}

QString KeywordLineError::message(const MessageTable &messages) const
{
    return ProgramText(Message::CountUnreadable, {QString::number(lineNumber), line}).in(messages);
}

QString RefusedLine::message(const MessageTable &messages) const
{
    return ProgramText(Message::RelativeDestination, {QString::number(lineNumber), destination}).in(messages);
}

QString refusedLinesMessage(const KeywordTable &table, const MessageTable &messages)
{
    QStringList lines;
    for (const RefusedLine &refused : table.refusedLines())
        lines.append(refused.message(messages));
    return lines.join(u'\n');
}

QStringList keywordListLines(const QString &text)
{
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(u'\n');
    if (text.endsWith(u'\n'))
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

void KeywordTable::parse(const QString &text, const QString &rootFolder)
{
    m_entries.clear();
    m_searchesEndingAt.clear();
    m_lineCounters.clear();
    m_error.reset();
    m_refused.clear();
    m_sourceText = text;
    static quint64 parses = 0;
    m_parseNumber = ++parses;
    m_lastLineDestination.clear();

    const QStringList lines = keywordListLines(text);
    m_hasLines = !lines.isEmpty();
    // Parts are read as views and copied once they are kept: a list may have thousands of lines.
    m_entries.reserve(lines.size());
    m_lineCounters.reserve(lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const TrailerReading trailer = readTrailer(line);
        if (!trailer.ok) {
            m_error = KeywordLineError {int(i + 1), line};
            m_lastLineDestination.clear();
            return;
        }
        m_lineCounters.append(trailer.counters);

        QStringView keyword;
        QString destination;
        const qsizetype arrow = line.indexOf(Arrow);
        if (arrow >= 0) {
            keyword = trimmedBlanks(QStringView(line).left(arrow));
            const qsizetype from = arrow + Arrow.size();
            const qsizetype mark = line.indexOf(TrailerMark, from);
            const QStringView part = mark < 0 ? QStringView(line).mid(from) : QStringView(line).mid(from, mark - from);
            destination = expandDestination(trimmedBlanks(part).toString(), rootFolder);
        }
        m_lastLineDestination = destination;

        if (keyword.isEmpty() || destination.isEmpty())
            continue;
        if (!destination.startsWith(u'/')) {
            m_refused.append({int(i + 1), line, destination});
            continue;
        }
        KeywordEntry entry;
        entry.keyword = keyword.toString();
        entry.destination = destination;
        entry.usedCount = trailer.counters.used;
        entry.searchCount = trailer.counters.search;
        entry.line = int(i);
        deriveMatchFields(entry);
        m_entries.append(std::move(entry));
    }
}

void KeywordTable::countSearches(qsizetype tested)
{
    tested = std::clamp<qsizetype>(tested, 0, m_entries.size());
    if (m_searchesEndingAt.size() <= tested)
        m_searchesEndingAt.resize(tested + 1);
    ++m_searchesEndingAt[tested];
}

void KeywordTable::addCountedSearches() const
{
    if (m_searchesEndingAt.isEmpty())
        return;
    // Entry g was tested by every search that went beyond it.
    int testers = 0;
    for (qsizetype g = m_searchesEndingAt.size() - 2; g >= 0; --g) {
        testers += m_searchesEndingAt.at(g + 1);
        if (m_entries.at(g).counted())
            m_entries[g].searchCount += testers;
    }
    m_searchesEndingAt.clear();
}

KeywordCounters KeywordTable::countersOfLine(int line) const
{
    addCountedSearches();
    // Entries are in line order; a line with an entry reports the entry's live counters.
    const auto it = std::lower_bound(m_entries.cbegin(), m_entries.cend(), line,
                                     [](const KeywordEntry &entry, int l) { return entry.line < l; });
    if (it != m_entries.cend() && it->line == line)
        return KeywordCounters {it->usedCount, it->searchCount};
    if (line >= 0 && line < m_lineCounters.size())
        return m_lineCounters.at(line);
    return KeywordCounters();
}

QString rewriteKeywordList(const QString &text, const KeywordTable &table, const RewriteOptions &options,
                           QStringList *retired)
{
    const QStringList lines = keywordListLines(text);

    // Lines the table read hold its counters (with classification's changes); a table that stopped at a
    // bad trailer holds nothing from that line on, so those lines are read here on their own.
    qsizetype linesFromTable = 0;
    if (table.sourceText() == text)
        linesFromTable = table.error() ? table.error()->lineNumber - 1 : lines.size();

    const int threshold = options.denominator > 0 ? 10000 / options.denominator : 0;
    QStringList kept;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = withSlashes(lines.at(i));
        KeywordCounters counters;
        if (i < linesFromTable) {
            counters = table.countersOfLine(int(i));
        } else {
            const TrailerReading trailer = readTrailer(line);
            if (!trailer.ok) {
                // A trailer that does not read is kept as written, for the user to mend.
                kept.append(trimBlanksRight(line));
                continue;
            }
            counters = trailer.counters;
        }

        const qsizetype mark = line.indexOf(TrailerMark);
        if (mark >= 0)
            line.truncate(mark);
        line = trimBlanksRight(line);
        if (options.firstRun && counters.search > 0)
            counters = KeywordCounters {1, 1};
        if (line.isEmpty())
            continue;

        // Put together without arg(), which parses its text anew for every line of the list.
        const QString withTrailer
            = line % u"    << "_s % QString::number(counters.used) % u'/' % QString::number(counters.search);
        if (!options.sift) {
            kept.append(withTrailer);
        } else if (counters.search <= 0) {
            kept.append(line);
        } else if (options.denominator <= 0 || counters.search < options.denominator) {
            kept.append(withTrailer);
        } else if (qint64(counters.used) * 10000 / counters.search > threshold) {
            kept.append(withTrailer);
        } else if (retired) {
            // Tested often and rarely used: the keyword is retired.
            retired->append(lines.at(i));
        }
    }

    QCollator collator {QLocale::system()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(kept.begin(), kept.end(),
                     [&collator](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });

    qsizetype size = 0;
    for (const QString &line : std::as_const(kept))
        size += line.size() + 1;
    QString result;
    result.reserve(size);
    for (const QString &line : std::as_const(kept)) {
        result += line;
        result += u'\n';
    }
    return result;
}

std::optional<QString> offerKeyword(UserPrompts &prompts, const MessageTable &messages, const QString &file,
                                    const QString &rootFolder, const QString &chosenFolder, const QString &proposed)
{
    QString base = withSlashes(file);
    base = base.mid(base.lastIndexOf(u'/') + 1);
    const qsizetype dot = base.lastIndexOf(u'.');
    if (dot > 0)
        base.truncate(dot);
    if (!proposed.isEmpty())
        base = proposed;

    const QString chosen = withoutTrailingSeparators(withSlashes(chosenFolder));
    const QString root = withoutTrailingSeparators(withSlashes(rootFolder));
    QString destination = shortForm(chosen, root);

    // The hint about "?" beside the box where the keyword is typed, not in the title bar.
    const QString keyword
        = trimBlanks(prompts.receiveString(QString(), messages.text(4), messages.text(3), base, 100, 2));
    if (keyword.isEmpty())
        return std::nullopt;
    if (!fitsInALine(keyword)) {
        prompts.notify(ProgramText(Message::KeywordNotAdded, {keyword}).in(messages));
        return std::nullopt;
    }

    if (keyword.contains(u'?')) {
        // Such a keyword names the folder its files' own folders are picked from: one level up.
        if (destination.startsWith(u"../"_s)) {
            QString rest = destination.mid(3);
            const qsizetype slash = rest.lastIndexOf(u'/');
            if (slash >= 0)
                rest.truncate(slash);
            destination = u"../"_s + rest;
        } else if (destination != u".."_s) {
            destination = folderAbove(chosen);
        }
    }

    if (!fitsInALine(destination)) {
        prompts.notify(ProgramText(Message::FolderNotAddable, {destination}).in(messages));
        return std::nullopt;
    }

    QString line = TextWidth::padded(keyword, 20) + u" -> "_s + destination;
    if (prompts.msgBox(messages.text(5), QString(), u"YesNo"_s, 5) == UserPrompts::Yes)
        line += u"    << 1/1"_s;
    return line;
}

std::optional<QString> driveCheckMessage(const KeywordTable &table, const MessageTable &messages)
{
    if (!table.hasLines() || table.lastLineDestination().isEmpty())
        return std::nullopt;
    const QString volume = volumeFolder(table.lastLineDestination());
    if (QFileInfo(volume).isDir())
        return std::nullopt;
    return volume + u' ' + messages.text(20);
}
