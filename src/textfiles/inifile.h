#pragma once

#include "programtext.h"
#include "textfile.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// An ini-style file: "[Section]" lines and "key=value" lines, names matched without regard
// to case. The file is read once, at construction; changes are made to that copy and save()
// writes it back as a whole, every line the program does not own as it was.
class IniFile
{
public:
    static constexpr int MaxValueLength = 2047;

    /// Reads the file once; a missing or unreadable file reads as empty.
    explicit IniFile(const QString &path);

    bool exists() const { return m_exists; }
    /// The file was there and could be read.
    bool readable() const { return m_readable; }
    QString path() const { return m_path; }

    /// The value as the file gives it (trimmed, one pair of enclosing quotes removed);
    /// nothing when the section or key is missing.
    std::optional<QString> value(const QString &section, const QString &key) const;

    QString readString(const QString &section, const QString &key, const QString &def) const;
    /// Decimal, or hexadecimal after "0x"; anything that is not an integer gives def.
    int readInt(const QString &section, const QString &key, int def) const;
    /// An integer that is not 0 is true.
    bool readBool(const QString &section, const QString &key, bool def) const;

    /// Replaces the key's value where it stands, or adds the key at the end of its section, or adds
    /// the section at the end of the file; nothing is written before save(). Throws MarrowdaleError
    /// naming the file for a name or value that the file cannot hold.
    void setString(const QString &section, const QString &key, const QString &value);
    void setInt(const QString &section, const QString &key, int value);
    void setBool(const QString &section, const QString &key, bool value);

    /// Writes the file as a whole, in the encoding and with the line breaks it was read with (a new
    /// file, and its folder, are created). Throws MarrowdaleError naming the file; the file on disk is
    /// then as it was.
    void save();

    /// The text of a value as stored; the integer of a value or nothing.
    static QString parseValue(const QString &raw);
    static std::optional<int> parseInt(const QString &value);

private:
    struct TextLine
    {
        QString text;
        QString lineBreak; ///< empty for a last line without one
    };

    QString m_path;
    bool m_exists = false;
    bool m_readable = false;
    ProgramText m_readError;
    TextEncoding m_encoding;
    QList<TextLine> m_lines;
    QHash<QString, QString> m_values; ///< by case-folded section and key
};
