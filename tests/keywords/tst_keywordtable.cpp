#include "keywordtable.h"
#include "messagetable.h"
#include "scriptedprompts.h"

#include <QTest>

#include <unicode/translit.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString Root = u"/data/Sorted"_s;

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
        QTest::addColumn<QStringList>("entries"); // keyword|destination|used/search|line
        QTest::addColumn<int>("errorLine");
        auto row = [](const char *name, const QString &text, const QStringList &entries, int errorLine = 0,
                      const QString &root = Root) { QTest::newRow(name) << text << root << entries << errorLine; };

        row("relative, not counted", u"news -> ../News"_s, {u"news|/data/Sorted/News|0/-1|0"_s});
        row("blanks, backslashes, trailer", u"  News  ->  /mnt/Mail\\News   << 2/40\r\n"_s,
            {u"News|/mnt/Mail/News|2/40|0"_s});
        row("backslash short form, dots alone, dots in a name", u"x -> ..\\News\\Daily\ny -> ..\nz -> /d/a..b"_s,
            {u"x|/data/Sorted/News/Daily|0/-1|0"_s, u"y|/data/Sorted|0/-1|1"_s, u"z|/d/a..b|0/-1|2"_s});
        row("empty root", u"x -> ../News"_s, {u"x|/News|0/-1|0"_s}, 0, QString());
        row("root slash not doubled", u"x -> ../News"_s, {u"x|/News|0/-1|0"_s}, 0, u"/"_s);
        row("lines without entry keep line numbering", u"no arrow << 1/5\n\nabc ->\n-> /x\nnews -> ../N << 3/9\n"_s,
            {u"news|/data/Sorted/N|3/9|4"_s});
        row("one character after << skipped", u"x -> /x <<12/40"_s, {u"x|/x|2/40|0"_s});
        row("not a number stops, earlier entries stay", u"a -> /a << 1/2\nb -> /b << x/3\nc -> /c"_s, {u"a|/a|1/2|0"_s},
            2);
        row("no slash", u"a -> /a << 5"_s, {}, 1);
        row("<<1/1 loses its used count", u"a -> /a\nb -> /b <<1/1"_s, {u"a|/a|0/-1|0"_s}, 2);
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
        QStringList got;
        for (const KeywordEntry &e : table.entries())
            got << u"%1|%2|%3/%4|%5"_s.arg(e.keyword, e.destination).arg(e.usedCount).arg(e.searchCount).arg(e.line);
        QCOMPARE(got, entries);
        QCOMPARE(table.error() ? table.error()->lineNumber : 0, errorLine);
        if (errorLine > 0)
            QVERIFY(table.error()->message().contains(QString::number(errorLine))
                    && table.error()->message().contains(table.error()->line));
    }

    void match_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("path");
        QTest::addColumn<MatchResult>("expected");
        auto row = [](const char *name, const QString &keyword, const QString &path, MatchResult expected) {
            QTest::newRow(name) << keyword << path << expected;
        };

        row("capitals compare as written", u"NEWS"_s, u"/in/news.htm"_s, MatchResult::None);
        row("mixed case ignores case", u"News"_s, u"/in/NEWS.htm"_s, MatchResult::Match);
        row("full-width capitals", u"ＮＥＷＳ"_s, u"/in/NEWS.htm"_s, MatchResult::Match);
        row("full-width path", u"news"_s, u"/in/ｎｅｗｓ.htm"_s, MatchResult::Match);
        row("katakana widths", u"ニュース"_s, u"/in/ﾆｭｰｽ.htm"_s, MatchResult::Match);
        row("ideographic space", u"a　b"_s, u"/in/a b.htm"_s, MatchResult::Match);
        row("question mark asks", u"news?"_s, u"/in/news.htm"_s, MatchResult::ConfirmEachTime);
        row("question mark alone never", u"?"_s, u"/in/news.htm"_s, MatchResult::None);
        row("folder part", u"daily"_s, u"/in/Daily/a.htm"_s, MatchResult::Match);
        row("path beyond 255 characters", u"tail"_s, QString(300, u'ｘ') + u"/tail.htm"_s, MatchResult::Match);
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
        QCOMPARE(matchKeyword(byHand, path), expected);
    }

    // The same keyword lines against what a page is: its title and the address it was saved from.
    void matchesPages_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("found"); // "name", "title", "address", "asks" (each time), or "" for none

        const QString nhk = u"https://www3.nhk.or.jp/news/html/1.html"_s;
        QTest::newRow("plain keyword in the name first") << u"report"_s << u"report"_s << QString() << u"name"_s;
        QTest::newRow("plain keyword in the title, full-width there") << u"weekly"_s << u"ＷＥＥＫＬＹ news"_s
                                                                        << QString() << u"title"_s;
        QTest::newRow("plain keyword in the address") << u"nhk"_s << QString() << nhk << u"address"_s;
        QTest::newRow("site: a subdomain") << u"site:nhk.or.jp"_s << QString() << nhk << u"address"_s;
        QTest::newRow("site: no subdomain of another name") << u"site:k.or.jp"_s << QString() << nhk << QString();
        QTest::newRow("site: a name that only starts alike")
            << u"site:nhk.or.jp"_s << QString() << u"https://nhk.or.jp.example.net/"_s << QString();
        QTest::newRow("site: in capitals") << u"SITE:NHK.OR.JP"_s << QString() << nhk << u"address"_s;
        QTest::newRow("site: written in Unicode, host in xn--")
            << u"site:日本語.jp"_s << QString() << u"https://xn--wgv71a119e.jp/a"_s << u"address"_s;
        QTest::newRow("site: written in xn--, host in Unicode")
            << u"site:xn--wgv71a119e.jp"_s << QString() << u"https://日本語.jp/a"_s << u"address"_s;
        QTest::newRow("site: asks each time") << u"site:nhk.or.jp?"_s << QString() << nhk << u"asks"_s;
        QTest::newRow("title: the title only") << u"title:report"_s << u"Annual Report"_s << nhk << u"title"_s;
        QTest::newRow("title: not the name") << u"title:page"_s << u"Other"_s << QString() << QString();
        QTest::newRow("title: in capitals is case-sensitive") << u"title:REPORT"_s << u"Annual Report"_s << QString()
                                                              << QString();
        QTest::newRow("url: anywhere in the address") << u"url:/news/"_s << QString() << nhk << u"address"_s;
        QTest::newRow("url: not the title") << u"url:news"_s << u"news"_s << QString() << QString();
    }
    void matchesPages()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, title);
        QFETCH(QString, address);
        QFETCH(QString, found);
        KeywordTable table;
        table.parse(keyword + u" -> ../X"_s, Root);
        QCOMPARE(table.size(), 1);
        const QString path = u"/data/in/"_s + (found == u"name"_s ? keyword : u"page"_s) + u".htm"_s;
        MatchedIn where = MatchedIn::Name;
        const MatchResult result = matchKeyword(table[0], preparePage(path, title, address, true), &where);
        const QStringList words {u"name"_s, u"title"_s, u"address"_s};
        const QString got = result == MatchResult::None ? QString()
            : result == MatchResult::ConfirmEachTime    ? u"asks"_s
                                                        : words.at(int(where));
        QCOMPARE(got, found);
        // With the option off, a plain keyword looks at the name only; the other forms are unchanged.
        const MatchResult off = matchKeyword(table[0], preparePage(path, title, address, false), &where);
        QCOMPARE(off != MatchResult::None, found == u"name"_s || (!found.isEmpty() && keyword.contains(u':')));
        // Without the page's facts, only a plain keyword in the name matches.
        const MatchResult namesOnly = matchKeyword(table[0], preparePage(path, {}, {}, false), &where);
        QCOMPARE(namesOnly != MatchResult::None, found == u"name"_s);
    }

    void preparesPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folded");
        QTest::addColumn<QString>("foldedLower");
        auto row = [](const char *name, const QString &path, const QString &folded, const QString &lower) {
            QTest::newRow(name) << path << folded << lower;
        };

        row("lower case stays", u"/in/news.htm"_s, u"/in/news.htm"_s, u"/in/news.htm"_s);
        row("capitals lowered", u"/In/NEWS.Htm"_s, u"/In/NEWS.Htm"_s, u"/in/news.htm"_s);
        row("signs beside the capitals stay", u"/@[`{AZ]"_s, u"/@[`{AZ]"_s, u"/@[`{az]"_s);
        row("full width after capitals", u"/IN/ＮＥＷＳ"_s, u"/IN/NEWS"_s, u"/in/news"_s);
        row("capitals beyond ASCII", u"/ÄÖ/É"_s, u"/ÄÖ/É"_s, u"/äö/é"_s);
        row("empty", QString(), QString(), QString());
    }

    void preparesPath()
    {
        QFETCH(QString, path);
        const PreparedPath prepared = preparePath(path);
        QTEST(prepared.folded, "folded");
        QTEST(prepared.foldedLower, "foldedLower");
    }

    // The quick test that spares most paths the transliterator must let through every unit it changes.
    void halfWidthFoldsWhatIcuFolds()
    {
        UErrorCode status = U_ZERO_ERROR;
        const std::unique_ptr<icu::Transliterator> icu(
            icu::Transliterator::createInstance(icu::UnicodeString(u"Fullwidth-Halfwidth"), UTRANS_FORWARD, status));
        QVERIFY(U_SUCCESS(status));
        for (char32_t c = 0x20; c < 0x10000; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            icu::UnicodeString folded {UChar32(c)};
            icu->transliterate(folded);
            const QString text = u"a"_s + QChar(char16_t(c));
            QCOMPARE(toHalfWidth(text),
                     u"a"_s + QString(reinterpret_cast<const QChar *>(folded.getBuffer()), folded.length()));
        }
    }

    void rewrite_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<RewriteOptions>("options");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const QString &text, RewriteOptions options, const QString &expected) {
            QTest::newRow(name) << text << options << expected;
        };

        row("sift 2000", u"a -> /x << 1/2000\nb -> /x << 2/2000\nc -> /x << 0/1999\nd -> /x\n"_s, {true, 2000, false},
            u"b -> /x    << 2/2000\nc -> /x    << 0/1999\nd -> /x\n"_s);
        row("sift off writes uncounted trailer", u"d -> /x\ne -> /x << 1/-1"_s, {false, 2000, false},
            u"d -> /x    << 0/-1\ne -> /x    << 1/-1\n"_s);
        row("first run resets counted lines", u"b -> /x << 7/9000\nd -> /x\n"_s, {true, 1000, true},
            u"b -> /x    << 1/1\nd -> /x\n"_s);
        row("first run leaves 0/0 uncounted", u"z -> /x << 0/0\n"_s, {true, 1000, true}, u"z -> /x\n"_s);
        row("sorted, slashes, blanks, empty lines", u"zeta -> ..\\Z   \r\n\n  \nalpha -> /a\t\nBeta -> /b\n"_s,
            {true, 1000, false}, u"alpha -> /a\nBeta -> /b\nzeta -> ../Z\n"_s);
        row("bad trailer kept as written", u"b -> /y << x/3\na -> /x << 1/2"_s, {true, 1000, false},
            u"a -> /x    << 1/2\nb -> /y << x/3\n"_s);
        row("denominator zero retires nothing", u"a -> /x << 0/5000"_s, {true, 0, false}, u"a -> /x    << 0/5000\n"_s);
        row("used count times 10000 overflows", u"a -> /x << 300000/300000"_s, {true, 100, false},
            u"a -> /x    << 300000/300000\n"_s);
    }

    void rewrite()
    {
        QFETCH(QString, text);
        QFETCH(RewriteOptions, options);
        QFETCH(QString, expected);

        KeywordTable other, same;
        other.parse(u"other -> /o << 5/5"_s, Root);
        QCOMPARE(rewriteKeywordList(text, other, options), expected);
        same.parse(text, Root);
        QCOMPARE(rewriteKeywordList(text, same, options), expected);
    }

    void rewriteWritesLiveCounters()
    {
        const QString text = u"news -> ../News << 1/10\nnote << 4/4\n"_s;
        KeywordTable table;
        table.parse(text, Root);
        table[0].usedCount = 5;
        table[0].searchCount = 11;
        QCOMPARE(rewriteKeywordList(text, table, RewriteOptions {false, 1000, false}),
                 u"news -> ../News    << 5/11\nnote    << 4/4\n"_s);
    }

    // Searches are tallied and added when the counters are read: the sum must be that of adding each one
    // at once.
    void countsSearches_data()
    {
        QTest::addColumn<QList<int>>("steps"); // entries a search tested, or one of the steps below
        QTest::addColumn<QList<int>>("counts"); // search counts of a, b, c, d afterwards
        const int read = -1, parseAgain = -2, setFirst = -3; // setFirst: a's count set to 20 by hand
        auto row = [](const char *name, const QList<int> &steps, const QList<int> &counts) {
            QTest::newRow(name) << steps << counts;
        };

        row("no search", {}, {1, -1, 5, 3});
        row("a whole walk counts every counted entry", {4}, {2, -1, 6, 4});
        row("a walk ends after the entries it tested", {1}, {2, -1, 5, 3});
        row("walks of every length add up", {4, 1, 3, 0}, {4, -1, 7, 4});
        row("beyond the table counts as the whole table", {9}, {2, -1, 6, 4});
        row("read in between: nothing added twice", {4, read, 4, read}, {3, -1, 7, 5});
        row("a new parse forgets the searches before it", {4, parseAgain, 1}, {2, -1, 5, 3});
        row("a count set by hand comes after the searches before it", {4, setFirst, 1}, {21, -1, 6, 4});
    }

    void countsSearches()
    {
        QFETCH(QList<int>, steps);
        QFETCH(QList<int>, counts);
        const QString text = u"a -> /a << 1/1\nb -> /b\nc -> /c << 0/5\nd -> /d << 2/3\n"_s;
        KeywordTable table;
        table.parse(text, Root);
        for (const int step : std::as_const(steps)) {
            if (step == -1)
                table.entries();
            else if (step == -2)
                table.parse(text, Root);
            else if (step == -3)
                table[0].searchCount = 20;
            else
                table.countSearches(step);
        }
        QList<int> fromLines;
        for (int line = 0; line < 4; ++line)
            fromLines.append(table.countersOfLine(line).search);
        QCOMPARE(fromLines, counts);
        QList<int> fromEntries;
        for (const KeywordEntry &entry : table.entries())
            fromEntries.append(entry.searchCount);
        QCOMPARE(fromEntries, counts);
    }

    void offer_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("yesNo");
        QTest::addColumn<QString>("expected"); // empty: nothing added
        auto row = [](const char *name, const QString &chosen, const QString &answer, int yesNo,
                      const QString &expected) { QTest::newRow(name) << chosen << answer << yesNo << expected; };
        const int yes = UserPrompts::Yes, no = UserPrompts::No;

        row("question mark moves up, yes", u"/data/Sorted/News/Daily"_s, u"News?"_s, yes,
            padded(u"News?"_s, 15, u"../News    << 1/1"_s));
        row("question mark moves up one level only", u"/data/Sorted/News/Daily/Sub"_s, u"News?"_s, yes,
            padded(u"News?"_s, 15, u"../News/Daily    << 1/1"_s));
        row("question mark at root", u"/data/Sorted"_s, u"n?"_s, no, padded(u"n?"_s, 18, u".."_s));
        row("outside root, no", u"/other"_s, u"other"_s, no, padded(u"other"_s, 15, u"/other"_s));
        row("outside root, question mark", u"/other/News/Daily"_s, u"daily?"_s, no,
            padded(u"daily?"_s, 14, u"/other/News"_s));
        // Wide characters take two columns of the list's fixed-pitch font, half-width kana one.
        row("japanese pads by display width", u"/data/Sorted/News/Daily"_s, u"ニュース"_s, yes,
            padded(u"ニュース"_s, 12, u"../News/Daily    << 1/1"_s));
        row("half-width kana take one column", u"/data/Sorted/F"_s, u"ﾆｭｰｽ"_s, no, padded(u"ﾆｭｰｽ"_s, 16, u"../F"_s));
        row("surrogate pair is one wide character", u"/data/Sorted/F"_s, u"𠮷野家"_s, no,
            padded(u"𠮷野家"_s, 14, u"../F"_s));
        row("cancelled", u"/data/Sorted/F"_s, QString(), yes, QString());
        row("blank answer adds nothing", u"/data/Sorted/F"_s, u"   "_s, yes, QString());
    }

    void offer()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, answer);
        QFETCH(int, yesNo);
        QFETCH(QString, expected);

        ScriptedPrompts prompts;
        prompts.stringAnswers = {answer};
        prompts.msgBoxAnswers = {yesNo};
        const std::optional<QString> line
            = offerKeyword(prompts, MessageTable(), u"/in/Daily News.htm"_s, Root, chosen);
        QCOMPARE(prompts.askedOf(u"receiveString"_s),
                 QStringList {u"Please extract a keyword, then click [OK]. [Daily News]"_s});
        QCOMPARE(line.value_or(QString()), expected);
        if (line) { // the learned line reads back as one entry
            KeywordTable table;
            table.parse(*line, Root);
            QCOMPARE(table.size(), 1);
            QCOMPARE(table[0].keyword, answer);
        }
    }

    void offerRefusesKeywordsThatBreakTheLine()
    {
        for (const QString &answer : {u"a->b"_s, u"a<<b"_s}) {
            ScriptedPrompts prompts;
            prompts.stringAnswers = {answer};
            QCOMPARE(offerKeyword(prompts, MessageTable(), u"x"_s, Root, Root), std::nullopt);
            QCOMPARE(prompts.askedOf(u"notify"_s).size(), 1);
        }
    }

    // A folder name that holds "<<" used to end the destination early and stop the parse at that line.
    void offerRefusesFoldersThatBreakTheLine_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("refused");
        QTest::newRow("<< in the folder") << u"/data/Sorted/a<<b"_s << u"a"_s << true;
        QTest::newRow("-> in the folder") << u"/data/Sorted/a->b"_s << u"a"_s << true;
        QTest::newRow("outside the parent folder") << u"/other/x<<y/z"_s << u"z"_s << true;
        QTest::newRow("line break in the folder") << u"/data/Sorted/a\nb"_s << u"a"_s << true;
        QTest::newRow("question mark leaves that folder out") << u"/data/Sorted/News/a<<b"_s << u"n?"_s << false;
    }
    void offerRefusesFoldersThatBreakTheLine()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, answer);
        QFETCH(bool, refused);
        ScriptedPrompts prompts;
        prompts.stringAnswers = {answer};
        const std::optional<QString> line = offerKeyword(prompts, MessageTable(), u"/in/a.htm"_s, Root, chosen);
        QCOMPARE(!line, refused);
        QCOMPARE(prompts.askedOf(u"notify"_s).size(), refused ? 1 : 0);
        if (line) {
            KeywordTable table;
            table.parse(*line, Root);
            QCOMPARE(table.size(), 1);
            QVERIFY(!table.error());
        }
    }

    void rewriteReportsRetiredLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<RewriteOptions>("options");
        QTest::addColumn<QStringList>("retired");
        QTest::newRow("lines as they stood, in list order")
            << u"z -> \\x << 1/2000\nb -> /x << 2/2000\na -> /y   <<  1/2000\n"_s << RewriteOptions {true, 2000, false}
            << QStringList {u"z -> \\x << 1/2000"_s, u"a -> /y   <<  1/2000"_s};
        QTest::newRow("sift off retires nothing")
            << u"a -> /x << 1/2000\n"_s << RewriteOptions {false, 2000, false} << QStringList();
        QTest::newRow("first run counts afresh")
            << u"a -> /x << 1/9000\n"_s << RewriteOptions {true, 1000, true} << QStringList();
    }
    void rewriteReportsRetiredLines()
    {
        QFETCH(QString, text);
        QFETCH(RewriteOptions, options);
        QStringList retired;
        KeywordTable table;
        table.parse(text, Root);
        const QString rewritten = rewriteKeywordList(text, table, options, &retired);
        QTEST(retired, "retired");
        // Nothing is lost: every line is either kept or reported.
        QCOMPARE(keywordListLines(rewritten).size() + retired.size(), keywordListLines(text).size());
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
    }

    void volume()
    {
        QFETCH(QString, destination);
        QFETCH(QString, expected);
        QCOMPARE(volumeFolder(destination), expected);
    }

    void driveCheck()
    {
        const QString missing = u"/mnt/marrowdale-absent-volume-7f3a"_s;
        const std::pair<QString, QString> cases[]
            = {{u"a -> /x\nb -> "_s + missing + u"/News"_s, missing + u" "_s + MessageTable().text(20)},
               {u"b -> "_s + missing + u"\nnote"_s, QString()}, // only the last line is checked
               {u"b -> /data/x"_s, QString()}};
        for (const auto &[text, expected] : cases) {
            KeywordTable table;
            table.parse(text, Root);
            QCOMPARE(driveCheckMessage(table, MessageTable()).value_or(QString()), expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestKeywordTable)
#include "tst_keywordtable.moc"
