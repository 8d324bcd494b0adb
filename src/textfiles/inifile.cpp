#include "inifile.h"

#include "marrowdaleerror.h"
#include "textfile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

QString unquote(QStringView raw)
{
    QStringView text = trimBlanks(raw);
    if (text.size() >= 2 && text.front() == text.back() && (text.front() == u'"' || text.front() == u'\''))
        text = text.sliced(1, text.size() - 2);
    return text.toString();
}

// A text line split the way both reading and writing see it.
struct Line
{
    enum Kind { Other, Section, Key };
    Kind kind = Other;
    QString name; ///< section or key name as written (trimmed)
    QStringView rawValue; ///< text after the first "=" of a key line
};

Line parseLine(QStringView text)
{
    Line line;
    const QStringView trimmed = trimBlanks(text);
    if (trimmed.startsWith(u'[')) {
        const qsizetype close = trimmed.indexOf(u']');
        if (close > 0) {
            line.kind = Line::Section;
            line.name = trimBlanks(trimmed.sliced(1, close - 1)).toString();
        }
        return line;
    }
    if (trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
        return line;
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0)
        return line;
    line.name = trimBlanks(text.first(equals)).toString();
    if (line.name.isEmpty())
        return line;
    line.kind = Line::Key;
    line.rawValue = text.sliced(equals + 1);
    return line;
}

// The lines with the break that ends each ("\r\n", "\r" or "\n"; none after a last line without one).
QList<std::pair<QString, QString>> splitLines(const QString &text)
{
    QList<std::pair<QString, QString>> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\n' && c != u'\r')
            continue;
        const qsizetype breakLength = c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
        lines.append({text.sliced(start, i - start), text.sliced(i, breakLength)});
        i += breakLength - 1;
        start = i + 1;
    }
    if (start < text.size())
        lines.append({text.sliced(start), QString()});
    return lines;
}

QString lookupKey(const QString &section, const QString &key)
{
    // Section names cannot hold a line break, so the pair stays unambiguous.
    return section.toCaseFolded() + u'\n' + key.toCaseFolded();
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

MarrowdaleError writeError(const QString &path, ProgramText reason)
{
    return MarrowdaleError(ProgramText(Message::FileNotWritten, {path, std::move(reason)}));
}

} // namespace

IniFile::IniFile(const QString &path)
    : m_path(path)
{
    const QFileInfo info(path);
    m_exists = info.isFile();
    if (!m_exists)
        return;

    TextFileContent content;
    try {
        content = TextFile::read(path);
    } catch (const MarrowdaleError &error) {
        m_readError = error.text(); // reads as empty; save() refuses to replace what it has not seen
        return;
    }
    m_readable = true;
    m_encoding = std::move(content.encoding);

    std::optional<QString> section;
    for (const auto &[text, lineBreak] : splitLines(content.text)) {
        m_lines.append({text, lineBreak});
        const Line line = parseLine(text);
        if (line.kind == Line::Section) {
            section = line.name;
        } else if (line.kind == Line::Key && section) {
            // The first occurrence of a key is the one that counts.
            const QString id = lookupKey(*section, line.name);
            if (!m_values.contains(id))
                m_values.insert(id, parseValue(line.rawValue.toString()));
        }
    }
}

std::optional<QString> IniFile::value(const QString &section, const QString &key) const
{
    const auto found = m_values.constFind(lookupKey(section, key));
    if (found == m_values.cend())
        return std::nullopt;
    return *found;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &def) const
{
    return value(section, key).value_or(def);
}

int IniFile::readInt(const QString &section, const QString &key, int def) const
{
    const std::optional<QString> text = value(section, key);
    if (!text)
        return def;
    return parseInt(*text).value_or(def);
}

bool IniFile::readBool(const QString &section, const QString &key, bool def) const
{
    const std::optional<QString> text = value(section, key);
    if (!text)
        return def;
    const std::optional<int> number = parseInt(*text);
    return number ? *number != 0 : def;
}

QString IniFile::parseValue(const QString &raw)
{
    QString text = unquote(raw);
    if (text.size() > MaxValueLength) {
        qsizetype length = MaxValueLength;
        if (text[length - 1].isHighSurrogate())
            --length; // never keep half a character
        text.truncate(length);
    }
    return text;
}

