#include "app/mainwindow.h"
#include "app/programwindows.h"
#include "dialogs/optionsdialog.h"
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

#include "app/filelist.h"
#include "app/folderlist.h"
#include "help/helptree.h"
#include "help/helpwindow.h"

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
        m_windows.main->parseTimer()->stop();
        m_windows.destroy();
    }
    m_dir.reset();
}

void TestStartup::start()
{
    m_windows = ProgramWindows::create();
    m_windows.main->setPrompts(&m_prompts);
    m_windows.main->firstShow();
    m_windows.main->show();
}

void TestStartup::firstRunWelcomesAndAsksForTheParentFolder()
{
    QString shownDialog;
    whenModalShows([&](QWidget *modal) { shownDialog = QString::fromLatin1(modal->metaObject()->className()); });
    start();
    QCOMPARE(shownDialog, u"OptionsDialog"_s);
    QCOMPARE(
        m_prompts.askedOf(u"msgBox"_s),
        QStringList {u"Welcome to Marrowdale! At first, please select the parent folder of destination folders"_s});
    MainWindow *main = m_windows.main;
    QCOMPARE(main->windowTitle(), u"Marrowdale for Linux ver. 1.25"_s);
    QCOMPARE(main->folderList()->folder(), documents());
    QCOMPARE(main->optionsDialog()->rootFolder(), documents());
    QCOMPARE(main->optionsDialog()->denominator(), 1000);

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
    MainWindow *main = m_windows.main;
    QCOMPARE(main->folderList()->folder(), documents());
    QCOMPARE(main->state().patternFile, configFolder() + u"/Default.dat"_s);
    QCOMPARE(main->optionsDialog()->denominator(), 1000);
    QVERIFY(main->optionsDialog()->sift());
    QVERIFY(!main->optionsDialog()->confirm());
    QCOMPARE(main->optionsDialog()->rootFolder(), QString());
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
    QTEST(m_windows.main->keywordList()->toPlainText(), "shown");
}

void TestStartup::unwritablePatternFileKeepsTheWindowOpen()
{
    // A pattern file under a regular file can never be written, even by root.
    writeBytes(m_dir->path() + u"/blocker"_s, "x");
    const QByteArray settings
        = "[Setting]\nPtnFile=" + QFile::encodeName(m_dir->path()) + "/blocker/list.dat\nDenominator=250\n";
    writeBytes(settingsFile(), settings);
    start();
    m_windows.main->keywordList()->setPlainText(u"news -> ../News"_s);

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
    QCOMPARE(m_windows.main->keywordList()->toPlainText(), u"news -> ../News\n"_s);
}

void TestStartup::editingBlocksClassifyUntilTheParse()
{
    writeBytes(settingsFile(), "[Setting]\n");
    start();
    MainWindow *main = m_windows.main;
    main->parseTimer()->setInterval(50);
    QTRY_VERIFY(main->classifyButton()->isEnabled());
    main->keywordList()->setPlainText(u"news -> ../News"_s);
    QVERIFY(!main->classifyButton()->isEnabled());
    QVERIFY(main->parseTimer()->isActive());
    QTRY_VERIFY(main->classifyButton()->isEnabled());
    QCOMPARE(main->state().table.size(), 1);
}

void TestStartup::languageFileWithOnlyACaptionEmptiesTheRest()
{
    writeBytes(settingsFile(), "[Setting]\n");
    writeBytes(configFolder() + u"/marrowdale.lng"_s, "[Main]\nCaption=\"  振り分け \"\n");
    start();
    MainWindow *main = m_windows.main;
    QCOMPARE(main->windowTitle(), u"  振り分け "_s);
    QCOMPARE(main->classifyButton()->text(), QString());
    QCOMPARE(main->undoButton()->text(), QString());
    QCOMPARE(main->state().messages.text(13), QString());
}

void TestStartup::firstRunWithoutDocumentsFolderStillStarts()
{
    QDir(documents()).removeRecursively();
    writeBytes(configFolder() + u"/Default.dat"_s, "news -> ../News\r\n");
    whenModalShows([](QWidget *) {});
    start();
    MainWindow *main = m_windows.main;
    QVERIFY(main->state().firstShowDone);
    QVERIFY(main->parseTimer()->isActive());
    QCOMPARE(main->keywordList()->toPlainText(), u"news -> ../News\n"_s);
    QVERIFY(!main->folderList()->folder().isEmpty());
}

void TestStartup::undoLeavesNoLineSelected()
{
    writeBytes(settingsFile(), "[Setting]\nIniFolder=" + QFile::encodeName(documents()) + "\n");
    start();
    MainWindow *main = m_windows.main;
    const QString sorted = m_dir->path() + u"/Sorted"_s;
    main->optionsDialog()->setRootFolder(sorted);
    for (const QString &name : {u"a.htm"_s, u"b.htm"_s}) {
        writeBytes(documents() + u'/' + name, "page");
        QVERIFY(moveWithCompanions(documents() + u'/' + name, sorted + u"/News"_s, sorted,
                                   {m_prompts, main->state().messages, *main}));
    }
    main->log()->setCurrentRow(0);
    main->undoSelectedMove();
    QVERIFY(QFile::exists(documents() + u"/a.htm"_s));
    QCOMPARE(main->log()->count(), 1);
    QVERIFY(main->log()->selectedItems().isEmpty());
    main->undoSelectedMove();
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
    m_windows.main->keywordList()->setPlainText(text);
    m_windows.main->appendKeywordLine(u"new -> ../N"_s);
    QTEST(m_windows.main->keywordList()->toPlainText(), "expected");
}

void TestStartup::classifyLeavesTheFileListCurrent()
{
    writeBytes(documents() + u"/news page.htm"_s, "page");
    writeBytes(documents() + u"/news page_files/img.png"_s, "img");
    writeBytes(documents() + u"/other.txt"_s, "x");
    writeBytes(settingsFile(), "[Setting]\nIniFolder=" + QFile::encodeName(documents()) + "\nConfirm=0\n");
    start();
    MainWindow *main = m_windows.main;
    main->optionsDialog()->setRootFolder(m_dir->path() + u"/Sorted"_s);
    main->keywordList()->setPlainText(u"news -> ../News"_s);
    main->parseKeywordList();
    main->classify();
    QVERIFY(QFile::exists(m_dir->path() + u"/Sorted/News/news page_files/img.png"_s));
    QCOMPARE(main->fileList()->count(), 1);
    QCOMPARE(main->fileList()->item(0)->text(), u"other.txt"_s);
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
    m_windows.helpWindow->tree()->setHelpDir(QStringLiteral(MARROWDALE_SOURCE_DIR "/help"));
    QWidget *target = fromKeywordList ? static_cast<QWidget *>(m_windows.main->keywordList())
                                      : static_cast<QWidget *>(m_windows.main->log());
    m_windows.main->activateWindow();
    target->setFocus();
    QTest::keyClick(target, Qt::Key_F1);
    QTEST(m_windows.helpWindow->isVisible(), "opens");
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
