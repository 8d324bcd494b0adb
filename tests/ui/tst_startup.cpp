#include "app/programwindows.h"
#include "app/tmain.h"
#include "dialogs/toptiondialog.h"
#include "fileops.h"
#include "inifile.h"
#include "scriptedprompts.h"
#include "testfiles.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/directorylistbox.h"
#include "app/filelistbox.h"
#include "help/thelpsearch.h"
#include "help/thelptreeview.h"

#include <QListWidget>

using namespace Qt::StringLiterals;

namespace {

// Closes the next modal window once it shows, after letting `act` look at it.
void whenModalShows(std::function<void(QWidget *)> act)
{
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, poll] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            act(modal);
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            else
                modal->close();
            return;
        }
        QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void firstRunWelcomesAndAsksForTheParentFolder();
    void vanishedSourceFolderFallsBack();
    void trailingBlankLinesAreDropped_data();
    void trailingBlankLinesAreDropped();
    void unwritablePatternFileKeepsTheWindowOpen();
    void editingBlocksClassifyUntilTheParse();
    void languageFileWithOnlyACaptionEmptiesTheRest();
    void firstRunWithoutDocumentsFolderStillStarts();
    void undoLeavesNoLineSelected();
    void learnedLineFollowsTheLastLine_data();
    void learnedLineFollowsTheLastLine();
    void classifyLeavesTheFileListCurrent();
    void applicationIconIsBuiltIn();
    void f1OpensHelpOnlyFromWindowKeys_data();
    void f1OpensHelpOnlyFromWindowKeys();

private:
    QString configFolder() const { return m_dir->path() + u"/config/marrowdale"_s; }
    QString settingsFile() const { return configFolder() + u"/marrowdale.ini"_s; }
    QString documents() const { return m_dir->path() + u"/home/Documents"_s; }
    void start();

    std::unique_ptr<QTemporaryDir> m_dir;
    ProgramWindows m_windows;
    ScriptedPrompts m_prompts;
};

void TestStartup::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path() + u"/config"_s));
    qputenv("HOME", QFile::encodeName(m_dir->path() + u"/home"_s));
    QDir().mkpath(documents());
    QDir().mkpath(configFolder());
    m_prompts = ScriptedPrompts();
}

void TestStartup::cleanup()
{
    if (m_windows.main) {
        m_windows.main->timer1()->stop();
        m_windows.destroy();
    }
    m_dir.reset();
}

void TestStartup::start()
{
    m_windows = ProgramWindows::create();
    m_windows.main->setPrompts(&m_prompts);
    m_windows.main->FormShow();
    m_windows.main->show();
}

void TestStartup::firstRunWelcomesAndAsksForTheParentFolder()
{
    QString shownDialog;
    whenModalShows([&](QWidget *modal) { shownDialog = QString::fromLatin1(modal->metaObject()->className()); });
    start();
    QCOMPARE(shownDialog, u"TOptionDialog"_s);
    QCOMPARE(
        m_prompts.askedOf(u"msgBox"_s),
        QStringList {u"Welcome to Marrowdale! At first, please select the parent folder of destination folders"_s});
    TMain *main = m_windows.main;
    QCOMPARE(main->windowTitle(), u"Marrowdale for Linux ver. 1.25"_s);
    QCOMPARE(main->directoryListBox()->directory(), documents());
    QCOMPARE(main->optionDialog()->rootFolder(), documents());
    QCOMPARE(main->optionDialog()->denominator(), 1000);

    QVERIFY(main->close());
    const IniFile ini(settingsFile());
    const QString section = u"Setting"_s;
    for (const char16_t *key :
         {u"IniFolder", u"Destination", u"PtnFile", u"RootFolder", u"Sift", u"Confirm", u"Denominator"})
        QVERIFY2(ini.value(section, QString::fromUtf16(key)).has_value(), qPrintable(QString::fromUtf16(key)));
    QCOMPARE(ini.readString(section, u"Destination"_s, {}), ini.readString(section, u"RootFolder"_s, {}));
    QCOMPARE(ini.readInt(section, u"Denominator"_s, 0), 1000);
    QVERIFY(QFile::exists(configFolder() + u"/Default.dat"_s));
}

