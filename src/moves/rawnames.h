#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class MessageTable;
class ProgramText;

// Entries of a folder whose names are not valid UTF-8 (legacy Shift-JIS names from archives made on
// Windows). The file list cannot show them, so they would never be filed; the program counts them and
// offers to rename them to their CP932 reading where that decodes cleanly.
namespace RawNames {

struct UndecodableName
{
    QByteArray name; ///< the raw bytes of the entry's name
    std::optional<QString> reading; ///< its CP932 reading, when every byte decodes
    bool folder = false;

    friend bool operator==(const UndecodableName &, const UndecodableName &) = default;
};

/// The entries of `folder` whose names are not valid UTF-8, in byte order.
QList<UndecodableName> undecodableNames(const QString &folder);

/// The name read as CP932, when it decodes without an invalid or unmapped byte and gives a name that can
/// stand for a file here.
std::optional<QString> cp932Reading(const QByteArray &name);

/// The name for a message: valid parts as text, each other byte as \xHH.
QString printable(const QByteArray &name);

/// Renames the entry `name` of `folder` to `newName`; never replaces an existing entry.
bool renameRaw(const QString &folder, const QByteArray &name, const QString &newName, ProgramText *error = nullptr);

/// The question the window asks (empty when no name can be renamed) and the notice when none can.
QString renameQuestion(const QString &folder, const QList<UndecodableName> &names, const MessageTable &messages);
QString notice(const QString &folder, const QList<UndecodableName> &names, const MessageTable &messages);

/// Renames every name that has a reading; returns one line for each that could not be renamed.
QStringList renameToReadings(const QString &folder, const QList<UndecodableName> &names, const MessageTable &messages);

} // namespace RawNames
