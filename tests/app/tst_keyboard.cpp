#include "browser/filelist.h"
#include "browser/folderlist.h"
#include "app/mainwindow.h"
#include "app/programwindows.h"
#include "browser/volumechooser.h"
#include "dialogs/keywordchoicedialog.h"
#include "dialogs/optionsdialog.h"
#include "filecmds/filelistcommands.h"
#include "modalwindows.h"
#include "scriptedprompts.h"
#include "testfiles.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QStringList itemTexts(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

} // namespace

// The main window without the mouse: focus order, the keys of each control, and the buttons that
// follow what is selected.
class TestKeyboard : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void mainJobWithKeysOnly();
    void tabLeavesTheKeywordList_data();
    void tabLeavesTheKeywordList();
    void focusFollowsTheLayout();
    void undoFollowsTheLogSelection_data();
    void undoFollowsTheLogSelection();
    void moveFollowsTheFileSelection_data();
    void moveFollowsTheFileSelection();
    void arrowsMoveOnAfterTheFirst_data();
    void arrowsMoveOnAfterTheFirst();
    void listsFollowTheDisk_data();
    void listsFollowTheDisk();
    void noRereadUnderAQuestion();

private:
    QString inbox() const { return m_dir->filePath(u"Documents/inbox"_s); }
    QString sorted() const { return m_dir->filePath(u"Sorted"_s); }
    QString patternFile() const { return m_dir->filePath(u"config/marrowdale/Default.dat"_s); }
    MainWindow *main() const { return m_windows.main; }
    /// The program on `inbox` with the list `news -> ../News`, `daily -> ../Daily`; `scripted`: the
    /// questions go to m_prompts.
    void start(bool scripted = true);
    void parseNow();

    std::unique_ptr<QTemporaryDir> m_dir;
    ProgramWindows m_windows;
    ScriptedPrompts m_prompts;
};

void TestKeyboard::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    useOwnProgramFolders(m_dir->path());
    qputenv("HOME", QFile::encodeName(m_dir->path()));
    QDir().mkpath(inbox());
    QDir().mkpath(sorted());
    m_prompts = ScriptedPrompts();
}

void TestKeyboard::cleanup()
{
    if (m_windows.main) {
        m_windows.main->parseTimer()->stop();
        m_windows.destroy();
    }
    m_dir.reset();
}

void TestKeyboard::start(bool scripted)
{
    writeBytes(m_dir->filePath(u"config/marrowdale/marrowdale.ini"_s),
               "[Setting]\nIniFolder=" + QFile::encodeName(inbox()) + "\nRootFolder=" + QFile::encodeName(sorted())
                   + "\nConfirm=0\n");
    writeBytes(patternFile(), "news -> ../News\r\ndaily -> ../Daily\r\n");
    m_windows = ProgramWindows::create();
    if (scripted)
        main()->setPrompts(&m_prompts);
    main()->parseTimer()->setInterval(20);
    main()->firstShow();
    main()->show();
    main()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main()));
    QTRY_VERIFY(main()->classifyButton()->isEnabled());
}

void TestKeyboard::parseNow()
{
    main()->parseTimer()->stop();
    main()->parseKeywordList();
}

