#include "movesteps.h"

#include "pathcodec.h"
#include "programtext.h"

#include <QFile>
#include <QList>
#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

std::function<void(const QByteArray &)> &copyObserver()
{
    static std::function<void(const QByteArray &)> observer;
    return observer;
}

std::function<void(const QByteArray &)> &placedObserver()
{
    static std::function<void(const QByteArray &)> observer;
    return observer;
}

bool lstatOk(const QByteArray &path, struct stat *st)
{
    return ::lstat(path.constData(), st) == 0;
}

// Hard-link fallback for file systems that do not know RENAME_NOREPLACE: link() never replaces.
// Folders (and files where links are not supported) get an empty placeholder of our own, which a
// plain rename may replace because nobody else's data is in it.
int renameWithoutFlag(const QByteArray &from, const QByteArray &to, bool folder)
{
    if (!folder) {
        if (::link(from.constData(), to.constData()) == 0) {
            if (::unlink(from.constData()) == 0)
                return 0;
            const int e = errno;
            ::unlink(to.constData());
            return e;
        }
        const int e = errno;
        if (e != EPERM && e != EOPNOTSUPP && e != EMLINK)
            return e;
        const int fd = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            return errno;
        ::close(fd);
    } else if (::mkdir(to.constData(), 0700) != 0) {
        return errno;
    }
    if (::rename(from.constData(), to.constData()) == 0)
        return 0;
    const int e = errno;
    if (folder)
        ::rmdir(to.constData());
    else
        ::unlink(to.constData());
    return e;
}

