#include "helptree.h"

#include "helpviewer.h"

#include "apppaths.h"
#include "dialogs/boxtexts.h"
#include "marrowdaleerror.h"
#include "programlanguage.h"
#include "textfile.h"

#include <QBitmap>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QTreeWidgetItemIterator>
#include <QUrl>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const auto defaultHelpDir = u"Help"_s;

std::function<void(const QString &)> &browser()
{
    static std::function<void(const QString &)> b;
    return b;
}

QIcon loadTransparentIcon(const QString &path)
{
    const QImage image(path);
    if (image.isNull())
        return {};
    // The bitmaps carry no alpha: their bottom-left pixel names the background colour.
    QPixmap pixmap = QPixmap::fromImage(image);
    const QRgb background = image.pixel(0, image.height() - 1);
    pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(background, Qt::MaskInColor)));
    return QIcon(pixmap);
}

} // namespace

HelpTree::HelpTree(QWidget *parent)
    : QTreeWidget(parent)
    , m_helpDir(defaultHelpDir)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setIndentation(19);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) { openEntry(item); });
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *item) { setChapterIcon(item); });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem *item) { setChapterIcon(item); });
}

QString HelpTree::helpFolder() const
{
    QString english;
    if (QDir::isAbsolutePath(m_helpDir))
        english = m_helpDir;
    else if (m_helpDir == defaultHelpDir)
        english = AppPaths::helpFolder();
    else
        english = QDir(QCoreApplication::applicationDirPath()).filePath(m_helpDir);
    return AppPaths::helpFolderFor(english, ProgramLanguage::code());
}

void HelpTree::showContents()
{
    saveShownContentsIfMissing();
    if (m_icons.isEmpty())
        loadIcons();
    try {
        const QString path = QDir(helpFolder()).filePath(QString(HelpFiles::contentsFile));
        fillList(HelpFiles::parseContents(readTextFile(path)));
    } catch (const MarrowdaleError &) {
        clear(); // not the entries of the tab shown before
        BoxTexts::ask(this, QMessageBox::NoIcon, QString(),
                      ProgramLanguage::messages().text(Message::ContentsNotLoaded), QMessageBox::Ok);
    }
}

void HelpTree::showIndex()
{
    saveShownContentsIfMissing();
    if (m_icons.isEmpty())
        loadIcons();
    clear();
    const QString path = QDir(helpFolder()).filePath(QString(HelpFiles::indexFile));
    fillList(HelpFiles::parseIndex(readTextFile(path)));
}

void HelpTree::showPagesContaining(const QString &text)
{
    saveShownContentsIfMissing();
    clear();
    if (m_icons.isEmpty())
        loadIcons();
    fillList(HelpFiles::searchPages(helpFolder(), text));
}

void HelpTree::selectIndexEntry(const QString &text)
{
    if (text.isEmpty())
        return;
    QTreeWidgetItem *last = nullptr;
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        if ((*it)->text(0).contains(text)) {
            last = *it;
            setCurrentItem(last);
            setFocus();
        }
    }
    if (last)
        scrollToItem(last);
}

void HelpTree::openPageForContext(int context)
{
    const QString folder = helpFolder();
    const QString page = QDir(folder).filePath(HelpFiles::pageForContext(folder, context) + u".htm"_s);
    // A page that is not there opens nothing, rather than the desktop's own complaint about it.
    if (QFileInfo::exists(page))
        openInBrowser(page);
}

void HelpTree::openInBrowser(const QString &path)
{
    if (browser()) {
        browser()(path);
        return;
    }
    // The program's own viewer; the desktop's browser only when the user asks for it there.
    static QPointer<HelpViewer> viewer;
    if (!viewer)
        viewer = new HelpViewer;
    viewer->setAttribute(Qt::WA_DeleteOnClose, false);
    viewer->showPage(path);
}

void HelpTree::setBrowser(std::function<void(const QString &)> b)
{
    browser() = std::move(b);
}

QString HelpTree::pageOf(const QTreeWidgetItem *item)
{
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

QList<HelpEntry> HelpTree::shownEntries() const
{
    QList<HelpEntry> entries;
    const std::function<void(const QTreeWidgetItem *, int)> walk = [&](const QTreeWidgetItem *item, int depth) {
        entries.append({item->text(0), pageOf(item), depth});
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i), depth + 1);
    };
    for (int i = 0; i < topLevelItemCount(); ++i)
        walk(topLevelItem(i), 0);
    return entries;
}