void TestKeyboard::mainJobWithKeysOnly()
{
    writeBytes(inbox() + u"/daily news.htm"_s, "page");
    writeBytes(inbox() + u"/daily news_files/img.png"_s, "img");
    QDir().mkpath(inbox() + u"/later"_s);
    start(false);
    QSignalSpy closed(main(), &MainWindow::closed);

    // The folder: from the volume list into the folder list, back up one folder and down into inbox.
    main()->volumeChooser()->setFocus();
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), main()->folderList());
    press(Qt::Key_Up);
    press(Qt::Key_Return);
    QCOMPARE(main()->folderList()->folder(), m_dir->filePath(u"Documents"_s));
    QCOMPARE(main()->folderList()->currentItem()->text(), u"Documents"_s);
    press(Qt::Key_Down); // the first subfolder
    press(Qt::Key_Return);
    QCOMPARE(main()->folderList()->folder(), inbox());
    QCOMPARE(itemTexts(main()->fileList()), QStringList {u"daily news.htm"_s});

    // Classify; both keywords match, Enter takes the first destination.
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), main()->fileList());
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), main()->classifyButton());
    QStringList offered;
    const auto answering = ModalWindows::whenShown(
        [&](QWidget *modal) {
            auto *list = modal->findChild<QListWidget *>();
            offered = itemTexts(list);
            QCOMPARE(QApplication::focusWidget(), list);
            press(Qt::Key_Return);
        },
        ModalWindows::Then::Leave);
    press(Qt::Key_Space);
    // A window manager gives the window back its activation when the dialog closes; offscreen, the test does.
    main()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main()));
    QCOMPARE(QApplication::focusWidget(), main()->classifyButton());
    QCOMPARE(offered, (QStringList {u"../News"_s, u"../Daily"_s}));
    QCOMPARE(bytesOf(sorted() + u"/News/daily news_files/img.png"_s), "img"_ba);
    QCOMPARE(main()->log()->count(), 2); // the move and the pass's summary

    // On to the log: the keyword list and its buttons come first, Move is skipped while nothing is selected.
    QList<QWidget *> visited;
    while (QApplication::focusWidget() != main()->log() && visited.size() < 20) {
        press(Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    QCOMPARE(visited,
             (QList<QWidget *> {main()->keywordList(), main()->replaceButton(), main()->newListButton(),
                                main()->loadButton(), main()->optionsButton(), main()->log()}));
    QVERIFY(!main()->undoButton()->isEnabled());
    press(Qt::Key_Down);
    QVERIFY(main()->undoButton()->isEnabled());
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), main()->undoButton());
    press(Qt::Key_Space);
    QCOMPARE(bytesOf(inbox() + u"/daily news_files/img.png"_s), "img"_ba);
    QCOMPARE(main()->log()->count(), 2); // the summaries of the pass and of the undo
    QVERIFY(!main()->undoButton()->isEnabled());

    // Exit, two buttons on.
    for (int i = 0; i < 5 && QApplication::focusWidget() != main()->exitButton(); ++i)
        press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), main()->exitButton());
    press(Qt::Key_Space);
    QCOMPARE(closed.count(), 1);
    QVERIFY(!main()->isVisible());
    QVERIFY(bytesOf(patternFile()).startsWith("daily -> ../Daily"));
}

void TestKeyboard::tabLeavesTheKeywordList_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text"); // after "a", the key, "b"
    QTest::addColumn<QString>("focus"); // "list", "next" or "previous"

    QTest::newRow("Tab moves on") << int(Qt::Key_Tab) << int(Qt::NoModifier) << u"a"_s << u"next"_s;
    QTest::newRow("Shift+Tab moves back") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << u"a"_s << u"previous"_s;
    QTest::newRow("Ctrl+Tab types a tab") << int(Qt::Key_Tab) << int(Qt::ControlModifier) << u"a\tb"_s << u"list"_s;
    QTest::newRow("Alt+Tab types nothing") << int(Qt::Key_Tab) << int(Qt::AltModifier) << u"ab"_s << u"list"_s;
    QTest::newRow("Ctrl+Shift+Tab types nothing")
        << int(Qt::Key_Backtab) << int(Qt::ControlModifier | Qt::ShiftModifier) << u"ab"_s << u"list"_s;
}

void TestKeyboard::tabLeavesTheKeywordList()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(QString, focus);
    writeBytes(inbox() + u"/page.htm"_s, "page");
    start();
    main()->fileList()->setCurrentRow(0); // Move takes part in the order
    QPlainTextEdit *list = main()->keywordList();
    list->clear();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_A);
    press(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    const QWidget *after = QApplication::focusWidget();
    press(Qt::Key_B);
    QCOMPARE(list->toPlainText(), text);
    const QHash<QString, QWidget *> targets {
        {u"list"_s, list}, {u"next"_s, main()->replaceButton()}, {u"previous"_s, main()->moveButton()}};
    QCOMPARE(after, targets.value(focus));

    parseNow();
    QVERIFY(main()->close());
    QCOMPARE(bytesOf(patternFile()).contains('\t'), text.contains(u'\t'));
}

