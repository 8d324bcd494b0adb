#include "filelistcommands.h"

#include "fileops.h"
#include "languagefile.h"
#include "userprompts.h"

#include "app/filelistbox.h"
#include "app/tmain.h"
#include "dialogs/handlerguard.h"
#include "dialogs/toptiondialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QUrl>

using namespace Qt::StringLiterals;

FileListCommands::FileListCommands(TMain *main)
    : QObject(main)
    , m_main(main)
    , m_openUrl([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
    createPopupMenu();
    FileListBox *list = fileList();
    connect(list, &QAbstractItemView::clicked, this, guarded(m_main, [this] { FileListBoxClick(); }));
    connect(list, &QAbstractItemView::doubleClicked, this, guarded(m_main, [this] { FileListBoxDblClick(); }));
    connect(list, &FileListBox::keyReleased, this,
            [this](int key) { runGuarded(m_main, [this, key] { FileListBoxKeyUp(key); }); });
    connect(m_main->openExplorer(), &QAbstractButton::clicked, this, guarded(m_main, [this] { OpenExplorerClick(); }));
    m_secondClickRename.setSingleShot(true);
    m_secondClickRename.setInterval(QApplication::doubleClickInterval());
    connect(&m_secondClickRename, &QTimer::timeout, this, guarded(m_main, [this] { puRenameClick(); }));
}

FileListBox *FileListCommands::fileList() const
{
    return m_main->fileListBox();
}

void FileListCommands::createPopupMenu()
{
    m_popupMenu = new QMenu(m_main);
    m_popupMenu->setObjectName(u"PopupMenu"_s);
    m_puOpen = m_popupMenu->addAction(u"Open"_s);
    m_puSend = m_popupMenu->addAction(u"&Send"_s);
    m_puRename = m_popupMenu->addAction(u"&Rename file"_s);
    m_puDelete = m_popupMenu->addAction(u"Delete"_s);
    m_puOpen->setObjectName(u"puOpen"_s);
    m_puSend->setObjectName(u"puSend"_s);
    m_puRename->setObjectName(u"puRename"_s);
    m_puDelete->setObjectName(u"puDelete"_s);

    connect(m_puOpen, &QAction::triggered, this, guarded(m_main, [this] { puOpenClick(); }));
    connect(m_puSend, &QAction::triggered, this, guarded(m_main, [this] { m_main->Button2Click(); }));
    connect(m_puRename, &QAction::triggered, this, guarded(m_main, [this] { puRenameClick(); }));
    connect(m_puDelete, &QAction::triggered, this, guarded(m_main, [this] { puDeleteClick(); }));

    FileListBox *list = fileList();
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { m_popupMenu->popup(fileList()->viewport()->mapToGlobal(pos)); });
}

void FileListCommands::readCaptions(const LanguageFile &lng)
{
    const QString main = u"Main"_s;
    m_puOpen->setText(lng.text(main, u"puOpen->Caption"_s));
    m_puSend->setText(lng.text(main, u"puSend->Caption"_s));
    m_puRename->setText(lng.text(main, u"puRename->Caption"_s));
    m_puDelete->setText(lng.text(main, u"puDelete->Caption"_s));
}

void FileListCommands::OpenWithShell(const QString &path)
{
    m_openUrl(QUrl::fromLocalFile(path)); // the desktop reports its own failures, if any
}

void FileListCommands::FileListBoxDblClick()
{
    // A double click opens; the click that began it must not rename as well.
    m_secondClickRename.stop();
    m_lastClickedIndex = -1;
    m_swallowNextClick = true;
    OpenWithShell(fileList()->currentFilePath());
}

void FileListCommands::puOpenClick()
{
    OpenWithShell(fileList()->currentFilePath());
}

void FileListCommands::puRenameClick()
{
    const int row = fileList()->currentRow();
    const QString current = fileList()->currentFilePath();
    const QString typed = m_main->prompts().inputBox(m_main->state().messages.text(18),
                                                     m_main->state().messages.text(19), FileOps::fileName(current));
    // The typed text goes after the folder as it is, so "sub/name" moves the file into "sub".
    const QString folderPart = current.left(current.lastIndexOf(u'/') + 1);
    if (!current.isEmpty())
        FileOps::renameNoReplace(current, FileOps::reduceRootJoin(folderPart + typed));
    rereadAt(row);
}

void FileListCommands::puDeleteClick()
{
    const MessageTable &messages = m_main->state().messages;
    if (m_main->prompts().askOkCancel(messages.text(16), messages.text(17)) != UserPrompts::Ok)
        return;
    const int row = fileList()->currentRow();
    const QString current = fileList()->currentFilePath();
    if (!current.isEmpty())
        QFile::remove(current); // permanent; a refusal goes unreported like the other file commands
    rereadAt(row);
}

void FileListCommands::rereadAt(int row)
{
    fileList()->reread();
    fileList()->setCurrentRow(row);
}

void FileListCommands::FileListBoxClick()
{
    m_main->button2()->setEnabled(true);
    if (std::exchange(m_swallowNextClick, false))
        return;
    const int index = fileList()->currentRow();
    if (index == m_lastClickedIndex) {
        m_secondClickRename.start();
        m_lastClickedIndex = -1;
    } else {
        m_lastClickedIndex = index;
    }
}

void FileListCommands::FileListBoxKeyUp(int key)
{
    switch (key) {
    case Qt::Key_Delete:
        puDeleteClick();
        break;
    case Qt::Key_F1:
        m_main->HelpClick();
        break;
    case Qt::Key_F2:
        puRenameClick();
        break;
    default:
        break;
    }
}

void FileListCommands::OpenExplorerClick()
{
    const QString root = m_main->optionDialog()->rootFolder();
    m_openUrl(QUrl::fromLocalFile(root.isEmpty() ? QDir::homePath() : root));
}