void TestStartup::vanishedSourceFolderFallsBack()
{
    writeBytes(settingsFile(),
               "[Setting]\nIniFolder=/no/such/folder/anywhere\nPtnFile=/tmp/other.dat\n"
               "Sift=0\nConfirm=1\nDenominator=5000\nRootFolder=/data/Sorted\n");
    start();
    TMain *main = m_windows.main;
    QCOMPARE(main->directoryListBox()->directory(), documents());
    QCOMPARE(main->state().patternFile, configFolder() + u"/Default.dat"_s);
    QCOMPARE(main->optionDialog()->denominator(), 1000);
    QVERIFY(main->optionDialog()->sift());
    QVERIFY(!main->optionDialog()->confirm());
    QCOMPARE(main->optionDialog()->rootFolder(), QString());
    QVERIFY(m_prompts.asked.isEmpty());
}

void TestStartup::trailingBlankLinesAreDropped_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("shown");
    QTest::newRow("blank tail") << QByteArray("a -> ../A\r\n   \r\n\r\n") << u"a -> ../A\n"_s;
    QTest::newRow("only line blank") << QByteArray("   ") << u"   "_s;
    QTest::newRow("tab line stays") << QByteArray("a -> ../A\r\n\t\r\n") << u"a -> ../A\n\t\n"_s;
}

void TestStartup::trailingBlankLinesAreDropped()
{
    QFETCH(QByteArray, file);
    writeBytes(settingsFile(), "[Setting]\n");
    writeBytes(configFolder() + u"/Default.dat"_s, file);
    start();
    QTEST(m_windows.main->keyWordList()->toPlainText(), "shown");
}

void TestStartup::unwritablePatternFileKeepsTheWindowOpen()
{
    // A pattern file under a regular file can never be written, even by root.
    writeBytes(m_dir->path() + u"/blocker"_s, "x");
    const QByteArray settings
        = "[Setting]\nPtnFile=" + QFile::encodeName(m_dir->path()) + "/blocker/list.dat\nDenominator=250\n";
    writeBytes(settingsFile(), settings);
    start();
    m_windows.main->keyWordList()->setPlainText(u"news -> ../News"_s);

    QString error;
    whenModalShows([&](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            error = box->text();
    });
    QVERIFY(!m_windows.main->close());
    QVERIFY(error.contains(u"list.dat"_s));
    QVERIFY(m_windows.main->isVisible());
    QFile stored(settingsFile());
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QCOMPARE(stored.readAll(), settings);
    QCOMPARE(m_windows.main->keyWordList()->toPlainText(), u"news -> ../News\n"_s);
}

void TestStartup::editingBlocksClassifyUntilTheParse()
{
    writeBytes(settingsFile(), "[Setting]\n");
    start();
    TMain *main = m_windows.main;
    main->timer1()->setInterval(50);
    QTRY_VERIFY(main->button1()->isEnabled());
    main->keyWordList()->setPlainText(u"news -> ../News"_s);
    QVERIFY(!main->button1()->isEnabled());
    QVERIFY(main->timer1()->isActive());
    QTRY_VERIFY(main->button1()->isEnabled());
    QCOMPARE(main->state().table.size(), 1);
}

void TestStartup::languageFileWithOnlyACaptionEmptiesTheRest()
{
    writeBytes(settingsFile(), "[Setting]\n");
    writeBytes(configFolder() + u"/marrowdale.lng"_s, "[Main]\nCaption=\"  振り分け \"\n");
    start();
    TMain *main = m_windows.main;
    QCOMPARE(main->windowTitle(), u"  振り分け "_s);
    QCOMPARE(main->button1()->text(), QString());
    QCOMPARE(main->btnUndo()->text(), QString());
    QCOMPARE(main->state().messages.text(13), QString());
}

void TestStartup::firstRunWithoutDocumentsFolderStillStarts()
{
    QDir(documents()).removeRecursively();
    writeBytes(configFolder() + u"/Default.dat"_s, "news -> ../News\r\n");
    whenModalShows([](QWidget *) {});
    start();
    TMain *main = m_windows.main;
    QVERIFY(main->state().firstShowDone);
    QVERIFY(main->timer1()->isActive());
    QCOMPARE(main->keyWordList()->toPlainText(), u"news -> ../News\n"_s);
    QVERIFY(!main->directoryListBox()->directory().isEmpty());
}

