#include "fileops.h"
#include "keywordtable.h"
#include "mainview.h"
#include "messagetable.h"
#include "userprompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Low-level steps work on encoded paths and report 0 or an errno value, so that callers can tell
// "target exists" from the rest.

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

QByteArray child(const QByteArray &folder, const char *name)
{
    QByteArray path = folder;
    if (!path.endsWith('/'))
        path += '/';
    return path + name;
}

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

bool lstatOk(const QByteArray &path, struct stat *st)
{
    return ::lstat(path.constData(), st) == 0;
}

bool pathExists(const QString &path)
{
    struct stat st;
    return lstatOk(encoded(path), &st);
}

bool isRealDir(const QString &path)
{
    struct stat st;
    return lstatOk(encoded(path), &st) && S_ISDIR(st.st_mode);
}

bool isInside(const QString &path, const QString &folder)
{
    if (folder == u"/"_s)
        return true;
    return path.startsWith(folder + u'/');
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

struct Times
{
    std::array<struct timespec, 2> value;
    explicit Times(const struct stat &st)
        : value {st.st_atim, st.st_mtim}
    { }
};

void keepOwner(int fd, const struct stat &st)
{
    // Only works for root or the same owner; a copy owned by the mover is fine otherwise.
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) { }
}

int copyRegular(const QByteArray &from, const QByteArray &to, const struct stat &st)
{
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0)
        return errno;
    // O_EXCL: an existing file at the target is never replaced, not even one created meanwhile.
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        return e;
    }
    int error = 0;
    std::vector<char> buffer(1 << 20);
    while (error == 0) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno != EINTR)
                error = errno;
            continue;
        }
        if (got == 0)
            break;
        ssize_t done = 0;
        while (done < got) {
            const ssize_t put = ::write(out, buffer.data() + done, size_t(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                error = errno;
                break;
            }
            done += put;
        }
    }
    ::close(in);
    if (error == 0) {
        keepOwner(out, st);
        const Times times(st);
        if (::fchmod(out, st.st_mode & 07777) != 0 || ::futimens(out, times.value.data()) != 0 || ::fsync(out) != 0)
            error = errno;
    }
    if (::close(out) != 0 && error == 0)
        error = errno;
    if (error != 0)
        ::unlink(to.constData());
    return error;
}

int copySymlink(const QByteArray &from, const QByteArray &to, const struct stat &st)
{
    QByteArray target(qsizetype(st.st_size) + 1, '\0');
    const ssize_t length = ::readlink(from.constData(), target.data(), size_t(target.size()));
    if (length < 0)
        return errno;
    if (length >= target.size())
        return ENAMETOOLONG; // changed while we looked
    target.truncate(length);
    if (::symlink(target.constData(), to.constData()) != 0)
        return errno;
    const Times times(st);
    ::utimensat(AT_FDCWD, to.constData(), times.value.data(), AT_SYMLINK_NOFOLLOW);
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
    if (DIR *dir = ::opendir(path.constData())) {
        while (const dirent *entry = ::readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
                continue;
            const int e = removeTree(child(path, entry->d_name));
            if (first == 0)
                first = e;
        }
        ::closedir(dir);
    } else {
        first = errno;
    }
    if (::rmdir(path.constData()) != 0 && first == 0)
        first = errno;
    return first;
}

