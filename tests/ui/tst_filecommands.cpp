#include "app/filelist.h"
#include "app/mainwindow.h"
#include "app/programwindows.h"
#include "filecmds/filelistcommands.h"
#include "scriptedprompts.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
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
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->filePath(u"config"_s)));
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

// "click N" clicks item N; "key K" releases Delete or F2 in the list, "shift" added when named.
void TestFileCommands::act(const QString &action)
{
    const QString what = action.section(u' ', 1, 1);
    if (action.startsWith(u"click"_s)) {
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

    const QStringList untouched {u"a.htm"_s, u"b.htm"_s, u"c.htm"_s, u"d.htm"_s};
    QTest::newRow("second click") << QStringList {u"click 2"_s, u"click 2"_s} << QStringList {u"z.htm"_s} << 1
                                  << QStringList {u"a.htm"_s, u"b.htm"_s, u"d.htm"_s, u"z.htm"_s};
    QTest::newRow("third click only remembers")
        << QStringList {u"click 2"_s, u"click 2"_s, u"click 2"_s} << QStringList {} << 1 << untouched;
    QTest::newRow("clicks on two items") << QStringList {u"click 1"_s, u"click 2"_s} << QStringList {} << 0
                                         << untouched;
    QTest::newRow("F2") << QStringList {u"click 2"_s, u"key F2"_s} << QStringList {u"0.htm"_s} << 1
                        << QStringList {u"0.htm"_s, u"a.htm"_s, u"b.htm"_s, u"d.htm"_s};
    QTest::newRow("onto an existing name")
        << QStringList {u"click 2"_s, u"key F2"_s} << QStringList {u"d.htm"_s} << 1 << untouched;
    QTest::newRow("into a subfolder") << QStringList {u"click 2"_s, u"key F2"_s} << QStringList {u"sub/c.htm"_s} << 1
                                      << QStringList {u"a.htm"_s, u"b.htm"_s, u"d.htm"_s};
}

void TestFileCommands::rename()
{
    QFETCH(QStringList, actions);
    QFETCH(QStringList, answers);
    QFETCH(int, renames);
    m_prompts.inputAnswers = answers;
    for (const QString &action : std::as_const(actions)) {
        act(action);
        QTRY_VERIFY(!commands()->renamePending());
    }
    QCOMPARE(m_prompts.askedOf(u"inputBox"_s), QStringList(renames, u"Please input the new name"_s));
    QTEST(listed(), "files");
    QVERIFY(m_windows.main->moveButton()->isEnabled());
    QCOMPARE(bytesOf(source(u"d.htm"_s)), QByteArray("d.htm"));
    if (renames > 0)
        QCOMPARE(list()->currentRow(), 2);
}

void TestFileCommands::remove_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("files");

    const QStringList afterDelete {u"a.htm"_s, u"b.htm"_s, u"d.htm"_s};
    QTest::newRow("Delete key, OK") << u"key Delete"_s << int(UserPrompts::Ok) << afterDelete;
    QTest::newRow("Shift+Delete acts the same") << u"key Delete shift"_s << int(UserPrompts::Ok) << afterDelete;
    QTest::newRow("Cancel") << u"key Delete"_s << int(UserPrompts::Cancel)
                            << QStringList {u"a.htm"_s, u"b.htm"_s, u"c.htm"_s, u"d.htm"_s};
}

void TestFileCommands::remove()
{
    QFETCH(QString, key);
    QFETCH(int, answer);
    // b and c selected, the focus on c: only c may go.
    list()->setCurrentRow(1);
    list()->setCurrentRow(2, QItemSelectionModel::Select);
    m_prompts.okCancelAnswers = {answer};
    act(key);
    QCOMPARE(m_prompts.askedOf(u"askOkCancel"_s), QStringList {u"Are you sure you want to delete this file?"_s});
    QTEST(listed(), "files");
    QCOMPARE(list()->currentRow(), 2);
    QCOMPARE(QDir(source()).entryList(QDir::Files, QDir::Name), listed());
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
