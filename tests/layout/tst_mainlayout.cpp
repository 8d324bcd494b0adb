#include "mainlayout.h"

#include <QTest>

class TestMainLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void worked_data();
    void worked();
    void fileListHeightWaitsForFirstShow();
    void groupBoxHeightRoundsUp_data();
    void groupBoxHeightRoundsUp();
    void tinyWindowIsNotClamped();
};

void TestMainLayout::worked_data()
{
    QTest::addColumn<QSize>("outer");
    QTest::addColumn<QRect>("sourceGroup");
    QTest::addColumn<int>("buttonTop");
    QTest::addColumn<int>("folderListHeight");
    QTest::addColumn<QSize>("fileList");
    QTest::addColumn<QRect>("keywordList");
    QTest::addColumn<QRect>("log");
    QTest::addColumn<QPoint>("keywordCaption");
    QTest::addColumn<QPoint>("logCaption");
    QTest::addColumn<QPoint>("listButtonRow");
    QTest::addColumn<QPoint>("logButtonRow");
    QTest::addColumn<QPoint>("progress");

    QTest::newRow("initial 770x579") << QSize(770, 579) << QRect(20, 15, 730, 232) << 212 << 137 << QSize(462, 191)
                                     << QRect(24, 294, 351, 200) << QRect(395, 294, 351, 200) << QPoint(120, 262)
                                     << QPoint(533, 262) << QPoint(27, 504) << QPoint(394, 504) << QPoint(310, 267);
    QTest::newRow("resized 1000x800") << QSize(1000, 800) << QRect(20, 15, 960, 320) << 300 << 225 << QSize(692, 279)
                                      << QRect(24, 382, 466, 333) << QRect(510, 382, 466, 333) << QPoint(177, 350)
                                      << QPoint(705, 350) << QPoint(84, 725) << QPoint(566, 725) << QPoint(425, 355);
}

void TestMainLayout::worked()
{
    QFETCH(QSize, outer);
    const MainLayout l = computeMainLayout(outer.width(), outer.height(), true);
    QTEST(l.sourceGroup, "sourceGroup");
    QTEST(l.buttonTop, "buttonTop");
    QTEST(l.folderListHeight, "folderListHeight");
    QFETCH(QSize, fileList);
    QCOMPARE(l.fileListWidth, fileList.width());
    QCOMPARE(l.fileListHeight, std::optional<int>(fileList.height()));
    QTEST(l.keywordList, "keywordList");
    QTEST(l.log, "log");
    QTEST(l.keywordCaption, "keywordCaption");
    QTEST(l.logCaption, "logCaption");
    QTEST(l.listButtonRow, "listButtonRow");
    QTEST(l.logButtonRow, "logButtonRow");
    QTEST(l.progressBar, "progress");
}

void TestMainLayout::fileListHeightWaitsForFirstShow()
{
    QVERIFY(!computeMainLayout(770, 579, false).fileListHeight.has_value());
}

void TestMainLayout::groupBoxHeightRoundsUp_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("groupHeight");
    QTest::newRow("579 * 0.4 = 231.6") << 579 << 232;
    QTest::newRow("580 * 0.4 = 232") << 580 << 232;
    QTest::newRow("581 * 0.4 = 232.4") << 581 << 233;
}

void TestMainLayout::groupBoxHeightRoundsUp()
{
    QFETCH(int, height);
    QTEST(computeMainLayout(770, height, true).sourceGroup.height(), "groupHeight");
}

void TestMainLayout::tinyWindowIsNotClamped()
{
    const MainLayout l = computeMainLayout(100, 100, true);
    QCOMPARE(l.fileListWidth, -208);
    QCOMPARE(l.keywordList.height(), -87);
}

QTEST_GUILESS_MAIN(TestMainLayout)
#include "tst_mainlayout.moc"
