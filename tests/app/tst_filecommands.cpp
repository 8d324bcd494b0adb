#include "browser/filelist.h"
#include "app/mainwindow.h"
#include "app/programwindows.h"
#include "filecmds/filelistcommands.h"
#include "scriptedprompts.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace { } // namespace

class TestFileCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void rename_data();
    void rename();
    void remove_data();
    void remove();
    void doubleClickOpensWithoutRenaming();

private:
    QString source(const QString &name = QString()) const
    {
        return name.isEmpty() ? m_dir->filePath(u"src"_s) : m_dir->filePath(u"src/"_s + name);
    }
    QStringList listed() const
    {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names.append(list()->item(i)->text());
        return names;
    }
    FileList *list() const { return m_windows.main->fileList(); }
    FileListCommands *commands() const { return m_windows.main->fileListCommands(); }
    void act(const QString &action);

    std::unique_ptr<QTemporaryDir> m_dir;
    ProgramWindows m_windows;
    ScriptedPrompts m_prompts;
    QList<QUrl> m_opened;
};

void TestFileCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    useOwnProgramFolders(m_dir->path());
    // The trash Delete uses lies on the same file system as the files, as the home folder's does.
    qputenv("HOME", QFile::encodeName(m_dir->filePath(u"home"_s)));
    QDir().mkpath(m_dir->filePath(u"home"_s));
    QDir::setCurrent(m_dir->path());
    QDir().mkpath(m_dir->filePath(u"config/marrowdale"_s));
    QDir().mkpath(source(u"sub"_s));
    writeBytes(m_dir->filePath(u"config/marrowdale/marrowdale.ini"_s), "[Setting]\n");
    for (const char16_t *name : {u"a.htm", u"b.htm", u"c.htm", u"d.htm"})
        writeBytes(source(QString::fromUtf16(name)), QString::fromUtf16(name).toUtf8());
    m_prompts = ScriptedPrompts();
    m_opened.clear();
    m_windows = ProgramWindows::create();
    m_windows.main->setPrompts(&m_prompts);
    m_windows.main->firstShow();
    m_windows.main->show();
    m_windows.main->parseTimer()->stop();
    commands()->setUrlOpener([this](const QUrl &url) {
        m_opened.append(url);
        return true;
    });
    list()->setFolder(source());
}

void TestFileCommands::cleanup()
{
    m_windows.main->parseTimer()->stop();
    m_windows.destroy();
    m_dir.reset();
}

// "click N" clicks item N ("quick click N" before a second click has become a rename); "key K" releases Delete or F2 in the list, "shift" added when named.
void TestFileCommands::act(const QString &action)
{
    const int word = action.startsWith(u"quick"_s) ? 2 : 1;
    const QString what = action.section(u' ', word, word);
    if (action.contains(u"click"_s)) {
        const QRect rect = list()->visualItemRect(list()->item(what.toInt()));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
    } else {
        QTest::keyRelease(list(), what == u"Delete"_s ? Qt::Key_Delete : Qt::Key_F2,
                          action.contains(u"shift"_s) ? Qt::ShiftModifier : Qt::NoModifier);
    }
}

void TestFileCommands::rename_data()
{
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QStringList>("answers"); // typed names; none left: Cancel
    QTest::addColumn<int>("renames");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("told"); // in the notice of a failed rename; empty: none

    const QStringList untouched {u"a.htm"_s, u"b.htm"_s, u"c.htm"_s, u"d.htm"_s};
    QTest::newRow("second click") << QStringList {u"click 2"_s, u"click 2"_s} << QStringList {u"z.htm"_s} << 1
                                  << QStringList {u"a.htm"_s, u"b.htm"_s, u"d.htm"_s, u"z.htm"_s} << QString();
    QTest::newRow("third click only remembers")
        << QStringList {u"click 2"_s, u"click 2"_s, u"click 2"_s} << QStringList {} << 1 << untouched << QString();
    QTest::newRow("a quick click on another item after a second click")
        << QStringList {u"click 2"_s, u"click 2"_s, u"quick click 1"_s} << QStringList {u"z.htm"_s} << 1
        << QStringList {u"a.htm"_s, u"b.htm"_s, u"d.htm"_s, u"z.htm"_s} << QString();
    QTest::newRow("clicks on two items") << QStringList {u"click 1"_s, u"click 2"_s} << QStringList {} << 0 << untouched
                                         << QString();
    QTest::newRow("F2") << QStringList {u"click 2"_s, u"key F2"_s} << QStringList {u"0.htm"_s} << 1
                        << QStringList {u"0.htm"_s, u"a.htm"_s, u"b.htm"_s, u"d.htm"_s} << QString();
    // A name that was taken did nothing and said nothing.
    QTest::newRow("rename onto an existing name says nothing")
        << QStringList {u"click 2"_s, u"key F2"_s} << QStringList {u"d.htm"_s} << 1 << untouched << u"d.htm"_s;
    QTest::newRow("into a subfolder") << QStringList {u"click 2"_s, u"key F2"_s} << QStringList {u"sub/c.htm"_s} << 1
                                      << QStringList {u"a.htm"_s, u"b.htm"_s, u"d.htm"_s} << QString();
    // The input box came up with an empty name, for nothing.
    QTest::newRow("rename asks without a current file")
        << QStringList {u"key F2"_s} << QStringList {} << 0 << untouched << QString();
}

