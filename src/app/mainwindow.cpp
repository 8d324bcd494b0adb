#include "mainwindow.h"

#include "apppaths.h"
#include "classifypass.h"
#include "filelist.h"
#include "fileops.h"
#include "folderlist.h"
#include "inifile.h"
#include "journalsettlement.h"
#include "mainlayout.h"
#include "marrowdaleerror.h"
#include "modalwait.h"
#include "patternfile.h"
#include "programlanguage.h"
#include "rawnames.h"
#include "retiredlines.h"
#include "settings.h"
#include "textfile.h"
#include "volumechooser.h"

#include "classify/keywordchoicedialog.h"
#include "classify/passcommands.h"
#include "dialogs/buttonfit.h"
#include "dialogs/handlerguard.h"
#include "dialogs/messagedialog.h"
#include "dialogs/optionsdialog.h"
#include "dialogs/programfonts.h"
#include "dialogs/waitwindow.h"
#include "dialogs/widgetprompts.h"
#include "dialogs/windowplacement.h"
#include "editing/findreplacecommands.h"
#include "editing/keywordlistmenu.h"
#include "editing/patternfilecommands.h"
#include "editing/plaintext.h"
#include "filecmds/filelistcommands.h"
#include "help/helpwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTextBlock>

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
    m_parseTimer.setInterval(2000);
    m_parseTimer.setSingleShot(true);
    connect(&m_parseTimer, &QTimer::timeout, this, guarded(this, [this] { parseKeywordList(); }));
    resize(MainGeometry::initialWidth, MainGeometry::initialHeight);
    // The initial size is the outer size; the frame is known only once the window manager has it.
    WindowPlacement::keepCentred(this, [this](const QMargins &frame) {
        resize(MainGeometry::initialWidth - frame.left() - frame.right(),
               MainGeometry::initialHeight - frame.top() - frame.bottom());
    });
    m_folderChanged.setInterval(300);
    m_folderChanged.setSingleShot(true);
    connect(&m_folderWatcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!m_folderChanged.isActive())
            m_folderChanged.start();
    });
    connect(&m_folderChanged, &QTimer::timeout, this, [this] { rereadWhenIdle(); });
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

    m_keywordList = new QPlainTextEdit(this);
    m_keywordList->setFont(ProgramFonts::fixed(11));
    m_keywordList->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_keywordList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_keywordList->setTabChangesFocus(true);
    m_keywordList->installEventFilter(this);

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
    m_log = new QListWidget(this);
    m_log->setSelectionMode(QAbstractItemView::SingleSelection);
    // Log lines pad names to 40 columns; only a fixed-pitch face lines the arrows up.
    m_log->setFont(ProgramFonts::fixed(11));
    m_log->installEventFilter(this);
    m_fileList->installEventFilter(this);

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
    connect(m_classifyButton, &QPushButton::clicked, this, guarded(this, [this] { classify(); }));
    connect(m_moveButton, &QPushButton::clicked, this, guarded(this, [this] { moveSelectedFiles(); }));
    connect(m_undoButton, &QPushButton::clicked, this, guarded(this, [this] { undoSelectedMove(); }));
    connect(m_keywordList, &QPlainTextEdit::textChanged, this, [this] { scheduleParse(); });
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
    m_patternFileCommands = new PatternFileCommands(this);
    m_findReplaceCommands = new FindReplaceCommands(this);
    m_keywordListMenu = new KeywordListMenu(m_keywordList, this);
    m_fileListCommands = new FileListCommands(this);
    m_passCommands = new PassCommands(this);

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
    m_ownPrompts = std::make_unique<WidgetPrompts>(this, messageDialog, keywordChoiceDialog);
    if (!m_prompts)
        m_prompts = m_ownPrompts.get();
}

void MainWindow::setPrompts(UserPrompts *prompts)
{
    m_prompts = prompts ? prompts : m_ownPrompts.get();
}

UserPrompts &MainWindow::prompts() const
{
    return *m_prompts;
}

MoveContext MainWindow::moveContext()
{
    // A journal that cannot be written ends a pass before its first move, and says why.
    return {prompts(), m_state.messages, *this, &m_journal};
}

