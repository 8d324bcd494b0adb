#include "browser/filelist.h"
#include "app/mainwindow.h"
#include "app/programwindows.h"
#include "apppaths.h"
#include "dialogs/keywordchoicedialog.h"
#include "dialogs/buttonfit.h"
#include "dialogs/folderchooser.h"
#include "dialogs/handlerguard.h"
#include "dialogs/messagedialog.h"
#include "dialogs/optionsdialog.h"
#include "dialogs/waitwindow.h"
#include "editing/findreplacecommands.h"
#include "editing/patternfilecommands.h"
#include "editing/replacedialog.h"
#include "filecmds/filelistcommands.h"
#include "help/helptree.h"
#include "help/helpwindow.h"
#include "languagefile.h"
#include "marrowdaleerror.h"
#include "programlanguage.h"
#include "testfiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidgetItemIterator>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Every word of three letters or more that the program says in English, but for names that stay as
// they are in every language.
QSet<QString> englishWords()
{
    static const QSet<QString> names {u"marrowdale"_s, u"linux"_s, u"ver"_s, u"quillet"_s,
                                      u"utf"_s,        u"shift"_s, u"jis"_s, u"dat"_s};
    QFile file(QStringLiteral(MARROWDALE_SOURCE_DIR "/languages/English.lng"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression markup(u"<br>|%\\d|&"_s);
    static const QRegularExpression word(u"[A-Za-z]{3,}"_s);
    QSet<QString> words;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u';') || !line.contains(u'='))
            continue;
        const QString value = line.section(u'=', 1).remove(markup);
        for (auto match = word.globalMatch(value); match.hasNext();)
            words.insert(match.next().captured().toLower());
    }
    return words - names;
}

// What a window shows of the program's and the toolkit's texts: titles, captions, tooltips, read-only
// texts. Lists of the user's files, folders and keywords are the user's data, not texts.
QStringList shownTexts(QWidget *window)
{
    QStringList texts {window->windowTitle()};
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(window))
            continue;
        texts << w->toolTip();
        if (auto *label = qobject_cast<QLabel *>(w))
            texts << label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            texts << button->text();
        else if (auto *group = qobject_cast<QGroupBox *>(w))
            texts << group->title();
        else if (auto *edit = qobject_cast<QLineEdit *>(w); edit && edit->isReadOnly())
            texts << edit->text();
        else if (auto *box = qobject_cast<QTextEdit *>(w); box && box->isReadOnly())
            texts << box->toPlainText();
        else if (auto *tabs = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        } else if (auto *tree = qobject_cast<HelpTree *>(w)) {
            for (QTreeWidgetItemIterator it(tree); *it; ++it)
                texts << (*it)->text(0);
        }
    }
    for (const QMenu *menu : window->findChildren<QMenu *>()) {
        for (const QAction *action : menu->actions())
            texts << action->text();
    }
    if (auto *files = qobject_cast<QFileDialog *>(window))
        texts << files->selectedNameFilter();
    texts.removeAll(QString());
    return texts;
}

// Buttons that cut off their caption or lie on each other, and captions that run past their window.
QStringList crampedControls(QWidget *window)
{
    QStringList cramped;
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (label->isVisibleTo(window) && !label->wordWrap()
            && label->mapTo(window, QPoint(label->sizeHint().width(), 0)).x() > window->width())
            cramped << label->text() + u" runs past the window"_s;
    }
    QList<QPushButton *> shown;
    for (QPushButton *b : window->findChildren<QPushButton *>()) {
        if (b->isVisibleTo(window))
            shown << b;
    }
    for (QPushButton *b : std::as_const(shown)) {
        if (b->width() < ButtonFit::captionWidth(b))
            cramped << u"%1 cut off (%2 < %3)"_s.arg(b->text()).arg(b->width()).arg(ButtonFit::captionWidth(b));
        for (QPushButton *other : std::as_const(shown)) {
            if (other != b && other->parentWidget() == b->parentWidget() && b->x() < other->x()
                && b->geometry().intersects(other->geometry()))
                cramped << u"%1 lies on %2"_s.arg(b->text(), other->text());
        }
    }
    return cramped;
}

} // namespace

