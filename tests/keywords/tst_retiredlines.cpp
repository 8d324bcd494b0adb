#include "keywordtable.h"
#include "marrowdaleerror.h"
#include "messagetable.h"
#include "keywordretirement.h"
#include "retiredlines.h"
#include "scriptedprompts.h"
#include "testfiles.h"
#include "textfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QDateTime when(QDate(2024, 5, 1), QTime(14, 3, 5));
const QByteArray heading = "# retired 2024-05-01 14:03:05\r\n";
} // namespace

class TestRetiredLines : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { useOwnProgramFolders(m_dir.path()); }

    void fileBesideThePatternFile_data()
    {
        QTest::addColumn<QString>("patternFile");
        QTest::addColumn<QString>("retiredFile");
        QTest::newRow("Default.dat") << u"/lists/Default.dat"_s << u"/lists/Default.retired.dat"_s;
        QTest::newRow("dots in the name") << u"/lists/a.b.dat"_s << u"/lists/a.b.retired.dat"_s;
        QTest::newRow("no extension") << u"/lists/mine"_s << u"/lists/mine.retired.dat"_s;
        QTest::newRow("no pattern file") << QString() << QString();
    }
    void fileBesideThePatternFile()
    {
        QFETCH(QString, patternFile);
        QTEST(RetiredLines::fileFor(patternFile), "retiredFile");
    }

    void appendKeepsWhatWasThere_data()
    {
        QTest::addColumn<QByteArray>("existing"); // null: no file yet
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("first block") << QByteArray() << QStringList {u"news -> ../News    << 1/2000"_s, u"a -> /a"_s}
                                     << heading + "news -> ../News    << 1/2000\r\na -> /a\r\n\r\n";
        QTest::newRow("old block without final break")
            << "# retired 2020-01-01 00:00:00\r\nold -> /o"_ba << QStringList {u"b -> /b"_s}
            << "# retired 2020-01-01 00:00:00\r\nold -> /o\r\n" + heading + "b -> /b\r\n\r\n";
        QTest::newRow("CP932 file stays CP932") << "\xFA\x5B -> /a\r\n\r\n"_ba << QStringList {u"表 -> /b"_s}
                                                << "\xFA\x5B -> /a\r\n\r\n" + heading + "\x95\x5C -> /b\r\n\r\n";
        QTest::newRow("no lines, no file") << QByteArray() << QStringList() << "<missing>"_ba;
    }
    void appendKeepsWhatWasThere()
    {
        QFETCH(QByteArray, existing);
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        const QString retired = dir.filePath(u"Default.retired.dat"_s);
        if (!existing.isNull())
            writeBytes(retired, existing);
        RetiredLines::append(dir.filePath(u"Default.dat"_s), lines, when);
        QTEST(bytesOf(retired), "expected");
    }

    // The lines go to the file exactly as they stood in the list, stray bytes included.
    void retiredLinesAreKeptAsTheyStood()
    {
        QTemporaryDir dir;
        const QString list = u"keep -> ../Keep    << 5/2000\nret\\ired -> ../Old/x    << 1/2000\ncaf"_s
            + QChar(char16_t(0xDCE9)) + u" -> ../C    << 0/3000\n"_s;
        QStringList retired;
        const QString rewritten = rewriteKeywordList(list, KeywordTable(), {true, 2000, false}, &retired);
        QCOMPARE(rewritten, u"keep -> ../Keep    << 5/2000\n"_s);
        RetiredLines::append(dir.filePath(u"Default.dat"_s), retired, when);
        QCOMPARE(bytesOf(dir.filePath(u"Default.retired.dat"_s)),
                 heading + "ret\\ired -> ../Old/x    << 1/2000\r\ncaf\xE9 -> ../C    << 0/3000\r\n\r\n");
    }

    // Lines that cannot be kept beside the list are not retired: they stay in it.
    void rewriteKeepsRetiredLines_data()
    {
        QTest::addColumn<QString>("patternFile");
        QTest::addColumn<QString>("rewritten");
        QTest::addColumn<QByteArray>("retiredFile");
        QTest::addColumn<int>("notices");
        QTest::newRow("kept beside the list")
            << u"Default.dat"_s << u"b -> /b    << 9/2000\nu -> /u\n"_s << heading + "a -> /a << 1/2000\r\n\r\n"
            << 0;
        QTest::newRow("folder cannot take the file")
            << u"blocker/Default.dat"_s << u"a -> /a    << 1/2000\nb -> /b    << 9/2000\nu -> /u\n"_s << "<missing>"_ba
            << 1;
    }
    void rewriteKeepsRetiredLines()
    {
        QFETCH(QString, patternFile);
        QTemporaryDir dir;
        writeBytes(dir.filePath(u"blocker"_s), "x");
        const QString text = u"b -> /b << 9/2000\na -> /a << 1/2000\nu -> /u\n"_s;
        KeywordTable table;
        table.parse(text, u"/"_s);
        ScriptedPrompts prompts;
        QTEST(RetiredLines::rewriteKeepingRetired(prompts, MessageTable(), dir.filePath(patternFile), text, table,
                                                  {true, 2000, false}, when),
              "rewritten");
        QTEST(bytesOf(RetiredLines::fileFor(dir.filePath(patternFile))), "retiredFile");
        QTEST(int(prompts.askedOf(u"notify"_s).size()), "notices");
        QCOMPARE(bytesOf(dir.filePath(u"blocker"_s)), "x"_ba);
    }

    void noPatternFileIsAnError()
    {
        QVERIFY_THROWS_EXCEPTION(MarrowdaleError, RetiredLines::append(QString(), {u"a -> /a"_s}, when));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestRetiredLines)
#include "tst_retiredlines.moc"
