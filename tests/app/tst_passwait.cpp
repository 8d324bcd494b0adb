#include "browser/filelist.h"
#include "app/mainwindow.h"
#include "app/programwindows.h"
#include "dialogs/optionsdialog.h"
#include "messagetable.h"
#include "scriptedprompts.h"
#include "testfiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// A pass that moves files holds the main window in a modal wait: input is swallowed, and Escape or
// closing the window asks whether to stop after the current file.
class TestPassWait : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void duringAPass_data();
    void duringAPass();

private:
    QString inbox() const { return m_dir->filePath(u"inbox"_s); }
    QString sorted() const { return m_dir->filePath(u"Sorted"_s); }

    std::unique_ptr<QTemporaryDir> m_dir;
    ProgramWindows m_windows;
    ScriptedPrompts m_prompts;
};

void TestPassWait::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    useOwnProgramFolders(m_dir->path());
    m_prompts = ScriptedPrompts();
}

void TestPassWait::cleanup()
{
    if (m_windows.main) {
        m_windows.main->parseTimer()->stop();
        m_windows.destroy();
    }
    m_dir.reset();
}

void TestPassWait::duringAPass_data()
{
    QTest::addColumn<QString>("command"); // "Classify" or "Move"
    QTest::addColumn<QString>("user"); // what the user does while the first file is asked about
    QTest::addColumn<int>("stop"); // the answer to the stop question
    QTest::addColumn<QStringList>("moved");
    QTest::addColumn<bool>("open"); // the window is still open at the end

    const QStringList all {u"a"_s, u"b"_s, u"c"_s};
    const int yes = UserPrompts::Yes, no = UserPrompts::No;
    QTest::newRow("Classify, Escape, stop") << u"Classify"_s << u"Escape"_s << yes << QStringList {u"a"_s} << true;
    QTest::newRow("Classify, Escape, go on") << u"Classify"_s << u"Escape"_s << no << all << true;
    QTest::newRow("Classify, close, stop and close")
        << u"Classify"_s << u"close"_s << yes << QStringList {u"a"_s} << false;
    QTest::newRow("Classify, close, go on") << u"Classify"_s << u"close"_s << no << all << true;
    QTest::newRow("Classify, a click on Exit is swallowed") << u"Classify"_s << u"click Exit"_s << no << all << true;
    QTest::newRow("Classify, F5 and Delete are swallowed") << u"Classify"_s << u"keys"_s << no << all << true;
    QTest::newRow("Move, Escape, stop") << u"Move"_s << u"Escape"_s << yes << QStringList {u"a"_s} << true;
    QTest::newRow("Move, Escape, go on") << u"Move"_s << u"Escape"_s << no << all << true;
}

void TestPassWait::duringAPass()
{
    QFETCH(QString, command);
    QFETCH(QString, user);
    QFETCH(int, stop);
    QFETCH(QStringList, moved);
    QFETCH(bool, open);
    for (const QString &name : {u"a"_s, u"b"_s, u"c"_s}) {
        writeBytes(inbox() + u"/news "_s + name + u".htm"_s, name.toUtf8());
        writeBytes(inbox() + u"/news "_s + name + u"_files/i.png"_s, name.toUtf8());
    }
    // Move asks nothing on its own: the first companion folder meets one of its name at the
    // destination, and the merge question is the moment the user acts in.
    if (command == u"Move")
        writeBytes(sorted() + u"/News/news a_files/old.png"_s, "old");
    writeBytes(m_dir->filePath(u"config/marrowdale/marrowdale.ini"_s),
               "[Setting]\nIniFolder=" + QFile::encodeName(inbox()) + "\nRootFolder=" + QFile::encodeName(sorted())
                   + "\nConfirm=1\n");
    writeBytes(m_dir->filePath(u"config/marrowdale/Default.dat"_s), "news -> ../News\r\n");
    m_windows = ProgramWindows::create();
    MainWindow *main = m_windows.main;
    main->setPrompts(&m_prompts);
    main->firstShow();
    main->show();
    main->parseTimer()->stop();
    main->parseKeywordList();
    QSignalSpy closed(main, &MainWindow::closed);

    bool acted = false;
    m_prompts.onQuestion = [&](const QString &kind) {
        if (acted || (kind != u"confirmMove" && kind != u"askYesNo"))
            return;
        acted = true;
        QVERIFY(main->passRunning());
        if (user == u"Escape")
            QTest::keyClick(main->keywordList(), Qt::Key_Escape);
        else if (user == u"close")
            main->close();
        else if (user == u"click Exit")
            QTest::mouseClick(main->exitButton(), Qt::LeftButton);
        else {
            main->fileList()->setFocus();
            QTest::keyClick(main->fileList(), Qt::Key_F5);
            QTest::keyClick(main->fileList(), Qt::Key_Delete);
        }
    };
    m_prompts.moveAnswers = {UserPrompts::Yes, UserPrompts::Yes, UserPrompts::Yes};
    if (command == u"Classify") {
        m_prompts.yesNoAnswers = {stop};
        main->classify();
    } else {
        m_prompts.folderAnswers = {sorted() + u"/News"_s};
        m_prompts.yesNoAnswers = {UserPrompts::Yes, stop}; // merge, then stop
        main->fileList()->selectAll();
        main->moveSelectedFiles();
    }

    QVERIFY(acted);
    QVERIFY(!main->passRunning());
    for (const QString &name : {u"a"_s, u"b"_s, u"c"_s}) {
        const bool went = moved.contains(name);
        QCOMPARE(QFile::exists(inbox() + u"/news "_s + name + u".htm"_s), !went);
        QCOMPARE(QFile::exists(sorted() + u"/News/news "_s + name + u"_files/i.png"_s), went);
    }
    const MessageTable &messages = main->state().messages;
    QStringList stopQuestions = m_prompts.askedOf(u"askYesNo"_s);
    stopQuestions.removeIf([](const QString &text) { return text.contains(u"Merge"_s); });
    QCOMPARE(stopQuestions,
             user == u"Escape"      ? QStringList {messages.text(Message::StopPass)}
                 : user == u"close" ? QStringList {messages.text(Message::StopPassAndClose)}
                                    : QStringList {});
    // Nothing the user did during the pass acts afterwards, and a stop-and-close closes.
    QTest::qWait(50);
    QTRY_COMPARE(main->isVisible(), open);
    QCOMPARE(closed.count(), open ? 0 : 1);
    QVERIFY(m_prompts.askedOf(u"askOkCancel"_s).isEmpty()); // no delete question came late
}

QTEST_MAIN(TestPassWait)
#include "tst_passwait.moc"