// A Japanese desktop (LANG=ja_JP.UTF-8) without a language file of the user's: every window and every
// question of the main job speaks Japanese, through the installed Japanese.lng and Qt's translation, and
// the help opens Japanese pages. The main job runs once with the real windows; every window that shows
// is looked at as it shows, then answered.
class TestJapaneseDesktop : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void windowSpeaksJapanese_data();
    void windowSpeaksJapanese();
    void helpOpensJapanesePages_data();
    void helpOpensJapanesePages();
    void untitledBoxesShowTheProgramsName_data();
    void untitledBoxesShowTheProgramsName();
    void usersLanguageFileWinsOverTheDesktop();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString documents() const { return m_dir.filePath(u"home/Documents"_s); }
    QString downloads() const { return m_dir.filePath(u"home/Downloads"_s); }
    void runMainJob();
    /// Looks at the window (once per showing) and answers it.
    void look(const QString &name, QWidget *window);
    void answer(QWidget *modal);
    void pollModal();
    QString newFolder() { return m_dir.filePath(u"分類先/フォルダ%1"_s.arg(++m_folders)); }

    QTemporaryDir m_dir;
    ProgramWindows m_windows;
    QHash<QString, QStringList> m_seen; ///< texts by window
    QHash<QString, QString> m_titles; ///< the last title of each window
    QHash<QString, QStringList> m_cramped; ///< cut-off or overlapping controls by window
    QStringList m_opened; ///< pages handed to the browser
    QStringList m_unexpected; ///< windows the job should not have shown
    QTimer m_modalPoll;
    QList<QPointer<QWidget>> m_answering; ///< modal windows shown and answered, until they hide
    int m_folders = 0;
};

void TestJapaneseDesktop::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("LANG", "ja_JP.UTF-8");
    qputenv("LC_ALL", "ja_JP.UTF-8");
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    useOwnProgramFolders(m_dir.path());
    qputenv("HOME", QFile::encodeName(m_dir.filePath(u"home"_s)));
    QVERIFY(!QFile::exists(m_dir.filePath(u"config/marrowdale/marrowdale.lng"_s)));
    // What main() does first.
    QVERIFY(ProgramLanguage::installQtTranslations());

    QVERIFY(QDir().mkpath(documents()));
    writeBytes(downloads() + u"/京都.htm"_s, "page");
    writeBytes(downloads() + u"/京都_files/図.png"_s, "png");
    writeBytes(downloads() + u"/東京大阪.htm"_s, "page");
    HelpTree::setBrowser([this](const QString &path) { m_opened << path; });
    connect(&m_modalPoll, &QTimer::timeout, this, &TestJapaneseDesktop::pollModal);
    m_modalPoll.start(5);
    runMainJob();
}

void TestJapaneseDesktop::cleanupTestCase()
{
    m_modalPoll.stop();
    HelpTree::setBrowser({});
    if (m_windows.main)
        m_windows.destroy();
    QLocale::setDefault(QLocale::c());
}

void TestJapaneseDesktop::runMainJob()
{
    // First run: the welcome, then the options with the choice of the parent folder.
    m_windows = ProgramWindows::create();
    MainWindow *main = m_windows.main;
    m_windows.helpWindow->tree()->setHelpDir(QStringLiteral(MARROWDALE_SOURCE_DIR "/help"));
    m_windows.waitWindow->installEventFilter(this);
    main->firstShow();
    main->show();
    main->parseTimer()->stop();
    look(u"main window"_s, main);

    // Classify: missing destination folders, a file to confirm, a file with two keywords whose
    // destination the user picks and learns a keyword for.
    main->optionsDialog()->setConfirm(true);
    main->keywordList()->setPlainText(u"東京 -> ../東京\n大阪 -> ../大阪\n京都 -> ../京都\n"_s);
    main->parseKeywordList();
    main->classify();
    if (!m_seen.contains(u"wait window"_s) && m_windows.waitWindow->isVisible())
        look(u"wait window"_s, m_windows.waitWindow);

    // Undo the last move (the pass's summary follows it).
    main->log()->setCurrentRow(main->log()->count() - 2);
    main->undoSelectedMove();

    // Find and replace, with a search that finds nothing.
    main->findReplaceCommands()->showDialog();
    ReplaceDialog *replace = main->findReplaceCommands()->replaceDialog();
    look(u"find and replace"_s, replace);
    replace->setFindText(u"見つからない語"_s);
    replace->findNextButton()->click();
    replace->close();

    // The help window from the main window (F1 there opens it).
    main->showHelp();
    look(u"help window"_s, m_windows.helpWindow);
    m_windows.helpWindow->close();

    // The file list's commands on the file that came back.
    main->fileList()->setCurrentRow(0);
    main->fileList()->item(0)->setSelected(true);
    main->fileListCommands()->deleteCurrentFile();
    main->fileListCommands()->renameCurrentFile();
    main->patternFileCommands()->startNewList();

    // A failure reported in the error box.
    runGuarded(main, [this] { throw MarrowdaleError(ProgramText(Message::FolderMissing, {m_dir.filePath(u"x"_s)})); });

    main->close();
}

