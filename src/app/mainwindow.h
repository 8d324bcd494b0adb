#pragma once

#include "fileops.h"
#include "mainview.h"
#include "programstate.h"

#include "dialogs/languagetable.h"

#include "movejournal.h"

#include <QFileSystemWatcher>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class VolumeChooser;
class FolderList;
class FileList;
class KeywordChoiceDialog;
class HelpWindow;
class WaitWindow;
class OptionsDialog;
class MessageDialog;
class UserPrompts;
class PatternFileCommands;
class FindReplaceCommands;
class KeywordListMenu;
class FileListCommands;
class PassCommands;
class ModalWait;
class QKeyEvent;

Q_DECLARE_METATYPE(LoggedMove)

// The main window: source folder browser, keyword list, classification log and the two button rows.
class MainWindow : public QWidget, public MainView
{
    Q_OBJECT
public:
    /// Where a log item keeps the move it shows.
    static constexpr int LoggedMoveRole = Qt::UserRole;

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    /// The other windows, created after this one.
    void attachWindows(KeywordChoiceDialog *keywordChoiceDialog, HelpWindow *helpWindow, WaitWindow *waitWindow,
                       OptionsDialog *optionsDialog, MessageDialog *messageDialog);

    /// Questions go here; tests put a scripted one in place of the dialogs.
    void setPrompts(UserPrompts *prompts);
    UserPrompts &prompts() const;
    /// Whom the moves ask and tell, and where they are recorded.
    MoveContext moveContext();
    /// The keyword list's text exactly as typed (no-break spaces included).
    QString keywordListText() const;

    /// Runs once before the window becomes visible: settings, language texts, first run, keyword list.
    void firstShow();

    ProgramState &state() { return m_state; }
    /// Where this window's moves are recorded.
    MoveJournal &journal() { return m_journal; }

    // MainView
    void appendMove(const LoggedMove &move) override;
    void refreshFileList() override;
    void appendKeywordLine(const QString &line) override;
    void setProgressVisible(bool visible) override;
    void setProgress(int percent) override;
    void showWait(int percent) override;
    void hideWait() override;
    void keepAlive() override;
    bool stopRequested() const override;

    // Controls, named as the window's users know them.
    QGroupBox *sourceGroup() const { return m_sourceGroup; }
    VolumeChooser *volumeChooser() const { return m_volumeChooser; }
    FolderList *folderList() const { return m_folderList; }
    FileList *fileList() const { return m_fileList; }
    QPushButton *classifyButton() const { return m_classifyButton; }
    QPushButton *moveButton() const { return m_moveButton; }
    QLabel *keywordCaption() const { return m_keywordCaption; }
    QPlainTextEdit *keywordList() const { return m_keywordList; }
    QPushButton *replaceButton() const { return m_replaceButton; }
    QPushButton *newListButton() const { return m_newListButton; }
    QPushButton *loadButton() const { return m_loadButton; }
    QPushButton *optionsButton() const { return m_optionsButton; }
    QLabel *logCaption() const { return m_logCaption; }
    QListWidget *log() const { return m_log; }
    QPushButton *undoButton() const { return m_undoButton; }
    QPushButton *explorerButton() const { return m_explorerButton; }
    QPushButton *exitButton() const { return m_exitButton; }
    QPushButton *helpButton() const { return m_helpButton; }
    QTimer *parseTimer() { return &m_parseTimer; }
    OptionsDialog *optionsDialog() const { return m_optionsDialog; }

    // The command groups beside the window.
    PatternFileCommands *patternFileCommands() const { return m_patternFileCommands; }
    FindReplaceCommands *findReplaceCommands() const { return m_findReplaceCommands; }
    KeywordListMenu *keywordListMenu() const { return m_keywordListMenu; }
    FileListCommands *fileListCommands() const { return m_fileListCommands; }
    PassCommands *passCommands() const { return m_passCommands; }

