#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <functional>

// Keeps a view of a folder following the folder while the program is idle: a burst of changes becomes
// one re-read, put off while `busy` says so (a pass moving files, a question or menu open).
class FolderFollow : public QObject
{
public:
    FolderFollow(std::function<void()> reread, std::function<bool()> busy, QObject *parent = nullptr);

    /// The folder to follow; none for the empty text.
    void follow(const QString &folder);

private:
    void changed();

    QFileSystemWatcher m_watcher;
    QTimer m_burst;
    std::function<void()> m_reread;
    std::function<bool()> m_busy;
};
