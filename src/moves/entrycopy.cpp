#include "entrycopy.h"

#include <QList>

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace MoveSteps {

namespace {

std::function<void(const QByteArray &)> &checkedObserver()
{
    static std::function<void(const QByteArray &)> observer;
    return observer;
}

// ---- Extended attributes and access lists ----

constexpr const char *accessList = "system.posix_acl_access";
constexpr const char *defaultList = "system.posix_acl_default";

struct Attributes
{
    QList<std::pair<QByteArray, QByteArray>> user;
    std::optional<QByteArray> access, defaults;
};

// The size-then-read dance of the xattr calls, repeated while the value grows in between.
template<typename Call> std::optional<QByteArray> readSized(Call call)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = call(nullptr, 0);
        if (size < 0)
            return std::nullopt;
        QByteArray value(size, '\0');
        const ssize_t got = call(value.data(), size_t(value.size()));
        if (got >= 0) {
            value.truncate(got);
            return value;
        }
        if (errno != ERANGE)
            return std::nullopt;
    }
    return std::nullopt;
}

Attributes readAttributes(int fd)
{
    Attributes attributes;
    const std::optional<QByteArray> names
        = readSized([fd](char *buffer, size_t size) { return ::flistxattr(fd, buffer, size); });
    if (!names)
        return attributes;
    for (const QByteArray &name : names->split('\0')) {
        const bool user = name.startsWith("user.");
        if (!user && name != accessList && name != defaultList)
            continue; // security.* and trusted.* belong to the system, not to the file's content
        const std::optional<QByteArray> value = readSized(
            [fd, &name](char *buffer, size_t size) { return ::fgetxattr(fd, name.constData(), buffer, size); });
        if (!value)
            continue;
        if (user)
            attributes.user.append({name, *value});
        else if (name == accessList)
            attributes.access = value;
        else
            attributes.defaults = value;
    }
    return attributes;
}

// Before the mode is set: user.* attributes need write permission on a file that may be read-only.
void writeUserAttributes(int fd, const Attributes &attributes, CopyPlan &plan)
{
    for (const auto &[name, value] : attributes.user) {
        if (::fsetxattr(fd, name.constData(), value.constData(), size_t(value.size()), 0) != 0)
            plan.attributesLost = true;
    }
}

// After the mode is set, as the lists hold the mode's bits too. A list the new folder handed down that
// the source did not have is taken away: the file keeps its own permissions, as a rename would. A copy
// that another user's file became the mover's own keeps no list at all: the lists would grant the users
// they name (and everyone, through their mask) what the mode no longer does.
void writeAccessLists(int fd, const Attributes &attributes, bool ownerKept, CopyPlan &plan)
{
    const std::pair<const char *, const std::optional<QByteArray> *> lists[]
        = {{accessList, &attributes.access}, {defaultList, &attributes.defaults}};
    for (const auto &[name, value] : lists) {
        if (!*value || !ownerKept)
            ::fremovexattr(fd, name);
        else if (::fsetxattr(fd, name, (*value)->constData(), size_t((*value)->size()), 0) != 0)
            plan.attributesLost = true;
    }
}

// Owner, attributes, mode, lists and times of a copy, in the order that lets each step be taken; then it
// is flushed to disk. A copy that could not keep its owner (another user's file, filed by this one) keeps no
// set-user-ID or set-group-ID bit and lets nobody else write to it: it is the mover's now, and must not
// become a way to act with the mover's rights. The same goes for its group.
int finishCopy(int from, int to, const struct stat &st, CopyPlan &plan)
{
    const Attributes attributes = readAttributes(from);
    if (::fchown(to, st.st_uid, st.st_gid) != 0 && ::fchown(to, uid_t(-1), st.st_gid) != 0) { }
    struct stat now;
    if (::fstat(to, &now) != 0)
        return errno;
    const bool ownerKept = now.st_uid == st.st_uid, groupKept = now.st_gid == st.st_gid;
    mode_t mode = st.st_mode & 07777;
    if (!ownerKept || !groupKept)
        mode &= ~mode_t(S_ISUID | S_ISGID);
    if (!ownerKept)
        mode &= ~mode_t(S_IWOTH);
    if (!groupKept)
        mode &= ~mode_t(S_IWGRP);
    writeUserAttributes(to, attributes, plan);
    if (::fchmod(to, mode) != 0)
        return errno;
    writeAccessLists(to, attributes, ownerKept && groupKept, plan);
    const std::array<struct timespec, 2> times {st.st_atim, st.st_mtim};
    if (::futimens(to, times.data()) != 0 || ::fsync(to) != 0)
        return errno;
    return 0;
}