void TestStartup::undoLeavesNoLineSelected()
{
    writeBytes(settingsFile(), "[Setting]\nIniFolder=" + QFile::encodeName(documents()) + "\n");
    start();
    TMain *main = m_windows.main;
    const QString sorted = m_dir->path() + u"/Sorted"_s;
    main->optionDialog()->setRootFolder(sorted);
    for (const QString &name : {u"a.htm"_s, u"b.htm"_s}) {
        writeBytes(documents() + u'/' + name, "page");
        QVERIFY(moveWithCompanions(documents() + u'/' + name, sorted + u"/News"_s, sorted,
                                   {m_prompts, main->state().messages, *main}));
    }
    main->log()->setCurrentRow(0);
    main->btnUndoClick();
    QVERIFY(QFile::exists(documents() + u"/a.htm"_s));
    QCOMPARE(main->log()->count(), 1);
    QVERIFY(main->log()->selectedItems().isEmpty());
    main->btnUndoClick();
    QVERIFY(QFile::exists(sorted + u"/News/b.htm"_s));
}

void TestStartup::learnedLineFollowsTheLastLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ends with a break") << u"a -> ../A\n"_s << u"a -> ../A\nnew -> ../N\n"_s;
    QTest::newRow("ends without") << u"a -> ../A"_s << u"a -> ../A\nnew -> ../N\n"_s;
    QTest::newRow("empty") << QString() << u"new -> ../N\n"_s;
}

void TestStartup::learnedLineFollowsTheLastLine()
{
    QFETCH(QString, text);
    writeBytes(settingsFile(), "[Setting]\n");
    start();
    m_windows.main->keyWordList()->setPlainText(text);
    m_windows.main->appendKeywordLine(u"new -> ../N"_s);
    QTEST(m_windows.main->keyWordList()->toPlainText(), "expected");
}

void TestStartup::classifyLeavesTheFileListCurrent()
{
    writeBytes(documents() + u"/news page.htm"_s, "page");
    writeBytes(documents() + u"/news page_files/img.png"_s, "img");
    writeBytes(documents() + u"/other.txt"_s, "x");
    writeBytes(settingsFile(), "[Setting]\nIniFolder=" + QFile::encodeName(documents()) + "\nConfirm=0\n");
    start();
    TMain *main = m_windows.main;
    main->optionDialog()->setRootFolder(m_dir->path() + u"/Sorted"_s);
    main->keyWordList()->setPlainText(u"news -> ../News"_s);
    main->Timer1Timer();
    main->Button1Click();
    QVERIFY(QFile::exists(m_dir->path() + u"/Sorted/News/news page_files/img.png"_s));
    QCOMPARE(main->fileListBox()->count(), 1);
    QCOMPARE(main->fileListBox()->item(0)->text(), u"other.txt"_s);
    QCOMPARE(main->log()->count(), 1);
}

void TestStartup::applicationIconIsBuiltIn()
{
    QCOMPARE(QImage(u":/icons/marrowdale-48.png"_s).size(), QSize(48, 48));
}

void TestStartup::f1OpensHelpOnlyFromWindowKeys_data()
{
    QTest::addColumn<bool>("fromKeywordList");
    QTest::addColumn<bool>("opens");
    QTest::newRow("keyword list") << true << true;
    QTest::newRow("log") << false << false;
}

void TestStartup::f1OpensHelpOnlyFromWindowKeys()
{
    QFETCH(bool, fromKeywordList);
    writeBytes(settingsFile(), "[Setting]\n");
    start();
    m_windows.helpSearch->helpTreeView()->setHelpDir(QStringLiteral(MARROWDALE_SOURCE_DIR "/help"));
    QWidget *target = fromKeywordList ? static_cast<QWidget *>(m_windows.main->keyWordList())
                                      : static_cast<QWidget *>(m_windows.main->log());
    m_windows.main->activateWindow();
    target->setFocus();
    QTest::keyClick(target, Qt::Key_F1);
    QTEST(m_windows.helpSearch->isVisible(), "opens");
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
