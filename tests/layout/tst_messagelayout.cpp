#include "messagelayout.h"

#include <QTest>

using namespace Qt::StringLiterals;
namespace ML = MessageLayout;

namespace {

// A stand-in for the text box's wrapping: Latin characters 6 pixels, ideographs 12, lines filled
// greedily and broken anywhere.
QStringList wrapByWidth(const QString &text, int width)
{
    QStringList lines;
    QString line;
    int used = 0;
    for (const QChar c : text) {
        const int w = c.unicode() < 0x2000 ? 6 : 12;
        if (used + w > width && !line.isEmpty()) {
            lines << line;
            line.clear();
            used = 0;
        }
        line += c;
        used += w;
    }
    lines << line;
    return lines;
}

} // namespace

class TestMessageLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buttonLefts_data();
    void buttonLefts();
    void heights_data();
    void heights();
    void inputLayout_data();
    void inputLayout();
    void punctuation_data();
    void punctuation();
};

void TestMessageLayout::buttonLefts_data()
{
    QTest::addColumn<QString>("words");
    QTest::addColumn<QList<int>>("lefts"); // Yes, No, OK, Cancel, Help; -1 hidden

    QTest::newRow("OK") << u"OK"_s << QList<int> {-1, -1, 177, -1, -1};
    QTest::newRow("YesNo") << u"YesNo"_s << QList<int> {135, 220, -1, -1, -1};
    QTest::newRow("words in any order") << u"NoYes"_s << QList<int> {135, 220, -1, -1, -1};
    QTest::newRow("OK Cancel Help") << u"OKCancelHelp"_s << QList<int> {-1, -1, 102, 187, 272};
    QTest::newRow("Help alone has a narrower slot") << u"Help"_s << QList<int> {-1, -1, -1, -1, 187};
    QTest::newRow("odd remainder truncates") << u"YesNoOKCancelHelp"_s << QList<int> {17, 102, 187, 272, 357};
    QTest::newRow("case matters") << u"yesno ok"_s << QList<int> {-1, -1, -1, -1, -1};
    QTest::newRow("no word") << QString() << QList<int> {-1, -1, -1, -1, -1};
}

void TestMessageLayout::buttonLefts()
{
    QFETCH(QString, words);
    QFETCH(QList<int>, lefts);
    const ML::ButtonLefts l = ML::buttonLefts(ML::ButtonSet::fromWords(words));
    QCOMPARE((QList<int> {l.yes, l.no, l.ok, l.cancel, l.help}), lefts);
}

void TestMessageLayout::heights_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("text");
    QTest::addColumn<int>("bar");
    QTest::addColumn<int>("dialog");

    QTest::newRow("one line") << 1 << 32 << 58 << 118;
    QTest::newRow("two lines") << 2 << 43 << 69 << 129;
    QTest::newRow("seven lines") << 7 << 98 << 124 << 184;
}

void TestMessageLayout::heights()
{
    QFETCH(int, lines);
    QFETCH(int, text);
    QFETCH(int, bar);
    QFETCH(int, dialog);
    QCOMPARE(ML::textHeight(lines), text);
    QCOMPARE(ML::buttonBarTop(lines), bar);
    QCOMPARE(ML::dialogHeight(lines), dialog);
}

void TestMessageLayout::inputLayout_data()
{
    QTest::addColumn<bool>("hasSuffix");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("currentWidth");
    // input left, top, width; suffix left (-1: none); dialog width; OK, Cancel, Help lefts; button bar top;
    // dialog height. The prompt is 20 high, the input 24.
    QTest::addColumn<QList<int>>("expected");

    QTest::newRow("suffix row is 698 wide")
        << true << 100 << 440 << QList<int> {529, 18, 100, 634, 698, 232, 317, 402, 57, 119};
    QTest::newRow("after a message box") << false << 100 << 440
                                         << QList<int> {16, 44, 440, -1, 480, 123, 208, 293, 83, 145};
    QTest::newRow("second input box is 40 wider")
        << false << 100 << 480 << QList<int> {16, 44, 480, -1, 520, 143, 228, 313, 83, 145};
    QTest::newRow("width ignored without suffix")
        << false << 999 << 413 << QList<int> {16, 44, 413, -1, 453, 109, 194, 279, 83, 145};
}

void TestMessageLayout::inputLayout()
{
    QFETCH(bool, hasSuffix);
    QFETCH(int, width);
    QFETCH(int, currentWidth);
    const ML::InputLayout l = ML::inputLayout(hasSuffix, width, currentWidth, 20, 24);
    QCOMPARE(l.hasSuffix, hasSuffix);
    QTEST((QList<int> {l.inputLeft, l.inputTop, l.inputWidth, l.hasSuffix ? l.suffixLeft : -1, l.dialogWidth, l.okLeft,
                       l.cancelLeft, l.helpLeft, l.buttonBarTop, l.dialogHeight}),
          "expected");
}

void TestMessageLayout::punctuation_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("expectedWidth");
    QTest::addColumn<QStringList>("expectedLines");

    QTest::newRow("plain text unchanged") << u"abcdefgh"_s << 30 << 30 << QStringList {u"abcde"_s, u"fgh"_s};
    QTest::newRow("comma joins the line before") << u"abcde,fgh"_s << 30 << 36 << QStringList {u"abcde,"_s, u"fgh"_s};
    QTest::newRow("double quote") << u"abcde\"fg"_s << 30 << 36 << QStringList {u"abcde\""_s, u"fg"_s};
    QTest::newRow("ideographic comma widens by 12")
        << u"あいうえお、かき"_s << 60 << 72 << QStringList {u"あいうえお、"_s, u"かき"_s};
    QTest::newRow("closing bracket") << u"あいうえお」"_s << 60 << 72 << QStringList {u"あいうえお」"_s};
    QTest::newRow("every continuation line is read")
        << u"abcde.abcde.abc"_s << 30 << 36 << QStringList {u"abcde."_s, u"abcde."_s, u"abc"_s};
    QTest::newRow("first line never widens") << u".abcdefg"_s << 30 << 30 << QStringList {u".abcd"_s, u"efg"_s};
    QTest::newRow("rewrap shortens text") << u"abcde,abcd."_s << 30 << 36 << QStringList {u"abcde,"_s, u"abcd."_s};
}

void TestMessageLayout::punctuation()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(int, expectedWidth);
    QFETCH(QStringList, expectedLines);
    const ML::WrappedMessage result = ML::widenForPunctuation(width, [&text](int w) { return wrapByWidth(text, w); });
    QCOMPARE(result.width, expectedWidth);
    QCOMPARE(result.lines, expectedLines);
}

QTEST_APPLESS_MAIN(TestMessageLayout)
#include "tst_messagelayout.moc"