QString MainWindow::keywordListText() const
{
    return exactPlainText(m_keywordList);
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
    const MainLayout l = computeMainLayout(outer.width(), outer.height(), m_state.firstShowDone);
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
        m_state.documentsFolder = AppPaths::documentsFolder();
        m_state.firstRun = !QFileInfo::exists(AppPaths::settingsFile());
        {
            // The folder the settings name is followed only after the settlement below: following it
            // may rename files. The start folder sends no change, so it is followed explicitly too.
            const QSignalBlocker quiet(m_folderList);
            readSettings();
        }
        // Before anything can move: finish or explain what an interrupted run left half-moved.
        if (const QString report = settleJournal(m_journal.path(), m_state.messages); !report.isEmpty())
            prompts().notify(report);
        followSourceFolder(m_folderList->folder());
        QApplication::processEvents();
        if (m_state.firstRun) {
            prompts().msgBox(m_state.messages.text(1), QString(), u"OK"_s, 1);
            m_optionsDialog->exec();
            setSourceFolder(m_state.documentsFolder);
        }
        loadKeywordList();
        dropTrailingBlankLines();
        startParseTimer();
        m_state.firstShowDone = true;
        applyLayout();
        m_fileListCommands->resetLastClickedIndex();
    });
}

void MainWindow::readSettings()
{
    const IniFile ini(AppPaths::settingsFile());
    const QString programFolder = AppPaths::configFolder();
    const StartupSettings s
        = SettingsFile::read(ini, m_state.firstRun, m_state.documentsFolder, programFolder, m_optionsDialog->options(),
                             [](const QString &folder) { return QFileInfo(folder).isDir(); });
    // The fallback source folder may itself be missing: that error ends the first show.
    setSourceFolder(s.sourceFolder);
    m_state.currentDestination = s.currentDestination;
    m_state.patternFile = s.patternFile;
    m_optionsDialog->setSift(s.options.sift);
    m_optionsDialog->setConfirm(s.options.confirm);
    m_optionsDialog->setDenominator(s.options.denominator);
    m_optionsDialog->setRootFolder(s.options.rootFolder);
}

void MainWindow::applyLanguage()
{
    ProgramLanguage::reload();
    m_state.messages = ProgramLanguage::messages();
    if (m_language.applyProgramLanguage())
        fitButtons();
}

void MainWindow::fitButtons()
{
    using namespace MainGeometry;
    ButtonFit::placeRow({m_classifyButton, m_moveButton}, {{classifyLeft, buttonWidth}, {moveLeft, buttonWidth}});
    const auto fitRow = [](QWidget *row, const QList<QPushButton *> &buttons, const int(&lefts)[4], int rowWidth) {
        QList<ButtonRow::Place> places;
        for (const int left : lefts)
            places.append({left, rowButtonWidth});
        const int right = ButtonFit::placeRow(buttons, places);
        row->resize(std::max(rowWidth, right + lefts[0]), row->height());
    };
    fitRow(m_listButtonRow, {m_replaceButton, m_newListButton, m_loadButton, m_optionsButton}, listButtonLefts,
           listButtonRowWidth);
    fitRow(m_logButtonRow, {m_undoButton, m_explorerButton, m_exitButton, m_helpButton}, logButtonLefts,
           logButtonRowWidth);
}

void MainWindow::loadKeywordList()
{
    try {
        m_state.patternFileState = PatternFile::read(m_state.patternFile);
        m_keywordList->setPlainText(*m_state.patternFileState.savedText);
    } catch (const MarrowdaleError &error) {
        // The box stays as it is. A missing list is a new one; one that is there but cannot be read is
        // worth a word, as the close will not replace it without asking.
        m_state.patternFileState = {};
        if (QFileInfo::exists(m_state.patternFile))
            prompts().notify(error.message(m_state.messages));
    }
}

void MainWindow::dropTrailingBlankLines()
{
    const QString text = keywordListText();
    QStringList lines = keywordListLines(text);
    const qsizetype before = lines.size();
    while (lines.size() > 1 && QString(lines.last()).remove(u' ').isEmpty())
        lines.removeLast();
    if (lines.size() == before)
        return;
    m_keywordList->setPlainText(lines.join(u'\n') + (text.endsWith(u'\n') ? u"\n"_s : QString()));
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
    PatternFile::saveAtClose(prompts(), m_state.messages, m_state.patternFile, keywordListText(),
                             m_state.patternFileState);
    SettingsFile::write(AppPaths::settingsFile(),
                        {m_folderList->folder(), m_state.patternFile, m_optionsDialog->options()});
}

