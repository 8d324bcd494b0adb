#include "folderhandle.h"

#include <QHash>
#include <QList>

#include <cerrno>
#include <utility>

#include <fcntl.h>
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
    QList<QByteArray> pending = namesOf(path);
    QByteArray walked; // for naming a link that is not followed
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

FolderRef folderAt(const QByteArray &path, int *error, QByteArray *where)
{
    // Checked again at each use: a folder renamed or replaced meanwhile is opened afresh by its path.
    thread_local QHash<QByteArray, FolderRef> opened;
    const auto known = opened.constFind(path);
    struct stat now;
    if (known != opened.cend() && ::stat(path.constData(), &now) == 0 && (*known)->is(now))
        return *known;
    FolderRef folder = openFolder(path, error, false, where);
    if (opened.size() > 256)
        opened.clear();
    if (folder)
        opened.insert(path, folder);
    else
        opened.remove(path);
    return folder;
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
