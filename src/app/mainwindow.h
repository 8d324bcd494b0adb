#pragma once

#include "desk.h"
#include "deskview.h"

#include "dialogs/languagetable.h"
#include "editing/keywordlistbox.h"
#include "passes/passcommands.h"
#include "passes/passlog.h"

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
class FolderFollow;
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
class ModalWait;
class QKeyEvent;

// The main window, the view of the desk: source folder browser, keyword list, classification log and the
// two button rows. Its commands live beside it in their groups, which take the desk and this view.
class MainWindow : public QWidget, public DeskView
{
    Q_OBJECT
public:
    /// Where a log item keeps the move it shows.
    static constexpr int LoggedMoveRole = PassCommands::LoggedMoveRole;

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    /// The other windows, created after this one.
    void attachWindows(KeywordChoiceDialog *keywordChoiceDialog, HelpWindow *helpWindow, WaitWindow *waitWindow,
                       OptionsDialog *optionsDialog, MessageDialog *messageDialog);

    /// Questions go here; tests put a scripted one in place of the dialogs.
    void setPrompts(UserPrompts *prompts);
    UserPrompts &prompts() const { return m_desk.prompts(); }
    /// Whom the moves ask and tell, and where they are recorded.
    MoveContext moveContext() { return m_desk.moveContext(*this); }

    /// Runs once before the window becomes visible: settings, language texts, first run, keyword list.
    void firstShow();

    Desk &desk() { return m_desk; }
    ProgramState &state() { return m_desk.state(); }
    /// Where this window's moves are recorded.
    MoveJournal &journal() { return m_desk.journal(); }

    // DeskView
    QString keywordListText() const override;
    void setKeywordListText(const QString &text) override;
    void parseNowIfEdited() override;
    /// Lists the source folder's subfolders and files again (F5, and after moves and deletes).
    void rereadSourceFolder() override;
    /// Runs a pass of moves in the modal wait state; a stop asked for by the user ends it quietly.
    void runPass(const std::function<void()> &body) override;
    void showSummary(const QString &text) override;
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
    KeywordListBox *keywordList() const { return m_keywordList; }
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
    QTimer *parseTimer();
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
    // The commands of the groups, for the keys and buttons that reach them from the window.
    void classify();
    void moveSelectedFiles();
    void undoSelectedMove();

    /// Starts the parse timer unless it already runs.
    void startParseTimer();

    /// True while a pass moves files; user input then reaches only the pass's own questions.
    bool passRunning() const { return m_passWait != nullptr; }

Q_SIGNALS:
    /// The window has closed for good: the program ends with it, whatever else is open.
    void closed();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

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
    /// Writes the keyword list and the settings; throws, and the window stays open, when one cannot be written.
    void saveOnClose();
    /// Counters into the lines, rarely used keywords retired, lines sorted.
    void rewriteKeywordListInPlace();
    void openVolume(int index);
    void followSourceFolder(const QString &folder);
    void updateUndoButton();
    void updateMoveButton();
    void setSourceFolder(const QString &folder);

    Desk m_desk;

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
    KeywordListBox *m_keywordList = nullptr;
    QLabel *m_keywordCaption = nullptr;
    QWidget *m_listButtonRow = nullptr;
    QPushButton *m_replaceButton = nullptr;
    QPushButton *m_newListButton = nullptr;
    QPushButton *m_loadButton = nullptr;
    QPushButton *m_optionsButton = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QLabel *m_logCaption = nullptr;
    PassLog *m_log = nullptr;
    LanguageTable m_language;
    FolderFollow *m_folderFollow = nullptr; ///< the file list follows its folder while the program is idle
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
    bool m_promptsSet = false;
};
