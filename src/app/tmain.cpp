#include "tmain.h"

#include "apppaths.h"
#include "classifypass.h"
#include "directorylistbox.h"
#include "drivecombobox.h"
#include "filelistbox.h"
#include "fileops.h"
#include "inifile.h"
#include "languagefile.h"
#include "mainlayout.h"
#include "marrowdaleerror.h"
#include "patternfile.h"
#include "settings.h"
#include "textfile.h"

#include "classify/tdialog1.h"
#include "dialogs/handlerguard.h"
#include "dialogs/programfonts.h"
#include "dialogs/tmymessagedlg.h"
#include "dialogs/toptiondialog.h"
#include "dialogs/twait.h"
#include "dialogs/widgetprompts.h"
#include "help/thelpsearch.h"

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
    panel->resize(width, MainGeometry::captionPanelHeight);
    return panel;
}

} // namespace

TMain::TMain(QWidget *parent)
    : QWidget(parent)
{
    setProperty("marrowdaleMainWindow", true);
    setWindowTitle(u"Marrowdale for Linux ver. 1.25"_s);
    setFont(ProgramFonts::proportional(11));
    createControls();
    m_timer1.setInterval(2000);
    m_timer1.setSingleShot(true);
    connect(&m_timer1, &QTimer::timeout, this, guarded(this, [this] { Timer1Timer(); }));
    resize(MainGeometry::initialWidth, MainGeometry::initialHeight);
    attachCommands();
}

TMain::~TMain() = default;

