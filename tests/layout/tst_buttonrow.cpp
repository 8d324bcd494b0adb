#include "buttonrow.h"

#include <QTest>

Q_DECLARE_METATYPE(QList<ButtonRow::Place>)

// The room a translated caption gets in a row of buttons.
class TestButtonRow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fit_data()
    {
        using Places = QList<ButtonRow::Place>;
        QTest::addColumn<Places>("designed");
        QTest::addColumn<QList<int>>("needed");
        QTest::addColumn<Places>("expected");

        const Places box {{135, 65}, {220, 65}, {305, 65}};
        QTest::newRow("captions that fit keep the layout") << box << QList<int> {40, 65, 20} << box;
        QTest::newRow("a grown button keeps its left edge and pushes the rest along by the gap")
            << box << QList<int> {40, 89, 40} << Places {{135, 65}, {220, 89}, {329, 65}};
        QTest::newRow("a pushed button grows from where it was pushed to")
            << box << QList<int> {75, 75, 40} << Places {{135, 75}, {230, 75}, {325, 65}};
        QTest::newRow("buttons without a gap stay without one")
            << Places {{0, 10}, {10, 10}} << QList<int> {15, 0} << Places {{0, 15}, {15, 10}};
        QTest::newRow("an empty row") << Places {} << QList<int> {} << Places {};
    }
    void fit()
    {
        using Places = QList<ButtonRow::Place>;
        QFETCH(Places, designed);
        QFETCH(QList<int>, needed);
        QTEST(ButtonRow::fit(designed, needed), "expected");
    }
};

QTEST_GUILESS_MAIN(TestButtonRow)
#include "tst_buttonrow.moc"
