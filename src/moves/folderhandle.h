#pragma once

#include <QByteArray>

#include <memory>

#include <sys/stat.h>

// Open folders, for moves that must stay where they were checked. A move opens the folders it works in
// once and does everything below them relative to those handles (openat, renameat, unlinkat), so that a
// name swapped for a link in a folder others can write cannot send it somewhere else.
namespace MoveSteps {

/// The error of a way that leads through a link that belongs to another user (not to the user or the
/// superuser): such a link, planted in a folder others can write, is not followed.
inline constexpr int foreignLink = 0x10001;
/// The error of an entry that was replaced by another (a link, a pipe, another folder) between the moment
/// it was looked at and the moment it was used: it is left alone.
inline constexpr int replacedMeanwhile = 0x10002;

class Folder
{
public:
    /// Takes over `fd`, an open folder.
    explicit Folder(int fd);
    ~Folder();
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;

    int fd() const { return m_fd; }
    bool is(const struct stat &st) const { return st.st_dev == m_device && st.st_ino == m_inode; }

private:
    int m_fd;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};
using FolderRef = std::shared_ptr<const Folder>;

/// Opens the folder at an absolute path one name at a time without following a link that belongs to
/// another user; a link of the user's or the superuser's is followed the same way. With `create`, missing
/// folders are made as `mkdir -p` makes them. Nothing and *error on failure (foreignLink with `*where`, when
/// given, naming the link).
FolderRef openFolder(const QByteArray &path, int *error, bool create = false, QByteArray *where = nullptr);

/// The same for the folders a pass works in again and again: a folder opened before is taken again while
/// its path still leads to it, and the way to a new one starts at the nearest folder above it opened before.
FolderRef folderAt(const QByteArray &path, int *error, QByteArray *where = nullptr, bool create = false);

/// A folder below `parent`, opened only when it is the folder `checked` describes; nothing and *error
/// (replacedMeanwhile when it is another) otherwise.
FolderRef openChild(const Folder &parent, const QByteArray &name, const struct stat &checked, int *error);

/// An entry named in an open folder.
struct Place
{
    FolderRef folder;
    QByteArray name;

    int fd() const { return folder->fd(); }
    const char *cname() const { return name.constData(); }
};

/// The folder of `path` (by folderAt()) and its last name.
Place placeOf(const QByteArray &path, int *error, QByteArray *where = nullptr);

} // namespace MoveSteps