void TMain::createControls()
{
    using namespace MainGeometry;
    m_groupBox1 = new QGroupBox(u"Quillet files before classification"_s, this);
    m_driveComboBox = new DriveComboBox(m_groupBox1);
    m_driveComboBox->setGeometry(driveLeft, driveTop, driveWidth, m_driveComboBox->sizeHint().height());
    m_directoryListBox = new DirectoryListBox(m_groupBox1);
    // Starts where the program was started, until the settings say otherwise.
    try {
        m_directoryListBox->setDirectory(QDir::currentPath());
    } catch (const MarrowdaleError &) { }
    m_directoryListBox->move(directoryLeft, directoryTop);
    m_directoryListBox->resize(directoryWidth, m_directoryListBox->height());
    m_fileListBox = new FileListBox(m_groupBox1);
    m_fileListBox->setGeometry(fileListLeft, fileListTop, m_fileListBox->width(), fileListInitialHeight);

    m_button1 = new QPushButton(u"&Classify"_s, this);
    m_button1->setGeometry(button1Left, 0, buttonWidth, buttonHeight);
    m_button1->setEnabled(false);
    m_button2 = new QPushButton(u"&Move"_s, this);
    m_button2->setGeometry(button2Left, 0, buttonWidth, buttonHeight);
    m_button2->setEnabled(false);

    m_panel4 = new QWidget(this);
    m_panel4->resize(panel4Width, rowPanelHeight);
    m_btnUndo = rowButton(m_panel4, u"&Undo"_s, panel4ButtonLefts[0]);
    m_btnUndo->setEnabled(false);
    m_openExplorer = rowButton(m_panel4, u"&Explorer"_s, panel4ButtonLefts[1]);
    m_btnExit = rowButton(m_panel4, u"E&xit"_s, panel4ButtonLefts[2]);
    m_help = rowButton(m_panel4, u"&Help"_s, panel4ButtonLefts[3]);

    m_keyWordList = new QPlainTextEdit(this);
    m_keyWordList->setFont(ProgramFonts::fixed(11));
    m_keyWordList->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_keyWordList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    m_panel1 = captionPanel(this, u"  Keyword and Destination"_s, panel1Width);
    m_panel1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_panel3 = new QWidget(this);
    m_panel3->resize(panel3Width, rowPanelHeight);
    m_btnReplace = rowButton(m_panel3, u"&Replace"_s, panel3ButtonLefts[0]);
    m_btnNew = rowButton(m_panel3, u"&New List"_s, panel3ButtonLefts[1]);
    m_btnLoad = rowButton(m_panel3, u"&Load"_s, panel3ButtonLefts[2]);
    m_btnOption = rowButton(m_panel3, u"&Option"_s, panel3ButtonLefts[3]);

    m_progressBar = new QProgressBar(this);
    m_progressBar->setRange(0, 100);
    m_progressBar->resize(progressWidth, progressHeight);
    m_progressBar->setTextVisible(false);
    m_progressBar->hide();

    m_panel2 = captionPanel(this, u"Class. Log"_s, panel2Width);
    m_log = new QListWidget(this);
    m_log->setSelectionMode(QAbstractItemView::SingleSelection);
    // Log lines pad names to 40 columns; only a fixed-pitch face lines the arrows up.
    m_log->setFont(ProgramFonts::fixed(11));
    m_log->viewport()->installEventFilter(this);

    // Tab order as the window lists its controls.
    const QList<QWidget *> order {m_driveComboBox, m_directoryListBox, m_fileListBox, m_button1,   m_button2,
                                  m_btnUndo,       m_openExplorer,     m_help,        m_btnExit,   m_keyWordList,
                                  m_btnReplace,    m_btnNew,           m_btnLoad,     m_btnOption, m_log};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    // F1 reaches the window's own key handling only from these controls.
    const QList<QWidget *> windowKeys {m_directoryListBox, m_button1, m_button2, m_btnUndo,
                                       m_openExplorer,     m_help,    m_btnExit, m_keyWordList,
                                       m_btnReplace,       m_btnNew,  m_btnLoad, m_btnOption};
    for (QWidget *w : windowKeys)
        w->setProperty("marrowdaleF1", true);

    connect(m_btnExit, &QPushButton::clicked, this, guarded(this, [this] { btnExitClick(); }));
    connect(m_btnOption, &QPushButton::clicked, this, guarded(this, [this] { btnOptionClick(); }));
    connect(m_help, &QPushButton::clicked, this, guarded(this, [this] { HelpClick(); }));
    connect(m_button1, &QPushButton::clicked, this, guarded(this, [this] { Button1Click(); }));
    connect(m_button2, &QPushButton::clicked, this, guarded(this, [this] { Button2Click(); }));
    connect(m_btnUndo, &QPushButton::clicked, this, guarded(this, [this] { btnUndoClick(); }));
    connect(m_keyWordList, &QPlainTextEdit::textChanged, this, [this] { KeyWordListChange(); });
    connect(m_driveComboBox, &QComboBox::activated, this,
            [this](int index) { runGuarded(this, [this, index] { DriveComboBoxChange(index); }); });
    connect(m_directoryListBox, &DirectoryListBox::directoryChanged, this,
            [this](const QString &folder) { DirectoryListBoxChange(folder); });
}

void TMain::attachWindows(TDialog1 *dialog1, THelpSearch *helpSearch, TWait *wait, TOptionDialog *optionDialog,
                          TMyMessageDlg *myMessageDlg)
{
    m_dialog1 = dialog1;
    m_helpSearch = helpSearch;
    m_wait = wait;
    m_optionDialog = optionDialog;
    m_myMessageDlg = myMessageDlg;
    m_ownPrompts = std::make_unique<WidgetPrompts>(this, myMessageDlg, dialog1);
    if (!m_prompts)
        m_prompts = m_ownPrompts.get();
}

void TMain::setPrompts(UserPrompts *prompts)
{
    m_prompts = prompts ? prompts : m_ownPrompts.get();
}

UserPrompts &TMain::prompts() const
{
    return *m_prompts;
}

MoveContext TMain::moveContext()
{
    return {prompts(), m_state.messages, *this};
}

// ---- Layout -------------------------------------------------------------------------------------

void TMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyLayout();
}

void TMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_outerSizeFitted)
        return;
    m_outerSizeFitted = true;
    // The initial size is the outer size; the frame is known only once the window manager has it.
    QTimer::singleShot(100, this, [this] {
        const QSize frame = frameGeometry().size() - size();
        if (!frame.isEmpty())
            resize(MainGeometry::initialWidth - frame.width(), MainGeometry::initialHeight - frame.height());
    });
}

void TMain::applyLayout()
{
    // Outer size: the frame counts once the window has one; offscreen there is none.
    const QSize outer = isVisible() ? frameGeometry().size() : size();
    const MainLayout l = computeMainLayout(outer.width(), outer.height(), m_state.firstShowDone);
    m_groupBox1->setGeometry(l.groupBox);
    m_fileListBox->resize(l.fileListWidth, l.fileListHeight.value_or(m_fileListBox->height()));
    m_directoryListBox->resize(m_directoryListBox->width(), l.directoryListHeight);
    m_button1->move(m_button1->x(), l.buttonTop);
    m_button2->move(m_button2->x(), l.buttonTop);
    m_panel1->move(l.panel1);
    m_panel2->move(l.panel2);
    m_keyWordList->setGeometry(l.keywordList);
    m_log->setGeometry(l.log);
    m_panel3->move(l.panel3);
    m_panel4->move(l.panel4);
    m_progressBar->move(l.progressBar);
}

// ---- First show and close -----------------------------------------------------------------------

void TMain::FormShow()
{
    runGuarded(this, [this] {
        m_state.documentsFolder = AppPaths::documentsFolder();
        m_state.firstRun = !QFileInfo::exists(AppPaths::settingsFile());
        readSettings();
        m_driveComboBox->followFolder(m_directoryListBox->directory());
        m_fileListBox->setDirectory(m_directoryListBox->directory());
        applyLanguage();
        QApplication::processEvents();
        if (m_state.firstRun) {
            prompts().msgBox(m_state.messages.text(1), QString(), u"OK"_s, 1);
            m_optionDialog->exec();
            setSourceFolder(m_state.documentsFolder);
        }
        loadKeywordList();
        dropTrailingBlankLines();
        startTimer1();
        m_state.firstShowDone = true;
        applyLayout();
        Q_EMIT firstShowDone();
    });
}

void TMain::readSettings()
{
    const IniFile ini(AppPaths::settingsFile());
    const QString programFolder = AppPaths::configFolder();
    const StartupSettings s
        = SettingsFile::read(ini, m_state.firstRun, m_state.documentsFolder, programFolder, m_optionDialog->options(),
                             [](const QString &folder) { return QFileInfo(folder).isDir(); });
    // The fallback source folder may itself be missing: that error ends the first show.
    setSourceFolder(s.sourceFolder);
    m_state.currentDestination = s.currentDestination;
    m_state.patternFile = s.patternFile;
    m_optionDialog->setSift(s.options.sift);
    m_optionDialog->setConfirm(s.options.confirm);
    m_optionDialog->setDenominator(s.options.denominator);
    m_optionDialog->setRootFolder(s.options.rootFolder);
}

void TMain::applyLanguage()
{
    const LanguageFile lng(AppPaths::languageFile());
    if (!lng.exists()) {
        m_state.messages = MessageTable();
        return;
    }
    const QString main = u"Main"_s;
    setWindowTitle(lng.text(main, u"Caption"_s));
    m_groupBox1->setTitle(lng.text(main, u"GroupBox1->Caption"_s));
    const std::pair<QAbstractButton *, const char16_t *> buttons[]
        = {{m_button1, u"Button1->Caption"}, {m_button2, u"Button2->Caption"}, {m_btnReplace, u"btnReplace->Caption"},
           {m_btnNew, u"btnNew->Caption"},   {m_btnLoad, u"btnLoad->Caption"}, {m_btnOption, u"btnOption->Caption"},
           {m_btnUndo, u"btnUndo->Caption"}, {m_help, u"Help->Caption"},       {m_btnExit, u"btnExit->Caption"}};
    m_panel1->setText(lng.text(main, u"Panel1->Caption"_s));
    m_panel2->setText(lng.text(main, u"Panel2->Caption"_s));
    for (const auto &[button, key] : buttons)
        button->setText(lng.text(main, QString::fromUtf16(key)));
    Q_EMIT languageRead(lng);
    m_state.messages.clear();
    lng.readMessages(m_state.messages);
}