void TestFileCommands::rename()
{
    QFETCH(QStringList, actions);
    QFETCH(QStringList, answers);
    QFETCH(int, renames);
    m_prompts.inputAnswers = answers;
    for (qsizetype i = 0; i < actions.size(); ++i) {
        act(actions.at(i));
        if (!actions.value(i + 1).startsWith(u"quick"_s))
            QTRY_VERIFY(!commands()->renamePending());
    }
    QCOMPARE(m_prompts.askedOf(u"inputBox"_s), QStringList(renames, u"Please input the new name"_s));
    QTEST(listed(), "files");
    QCOMPARE(m_windows.main->moveButton()->isEnabled(), actions.constFirst().startsWith(u"click"_s));
    QCOMPARE(bytesOf(source(u"d.htm"_s)), QByteArray("d.htm"));
    QFETCH(QString, told);
    const QStringList notices = m_prompts.askedOf(u"notify"_s);
    QCOMPARE(notices.size(), told.isEmpty() ? 0 : 1);
    if (!told.isEmpty())
        QVERIFY2(notices.first().contains(told), qPrintable(notices.first()));
    if (renames > 0)
        QCOMPARE(list()->currentRow(), 2);
}

void TestFileCommands::remove_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("companion"); // c.htm has a c_files folder
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("trashUsable");
    QTest::addColumn<int>("deleteForGood"); // the answer to the second question, when it comes
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("trashed");

    const QStringList afterDelete {u"a.htm"_s, u"b.htm"_s, u"d.htm"_s};
    const QStringList all {u"a.htm"_s, u"b.htm"_s, u"c.htm"_s, u"d.htm"_s};
    const QStringList both {u"c.htm"_s, u"c_files"_s};
    const int ok = UserPrompts::Ok, yes = UserPrompts::Yes, no = UserPrompts::No;
    QTest::newRow("Delete key, OK") << u"key Delete"_s << false << ok << true << no << afterDelete
                                    << QStringList {u"c.htm"_s};
    QTest::newRow("companion folder goes along") << u"key Delete"_s << true << ok << true << no << afterDelete << both;
    QTest::newRow("Shift+Delete acts the same")
        << u"key Delete shift"_s << true << ok << true << no << afterDelete << both;
    QTest::newRow("Cancel") << u"key Delete"_s << true << int(UserPrompts::Cancel) << true << no << all
                            << QStringList {};
    QTest::newRow("no trash, deleted for good after Yes")
        << u"key Delete"_s << true << ok << false << yes << afterDelete << QStringList {};
    QTest::newRow("no trash, No keeps the file")
        << u"key Delete"_s << true << ok << false << no << all << QStringList {};
}

void TestFileCommands::remove()
{
    QFETCH(QString, key);
    QFETCH(bool, companion);
    QFETCH(int, answer);
    QFETCH(bool, trashUsable);
    QFETCH(int, deleteForGood);
    QFETCH(QStringList, files);
    // The desktop's trash inside the test's folder; a file in the way of its folder makes it unusable.
    writeBytes(m_dir->filePath(u"blocker"_s), "x");
    const QString data = m_dir->filePath(trashUsable ? u"home/.local/share"_s : u"blocker/share"_s);
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    if (companion)
        writeBytes(source(u"c_files/img.png"_s), "img");
    // b and c selected, the focus on c: only c may go.
    list()->setCurrentRow(1);
    list()->setCurrentRow(2, QItemSelectionModel::Select);
    m_prompts.okCancelAnswers = {answer};
    m_prompts.yesNoAnswers = {deleteForGood};
    act(key);
    QCOMPARE(m_prompts.askedOf(u"askOkCancel"_s),
             QStringList {companion ? u"Move \"c.htm\" and its companion folder to the trash?"_s
                                    : u"Move \"c.htm\" to the trash?"_s});
    const QStringList second = m_prompts.askedOf(u"askYesNo"_s);
    QCOMPARE(second.size(), answer == UserPrompts::Ok && !trashUsable ? 1 : 0);
    if (!second.isEmpty())
        QVERIFY2(second.first().contains(source(u"c.htm"_s)), qPrintable(second.first()));
    QCOMPARE(listed(), files);
    QCOMPARE(list()->currentRow(), 2);
    QCOMPARE(QDir(source()).entryList(QDir::Files, QDir::Name), listed());
    QCOMPARE(QFileInfo::exists(source(u"c_files/img.png"_s)), companion && files.contains(u"c.htm"_s));
    QTEST(QDir(data + u"/Trash/files"_s).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name), "trashed");
    if (trashUsable && answer == UserPrompts::Ok)
        QCOMPARE(bytesOf(data + u"/Trash/files/c.htm"_s), "c.htm"_ba);
    // Without a trash, Qt once put the file below the working folder and called that a success.
    QVERIFY(!QDir::current().exists(u"files"_s));
    QVERIFY(!QDir::current().exists(u"info"_s));
}

void TestFileCommands::doubleClickOpensWithoutRenaming()
{
    // The item was clicked before, so the double click begins with a second click on it.
    const QPoint at = list()->visualItemRect(list()->item(1)).center();
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mousePress(list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mousePress(list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list()->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(m_opened, QList<QUrl> {QUrl::fromLocalFile(source(u"b.htm"_s))});
    QVERIFY(!commands()->renamePending());
    QCOMPARE(commands()->lastClickedIndex(), -1);
    QVERIFY(m_prompts.asked.isEmpty());
}

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
