#pragma once

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sys/stat.h>

/// Every entry under `folder` (hidden ones too, symbolic links not followed) as one line of relative name,
/// type, mode and content hash, sorted: two snapshots compare equal only when nothing in the folder changed,
/// and a failed comparison shows what did.
inline QStringList folderSnapshot(const QString &folder)
{
    QStringList lines;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat status = {};
        ::lstat(QFile::encodeName(path).constData(), &status);
        QString line = path.mid(folder.size()) + QStringLiteral(" %1 %2").arg(status.st_mode, 0, 8).arg(status.st_uid);
        if (S_ISLNK(status.st_mode)) {
            line += QStringLiteral(" -> ") + QFileInfo(path).symLinkTarget();
        } else if (S_ISREG(status.st_mode)) {
            QFile file(path);
            QCryptographicHash hash(QCryptographicHash::Sha256);
            if (file.open(QIODevice::ReadOnly))
                hash.addData(&file);
            line += QStringLiteral(" %1 ").arg(status.st_size) + QString::fromLatin1(hash.result().toHex());
        }
        lines.append(line);
    }
    lines.sort();
    return lines;
}