    void showOptions();
    void showHelp();
    /// Reads the keyword list into the keyword table and lets Classify go.
    void parseKeywordList();
    void classify();
    /// Move / Send: the selected files into a folder the user picks.
    void moveSelectedFiles();
    void undoSelectedMove();
    /// Runs a pass of moves in the modal wait state; a stop asked for by the user ends it quietly.
    void runPass(const std::function<void()> &body);

    /// Starts the parse timer unless it already runs.
    void startParseTimer();

    /// Lists the source folder's subfolders and files again (F5, and after moves and deletes).
    void rereadSourceFolder();
    /// True while a pass moves files; user input then reaches only the pass's own questions.
    bool passRunning() const { return m_passWait != nullptr; }

Q_SIGNALS:
    /// The window has closed for good: the program ends with it, whatever else is open.
    void closed();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    /// Wires the keyword list editing and file list commands that live beside the window.
    void attachCommands();
    void createLanguageTable();
    void applyLayout();
    void applyLanguage();
    /// Buttons whose translated captions need more room grow, keeping their places in the rows.
    void fitButtons();
    void readSettings();
    void loadKeywordList();
    void dropTrailingBlankLines();
    /// Writes the keyword list and the settings; throws, and the window stays open, when one cannot be written.
    void saveOnClose();
    /// Counters into the lines, rarely used keywords retired, lines sorted.
    void rewriteKeywordListInPlace();
    /// An edit holds Classify back until the list has been parsed again.
    void scheduleParse();
    void openVolume(int index);
    void followSourceFolder(const QString &folder);
    void offerRenamingUnreadableNames(const QString &folder);
    void updateUndoButton();
    void updateMoveButton();
    void setSourceFolder(const QString &folder);
    /// The file list follows its folder while the program is idle.
    void watchSourceFolder(const QString &folder);
    void rereadWhenIdle();
    /// Tab and Shift+Tab leave the keyword list; only Ctrl+Tab types a tab character into it.
    bool keywordListTabKey(QKeyEvent *event);
    bool selectFocusedLine(QListWidget *list, QKeyEvent *event);

    ProgramState m_state;

    QGroupBox *m_sourceGroup = nullptr;
    VolumeChooser *m_volumeChooser = nullptr;
    FolderList *m_folderList = nullptr;
    FileList *m_fileList = nullptr;
    QPushButton *m_classifyButton = nullptr;
    QPushButton *m_moveButton = nullptr;
    QWidget *m_logButtonRow = nullptr;
    QPushButton *m_undoButton = nullptr;
    QPushButton *m_explorerButton = nullptr;
    QPushButton *m_helpButton = nullptr;
    QPushButton *m_exitButton = nullptr;
    QPlainTextEdit *m_keywordList = nullptr;
    QLabel *m_keywordCaption = nullptr;
    QWidget *m_listButtonRow = nullptr;
    QPushButton *m_replaceButton = nullptr;
    QPushButton *m_newListButton = nullptr;
    QPushButton *m_loadButton = nullptr;
    QPushButton *m_optionsButton = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QLabel *m_logCaption = nullptr;
    QListWidget *m_log = nullptr;
    QTimer m_parseTimer;
    LanguageTable m_language;
    MoveJournal m_journal {MoveJournal::defaultPath()};
    QSet<QString> m_foldersCheckedForRawNames;
    QFileSystemWatcher m_folderWatcher;
    QTimer m_folderChanged; ///< gathers a burst of changes into one re-read
    std::unique_ptr<ModalWait> m_passWait;

    HelpWindow *m_helpWindow = nullptr;
    WaitWindow *m_waitWindow = nullptr;
    OptionsDialog *m_optionsDialog = nullptr;
    PatternFileCommands *m_patternFileCommands = nullptr;
    FindReplaceCommands *m_findReplaceCommands = nullptr;
    KeywordListMenu *m_keywordListMenu = nullptr;
    FileListCommands *m_fileListCommands = nullptr;
    PassCommands *m_passCommands = nullptr;
    std::unique_ptr<UserPrompts> m_ownPrompts;
    UserPrompts *m_prompts = nullptr;
};
