#include "trash.h"

#include "fileops.h"
#include "messagetable.h"
#include "movesteps.h"
#include "userprompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

bool present(const QString &path)
{
    return MoveSteps::exists(QFile::encodeName(path)); // a dangling link is there too
}

// Qt (6.4) reports success when it could set up no trash folder at all, having put the entry into
// "files" below the working folder (and its record into "info"). Such a move is taken back.
bool movedIntoTheWorkingFolder(const QString &path, const QString &movedTo, bool hadFiles, bool hadInfo)
{
    if (QFileInfo(movedTo).isAbsolute())
        return false;
    QDir working = QDir::current();
    MoveSteps::renameExclusive(QFile::encodeName(working.absoluteFilePath(movedTo)), QFile::encodeName(path));
    working.remove(u"info/"_s + QFileInfo(movedTo).fileName() + u".trashinfo"_s);
    if (!hadFiles)
        working.rmdir(u"files"_s);
    if (!hadInfo)
        working.rmdir(u"info"_s);
    return true;
}

// The entries the trash did not take, each with the reason, as "path: reason".
QStringList moveToTrash(const QStringList &paths, const MessageTable &messages, QStringList *left)
{
    // The user's data folder may not be there yet on a new account; the home trash lives in it.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    QStringList refused;
    for (const QString &path : paths) {
        const QDir working = QDir::current();
        const bool hadFiles = working.exists(u"files"_s), hadInfo = working.exists(u"info"_s);
        QFile entry(path);
        QString reason;
        if (!entry.moveToTrash())
            reason = entry.errorString();
        else if (movedIntoTheWorkingFolder(path, entry.fileName(), hadFiles, hadInfo))
            reason = messages.text(Message::NoTrashFolder);
        if (reason.isEmpty() || !present(path))
            continue;
        left->append(path);
        refused.append(u"%1: %2"_s.arg(path, reason));
    }
    return refused;
}

} // namespace

namespace Trash {

bool deleteWithCompanions(UserPrompts &prompts, const MessageTable &messages, const QString &filePath)
{
    if (filePath.isEmpty())
        return false;
    const QStringList companions = FileOps::companionFolders(filePath);
    const Message question = companions.isEmpty() ? Message::TrashFile : Message::TrashFileAndFolders;
    if (prompts.askOkCancel(messages.text(question).arg(FileOps::fileName(filePath)), messages.text(17))
        != UserPrompts::Ok)
        return false;

    QStringList left;
    const QStringList refused = moveToTrash(QStringList {filePath} + companions, messages, &left);
    if (left.isEmpty())
        return true;
    if (prompts.askYesNo(messages.text(Message::TrashUnavailable).arg(refused.join(u'\n')), messages.text(17))
        != UserPrompts::Yes)
        return !present(filePath);

    QStringList failed;
    for (const QString &path : std::as_const(left)) {
        if (const int error = MoveSteps::removeTree(QFile::encodeName(path)))
            failed.append(u"%1: %2"_s.arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
    if (!failed.isEmpty())
        prompts.notify(messages.text(Message::DeleteFailed).arg(failed.join(u'\n')));
    return !present(filePath);
}

} // namespace Trash