void HelpTree::openEntry(QTreeWidgetItem *item)
{
    // Chapters open and close through the tree's own double-click; their icon follows that.
    if (!item || item->childCount() > 0)
        return;
    const QString page = pageOf(item);
    if (page.isEmpty())
        return;
    const QString path = QDir(helpFolder()).filePath(page);
    if (QFileInfo::exists(path))
        openInBrowser(path);
}

void HelpTree::keyPressEvent(QKeyEvent *event)
{
    QTreeWidgetItem *item = currentItem();
    if (item && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (item->childCount() > 0)
            item->setExpanded(!item->isExpanded());
        else
            openEntry(item);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void HelpTree::loadIcons()
{
    const QDir folder(helpFolder());
    for (const QString &name : {u"bookshut.bmp"_s, u"bookopen.bmp"_s, u"helpindex.bmp"_s}) {
        const QString path = folder.filePath(name);
        const QIcon icon = QFileInfo::exists(path) ? loadTransparentIcon(path) : QIcon();
        if (!icon.isNull()) {
            m_icons.append(icon);
        } else {
            // Without the full set of pictures the tree needs its own lines to show the chapters.
            m_showLines = true;
            setRootIsDecorated(true);
        }
    }
}

void HelpTree::saveShownContentsIfMissing()
{
    try {
        HelpFiles::writeContentsIfMissing(helpFolder(), shownEntries());
    } catch (const MarrowdaleError &) {
        // Only a convenience: a read-only help folder must not keep the list from showing.
    }
}

void HelpTree::fillList(const QList<HelpEntry> &entries)
{
    clear();
    QList<QTreeWidgetItem *> parents; // parents[d] is the last entry of depth d
    for (const HelpEntry &entry : entries) {
        const int depth = std::min(entry.depth, int(parents.size()));
        QTreeWidgetItem *item = depth == 0 ? new QTreeWidgetItem(this) : new QTreeWidgetItem(parents[depth - 1]);
        item->setText(0, entry.title);
        item->setData(0, Qt::UserRole, entry.page);
        parents.resize(depth);
        parents.append(item);
    }
    applyIcons();
}

void HelpTree::applyIcons()
{
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        if ((*it)->childCount() > 0)
            setChapterIcon(*it);
        else if (m_icons.size() > 1)
            (*it)->setIcon(0, Page < m_icons.size() ? m_icons[Page] : QIcon());
    }
}

void HelpTree::setChapterIcon(QTreeWidgetItem *item)
{
    if (m_icons.size() <= 1 || item->childCount() == 0)
        return;
    const int index = item->isExpanded() ? BookOpen : BookShut;
    item->setIcon(0, index < m_icons.size() ? m_icons[index] : QIcon());
}

void HelpTree::drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const
{
    // With the book pictures the chapters need no expand buttons.
    if (!m_showLines)
        return;
    drawLines(painter, rect, index);
    QTreeWidget::drawBranches(painter, rect, index);
}

void HelpTree::drawLines(QPainter *painter, const QRect &rect, const QModelIndex &index) const
{
    const int indent = indentation();
    const int midY = rect.center().y();
    int column = rect.right() + 1 - indent;
    QPen pen(palette().color(QPalette::Mid));
    pen.setStyle(Qt::DotLine);
    painter->save();
    painter->setPen(pen);
    const bool hasAbove = index.row() > 0 || index.parent().isValid();
    const bool hasBelow = index.siblingAtRow(index.row() + 1).isValid();
    const int midX = column + indent / 2;
    painter->drawLine(midX, hasAbove ? rect.top() : midY, midX, hasBelow ? rect.bottom() : midY);
    painter->drawLine(midX, midY, column + indent - 2, midY);
    for (QModelIndex ancestor = index.parent(); ancestor.isValid() && column > rect.left();
         ancestor = ancestor.parent()) {
        column -= indent;
        if (ancestor.siblingAtRow(ancestor.row() + 1).isValid())
            painter->drawLine(column + indent / 2, rect.top(), column + indent / 2, rect.bottom());
    }
    painter->restore();
}
