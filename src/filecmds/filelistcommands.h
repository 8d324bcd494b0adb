#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <utility>

class FileListBox;
class LanguageFile;
class QAction;
class QMenu;
class QUrl;
class TMain;

// Commands on single files of the source folder: open, rename, delete, and the file browser on the
// parent folder of the destination folders. They act on the focused file, never on the whole selection.
class FileListCommands : public QObject
{
    Q_OBJECT
public:
    /// Hands a file or folder to the desktop without waiting; tests record it instead.
    using UrlOpener = std::function<bool(const QUrl &url)>;

    explicit FileListCommands(TMain *main);

    QMenu *popupMenu() const { return m_popupMenu; }
    int lastClickedIndex() const { return m_lastClickedIndex; }
    void resetLastClickedIndex()
    {
        m_lastClickedIndex = -1;
        m_secondClickRename.stop();
    }
    /// True while a second click waits to become a rename.
    bool renamePending() const { return m_secondClickRename.isActive(); }
    void setUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }

    void readCaptions(const LanguageFile &lng);

    void OpenWithShell(const QString &path);
    void FileListBoxDblClick();
    void puOpenClick();
    void puRenameClick();
    void puDeleteClick();
    void FileListBoxClick();
    void FileListBoxKeyUp(int key);
    void OpenExplorerClick();

private:
    FileListBox *fileList() const;
    void createPopupMenu();
    /// Lists the folder again with the focus back on the same item number.
    void rereadAt(int row);

    TMain *m_main;
    QMenu *m_popupMenu = nullptr;
    QAction *m_puOpen = nullptr;
    QAction *m_puSend = nullptr;
    QAction *m_puRename = nullptr;
    QAction *m_puDelete = nullptr;
    UrlOpener m_openUrl;
    int m_lastClickedIndex = -1;
    /// A second click renames only once it is clear that it did not begin a double click.
    QTimer m_secondClickRename;
    /// The release that ends a double click reports one more click; it must not count.
    bool m_swallowNextClick = false;
};