// Copies a tree to a path that must not exist yet; *failedAt names the entry that stopped it and
// *created tells whether `to` itself is ours to clear away.
int copyTreeInto(const QByteArray &from, const QByteArray &to, const struct stat &st, QByteArray *failedAt,
                 bool *created)
{
    // Owner-only while filling, so a read-only source folder can still be filled in.
    if (::mkdir(to.constData(), 0700) != 0) {
        *failedAt = to;
        return errno;
    }
    *created = true;
    DIR *dir = ::opendir(from.constData());
    if (!dir) {
        *failedAt = from;
        return errno;
    }
    int error = 0;
    while (const dirent *entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        const QByteArray source = child(from, entry->d_name);
        const QByteArray target = child(to, entry->d_name);
        struct stat entrySt;
        if (!lstatOk(source, &entrySt))
            error = errno;
        else if (S_ISDIR(entrySt.st_mode)) {
            bool inner = false;
            error = copyTreeInto(source, target, entrySt, failedAt, &inner);
        } else if (S_ISREG(entrySt.st_mode))
            error = copyRegular(source, target, entrySt);
        else if (S_ISLNK(entrySt.st_mode))
            error = copySymlink(source, target, entrySt);
        else
            error = EOPNOTSUPP; // devices, pipes and sockets are not the kind of thing we file
        if (error != 0) {
            if (failedAt->isEmpty())
                *failedAt = source;
            break;
        }
    }
    ::closedir(dir);
    if (error != 0)
        return error;
    const int fd = ::open(to.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        *failedAt = to;
        return errno;
    }
    keepOwner(fd, st);
    const Times times(st); // after the contents, which change the folder's times
    if (::fchmod(fd, st.st_mode & 07777) != 0 || ::futimens(fd, times.value.data()) != 0)
        error = errno;
    ::close(fd);
    return error;
}

// Moves a file, symlink or whole folder to a path that must not exist; copies across file systems and
// removes the source only once the copy is complete. *detail tells what went wrong beyond errno.
int moveEntry(const QByteArray &from, const QByteArray &to, QString *detail)
{
    // The rename answers most moves by itself; only a move across file systems needs to know more.
    const int renamed = renameExclusive(from, to);
    if (renamed != EXDEV)
        return renamed;
    struct stat st;
    if (!lstatOk(from, &st))
        return errno;

    int error = 0;
    if (S_ISDIR(st.st_mode)) {
        QByteArray failedAt;
        bool created = false;
        error = copyTreeInto(from, to, st, &failedAt, &created);
        if (error != 0) {
            // Only a target we created ourselves is removed; the source stays whole.
            if (created)
                removeTree(to);
            if (detail && !failedAt.isEmpty())
                *detail = QFile::decodeName(failedAt);
            return error;
        }
        const int removed = removeTree(from);
        if (removed != 0 && detail) {
            // Everything arrived; the leftovers are copies, so the move still counts.
            *detail = u"The copy is complete, but \"%1\" could not be removed completely: %2"_s.arg(
                QFile::decodeName(from), systemError(removed));
        }
        return 0;
    }
    if (S_ISREG(st.st_mode))
        error = copyRegular(from, to, st);
    else if (S_ISLNK(st.st_mode))
        error = copySymlink(from, to, st);
    else
        error = EOPNOTSUPP;
    if (error != 0)
        return error;
    if (::unlink(from.constData()) != 0) {
        // The file could not leave its place: undo the copy so it exists once, where it was.
        error = errno;
        ::unlink(to.constData());
    }
    return error;
}

