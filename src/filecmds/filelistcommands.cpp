#include "filelistcommands.h"

#include "fileops.h"
#include "trash.h"
#include "userprompts.h"

#include "app/filelist.h"
#include "app/mainwindow.h"
#include "dialogs/handlerguard.h"
#include "dialogs/optionsdialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QUrl>

using namespace Qt::StringLiterals;

FileListCommands::FileListCommands(MainWindow *main)
    : QObject(main)
    , m_main(main)
    , m_openUrl([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
    createPopupMenu();
    FileList *list = fileList();
    connect(list, &QAbstractItemView::clicked, this, guarded(m_main, [this] { handleClick(); }));
    connect(list, &QAbstractItemView::doubleClicked, this, guarded(m_main, [this] { handleDoubleClick(); }));
    connect(list, &FileList::keyReleased, this,
            [this](int key) { runGuarded(m_main, [this, key] { handleKeyRelease(key); }); });
    connect(m_main->explorerButton(), &QAbstractButton::clicked, this, guarded(m_main, [this] { openRootFolder(); }));
    m_secondClickRename.setSingleShot(true);
    m_secondClickRename.setInterval(QApplication::doubleClickInterval());
    connect(&m_secondClickRename, &QTimer::timeout, this,
            guarded(m_main, [this] { renameFile(m_clickedTwice, m_clickedTwiceRow); }));
}

FileList *FileListCommands::fileList() const
{
    return m_main->fileList();
}

void FileListCommands::createPopupMenu()
{
    m_popupMenu = new QMenu(m_main);
    m_popupMenu->setObjectName(u"fileListMenu"_s);
    m_openAction = m_popupMenu->addAction(u"Open"_s);
    m_sendAction = m_popupMenu->addAction(u"&Send"_s);
    m_renameAction = m_popupMenu->addAction(u"&Rename file"_s);
    m_deleteAction = m_popupMenu->addAction(u"Delete"_s);

    connect(m_openAction, &QAction::triggered, this, guarded(m_main, [this] { openCurrentFile(); }));
    connect(m_sendAction, &QAction::triggered, this, guarded(m_main, [this] { m_main->moveSelectedFiles(); }));
    connect(m_renameAction, &QAction::triggered, this, guarded(m_main, [this] { renameCurrentFile(); }));
    connect(m_deleteAction, &QAction::triggered, this, guarded(m_main, [this] { deleteCurrentFile(); }));

    FileList *list = fileList();
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { m_popupMenu->popup(fileList()->viewport()->mapToGlobal(pos)); });
}

void FileListCommands::openWithDesktop(const QString &path)
{
    m_openUrl(QUrl::fromLocalFile(path)); // the desktop reports its own failures, if any
}

void FileListCommands::handleDoubleClick()
{
    // A double click opens; the click that began it must not rename as well.
    m_secondClickRename.stop();
    m_lastClickedIndex = -1;
    m_swallowNextClick = true;
    openWithDesktop(fileList()->currentFilePath());
}

void FileListCommands::openCurrentFile()
{
    openWithDesktop(fileList()->currentFilePath());
}

void FileListCommands::renameCurrentFile()
{
    renameFile(fileList()->currentFilePath(), fileList()->currentRow());
}

void FileListCommands::renameFile(const QString &current, int row)
{
    if (current.isEmpty())
        return;
    const QString name = FileOps::fileName(current);
    const QString typed
        = m_main->prompts().inputBox(m_main->state().messages.text(18), m_main->state().messages.text(19), name);
    // The typed text goes after the folder as it is, so "sub/name" moves the file into "sub". The name
    // left as it was (also by Cancel) is no rename.
    const QString folderPart = current.left(current.lastIndexOf(u'/') + 1);
    QString error;
    if (typed != name
        && !FileOps::renameNoReplace(current, FileOps::reduceRootJoin(folderPart + typed), m_main->state().messages,
                                     &error))
        m_main->prompts().notify(error);
    rereadAt(row);
}

void FileListCommands::deleteCurrentFile()
{
    const int row = fileList()->currentRow();
    const QString current = fileList()->currentFilePath();
    if (current.isEmpty())
        return;
    Trash::deleteWithCompanions(m_main->prompts(), m_main->state().messages, current);
    m_main->rereadSourceFolder(); // the companion folders may have gone too
    fileList()->setCurrentRow(row);
}

void FileListCommands::rereadAt(int row)
{
    fileList()->reread();
    fileList()->setCurrentRow(row);
}

void FileListCommands::handleClick()
{
    if (std::exchange(m_swallowNextClick, false))
        return;
    const int index = fileList()->currentRow();
    if (index == m_lastClickedIndex) {
        m_clickedTwice = fileList()->currentFilePath();
        m_clickedTwiceRow = index;
        m_secondClickRename.start();
        m_lastClickedIndex = -1;
    } else {
        m_lastClickedIndex = index;
    }
}

void FileListCommands::handleKeyRelease(int key)
{
    switch (key) {
    case Qt::Key_Delete:
        deleteCurrentFile();
        break;
    case Qt::Key_F1:
        m_main->showHelp();
        break;
    case Qt::Key_F2:
        renameCurrentFile();
        break;
    default:
        break;
    }
}

void FileListCommands::openRootFolder()
{
    const QString root = m_main->optionsDialog()->rootFolder();
    m_openUrl(QUrl::fromLocalFile(root.isEmpty() ? QDir::homePath() : root));
}