bool TestJapaneseDesktop::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_windows.waitWindow && event->type() == QEvent::Show)
        look(u"wait window"_s, m_windows.waitWindow);
    // A window shown again (the message box serves call after call) is a new question.
    if (event->type() == QEvent::Hide)
        m_answering.removeIf([watched](const QPointer<QWidget> &w) { return w == watched; });
    return QObject::eventFilter(watched, event);
}

void TestJapaneseDesktop::look(const QString &name, QWidget *window)
{
    m_seen[name] << shownTexts(window);
    m_titles[name] = window->windowTitle();
    m_cramped[name] << crampedControls(window);
}

void TestJapaneseDesktop::pollModal()
{
    m_answering.removeIf([](const QPointer<QWidget> &w) { return !w; });
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || m_answering.contains(modal))
        return;
    m_answering << modal;
    modal->installEventFilter(this);
    // Outside this slot: an answer may open the next modal window, whose loop needs this timer.
    QTimer::singleShot(0, this, [this, modal = QPointer<QWidget>(modal)] {
        if (modal && modal->isVisible())
            answer(modal);
    });
}

void TestJapaneseDesktop::answer(QWidget *modal)
{
    const auto typeFolder = [](QWidget *chooser, const QString &path) {
        chooser->findChild<QLineEdit *>(u"folderEdit"_s)->setText(path);
        chooser->findChild<QPushButton *>(u"okButton"_s)->click();
    };
    if (auto *options = qobject_cast<OptionsDialog *>(modal)) {
        look(u"option dialog"_s, options);
        QTest::keyClick(options, Qt::Key_F1);
        options->findChild<QAbstractButton *>(u"chooseFolderButton"_s)->click();
        options->reject();
    } else if (auto *chooser = qobject_cast<FolderChooser *>(modal)) {
        look(u"folder chooser"_s, chooser);
        typeFolder(chooser, newFolder());
    } else if (auto *choice = qobject_cast<KeywordChoiceDialog *>(modal)) {
        look(u"keyword choice dialog"_s, choice);
        choice->findChild<QPushButton *>(u"Button3"_s)->click(); // Help
        choice->findChild<QPushButton *>(u"Button2"_s)->click(); // Neither of them
    } else if (auto *box = qobject_cast<MessageDialog *>(modal)) {
        auto *input = box->findChild<QLineEdit *>(u"input"_s);
        auto *yes = box->findChild<QPushButton *>(u"yesButton"_s);
        if (input->isVisible()) {
            look(u"input box"_s, box);
            box->findChild<QPushButton *>(u"okButton"_s)->click();
        } else if (yes->isVisible()) {
            look(u"keyword question"_s, box);
            box->findChild<QPushButton *>(u"noButton"_s)->click();
        } else {
            look(u"message box"_s, box);
            box->findChild<QPushButton *>(u"okButton"_s)->click();
        }
    } else if (auto *question = qobject_cast<QMessageBox *>(modal)) {
        QString name = u"notice box"_s;
        if (question->objectName() == u"confirmMove"_s)
            name = u"move question"_s;
        else if (qobject_cast<FolderChooser *>(question->parentWidget()))
            name = u"create-folder question"_s;
        else if (question->icon() == QMessageBox::Critical)
            name = u"error box"_s;
        else if (question->button(QMessageBox::Cancel) || question->button(QMessageBox::No))
            name = u"question box"_s;
        look(name, question);
        if (QAbstractButton *yes = question->button(QMessageBox::Yes))
            yes->click();
        else if (QAbstractButton *cancel = question->button(QMessageBox::Cancel))
            cancel->click();
        else
            question->button(QMessageBox::Ok)->click();
    } else if (auto *rename = qobject_cast<QInputDialog *>(modal)) {
        look(u"rename box"_s, rename);
        rename->reject();
    } else if (auto *files = qobject_cast<QFileDialog *>(modal)) {
        look(u"file dialog"_s, files);
        files->reject();
    } else {
        m_unexpected << QString::fromLatin1(modal->metaObject()->className());
        modal->close();
    }
}