void TMain::loadKeywordList()
{
    try {
        m_keyWordList->setPlainText(PatternFile::load(m_state.patternFile));
    } catch (const MarrowdaleError &) {
        // A missing or unreadable list at start leaves the box as it is.
    }
}

void TMain::dropTrailingBlankLines()
{
    const QString text = m_keyWordList->toPlainText();
    QStringList lines = keywordListLines(text);
    const qsizetype before = lines.size();
    while (lines.size() > 1 && QString(lines.last()).remove(u' ').isEmpty())
        lines.removeLast();
    if (lines.size() == before)
        return;
    m_keyWordList->setPlainText(lines.join(u'\n') + (text.endsWith(u'\n') ? u"\n"_s : QString()));
}

void TMain::closeEvent(QCloseEvent *event)
{
    if (runGuarded(this, [this] { FormClose(); })) {
        event->accept();
        Q_EMIT closed();
    } else {
        event->ignore();
    }
}

void TMain::FormClose()
{
    RewriteKeywordList();
    PatternFile::save(m_state.patternFile, m_keyWordList->toPlainText());
    SettingsFile::write(AppPaths::settingsFile(),
                        {m_directoryListBox->directory(), m_state.patternFile, m_optionDialog->options()});
}

void TMain::RewriteKeywordList()
{
    const Options options = m_optionDialog->options();
    const QString text = m_keyWordList->toPlainText();
    const QString rewritten
        = rewriteKeywordList(text, m_state.table, {options.sift, options.denominator, m_state.firstRun});
    m_state.firstRun = false;
    if (rewritten != text) {
        m_keyWordList->setPlainText(rewritten);
        m_keyWordList->moveCursor(QTextCursor::End);
    }
}

// ---- Commands -----------------------------------------------------------------------------------

void TMain::btnExitClick()
{
    close();
}

void TMain::btnOptionClick()
{
    if (!QFileInfo(m_optionDialog->rootFolder()).isDir())
        m_optionDialog->setRootFolder(m_state.documentsFolder);
    m_optionDialog->exec();
    startTimer1();
}

void TMain::HelpClick()
{
    m_helpSearch->showContents();
}

void TMain::startTimer1()
{
    if (!m_timer1.isActive())
        m_timer1.start();
}

void TMain::KeyWordListChange()
{
    m_button1->setEnabled(false);
    startTimer1();
}

void TMain::Timer1Timer()
{
    m_button1->setEnabled(true);
    m_timer1.stop();
    const Options options = m_optionDialog->options();
    m_state.table.parse(m_keyWordList->toPlainText(), options.rootFolder);
    if (const auto &error = m_state.table.error())
        throw MarrowdaleError(error->message());
    if (m_state.firstRun)
        RewriteKeywordList();
    if (const auto message = driveCheckMessage(m_state.table, m_state.messages))
        prompts().msgBox(*message, QString(), u"OK"_s, 1);
}

void TMain::Button1Click()
{
    ClassifyPass pass(m_state.table, moveContext(), [this] { return m_optionDialog->options(); });
    pass.setCurrentDestination(m_state.currentDestination);
    // Each companion folder moved would re-read the whole list; once at the end shows the same.
    m_deferFileListRefresh = true;
    const auto refreshOnce = qScopeGuard([this] {
        m_deferFileListRefresh = false;
        m_fileListBox->reread();
    });
    pass.run(m_fileListBox->filePaths());
    m_state.currentDestination = pass.currentDestination();
}