void TestKeyboard::focusFollowsTheLayout()
{
    writeBytes(inbox() + u"/page.htm"_s, "page");
    start();
    main()->fileList()->setCurrentRow(0);
    main()->appendMove({u"page.htm -> ../News"_s, u"page.htm"_s, sorted(), {}, {}});
    main()->log()->setCurrentRow(0);
    const QList<QWidget *> expected {
        main()->volumeChooser(),  main()->folderList(),    main()->fileList(),      main()->classifyButton(),
        main()->moveButton(),     main()->keywordList(),   main()->replaceButton(), main()->newListButton(),
        main()->loadButton(),     main()->optionsButton(), main()->log(),           main()->undoButton(),
        main()->explorerButton(), main()->exitButton(),    main()->helpButton(),    main()->volumeChooser()};
    main()->volumeChooser()->setFocus();
    QList<QWidget *> visited {QApplication::focusWidget()};
    for (qsizetype i = 1; i < expected.size(); ++i) {
        press(Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    QCOMPARE(visited, expected);
}

void TestKeyboard::undoFollowsTheLogSelection_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("undo");

    QTest::newRow("Down selects the first line") << 2 << u"Down"_s << true;
    // The list framed its only line without selecting it, and the arrows had nowhere to go.
    QTest::newRow("the only line: Down selects it") << 1 << u"Down"_s << true;
    QTest::newRow("End selects the last line") << 2 << u"End"_s << true;
    QTest::newRow("selection taken away") << 2 << u"Down, clear"_s << false;
    QTest::newRow("empty log") << 0 << u"Down"_s << false;
}

void TestKeyboard::undoFollowsTheLogSelection()
{
    QFETCH(int, lines);
    QFETCH(QString, action);
    start();
    for (int i = 0; i < lines; ++i)
        main()->appendMove({u"page%1.htm -> ../News"_s.arg(i), u"page%1.htm"_s.arg(i), sorted(), {}, {}});
    main()->log()->setFocus();
    press(action.startsWith(u"End"_s) ? Qt::Key_End : Qt::Key_Down);
    if (action.endsWith(u"clear"_s))
        main()->log()->clearSelection();
    QTEST(main()->undoButton()->isEnabled(), "undo");
}

void TestKeyboard::moveFollowsTheFileSelection_data()
{
    QTest::addColumn<QStringList>("keys"); // in the file list; "F5" after a new file, "gone" after c.htm went
    QTest::addColumn<bool>("move");

    QTest::newRow("Down selects a file") << QStringList {u"Down"_s} << true;
    QTest::newRow("Ctrl+A selects all") << QStringList {u"Ctrl+A"_s} << true;
    QTest::newRow("Ctrl+Space takes the only one back") << QStringList {u"Down"_s, u"Ctrl+Space"_s} << false;
    QTest::newRow("a re-read keeps the selection") << QStringList {u"End"_s, u"F5"_s} << true;
    QTest::newRow("the selected file has gone") << QStringList {u"End"_s, u"gone"_s} << false;
}

void TestKeyboard::moveFollowsTheFileSelection()
{
    QFETCH(QStringList, keys);
    for (const char16_t *name : {u"a.htm", u"b.htm", u"c.htm"})
        writeBytes(inbox() + u'/' + QString::fromUtf16(name), "x");
    start();
    QVERIFY(!main()->moveButton()->isEnabled());
    main()->fileList()->setFocus();
    for (const QString &key : std::as_const(keys)) {
        if (key == u"Down")
            press(Qt::Key_Down);
        else if (key == u"End")
            press(Qt::Key_End);
        else if (key == u"Ctrl+A")
            press(Qt::Key_A, Qt::ControlModifier);
        else if (key == u"Ctrl+Space")
            press(Qt::Key_Space, Qt::ControlModifier);
        else {
            writeBytes(inbox() + u"/0 new.htm"_s, "x");
            if (key == u"gone")
                QVERIFY(QFile::remove(inbox() + u"/c.htm"_s));
            press(Qt::Key_F5);
        }
    }
    QTEST(main()->moveButton()->isEnabled(), "move");
    QTEST(main()->fileListCommands()->sendAction()->isEnabled(), "move");
    if (keys.contains(u"F5"_s)) {
        QCOMPARE(itemTexts(main()->fileList()).size(), 4);
        QCOMPARE(main()->fileList()->selectedItems().value(0)->text(), u"c.htm"_s);
    }
}

void TestKeyboard::arrowsMoveOnAfterTheFirst_data()
{
    QTest::addColumn<bool>("log");
    QTest::newRow("file list") << false;
    QTest::newRow("log") << true;
}

// The first arrow selects the framed line; every arrow after it moves the selection on.
void TestKeyboard::arrowsMoveOnAfterTheFirst()
{
    QFETCH(bool, log);
    for (const char16_t *name : {u"a.htm", u"b.htm", u"c.htm"})
        writeBytes(inbox() + u'/' + QString::fromUtf16(name), "x");
    start();
    QListWidget *list = log ? static_cast<QListWidget *>(main()->log()) : main()->fileList();
    for (int i = 0; log && i < 3; ++i)
        main()->appendMove({u"page%1.htm -> ../News"_s.arg(i), u"page%1.htm"_s.arg(i), sorted(), {}, {}});
    list->setFocus();
    list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    QList<int> rows;
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}) {
        press(key);
        const QList<QListWidgetItem *> selected = list->selectedItems();
        rows << (selected.size() == 1 ? list->row(selected.first()) : -1);
    }
    QCOMPARE(rows, (QList<int> {0, 1, 2, 1}));
}

