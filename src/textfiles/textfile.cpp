#include "textfile.h"

#include "atomicwrite.h"
#include "marrowdaleerror.h"

#include <QFile>
#include <QSet>

#include <unicode/ucnv.h>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr QByteArrayView utf8ByteOrderMark("\xEF\xBB\xBF");
constexpr char16_t firstKeptByte = 0xDC80; // the lone surrogate that stands for byte 0x80

// ---- UTF-8 ----------------------------------------------------------------------------------------

// The length of the valid UTF-8 sequence at the start of `bytes` (no overlong forms, no surrogates,
// nothing above U+10FFFF); 0 when it is not one.
qsizetype validSequenceLength(QByteArrayView bytes)
{
    const auto byte = [&bytes](qsizetype i) { return uchar(bytes[i]); };
    const uchar lead = byte(0);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    uchar low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (bytes.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

// Valid sequences as their characters, every other byte as its lone surrogate. `keptBytes` counts those.
QString decodeUtf8(QByteArrayView bytes, qsizetype *keptBytes = nullptr)
{
    QString text;
    text.reserve(bytes.size());
    qsizetype validFrom = 0;
    qsizetype kept = 0;
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = validSequenceLength(bytes.sliced(i));
        if (length > 0) {
            i += length;
            continue;
        }
        text += QString::fromUtf8(bytes.sliced(validFrom, i - validFrom));
        text += QChar(char16_t(firstKeptByte - 0x80 + uchar(bytes[i])));
        ++kept;
        validFrom = ++i;
    }
    text += QString::fromUtf8(bytes.sliced(validFrom));
    if (keptBytes)
        *keptBytes = kept;
    return text;
}

QByteArray encodeUtf8(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype runFrom = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!QChar::isSurrogate(c))
            continue;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        bytes += text.sliced(runFrom, i - runFrom).toUtf8();
        if (c >= firstKeptByte && c < firstKeptByte + 0x80)
            bytes += char(c - firstKeptByte + 0x80);
        else
            bytes += "\xEF\xBF\xBD"; // a lone surrogate that no file gave: it has no bytes to go back to
        runFrom = i + 1;
    }
    bytes += text.sliced(runFrom).toUtf8();
    return bytes;
}

// ---- UTF-16 ---------------------------------------------------------------------------------------

// Unit by unit, without validation, so that a lone surrogate goes back to the bytes it came from.
QString decodeUtf16(QByteArrayView bytes, bool bigEndian)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t a = uchar(bytes[i]), b = uchar(bytes[i + 1]);
        *out++ = bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a);
    }
    return text;
}

QByteArray encodeUtf16(QStringView text, bool bigEndian)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    char *out = bytes.data();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        *out++ = char(bigEndian ? u >> 8 : u & 0xFF);
        *out++ = char(bigEndian ? u & 0xFF : u >> 8);
    }
    return bytes;
}

// UTF-16 without a mark: no UTF-8 text holds a zero byte, and ASCII in UTF-16 holds one in every pair.
std::optional<TextEncoding::Kind> unmarkedUtf16(QByteArrayView bytes)
{
    if (bytes.isEmpty() || bytes.size() % 2 != 0)
        return std::nullopt;
    qsizetype evenZeros = 0, oddZeros = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\0')
            ++(i % 2 == 0 ? evenZeros : oddZeros);
    }
    if (evenZeros > 0 && oddZeros == 0)
        return TextEncoding::Utf16BE;
    if (oddZeros > 0 && evenZeros == 0)
        return TextEncoding::Utf16LE;
    return std::nullopt;
}

// ---- CP932 ----------------------------------------------------------------------------------------

using Converter = std::unique_ptr<UConverter, decltype(&ucnv_close)>;

// CP932 as Windows writes it, stopping at any byte or character without a code instead of guessing.
Converter openCp932()
{
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open("windows-31j", &status), &ucnv_close);
    if (U_FAILURE(status))
        return Converter(nullptr, &ucnv_close);
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        return Converter(nullptr, &ucnv_close);
    return converter;
}