std::optional<int> IniFile::parseInt(const QString &value)
{
    QStringView digits = value;
    int base = 10;
    bool negative = false;
    if (digits.size() > 2 && (digits.startsWith(u"0x") || digits.startsWith(u"0X"))) {
        base = 16;
        digits = digits.sliced(2);
    } else if (digits.startsWith(u'-') || digits.startsWith(u'+')) {
        negative = digits.front() == u'-';
        digits = digits.sliced(1);
    }
    if (digits.isEmpty())
        return std::nullopt;

    const qint64 limit
        = negative ? qint64(std::numeric_limits<int>::max()) + 1 : qint64(std::numeric_limits<int>::max());
    qint64 number = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        int digit = -1;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (base == 16 && u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else if (base == 16 && u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        if (digit < 0)
            return std::nullopt;
        number = number * base + digit;
        if (number > limit)
            return std::nullopt;
    }
    return int(negative ? -number : number);
}

void IniFile::setString(const QString &section, const QString &key, const QString &value)
{
    const auto hasLineBreak = [](const QString &text) { return text.contains(u'\n') || text.contains(u'\r'); };
    if (section.isEmpty() || section.contains(u']') || hasLineBreak(section) || trimBlanks(section) != section)
        throw writeError(m_path, ProgramText(Message::ReasonBadSection, {section}));
    if (key.isEmpty() || key.contains(u'=') || key.startsWith(u'[') || key.startsWith(u';') || key.startsWith(u'#')
        || hasLineBreak(key) || trimBlanks(key) != key)
        throw writeError(m_path, ProgramText(Message::ReasonBadKey, {key}));
    // A line break would end the value early and let the rest pose as further lines.
    if (hasLineBreak(value))
        throw writeError(m_path, ProgramText(Message::ReasonLineBreak, {key}));

    // Quote a value that reading would otherwise change (outer blanks, enclosing quotes).
    const QString stored = unquote(value) == value ? value : u'"' + value + u'"';

    bool inSection = false;
    bool inFirstOccurrence = false; // only the first occurrence of a section grows
    qsizetype sectionEnd = -1; // the line after which a new key joins the section
    qsizetype keyLine = -1;
    QString keySpelling = key;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line line = parseLine(m_lines[i].text);
        if (line.kind == Line::Section) {
            inSection = sameName(line.name, section);
            inFirstOccurrence = inSection && sectionEnd < 0;
            if (inFirstOccurrence)
                sectionEnd = i;
        } else if (line.kind == Line::Key && inSection) {
            if (sameName(line.name, key)) {
                keyLine = i;
                keySpelling = line.name;
                break;
            }
            if (inFirstOccurrence)
                sectionEnd = i;
        }
    }

    // New lines end like the file's first line does.
    const auto withBreak = std::find_if(m_lines.cbegin(), m_lines.cend(),
                                        [](const TextLine &line) { return !line.lineBreak.isEmpty(); });
    const QString lineBreak = withBreak == m_lines.cend() ? u"\n"_s : withBreak->lineBreak;
    const auto insert = [this, &lineBreak](qsizetype at, const QString &text) {
        if (at > 0 && m_lines[at - 1].lineBreak.isEmpty())
            m_lines[at - 1].lineBreak = lineBreak;
        m_lines.insert(at, TextLine {text, lineBreak});
    };
    const QString newLine = keySpelling + u'=' + stored;
    if (keyLine >= 0) {
        m_lines[keyLine].text = newLine;
    } else if (sectionEnd >= 0) {
        insert(sectionEnd + 1, newLine);
    } else {
        insert(m_lines.size(), u'[' + section + u']');
        insert(m_lines.size(), newLine);
    }
    m_values.insert(lookupKey(section, key), parseValue(stored));
}

void IniFile::setInt(const QString &section, const QString &key, int value)
{
    setString(section, key, QString::number(value));
}

void IniFile::setBool(const QString &section, const QString &key, bool value)
{
    setString(section, key, value ? u"1"_s : u"0"_s);
}

void IniFile::save()
{
    if (m_exists && !m_readable)
        throw MarrowdaleError(m_readError);
    if (!m_exists && !QDir().mkpath(QFileInfo(m_path).absolutePath()))
        throw writeError(m_path, Message::ReasonNoFolder);
    QString text;
    for (const TextLine &line : std::as_const(m_lines))
        text += line.text + line.lineBreak;
    m_encoding = TextFile::write(m_path, text, m_encoding);
    m_exists = m_readable = true;
}
