#include "trash.h"

#include "fileops.h"
#include "messagetable.h"
#include "movesteps.h"
#include "userprompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

// Qt (6.4) reports success when it could set up no trash folder at all, having put the entry into
// "files" below the working folder (and its record into "info"). Such a move is taken back; the
// reason says where the entry is should that fail.
QString takenBackFromTheWorkingFolder(const QString &path, const QString &movedTo, bool hadFiles, bool hadInfo,
                                      const MessageTable &messages)
{
    QDir working = QDir::current();
    const QString stray = working.absoluteFilePath(movedTo);
    const bool back = MoveSteps::renameExclusive(QFile::encodeName(stray), QFile::encodeName(path)) == 0;
    working.remove(u"info/"_s + QFileInfo(movedTo).fileName() + u".trashinfo"_s);
    if (!hadFiles)
        working.rmdir(u"files"_s);
    if (!hadInfo)
        working.rmdir(u"info"_s);
    const QString reason = messages.text(Message::NoTrashFolder);
    return back ? reason : u"%1 (%2)"_s.arg(reason, stray);
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
        if (!entry.moveToTrash()) {
            if (!MoveSteps::exists(path))
                continue; // gone meanwhile
            reason = entry.errorString();
        } else if (!QFileInfo(entry.fileName()).isAbsolute()) {
            reason = takenBackFromTheWorkingFolder(path, entry.fileName(), hadFiles, hadInfo, messages);
        } else {
            continue;
        }
        if (MoveSteps::exists(path))
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