void TMain::Button2Click()
{
    const QString root = m_optionDialog->rootFolder();
    m_state.currentDestination = root;
    if (const auto folder = prompts().chooseFolder(root, 1)) {
        QStringList sources;
        for (int i = 0; i < m_fileListBox->count(); ++i) {
            if (m_fileListBox->item(i)->isSelected())
                sources.append(m_fileListBox->pathOf(m_fileListBox->item(i)->text()));
        }
        const QStringList failed = moveFilesWithCompanions(sources, *folder, moveContext());
        const int row = m_fileListBox->currentRow();
        m_fileListBox->reread();
        m_fileListBox->setCurrentRow(row);
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
    Q_EMIT moveCommandDone();
    m_button2->setEnabled(false);
}

void TMain::btnUndoClick()
{
    const QList<QListWidgetItem *> selected = m_log->selectedItems();
    if (selected.isEmpty())
        return;
    QListWidgetItem *line = selected.first();
    if (undoLogLine(line->text(), m_directoryListBox->directory(), m_optionDialog->rootFolder(), moveContext(),
                    line->data(Qt::UserRole).toString())) {
        delete line;
        // The list would select a neighbour; a second click must not undo a line nobody picked.
        m_log->setCurrentRow(-1);
        m_log->clearSelection();
    }
    m_fileListBox->reread();
}

void TMain::LogMouseUp()
{
    m_btnUndo->setEnabled(m_log->count() > 0 && !m_log->selectedItems().isEmpty());
}

void TMain::DriveComboBoxChange(int index)
{
    const QString folder = m_driveComboBox->folderFor(index);
    setSourceFolder(QFileInfo(folder).isDir() ? folder : m_driveComboBox->itemData(index).toString());
}

void TMain::DirectoryListBoxChange(const QString &folder)
{
    m_driveComboBox->followFolder(folder);
    m_fileListBox->setDirectory(folder);
}

void TMain::setSourceFolder(const QString &folder)
{
    // No folder to go to (no documents folder, an empty setting) leaves the list where it is.
    if (!folder.isEmpty())
        m_directoryListBox->setDirectory(folder);
}

// ---- Main view ----------------------------------------------------------------------------------

void TMain::appendLog(const QString &line, const QString &fileName)
{
    auto *item = new QListWidgetItem(line, m_log);
    item->setData(Qt::UserRole, fileName);
}

void TMain::refreshFileList()
{
    if (!m_deferFileListRefresh)
        m_fileListBox->reread();
}

void TMain::appendKeywordLine(const QString &line)
{
    // As a new last line, ended like the rest: the list may or may not end in a line break.
    QTextCursor cursor(m_keyWordList->document());
    cursor.movePosition(QTextCursor::End);
    const QString text = m_keyWordList->toPlainText();
    cursor.insertText((text.isEmpty() || text.endsWith(u'\n') ? QString() : u"\n"_s) + line + u'\n');
}

void TMain::setProgressVisible(bool visible)
{
    m_progressBar->setVisible(visible);
}

void TMain::setProgress(int percent)
{
    m_progressBar->setValue(percent);
}

void TMain::showWait(int percent)
{
    m_wait->setPosition(percent);
    m_wait->showIfHidden();
    m_wait->repaintNow();
}

void TMain::hideWait()
{
    m_wait->closeIfVisible();
}

// ---- Keys and mouse -----------------------------------------------------------------------------

void TMain::keyReleaseEvent(QKeyEvent *event)
{
    QWidget *focused = focusWidget();
    const bool fromWindowKeys = !focused || focused == this || focused->property("marrowdaleF1").toBool();
    if (event->key() == Qt::Key_F1 && !event->isAutoRepeat() && fromWindowKeys) {
        runGuarded(this, [this] { HelpClick(); });
        return;
    }
    QWidget::keyReleaseEvent(event);
}

bool TMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_log->viewport() && event->type() == QEvent::MouseButtonRelease)
        LogMouseUp(); // the list selects on press, so the release sees the new selection
    return QWidget::eventFilter(watched, event);
}
