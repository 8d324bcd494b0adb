#include "app/mainwindow.h"
#include "app/programwindows.h"
#include "dialogs/optionsdialog.h"
#include "filecmds/filelistcommands.h"
#include "fileops.h"
#include "inifile.h"
#include "marrowdaleerror.h"
#include "modalwindows.h"
#include "scriptedprompts.h"
#include "systemtest.h"
#include "testfiles.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "browser/filelist.h"
#include "browser/folderlist.h"
#include "help/helptree.h"
#include "help/helpwindow.h"

#include <QListWidget>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

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
    void closeThatCannotWriteKeepsTheWindowOpen_data();
    void closeThatCannotWriteKeepsTheWindowOpen();
    void listInAReadOnlyFolderIsWrittenInPlace();
    void unreadableListAtStartIsToldAndKept_data();
    void unreadableListAtStartIsToldAndKept();
    void closeOnAFullDiskKeepsBothFiles();
    void unreadableNamesAreOfferedOnceAtStart_data();
    void unreadableNamesAreOfferedOnceAtStart();
    void failureWhileFollowingAFolderIsShown();
    void editingBlocksClassifyUntilTheParse();
    void secondEditDoesNotRestartTheParseTimer();
    void languageFileWithOnlyACaptionEmptiesTheRest();
    void firstRunWithoutDocumentsFolderStillStarts();
    void windowComesBackWhereItWas_data();
    void windowComesBackWhereItWas();
    void undoLeavesNoLineSelected();
    void clickIntoTheLogEnablesUndoForALine_data();
    void clickIntoTheLogEnablesUndoForALine();
    void moveSelectedFiles_data();
    void moveSelectedFiles();
    void learnedLineFollowsTheLastLine_data();
    void learnedLineFollowsTheLastLine();
    void classifyLeavesTheFileListCurrent();
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
    useOwnProgramFolders(m_dir->path());
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
    // Read-only folders a test left behind would keep the temporary folder from going.
    QProcess::execute(u"chmod"_s, {u"-R"_s, u"u+w"_s, m_dir->path()});
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
    const auto answering = ModalWindows::whenShown(
        [&](QWidget *modal) { shownDialog = QString::fromLatin1(modal->metaObject()->className()); });
    QVERIFY(QDir().mkpath(m_dir->path() + u"/home/Downloads"_s));
    start();
    QCOMPARE(shownDialog, u"OptionsDialog"_s);
    QCOMPARE(
        m_prompts.askedOf(u"msgBox"_s),
        QStringList {u"Welcome to Marrowdale! First, please select the parent folder of the destination folders."_s});
    MainWindow *main = m_windows.main;
    QCOMPARE(main->windowTitle(), u"Marrowdale for Linux ver. 1.25"_s);
    // Where downloads land, with an example of the list's lines until the user writes one.
    QCOMPARE(main->folderList()->folder(), m_dir->path() + u"/home/Downloads"_s);
    QCOMPARE(main->keywordList()->placeholderText(), u"news -> ../News\nrecipe -> ../Cooking"_s);
    QCOMPARE(main->optionsDialog()->rootFolder(), documents());
    QCOMPARE(main->optionsDialog()->denominator(), 1000);
    // The window's size at its first show is its outer size, frame included.
    QTRY_COMPARE(main->frameGeometry().size(), QSize(770, 579));

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

void TestStartup::closeThatCannotWriteKeepsTheWindowOpen_data()
{
    QTest::addColumn<QString>("patternFile"); // relative to the temporary folder
    QTest::addColumn<QString>("readOnly"); // made read-only before the close; empty: nothing
    QTest::addColumn<QString>("named"); // the file the error names
    QTest::addColumn<bool>("listWritten");

    QTest::newRow("pattern file under a regular file") << u"blocker/list.dat"_s << QString() << u"list.dat"_s << false;
    QTest::newRow("read-only pattern file") << u"lists/list.dat"_s << u"lists/list.dat"_s << u"list.dat"_s << false;
    QTest::newRow("read-only settings file")
        << u"lists/list.dat"_s << u"config/marrowdale/marrowdale.ini"_s << u"marrowdale.ini"_s << true;
}