// ICU's table follows IBM in trading the control codes 0x1A, 0x1C and 0x7F among themselves; in Windows'
// CP932 every byte below 0x80 is ASCII.
char16_t asciiControlFromIcu(char16_t c)
{
    switch (c) {
    case 0x1C:
        return 0x1A;
    case 0x7F:
        return 0x1C;
    case 0x1A:
        return 0x7F;
    default:
        return c;
    }
}

char16_t asciiControlToIcu(char16_t c)
{
    switch (c) {
    case 0x1A:
        return 0x1C;
    case 0x1C:
        return 0x7F;
    case 0x7F:
        return 0x1A;
    default:
        return c;
    }
}

std::optional<QString> decodeCp932Line(UConverter *converter, QByteArrayView bytes)
{
    ucnv_resetToUnicode(converter);
    UErrorCode status = U_ZERO_ERROR;
    QString text(bytes.size() + 1, Qt::Uninitialized); // one byte never gives more than one unit
    const int32_t length = ucnv_toUChars(converter, reinterpret_cast<UChar *>(text.data()), int32_t(text.size()),
                                         bytes.data(), int32_t(bytes.size()), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    text.truncate(length);
    for (QChar &c : text)
        c = QChar(asciiControlFromIcu(c.unicode()));
    return text;
}

std::optional<QByteArray> encodeCp932Line(UConverter *converter, QStringView text)
{
    ucnv_resetFromUnicode(converter);
    QString icuText = text.toString();
    for (QChar &c : icuText)
        c = QChar(asciiControlToIcu(c.unicode()));
    UErrorCode status = U_ZERO_ERROR;
    QByteArray bytes(2 * icuText.size() + 1, Qt::Uninitialized);
    const int32_t length
        = ucnv_fromUChars(converter, bytes.data(), int32_t(bytes.size()),
                          reinterpret_cast<const UChar *>(icuText.constData()), int32_t(icuText.size()), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    bytes.truncate(length);
    return bytes;
}

bool isLineBreak(char c)
{
    return c == '\n' || c == '\r';
}

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r';
}

// Calls onLine(line, end) for each run between line-break characters (CR and LF count one by one); the
// break, if any, is text[end]. Stops when onLine returns false, and then returns false.
template<typename View, typename OnLine> bool forEachLine(View text, OnLine &&onLine)
{
    qsizetype from = 0;
    for (qsizetype end = 0; end <= text.size(); ++end) {
        if (end < text.size() && !isLineBreak(text[end]))
            continue;
        if (!onLine(text.sliced(from, end - from), end))
            return false;
        from = end + 1;
    }
    return true;
}

// Line by line, so that a line that encodes to other bytes than it was read from can be written back
// as it was. Neither CR nor LF is ever the second byte of a CP932 character.
std::optional<TextFileContent> decodeCp932(QByteArrayView bytes)
{
    const Converter converter = openCp932();
    if (!converter)
        return std::nullopt;
    TextFileContent content;
    content.encoding.kind = TextEncoding::Cp932;
    QHash<QString, QList<QByteArray>> &originalLines = content.encoding.originalLines;
    // Two lines may share a text but not its bytes, so each occurrence keeps its own.
    QSet<QString> reencodedDifferently;
    const bool clean = forEachLine(bytes, [&](QByteArrayView lineBytes, qsizetype end) {
        const std::optional<QString> line = decodeCp932Line(converter.get(), lineBytes);
        if (!line)
            return false;
        if (std::any_of(lineBytes.cbegin(), lineBytes.cend(), [](char c) { return uchar(c) >= 0x80; })) {
            originalLines[*line].append(lineBytes.toByteArray());
            if (encodeCp932Line(converter.get(), *line) != lineBytes.toByteArray())
                reencodedDifferently.insert(*line);
        }
        content.text += *line;
        if (end < bytes.size())
            content.text += QLatin1Char(bytes[end]);
        return true;
    });
    if (!clean)
        return std::nullopt;
    originalLines.removeIf([&](const auto &entry) { return !reencodedDifferently.contains(entry.key()); });
    return content;
}

std::optional<QByteArray> encodeCp932(const QString &text, const QHash<QString, QList<QByteArray>> &originalLines)
{
    const Converter converter = openCp932();
    if (!converter)
        return std::nullopt;
    QByteArray bytes;
    QHash<QString, qsizetype> occurrences;
    const bool encodable = forEachLine(QStringView(text), [&](QStringView line, qsizetype end) {
        const auto original = originalLines.constFind(line.toString());
        const qsizetype occurrence = original != originalLines.cend() ? occurrences[original.key()]++ : 0;
        if (original != originalLines.cend() && occurrence < original->size()) {
            bytes += original->at(occurrence);
        } else {
            const std::optional<QByteArray> encoded = encodeCp932Line(converter.get(), line);
            if (!encoded)
                return false;
            bytes += *encoded;
        }
        if (end < text.size())
            bytes += char(text[end].unicode());
        return true;
    });
    return encodable ? std::optional(bytes) : std::nullopt;
}

// A stray byte in a UTF-8 list must not turn its Japanese lines into CP932 mojibake: the file counts as
// CP932 only when fewer of its non-ASCII lines are valid UTF-8 than are not.
bool mostNonAsciiLinesAreNotUtf8(QByteArrayView bytes)
{
    qsizetype valid = 0;
    qsizetype invalid = 0;
    forEachLine(bytes, [&](QByteArrayView line, qsizetype) {
        if (std::all_of(line.cbegin(), line.cend(), [](char c) { return uchar(c) < 0x80; }))
            return true;
        ++(line.isValidUtf8() ? valid : invalid);
        return true;
    });
    return valid < invalid;
}

} // namespace

