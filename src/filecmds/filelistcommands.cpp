#include "filelistcommands.h"

#include "desk.h"
#include "deskview.h"
#include "fileops.h"
#include "keywordtable.h"
#include "rawnames.h"
#include "trash.h"
#include "userprompts.h"

#include "browser/filelist.h"
#include "dialogs/handlerguard.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QUrl>

using namespace Qt::StringLiterals;

FileListCommands::FileListCommands(Desk &desk, DeskView &view, FileList *list, QWidget *window)
    : QObject(window)
    , m_desk(desk)
    , m_view(view)
    , m_list(list)
    , m_window(window)
    , m_openUrl([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
    createPopupMenu();
    connect(list, &QAbstractItemView::clicked, this, guarded(m_window, [this] { handleClick(); }));
    connect(list, &QAbstractItemView::doubleClicked, this, guarded(m_window, [this] { handleDoubleClick(); }));
    connect(list, &FileList::keyReleased, this,
            [this](int key) { runGuarded(m_window, [this, key] { handleKeyRelease(key); }); });
    m_secondClickRename.setSingleShot(true);
    m_secondClickRename.setInterval(QApplication::doubleClickInterval());
    connect(&m_secondClickRename, &QTimer::timeout, this,
            guarded(m_window, [this] { renameFile(m_clickedTwice, m_clickedTwiceRow); }));
}

void FileListCommands::createPopupMenu()
{
    m_popupMenu = new QMenu(m_window);
    m_popupMenu->setObjectName(u"fileListMenu"_s);
    m_openAction = m_popupMenu->addAction(u"Open"_s);
    m_sendAction = m_popupMenu->addAction(u"&Send"_s);
    m_renameAction = m_popupMenu->addAction(u"&Rename file"_s);
    m_deleteAction = m_popupMenu->addAction(u"Delete"_s);

    connect(m_openAction, &QAction::triggered, this, guarded(m_window, [this] { openCurrentFile(); }));
    connect(m_sendAction, &QAction::triggered, this, guarded(m_window, [this] { moveSelectedFiles(); }));
    connect(m_renameAction, &QAction::triggered, this, guarded(m_window, [this] { renameCurrentFile(); }));
    connect(m_deleteAction, &QAction::triggered, this, guarded(m_window, [this] { deleteCurrentFile(); }));

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
        = m_desk.prompts().inputBox(m_desk.state().messages.text(18), m_desk.state().messages.text(19), name);
    // The typed text goes after the folder as it is, so "sub/name" moves the file into "sub". The name
    // left as it was (also by Cancel) is no rename.
    const QString folderPart = current.left(current.lastIndexOf(u'/') + 1);
    QString error;
    if (typed != name
        && !FileOps::renameNoReplace(current, FileOps::reduceRootJoin(folderPart + typed), m_desk.state().messages,
                                     &error))
        m_desk.prompts().notify(error);
    rereadAt(row);
}

void FileListCommands::deleteCurrentFile()
{
    const int row = fileList()->currentRow();
    const QString current = fileList()->currentFilePath();
    if (current.isEmpty())
        return;
    Trash::deleteWithCompanions(m_desk.prompts(), m_desk.state().messages, current);
    m_view.rereadSourceFolder(); // the companion folders may have gone too
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
        Q_EMIT helpRequested();
        break;
    case Qt::Key_F2:
        renameCurrentFile();
        break;
    default:
        break;
    }
}

void FileListCommands::offerRenamingUnreadableNames(const QString &folder)
{
    if (m_foldersCheckedForRawNames.contains(folder))
        return;
    m_foldersCheckedForRawNames.insert(folder);
    const QList<RawNames::UndecodableName> names = RawNames::undecodableNames(folder);
    if (names.isEmpty())
        return;
    const MessageTable &messages = m_desk.state().messages;
    UserPrompts &prompts = m_desk.prompts();
    const QString question = RawNames::renameQuestion(folder, names, messages);
    if (question.isEmpty()) {
        prompts.notify(RawNames::notice(folder, names, messages));
        return;
    }
    if (prompts.askYesNo(question, QString()) != UserPrompts::Yes)
        return;
    if (const QStringList failures = RawNames::renameToReadings(folder, names, messages); !failures.isEmpty())
        prompts.notify(failures.join(u'\n'));
    m_list->reread();
}

void FileListCommands::moveSelectedFiles()
{
    const QString root = m_desk.options().rootFolder;
    ProgramState &state = m_desk.state();
    state.currentDestination = root;
    if (const auto folder = m_desk.prompts().chooseFolder(root, 1)) {
        QStringList sources;
        for (int i = 0; i < m_list->count(); ++i) {
            if (m_list->item(i)->isSelected())
                sources.append(m_list->pathOf(m_list->item(i)->text()));
        }
        const int row = m_list->currentRow();
        QStringList failed;
        m_view.runPass([&] { failed = m_desk.moveFiles(sources, *folder, m_view); });
        // The focus stays on the same item number; what is selected now is what did not move.
        m_list->selectionModel()->setCurrentIndex(m_list->model()->index(row, 0), QItemSelectionModel::NoUpdate);
        QString lastMoved;
        for (const QString &source : std::as_const(sources)) {
            if (!failed.contains(FileOps::fileName(source)))
                lastMoved = source;
        }
        if (!lastMoved.isEmpty()) {
            if (const auto line = offerKeyword(m_desk.prompts(), state.messages, lastMoved, root, *folder))
                m_view.appendKeywordLine(*line);
        }
        if (!failed.isEmpty())
            m_desk.prompts().msgBox(failed.join(u'\n') + u'\n' + state.messages.text(15), QString(), u"OK"_s, 1);
    }
    resetLastClickedIndex();
}

void FileListCommands::openRootFolder()
{
    const QString root = m_desk.options().rootFolder;
    m_openUrl(QUrl::fromLocalFile(root.isEmpty() ? QDir::homePath() : root));
}