void TestKeyboard::listsFollowTheDisk_data()
{
    QTest::addColumn<QString>("how"); // "F5", "by itself" (the folder is watched), "Classify"
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders"); // the subfolders the folder list shows

    QTest::newRow("F5") << u"F5"_s << QStringList {u"new.htm"_s, u"news.htm"_s}
                        << QStringList {u"made_files"_s, u"news_files"_s};
    QTest::newRow("by itself") << u"by itself"_s << QStringList {u"new.htm"_s, u"news.htm"_s}
                               << QStringList {u"made_files"_s, u"news_files"_s};
    // The companion folder that Classify moved away once stayed in the folder list.
    QTest::newRow("Classify") << u"Classify"_s << QStringList {} << QStringList {};
}

void TestKeyboard::listsFollowTheDisk()
{
    QFETCH(QString, how);
    QFETCH(QStringList, folders);
    writeBytes(inbox() + u"/news.htm"_s, "page");
    writeBytes(inbox() + u"/news_files/img.png"_s, "img");
    start();
    const int firstSubfolder = main()->folderList()->count() - 1;
    if (how == u"Classify") {
        parseNow();
        main()->classify();
    } else {
        writeBytes(inbox() + u"/new.htm"_s, "page");
        QVERIFY(QDir().mkdir(inbox() + u"/made_files"_s));
        if (how == u"F5")
            QTest::keyClick(main(), Qt::Key_F5);
        else
            QTRY_COMPARE(main()->fileList()->count(), 2);
    }
    QTEST(itemTexts(main()->fileList()), "files");
    QCOMPARE(itemTexts(main()->folderList()).mid(firstSubfolder), folders);
}

void TestKeyboard::noRereadUnderAQuestion()
{
    start();
    QStringList whileAsked;
    const auto answering = ModalWindows::whenShown(
        [&](QWidget *modal) {
            writeBytes(inbox() + u"/new.htm"_s, "page");
            QTest::qWait(800); // the change is seen, but the list waits
            whileAsked = itemTexts(main()->fileList());
            static_cast<QMessageBox *>(modal)->accept();
        },
        ModalWindows::Then::Leave);
    QMessageBox::information(main(), QString(), u"A question about the list"_s);
    QCOMPARE(whileAsked, QStringList());
    QTRY_COMPARE(itemTexts(main()->fileList()), QStringList {u"new.htm"_s});
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