std::optional<QByteArray> TextEncoding::encode(const QString &text) const
{
    if (kind == Cp932)
        return encodeCp932(text, originalLines);
    if (kind == Utf16LE || kind == Utf16BE) {
        const bool bigEndian = kind == Utf16BE;
        QByteArray bytes = encodeUtf16(text, bigEndian);
        if (byteOrderMark)
            bytes.prepend(bigEndian ? "\xFE\xFF" : "\xFF\xFE", 2);
        return bytes;
    }
    QByteArray bytes = encodeUtf8(text);
    if (byteOrderMark)
        bytes.prepend(utf8ByteOrderMark.data(), utf8ByteOrderMark.size());
    return bytes;
}

namespace TextFile {

TextFileContent decode(const QByteArray &bytes)
{
    TextFileContent content;
    QByteArrayView view(bytes);
    const bool littleMark = view.startsWith("\xFF\xFE"), bigMark = view.startsWith("\xFE\xFF");
    if ((littleMark || bigMark) && view.size() % 2 == 0) {
        content.encoding.kind = bigMark ? TextEncoding::Utf16BE : TextEncoding::Utf16LE;
        content.encoding.byteOrderMark = true;
        content.text = decodeUtf16(view.sliced(2), bigMark);
        return content;
    }
    if (const std::optional<TextEncoding::Kind> utf16 = unmarkedUtf16(view)) {
        content.encoding.kind = *utf16;
        content.text = decodeUtf16(view, *utf16 == TextEncoding::Utf16BE);
        return content;
    }
    if (view.startsWith(utf8ByteOrderMark)) {
        content.encoding.byteOrderMark = true;
        view = view.sliced(utf8ByteOrderMark.size());
    }
    qsizetype keptBytes = 0;
    content.text = decodeUtf8(view, &keptBytes);
    if (keptBytes == 0 || content.encoding.byteOrderMark || !mostNonAsciiLinesAreNotUtf8(view))
        return content;
    return decodeCp932(view).value_or(content);
}

TextFileContent read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw MarrowdaleError(ProgramText(Message::FileNotRead, {path, file.errorString()}));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw MarrowdaleError(ProgramText(Message::FileNotRead, {path, file.errorString()}));
    return decode(bytes);
}

TextEncoding write(const QString &path, const QString &text, const TextEncoding &encoding)
{
    TextEncoding written = encoding;
    std::optional<QByteArray> bytes = encoding.encode(text);
    if (!bytes) {
        written = TextEncoding();
        bytes = written.encode(text);
    }
    writeFileAtomically(path, *bytes);
    return written;
}

} // namespace TextFile

QString readTextFile(const QString &path)
{
    return TextFile::read(path).text;
}
