#include "app/programwindows.h"
#include "app/tmain.h"
#include "editing/editpopupmenu.h"
#include "editing/findreplacecommands.h"
#include "editing/patternfilecommands.h"
#include "editing/replacedialog.h"
#include "scriptedprompts.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Records the text of the next error box and closes it.
void closeNextErrorBox(QString *text)
{
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [text, poll] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            *text = box->text();
            box->reject();
            return;
        }
        QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestEditing : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void switchPatternFile_data();
    void switchPatternFile();
    void newListThenLoadWritesTheEmptyList();
    void missingFileIsCreatedAtClose();
    void findNextWalk_data();
    void findNextWalk();
    void replaceTakesAnySelection_data();
    void replaceTakesAnySelection();
    void replaceAll_data();
    void replaceAll();
    void popupFollowsTheClipboard();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    TMain *main() const { return m_windows.main; }
    QPlainTextEdit *list() const { return m_windows.main->keyWordList(); }
    ReplaceDialog *dialog() const { return m_windows.main->findReplaceCommands()->replaceDialog(); }
    void select(int start, int length);
    QString selection() const { return list()->textCursor().selectedText(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    ProgramWindows m_windows;
    ScriptedPrompts m_prompts;
};

void TestEditing::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(u"config"_s)));
    qputenv("HOME", QFile::encodeName(path(u"home"_s)));
    QDir().mkpath(path(u"config/marrowdale"_s));
    QDir().mkpath(path(u"home"_s));
    writeBytes(path(u"config/marrowdale/marrowdale.ini"_s), "[Setting]\n");
    m_prompts = ScriptedPrompts();
    m_windows = ProgramWindows::create();
    main()->setPrompts(&m_prompts);
    main()->FormShow();
    main()->show();
    main()->timer1()->stop();
}

void TestEditing::cleanup()
{
    main()->timer1()->stop();
    m_windows.destroy();
    m_dir.reset();
}

void TestEditing::select(int start, int length)
{
    QTextCursor cursor = list()->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    list()->setTextCursor(cursor);
}

void TestEditing::switchPatternFile_data()
{
    QTest::addColumn<bool>("load");
    QTest::addColumn<QString>("chosen"); // empty: the dialog is cancelled
    QTest::addColumn<bool>("currentWritable");
    QTest::addColumn<bool>("error");
    QTest::addColumn<QString>("listAfter");
    QTest::addColumn<bool>("switched");

    const QString edited = u"k -> ../K\nl -> ../L"_s;
    QTest::newRow("new list") << false << u"new.dat"_s << true << false << QString() << true;
    QTest::newRow("new list onto an existing file") << false << u"other.dat"_s << true << false << QString()
                                                    << true;
    QTest::newRow("new list cancelled") << false << QString() << true << false << edited << false;
    QTest::newRow("new list, current file unwritable") << false << u"new.dat"_s << false << true << edited
                                                       << false;
    QTest::newRow("load") << true << u"other.dat"_s << true << false << u"x -> ../X\n"_s << true;
    QTest::newRow("load cancelled") << true << QString() << true << false << edited << false;
    QTest::newRow("load of a missing file") << true << u"new.dat"_s << true << true << QString() << true;
    QTest::newRow("unwritable current file discarded the list on load") << true << u"other.dat"_s << false << true
                                                                      << edited << false;
}

