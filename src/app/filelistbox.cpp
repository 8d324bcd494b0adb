#include "filelistbox.h"

#include "fileops.h"

#include <QDir>
#include <QKeyEvent>

FileListBox::FileListBox(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true); // keeps ten thousand names cheap to lay out
}

void FileListBox::setDirectory(const QString &folder)
{
    m_directory = folder;
    reread();
}

void FileListBox::reread()
{
    setUpdatesEnabled(false);
    clear();
    if (!m_directory.isEmpty())
        addItems(QDir(m_directory).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware));
    setUpdatesEnabled(true);
}

QString FileListBox::pathOf(const QString &name) const
{
    return FileOps::join(m_directory, name);
}

QStringList FileListBox::filePaths() const
{
    QStringList paths;
    paths.reserve(count());
    for (int i = 0; i < count(); ++i)
        paths.append(pathOf(item(i)->text()));
    return paths;
}

QString FileListBox::currentFilePath() const
{
    const QListWidgetItem *focused = currentItem();
    return focused && focused->isSelected() ? pathOf(focused->text()) : QString();
}

void FileListBox::keyReleaseEvent(QKeyEvent *event)
{
    QListWidget::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        Q_EMIT keyReleased(event->key());
}