void MainWindow::rewriteKeywordListInPlace()
{
    const Options options = m_optionsDialog->options();
    const QString text = keywordListText();
    const QString rewritten = RetiredLines::rewriteKeepingRetired(
        prompts(), m_state.messages, m_state.patternFile, text, m_state.table,
        {options.sift, options.denominator, m_state.firstRun}, QDateTime::currentDateTime());
    m_state.firstRun = false;
    if (rewritten != text) {
        m_keywordList->setPlainText(rewritten);
        m_keywordList->moveCursor(QTextCursor::End);
    }
}

// ---- Commands -----------------------------------------------------------------------------------

void MainWindow::showOptions()
{
    if (!QFileInfo(m_optionsDialog->rootFolder()).isDir())
        m_optionsDialog->setRootFolder(m_state.documentsFolder);
    m_optionsDialog->exec();
    startParseTimer();
}

void MainWindow::showHelp()
{
    m_helpWindow->showContents();
}

void MainWindow::startParseTimer()
{
    if (!m_parseTimer.isActive())
        m_parseTimer.start();
}

void MainWindow::scheduleParse()
{
    m_classifyButton->setEnabled(false);
    startParseTimer();
}

void MainWindow::parseKeywordList()
{
    m_classifyButton->setEnabled(true);
    m_parseTimer.stop();
    const Options options = m_optionsDialog->options();
    m_state.table.parse(keywordListText(), options.rootFolder);
    if (const auto &error = m_state.table.error())
        throw MarrowdaleError(error->message(m_state.messages));
    if (m_state.firstRun)
        rewriteKeywordListInPlace();
    if (const auto message = driveCheckMessage(m_state.table, m_state.messages))
        prompts().msgBox(*message, QString(), u"OK"_s, 1);
}

void MainWindow::classify()
{
    if (const QString refused = refusedLinesMessage(m_state.table, m_state.messages); !refused.isEmpty()) {
        const QString question = ProgramText(Message::ClassifyWithoutRefused, {refused}).in(m_state.messages);
        if (prompts().msgBox(question, QString(), u"YesNo"_s, 1) != UserPrompts::Yes)
            return;
    }
    ClassifyPass pass(m_state.table, moveContext(), [this] { return m_optionsDialog->options(); });
    pass.setCurrentDestination(m_state.currentDestination);
    runPass([&] { pass.run(m_fileList->filePaths()); });
    m_state.currentDestination = pass.currentDestination();
}

void MainWindow::moveSelectedFiles()
{
    const QString root = m_optionsDialog->rootFolder();
    m_state.currentDestination = root;
    if (const auto folder = prompts().chooseFolder(root, 1)) {
        QStringList sources;
        for (int i = 0; i < m_fileList->count(); ++i) {
            if (m_fileList->item(i)->isSelected())
                sources.append(m_fileList->pathOf(m_fileList->item(i)->text()));
        }
        const int row = m_fileList->currentRow();
        QStringList failed;
        runPass([&] { failed = moveFilesWithCompanions(sources, *folder, moveContext()); });
        // The focus stays on the same item number; what is selected now is what did not move.
        m_fileList->selectionModel()->setCurrentIndex(m_fileList->model()->index(row, 0),
                                                      QItemSelectionModel::NoUpdate);
        m_state.currentDestination = *folder;
        QString lastMoved;
        for (const QString &source : std::as_const(sources)) {
            if (!failed.contains(FileOps::fileName(source)))
                lastMoved = source;
        }
        if (!lastMoved.isEmpty()) {
            if (const auto line = offerKeyword(prompts(), m_state.messages, lastMoved, root, *folder))
                appendKeywordLine(*line);
        }
        if (!failed.isEmpty())
            prompts().msgBox(failed.join(u'\n') + u'\n' + m_state.messages.text(15), QString(), u"OK"_s, 1);
    }
    m_fileListCommands->resetLastClickedIndex();
}

