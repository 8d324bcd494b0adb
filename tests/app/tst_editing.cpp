#include "app/mainwindow.h"
#include "app/programwindows.h"
#include "editing/findreplacecommands.h"
#include "editing/keywordlistmenu.h"
#include "editing/patternfilecommands.h"
#include "editing/replacedialog.h"
#include "marrowdaleerror.h"
#include "patternfile.h"
#include "scriptedprompts.h"
#include "systemtest.h"
#include "testfiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace { } // namespace

class TestEditing : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void switchPatternFile_data();
    void switchPatternFile();
    void newListThenLoadWritesTheEmptyList();
    void newListAsksBeforeNamingAnExistingFile_data();
    void newListAsksBeforeNamingAnExistingFile();
    void missingFileIsCreatedAtClose();
    void loadOfAnUnreadableFileChangesNothing();
    void findNextWalk_data();
    void findNextWalk();
    void replaceTakesAnySelection_data();
    void replaceTakesAnySelection();
    void replaceAll_data();
    void replaceAll();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    MainWindow *main() const { return m_windows.main; }
    QPlainTextEdit *list() const { return m_windows.main->keywordList(); }
    ReplaceDialog *dialog() const { return m_windows.main->findReplaceCommands()->replaceDialog(); }
    void chooseFile(const QString &name)
    {
        const auto chooser
            = [file = name.isEmpty() ? QString() : path(name)](QWidget *, const QString &) { return file; };
        main()->patternFileCommands()->setSaveChooser(chooser);
        main()->patternFileCommands()->setOpenChooser(chooser);
    }
    void select(int start, int length)
    {
        QTextCursor cursor = list()->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        list()->setTextCursor(cursor);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    ProgramWindows m_windows;
    ScriptedPrompts m_prompts;
};

void TestEditing::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    useOwnProgramFolders(m_dir->path());
    qputenv("HOME", QFile::encodeName(path(u"home"_s)));
    QDir().mkpath(path(u"config/marrowdale"_s));
    writeBytes(path(u"config/marrowdale/marrowdale.ini"_s), "[Setting]\n");
    writeBytes(path(u"blocker"_s), "x"); // a folder that is a file: nothing under it can be written
    writeBytes(path(u"other.dat"_s), "x -> ../X\r\n");
    m_prompts = ScriptedPrompts();
    m_windows = ProgramWindows::create();
    main()->setPrompts(&m_prompts);
    main()->firstShow();
    main()->show();
    main()->parseTimer()->stop();
}

void TestEditing::cleanup()
{
    main()->parseTimer()->stop();
    m_windows.destroy();
    m_dir.reset();
}

void TestEditing::switchPatternFile_data()
{
    QTest::addColumn<bool>("load");
    QTest::addColumn<QString>("chosen"); // empty: the dialog is cancelled
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("readOnly"); // the current file
    QTest::addColumn<bool>("unchanged"); // the list is the file's, as loaded
    QTest::addColumn<int>("discard"); // the answer to the discard question; 0: not asked
    QTest::addColumn<QString>("listAfter");
    QTest::addColumn<bool>("switched");

    const QString edited = u"k -> ../K\nl -> ../L"_s, other = u"x -> ../X\n"_s;
    const QString current = u"current.dat"_s, unwritable = u"blocker/current.dat"_s;
    const int yes = UserPrompts::Yes, no = UserPrompts::No;
    QTest::newRow("new list") << false << u"new.dat"_s << current << false << false << 0 << QString() << true;
    QTest::newRow("new list cancelled") << false << QString() << current << false << false << 0 << edited << false;
    QTest::newRow("new list, current file unwritable, changes kept")
        << false << u"new.dat"_s << unwritable << false << false << no << edited << false;
    QTest::newRow("new list, current file read-only, changes discarded")
        << false << u"new.dat"_s << current << true << false << yes << QString() << true;
    QTest::newRow("load") << true << u"other.dat"_s << current << false << false << 0 << other << true;
    QTest::newRow("load, current file unwritable, changes kept")
        << true << u"other.dat"_s << unwritable << false << false << no << edited << false;
    QTest::newRow("load, current file read-only, changes discarded")
        << true << u"other.dat"_s << current << true << false << yes << other << true;
    QTest::newRow("load of the current file keeps the edits")
        << true << current << current << false << false << 0 << edited << true;
    QTest::newRow("load, unchanged list of a read-only file goes ahead")
        << true << u"other.dat"_s << current << true << true << 0 << other << true;
}

