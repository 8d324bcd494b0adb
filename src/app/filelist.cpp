#include "filelist.h"

#include "fileops.h"

#include <QDir>
#include <QKeyEvent>

FileList::FileList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true); // keeps ten thousand names cheap to lay out
}

void FileList::setFolder(const QString &folder)
{
    m_folder = folder;
    reread();
}

void FileList::reread()
{
    setUpdatesEnabled(false);
    clear();
    if (!m_folder.isEmpty())
        addItems(QDir(m_folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware));
    setUpdatesEnabled(true);
}

QString FileList::pathOf(const QString &name) const
{
    return FileOps::join(m_folder, name);
}

QStringList FileList::filePaths() const
{
    QStringList paths;
    paths.reserve(count());
    for (int i = 0; i < count(); ++i)
        paths.append(pathOf(item(i)->text()));
    return paths;
}

QString FileList::currentFilePath() const
{
    const QListWidgetItem *focused = currentItem();
    return focused && focused->isSelected() ? pathOf(focused->text()) : QString();
}

void FileList::keyReleaseEvent(QKeyEvent *event)
{
    QListWidget::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        Q_EMIT keyReleased(event->key());
}