void MainWindow::undoSelectedMove()
{
    const QList<QListWidgetItem *> selected = m_log->selectedItems();
    if (selected.isEmpty())
        return;
    QListWidgetItem *line = selected.first();
    bool undone = false;
    runPass([&] {
        undone = undoMove(line->data(LoggedMoveRole).value<LoggedMove>(), m_folderList->folder(), moveContext());
    });
    if (undone) {
        delete line;
        // The list would select a neighbour; a second click must not undo a line nobody picked.
        m_log->setCurrentRow(-1);
        m_log->clearSelection();
    }
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
    m_passWait = std::make_unique<ModalWait>(this, prompts(), m_state.messages);
    bool closeAfterPass = false;
    {
        const auto end = qScopeGuard([&] {
            closeAfterPass = m_passWait->closeAfterPass();
            m_passWait.reset();
        });
        try {
            body();
        } catch (const PassStopped &) {
            // The user stopped it between two files; everything before is settled.
        }
    }
    rereadSourceFolder(); // companion folders left it, or came back
    if (closeAfterPass)
        QTimer::singleShot(0, this, [this] { close(); });
}

void MainWindow::rereadSourceFolder()
{
    m_folderList->reread();
    m_fileList->reread();
}

void MainWindow::watchSourceFolder(const QString &folder)
{
    if (const QStringList watched = m_folderWatcher.directories(); !watched.isEmpty())
        m_folderWatcher.removePaths(watched);
    if (!folder.isEmpty())
        m_folderWatcher.addPath(folder);
}

void MainWindow::rereadWhenIdle()
{
    // Not in the middle of a pass (it re-reads at its end) nor under a question or menu, which may be
    // about a file of the list.
    if (m_passWait || QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        m_folderChanged.start();
        return;
    }
    runGuarded(this, [this] { rereadSourceFolder(); });
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
    watchSourceFolder(folder);
    offerRenamingUnreadableNames(folder);
}

void MainWindow::offerRenamingUnreadableNames(const QString &folder)
{
    // Once per folder and run: the file list cannot show such names, so they would never be filed.
    if (m_foldersCheckedForRawNames.contains(folder))
        return;
    m_foldersCheckedForRawNames.insert(folder);
    const QList<RawNames::UndecodableName> names = RawNames::undecodableNames(folder);
    if (names.isEmpty())
        return;
    const QString question = RawNames::renameQuestion(folder, names, m_state.messages);
    if (question.isEmpty()) {
        prompts().notify(RawNames::notice(folder, names, m_state.messages));
        return;
    }
    if (prompts().askYesNo(question, QString()) != UserPrompts::Yes)
        return;
    if (const QStringList failures = RawNames::renameToReadings(folder, names, m_state.messages); !failures.isEmpty())
        prompts().notify(failures.join(u'\n'));
    m_fileList->reread();
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
    auto *item = new QListWidgetItem(move.line, m_log);
    item->setData(LoggedMoveRole, QVariant::fromValue(move));
    keepAlive();
}

void MainWindow::refreshFileList()
{
    // Every move of this window runs inside runPass(), which lists the folder again at its end.
}

void MainWindow::appendKeywordLine(const QString &line)
{
    // As a new last line, ended like the rest: the list may or may not end in a line break.
    QTextCursor cursor(m_keywordList->document());
    cursor.movePosition(QTextCursor::End);
    const QString text = keywordListText();
    cursor.insertText((text.isEmpty() || text.endsWith(u'\n') ? QString() : u"\n"_s) + line + u'\n');
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

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == m_keywordList)
            return keywordListTabKey(key);
        if (watched == m_log || watched == m_fileList)
            return selectFocusedLine(static_cast<QListWidget *>(watched), key);
    }
    return QWidget::eventFilter(watched, event);
}

bool MainWindow::selectFocusedLine(QListWidget *list, QKeyEvent *event)
{
    // A list that takes the focus frames its first line without selecting it, and an arrow key then
    // moves on: the only line of a list could not be picked. The first arrow selects the framed line.
    const bool arrow = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
    if (!arrow || event->modifiers() != Qt::NoModifier || !list->currentItem() || !list->selectedItems().isEmpty())
        return false;
    list->currentItem()->setSelected(true);
    return true;
}

bool MainWindow::keywordListTabKey(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab)
        return false;
    // A tab character the user did not ask for would end up in the pattern file.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Tab && modifiers == Qt::ControlModifier)
        m_keywordList->insertPlainText(u"\t"_s);
    else if (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier)
        focusNextPrevChild(event->key() == Qt::Key_Tab && modifiers == Qt::NoModifier);
    return true;
}