// A folder or a link to one, as the file list's companion test sees it.
bool isFolder(const QString &path)
{
    struct stat st;
    return ::stat(encoded(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Moves a file (never a folder) to a target that must not exist; 0 or an errno value.
int moveFileTo(const QString &source, const QString &target, QString *detail)
{
    struct stat st;
    if (!lstatOk(encoded(source), &st))
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    return moveEntry(encoded(source), encoded(target), detail);
}

QString moveFailure(const QString &source, const QString &target, int error, const QString &detail = {})
{
    QString text = u"Cannot move \"%1\" to \"%2\": %3"_s.arg(source, target, systemError(error));
    if (!detail.isEmpty() && detail != source && detail != target)
        text += u" (at \"%1\")"_s.arg(detail);
    return text;
}

// A free name in a folder for a file that is on its way in.
QString temporaryName(const QString &folder)
{
    static constexpr char16_t letters[] = u"abcdefghijklmnopqrstuvwxyz0123456789";
    QString name = u".marrowdale-"_s;
    for (int i = 0; i < 8; ++i)
        name += QChar(letters[QRandomGenerator::global()->bounded(36)]);
    return FileOps::reduceRootJoin(FileOps::join(folder, name));
}

// Puts `source` in place of the existing file `target`. The new file arrives under a temporary name
// first; only then does one rename replace the old one, so a failed move never costs the old file.
bool replaceFile(const QString &source, const QString &target, QString *error)
{
    const QString folder = FileOps::folderOf(target);
    QString temporary;
    int moved = EEXIST;
    QString detail;
    for (int attempt = 0; attempt < 100 && moved == EEXIST; ++attempt) {
        temporary = temporaryName(folder);
        moved = moveEntry(encoded(source), encoded(temporary), &detail);
    }
    if (moved != 0) {
        if (error)
            *error = moveFailure(source, target, moved, detail);
        return false;
    }
    if (::rename(encoded(temporary).constData(), encoded(target).constData()) == 0)
        return true;
    const int e = errno;
    QString back;
    if (moveEntry(encoded(temporary), encoded(source), &back) != 0) {
        if (error)
            *error = u"Cannot replace \"%1\": %2. The new file was kept as \"%3\"."_s.arg(target, systemError(e),
                                                                                          temporary);
        return false;
    }
    if (error)
        *error = moveFailure(source, target, e);
    return false;
}

int askMerge(UserPrompts &prompts, const QString &text)
{
    return prompts.askYesNo(text, u"Move Folder"_s);
}

// Moves everything of `from` into the existing folder `to`; asks before any file would be replaced.
// True when `from` is empty afterwards and gone. Failures are collected in *problems.
bool mergeFolder(const QString &from, const QString &to, UserPrompts &prompts, QStringList *problems)
{
    const QStringList names
        = QDir(from).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names) {
        const QString source = FileOps::join(from, name);
        const QString target = FileOps::join(to, name);
        if (!pathExists(target)) {
            QString detail;
            const int e = moveEntry(encoded(source), encoded(target), &detail);
            if (e != 0)
                problems->append(moveFailure(source, target, e, detail));
            else if (!detail.isEmpty())
                problems->append(detail);
        } else if (isRealDir(source)) {
            if (isRealDir(target))
                mergeFolder(source, target, prompts, problems);
            else
                problems->append(u"\"%1\" is in the way of the folder \"%2\"."_s.arg(target, source));
        } else if (isRealDir(target)) {
            problems->append(u"The folder \"%1\" is in the way of the file \"%2\"."_s.arg(target, source));
        } else {
            const QString question
                = u"The folder \"%1\" already holds a file named \"%2\". Replace it with the one from \"%3\"?"_s.arg(
                    to, name, from);
            if (askMerge(prompts, question) == UserPrompts::Yes) {
                QString error;
                if (!replaceFile(source, target, &error))
                    problems->append(error);
            }
        }
    }
    return ::rmdir(encoded(from).constData()) == 0;
}

// The folder whose absence makes the Classify move ask first: the destination's top folder.
QString parentToTest(const QString &destination)
{
    const qsizetype separator = destination.indexOf(u'/', 1);
    if (separator < 0)
        return u"/"_s;
    return destination.left(separator + 1);
}

const QString companionSuffixes[] = {u"_files"_s, u".files"_s};

QString trimmedRight(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == u' ')
        --end;
    return text.left(end);
}

void showMoveFailure(UserPrompts &prompts, const MessageTable &messages, const QString &name)
{
    prompts.msgBox(FileOps::displayName(name) + messages.text(15), QString(), u"OK"_s, 1);
}

} // namespace