void TestEditing::switchPatternFile()
{
    QFETCH(bool, load);
    QFETCH(QString, chosen);
    QFETCH(bool, currentWritable);
    QFETCH(bool, error);
    QFETCH(bool, switched);

    // The current file holds lone CRs: a write of the list shows as CR LF.
    writeBytes(path(u"blocker"_s), "x");
    const QString current = currentWritable ? path(u"current.dat"_s) : path(u"blocker/current.dat"_s);
    if (currentWritable)
        writeBytes(current, "old\r");
    writeBytes(path(u"other.dat"_s), "x -> ../X\r\n");
    main()->state().patternFile = current;
    list()->setPlainText(u"k -> ../K\nl -> ../L"_s);
    QString offeredFolder;
    const QString chosenPath = chosen.isEmpty() ? QString() : path(chosen);
    auto chooser = [&](QWidget *, const QString &folder) {
        offeredFolder = folder;
        return chosenPath;
    };
    main()->patternFileCommands()->setSaveChooser(chooser);
    main()->patternFileCommands()->setOpenChooser(chooser);

    QString errorText;
    if (error)
        closeNextErrorBox(&errorText);
    (load ? main()->btnLoad() : main()->btnNew())->click();

    QCOMPARE(offeredFolder, path(u"config/marrowdale"_s));
    QCOMPARE(m_prompts.askedOf(u"notify"_s),
             load ? QStringList() : QStringList{u"Please input the name of the pattern file."_s});
    QTRY_COMPARE(errorText.isEmpty(), !error);
    QTEST(list()->toPlainText(), "listAfter");
    QCOMPARE(main()->state().patternFile, switched ? chosenPath : current);
    if (currentWritable)
        QCOMPARE(bytesOf(current), chosen.isEmpty() ? QByteArray("old\r") : QByteArray("k -> ../K\r\nl -> ../L"));
    QCOMPARE(bytesOf(path(u"other.dat"_s)), QByteArray("x -> ../X\r\n"));
    if (load && switched && !error) {
        QVERIFY(!main()->button1()->isEnabled());
        QVERIFY(main()->timer1()->isActive());
    }
}

void TestEditing::newListThenLoadWritesTheEmptyList()
{
    writeBytes(path(u"other.dat"_s), "x -> ../X");
    main()->state().patternFile = path(u"current.dat"_s);
    list()->setPlainText(u"k -> ../K\n"_s);
    PatternFileCommands *commands = main()->patternFileCommands();
    commands->setSaveChooser([this](QWidget *, const QString &) { return path(u"new.dat"_s); });
    commands->setOpenChooser([this](QWidget *, const QString &) { return path(u"other.dat"_s); });
    main()->btnNew()->click();
    QVERIFY(!QFile::exists(path(u"new.dat"_s)));
    main()->btnLoad()->click();
    QCOMPARE(bytesOf(path(u"current.dat"_s)), QByteArray("k -> ../K\r\n"));
    QCOMPARE(bytesOf(path(u"new.dat"_s)), QByteArray());
    QCOMPARE(list()->toPlainText(), u"x -> ../X"_s);
}

void TestEditing::missingFileIsCreatedAtClose()
{
    main()->patternFileCommands()->setOpenChooser([this](QWidget *, const QString &) { return path(u"new.dat"_s); });
    QString errorText;
    closeNextErrorBox(&errorText);
    main()->btnLoad()->click();
    QTRY_VERIFY(errorText.contains(path(u"new.dat"_s)));
    list()->setPlainText(u"k -> ../K"_s);
    QVERIFY(main()->close());
    QCOMPARE(bytesOf(path(u"new.dat"_s)), QByteArray("k -> ../K\r\n"));
}

void TestEditing::findNextWalk_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QList<int>>("starts"); // selection after each Find Next; -1: not found

    QTest::newRow("two hits then message") << u"News"_s << 0 << QList<int>{0, 22, -1};
    QTest::newRow("case-sensitive without match case") << u"news"_s << 0 << QList<int>{17, -1};
    QTest::newRow("no wrap to the top") << u"News"_s << 23 << QList<int>{-1};
    QTest::newRow("break counts one") << u"old"_s << 5 << QList<int>{13, -1};
}