void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The source leaves its folder at the end; a folder that would not let it go is found out before
// anything is copied.
int mayLeave(const QByteArray &path)
{
    return ::faccessat(AT_FDCWD, MoveSteps::folderOf(path).constData(), W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno;
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
void writeUserAttributes(int fd, const Attributes &attributes, MoveSteps::CopyPlan &plan)
{
    for (const auto &[name, value] : attributes.user) {
        if (::fsetxattr(fd, name.constData(), value.constData(), size_t(value.size()), 0) != 0)
            plan.attributesLost = true;
    }
}

// After the mode is set, as the lists hold the mode's bits too. A list the new folder handed down that
// the source did not have is taken away: the file keeps its own permissions, as a rename would.
void writeAccessLists(int fd, const Attributes &attributes, MoveSteps::CopyPlan &plan)
{
    const std::pair<const char *, const std::optional<QByteArray> *> lists[]
        = {{accessList, &attributes.access}, {defaultList, &attributes.defaults}};
    for (const auto &[name, value] : lists) {
        if (!*value)
            ::fremovexattr(fd, name);
        else if (::fsetxattr(fd, name, (*value)->constData(), size_t((*value)->size()), 0) != 0)
            plan.attributesLost = true;
    }
}

void keepOwner(int fd, const struct stat &st)
{
    // Only works for root or the same owner; a copy owned by the mover is fine otherwise.
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) { }
}

// Owner, attributes, mode, lists and times of a copy, in the order that lets each step be taken; then
// it is flushed to disk.
int finishCopy(int from, int to, const struct stat &st, MoveSteps::CopyPlan &plan)
{
    const Attributes attributes = readAttributes(from);
    keepOwner(to, st);
    writeUserAttributes(to, attributes, plan);
    if (::fchmod(to, st.st_mode & 07777) != 0)
        return errno;
    writeAccessLists(to, attributes, plan);
    const std::array<struct timespec, 2> times {st.st_atim, st.st_mtim};
    if (::futimens(to, times.data()) != 0 || ::fsync(to) != 0)
        return errno;
    return 0;
}

bool sameState(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && (a.st_mode & S_IFMT) == (b.st_mode & S_IFMT)
        && a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
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

// Copies files, links and whole folders to names that must not exist yet, and remembers how each
// source entry was when its copy started, so that a change during the copy is found afterwards.
class Copier
{
public:
    explicit Copier(MoveSteps::CopyPlan &plan)
        : m_plan(plan)
    { }

    /// `*created` tells whether `to` was made, and so is ours to clear away.
    int copy(const QByteArray &from, const QByteArray &to, const struct stat &st, bool *created)
    {
        if (S_ISDIR(st.st_mode))
            return copyFolder(from, to, st, created);
        int error = EOPNOTSUPP; // devices, pipes and sockets are not the kind of thing we file
        if (S_ISREG(st.st_mode))
            error = copyFile(from, to);
        else if (S_ISLNK(st.st_mode))
            error = copyLink(from, to, st);
        if (error != 0 && m_failedAt.isEmpty())
            m_failedAt = from;
        *created = error == 0;
        return error;
    }

    /// Every source entry still is as it was when its copy started.
    bool unchanged() const
    {
        return std::all_of(m_seen.begin(), m_seen.end(), [](const Seen &seen) {
            struct stat now;
            return lstatOk(seen.path, &now) && sameState(seen.st, now);
        });
    }

    /// Once the copy is in place: removes each source entry that is still as it was copied, folders after
    /// what they hold. What changed or arrived since stays, and so do the folders that hold it. Returns the
    /// first reason something stayed; sourceChanged for a change.
    int removeSources() const
    {
        int first = 0;
        for (auto seen = m_seen.crbegin(); seen != m_seen.crend(); ++seen) {
            const QByteArray &path = seen->path;
            struct stat now;
            int e = 0;
            if (S_ISDIR(seen->st.st_mode))
                e = ::rmdir(path.constData()) == 0 ? 0 : errno;
            else if (!lstatOk(path, &now))
                e = errno;
            else if (!sameState(seen->st, now))
                e = MoveSteps::sourceChanged;
            else if (::unlink(path.constData()) != 0)
                e = errno;
            if (first == 0 && e != ENOENT) // gone meanwhile: nothing to remove
                first = e;
        }
        return first;
    }

    QByteArray failedAt() const { return m_failedAt; }

private:
    struct Seen
    {
        QByteArray path;
        struct stat st;
    };

    // Written data is pushed to the disk in pieces of this size, so that the final flush cannot stall
    // the copy (and the window waiting on it) for long on a slow device.
    static constexpr qint64 syncEvery = qint64(8) << 20;

    void keepAlive()
    {
        if (m_plan.keepAlive)
            m_plan.keepAlive();
    }

    int copyFile(const QByteArray &from, const QByteArray &to)
    {
        const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (in < 0)
            return errno;
        struct stat st;
        if (::fstat(in, &st) != 0) {
            const int e = errno;
            ::close(in);
            return e;
        }
        m_seen.push_back({from, st});
        // O_EXCL: an existing file at the target is never replaced, not even one created meanwhile.
        const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (out < 0) {
            const int e = errno;
            ::close(in);
            return e;
        }
        int error = 0;
        std::vector<char> buffer(1 << 18);
        qint64 unsynced = 0;
        while (error == 0) {
            const ssize_t got = ::read(in, buffer.data(), buffer.size());
            if (got < 0) {
                if (errno != EINTR)
                    error = errno;
                continue;
            }
            if (got == 0)
                break;
            error = writeAll(out, buffer.data(), got);
            unsynced += got;
            if (error == 0 && unsynced >= syncEvery) {
                if (::fdatasync(out) != 0)
                    error = errno;
                unsynced = 0;
            }
            keepAlive();
        }
        if (error == 0)
            error = finishCopy(in, out, st, m_plan);
        ::close(in);
        if (::close(out) != 0 && error == 0)
            error = errno;
        if (error != 0)
            ::unlink(to.constData());
        return error;
    }

    int copyLink(const QByteArray &from, const QByteArray &to, const struct stat &st)
    {
        m_seen.push_back({from, st});
        QByteArray target(qsizetype(st.st_size) + 1, '\0');
        const ssize_t length = ::readlink(from.constData(), target.data(), size_t(target.size()));
        if (length < 0)
            return errno;
        if (length >= target.size())
            return MoveSteps::sourceChanged;
        target.truncate(length);
        if (::symlink(target.constData(), to.constData()) != 0)
            return errno;
        const std::array<struct timespec, 2> times {st.st_atim, st.st_mtim};
        ::utimensat(AT_FDCWD, to.constData(), times.data(), AT_SYMLINK_NOFOLLOW);
        return 0;
    }

    int copyFolder(const QByteArray &from, const QByteArray &to, const struct stat &st, bool *created)
    {
        *created = false;
        // Entries the source folder would not let go of afterwards are not copied in the first place.
        if (::faccessat(AT_FDCWD, from.constData(), W_OK | X_OK, AT_EACCESS) != 0) {
            m_failedAt = from;
            return errno;
        }
        m_seen.push_back({from, st});
        // Owner-only while filling, so a read-only source folder can still be filled in.
        if (::mkdir(to.constData(), 0700) != 0) {
            m_failedAt = to;
            return errno;
        }
        *created = true;
        int error = 0;
        const QList<QByteArray> names = MoveSteps::entries(from, &error);
        if (error != 0)
            m_failedAt = from;
        for (const QByteArray &name : names) {
            if (error != 0)
                break;
            keepAlive();
            const QByteArray source = MoveSteps::child(from, name);
            struct stat entry;
            bool inner = false;
            if (!lstatOk(source, &entry)) {
                error = errno;
                m_failedAt = source;
            } else {
                error = copy(source, MoveSteps::child(to, name), entry, &inner);
            }
        }
        if (error != 0)
            return error;
        const int in = ::open(from.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const int out = ::open(to.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        // After the contents, which change the folder's times.
        error = in < 0 || out < 0 ? errno : finishCopy(in, out, st, m_plan);
        if (in >= 0)
            ::close(in);
        if (out >= 0)
            ::close(out);
        if (error != 0)
            m_failedAt = to;
        return error;
    }

    MoveSteps::CopyPlan &m_plan;
    std::vector<Seen> m_seen;
    QByteArray m_failedAt;
};

QString told(const MoveSteps::CopyPlan &plan, const ProgramText &text)
{
    return plan.messages ? text.in(*plan.messages) : text.english();
}

QString changedWhileCopied(const MoveSteps::CopyPlan &plan, const QByteArray &from)
{
    return told(plan, ProgramText(Message::ChangedWhileCopied, {QFile::decodeName(from)}));
}

// Copies `from` to the plan's temporary name and checks it; the copy is then in the target's folder,
// whole, under a name nobody else uses. On failure nothing of it is left.
int copyAside(Copier &copier, const QByteArray &from, const QByteArray &to, const struct stat &st,
              MoveSteps::CopyPlan &plan)
{
    if (plan.temporary.isEmpty())
        plan.temporary = MoveSteps::temporaryName(MoveSteps::folderOf(to));
    if (plan.beforeCopy)
        plan.beforeCopy();
    bool created = false;
    int error = copier.copy(from, plan.temporary, st, &created);
    if (error == 0) {
        if (copyObserver())
            copyObserver()(from);
        if (!copier.unchanged()) {
            error = MoveSteps::sourceChanged;
            plan.detail = changedWhileCopied(plan, from);
        }
    } else if (!copier.failedAt().isEmpty() && copier.failedAt() != from) {
        plan.detail = QFile::decodeName(copier.failedAt());
    }
    if (error != 0 && created)
        MoveSteps::removeTree(plan.temporary);
    return error;
}

QString leftBehind(const MoveSteps::CopyPlan &plan, const QByteArray &from, int error)
{
    // A folder that is not empty once all it held has gone was given something new meanwhile.
    if (error == MoveSteps::sourceChanged || error == ENOTEMPTY)
        return told(plan, ProgramText(Message::ChangedAfterCopy, {QFile::decodeName(from)}));
    return told(plan, ProgramText(Message::SourceLeftBehind, {QFile::decodeName(from), MoveSteps::errorText(error)}));
}

// A file that changed after its copy was checked stays where it was; the copy in place is ours and is taken
// away again, so that the file exists once.
int keepChangedSource(const QByteArray &from, const QByteArray &to, MoveSteps::CopyPlan &plan)
{
    ::unlink(to.constData());
    plan.detail = changedWhileCopied(plan, from);
    return MoveSteps::sourceChanged;
}

// Reads until the buffer is full or the file ends; -1 on error.
ssize_t readFull(int fd, std::vector<char> &buffer)
{
    size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t got = ::read(fd, buffer.data() + done, buffer.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += size_t(got);
    }
    return ssize_t(done);
}

bool sameContent(const QByteArray &a, const QByteArray &b)
{
    const int fa = ::open(a.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    const int fb = ::open(b.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    bool same = fa >= 0 && fb >= 0;
    std::vector<char> one(1 << 16), two(1 << 16);
    while (same) {
        const ssize_t ga = readFull(fa, one), gb = readFull(fb, two);
        same = ga >= 0 && ga == gb && std::memcmp(one.data(), two.data(), size_t(ga)) == 0;
        if (ga <= 0)
            break;
    }
    if (fa >= 0)
        ::close(fa);
    if (fb >= 0)
        ::close(fb);
    return same;
}

} // namespace

namespace MoveSteps {

QByteArray child(const QByteArray &folder, const QByteArray &name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype separator = path.lastIndexOf('/');
    if (separator < 0)
        return "."_ba;
    return separator == 0 ? "/"_ba : path.left(separator);
}

QByteArray nameOf(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QString errorText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code == sourceChanged ? EBUSY : code));
}

bool exists(const QByteArray &path)
{
    struct stat st;
    return lstatOk(path, &st);
}

bool exists(const QString &path)
{
    return exists(PathCodec::encode(path));
}

bool isFolder(const QByteArray &path)
{
    struct stat st;
    return lstatOk(path, &st) && S_ISDIR(st.st_mode);
}

bool sameFile(const QByteArray &a, const QByteArray &b)
{
    struct stat sa, sb;
    return lstatOk(a, &sa) && lstatOk(b, &sb) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool identical(const QByteArray &a, const QByteArray &b)
{
    struct stat sa, sb;
    if (!lstatOk(a, &sa) || !lstatOk(b, &sb) || (sa.st_mode & S_IFMT) != (sb.st_mode & S_IFMT))
        return false;
    if (S_ISDIR(sa.st_mode)) {
        QList<QByteArray> one = entries(a), two = entries(b);
        std::sort(one.begin(), one.end());
        std::sort(two.begin(), two.end());
        return one == two && std::all_of(one.begin(), one.end(), [&](const QByteArray &name) {
                   return identical(child(a, name), child(b, name));
               });
    }
    // Not the times: disks such as FAT keep them coarser than the original's, and the content is compared.
    if (sa.st_size != sb.st_size)
        return false;
    if (S_ISLNK(sa.st_mode)) {
        QByteArray ta(sa.st_size + 1, '\0'), tb(sb.st_size + 1, '\0');
        return ::readlink(a.constData(), ta.data(), size_t(ta.size())) == sa.st_size
            && ::readlink(b.constData(), tb.data(), size_t(tb.size())) == sb.st_size && ta == tb;
    }
    return S_ISREG(sa.st_mode) && sameContent(a, b);
}

QList<QByteArray> entries(const QByteArray &folder, int *error)
{
    QList<QByteArray> names;
    DIR *dir = ::opendir(folder.constData());
    if (!dir) {
        if (error)
            *error = errno;
        return names;
    }
    errno = 0;
    while (const dirent *entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.append(QByteArray(entry->d_name));
    }
    if (error)
        *error = errno;
    ::closedir(dir);
    return names;
}

QByteArray temporaryName(const QByteArray &folder)
{
    // Not looked up first: every copy creates its temporary name exclusively (O_EXCL, mkdir), so a name
    // that is taken after all fails the move instead of replacing anything; 62 random bits make that rare.
    // Written in place: a pass chooses one for every move.
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static constexpr std::string_view prefix = ".marrowdale-";
    constexpr int randomLetters = 12;
    quint64 bits = QRandomGenerator::global()->generate64();
    const bool slash = !folder.endsWith('/');
    QByteArray path(folder.size() + (slash ? 1 : 0) + qsizetype(prefix.size()) + randomLetters, Qt::Uninitialized);
    char *out = std::copy(folder.cbegin(), folder.cend(), path.data());
    if (slash)
        *out++ = '/';
    out = std::copy(prefix.cbegin(), prefix.cend(), out);
    for (int i = 0; i < randomLetters; ++i, bits /= 36)
        *out++ = letters[bits % 36];
    return path;
}

int renameExclusive(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    const int e = errno;
    if (e != EINVAL && e != ENOSYS && e != EOPNOTSUPP)
        return e;
    struct stat st;
    if (!lstatOk(from, &st))
        return errno;
    return renameWithoutFlag(from, to, S_ISDIR(st.st_mode));
}

int moveEntry(const QByteArray &from, const QByteArray &to, CopyPlan &plan)
{
    // The rename answers most moves by itself; only a move across file systems needs to know more.
    const int renamed = renameExclusive(from, to);
    if (renamed != EXDEV)
        return renamed;
    struct stat st;
    if (!lstatOk(from, &st))
        return errno;
    if (exists(to))
        return EEXIST;
    if (const int e = mayLeave(from))
        return e;
    Copier copier(plan);
    if (const int e = copyAside(copier, from, to, st, plan))
        return e;
    if (const int e = renameExclusive(plan.temporary, to)) {
        removeTree(plan.temporary);
        return e;
    }
    // The copy is durable under its name before the original goes.
    syncFolder(folderOf(to));
    if (placedObserver())
        placedObserver()(from);
    if (!S_ISDIR(st.st_mode)) {
        const int e = copier.removeSources();
        if (e == sourceChanged)
            return keepChangedSource(from, to, plan);
        if (e != 0)
            ::unlink(to.constData()); // the file could not leave its place: it stays there, once
        return e;
    }
    // Everything copied arrived, so the move counts; what stays behind is either a copy or new.
    if (const int e = copier.removeSources())
        plan.detail = leftBehind(plan, from, e);
    return 0;
}

int replaceFile(const QByteArray &from, const QByteArray &to, CopyPlan &plan)
{
    if (::rename(from.constData(), to.constData()) == 0)
        return 0;
    if (errno != EXDEV)
        return errno;
    struct stat st;
    if (!lstatOk(from, &st))
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (const int e = mayLeave(from))
        return e;
    Copier copier(plan);
    if (const int e = copyAside(copier, from, to, st, plan))
        return e;
    if (::rename(plan.temporary.constData(), to.constData()) != 0) {
        const int e = errno;
        removeTree(plan.temporary);
        return e;
    }
    syncFolder(folderOf(to));
    if (placedObserver())
        placedObserver()(from);
    // The replaced file is gone by the user's word. A source that changed is kept as in any move; one that
    // will not go otherwise is a duplicate of the copy in place, not a loss.
    const int e = copier.removeSources();
    if (e == sourceChanged)
        return keepChangedSource(from, to, plan);
    if (e != 0)
        plan.detail = leftBehind(plan, from, e);
    return 0;
}

int removeTree(const QByteArray &path)
{
    struct stat st;
    if (!lstatOk(path, &st))
        return errno;
    if (!S_ISDIR(st.st_mode))
        return ::unlink(path.constData()) == 0 ? 0 : errno;
    int first = 0;
    const QList<QByteArray> names = entries(path, &first);
    for (const QByteArray &name : names) {
        const int e = removeTree(child(path, name));
        if (first == 0)
            first = e;
    }
    if (::rmdir(path.constData()) != 0 && first == 0)
        first = errno;
    return first;
}

void setCopyObserver(std::function<void(const QByteArray &)> observer)
{
    copyObserver() = std::move(observer);
}

void setPlacedObserver(std::function<void(const QByteArray &)> observer)
{
    placedObserver() = std::move(observer);
}

} // namespace MoveSteps