namespace FileOps {

QString fileName(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString folderOf(const QString &path)
{
    const qsizetype separator = path.lastIndexOf(u'/');
    if (separator < 0)
        return QString();
    if (separator == 0)
        return u"/"_s;
    return path.left(separator);
}

QString join(const QString &folder, const QString &name)
{
    return folder + u'/' + name;
}

QString reduceRootJoin(const QString &path)
{
    return path.startsWith(u"//"_s) ? path.mid(1) : path;
}

QString companionPath(const QString &filePath, const QString &suffix)
{
    const qsizetype nameStart = filePath.lastIndexOf(u'/') + 1;
    const qsizetype dot = filePath.lastIndexOf(u'.');
    if (dot < nameStart)
        return filePath + suffix;
    return filePath.left(dot) + suffix;
}

QString displayName(const QString &name)
{
    // Characters, not UTF-16 units: a name beyond the basic plane must line up as well.
    const qsizetype characters = name.toUcs4().size();
    return characters >= 40 ? name : name + QString(40 - characters, u' ');
}

QString logLine(const QString &name, const QString &destination, const QString &rootFolder)
{
    return displayName(fileName(name)) + u"-> "_s + shortForm(destination, rootFolder);
}

bool moveFile(const QString &source, const QString &target, QString *error)
{
    QString detail;
    const int e = moveFileTo(source, target, &detail);
    if (e != 0 && error)
        *error = moveFailure(source, target, e, detail);
    return e == 0;
}

bool moveFileIntoFolder(const QString &source, const QString &folder, QString *error)
{
    const QString from = reduceRootJoin(source);
    return moveFile(from, reduceRootJoin(join(folder, fileName(from))), error);
}

bool renameNoReplace(const QString &from, const QString &to, QString *error)
{
    const int e = renameExclusive(encoded(from), encoded(to));
    if (e != 0 && error)
        *error = moveFailure(from, to, e);
    return e == 0;
}

bool moveFolder(const QString &from, const QString &to, UserPrompts &prompts)
{
    if (!isRealDir(from)) {
        prompts.notify(u"The folder \"%1\" cannot be moved: it does not exist."_s.arg(from));
        return false;
    }
    if (to == from)
        return true; // already in place: a file classified into its own folder
    if (isInside(to, from)) {
        prompts.notify(u"The folder \"%1\" cannot be moved into itself."_s.arg(from));
        return false;
    }
    QString detail;
    int e = moveEntry(encoded(from), encoded(to), &detail);
    if (e == ENOENT && createFolderPath(folderOf(to)))
        e = moveEntry(encoded(from), encoded(to), &detail);
    if (e == EEXIST || e == ENOTEMPTY) {
        if (!isRealDir(to)) {
            prompts.notify(
                u"The folder \"%1\" cannot be moved to \"%2\": a file of that name is in the way."_s.arg(from, to));
            return false;
        }
        const QString question = u"The folder \"%1\" already exists. Merge the folder \"%2\" into it?"_s.arg(to, from);
        if (askMerge(prompts, question) != UserPrompts::Yes)
            return false;
        QStringList problems;
        const bool arrived = mergeFolder(from, to, prompts, &problems);
        if (!problems.isEmpty()) {
            prompts.notify(u"The folder \"%1\" could not be merged completely into \"%2\":\n%3"_s.arg(
                from, to, problems.join(u'\n')));
        }
        return arrived;
    }
    if (e != 0) {
        prompts.notify(u"The folder \"%1\" could not be moved to \"%2\": %3"_s.arg(from, to, systemError(e))
                       + (detail.isEmpty() ? QString() : u" (at \"%1\")"_s.arg(detail)));
        return false;
    }
    if (!detail.isEmpty())
        prompts.notify(u"The folder \"%1\" was moved to \"%2\". %3"_s.arg(from, to, detail));
    return true;
}

bool createFolderPath(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    QDir().mkpath(folder);
    return QFileInfo(folder).isDir();
}

} // namespace FileOps

bool moveWithCompanions(const QString &source, const QString &destination, const QString &rootFolder,
                        const MoveContext &context, const QSet<QString> *knownFolders)
{
    using namespace FileOps;
    UserPrompts &prompts = context.prompts;
    const MessageTable &messages = context.messages;
    const QString from = reduceRootJoin(source);
    const QString name = fileName(from);

    // Try the move first: when it succeeds, the destination and its parent existed and nothing was in
    // the way, so none of the questions below would have been asked.
    // The file list named a file here; should a folder have taken its name since, it moves as it is,
    // still never over anything.
    const QString target = reduceRootJoin(join(destination, name));
    int e = moveEntry(encoded(from), encoded(target), nullptr);
    if (e != 0 && e != EEXIST && !isFolder(destination)) {
        if (!isFolder(parentToTest(destination)) && prompts.askYesNo(messages.text(13), QString()) != UserPrompts::Yes)
            return false;
        createFolderPath(destination);
        e = moveEntry(encoded(from), encoded(target), nullptr);
    }
    if (e == EEXIST && !isRealDir(target)) {
        if (prompts.askYesNo(messages.text(14), name) != UserPrompts::Yes)
            return true;
        e = replaceFile(from, target, nullptr) ? 0 : EIO;
    }
    if (e != 0) {
        showMoveFailure(prompts, messages, name);
        return true;
    }

    context.view.appendLog(logLine(name, destination, rootFolder), name);
    for (const QString &suffix : companionSuffixes) {
        const QString companion = companionPath(from, suffix);
        if ((!knownFolders || knownFolders->contains(companion)) && isFolder(companion)) {
            moveFolder(companion, companionPath(target, suffix), prompts);
            context.view.refreshFileList();
            break;
        }
    }
    return true;
}

QStringList moveFilesWithCompanions(const QStringList &sources, const QString &folder, const MoveContext &context)
{
    using namespace FileOps;
    QStringList failed;
    for (const QString &source : sources) {
        const QString from = reduceRootJoin(source);
        // A file that stayed keeps its companions beside it.
        if (!moveFileIntoFolder(from, folder)) {
            failed.append(fileName(from));
            continue;
        }
        const QString moved = reduceRootJoin(join(folder, fileName(from)));
        for (const QString &suffix : companionSuffixes) {
            const QString companion = companionPath(from, suffix);
            if (QFileInfo(companion).isDir())
                moveFolder(companion, companionPath(moved, suffix), context.prompts);
        }
    }
    return failed;
}

bool undoLogLine(const QString &line, const QString &currentFolder, const QString &rootFolder,
                 const MoveContext &context, const QString &loggedName)
{
    using namespace FileOps;
    QString name;
    QString destination;
    const QString head = displayName(loggedName) + u"-> "_s;
    if (!loggedName.isEmpty() && line.startsWith(head)) {
        name = loggedName;
        destination = line.mid(head.size()).trimmed();
    } else {
        const qsizetype arrow = line.indexOf(u"->"_s);
        if (arrow < 0)
            return false;
        name = trimmedRight(line.left(arrow));
        destination = line.mid(arrow + 2).trimmed();
    }
    if (name.isEmpty())
        return false;
    const QString returnPath = reduceRootJoin(join(currentFolder, name));
    QString current = join(destination, fileName(returnPath));
    if (current.startsWith(u".."_s))
        current = rootFolder + current.mid(2);
    current = reduceRootJoin(current);

    // Gone from the logged place, or a namesake already back home: say so and keep the line.
    if (!moveFileIntoFolder(current, folderOf(returnPath))) {
        showMoveFailure(context.prompts, context.messages, name);
        return false;
    }
    for (const QString &suffix : companionSuffixes) {
        const QString companion = companionPath(current, suffix);
        if (isFolder(companion)) {
            moveFolder(companion, companionPath(returnPath, suffix), context.prompts);
            break;
        }
    }
    return true;
}
