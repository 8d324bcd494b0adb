#pragma once

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QStringList>

#include <sys/stat.h>

/// Every entry below `folder`, sorted: its path relative to the folder and its mode; a file also its
/// content's hash and modification time, a link its target. Two trees compare with one QCOMPARE.
/// Paths that start with one of `leftOut` (relative) are not listed.
inline QStringList fileTree(const QString &folder, const QStringList &leftOut = {})
{
    QStringList tree;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(folder.size() + 1);
        bool skip = false;
        for (const QString &prefix : leftOut)
            skip = skip || relative.startsWith(prefix);
        if (skip)
            continue;
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
            continue;
        QString entry = relative + QStringLiteral(" %1").arg(st.st_mode, 0, 8);
        if (S_ISREG(st.st_mode)) {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            entry += QStringLiteral(" %1 %2.%3")
                         .arg(QString::fromLatin1(
                             QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex().left(16)))
                         .arg(qint64(st.st_mtim.tv_sec))
                         .arg(qint64(st.st_mtim.tv_nsec));
        } else if (S_ISLNK(st.st_mode)) {
            entry += QStringLiteral(" -> ") + it.fileInfo().symLinkTarget();
        }
        tree.append(entry);
    }
    tree.sort();
    return tree;
}
