#include "classifypreview.h"
#include "messagetable.h"
#include "pagefactscache.h"
#include "testfiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestClassifyPreview : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cells_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("cells");
        const QString list = u"news -> ../News\npaper -> ../Paper\nnews2 -> ../news\nask? -> ../Ask\n"_s;
        QTest::newRow("one keyword, companion travels")
            << list << u"news.htm"_s << QStringList {u"news.htm"_s, u"../News"_s, u"1: news"_s, u"news_files"_s};
        QTest::newRow("no keyword") << list << u"other.htm"_s
                                    << QStringList {u"other.htm"_s, u"no keyword"_s, QString(), QString()};
        QTest::newRow("destinations differing in case only are one")
            << list << u"news2.htm"_s << QStringList {u"news2.htm"_s, u"../News"_s, u"1: news; 3: news2"_s, QString()};
        QTest::newRow("several keywords") << list << u"news paper.htm"_s
                                          << QStringList {u"news paper.htm"_s, u"several keywords: ../News, ../Paper"_s,
                                                          u"1: news; 2: paper"_s, QString()};
        QTest::newRow("asks each time, later lines untested")
            << u"ask? -> ../Ask\nnews -> ../News\n"_s << u"ask news.htm"_s
            << QStringList {u"ask news.htm"_s, u"asks each time, from ../Ask"_s, u"1: ask?"_s, QString()};
    }
    void cells()
    {
        QFETCH(QString, list);
        QFETCH(QString, file);
        QTemporaryDir dir;
        const QString root = dir.filePath(u"Sorted"_s);
        writeBytes(dir.filePath(u"in/"_s + file), "page");
        writeBytes(dir.filePath(u"in/news_files/img.png"_s), "img");
        KeywordTable table;
        table.parse(list, root);
        const QList<PreviewRow> rows = previewPass(table, {dir.filePath(u"in/"_s + file)}, root);
        QCOMPARE(rows.size(), 1);
        QTEST(previewCells(rows.first(), MessageTable()).first(4), "cells");
        // Nothing on disk changed: no destination folder was made.
        QVERIFY(!QFileInfo::exists(root));
    }

    // A page's title and address show beside it, and each line says where it matched when not in the name.
    void pageFactsShow()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath(u"Sorted"_s);
        writeBytes(dir.filePath(u"in/index.html"_s),
                   "<!-- saved from url=(0028)https://www.example.com/a/ -->\n<title>Weekly  report</title>");
        KeywordTable table;
        table.parse(u"site:example.com -> ../Example\nreport -> ../Reports\n"_s, root);
        PageFactsCache facts(dir.filePath(u"facts.cache"_s));
        const QList<PreviewRow> rows = previewPass(table, {dir.filePath(u"in/index.html"_s)}, root, {&facts, true});
        QCOMPARE(previewCells(rows.first(), MessageTable()),
                 (QStringList {u"index.html"_s, u"several keywords: ../Example, ../Reports"_s,
                               u"1: site:example.com (in the address); 2: report (in the title)"_s, QString(),
                               u"Weekly report"_s, u"https://www.example.com/a/"_s, QString()}));
        // With the option off, the site: line alone; without facts, names only.
        QCOMPARE(previewPass(table, {dir.filePath(u"in/index.html"_s)}, root, {&facts, false}).first().destinations,
                 QStringList {u"../Example"_s});
        QCOMPARE(previewPass(table, {dir.filePath(u"in/index.html"_s)}, root).first().outcome, PreviewRow::NoKeyword);
    }

    void textHasAHeadingAndATabbedLineARow()
    {
        PreviewRow row;
        row.fileName = u"a.htm"_s;
        row.outcome = PreviewRow::Destination;
        row.destinations = {u"../A"_s};
        row.matches = {{0, 4, u"a"_s, u"/x/A"_s, false}};
        QCOMPARE(previewText({row, row}, {u"File"_s, u"Destination"_s, u"Lines"_s, u"Companion"_s}, MessageTable()),
                 u"File\tDestination\tLines\tCompanion\na.htm\t../A\t4: a\t\t\t\t\na.htm\t../A\t4: a\t\t\t\t\n"_s);
    }
};

QTEST_GUILESS_MAIN(TestClassifyPreview)
#include "tst_classifypreview.moc"
