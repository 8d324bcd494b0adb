#include "movesteps.h"

#include "entrycopy.h"
#include "folderhandle.h"
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

using namespace MoveSteps;

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

// Hard-link fallback for file systems that do not know RENAME_NOREPLACE: linkat() never replaces.
// Folders (and files where links are not supported) get an empty placeholder of our own, which a
// plain rename may replace because nobody else's data is in it.
int renameWithoutFlag(const Place &from, const Place &to, bool folder)
{
    if (!folder) {
        if (::linkat(from.fd(), from.cname(), to.fd(), to.cname(), 0) == 0) {
            if (::unlinkat(from.fd(), from.cname(), 0) == 0)
                return 0;
            const int e = errno;
            ::unlinkat(to.fd(), to.cname(), 0);
            return e;
        }
        const int e = errno;
        if (e != EPERM && e != EOPNOTSUPP && e != EMLINK)
            return e;
        const int fd = ::openat(to.fd(), to.cname(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            return errno;
        ::close(fd);
    } else if (::mkdirat(to.fd(), to.cname(), 0700) != 0) {
        return errno;
    }
    if (::renameat(from.fd(), from.cname(), to.fd(), to.cname()) == 0)
        return 0;
    const int e = errno;
    ::unlinkat(to.fd(), to.cname(), folder ? AT_REMOVEDIR : 0);
    return e;
}

int renameExclusiveAt(const Place &from, const Place &to)
{
    if (::renameat2(from.fd(), from.cname(), to.fd(), to.cname(), RENAME_NOREPLACE) == 0)
        return 0;
    const int e = errno;
    if (e != EINVAL && e != ENOSYS && e != EOPNOTSUPP)
        return e;
    struct stat st;
    if (::fstatat(from.fd(), from.cname(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    return renameWithoutFlag(from, to, S_ISDIR(st.st_mode));
}

// The source leaves its folder at the end; a folder that would not let it go is found out before
// anything is copied.
int mayLeave(const Place &place)
{
    return ::faccessat(place.fd(), ".", W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno;
}

QString told(const CopyPlan &plan, const ProgramText &text)
{
    return plan.messages ? text.in(*plan.messages) : text.english();
}

QString changedWhileCopied(const CopyPlan &plan, const QByteArray &from)
{
    return told(plan, ProgramText(Message::ChangedWhileCopied, {QFile::decodeName(from)}));
}

// Both places of a move, or the error that keeps it from starting; a folder reached through another user's
// link is named in the plan.
struct Ends
{
    Place from, to;
    int error = 0;
};

Ends endsOf(const QByteArray &from, const QByteArray &to, CopyPlan &plan)
{
    Ends ends;
    QByteArray link;
    ends.from = placeOf(from, &ends.error, &link);
    if (ends.from.folder)
        ends.to = placeOf(to, &ends.error, &link);
    if (ends.error == foreignLink)
        plan.detail = QFile::decodeName(link);
    return ends;
}

// The temporary name of a copy, in the target's folder.
std::optional<Place> temporaryPlace(const Place &to, const QByteArray &target, CopyPlan &plan)
{
    if (plan.temporary.isEmpty())
        plan.temporary = temporaryName(folderOf(target));
    if (folderOf(plan.temporary) != folderOf(target))
        return std::nullopt;
    return Place {to.folder, nameOf(plan.temporary)};
}

// Copies `from` to the plan's temporary name and checks it; the copy is then in the target's folder,
// whole, under a name nobody else uses. On failure nothing of it is left.
int copyAside(EntryCopy &copier, const Place &from, const QByteArray &path, const struct stat &st,
              const Place &temporary, CopyPlan &plan)
{
    if (plan.beforeCopy)
        plan.beforeCopy();
    bool created = false;
    int error = copier.copy(from, path, st, temporary, &created);
    if (error == 0) {
        if (copyObserver())
            copyObserver()(path);
        if (!copier.unchanged()) {
            error = sourceChanged;
            plan.detail = changedWhileCopied(plan, path);
        }
    } else if (!copier.failedAt().isEmpty() && copier.failedAt() != path) {
        plan.detail = QFile::decodeName(copier.failedAt());
    }
    if (error != 0 && created)
        removeAt(temporary);
    return error;
}

QString leftBehind(const CopyPlan &plan, const QByteArray &from, int error)
{
    // A folder that is not empty once all it held has gone was given something new meanwhile.
    if (error == sourceChanged || error == ENOTEMPTY)
        return told(plan, ProgramText(Message::ChangedAfterCopy, {QFile::decodeName(from)}));
    return told(plan, ProgramText(Message::SourceLeftBehind, {QFile::decodeName(from), errorText(error)}));
}

// A file that changed after its copy was checked stays where it was; the copy in place is ours and is taken
// away again, so that the file exists once.
int keepChangedSource(const QByteArray &from, const Place &to, CopyPlan &plan)
{
    ::unlinkat(to.fd(), to.cname(), 0);
    plan.detail = changedWhileCopied(plan, from);
    return sourceChanged;
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
    const int fa = ::open(a.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    const int fb = ::open(b.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
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
    switch (code) {
    case foreignLink:
        return ProgramText(Message::ReasonForeignLink).english();
    case replacedMeanwhile:
        return ProgramText(Message::ReasonReplacedMeanwhile).english();
    default:
        return QString::fromLocal8Bit(std::strerror(code == sourceChanged ? EBUSY : code));
    }
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

QList<QByteArray> entriesOf(int folder, int *error)
{
    QList<QByteArray> names;
    const int own = ::fcntl(folder, F_DUPFD_CLOEXEC, 0);
    DIR *dir = own < 0 ? nullptr : ::fdopendir(own);
    if (!dir) {
        if (error)
            *error = errno;
        if (own >= 0)
            ::close(own);
        return names;
    }
    ::rewinddir(dir); // the duplicate shares its position with the folder's own descriptor
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
    quint64 bits = QRandomGenerator::global()->generate64();
    const bool slash = !folder.endsWith('/');
    QByteArray path(folder.size() + (slash ? 1 : 0) + qsizetype(temporaryPrefix.size()) + temporaryRandomLetters,
                    Qt::Uninitialized);
    char *out = std::copy(folder.cbegin(), folder.cend(), path.data());
    if (slash)
        *out++ = '/';
    out = std::copy(temporaryPrefix.cbegin(), temporaryPrefix.cend(), out);
    for (int i = 0; i < temporaryRandomLetters; ++i, bits /= 36)
        *out++ = temporaryLetters[bits % 36];
    return path;
}

bool isTemporaryName(const QByteArray &name)
{
    return name.size() == qsizetype(temporaryPrefix.size()) + temporaryRandomLetters
        && name.startsWith(QByteArrayView(temporaryPrefix.data(), qsizetype(temporaryPrefix.size())))
        && std::all_of(name.cbegin() + qsizetype(temporaryPrefix.size()), name.cend(), [](char c) {
               return std::string_view(temporaryLetters).find(c) != std::string_view::npos;
           });
}

int renameExclusive(const QByteArray &from, const QByteArray &to)
{
    CopyPlan plan;
    const Ends ends = endsOf(from, to, plan);
    return ends.error != 0 ? ends.error : renameExclusiveAt(ends.from, ends.to);
}

int moveEntry(const QByteArray &from, const QByteArray &to, CopyPlan &plan)
{
    const Ends ends = endsOf(from, to, plan);
    if (ends.error != 0)
        return ends.error;
    // The rename answers most moves by itself; only a move across file systems needs to know more.
    const int renamed = renameExclusiveAt(ends.from, ends.to);
    if (renamed != EXDEV)
        return renamed;
    struct stat st, there;
    if (::fstatat(ends.from.fd(), ends.from.cname(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (::fstatat(ends.to.fd(), ends.to.cname(), &there, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    if (const int e = mayLeave(ends.from))
        return e;
    const std::optional<Place> temporary = temporaryPlace(ends.to, to, plan);
    if (!temporary)
        return EINVAL;
    EntryCopy copier(plan);
    if (const int e = copyAside(copier, ends.from, from, st, *temporary, plan))
        return e;
    if (const int e = renameExclusiveAt(*temporary, ends.to)) {
        removeAt(*temporary);
        return e;
    }
    // The copy is durable under its name before the original goes.
    ::fsync(ends.to.fd());
    if (placedObserver())
        placedObserver()(from);
    if (!S_ISDIR(st.st_mode)) {
        const int e = copier.removeSources();
        if (e == sourceChanged)
            return keepChangedSource(from, ends.to, plan);
        if (e != 0)
            ::unlinkat(ends.to.fd(), ends.to.cname(), 0); // the file could not leave its place: it stays there, once
        return e;
    }
    // Everything copied arrived, so the move counts; what stays behind is either a copy or new.
    if (const int e = copier.removeSources())
        plan.detail = leftBehind(plan, from, e);
    return 0;
}

int replaceFile(const QByteArray &from, const QByteArray &to, CopyPlan &plan)
{
    const Ends ends = endsOf(from, to, plan);
    if (ends.error != 0)
        return ends.error;
    if (::renameat(ends.from.fd(), ends.from.cname(), ends.to.fd(), ends.to.cname()) == 0)
        return 0;
    if (errno != EXDEV)
        return errno;
    struct stat st;
    if (::fstatat(ends.from.fd(), ends.from.cname(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (const int e = mayLeave(ends.from))
        return e;
    const std::optional<Place> temporary = temporaryPlace(ends.to, to, plan);
    if (!temporary)
        return EINVAL;
    EntryCopy copier(plan);
    if (const int e = copyAside(copier, ends.from, from, st, *temporary, plan))
        return e;
    if (::renameat(temporary->fd(), temporary->cname(), ends.to.fd(), ends.to.cname()) != 0) {
        const int e = errno;
        removeAt(*temporary);
        return e;
    }
    ::fsync(ends.to.fd());
    if (placedObserver())
        placedObserver()(from);
    // The replaced file is gone by the user's word. A source that changed is kept as in any move; one that
    // will not go otherwise is a duplicate of the copy in place, not a loss.
    const int e = copier.removeSources();
    if (e == sourceChanged)
        return keepChangedSource(from, ends.to, plan);
    if (e != 0)
        plan.detail = leftBehind(plan, from, e);
    return 0;
}

int removeTree(const QByteArray &path)
{
    int error = 0;
    const Place place = placeOf(path, &error);
    return place.folder ? removeAt(place) : error;
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