void TestEditing::switchPatternFile()
{
    QFETCH(bool, readOnly);
    if (readOnly)
        RUN_WITHOUT_ROOT(); // root writes read-only files
    QFETCH(bool, load);
    QFETCH(QString, chosen);
    QFETCH(QString, current);
    QFETCH(bool, unchanged);
    QFETCH(int, discard);
    QFETCH(bool, switched);

    // The current file holds a lone CR, so a write of the list shows as CR LF.
    writeBytes(path(u"current.dat"_s), unchanged ? "k -> ../K\r\nl -> ../L" : "old\r");
    if (readOnly)
        QVERIFY(QFile::setPermissions(path(u"current.dat"_s), QFileDevice::ReadOwner));
    main()->state().patternFile = path(current);
    if (unchanged)
        main()->state().patternFileState = PatternFile::read(path(current));
    list()->setPlainText(u"k -> ../K\nl -> ../L"_s);
    if (discard != 0)
        m_prompts.yesNoAnswers = {discard};
    QString offeredFolder;
    const auto chooser = [&](QWidget *, const QString &folder) {
        offeredFolder = folder;
        return chosen.isEmpty() ? QString() : path(chosen);
    };
    main()->patternFileCommands()->setSaveChooser(chooser);
    main()->patternFileCommands()->setOpenChooser(chooser);
    PatternFileCommands *commands = main()->patternFileCommands();
    load ? commands->loadList() : commands->startNewList();

    QCOMPARE(offeredFolder, path(u"config/marrowdale"_s));
    QCOMPARE(m_prompts.askedOf(u"notify"_s),
             load ? QStringList() : QStringList {u"Please input the name of the pattern file."_s});
    QCOMPARE(m_prompts.askedOf(u"askYesNo"_s).size(), discard != 0 ? 1 : 0);
    QTEST(list()->toPlainText(), "listAfter");
    QCOMPARE(main()->state().patternFile, path(switched ? chosen : current));
    const bool written = !chosen.isEmpty() && !readOnly && current == u"current.dat"_s;
    QCOMPARE(bytesOf(path(u"current.dat"_s)), written || unchanged ? "k -> ../K\r\nl -> ../L"_ba : "old\r"_ba);
    QCOMPARE(bytesOf(path(u"other.dat"_s)), QByteArray("x -> ../X\r\n"));
    QVERIFY(!QFile::exists(path(u"new.dat"_s)));
    if (load && switched)
        QVERIFY(!main()->classifyButton()->isEnabled() && main()->parseTimer()->isActive());
}

void TestEditing::newListThenLoadWritesTheEmptyList()
{
    main()->state().patternFile = path(u"current.dat"_s);
    list()->setPlainText(u"k -> ../K\n"_s);
    chooseFile(u"new.dat"_s);
    main()->newListButton()->click();
    chooseFile(u"other.dat"_s);
    main()->loadButton()->click();
    QCOMPARE(bytesOf(path(u"current.dat"_s)), QByteArray("k -> ../K\r\n"));
    QCOMPARE(bytesOf(path(u"new.dat"_s)), QByteArray());
    QCOMPARE(list()->toPlainText(), u"x -> ../X\n"_s);
}

