#include "textsearch.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestTextSearch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void findWalk_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QList<qsizetype>>("hits"); // each search starts behind the previous hit; -1 ends
        QTest::newRow("two hits then none") << u"News"_s << QList<qsizetype> {0, 22, -1};
        QTest::newRow("case-sensitive") << u"news"_s << QList<qsizetype> {17, -1};
        QTest::newRow("empty find text") << QString() << QList<qsizetype> {-1};
    }
    void findWalk()
    {
        QFETCH(QString, what);
        QFETCH(QList<qsizetype>, hits);
        qsizetype from = 0;
        for (qsizetype expected : std::as_const(hits)) {
            const qsizetype hit = TextSearch::findFrom(u"News -> ../N\nold news\nNews -> ../M"_s, what, from);
            QCOMPARE(hit, expected);
            from = hit + what.size();
        }
    }

    void replaceAll_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<QString>("result");
        QTest::addColumn<qsizetype>("count");
        QTest::newRow("aaa") << u"aaa"_s << u"a"_s << u"b"_s << false << u"bbb"_s << qsizetype(3);
        QTest::newRow("aAa without case") << u"aAa"_s << u"a"_s << u"b"_s << false << u"bbb"_s << qsizetype(3);
        QTest::newRow("aAa with case") << u"aAa"_s << u"a"_s << u"b"_s << true << u"bAb"_s << qsizetype(2);
        QTest::newRow("full-width letters")
            << u"ＡＢ ａｂ"_s << u"ａｂ"_s << u"x"_s << false << u"x x"_s << qsizetype(2);
        QTest::newRow("no overlap") << u"aaaa"_s << u"aaa"_s << u"b"_s << true << u"ba"_s << qsizetype(1);
        QTest::newRow("replacement holds the find text")
            << u"aa"_s << u"a"_s << u"aa"_s << true << u"aaaa"_s << qsizetype(2);
        QTest::newRow("empty find text") << u"aaa"_s << QString() << u"b"_s << false << u"aaa"_s << qsizetype(0);
    }
    void replaceAll()
    {
        QFETCH(QString, text);
        QFETCH(QString, what);
        QFETCH(QString, replacement);
        QFETCH(bool, matchCase);
        const TextSearch::Replaced replaced = TextSearch::replaceAll(text, what, replacement, matchCase);
        QTEST(replaced.text, "result");
        QTEST(replaced.count, "count");
    }
};

QTEST_GUILESS_MAIN(TestTextSearch)
#include "tst_textsearch.moc"
