#pragma once

#include "fileops.h"
#include "languagefile.h"
#include "mainview.h"
#include "programstate.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class DriveComboBox;
class DirectoryListBox;
class FileListBox;
class TDialog1;
class THelpSearch;
class TWait;
class TOptionDialog;
class TMyMessageDlg;
class UserPrompts;
class PatternFileCommands;
class FindReplaceCommands;
class EditPopupMenu;
class FileListCommands;

// The main window: source folder browser, keyword list, classification log and the two button rows.
class TMain : public QWidget, public MainView
{
    Q_OBJECT
public:
    explicit TMain(QWidget *parent = nullptr);
    ~TMain() override;

    /// The other windows, created after this one.
    void attachWindows(TDialog1 *dialog1, THelpSearch *helpSearch, TWait *wait, TOptionDialog *optionDialog,
                       TMyMessageDlg *myMessageDlg);

    /// Questions go here; tests put a scripted one in place of the dialogs.
    void setPrompts(UserPrompts *prompts);
    UserPrompts &prompts() const;
    /// Whom the moves ask and tell, and where they are recorded.
    MoveContext moveContext();

    /// Runs once before the window becomes visible: settings, language texts, first run, keyword list.
    void FormShow();

    ProgramState &state() { return m_state; }

    // MainView
    void appendLog(const QString &line, const QString &fileName) override;
    void refreshFileList() override;
    void appendKeywordLine(const QString &line) override;
    void setProgressVisible(bool visible) override;
    void setProgress(int percent) override;
    void showWait(int percent) override;
    void hideWait() override;

    // Controls, named as the window's users know them.
    DriveComboBox *driveComboBox() const { return m_driveComboBox; }
    DirectoryListBox *directoryListBox() const { return m_directoryListBox; }
    FileListBox *fileListBox() const { return m_fileListBox; }
    QPlainTextEdit *keyWordList() const { return m_keyWordList; }
    QListWidget *log() const { return m_log; }
    QPushButton *button1() const { return m_button1; }
    QPushButton *button2() const { return m_button2; }
    QPushButton *btnUndo() const { return m_btnUndo; }
    QPushButton *btnReplace() const { return m_btnReplace; }
    QPushButton *btnNew() const { return m_btnNew; }
    QPushButton *btnLoad() const { return m_btnLoad; }
    QPushButton *openExplorer() const { return m_openExplorer; }
    QTimer *timer1() { return &m_timer1; }
    TOptionDialog *optionDialog() const { return m_optionDialog; }

    // The command groups beside the window.
    PatternFileCommands *patternFileCommands() const { return m_patternFileCommands; }
    FindReplaceCommands *findReplaceCommands() const { return m_findReplaceCommands; }
    EditPopupMenu *editPopupMenu() const { return m_editPopupMenu; }
    FileListCommands *fileListCommands() const { return m_fileListCommands; }

    void btnExitClick();
    void btnOptionClick();
    void HelpClick();
    void Timer1Timer();
    void Button1Click();
    void Button2Click();
    void btnUndoClick();

    /// Starts the parse timer unless it already runs.
    void startTimer1();

Q_SIGNALS:
    /// Hooks for the command groups that live beside the window.
    void firstShowDone();
    void languageRead(const LanguageFile &file);
    void moveCommandDone();
    /// The window has closed for good: the program ends with it, whatever else is open.
    void closed();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    /// Wires the keyword list editing and file list commands that live beside the window.
    void attachCommands();
    void applyLayout();
    void applyLanguage();
    void readSettings();
    void loadKeywordList();
    void dropTrailingBlankLines();
    void FormClose();
    /// Counters into the lines, rarely used keywords retired, lines sorted.
    void RewriteKeywordList();
    void KeyWordListChange();
    void DriveComboBoxChange(int index);
    void DirectoryListBoxChange(const QString &folder);
    void LogMouseUp();
    void setSourceFolder(const QString &folder);

    ProgramState m_state;

    QGroupBox *m_groupBox1 = nullptr;
    DriveComboBox *m_driveComboBox = nullptr;
    DirectoryListBox *m_directoryListBox = nullptr;
    FileListBox *m_fileListBox = nullptr;
    QPushButton *m_button1 = nullptr;
    QPushButton *m_button2 = nullptr;
    QWidget *m_panel4 = nullptr;
    QPushButton *m_btnUndo = nullptr;
    QPushButton *m_openExplorer = nullptr;
    QPushButton *m_help = nullptr;
    QPushButton *m_btnExit = nullptr;
    QPlainTextEdit *m_keyWordList = nullptr;
    QLabel *m_panel1 = nullptr;
    QWidget *m_panel3 = nullptr;
    QPushButton *m_btnReplace = nullptr;
    QPushButton *m_btnNew = nullptr;
    QPushButton *m_btnLoad = nullptr;
    QPushButton *m_btnOption = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QLabel *m_panel2 = nullptr;
    QListWidget *m_log = nullptr;
    QTimer m_timer1;
    bool m_outerSizeFitted = false;
    bool m_deferFileListRefresh = false; ///< a Classify pass re-reads the file list once, at its end

    TDialog1 *m_dialog1 = nullptr;
    THelpSearch *m_helpSearch = nullptr;
    TWait *m_wait = nullptr;
    TOptionDialog *m_optionDialog = nullptr;
    TMyMessageDlg *m_myMessageDlg = nullptr;
    PatternFileCommands *m_patternFileCommands = nullptr;
    FindReplaceCommands *m_findReplaceCommands = nullptr;
    EditPopupMenu *m_editPopupMenu = nullptr;
    FileListCommands *m_fileListCommands = nullptr;
    std::unique_ptr<UserPrompts> m_ownPrompts;
    UserPrompts *m_prompts = nullptr;
};