void TestEditing::newListAsksBeforeNamingAnExistingFile_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("answer"); // to the question whether to replace the file; 0: not asked
    QTest::addColumn<bool>("switched");

    // The save dialog once took an existing file without a word, and its content was lost at the next save.
    QTest::newRow("existing file, replace") << u"existing.dat"_s << int(QMessageBox::Yes) << true;
    QTest::newRow("existing file, keep it") << u"existing.dat"_s << int(QMessageBox::No) << false;
    QTest::newRow("new name") << u"fresh.dat"_s << 0 << true;
}

void TestEditing::newListAsksBeforeNamingAnExistingFile()
{
    QFETCH(QString, typed);
    QFETCH(int, answer);
    QFETCH(bool, switched);
    const QString existing = path(u"config/marrowdale/existing.dat"_s);
    writeBytes(existing, "kept -> ../Kept\r\n");
    main()->state().patternFile = path(u"current.dat"_s);
    list()->setPlainText(u"k -> ../K\n"_s);

    // The real save dialog: the name is typed and taken; a question that comes is answered; a dialog
    // still open after that is cancelled.
    QString question;
    int dialogs = 0;
    bool running = true;
    std::function<void()> poll = [&] {
        if (!running)
            return;
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal); box && box->isVisible()) {
            question = box->text();
            box->button(QMessageBox::StandardButton(answer))->click();
        } else if (auto *files = qobject_cast<QFileDialog *>(modal); files && files->isVisible()) {
            // The dialog lists its folder in the background and may not take the name at once.
            if (question.isEmpty() && dialogs++ < 50) {
                files->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(typed);
                QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
            } else {
                files->reject();
            }
        }
        QTimer::singleShot(20, poll);
    };
    QTimer::singleShot(0, poll);
    main()->patternFileCommands()->startNewList();
    running = false;

    QCOMPARE(question.contains(u"existing.dat"_s), answer != 0);
    QCOMPARE(main()->state().patternFile, switched ? path(u"config/marrowdale/"_s + typed) : path(u"current.dat"_s));
    QCOMPARE(list()->toPlainText(), switched ? QString() : u"k -> ../K\n"_s);
    QCOMPARE(bytesOf(existing), "kept -> ../Kept\r\n"_ba);
}

void TestEditing::missingFileIsCreatedAtClose()
{
    chooseFile(u"new.dat"_s);
    QVERIFY_THROWS_EXCEPTION(MarrowdaleError, main()->patternFileCommands()->loadList());
    QCOMPARE(list()->toPlainText(), QString());
    list()->setPlainText(u"k -> ../K"_s);
    QVERIFY(main()->close());
    QCOMPARE(bytesOf(path(u"new.dat"_s)), QByteArray("k -> ../K\r\n"));
}

void TestEditing::loadOfAnUnreadableFileChangesNothing()
{
    // Load once emptied the list and made the file current before reading it: the close then wrote
    // the empty list over it.
    RUN_WITHOUT_ROOT(); // root reads any file
    const QString locked = path(u"locked.dat"_s);
    writeBytes(locked, "kept -> ../Kept\r\n");
    QVERIFY(QFile::setPermissions(locked, QFileDevice::WriteOwner));
    writeBytes(path(u"current.dat"_s), "old\r");
    main()->state().patternFile = path(u"current.dat"_s);
    list()->setPlainText(u"k -> ../K\n"_s);
    chooseFile(u"locked.dat"_s);
    QVERIFY_THROWS_EXCEPTION(MarrowdaleError, main()->patternFileCommands()->loadList());
    QCOMPARE(list()->toPlainText(), u"k -> ../K\n"_s);
    QCOMPARE(main()->state().patternFile, path(u"current.dat"_s));
    QCOMPARE(bytesOf(path(u"current.dat"_s)), "old\r"_ba);
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(bytesOf(locked), "kept -> ../Kept\r\n"_ba);
}

