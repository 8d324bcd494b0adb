#include "keywordtable.h"
#include "marrowdaleerror.h"
#include "messagetable.h"
#include "userprompts.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString Root = u"/data/Sorted"_s;

// Answers the keyword input and the yes/no question as scripted; records the proposal.
class ScriptedPrompts : public UserPrompts
{
public:
    QString answer;
    int yesNo = No;
    QString proposed;

    int msgBox(const QString &, const QString &, const QString &, int) override { return yesNo; }
    QString receiveString(const QString &, const QString &, const QString &, const QString &defaultText, int,
                          int) override
    {
        proposed = defaultText;
        return answer;
    }
    int askYesNo(const QString &, const QString &) override { return No; }
    int askOkCancel(const QString &, const QString &) override { return Cancel; }
    int confirmMove(const QString &) override { return Cancel; }
    void notify(const QString &) override {}
    std::optional<QString> chooseFolder(const QString &, int) override { return std::nullopt; }
    int chooseKeyword(const QString &, const QStringList &, int *) override { return 3; }
    QString inputBox(const QString &, const QString &, const QString &defaultText) override { return defaultText; }
};

QStringList describe(const KeywordTable &table)
{
    QStringList rows;
    for (const KeywordEntry &e : table.entries())
        rows << u"%1|%2|%3/%4|%5"_s.arg(e.keyword, e.destination).arg(e.usedCount).arg(e.searchCount).arg(e.line);
    return rows;
}

QString padded(const QString &keyword, int blanks, const QString &rest)
{
    return keyword + QString(blanks, u' ') + u" -> "_s + rest;
}

} // namespace

class TestKeywordTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("errorLine");

        QTest::newRow("relative, not counted") << u"news -> ../News"_s << Root
                                               << QStringList{u"news|/data/Sorted/News|0/-1|0"_s} << 0;
        QTest::newRow("blanks, backslashes, trailer")
            << u"  News  ->  /mnt/Mail\\News   << 2/40\r\n"_s << Root << QStringList{u"News|/mnt/Mail/News|2/40|0"_s}
            << 0;
        QTest::newRow("backslash short form") << u"x -> ..\\News\\Daily"_s << Root
                                              << QStringList{u"x|/data/Sorted/News/Daily|0/-1|0"_s} << 0;
        QTest::newRow("dots alone") << u"x -> .."_s << Root << QStringList{u"x|/data/Sorted|0/-1|0"_s} << 0;
        QTest::newRow("dots inside a name") << u"x -> /data/a..b"_s << Root << QStringList{u"x|/data/a..b|0/-1|0"_s}
                                            << 0;
        QTest::newRow("empty root") << u"x -> ../News"_s << QString() << QStringList{u"x|/News|0/-1|0"_s} << 0;
        QTest::newRow("root slash not doubled") << u"x -> ../News"_s << u"/"_s << QStringList{u"x|/News|0/-1|0"_s} << 0;
        QTest::newRow("lines without entry keep line numbering")
            << u"no arrow << 1/5\n\nabc ->\n-> /x\nnews -> ../News << 3/9\n"_s << Root
            << QStringList{u"news|/data/Sorted/News|3/9|4"_s} << 0;
        QTest::newRow("one character after << skipped") << u"x -> /x <<12/40"_s << Root
                                                          << QStringList{u"x|/x|2/40|0"_s} << 0;
        QTest::newRow("not a number stops, earlier entries stay")
            << u"a -> /a << 1/2\nb -> /b << x/3\nc -> /c"_s << Root << QStringList{u"a|/a|1/2|0"_s} << 2;
        QTest::newRow("no slash") << u"a -> /a << 5"_s << Root << QStringList() << 1;
        QTest::newRow("<<1/1 loses its used count") << u"a -> /a\nb -> /b <<1/1"_s << Root
                                                    << QStringList{u"a|/a|0/-1|0"_s} << 2;
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, root);
        QFETCH(QStringList, entries);
        QFETCH(int, errorLine);

        KeywordTable table;
        table.parse(u"stale -> /x << 9/9"_s, Root);
        table.parse(text, root);
        QCOMPARE(describe(table), entries);
        QCOMPARE(table.error() ? table.error()->lineNumber : 0, errorLine);
        if (errorLine > 0) {
            QVERIFY(table.error()->message().contains(QString::number(errorLine)));
            QVERIFY(table.error()->message().contains(table.error()->line));
            QVERIFY(table.lastLineDestination().isEmpty());
        }
    }

    void match_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("path");
        QTest::addColumn<MatchResult>("expected");

        QTest::newRow("capitals compare as written") << u"NEWS"_s << u"/in/news.htm"_s << MatchResult::None;
        QTest::newRow("mixed case ignores case") << u"News"_s << u"/in/NEWS.htm"_s << MatchResult::Match;
        QTest::newRow("full-width capitals") << u"ＮＥＷＳ"_s << u"/in/NEWS.htm"_s << MatchResult::Match;
        QTest::newRow("full-width path") << u"news"_s << u"/in/ｎｅｗｓ.htm"_s << MatchResult::Match;
        QTest::newRow("full-width capitals in path") << u"news"_s << u"/in/ＮＥＷＳ.htm"_s << MatchResult::Match;
        QTest::newRow("katakana widths") << u"ニュース"_s << u"/in/ﾆｭｰｽ.htm"_s << MatchResult::Match;
        QTest::newRow("ideographic space") << u"a　b"_s << u"/in/a b.htm"_s << MatchResult::Match;
        QTest::newRow("question mark asks") << u"news?"_s << u"/in/news.htm"_s << MatchResult::ConfirmEachTime;
        QTest::newRow("question mark alone never") << u"?"_s << u"/in/news.htm"_s << MatchResult::None;
        QTest::newRow("folder part") << u"daily"_s << u"/in/Daily/a.htm"_s << MatchResult::Match;
        QTest::newRow("long path beyond 255") << u"tail"_s << QString(300, u'ｘ') + u"/tail.htm"_s
                                              << MatchResult::Match;
    }

    void match()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, path);
        QFETCH(MatchResult, expected);

        KeywordTable table;
        table.parse(keyword + u" -> /x"_s, Root);
        QCOMPARE(table.size(), 1);
        QCOMPARE(matchKeyword(table[0], preparePath(path)), expected);

        KeywordEntry byHand;
        byHand.keyword = keyword;
        byHand.destination = u"/x"_s;
        QCOMPARE(matchKeyword(byHand, path), expected);
    }

    void rewrite_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("sift");
        QTest::addColumn<int>("denominator");
        QTest::addColumn<bool>("firstRun");
        QTest::addColumn<QString>("expected");

        QTest::newRow("sift 2000") << u"a -> /x << 1/2000\nb -> /x << 2/2000\nc -> /x << 0/1999\nd -> /x\n"_s << true
                                   << 2000 << false << u"b -> /x    << 2/2000\nc -> /x    << 0/1999\nd -> /x\n"_s;
        QTest::newRow("sift off writes uncounted trailer") << u"d -> /x\ne -> /x << 1/-1"_s << false << 2000 << false
                                                           << u"d -> /x    << 0/-1\ne -> /x    << 1/-1\n"_s;
        QTest::newRow("first run resets counted lines") << u"b -> /x << 7/9000\nd -> /x\n"_s << true << 1000 << true
                                                        << u"b -> /x    << 1/1\nd -> /x\n"_s;
        QTest::newRow("sorted, slashes, blanks, empty lines")
            << u"zeta -> ..\\Z   \r\n\n  \nAlpha -> /a\t\nbeta -> /b\n"_s << true << 1000 << false
            << u"Alpha -> /a\nbeta -> /b\nzeta -> ../Z\n"_s;
        QTest::newRow("bad trailer kept as written") << u"b -> /y << x/3\na -> /x << 1/2"_s << true << 1000 << false
                                                     << u"a -> /x    << 1/2\nb -> /y << x/3\n"_s;
        QTest::newRow("denominator zero retires nothing") << u"a -> /x << 0/5000"_s << true << 0 << false
                                                          << u"a -> /x    << 0/5000\n"_s;
        QTest::newRow("used count times 10000 overflows") << u"a -> /x << 300000/300000"_s << true << 100 << false
                                                          << u"a -> /x    << 300000/300000\n"_s;
        QTest::newRow("empty list") << QString() << true << 1000 << false << QString();
    }

    void rewrite()
    {
        QFETCH(QString, text);
        QFETCH(bool, sift);
        QFETCH(int, denominator);
        QFETCH(bool, firstRun);
        QFETCH(QString, expected);

        const RewriteOptions options{sift, denominator, firstRun};
        KeywordTable other;
        other.parse(u"other -> /o << 5/5"_s, Root);
        QCOMPARE(rewriteKeywordList(text, other, Root, options), expected);
        KeywordTable same;
        same.parse(text, Root);
        QCOMPARE(rewriteKeywordList(text, same, Root, options), expected);
    }

    void rewriteWritesLiveCounters()
    {
        const QString text = u"news -> ../News << 1/10\nnote << 4/4\n"_s;
        KeywordTable table;
        table.parse(text, Root);
        table[0].usedCount = 5;
        table[0].searchCount = 11;
        QCOMPARE(table.countersOfLine(0), (KeywordCounters{5, 11}));
        QCOMPARE(rewriteKeywordList(text, table, Root, RewriteOptions{false, 1000, false}),
                 u"news -> ../News    << 5/11\nnote    << 4/4\n"_s);
    }

    void offer_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("yesNo");
        QTest::addColumn<QString>("expected"); // empty: nothing added

        const int yes = UserPrompts::Yes;
        const int no = UserPrompts::No;
        QTest::newRow("question mark moves up, yes") << u"/data/Sorted/News/Daily"_s << u"News?"_s << yes
                                                     << padded(u"News?"_s, 15, u"../News    << 1/1"_s);
        QTest::newRow("question mark one level below root") << u"/data/Sorted/News"_s << u"n?"_s << no
                                                            << padded(u"n?"_s, 18, u"../News"_s);
        QTest::newRow("question mark at root") << u"/data/Sorted"_s << u"n?"_s << no << padded(u"n?"_s, 18, u".."_s);
        QTest::newRow("outside root, no") << u"/other"_s << u"other"_s << no << padded(u"other"_s, 15, u"/other"_s);
        QTest::newRow("outside root, question mark") << u"/other/News/Daily"_s << u"daily?"_s << no
                                                     << padded(u"daily?"_s, 14, u"/other/News"_s);
        QTest::newRow("japanese counts characters") << u"/data/Sorted/News/Daily"_s << u"ニュース"_s << yes
                                                    << padded(u"ニュース"_s, 16, u"../News/Daily    << 1/1"_s);
        QTest::newRow("surrogate pair is one character") << u"/data/Sorted/F"_s << u"𠮷野家"_s << no
                                                         << padded(u"𠮷野家"_s, 17, u"../F"_s);
        QTest::newRow("long keyword gets no pad") << u"/data/Sorted/F"_s << u"abcdefghijklmnopqrstuv"_s << no
                                                  << padded(u"abcdefghijklmnopqrstuv"_s, 0, u"../F"_s);
        QTest::newRow("cancelled") << u"/data/Sorted/F"_s << QString() << yes << QString();
        QTest::newRow("blank answer adds nothing") << u"/data/Sorted/F"_s << u"   "_s << yes << QString();
    }

    void offer()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, answer);
        QFETCH(int, yesNo);
        QFETCH(QString, expected);

        ScriptedPrompts prompts;
        prompts.answer = answer;
        prompts.yesNo = yesNo;
        const std::optional<QString> line =
            offerKeyword(prompts, MessageTable(), u"/in/Daily News.htm"_s, Root, chosen);
        QCOMPARE(prompts.proposed, u"Daily News"_s);
        QCOMPARE(line.value_or(QString()), expected);
        if (line) {
            KeywordTable table; // the learned line reads back as one entry
            table.parse(*line, Root);
            QCOMPARE(table.size(), 1);
            QCOMPARE(table[0].keyword, answer);
        }
    }

    void offerRefusesKeywordsThatBreakTheLine()
    {
        ScriptedPrompts prompts;
        for (const QString &answer : {u"a->b"_s, u"a<<b"_s}) {
            prompts.answer = answer;
            QVERIFY_THROWS_EXCEPTION(MarrowdaleError,
                                     offerKeyword(prompts, MessageTable(), u"x.htm"_s, Root, u"/data/Sorted/F"_s));
        }
    }

    void volume_data()
    {
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("expected");
        QTest::newRow("media") << u"/media/ann/USB/News"_s << u"/media/ann/USB"_s;
        QTest::newRow("run media") << u"/run/media/ann/USB"_s << u"/run/media/ann/USB"_s;
        QTest::newRow("mnt") << u"/mnt/disk/a/b"_s << u"/mnt/disk"_s;
        QTest::newRow("media without name") << u"/media/ann"_s << u"/"_s;
        QTest::newRow("other") << u"/data/Sorted/News"_s << u"/"_s;
        QTest::newRow("relative") << u"News"_s << u"/"_s;
    }

    void volume()
    {
        QFETCH(QString, destination);
        QFETCH(QString, expected);
        QCOMPARE(volumeFolder(destination), expected);
    }

    void driveCheck_data()
    {
        const QString missing = u"/mnt/marrowdale-absent-volume-7f3a"_s;
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("last line on a missing volume") << u"a -> /x\nb -> "_s + missing + u"/News"_s
                                                       << missing + u" "_s + MessageTable().text(20);
        QTest::newRow("only the last line counts") << u"b -> "_s + missing + u"\nnote"_s << QString();
        QTest::newRow("root volume") << u"b -> /data/x"_s << QString();
        QTest::newRow("no lines") << QString() << QString();
    }

    void driveCheck()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        KeywordTable table;
        table.parse(text, Root);
        QCOMPARE(driveCheckMessage(table, MessageTable()).value_or(QString()), expected);
    }
};

QTEST_GUILESS_MAIN(TestKeywordTable)
#include "tst_keywordtable.moc"