void TestStartup::closeThatCannotWriteKeepsTheWindowOpen()
{
    // Root writes read-only files: those rows mean something only without its powers.
    RUN_WITHOUT_ROOT();
    QFETCH(QString, patternFile);
    QFETCH(QString, readOnly);
    QFETCH(QString, named);
    QFETCH(bool, listWritten);
    writeBytes(m_dir->path() + u"/blocker"_s, "x");
    const QString pattern = m_dir->filePath(patternFile);
    if (!patternFile.startsWith(u"blocker/"_s))
        writeBytes(pattern, "old\r\n");
    const QByteArray settings = "[Setting]\nPtnFile=" + QFile::encodeName(pattern) + "\nDenominator=250\n";
    writeBytes(settingsFile(), settings);
    start();
    m_windows.main->keywordList()->setPlainText(u"news -> ../News"_s);
    if (!readOnly.isEmpty())
        QVERIFY(QFile::setPermissions(m_dir->filePath(readOnly), QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    QString error;
    const auto answering = ModalWindows::whenShown([&](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            error = box->text();
    });
    QVERIFY(!m_windows.main->close());
    QVERIFY2(error.contains(named), qPrintable(error));
    QVERIFY(m_windows.main->isVisible());
    QCOMPARE(bytesOf(settingsFile()), settings);
    QCOMPARE(bytesOf(pattern),
             listWritten                                 ? "news -> ../News\r\n"_ba
                 : patternFile.startsWith(u"blocker/"_s) ? "<missing>"_ba
                                                         : "old\r\n"_ba);
    QCOMPARE(m_windows.main->keywordList()->toPlainText(), u"news -> ../News\n"_s);
    QCOMPARE(QDir(QFileInfo(pattern).path()).entryList(QDir::Files | QDir::Hidden).size(),
             patternFile.startsWith(u"blocker/"_s) ? 0 : 1);
}

void TestStartup::listInAReadOnlyFolderIsWrittenInPlace()
{
    RUN_WITHOUT_ROOT();
    const QString pattern = m_dir->filePath(u"ro/list.dat"_s);
    writeBytes(pattern, "old\r\n");
    writeBytes(settingsFile(), "[Setting]\nPtnFile=" + QFile::encodeName(pattern) + "\n");
    start();
    m_windows.main->keywordList()->setPlainText(u"news -> ../News"_s);
    QVERIFY(QFile::setPermissions(m_dir->filePath(u"ro"_s), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QVERIFY(m_windows.main->close());
    QCOMPARE(bytesOf(pattern), "news -> ../News\r\n"_ba);
}

void TestStartup::unreadableListAtStartIsToldAndKept_data()
{
    QTest::addColumn<int>("answer"); // to the question at the close
    QTest::addColumn<bool>("replaced");
    // The start said nothing, and the close wrote the empty box over the list it could not read.
    QTest::newRow("unreadable list overwritten at close, kept") << int(UserPrompts::No) << false;
    QTest::newRow("unreadable list replaced when the user says so") << int(UserPrompts::Yes) << true;
}

void TestStartup::unreadableListAtStartIsToldAndKept()
{
    RUN_WITHOUT_ROOT(); // root reads any file
    QFETCH(int, answer);
    QFETCH(bool, replaced);
    const QString pattern = m_dir->filePath(u"lists/list.dat"_s);
    writeBytes(pattern, "old -> ../Old\r\n");
    QVERIFY(QFile::setPermissions(pattern, QFileDevice::WriteOwner));
    writeBytes(settingsFile(), "[Setting]\nPtnFile=" + QFile::encodeName(pattern) + "\n");
    start();
    const QStringList told = m_prompts.askedOf(u"notify"_s);
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.first().contains(pattern), qPrintable(told.first()));
    QCOMPARE(m_windows.main->keywordList()->toPlainText(), QString());

    m_prompts.yesNoAnswers = {answer};
    QVERIFY(m_windows.main->close());
    const QStringList asked = m_prompts.askedOf(u"askYesNo"_s);
    QCOMPARE(asked.size(), 1);
    QVERIFY2(asked.first().contains(pattern), qPrintable(asked.first()));
    QVERIFY(QFile::setPermissions(pattern, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(bytesOf(pattern), replaced ? QByteArray() : "old -> ../Old\r\n"_ba);
}

void TestStartup::closeOnAFullDiskKeepsBothFiles()
{
    // The program's own folder on a small file system of its own, filled up before the close.
    const QString disk = m_dir->filePath(u"disk"_s);
    MOUNT_TMPFS_OR_SKIP(disk, u"256k"_s);
    const auto unmount = qScopeGuard([&] { SystemTest::unmount(disk); });
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(disk));
    const QString settings = disk + u"/marrowdale/marrowdale.ini"_s, pattern = disk + u"/marrowdale/Default.dat"_s;
    writeBytes(pattern, "old -> ../Old\r\n");
    const QByteArray stored = "[Setting]\nPtnFile=" + QFile::encodeName(pattern) + "\nDenominator=250\n";
    writeBytes(settings, stored);
    start();
    m_windows.main->keywordList()->setPlainText(u"news -> ../News\n"_s + QString(4000, u'x'));
    SystemTest::fillUp(disk);

    // First the list cannot be written; once it can (elsewhere), the settings file cannot.
    for (const QString &named : {pattern, settings}) {
        QString error;
        const auto answering = ModalWindows::whenShown([&](QWidget *modal) {
            if (auto *box = qobject_cast<QMessageBox *>(modal))
                error = box->text();
        });
        QVERIFY(!m_windows.main->close());
        QVERIFY2(error.contains(named), qPrintable(error));
        QVERIFY(m_windows.main->isVisible());
        QCOMPARE(bytesOf(pattern), "old -> ../Old\r\n"_ba);
        QCOMPARE(bytesOf(settings), stored);
        m_windows.main->state().patternFile = m_dir->filePath(u"elsewhere.dat"_s);
    }
}

void TestStartup::unreadableNamesAreOfferedOnceAtStart_data()
{
    QTest::addColumn<bool>("savedIsStartFolder");
    // A saved folder equal to the one the program started in sent no change, and nothing was offered.
    QTest::newRow("rename offer missing for the start folder") << true;
    QTest::newRow("saved folder elsewhere") << false;
}

void TestStartup::unreadableNamesAreOfferedOnceAtStart()
{
    QFETCH(bool, savedIsStartFolder);
    const QString folder = m_dir->filePath(u"downloads"_s);
    QVERIFY(QDir().mkpath(folder));
    // A Shift-JIS name: no text the file dialogs or the list could show.
    const int raw = ::open((QFile::encodeName(folder) + "/\x95\x5C.txt").constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY(raw >= 0);
    ::close(raw);
    writeBytes(folder + u"/plain.txt"_s, "x");
    writeBytes(settingsFile(), "[Setting]\nIniFolder=" + QFile::encodeName(folder) + "\n");
    const QString before = QDir::currentPath();
    const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
    QVERIFY(QDir::setCurrent(savedIsStartFolder ? folder : documents()));
    start();
    const QStringList asked = m_prompts.askedOf(u"askYesNo"_s);
    QCOMPARE(asked.size(), 1);
    QVERIFY2(asked.first().contains(folder), qPrintable(asked.first()));
    QCOMPARE(m_windows.main->fileList()->filePaths(), QStringList {folder + u"/plain.txt"_s});
}

void TestStartup::failureWhileFollowingAFolderIsShown()
{
    // Following a folder asks about its unreadable names; a failure there escaped the folder list's
    // signal into the event loop.
    const QString folder = m_dir->filePath(u"downloads"_s);
    QVERIFY(QDir().mkpath(folder));
    const int raw = ::open((QFile::encodeName(folder) + "/\x95\x5C.txt").constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY(raw >= 0);
    ::close(raw);
    writeBytes(settingsFile(), "[Setting]\nIniFolder=" + QFile::encodeName(documents()) + "\n");
    start();
    m_prompts.onQuestion = [](const QString &) { throw MarrowdaleError(ProgramText(Message::FolderMissing, {})); };
    QString shown;
    const auto answering = ModalWindows::whenShown([&](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            shown = box->text();
    });
    bool escaped = false;
    try {
        m_windows.main->folderList()->setFolder(folder);
    } catch (...) {
        escaped = true;
    }
    QVERIFY(!escaped);
    QVERIFY(!shown.isEmpty());
    QCOMPARE(m_windows.main->folderList()->folder(), folder);
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

void TestStartup::secondEditDoesNotRestartTheParseTimer()
{
    writeBytes(settingsFile(), "[Setting]\n");
    start();
    MainWindow *main = m_windows.main;
    main->parseTimer()->stop();
    main->keywordList()->setPlainText(u"news -> ../News"_s);
    QVERIFY(main->parseTimer()->isActive());
    QTest::qWait(500);
    main->keywordList()->setPlainText(u"news -> ../Daily"_s);
    // Typing on must not put the parse off: the timer keeps the time it was started with.
    QVERIFY2(main->parseTimer()->remainingTime() < 1750,
             qPrintable(QString::number(main->parseTimer()->remainingTime())));
    QVERIFY(!main->classifyButton()->isEnabled());
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
    const auto answering = ModalWindows::whenShown([](QWidget *) {});
    start();
    MainWindow *main = m_windows.main;
    QVERIFY(main->state().firstShowDone);
    QVERIFY(main->parseTimer()->isActive());
    QCOMPARE(main->keywordList()->toPlainText(), u"news -> ../News\n"_s);
    QCOMPARE(main->folderList()->folder(), m_dir->path() + u"/home"_s); // no download folder: home
}

void TestStartup::windowComesBackWhereItWas_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QRect>("shown"); // invalid: the first start's size
    QTest::newRow("on the screen") << "40,50,700,500"_ba << QRect(40, 50, 700, 500);
    QTest::newRow("on a screen that is gone") << "9000,9000,700,500"_ba << QRect();
    QTest::newRow("larger than any screen") << "0,0,9000,9000"_ba << QRect();
    QTest::newRow("not a place") << "here"_ba << QRect();
}

void TestStartup::windowComesBackWhereItWas()
{
    QFETCH(QByteArray, stored);
    QFETCH(QRect, shown);
    writeBytes(settingsFile(), "[Setting]\nIniFolder=" + QFile::encodeName(documents()) + "\nWindow=" + stored + "\n");
    start();
    MainWindow *main = m_windows.main;
    if (shown.isValid())
        QCOMPARE(main->geometry(), shown);
    else
        QTRY_COMPARE(main->frameGeometry().size(), QSize(770, 579));
    main->setGeometry(60, 70, 710, 510);
    QVERIFY(main->close());
    QVERIFY2(bytesOf(settingsFile()).contains("Window=60,70,710,510"), bytesOf(settingsFile()).constData());
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
    QCOMPARE(main->log()->count(), 2); // the other move, and the undo's summary
    QVERIFY(main->log()->selectedItems().isEmpty());
    main->undoSelectedMove();
    QVERIFY(QFile::exists(sorted + u"/News/b.htm"_s));
}

void TestStartup::clickIntoTheLogEnablesUndoForALine_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("clicked"); // -1: below the lines
    QTest::addColumn<bool>("undo");

    QTest::newRow("click on a line") << 2 << 1 << true;
    QTest::newRow("no line selected") << 2 << -1 << false;
    QTest::newRow("empty log") << 0 << -1 << false;
}

void TestStartup::clickIntoTheLogEnablesUndoForALine()
{
    QFETCH(int, lines);
    QFETCH(int, clicked);
    writeBytes(settingsFile(), "[Setting]\n");
    start();
    QListWidget *log = m_windows.main->log();
    for (int i = 0; i < lines; ++i)
        m_windows.main->appendMove({u"page%1.htm -> ../News"_s.arg(i), u"page%1.htm"_s.arg(i), {}, {}, {}});
    log->clearSelection();
    const QPoint at
        = clicked >= 0 ? log->visualItemRect(log->item(clicked)).center() : QPoint(10, log->viewport()->height() - 5);
    QTest::mouseClick(log->viewport(), Qt::LeftButton, {}, at);
    QTEST(m_windows.main->undoButton()->isEnabled(), "undo");
}

void TestStartup::moveSelectedFiles_data()
{
    QTest::addColumn<bool>("fromPopup");
    QTest::addColumn<bool>("chosen"); // false: the folder chooser is cancelled

    QTest::newRow("Move button") << false << true;
    QTest::newRow("Move button, chooser cancelled") << false << false;
    QTest::newRow("Send in the popup") << true << true;
    QTest::newRow("Send in the popup, chooser cancelled") << true << false;
}

void TestStartup::moveSelectedFiles()
{
    QFETCH(bool, fromPopup);
    QFETCH(bool, chosen);
    writeBytes(documents() + u"/a.htm"_s, "a");
    writeBytes(documents() + u"/a_files/img.png"_s, "img");
    writeBytes(documents() + u"/b.htm"_s, "b");
    writeBytes(settingsFile(), "[Setting]\nIniFolder=" + QFile::encodeName(documents()) + "\n");
    const QString root = m_dir->filePath(u"Sorted"_s);
    const QString daily = root + u"/Daily"_s;
    QVERIFY(QDir().mkpath(daily));
    start();
    MainWindow *main = m_windows.main;
    main->optionsDialog()->setRootFolder(root);
    if (chosen)
        m_prompts.folderAnswers = {daily};
    QListWidget *files = main->fileList();
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(files->item(0)).center());
    QVERIFY(main->moveButton()->isEnabled());

    if (fromPopup)
        main->fileListCommands()->sendAction()->trigger();
    else
        main->moveButton()->click();
    QCOMPARE(m_prompts.askedOf(u"chooseFolder"_s), QStringList {root});
    // Move follows the selection: the moved file is gone, a file that stayed is still selected.
    QCOMPARE(main->moveButton()->isEnabled(), !chosen);
    QCOMPARE(main->fileListCommands()->sendAction()->isEnabled(), !chosen);
    QCOMPARE(bytesOf(daily + u"/a.htm"_s), chosen ? "a"_ba : "<missing>"_ba);
    QCOMPARE(QFile::exists(daily + u"/a_files/img.png"_s), chosen);
    QCOMPARE(QFile::exists(documents() + u"/a.htm"_s), !chosen);
    QCOMPARE(files->count(), chosen ? 1 : 2);
    QCOMPARE(m_prompts.askedOf(u"receiveString"_s).size(), chosen ? 1 : 0); // a keyword for the folder is offered
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
    // The move, and the pass's summary after it.
    QCOMPARE(main->log()->count(), 2);
    QCOMPARE(main->log()->item(1)->text(), u"Classify, 2 files: 1 moved; 1 without a keyword."_s);
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
