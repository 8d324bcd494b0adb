#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QMap>
#include <QString>

#include <algorithm>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

// A whole tree as one line per entry, keyed by the raw bytes of its path below the root: kind, mode,
// owner, modification time, content hash or link target, and (on request) its user.* attributes and access
// lists. Two trees that compare equal hold the same files in the same state.

namespace TreeSnapshot {

enum Detail {
    Content = 0,
    Attributes = 1, ///< user.* attributes and access lists too
    NoFolderTimes = 2, ///< a folder's modification time is left out (an undo restores contents, not those)
};

inline QByteArray attributesOf(const QByteArray &path)
{
    QByteArray names(4096, '\0');
    const ssize_t size = ::llistxattr(path.constData(), names.data(), size_t(names.size()));
    QByteArray text;
    QList<QByteArray> listed = names.left(size < 0 ? 0 : size).split('\0');
    std::sort(listed.begin(), listed.end()); // each file system lists them in its own order
    for (const QByteArray &name : std::as_const(listed)) {
        if (!name.startsWith("user.") && !name.startsWith("system.posix_acl"))
            continue;
        QByteArray value(4096, '\0');
        const ssize_t length = ::lgetxattr(path.constData(), name.constData(), value.data(), size_t(value.size()));
        text += ' ' + name + '=' + value.left(length < 0 ? 0 : length).toHex();
    }
    return text;
}

inline void add(QMap<QByteArray, QByteArray> &tree, const QByteArray &root, const QByteArray &relative, int detail)
{
    const QByteArray path = relative.isEmpty() ? root : root + '/' + relative;
    struct stat st;
    if (::lstat(path.constData(), &st) != 0) {
        tree.insert(relative, "unreadable");
        return;
    }
    QByteArray line
        = QByteArray::number(st.st_mode, 8) + ' ' + QByteArray::number(st.st_uid) + ':' + QByteArray::number(st.st_gid);
    if (!(S_ISDIR(st.st_mode) && (detail & NoFolderTimes)))
        line += ' ' + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.'
            + QByteArray::number(qint64(st.st_mtim.tv_nsec));
    if (S_ISREG(st.st_mode)) {
        QFile file(QFile::decodeName(path));
        QCryptographicHash hash(QCryptographicHash::Sha256);
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            hash.addData(&file);
        line += ' ' + QByteArray::number(qint64(st.st_size)) + ' ' + hash.result().toHex();
    } else if (S_ISLNK(st.st_mode)) {
        QByteArray target(4096, '\0');
        const ssize_t length = ::readlink(path.constData(), target.data(), size_t(target.size()));
        line += " -> " + target.left(length < 0 ? 0 : length);
    }
    if (detail & Attributes)
        line += attributesOf(path);
    if (!relative.isEmpty())
        tree.insert(relative, line);
    if (!S_ISDIR(st.st_mode))
        return;
    if (DIR *dir = ::opendir(path.constData())) {
        while (const dirent *entry = ::readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                add(tree, root, relative.isEmpty() ? QByteArray(entry->d_name) : relative + '/' + entry->d_name,
                    detail);
        }
        ::closedir(dir);
    }
}

/// Every entry below `root` (not the root itself).
inline QMap<QByteArray, QByteArray> of(const QString &root, int detail = Content)
{
    QMap<QByteArray, QByteArray> tree;
    add(tree, QFile::encodeName(root), QByteArray(), detail);
    return tree;
}

/// The snapshot without the entries at and below `folder`.
inline QMap<QByteArray, QByteArray> without(QMap<QByteArray, QByteArray> tree, const QByteArray &folder)
{
    tree.removeIf(
        [&folder](const auto &entry) { return entry.key() == folder || entry.key().startsWith(folder + '/'); });
    return tree;
}

/// The temporary names of copies on their way in, anywhere in the tree.
inline QList<QByteArray> leftovers(const QMap<QByteArray, QByteArray> &tree)
{
    QList<QByteArray> found;
    for (const QByteArray &path : tree.keys()) {
        if (path.startsWith(".marrowdale-") || path.contains("/.marrowdale-"))
            found.append(path);
    }
    return found;
}

} // namespace TreeSnapshot

/// Compares two snapshots entry by entry, so that a failure names the entry that differs.
#define COMPARE_TREES(actual, expected)                                                                                \
    do {                                                                                                               \
        const QMap<QByteArray, QByteArray> actualTree = (actual), expectedTree = (expected);                           \
        QCOMPARE(actualTree.keys(), expectedTree.keys());                                                              \
        for (const QByteArray &key : expectedTree.keys())                                                              \
            QCOMPARE(key + ": " + actualTree.value(key), key + ": " + expectedTree.value(key));                        \
    } while (false)