void TestJapaneseDesktop::windowSpeaksJapanese_data()
{
    QTest::addColumn<QString>("window");
    for (const char *window :
         {"main window", "message box", "option dialog", "folder chooser", "create-folder question", "wait window",
          "move question", "keyword choice dialog", "input box", "keyword question", "find and replace", "help window",
          "question box", "rename box", "notice box", "file dialog", "error box"})
        QTest::newRow(window) << QString::fromLatin1(window);
}

void TestJapaneseDesktop::windowSpeaksJapanese()
{
    QFETCH(QString, window);
    QVERIFY2(m_unexpected.isEmpty(), qPrintable(m_unexpected.join(u", "_s)));
    const QStringList texts = m_seen.value(window);
    QVERIFY2(!texts.isEmpty(), "the main job did not show this window");
    static const QSet<QString> english = englishWords();
    QVERIFY(english.contains(u"cancel"_s) && english.contains(u"folder"_s));
    static const QRegularExpression word(u"[A-Za-z]{3,}"_s);
    QStringList inEnglish;
    for (const QString &text : texts) {
        for (auto match = word.globalMatch(text); match.hasNext();) {
            if (english.contains(match.next().captured().toLower())) {
                inEnglish << text;
                break;
            }
        }
    }
    QVERIFY2(inEnglish.isEmpty(), qPrintable(inEnglish.join(u" | "_s)));
    QVERIFY2(m_cramped.value(window).isEmpty(), qPrintable(m_cramped.value(window).join(u" | "_s)));
}

void TestJapaneseDesktop::helpOpensJapanesePages_data()
{
    QTest::addColumn<QString>("page"); ///< as the Japanese help maps the window's help context
    QTest::newRow("F1 in the option dialog") << u"optiondialog.htm"_s;
    QTest::newRow("Help in the keyword choice dialog") << u"keywordchoice.htm"_s;
}

void TestJapaneseDesktop::helpOpensJapanesePages()
{
    QFETCH(QString, page);
    const QString japanese = QStringLiteral(MARROWDALE_SOURCE_DIR "/help/ja/") + page;
    QVERIFY2(m_opened.contains(japanese), qPrintable(m_opened.join(u", "_s)));
    QVERIFY(QFile::exists(japanese));
}

void TestJapaneseDesktop::untitledBoxesShowTheProgramsName_data()
{
    QTest::addColumn<QString>("window");
    for (const char *window : {"message box", "keyword question", "notice box", "error box"})
        QTest::newRow(window) << QString::fromLatin1(window);
}

// The boxes the program leaves untitled carry its name, not the executable's.
void TestJapaneseDesktop::untitledBoxesShowTheProgramsName()
{
    QFETCH(QString, window);
    QVERIFY(m_seen.contains(window));
    QCOMPARE(m_titles.value(window), u"Marrowdale"_s);
}

void TestJapaneseDesktop::usersLanguageFileWinsOverTheDesktop()
{
    const QString own = m_dir.filePath(u"config/marrowdale/marrowdale.lng"_s);
    QVERIFY(QFile::copy(QStringLiteral(MARROWDALE_SOURCE_DIR "/languages/English.lng"), own));
    const auto removeOwn = qScopeGuard([&own] {
        QFile::remove(own);
        ProgramLanguage::reload();
        ProgramLanguage::installQtTranslations();
    });
    ProgramLanguage::reload();
    QVERIFY(!ProgramLanguage::installQtTranslations());
    ProgramWindows windows = ProgramWindows::create();
    const auto destroy = qScopeGuard([&windows] { windows.destroy(); });
    windows.main->firstShow();
    windows.main->parseTimer()->stop();
    QCOMPARE(windows.main->classifyButton()->text(), u"&Classify"_s);
    QCOMPARE(windows.helpWindow->tree()->helpFolder(), AppPaths::helpFolder());
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"Cancel"_s);
}

QTEST_MAIN(TestJapaneseDesktop)
#include "tst_japanesedesktop.moc"
