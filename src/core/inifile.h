#pragma once

#include <QHash>
#include <QString>

#include <optional>

// An ini-style file: "[Section]" lines and "key=value" lines, names matched without regard
// to case. Reading takes a snapshot of the file at construction; writing edits the file in
// place and keeps every line it does not own.
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

    /// Replaces the key's value where it stands, or adds the key at the end of its section,
    /// or adds the section at the end of the file (creating file and folder when missing).
    /// Throws MarrowdaleError naming the file when it cannot be read or written.
    static void writeString(const QString &path, const QString &section, const QString &key, const QString &value);
    static void writeInt(const QString &path, const QString &section, const QString &key, int value);
    static void writeBool(const QString &path, const QString &section, const QString &key, bool value);

    /// The text of a value as stored; the integer of a value or nothing.
    static QString parseValue(const QString &raw);
    static std::optional<int> parseInt(const QString &value);

private:
    QString m_path;
    bool m_exists = false;
    bool m_readable = false;
    QHash<QString, QString> m_values; ///< by case-folded section and key
};