void TestEditing::findNextWalk()
{
    QFETCH(QString, what);
    QFETCH(int, caret);
    QFETCH(QList<int>, starts);
    list()->setPlainText(u"News -> ../N\nold news\nNews -> ../M"_s);
    select(caret, 0);
    main()->btnReplace()->click();
    QVERIFY(dialog()->isVisible());
    dialog()->setFindText(what);
    int lastStart = caret;
    int lastLength = 0;
    for (int start : std::as_const(starts)) {
        m_prompts.asked.clear();
        dialog()->findNextButton()->click();
        if (start < 0) {
            QCOMPARE(m_prompts.askedOf(u"msgBox"_s),
                     QStringList{u"No target word is found below the current cursor."_s});
            QCOMPARE(list()->textCursor().selectionStart(), lastStart);
            QCOMPARE(list()->textCursor().selectionEnd(), lastStart + lastLength);
            break;
        }
        QVERIFY(m_prompts.asked.isEmpty());
        QCOMPARE(list()->textCursor().selectionStart(), start);
        QCOMPARE(selection(), what);
        QCOMPARE(main()->focusWidget(), list());
        lastStart = start;
        lastLength = int(what.size());
    }
}

void TestEditing::replaceTakesAnySelection_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("found");

    QTest::newRow("selection differs from the find text") << 8 << 4 << u"News -> Web\nNews"_s << u"News"_s;
    QTest::newRow("nothing selected: only Find Next") << 0 << 0 << u"News -> ../N\nNews"_s << u"News"_s;
    QTest::newRow("nothing left to find") << 13 << 4 << u"News -> ../N\nWeb"_s << QString();
}

void TestEditing::replaceTakesAnySelection()
{
    QFETCH(int, start);
    QFETCH(int, length);
    list()->setPlainText(u"News -> ../N\nNews"_s);
    select(start, length);
    main()->btnReplace()->click();
    dialog()->setFindText(u"News"_s);
    dialog()->setReplaceText(u"Web"_s);
    dialog()->replaceButton()->click();
    QTEST(list()->toPlainText(), "text");
    QTEST(selection(), "found");
    QCOMPARE(m_prompts.askedOf(u"msgBox"_s).size(), selection().isEmpty() ? 1 : 0);
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
    list()->setPlainText(text);
    main()->timer1()->stop();
    main()->button1()->setEnabled(true);
    main()->btnReplace()->click();
    dialog()->setFindText(u"a"_s);
    dialog()->setReplaceText(u"b"_s);
    QFETCH(bool, matchCase);
    dialog()->setMatchCase(matchCase);
    dialog()->replaceAllButton()->click();
    QTEST(list()->toPlainText(), "result");
    QFETCH(QString, message);
    QCOMPARE(m_prompts.askedOf(u"msgBox"_s), QStringList{message});
    QVERIFY(!dialog()->isVisible());
    // The dialog keeps its settings for the next use.
    main()->btnReplace()->click();
    QCOMPARE(dialog()->findText(), u"a"_s);
    QCOMPARE(dialog()->matchCase(), matchCase);
    if (list()->toPlainText() != text) {
        QVERIFY(!main()->button1()->isEnabled());
        main()->editPopupMenu()->redo1()->trigger();
        QCOMPARE(list()->toPlainText(), text);
    }
}

void TestEditing::popupFollowsTheClipboard()
{
    EditPopupMenu *menu = main()->editPopupMenu();
    list()->setPlainText(u"news -> ../News"_s);
    select(0, 4);
    menu->copy1()->trigger();
    QCOMPARE(QApplication::clipboard()->text(), u"news"_s);
    menu->EditPopupMenuPopup();
    QVERIFY(menu->paste1()->isEnabled());
    select(8, 7);
    menu->paste1()->trigger();
    QCOMPARE(list()->toPlainText(), u"news -> news"_s);
    QApplication::clipboard()->clear();
    menu->EditPopupMenuPopup();
    QVERIFY(!menu->paste1()->isEnabled());
    menu->puReplace()->trigger();
    QVERIFY(dialog()->isVisible());
}

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
