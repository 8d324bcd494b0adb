#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// How a text file's bytes became text, so that writing the text gives the same bytes back.
//
// Reading: a file with a UTF-16 byte-order mark, or of pairs of bytes whose zero bytes all stand on one
// side of the pair (ASCII text in UTF-16 without a mark), is UTF-16 of that byte order, every unit kept.
// A file that is valid UTF-8 as a whole is UTF-8 (a byte-order mark is noted and written back). Otherwise it is CP932 when it decodes as CP932 without an invalid or unmapped byte and fewer of its
// non-ASCII lines are valid UTF-8 than are not. Otherwise it is UTF-8 with its stray bytes kept: every byte
// 0x80-0xFF outside a valid UTF-8 sequence becomes the lone surrogate U+DC80-U+DCFF (never a character of
// its own, so never mistaken for one) and is written back as that byte. New files are UTF-8.
struct TextEncoding
{
    enum Kind { Utf8, Cp932, Utf16LE, Utf16BE };

    Kind kind = Utf8;
    bool byteOrderMark = false;
    /// The bytes, in file order, of every CP932 line whose text some line gave in other bytes than it
    /// encodes to (characters with several codes): unchanged lines are written back as they were read.
    QHash<QString, QList<QByteArray>> originalLines;

    /// The bytes of `text`; nothing when a character has no code in this encoding.
    std::optional<QByteArray> encode(const QString &text) const;

    friend bool operator==(const TextEncoding &, const TextEncoding &) = default;
};

struct TextFileContent
{
    QString text; ///< line breaks as the file has them
    TextEncoding encoding;
};

namespace TextFile {

TextFileContent decode(const QByteArray &bytes);

/// Throws MarrowdaleError naming the file when it cannot be read.
TextFileContent read(const QString &path);

/// Writes `text` in `encoding`, or in UTF-8 when one of its characters has no code there (rather than
/// lose it), replacing the file as a whole or not at all. Returns the encoding the file now has. Throws
/// MarrowdaleError naming the file and the reason; the old file is then untouched.
TextEncoding write(const QString &path, const QString &text, const TextEncoding &encoding = {});

} // namespace TextFile

/// The text alone, for files the program only reads. Throws like TextFile::read().
QString readTextFile(const QString &path);