void TestEditing::findNextWalk_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QList<int>>("starts"); // selection after each Find Next; -1: message, selection kept

    QTest::newRow("two hits then message") << u"News"_s << 0 << QList<int> {0, 22, -1};
    QTest::newRow("case-sensitive without match case") << u"news"_s << 0 << QList<int> {17, -1};
    QTest::newRow("break counts one") << u"old"_s << 5 << QList<int> {13, -1};
}

void TestEditing::findNextWalk()
{
    QFETCH(QString, what);
    QFETCH(int, caret);
    QFETCH(QList<int>, starts);
    list()->setPlainText(u"News -> ../N\nold news\nNews -> ../M"_s);
    select(caret, 0);
    main()->replaceButton()->click();
    dialog()->setFindText(what);
    int lastStart = caret;
    QString lastSelection;
    for (int start : std::as_const(starts)) {
        m_prompts.asked.clear();
        dialog()->findNextButton()->click();
        const QStringList expected {u"No target word is found below the current cursor."_s};
        QCOMPARE(m_prompts.askedOf(u"msgBox"_s), start < 0 ? expected : QStringList());
        lastStart = start < 0 ? lastStart : start;
        lastSelection = start < 0 ? lastSelection : what;
        QCOMPARE(list()->textCursor().selectionStart(), lastStart);
        QCOMPARE(list()->textCursor().selectedText(), lastSelection);
        QCOMPARE(main()->focusWidget(), list());
    }
}

void TestEditing::replaceTakesAnySelection_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("found"); // empty: nothing found, message shown

    QTest::newRow("selection differs from the find text") << 8 << 4 << u"News -> Web\nNews"_s << u"News"_s;
    QTest::newRow("nothing selected: only Find Next") << 0 << 0 << u"News -> ../N\nNews"_s << u"News"_s;
    QTest::newRow("nothing left to find") << 13 << 4 << u"News -> ../N\nWeb"_s << QString();
}

void TestEditing::replaceTakesAnySelection()
{
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, found);
    list()->setPlainText(u"News -> ../N\nNews"_s);
    select(start, length);
    main()->replaceButton()->click();
    dialog()->setFindText(u"News"_s);
    dialog()->setReplaceText(u"Web"_s);
    dialog()->replaceButton()->click();
    QTEST(list()->toPlainText(), "text");
    QCOMPARE(list()->textCursor().selectedText(), found);
    QCOMPARE(m_prompts.askedOf(u"msgBox"_s).size(), found.isEmpty() ? 1 : 0);
}

void TestEditing::replaceAll_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("message");

    QTest::newRow("aAa without case") << u"aAa"_s << false << u"bbb"_s << u"3 strings were replaced."_s;
    QTest::newRow("aAa with case") << u"aAa"_s << true << u"bAb"_s << u"2 strings were replaced."_s;
    QTest::newRow("no hit") << u"xyz"_s << true << u"xyz"_s << u"0 strings were replaced."_s;
}

void TestEditing::replaceAll()
{
    QFETCH(QString, text);
    QFETCH(bool, matchCase);
    QFETCH(QString, message);
    list()->setPlainText(text);
    main()->parseTimer()->stop();
    main()->classifyButton()->setEnabled(true);
    main()->replaceButton()->click();
    dialog()->setFindText(u"a"_s);
    dialog()->setReplaceText(u"b"_s);
    dialog()->setMatchCase(matchCase);
    dialog()->replaceAllButton()->click();
    QTEST(list()->toPlainText(), "result");
    QCOMPARE(m_prompts.askedOf(u"msgBox"_s), QStringList {message});
    QVERIFY(!dialog()->isVisible());
    QCOMPARE(main()->classifyButton()->isEnabled(), list()->toPlainText() == text);
    // One undo takes the whole replacement back; the dialog keeps its settings.
    main()->keywordListMenu()->undoAction()->trigger();
    QCOMPARE(list()->toPlainText(), text);
    main()->replaceButton()->click();
    QCOMPARE(dialog()->findText(), u"a"_s);
    QCOMPARE(dialog()->matchCase(), matchCase);
}

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
