#include "mainwindow.h"

#include "apppaths.h"
#include "mainlayout.h"
#include "marrowdaleerror.h"
#include "modalwait.h"
#include "programlanguage.h"

#include "browser/filelist.h"
#include "browser/folderfollow.h"
#include "browser/folderlist.h"
#include "browser/listkeys.h"
#include "browser/volumechooser.h"
#include "dialogs/buttonfit.h"
#include "dialogs/handlerguard.h"
#include "dialogs/messagedialog.h"
#include "dialogs/optionsdialog.h"
#include "dialogs/programfonts.h"
#include "dialogs/waitwindow.h"
#include "dialogs/widgetprompts.h"
#include "dialogs/windowplacement.h"
#include "editing/findreplacecommands.h"
#include "editing/keywordlistbox.h"
#include "editing/keywordlistmenu.h"
#include "editing/patternfilecommands.h"
#include "filecmds/filelistcommands.h"
#include "help/helpwindow.h"
#include "passes/passlog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QPushButton *rowButton(QWidget *row, const QString &caption, int left)
{
    using namespace MainGeometry;
    auto *button = new QPushButton(caption, row);
    button->setGeometry(left, rowButtonTop, rowButtonWidth, rowButtonHeight);
    return button;
}

QLabel *captionPanel(QWidget *parent, const QString &caption, int width)
{
    auto *panel = new QLabel(caption, parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAlignment(Qt::AlignCenter);
    panel->resize(width, MainGeometry::captionHeight);
    return panel;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent)
    , m_language(u"Main"_s)
{
    setProperty("marrowdaleMainWindow", true);
    setWindowTitle(u"Marrowdale for Linux ver. 1.25"_s);
    setFont(ProgramFonts::proportional(11));
    createControls();
    resize(MainGeometry::initialWidth, MainGeometry::initialHeight);
    // The initial size is the outer size; the frame is known only once the window manager has it.
    WindowPlacement::keepCentred(this, [this](const QMargins &frame) {
        resize(MainGeometry::initialWidth - frame.left() - frame.right(),
               MainGeometry::initialHeight - frame.top() - frame.bottom());
    });
    // Not in the middle of a pass (it re-reads at its end) nor under a question or menu, which may be about
    // a file of the list.
    m_folderFollow = new FolderFollow([this] { runGuarded(this, [this] { rereadSourceFolder(); }); },
                                      [this] {
                                          return m_passWait || QApplication::activeModalWidget()
                                              || QApplication::activePopupWidget();
                                      },
                                      this);
    attachCommands();
    createLanguageTable();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls()
{
    using namespace MainGeometry;
    m_sourceGroup = new QGroupBox(u"Quillet files before classification"_s, this);
    m_volumeChooser = new VolumeChooser(m_sourceGroup);
    m_volumeChooser->setGeometry(volumeLeft, volumeTop, volumeWidth, m_volumeChooser->sizeHint().height());
    m_folderList = new FolderList(m_sourceGroup);
    // Starts where the program was started, until the settings say otherwise.
    try {
        m_folderList->setFolder(QDir::currentPath());
    } catch (const MarrowdaleError &) { }
    m_folderList->move(folderListLeft, folderListTop);
    m_folderList->resize(folderListWidth, m_folderList->height());
    m_fileList = new FileList(m_sourceGroup);
    m_fileList->setGeometry(fileListLeft, fileListTop, m_fileList->width(), fileListInitialHeight);

    m_classifyButton = new QPushButton(u"&Classify"_s, this);
    m_classifyButton->setGeometry(classifyLeft, 0, buttonWidth, buttonHeight);
    m_classifyButton->setEnabled(false);
    m_moveButton = new QPushButton(u"&Move"_s, this);
    m_moveButton->setGeometry(moveLeft, 0, buttonWidth, buttonHeight);
    m_moveButton->setEnabled(false);

    m_logButtonRow = new QWidget(this);
    m_logButtonRow->resize(logButtonRowWidth, buttonRowHeight);
    m_undoButton = rowButton(m_logButtonRow, u"&Undo"_s, logButtonLefts[0]);
    m_undoButton->setEnabled(false);
    m_explorerButton = rowButton(m_logButtonRow, u"&Explorer"_s, logButtonLefts[1]);
    m_exitButton = rowButton(m_logButtonRow, u"E&xit"_s, logButtonLefts[2]);
    m_helpButton = rowButton(m_logButtonRow, u"&Help"_s, logButtonLefts[3]);

    m_keywordList = new KeywordListBox(this);

    m_keywordCaption = captionPanel(this, u"  Keyword and Destination"_s, keywordCaptionWidth);
    m_keywordCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_listButtonRow = new QWidget(this);
    m_listButtonRow->resize(listButtonRowWidth, buttonRowHeight);
    m_replaceButton = rowButton(m_listButtonRow, u"&Replace"_s, listButtonLefts[0]);
    m_newListButton = rowButton(m_listButtonRow, u"&New List"_s, listButtonLefts[1]);
    m_loadButton = rowButton(m_listButtonRow, u"&Load"_s, listButtonLefts[2]);
    m_optionsButton = rowButton(m_listButtonRow, u"&Option"_s, listButtonLefts[3]);

    m_progressBar = new QProgressBar(this);
    m_progressBar->setRange(0, 100);
    m_progressBar->resize(progressWidth, progressHeight);
    m_progressBar->setTextVisible(false);
    m_progressBar->hide();

    m_logCaption = captionPanel(this, u"Class. Log"_s, logCaptionWidth);
    m_log = new PassLog(this);
    new FirstArrowSelects(m_log);
    new FirstArrowSelects(m_fileList);

    // Tab order as the window is laid out: the source folder, then the keyword list with its buttons,
    // then the log with its own.
    const QList<QWidget *> order {m_volumeChooser, m_folderList,    m_fileList,       m_classifyButton, m_moveButton,
                                  m_keywordList,   m_replaceButton, m_newListButton,  m_loadButton,     m_optionsButton,
                                  m_log,           m_undoButton,    m_explorerButton, m_exitButton,     m_helpButton};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    // F1 reaches the window's own key handling only from these controls.
    const QList<QWidget *> windowKeys {m_folderList,     m_classifyButton, m_moveButton, m_undoButton,
                                       m_explorerButton, m_helpButton,     m_exitButton, m_keywordList,
                                       m_replaceButton,  m_newListButton,  m_loadButton, m_optionsButton};
    for (QWidget *w : windowKeys)
        w->setProperty("marrowdaleF1", true);

    connect(m_exitButton, &QPushButton::clicked, this, guarded(this, [this] { close(); }));
    connect(m_optionsButton, &QPushButton::clicked, this, guarded(this, [this] { showOptions(); }));
    connect(m_helpButton, &QPushButton::clicked, this, guarded(this, [this] { showHelp(); }));

    connect(m_keywordList, &KeywordListBox::edited, this, [this] { m_classifyButton->setEnabled(false); });
    connect(m_keywordList, &KeywordListBox::parseDue, this, guarded(this, [this] { parseKeywordList(); }));
    connect(m_volumeChooser, &QComboBox::activated, this,
            [this](int index) { runGuarded(this, [this, index] { openVolume(index); }); });
    // Following a folder may ask and rename.
    connect(m_folderList, &FolderList::folderChanged, this,
            [this](const QString &folder) { runGuarded(this, [this, folder] { followSourceFolder(folder); }); });
    // Undo and Move follow the selections, however they are made.
    connect(m_log, &QListWidget::itemSelectionChanged, this, [this] { updateUndoButton(); });
    connect(m_fileList, &QListWidget::itemSelectionChanged, this, [this] { updateMoveButton(); });
    auto *reread = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(reread, &QShortcut::activated, this, guarded(this, [this] { rereadSourceFolder(); }));
}

void MainWindow::attachCommands()
{
    m_patternFileCommands = new PatternFileCommands(m_desk, *this, this);
    m_findReplaceCommands = new FindReplaceCommands(m_desk, m_keywordList, this);
    m_keywordListMenu = new KeywordListMenu(m_keywordList, this);
    m_fileListCommands = new FileListCommands(m_desk, *this, m_fileList, this);
    m_passCommands = new PassCommands(m_desk, *this, m_classifyButton, m_log, m_fileList, this);

    connect(m_classifyButton, &QPushButton::clicked, this, guarded(this, [this] { classify(); }));
    connect(m_moveButton, &QPushButton::clicked, this, guarded(this, [this] { moveSelectedFiles(); }));
    connect(m_undoButton, &QPushButton::clicked, this, guarded(this, [this] { undoSelectedMove(); }));
    connect(m_explorerButton, &QPushButton::clicked, this,
            guarded(this, [this] { m_fileListCommands->openRootFolder(); }));
    connect(m_fileListCommands, &FileListCommands::helpRequested, this, guarded(this, [this] { showHelp(); }));

    connect(m_newListButton, &QPushButton::clicked, this,
            guarded(this, [this] { m_patternFileCommands->startNewList(); }));
    connect(m_loadButton, &QPushButton::clicked, this, guarded(this, [this] { m_patternFileCommands->loadList(); }));
    connect(m_replaceButton, &QPushButton::clicked, this,
            guarded(this, [this] { m_findReplaceCommands->showDialog(); }));
    connect(m_keywordListMenu, &KeywordListMenu::replaceRequested, this,
            guarded(this, [this] { m_findReplaceCommands->showDialog(); }));

    updateMoveButton(); // Send in the popup too
}

void MainWindow::createLanguageTable()
{
    // Section [Main]: the window, its controls and both popup menus. "&Explorer" has no key.
    m_language.windowTitle(this)
        .caption(u"GroupBox1"_s, m_sourceGroup)
        .caption(u"Button1"_s, m_classifyButton)
        .caption(u"Button2"_s, m_moveButton)
        .caption(u"Panel1"_s, m_keywordCaption)
        .caption(u"Panel2"_s, m_logCaption)
        .caption(u"btnReplace"_s, m_replaceButton)
        .caption(u"btnNew"_s, m_newListButton)
        .caption(u"btnLoad"_s, m_loadButton)
        .caption(u"btnOption"_s, m_optionsButton)
        .caption(u"btnUndo"_s, m_undoButton)
        .caption(u"Help"_s, m_helpButton)
        .caption(u"btnExit"_s, m_exitButton)
        .caption(u"puOpen"_s, m_fileListCommands->openAction())
        .caption(u"puSend"_s, m_fileListCommands->sendAction())
        .caption(u"puRename"_s, m_fileListCommands->renameAction())
        .caption(u"puDelete"_s, m_fileListCommands->deleteAction())
        .caption(u"Redo1"_s, m_keywordListMenu->undoAction())
        .caption(u"Cut1"_s, m_keywordListMenu->cutAction())
        .caption(u"Copy1"_s, m_keywordListMenu->copyAction())
        .caption(u"Paste1"_s, m_keywordListMenu->pasteAction())
        .caption(u"puReplace"_s, m_keywordListMenu->replaceAction())
        .caption(u"puPreview"_s, m_passCommands->previewAction())
        .orEnglish()
        .caption(u"puSuggestions"_s, m_passCommands->suggestionsAction())
        .orEnglish()
        .caption(u"puUndoMove"_s, m_passCommands->undoMoveAction())
        .orEnglish()
        .caption(u"puUndoPass"_s, m_passCommands->undoPassAction())
        .orEnglish()
        .caption(u"OpenExplorer"_s, m_explorerButton)
        .orEnglish();
}

void MainWindow::attachWindows(KeywordChoiceDialog *keywordChoiceDialog, HelpWindow *helpWindow, WaitWindow *waitWindow,
                               OptionsDialog *optionsDialog, MessageDialog *messageDialog)
{
    m_helpWindow = helpWindow;
    m_waitWindow = waitWindow;
    m_optionsDialog = optionsDialog;
    // The options live in the dialog's controls; the desk reads them there at the moment of use.
    m_desk.setOptionsSource([optionsDialog] { return optionsDialog->options(); });
    m_ownPrompts = std::make_unique<WidgetPrompts>(this, messageDialog, keywordChoiceDialog);
    if (!m_promptsSet)
        m_desk.setPrompts(m_ownPrompts.get());
}

void MainWindow::setPrompts(UserPrompts *prompts)
{
    m_promptsSet = prompts != nullptr;
    m_desk.setPrompts(prompts ? prompts : m_ownPrompts.get());
}

QString MainWindow::keywordListText() const
{
    return m_keywordList->exactText();
}

void MainWindow::setKeywordListText(const QString &text)
{
    m_keywordList->setPlainText(text);
}

void MainWindow::parseNowIfEdited()
{
    if (m_keywordList->parseTimer()->isActive())
        parseKeywordList();
}

// ---- Layout -------------------------------------------------------------------------------------

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyLayout();
}

void MainWindow::applyLayout()
{
    // Outer size: the frame counts once the window has one; offscreen there is none.
    const QSize outer = isVisible() ? frameGeometry().size() : size();
    const MainLayout l = computeMainLayout(outer.width(), outer.height(), state().firstShowDone);
    m_sourceGroup->setGeometry(l.sourceGroup);
    m_fileList->resize(l.fileListWidth, l.fileListHeight.value_or(m_fileList->height()));
    m_folderList->resize(m_folderList->width(), l.folderListHeight);
    m_classifyButton->move(m_classifyButton->x(), l.buttonTop);
    m_moveButton->move(m_moveButton->x(), l.buttonTop);
    m_keywordCaption->move(l.keywordCaption);
    m_logCaption->move(l.logCaption);
    m_keywordList->setGeometry(l.keywordList);
    m_log->setGeometry(l.log);
    m_listButtonRow->move(l.listButtonRow);
    m_logButtonRow->move(l.logButtonRow);
    m_progressBar->move(l.progressBar);
}

// ---- First show and close -----------------------------------------------------------------------

void MainWindow::firstShow()
{
    runGuarded(this, [this] {
        // Before anything can ask or report: the questions of the steps below speak the language too.
        applyLanguage();
        state().documentsFolder = AppPaths::documentsFolder();
        state().firstRun = !QFileInfo::exists(AppPaths::settingsFile());
        {
            // The folder the settings name is followed only after the settlement below: following it
            // may rename files. The start folder sends no change, so it is followed explicitly too.
            const QSignalBlocker quiet(m_folderList);
            readSettings();
            // A first start lists where pages pile up, never the program's own settings folder.
            if (state().firstRun)
                setSourceFolder(AppPaths::downloadFolder());
        }
        // Before anything can move: finish or explain what an interrupted run left half-moved.
        if (const QString report = m_desk.settleJournal(); !report.isEmpty())
            prompts().notify(report);
        followSourceFolder(m_folderList->folder());
        QApplication::processEvents();
        if (state().firstRun) {
            prompts().msgBox(state().messages.text(1), QString(), u"OK"_s, 1);
            m_optionsDialog->exec();
        }
        loadKeywordList();
        m_keywordList->dropTrailingBlankLines();
        startParseTimer();
        state().firstShowDone = true;
        applyLayout();
        m_fileListCommands->resetLastClickedIndex();
    });
}

void MainWindow::readSettings()
{
    const StartupSettings s = m_desk.readSettings(m_optionsDialog->options());
    // The fallback source folder may itself be missing: that error ends the first show.
    setSourceFolder(s.sourceFolder);
    m_optionsDialog->setSift(s.options.sift);
    m_optionsDialog->setConfirm(s.options.confirm);
    m_optionsDialog->setPageFacts(s.options.pageFacts);
    m_optionsDialog->setDenominator(s.options.denominator);
    m_optionsDialog->setRootFolder(s.options.rootFolder);
    // Where the user left it; the first start's size and place when that no longer fits a screen.
    WindowPlacement::restore(this, s.window);
}

void MainWindow::applyLanguage()
{
    ProgramLanguage::reload();
    state().messages = ProgramLanguage::messages();
    // Shown greyed while the list is empty, never saved into it.
    m_keywordList->setPlaceholderText(state().messages.text(Message::KeywordListExample).replace(u"<br>"_s, u"\n"_s));
    if (m_language.applyProgramLanguage())
        fitButtons();
}

void MainWindow::fitButtons()
{
    using namespace MainGeometry;
    ButtonFit::placeRow({m_classifyButton, m_moveButton}, {{classifyLeft, buttonWidth}, {moveLeft, buttonWidth}});
    const auto lefts = [](const int(&designed)[4]) { return QList<int>(std::begin(designed), std::end(designed)); };
    ButtonFit::placeRowIn(m_listButtonRow, {m_replaceButton, m_newListButton, m_loadButton, m_optionsButton},
                          lefts(listButtonLefts), rowButtonWidth, listButtonRowWidth);
    ButtonFit::placeRowIn(m_logButtonRow, {m_undoButton, m_explorerButton, m_exitButton, m_helpButton},
                          lefts(logButtonLefts), rowButtonWidth, logButtonRowWidth);
}

void MainWindow::loadKeywordList()
{
    try {
        m_keywordList->setPlainText(m_desk.loadList());
    } catch (const MarrowdaleError &error) {
        // The box stays as it is. A missing list is a new one; one that is there but cannot be read is
        // worth a word, as the close will not replace it without asking.
        state().patternFileState = {};
        if (QFileInfo::exists(state().patternFile))
            prompts().notify(error.message(state().messages));
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_passWait) {
        // Not in the middle of a move: the user is asked whether to stop after the current file.
        event->ignore();
        m_passWait->requestClose();
        return;
    }
    if (runGuarded(this, [this] { saveOnClose(); })) {
        event->accept();
        Q_EMIT closed();
    } else {
        event->ignore();
    }
}

void MainWindow::saveOnClose()
{
    rewriteKeywordListInPlace();
    m_desk.saveListAtClose(keywordListText());
    m_desk.writeSettings(m_folderList->folder(), normalGeometry());
}

void MainWindow::rewriteKeywordListInPlace()
{
    const QString text = keywordListText();
    const QString rewritten = m_desk.rewriteList(text);
    if (rewritten != text)
        m_keywordList->replaceText(rewritten);
}

// ---- Commands -----------------------------------------------------------------------------------

void MainWindow::showOptions()
{
    if (!QFileInfo(m_optionsDialog->rootFolder()).isDir())
        m_optionsDialog->setRootFolder(state().documentsFolder);
    m_optionsDialog->exec();
    startParseTimer();
}

void MainWindow::showHelp()
{
    m_helpWindow->showContents();
}

QTimer *MainWindow::parseTimer()
{
    return m_keywordList->parseTimer();
}

void MainWindow::startParseTimer()
{
    m_keywordList->startParseTimer();
}

void MainWindow::parseKeywordList()
{
    m_classifyButton->setEnabled(true);
    m_keywordList->parseTimer()->stop();
    m_desk.parseList(keywordListText());
    if (state().firstRun)
        rewriteKeywordListInPlace();
    if (const auto message = driveCheckMessage(state().table, state().messages))
        prompts().msgBox(*message, QString(), u"OK"_s, 1);
}

void MainWindow::classify()
{
    m_passCommands->classify();
}

void MainWindow::moveSelectedFiles()
{
    m_fileListCommands->moveSelectedFiles();
}

void MainWindow::undoSelectedMove()
{
    m_passCommands->undoSelectedMove();
}

void MainWindow::updateUndoButton()
{
    m_undoButton->setEnabled(!m_log->selectedItems().isEmpty());
}

void MainWindow::updateMoveButton()
{
    const bool selected = m_fileList->selectionModel()->hasSelection();
    m_moveButton->setEnabled(selected);
    if (m_fileListCommands)
        m_fileListCommands->sendAction()->setEnabled(selected);
}

void MainWindow::runPass(const std::function<void()> &body)
{
    if (m_passWait) {
        body(); // a pass inside a pass shares its wait
        return;
    }
    const bool closeAfterPass = ModalWait::run(m_passWait, this, prompts(), state().messages, body);
    rereadSourceFolder(); // companion folders left it, or came back
    if (closeAfterPass)
        QTimer::singleShot(0, this, [this] { close(); });
}

void MainWindow::rereadSourceFolder()
{
    m_folderList->reread();
    m_fileList->reread();
}

void MainWindow::openVolume(int index)
{
    const QString folder = m_volumeChooser->folderFor(index);
    setSourceFolder(QFileInfo(folder).isDir() ? folder : m_volumeChooser->itemData(index).toString());
}

void MainWindow::followSourceFolder(const QString &folder)
{
    m_volumeChooser->followFolder(folder);
    m_fileList->setFolder(folder);
    m_folderFollow->follow(folder);
    m_fileListCommands->offerRenamingUnreadableNames(folder);
}

void MainWindow::setSourceFolder(const QString &folder)
{
    // No folder to go to (no documents folder, an empty setting) leaves the list where it is.
    if (!folder.isEmpty())
        m_folderList->setFolder(folder);
}

// ---- Main view ----------------------------------------------------------------------------------

void MainWindow::appendMove(const LoggedMove &move)
{
    m_log->appendMove(move);
    keepAlive();
}

void MainWindow::showSummary(const QString &text)
{
    m_log->appendSummary(text);
}

void MainWindow::refreshFileList()
{
    // Every move of this window runs inside runPass(), which lists the folder again at its end.
}

void MainWindow::appendKeywordLine(const QString &line)
{
    m_keywordList->appendLine(line);
}

void MainWindow::setProgressVisible(bool visible)
{
    m_progressBar->setVisible(visible);
}

void MainWindow::setProgress(int percent)
{
    m_progressBar->setValue(percent);
    keepAlive();
    if (m_passWait && m_passWait->stopRequested())
        throw PassStopped();
}

void MainWindow::showWait(int percent)
{
    m_waitWindow->setPosition(percent);
    m_waitWindow->showIfHidden();
    m_waitWindow->repaintNow();
}

void MainWindow::hideWait()
{
    m_waitWindow->closeIfVisible();
}

bool MainWindow::stopRequested() const
{
    return m_passWait && m_passWait->stopRequested();
}

void MainWindow::keepAlive()
{
    if (m_passWait)
        m_passWait->keepAlive();
}

// ---- Keys and mouse -----------------------------------------------------------------------------

void MainWindow::keyReleaseEvent(QKeyEvent *event)
{
    QWidget *focused = focusWidget();
    const bool fromWindowKeys = !focused || focused == this || focused->property("marrowdaleF1").toBool();
    if (event->key() == Qt::Key_F1 && !event->isAutoRepeat() && fromWindowKeys) {
        runGuarded(this, [this] { showHelp(); });
        return;
    }
    QWidget::keyReleaseEvent(event);
}
