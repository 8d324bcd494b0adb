#include "atomicwrite.h"

#include "marrowdaleerror.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

class WriteFailure
{
public:
    explicit WriteFailure(const QString &path)
        : m_path(path)
    { }
    MarrowdaleError operator()(ProgramText reason) const
    {
        return MarrowdaleError(ProgramText(Message::FileNotWritten, {m_path, std::move(reason)}));
    }
    MarrowdaleError operator()(int error) const { return (*this)(qt_error_string(error)); }

private:
    QString m_path;
};

// Closes on every way out; close() reports the result of the final close.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    { }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return m_fd; }
    bool close()
    {
        const int fd = std::exchange(m_fd, -1);
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const QByteArray &bytes, off_t offset)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::pwrite(fd, data, size_t(std::min<qsizetype>(left, 1 << 30)), offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        data += written;
        left -= written;
        offset += written;
    }
    return true;
}

bool readAll(int fd, QByteArray &bytes)
{
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        bytes.append(buffer, got);
    }
}

// The file a chain of symbolic links ends in: replacing the link itself would cut it off.
QString followLinks(const QString &path)
{
    QString target = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(target);
        if (!info.isSymLink())
            break;
        target = info.symLinkTarget();
    }
    return target;
}

// Only the superuser ignores a mode without write permission; the program must not.
bool isWritable(const QByteArray &file, const struct stat &status)
{
    return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && ::access(file.constData(), W_OK) == 0;
}

int createTemporary(const QString &target, bool forExistingFile, QByteArray &tempName)
{
    const QFileInfo info(target);
    const QString prefix = info.absolutePath() + u"/."_s + info.fileName() + u'.';
    // A new file gets the mode any new file gets (0666 less the umask); an existing one its own later.
    const mode_t mode = forExistingFile ? 0600 : 0666;
    int fd = -1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = QFile::encodeName(prefix + QString::number(QRandomGenerator::global()->generate(), 36));
        fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            break;
    }
    return fd;
}

void syncFolder(const QString &folder)
{
    // The rename is done; a folder that cannot be synced leaves the new file in place all the same.
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The folder takes no new file but the file itself is writable (a writable list in a read-only folder):
// the only way left is to overwrite it where it is. The whole new content already exists at this point,
// room for it is reserved before the first byte changes, and a write that fails still puts the old
// content back.
void writeInPlace(const QByteArray &file, const QByteArray &bytes, const WriteFailure &fail)
{
    FileDescriptor fd(::open(file.constData(), O_RDWR | O_CLOEXEC));
    if (fd.get() < 0)
        throw fail(errno);
    QByteArray old;
    if (!readAll(fd.get(), old))
        throw fail(errno);
    if (bytes.size() > old.size() && ::fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, 0, off_t(bytes.size())) != 0
        && errno != EOPNOTSUPP && errno != ENOSYS)
        throw fail(errno);
    if (!writeAll(fd.get(), bytes, 0) || ::ftruncate(fd.get(), off_t(bytes.size())) != 0 || ::fsync(fd.get()) != 0) {
        const int error = errno;
        if (writeAll(fd.get(), old, 0))
            (void)::ftruncate(fd.get(), off_t(old.size()));
        ::fsync(fd.get());
        throw fail(error);
    }
    if (!fd.close())
        throw fail(errno);
}

} // namespace

void writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    const WriteFailure fail(path);
    const QString target = followLinks(path);
    const QByteArray file = QFile::encodeName(target);

    struct stat old = {};
    const bool exists = ::lstat(file.constData(), &old) == 0;
    if (!exists && errno != ENOENT)
        throw fail(errno);
    if (exists) {
        if (S_ISDIR(old.st_mode))
            throw fail(Message::ReasonFolderExists);
        if (!S_ISREG(old.st_mode))
            throw fail(Message::ReasonNotRegularFile);
        if (!isWritable(file, old))
            throw fail(Message::ReasonReadOnly);
    }

    QByteArray tempName;
    const int created = createTemporary(target, exists, tempName);
    if (created < 0) {
        const int error = errno;
        if (exists && (error == EACCES || error == EPERM)) {
            writeInPlace(file, bytes, fail);
            return;
        }
        throw fail(error);
    }

    FileDescriptor fd(created);
    const auto discard = [&tempName, &fail](int error) {
        ::unlink(tempName.constData());
        return fail(error);
    };
    if (!writeAll(fd.get(), bytes, 0) || ::fsync(fd.get()) != 0)
        throw discard(errno);
    if (exists) {
        if (::fchmod(fd.get(), old.st_mode & 07777) != 0)
            throw discard(errno);
        // Only the superuser can give a file away; anyone else keeps it as their own.
        if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0)
            (void)::fchown(fd.get(), uid_t(-1), old.st_gid);
    }
    if (!fd.close())
        throw discard(errno);
    if (::rename(tempName.constData(), file.constData()) != 0)
        throw discard(errno);
    syncFolder(QFileInfo(target).absolutePath());
}
