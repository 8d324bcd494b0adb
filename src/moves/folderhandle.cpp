#include "folderhandle.h"

#include <QHash>
#include <QList>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace MoveSteps {

namespace {

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// The names of a path, without empty ones and ".".
QList<QByteArray> namesOf(const QByteArray &path)
{
    QList<QByteArray> names = path.split('/');
    names.removeIf([](const QByteArray &name) { return name.isEmpty() || name == "."; });
    return names;
}

bool trustedOwner(uid_t owner)
{
    return owner == 0 || owner == ::geteuid();
}

// Closes on every way out but the one that hands the folder on.
class Descriptor
{
public:
    explicit Descriptor(int fd = -1)
        : m_fd(fd)
    { }
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int get() const { return m_fd; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

} // namespace

Folder::Folder(int fd)
    : m_fd(fd)
{
    struct stat st;
    if (::fstat(fd, &st) == 0) {
        m_device = st.st_dev;
        m_inode = st.st_ino;
    }
}

Folder::~Folder()
{
    ::close(m_fd);
}

namespace {

// Walks `pending` down from `folder`, whose path is `walked`, as openFolder() says.
FolderRef walk(Descriptor &folder, QList<QByteArray> pending, QByteArray walked, int *error, bool create,
               QByteArray *where)
{
    int links = 0;
    while (!pending.isEmpty()) {
        const QByteArray name = pending.takeFirst();
        int next = ::openat(folder.get(), name.constData(), folderFlags);
        if (next < 0 && errno == ENOENT && create) {
            if (::mkdirat(folder.get(), name.constData(), 0777) != 0 && errno != EEXIST) {
                *error = errno;
                return {};
            }
            next = ::openat(folder.get(), name.constData(), folderFlags);
        }
        if (next < 0 && (errno == ELOOP || errno == ENOTDIR)) {
            const int refused = errno;
            struct stat link;
            if (::fstatat(folder.get(), name.constData(), &link, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(link.st_mode)) {
                *error = refused;
                return {};
            }
            walked += '/' + name;
            if (!trustedOwner(link.st_uid)) {
                if (where)
                    *where = walked;
                *error = foreignLink;
                return {};
            }
            QByteArray target(qsizetype(link.st_size) + 1, '\0');
            const ssize_t length = ::readlinkat(folder.get(), name.constData(), target.data(), size_t(target.size()));
            if (length < 0 || length >= target.size() || ++links > 40) {
                *error = length < 0 ? errno : ELOOP;
                return {};
            }
            target.truncate(length);
            // The link's own names take its place; an absolute one starts again from the root.
            pending = namesOf(target) + pending;
            if (target.startsWith('/')) {
                folder.reset(::open("/", folderFlags));
                walked.clear();
            }
            continue;
        }
        if (next < 0) {
            *error = errno;
            return {};
        }
        folder.reset(next);
        walked += '/' + name;
    }
    return std::make_shared<const Folder>(folder.release());
}

// The folders a pass opened, by path, the less recently used given up first: a pass over many
// destinations keeps their common parents.
struct OpenedFolders
{
    struct Entry
    {
        FolderRef folder;
        quint64 used = 0;
    };
    // A quarter of the descriptors the process may hold, within bounds.
    const qsizetype most = [] {
        rlimit limit {};
        const rlim_t soft = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
        return qsizetype(std::clamp<rlim_t>(soft / 4, 64, 4096));
    }();
    QHash<QByteArray, Entry> entries;
    quint64 clock = 0;

    // The folder opened before at `path`, while the path still leads to it.
    FolderRef still(const QByteArray &path)
    {
        const auto known = entries.find(path);
        if (known == entries.end())
            return {};
        struct stat now;
        if (::stat(path.constData(), &now) != 0 || !known->folder->is(now)) {
            entries.erase(known);
            return {};
        }
        known->used = ++clock;
        return known->folder;
    }

    void keep(const QByteArray &path, FolderRef folder)
    {
        if (entries.size() >= most) {
            // The older half at once, so that a pass over more folders than are kept costs no more per folder.
            std::vector<quint64> uses;
            uses.reserve(size_t(entries.size()));
            for (const Entry &entry : std::as_const(entries))
                uses.push_back(entry.used);
            const auto middle = uses.begin() + qsizetype(uses.size() / 2);
            std::nth_element(uses.begin(), middle, uses.end());
            entries.removeIf([oldest = *middle](const auto &entry) { return entry.value().used < oldest; });
        }
        entries.insert(path, Entry {std::move(folder), ++clock});
    }
};

} // namespace

FolderRef openFolder(const QByteArray &path, int *error, bool create, QByteArray *where)
{
    if (!path.startsWith('/')) {
        *error = EINVAL;
        return {};
    }
    Descriptor folder(::open("/", folderFlags));
    if (folder.get() < 0) {
        *error = errno;
        return {};
    }
    return walk(folder, namesOf(path), {}, error, create, where);
}

namespace {

// folderAt() for a path without empty names, "." and "..": its parent is the path up to its last "/".
FolderRef cleanFolderAt(OpenedFolders &opened, const QByteArray &path, int *error, QByteArray *where, bool create)
{
    if (FolderRef known = opened.still(path))
        return known;
    const qsizetype separator = path.lastIndexOf('/');
    if (separator < 0 || path.size() == 1)
        return openFolder(path, error, create, where);
    // One name down from its parent, itself found the same way: a pass over many destinations opens
    // their common parents once.
    const QByteArray above = separator == 0 ? QByteArray("/") : path.first(separator);
    const FolderRef parent = cleanFolderAt(opened, above, error, where, create);
    if (!parent)
        return {};
    const QByteArray name = path.sliced(separator + 1);
    // Most often the name is a folder: one step, without copying the parent's descriptor.
    FolderRef folder;
    if (const int next = ::openat(parent->fd(), name.constData(), folderFlags); next >= 0) {
        folder = std::make_shared<const Folder>(next);
    } else if (errno == ENOENT && !create) {
        *error = ENOENT;
        return {};
    } else {
        Descriptor from(::fcntl(parent->fd(), F_DUPFD_CLOEXEC, 0));
        if (from.get() < 0) {
            *error = errno;
            return {};
        }
        folder = walk(from, {name}, separator == 0 ? QByteArray() : above, error, create, where);
    }
    if (folder)
        opened.keep(path, folder);
    return folder;
}

} // namespace

FolderRef folderAt(const QByteArray &path, int *error, QByteArray *where, bool create)
{
    thread_local OpenedFolders opened;
    // Paths are mostly clean already: the look-up comes first.
    if (FolderRef known = opened.still(path))
        return known;
    if (!path.startsWith('/'))
        return openFolder(path, error, create, where);
    const QList<QByteArray> names = namesOf(path);
    if (names.contains(".."))
        return openFolder(path, error, create, where);
    return cleanFolderAt(opened, '/' + names.join('/'), error, where, create);
}

FolderRef openChild(const Folder &parent, const QByteArray &name, const struct stat &checked, int *error)
{
    Descriptor child(::openat(parent.fd(), name.constData(), folderFlags));
    struct stat st;
    if (child.get() < 0 || ::fstat(child.get(), &st) != 0) {
        // A link in the folder's place says ELOOP or ENOTDIR: it is not the folder that was checked.
        *error = errno == ELOOP || errno == ENOTDIR ? replacedMeanwhile : errno;
        return {};
    }
    if (st.st_dev != checked.st_dev || st.st_ino != checked.st_ino) {
        *error = replacedMeanwhile;
        return {};
    }
    return std::make_shared<const Folder>(child.release());
}

Place placeOf(const QByteArray &path, int *error, QByteArray *where)
{
    const qsizetype separator = path.lastIndexOf('/');
    if (separator < 0 || separator == path.size() - 1) {
        *error = EINVAL;
        return {};
    }
    const QByteArray folder = separator == 0 ? QByteArray("/") : path.left(separator);
    return Place {folderAt(folder, error, where), path.mid(separator + 1)};
}

} // namespace MoveSteps
