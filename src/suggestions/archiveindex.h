#pragma once

#include "pagewords.h"

#include <QByteArray>
#include <QDataStream>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The pages filed below the parent folder, folder by folder, as they were when last looked at. Looking
// again costs one look per folder: only a folder whose modification time (or identity) changed is read
// again, and only its new or changed pages are opened. Every move of the program and every move by hand
// changes the folders it touches, so both are picked up alike.
class ArchiveIndex
{
public:
    struct Stamp
    {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 modified = 0; ///< nanoseconds
        qint64 changed = 0;
        friend bool operator==(const Stamp &, const Stamp &) = default;
    };
    struct Page
    {
        PageText text;
        qint64 size = 0;
        qint64 modified = 0; ///< nanoseconds
        bool read = false; ///< its title and address were looked for
    };
    class Folder
    {
    public:
        QString path; ///< full path
        Stamp stamp;
        QStringList subfolders; ///< names of the folders in it that may hold pages

        /// The pages in it. Those of a folder read from the cache are taken out of their stored form at
        /// the first call: most runs need the pages of few folders.
        const QList<Page> &pages() const;
        QList<Page> &pages() { return const_cast<QList<Page> &>(std::as_const(*this).pages()); }
        qsizetype pageCount() const { return m_stored.isEmpty() ? m_pages.size() : m_storedCount; }

    private:
        friend QDataStream &operator<<(QDataStream &out, const ArchiveIndex &index);
        friend QDataStream &operator>>(QDataStream &in, ArchiveIndex &index);
        mutable QList<Page> m_pages;
        mutable QByteArray m_stored; ///< the pages as the cache holds them, until they are needed
        qsizetype m_storedCount = 0;
    };

    /// Looks at the folders below `parent` again, not into `leaveOut` (the source folder) nor into hidden
    /// or companion folders, and reads what changed; with `readPages`, the pages' titles and addresses
    /// too. True when anything changed.
    bool update(const QString &parent, const QSet<QString> &leaveOut, bool readPages);

    const QList<Folder> &folders() const { return m_folders; }
    qsizetype pageCount() const;

    /// Limits that keep a parent folder such as "/" from taking the machine.
    static constexpr qsizetype mostFolders = 20000;
    static constexpr qsizetype mostPages = 400000;
    static constexpr int deepest = 24;

    friend QDataStream &operator<<(QDataStream &out, const ArchiveIndex &index);
    friend QDataStream &operator>>(QDataStream &in, ArchiveIndex &index);

private:
    QString m_parent;
    bool m_readPages = false;
    QList<Folder> m_folders; ///< the parent folder first, then each folder before those in it
};
