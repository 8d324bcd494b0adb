#include "folderfollow.h"

FolderFollow::FolderFollow(std::function<void()> reread, std::function<bool()> busy, QObject *parent)
    : QObject(parent)
    , m_reread(std::move(reread))
    , m_busy(std::move(busy))
{
    m_burst.setInterval(300);
    m_burst.setSingleShot(true);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!m_burst.isActive())
            m_burst.start();
    });
    connect(&m_burst, &QTimer::timeout, this, [this] { changed(); });
}

void FolderFollow::follow(const QString &folder)
{
    if (const QStringList watched = m_watcher.directories(); !watched.isEmpty())
        m_watcher.removePaths(watched);
    if (!folder.isEmpty())
        m_watcher.addPath(folder);
}

void FolderFollow::changed()
{
    if (m_busy())
        m_burst.start();
    else
        m_reread();
}
