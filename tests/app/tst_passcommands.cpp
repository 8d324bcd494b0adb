#include "browser/filelist.h"
#include "browser/folderlist.h"
#include "app/mainwindow.h"
#include "app/programwindows.h"
#include "passes/passcommands.h"
#include "passes/previewdialog.h"
#include "dialogs/optionsdialog.h"
#include "fileops.h"
#include "movehistory.h"
#include "scriptedprompts.h"
#include "testfiles.h"
#include "treesnapshot.h"

#include <QApplication>
#include <QListWidget>
#include <QMimeData>
#include <QDropEvent>
#include <QWindow>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

using namespace Qt::StringLiterals;

class TestPassCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        useOwnProgramFolders(m_dir->path());
        qputenv("HOME", QFile::encodeName(path(u"home"_s)));
        writeBytes(path(u"config/marrowdale/marrowdale.ini"_s),
                   "[Setting]\nConfirm=0\nIniFolder=" + QFile::encodeName(path(u"in"_s)) + "\n");
        for (const QString &file : {u"a news.htm"_s, u"a news_files/img.png"_s, u"b paper.htm"_s, u"c news paper.htm"_s,
                                    u"d other.htm"_s, u"e ask.htm"_s})
            writeBytes(path(u"in/"_s + file), file.toUtf8());
        m_prompts = ScriptedPrompts();
        m_windows = ProgramWindows::create();
        main()->setPrompts(&m_prompts);
        main()->firstShow();
        main()->optionsDialog()->setRootFolder(path(u"Sorted"_s));
        main()->keywordList()->setPlainText(u"news -> ../News\npaper -> ../Paper\nask? -> ../Ask\n"_s);
        main()->parseKeywordList();
    }
    void cleanup()
    {
        main()->parseTimer()->stop();
        m_windows.destroy();
        m_dir.reset();
    }

    void previewShowsWhatClassifyThenDoes()
    {
        const auto before = TreeSnapshot::of(path(u"in"_s));
        QStringList shown;
        QTimer::singleShot(0, this, [&] {
            QTableWidget *table = main()->passCommands()->previewDialog()->table();
            for (int row = 0; row < table->rowCount(); ++row)
                shown.append(table->item(row, 0)->text() + u" -> "_s + table->item(row, 1)->text());
            main()->passCommands()->previewDialog()->accept();
        });
        main()->passCommands()->previewAction()->trigger();
        QCOMPARE(shown.size(), 5);
        COMPARE_TREES(TreeSnapshot::of(path(u"in"_s)), before); // nothing moved or made
        QVERIFY(!QFileInfo::exists(path(u"Sorted"_s)));

        // Classify asks about "c" (two keywords) and "e" (asks each time): both stay.
        main()->classify();
        QStringList classified;
        for (const QString &line : shown) {
            const QString file = line.section(u" -> "_s, 0, 0), destination = line.section(u" -> "_s, 1);
            const QString folder = destination.startsWith(u".."_s) ? path(u"Sorted"_s) + destination.mid(2) : QString();
            const bool moved = !folder.isEmpty() && QFileInfo::exists(folder + u'/' + file);
            classified.append(file + u" -> "_s + (moved ? destination : u"stays"_s));
        }
        QCOMPARE(classified,
                 QStringList({u"a news.htm -> ../News"_s, u"b paper.htm -> ../Paper"_s, u"c news paper.htm -> stays"_s,
                              u"d other.htm -> stays"_s, u"e ask.htm -> stays"_s}));
        QVERIFY(shown.at(2).contains(u"../News, ../Paper"_s) && shown.at(4).contains(u"../Ask"_s));
    }

    void droppedPagesAreFiled()
    {
        writeBytes(path(u"elsewhere/news of the day.htm"_s), "page");
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path(u"elsewhere/news of the day.htm"_s)), QUrl(u"https://example.com/a"_s)});
        main()->show();
        QVERIFY(QTest::qWaitForWindowExposed(main()));
        // Onto the window as a desktop drops it: through its window, onto a place of it that is no control.
        QPoint at(2, 2);
        while (main()->childAt(at) && at.y() < main()->height())
            at += QPoint(0, 5);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(main()->windowHandle(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(main()->windowHandle(), &drop);
        QVERIFY(drop.isAccepted());
        QTRY_VERIFY(QFileInfo::exists(path(u"Sorted/News/news of the day.htm"_s)));
        QVERIFY(m_prompts.askedOf(u"notify"_s).value(0).contains(u"https://example.com/a"_s));
        QCOMPARE(main()->log()->count(), 2); // the move and the summary
    }

    void classifyWithNothingToDoSaysWhy_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("files");
        QTest::addColumn<QString>("said");
        QTest::newRow("empty list") << QString() << true << u"There is no keyword line to file by."_s;
        QTest::newRow("only a refused line") << u"zqx->zr -> ../Arrow"_s << true
                                            << u"There is no keyword line to file by."_s;
        QTest::newRow("no file") << u"news -> ../News"_s << false << u"There is no file to classify in"_s;
    }

    void classifyWithNothingToDoSaysWhy()
    {
        QFETCH(QString, list);
        QFETCH(bool, files);
        if (!files) {
            QVERIFY(QDir(path(u"in"_s)).removeRecursively() && QDir().mkpath(path(u"in"_s)));
            main()->rereadSourceFolder();
        }
        main()->keywordList()->setPlainText(list);
        main()->parseKeywordList();
        main()->classify();
        QFETCH(QString, said);
        const QString told = m_prompts.askedOf(u"notify"_s).value(0);
        QVERIFY2(told.contains(said), qPrintable(told));
        QCOMPARE(main()->log()->count(), 0); // not even a summary: nothing was done
    }

    void undoWholePassTakesEveryMoveBack()
    {
        const auto before = TreeSnapshot::of(path(u"in"_s), TreeSnapshot::NoFolderTimes);
        m_prompts.keywordAnswers = {KeywordChoiceAnswerNeither};
        main()->classify();
        QCOMPARE(main()->log()->count(), 3); // two moves and the pass's summary
        main()->log()->setCurrentRow(1);
        m_prompts.msgBoxAnswers = {UserPrompts::Yes};
        main()->passCommands()->undoPassAction()->trigger();
        QCOMPARE(m_prompts.askedOf(u"msgBox"_s).constLast(), u"Take back the 2 moves of this pass that are still in place?"_s);
        // The summaries of the pass and of its undo stay.
        QCOMPARE(main()->log()->count(), 2);
        QCOMPARE(main()->log()->item(1)->text(), u"Undo: 2 of 2 moves taken back."_s);
        COMPARE_TREES(TreeSnapshot::of(path(u"in"_s), TreeSnapshot::NoFolderTimes), before);
        // The folders the pass made for its moves went with them.
        QVERIFY(!QFileInfo::exists(path(u"Sorted/News"_s)) && !QFileInfo::exists(path(u"Sorted/Paper"_s)));
        const MoveHistory history = MoveHistory::read(main()->journal().path());
        QCOMPARE(history.passes().last().what, u"undo"_s);
        QVERIFY(history.movesToUndo(*history.lastFilingPass()).isEmpty()); // nothing of the pass is left in place
        QVERIFY(m_prompts.askedOf(u"notify"_s).isEmpty());
    }

    // A line whose destination names no full folder is named before Classify files anything.
    void refusedLinesAreNamedFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("No files nothing") << int(UserPrompts::No);
        QTest::newRow("Yes files by the other lines") << int(UserPrompts::Yes);
    }
    void refusedLinesAreNamedFirst()
    {
        QFETCH(int, answer);
        QDir::setCurrent(path(u"in"_s));
        main()->keywordList()->setPlainText(u"news -> ../News\nzqx->zr -> ..\\Arrow\n"_s);
        main()->parseKeywordList();
        m_prompts.msgBoxAnswers = {answer};
        main()->classify();
        const QStringList asked = m_prompts.askedOf(u"msgBox"_s);
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked.first().contains(u"Line 2"_s) && asked.first().contains(u"zr -> ../Arrow"_s), qPrintable(asked.first()));
        QCOMPARE(QFileInfo::exists(path(u"Sorted/News/a news.htm"_s)), answer == UserPrompts::Yes);
        QCOMPARE(QDir(path(u"in"_s)).entryList({u"zr*"_s}), QStringList());
    }

    // A destination that another user planted as a link leads into that user's folder: the page stays.
    void foreignLinkedDestinationIsNotFollowed()
    {
        if (::geteuid() != 0)
            QSKIP("a link of another user's needs the superuser to make");
        QVERIFY(QDir().mkpath(path(u"Sorted"_s)) && QDir().mkpath(path(u"theirs"_s)));
        QVERIFY(QFile::link(path(u"theirs"_s), path(u"Sorted/News"_s)));
        QVERIFY(::lchown(QFile::encodeName(path(u"Sorted/News"_s)).constData(), 4242, 4242) == 0);
        m_prompts.keywordAnswers = {KeywordChoiceAnswerNeither};
        main()->classify();
        QCOMPARE(bytesOf(path(u"in/a news.htm"_s)), "a news.htm"_ba);
        QCOMPARE(QDir(path(u"theirs"_s)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        const QStringList told = m_prompts.askedOf(u"msgBox"_s).filter(path(u"Sorted/News"_s));
        QVERIFY2(told.size() == 1 && told.first().contains(u"a link that belongs to another user"_s),
                 qPrintable(m_prompts.asked.join(u'\n')));
    }

private:
    static constexpr int KeywordChoiceAnswerNeither = 2;
    QString path(const QString &name) const { return m_dir->filePath(name); }
    MainWindow *main() const { return m_windows.main; }

    std::unique_ptr<QTemporaryDir> m_dir;
    ProgramWindows m_windows;
    ScriptedPrompts m_prompts;
};

QTEST_MAIN(TestPassCommands)
#include "tst_passcommands.moc"
