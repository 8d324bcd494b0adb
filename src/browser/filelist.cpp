#include "filelist.h"

#include "fileops.h"

#include <QCollator>
#include <QDir>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSet>

FileList::FileList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true); // keeps ten thousand names cheap to lay out
}

void FileList::setFolder(const QString &folder)
{
    m_folder = folder;
    clear(); // what was selected in the folder before means nothing here
    reread();
}

void FileList::reread()
{
    // The names that were selected and focused stay so, wherever the new listing puts them.
    QSet<QString> selected;
    for (const QListWidgetItem *item : selectedItems())
        selected.insert(item->text());
    const QString focused = currentItem() ? currentItem()->text() : QString();
    const int scrolled = verticalScrollBar()->value();

    setUpdatesEnabled(false);
    clear();
    if (!m_folder.isEmpty()) {
        QStringList names = QDir(m_folder).entryList(QDir::Files, QDir::NoSort);
        const QCollator collator = FileOps::nameCollator();
        std::sort(names.begin(), names.end(), [&collator](const QString &a, const QString &b) {
            const int order = collator.compare(a, b);
            return order != 0 ? order < 0 : a < b;
        });
        addItems(names);
    }
    QItemSelection keep;
    for (int i = 0; i < count() && (!selected.isEmpty() || !focused.isEmpty()); ++i) {
        const QString name = item(i)->text();
        if (name == focused)
            selectionModel()->setCurrentIndex(model()->index(i, 0), QItemSelectionModel::NoUpdate);
        if (selected.contains(name))
            keep.select(model()->index(i, 0), model()->index(i, 0));
    }
    selectionModel()->select(keep, QItemSelectionModel::Select);
    verticalScrollBar()->setValue(scrolled);
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
