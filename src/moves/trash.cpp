#include "trash.h"

#include "fileops.h"
#include "messagetable.h"
#include "movesteps.h"
#include "pathcodec.h"
#include "userprompts.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The folder that stands at the top of the file system holding `path`: the last one, going up, on the same
// device.
QByteArray topFolderOf(const QByteArray &path, dev_t device)
{
    QByteArray top = MoveSteps::folderOf(path);
    while (top != "/") {
        const QByteArray up = MoveSteps::folderOf(top);
        struct stat st;
        if (::stat(up.constData(), &st) != 0 || st.st_dev != device)
            break;
        top = up;
    }
    return top;
}

// The device of a folder that may not exist yet: that of its nearest existing ancestor.
dev_t deviceOf(QByteArray folder)
{
    struct stat st;
    while (::stat(folder.constData(), &st) != 0 && folder != "/")
        folder = MoveSteps::folderOf(folder);
    return st.st_dev;
}

bool makeOwnFolder(const QByteArray &folder)
{
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st;
    return ::lstat(folder.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

struct TrashFolder
{
    QByteArray folder; ///< holds "files" and "info"; empty when none can be had
    QByteArray pathBase; ///< what the recorded path is relative to; empty: the path is recorded whole
};

// The trash for an entry on the device `device`, as the desktop's shared trash standard lays them out: the
// home trash on the home's disk, else $top/.Trash/$uid (when an administrator made $top/.Trash, sticky and
// not a link) or $top/.Trash-$uid.
TrashFolder trashFor(const QByteArray &entry, dev_t device)
{
    const QByteArray data = PathCodec::encode(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    const QByteArray home = data + "/Trash";
    if (deviceOf(home) == device) {
        QDir().mkpath(PathCodec::decode(data));
        const bool made = makeOwnFolder(home) && makeOwnFolder(home + "/files") && makeOwnFolder(home + "/info");
        return made ? TrashFolder {home, {}} : TrashFolder {};
    }
    const QByteArray top = topFolderOf(entry, device);
    const QByteArray uid = QByteArray::number(::geteuid());
    const QByteArray shared = MoveSteps::child(top, ".Trash");
    struct stat st;
    QByteArray folder = MoveSteps::child(top, ".Trash-" + uid);
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX))
        folder = shared + '/' + uid;
    const bool made = makeOwnFolder(folder) && makeOwnFolder(folder + "/files") && makeOwnFolder(folder + "/info");
    return made ? TrashFolder {folder, top} : TrashFolder {};
}

// Reserves a name in the trash by creating its record exclusively, and writes the record. The empty name
// when none could be reserved.
QByteArray writeRecord(const TrashFolder &trash, const QByteArray &entry, int *error)
{
    QByteArray recorded = entry;
    if (!trash.pathBase.isEmpty())
        recorded = entry.mid(trash.pathBase.size() + (trash.pathBase.endsWith('/') ? 0 : 1));
    // Percent-encoded as the trash standard asks, so that a file manager restores "100% sure.html" by its name.
    const QByteArray info = "[Trash Info]\nPath=" + recorded.toPercentEncoding("/")
        + "\nDeletionDate=" + QDateTime::currentDateTime().toString(u"yyyy-MM-ddTHH:mm:ss"_s).toLatin1() + '\n';
    const QByteArray name = MoveSteps::nameOf(entry);
    for (int n = 1; n < 1000; ++n) {
        const QByteArray candidate = n == 1 ? name : name + '.' + QByteArray::number(n);
        if (MoveSteps::exists(trash.folder + "/files/" + candidate))
            continue;
        const QByteArray record = trash.folder + "/info/" + candidate + ".trashinfo";
        const int fd = ::open(record.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            *error = errno;
            return {};
        }
        const bool written = ::write(fd, info.constData(), size_t(info.size())) == info.size() && ::fsync(fd) == 0;
        *error = written ? 0 : errno;
        if (::close(fd) != 0 || !written) {
            ::unlink(record.constData());
            return {};
        }
        return candidate;
    }
    *error = EEXIST;
    return {};
}

// Moves one entry into its trash; the empty text when it went, else why not.
QString trashEntry(const QString &path, const MessageTable &messages)
{
    const QByteArray entry = PathCodec::encode(path);
    struct stat st;
    if (::lstat(entry.constData(), &st) != 0)
        return MoveSteps::errorText(errno);
    const TrashFolder trash = trashFor(entry, st.st_dev);
    if (trash.folder.isEmpty())
        return messages.text(Message::NoTrashFolder);
    int error = 0;
    const QByteArray name = writeRecord(trash, entry, &error);
    if (name.isEmpty())
        return MoveSteps::errorText(error);
    if (const int e = MoveSteps::renameExclusive(entry, trash.folder + "/files/" + name)) {
        ::unlink((trash.folder + "/info/" + name + ".trashinfo").constData());
        return MoveSteps::errorText(e);
    }
    return {};
}

// The entries the trash did not take, each with the reason, as "path: reason".
QStringList moveToTrash(const QStringList &paths, const MessageTable &messages, QStringList *left)
{
    QStringList refused;
    for (const QString &path : paths) {
        const QString reason = trashEntry(path, messages);
        if (reason.isEmpty() || !MoveSteps::exists(path))
            continue; // in the trash, or gone meanwhile
        left->append(path);
        refused.append(u"%1: %2"_s.arg(path, reason));
    }
    return refused;
}

} // namespace

namespace Trash {

void deleteWithCompanions(UserPrompts &prompts, const MessageTable &messages, const QString &filePath)
{
    if (filePath.isEmpty())
        return;
    const QStringList companions = FileOps::companionFolders(filePath);
    const Message question = companions.isEmpty() ? Message::TrashFile : Message::TrashFileAndFolders;
    if (prompts.askOkCancel(messages.text(question).arg(FileOps::fileName(filePath)), messages.text(17))
        != UserPrompts::Ok)
        return;

    QStringList left;
    const QStringList refused = moveToTrash(QStringList {filePath} + companions, messages, &left);
    if (refused.isEmpty())
        return;
    if (left.isEmpty()) {
        prompts.notify(messages.text(Message::DeleteFailed).arg(refused.join(u'\n')));
        return;
    }
    if (prompts.askYesNo(messages.text(Message::TrashUnavailable).arg(refused.join(u'\n')), messages.text(17))
        != UserPrompts::Yes)
        return;

    QStringList failed;
    for (const QString &path : std::as_const(left)) {
        if (const int error = MoveSteps::removeTree(QFile::encodeName(path)))
            failed.append(u"%1: %2"_s.arg(path, MoveSteps::errorText(error)));
    }
    if (!failed.isEmpty())
        prompts.notify(messages.text(Message::DeleteFailed).arg(failed.join(u'\n')));
}

} // namespace Trash
