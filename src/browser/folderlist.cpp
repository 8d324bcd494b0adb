#include "folderlist.h"

#include "marrowdaleerror.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>

using namespace Qt::StringLiterals;

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int DepthRole = Qt::UserRole + 1;
constexpr int indentPerLevel = 10;

// Indents each row by its depth, as the classic folder list does.
class IndentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem shifted = option;
        shifted.rect.setLeft(option.rect.left() + index.data(DepthRole).toInt() * indentPerLevel);
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += index.data(DepthRole).toInt() * indentPerLevel;
        return size;
    }
};

} // namespace

FolderList::FolderList(QWidget *parent)
    : QListWidget(parent)
{
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::openItem);
}

void FolderList::setFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir())
        throw MarrowdaleError(ProgramText(Message::FolderMissing, {folder}));
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    if (clean == m_folder)
        return;
    m_folder = clean;
    fill();
    Q_EMIT folderChanged(m_folder);
}

void FolderList::reread()
{
    // A folder that has gone leaves the list on the nearest one still there.
    QString folder = m_folder;
    while (!folder.isEmpty() && !QFileInfo(folder).isDir() && folder != u"/"_s)
        folder = QFileInfo(folder).path();
    if (folder != m_folder && QFileInfo(folder).isDir()) {
        setFolder(folder);
        return;
    }
    const QString focused = currentItem() ? currentItem()->data(PathRole).toString() : QString();
    const int scrolled = verticalScrollBar()->value();
    fill();
    for (int i = 0; i < count(); ++i) {
        if (item(i)->data(PathRole).toString() == focused) {
            setCurrentRow(i);
            break;
        }
    }
    verticalScrollBar()->setValue(scrolled);
}

void FolderList::fill()
{
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    QStringList chain;
    for (QDir dir(m_folder);;) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    int depth = 0;
    for (const QString &path : std::as_const(chain)) {
        const QString name = path == u"/"_s ? path : QFileInfo(path).fileName();
        auto *item = new QListWidgetItem(open, name, this);
        item->setData(PathRole, path);
        item->setData(DepthRole, depth++);
    }
    setCurrentRow(count() - 1);

    const QDir current(m_folder);
    const QStringList subfolders
        = current.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString &name : subfolders) {
        auto *item = new QListWidgetItem(closed, name, this);
        item->setData(PathRole, current.filePath(name));
        item->setData(DepthRole, depth);
    }
}

void FolderList::openItem(QListWidgetItem *item)
{
    if (!item)
        return;
    const QString path = item->data(PathRole).toString();
    try {
        setFolder(path);
    } catch (const MarrowdaleError &) {
        // Gone since it was listed: show what is there now.
        fill();
    }
}

void FolderList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openItem(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}