int writeAll(int fd, const char *data, ssize_t size)
{
    ssize_t done = 0;
    while (done < size) {
        const ssize_t put = ::write(fd, data + done, size_t(size - done));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        done += put;
    }
    return 0;
}

// Closes on every way out.
struct Descriptor
{
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

void checkedNow(const QByteArray &path)
{
    if (checkedObserver())
        checkedObserver()(path);
}

void setCheckedObserver(std::function<void(const QByteArray &)> observer)
{
    checkedObserver() = std::move(observer);
}

bool sameState(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && (a.st_mode & S_IFMT) == (b.st_mode & S_IFMT)
        && a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

int EntryCopy::fail(const QByteArray &path, int error)
{
    if (m_failedAt.isEmpty())
        m_failedAt = path;
    return error;
}

void EntryCopy::keepAlive()
{
    if (m_plan.keepAlive)
        m_plan.keepAlive();
}

int EntryCopy::copy(const Place &from, const QByteArray &path, const struct stat &checked, const Place &to,
                    bool *created)
{
    *created = false;
    if (S_ISDIR(checked.st_mode))
        return copyFolder(from, path, checked, to, created);
    int error = EOPNOTSUPP; // devices, pipes and sockets are not the kind of thing we file
    if (S_ISREG(checked.st_mode))
        error = copyFile(from, path, checked, to);
    else if (S_ISLNK(checked.st_mode))
        error = copyLink(from, checked, to);
    *created = error == 0;
    return error == 0 ? 0 : fail(path, error);
}

int EntryCopy::copyFile(const Place &from, const QByteArray &path, const struct stat &checked, const Place &to)
{
    // Without following a link, and without waiting on a pipe swapped in for the file: it must still be the
    // regular file that was looked at.
    checkedNow(path);
    Descriptor in {::openat(from.fd(), from.cname(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
    if (in.fd < 0)
        return errno == ELOOP ? replacedMeanwhile : errno;
    struct stat st;
    if (::fstat(in.fd, &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode) || st.st_dev != checked.st_dev || st.st_ino != checked.st_ino)
        return replacedMeanwhile;
    ::fcntl(in.fd, F_SETFL, ::fcntl(in.fd, F_GETFL) & ~O_NONBLOCK);
    m_seen.push_back({from, st});
    // O_EXCL: an existing file at the target is never replaced, not even one created meanwhile.
    Descriptor out {::openat(to.fd(), to.cname(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)};
    if (out.fd < 0)
        return errno;
    // Written data is pushed to the disk in pieces, so that the final flush cannot stall the copy (and the
    // window waiting on it) for long on a slow device.
    constexpr qint64 syncEvery = qint64(8) << 20;
    int error = 0;
    std::vector<char> buffer(1 << 18);
    qint64 unsynced = 0;
    while (error == 0) {
        const ssize_t got = ::read(in.fd, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno != EINTR)
                error = errno;
            continue;
        }
        if (got == 0)
            break;
        error = writeAll(out.fd, buffer.data(), got);
        unsynced += got;
        if (error == 0 && unsynced >= syncEvery) {
            if (::fdatasync(out.fd) != 0)
                error = errno;
            unsynced = 0;
        }
        keepAlive();
    }
    if (error == 0)
        error = finishCopy(in.fd, out.fd, st, m_plan);
    if (::close(std::exchange(out.fd, -1)) != 0 && error == 0)
        error = errno;
    if (error != 0)
        ::unlinkat(to.fd(), to.cname(), 0);
    return error;
}

int EntryCopy::copyLink(const Place &from, const struct stat &checked, const Place &to)
{
    m_seen.push_back({from, checked});
    QByteArray target(qsizetype(checked.st_size) + 1, '\0');
    const ssize_t length = ::readlinkat(from.fd(), from.cname(), target.data(), size_t(target.size()));
    if (length < 0)
        return errno == EINVAL ? replacedMeanwhile : errno;
    if (length >= target.size())
        return sourceChanged;
    target.truncate(length);
    if (::symlinkat(target.constData(), to.fd(), to.cname()) != 0)
        return errno;
    const std::array<struct timespec, 2> times {checked.st_atim, checked.st_mtim};
    ::utimensat(to.fd(), to.cname(), times.data(), AT_SYMLINK_NOFOLLOW);
    return 0;
}

int EntryCopy::copyFolder(const Place &from, const QByteArray &path, const struct stat &checked, const Place &to,
                          bool *created)
{
    checkedNow(path);
    int error = 0;
    const FolderRef source = openChild(*from.folder, from.name, checked, &error);
    if (!source)
        return fail(path, error);
    // Entries the source folder would not let go of afterwards are not copied in the first place.
    if (::faccessat(source->fd(), ".", W_OK | X_OK, AT_EACCESS) != 0)
        return fail(path, errno);
    m_seen.push_back({from, checked});
    // Owner-only while filling, so a read-only source folder can still be filled in.
    if (::mkdirat(to.fd(), to.cname(), 0700) != 0)
        return fail(path, errno);
    *created = true;
    struct stat made;
    if (::fstatat(to.fd(), to.cname(), &made, AT_SYMLINK_NOFOLLOW) != 0)
        return fail(path, errno);
    const FolderRef target = openChild(*to.folder, to.name, made, &error);
    if (!target)
        return fail(path, error);

    const QList<QByteArray> names = entriesOf(source->fd(), &error);
    if (error != 0)
        return fail(path, error);
    for (const QByteArray &name : names) {
        keepAlive();
        const QByteArray inner = child(path, name);
        struct stat entry;
        if (::fstatat(source->fd(), name.constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
            return fail(inner, errno);
        bool innerCreated = false;
        if (const int e = copy({source, name}, inner, entry, {target, name}, &innerCreated))
            return e;
    }
    // After the contents, which change the folder's times.
    if (const int e = finishCopy(source->fd(), target->fd(), checked, m_plan))
        return fail(path, e);
    return 0;
}

bool EntryCopy::unchanged() const
{
    return std::all_of(m_seen.begin(), m_seen.end(), [](const Seen &seen) {
        struct stat now;
        return ::fstatat(seen.place.fd(), seen.place.cname(), &now, AT_SYMLINK_NOFOLLOW) == 0
            && sameState(seen.st, now);
    });
}

int EntryCopy::removeSources() const
{
    int first = 0;
    for (auto seen = m_seen.crbegin(); seen != m_seen.crend(); ++seen) {
        const Place &place = seen->place;
        struct stat now;
        int e = 0;
        if (S_ISDIR(seen->st.st_mode))
            e = ::unlinkat(place.fd(), place.cname(), AT_REMOVEDIR) == 0 ? 0 : errno;
        else if (::fstatat(place.fd(), place.cname(), &now, AT_SYMLINK_NOFOLLOW) != 0)
            e = errno;
        else if (!sameState(seen->st, now))
            e = sourceChanged;
        else if (::unlinkat(place.fd(), place.cname(), 0) != 0)
            e = errno;
        if (first == 0 && e != ENOENT) // gone meanwhile: nothing to remove
            first = e;
    }
    return first;
}

int removeAt(const Place &place)
{
    struct stat st;
    if (::fstatat(place.fd(), place.cname(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        return ::unlinkat(place.fd(), place.cname(), 0) == 0 ? 0 : errno;
    int first = 0;
    const FolderRef folder = openChild(*place.folder, place.name, st, &first);
    if (!folder)
        return first;
    const QList<QByteArray> names = entriesOf(folder->fd(), &first);
    for (const QByteArray &name : names) {
        const int e = removeAt({folder, name});
        if (first == 0)
            first = e;
    }
    if (::unlinkat(place.fd(), place.cname(), AT_REMOVEDIR) != 0 && first == 0)
        first = errno;
    return first;
}

} // namespace MoveSteps
