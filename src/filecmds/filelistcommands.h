#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <functional>
#include <utility>

class Desk;
class DeskView;
class FileList;
class QAction;
class QMenu;
class QUrl;

// Commands on single files of the source folder: open, rename, delete, and the file browser on the
// parent folder of the destination folders. They act on the focused file, never on the whole selection.
class FileListCommands : public QObject
{
    Q_OBJECT
public:
    /// Hands a file or folder to the desktop without waiting; tests record it instead.
    using UrlOpener = std::function<bool(const QUrl &url)>;

    /// Its questions and menu open over `window`.
    FileListCommands(Desk &desk, DeskView &view, FileList *list, QWidget *window);

    QAction *openAction() const { return m_openAction; }
    QAction *sendAction() const { return m_sendAction; }
    QAction *renameAction() const { return m_renameAction; }
    QAction *deleteAction() const { return m_deleteAction; }

    int lastClickedIndex() const { return m_lastClickedIndex; }
    void resetLastClickedIndex()
    {
        m_lastClickedIndex = -1;
        m_secondClickRename.stop();
    }
    /// True while a second click waits to become a rename.
    bool renamePending() const { return m_secondClickRename.isActive(); }
    void setUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }

    void openWithDesktop(const QString &path);
    void openCurrentFile();
    void renameCurrentFile();
    /// Asks for a new name of the file at `path`, which the list shows in `row`.
    void renameFile(const QString &path, int row);
    void deleteCurrentFile();
    /// Names that are not UTF-8 keep files out of the list, so they would never be filed: once per folder and
    /// run, the user hears of them and may have them renamed to their Shift-JIS reading.
    void offerRenamingUnreadableNames(const QString &folder);
    /// Move / Send: the selected files into a folder the user picks, then a keyword line offered for it.
    void moveSelectedFiles();
    /// The file browser on the parent folder of the destination folders.
    void openRootFolder();

Q_SIGNALS:
    /// F1 in the list: the window opens its help.
    void helpRequested();

private:
    FileList *fileList() const { return m_list; }
    void createPopupMenu();
    /// A second click on the same file renames it.
    void handleClick();
    void handleDoubleClick();
    /// Delete, F1 and F2 in the list.
    void handleKeyRelease(int key);
    /// Lists the folder again with the focus back on the same item number.
    void rereadAt(int row);

    Desk &m_desk;
    DeskView &m_view;
    FileList *m_list;
    QWidget *m_window;
    QMenu *m_popupMenu = nullptr;
    QAction *m_openAction = nullptr;
    QAction *m_sendAction = nullptr;
    QAction *m_renameAction = nullptr;
    QAction *m_deleteAction = nullptr;
    UrlOpener m_openUrl;
    QSet<QString> m_foldersCheckedForRawNames;
    int m_lastClickedIndex = -1;
    /// A second click renames only once it is clear that it did not begin a double click.
    QTimer m_secondClickRename;
    /// The file clicked twice: a click on another item meanwhile does not make that one the file renamed.
    QString m_clickedTwice;
    int m_clickedTwiceRow = -1;
    /// The release that ends a double click reports one more click; it must not count.
    bool m_swallowNextClick = false;
};
