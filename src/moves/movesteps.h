#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <string_view>

#include <cerrno>

class MessageTable;

// The steps that moves of the user's files are made of. They work on encoded paths and raw entry
// names (readdir, never QDir), so names that are not valid UTF-8 travel like any other; they
// return 0 or an errno value, so that callers can tell "target exists" from the rest.
//
// Every step works below folders opened once (folderhandle.h): a name swapped for a link between the look
// at an entry and its use is found out, never followed.
//
// A move across file systems never shows a half-made copy under the real name: the copy goes to a
// hidden temporary name in the target's folder, is flushed to disk, checked against the source
// (size and modification time of every entry, as they were when the copy started) and only then
// renamed into place without replacing anything; the source is removed last, each entry only while it is
// still as it was copied, so that nothing written to it meanwhile is lost.
namespace MoveSteps {

/// What a move needs besides its two paths, and what it found out.
struct CopyPlan
{
    /// The hidden name a copy across file systems fills; inside a folder merge, the same name is used in
    /// each folder an entry is copied into. Empty: one is chosen when needed.
    QByteArray temporary;
    /// Runs once before the first byte is copied (the journal makes its records durable there).
    std::function<void()> beforeCopy;
    /// Runs after every piece a copy writes (a quarter megabyte, or one entry of a folder), so that a
    /// window waiting on a long copy can repaint; it must return quickly.
    std::function<void()> keepAlive;
    /// Set when the destination could not hold the extended attributes or access lists of a copy.
    bool attributesLost = false;
    /// What went wrong beyond the errno value, or what was left behind by a move that succeeded.
    QString detail;
    /// The texts `detail` is told in; none: English.
    const MessageTable *messages = nullptr;
};

/// The error a move returns when its source changed while it was copied: a code of its own, beyond the
/// system's, so that the system's EBUSY (a mount point) is not taken for a file still being written.
inline constexpr int sourceChanged = 0x10000;

/// The system's text for an error the steps return; for sourceChanged, the one for EBUSY; for
/// foreignLink and replacedMeanwhile (folderhandle.h), the program's own.
QString errorText(int code);

QByteArray child(const QByteArray &folder, const QByteArray &name);
QByteArray folderOf(const QByteArray &path);
QByteArray nameOf(const QByteArray &path);

/// The entry itself (links not followed) exists: a dangling link is there too.
bool exists(const QByteArray &path);
bool exists(const QString &path);
/// A real folder, not a link to one.
bool isFolder(const QByteArray &path);
/// Both names lead to one file (hard links, or the same name twice).
bool sameFile(const QByteArray &a, const QByteArray &b);
/// Same kind and content (a link's target); folders entry by entry.
bool identical(const QByteArray &a, const QByteArray &b);

/// The names in a folder, as bytes, without "." and "..".
QList<QByteArray> entries(const QByteArray &folder, int *error = nullptr);
QList<QByteArray> entriesOf(int folder, int *error = nullptr);

/// A hidden name that is free in the folder: the temporary name of a copy that is on its way in,
/// ".marrowdale-" and twelve random letters and digits.
QByteArray temporaryName(const QByteArray &folder);
/// The name has that form: only such an entry can be a copy this program left unfinished.
bool isTemporaryName(const QByteArray &name);
inline constexpr std::string_view temporaryPrefix = ".marrowdale-";
inline constexpr int temporaryRandomLetters = 12;
inline constexpr char temporaryLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";

/// Renames without ever replacing an existing entry.
int renameExclusive(const QByteArray &from, const QByteArray &to);

/// Moves a file, link or folder to `to`, which must not exist: one rename on one file system; across
/// file systems the copy protocol above, with user.* attributes and access lists carried along.
int moveEntry(const QByteArray &from, const QByteArray &to, CopyPlan &plan);

/// Puts the file `from` in place of the existing file `to` (the user agreed to replace it). The caller
/// makes sure both are not one file.
int replaceFile(const QByteArray &from, const QByteArray &to, CopyPlan &plan);

/// Removes a file, link or whole folder, below open folders (a folder swapped for a link meanwhile is
/// left alone); the first error is returned, the rest is still removed.
int removeTree(const QByteArray &path);

/// For tests: runs after a source was copied and before it is compared with how it was, so a test can
/// change it "while it is being copied".
void setCopyObserver(std::function<void(const QByteArray &source)> observer);
/// For tests: runs after a copy was renamed into place and before its source is removed.
void setPlacedObserver(std::function<void(const QByteArray &source)> observer);
/// For tests: runs between the look at an entry to be copied and its use, so that a test can swap it.
void setCheckedObserver(std::function<void(const QByteArray &path)> observer);

} // namespace MoveSteps
