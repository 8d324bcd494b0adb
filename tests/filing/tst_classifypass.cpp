#include "classifypass.h"
#include "keywordtable.h"
#include "mainview.h"
#include "messagetable.h"
#include "movejournal.h"
#include "testfiles.h"
#include "userprompts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Answers every question from a script of "kind:answer" tokens, in order, and records what was asked.
// A question that meets no token, or a token of another kind, is noted as a problem.
class ScriptedPrompts : public UserPrompts
{
public:
    ScriptedPrompts(const QString &base, QStringList &trace)
        : m_base(base)
        , m_trace(trace)
    { }

    QStringList script, texts, problems, candidates;
    std::function<void(const QString &kind)> onAsk;

    int msgBox(const QString &msg, const QString &, const QString &, int) override { return code(take(u"msg"_s, msg)); }
    QString receiveString(const QString &, const QString &, const QString &, const QString &base, int, int) override
    {
        return take(u"string"_s, base);
    }
    int askYesNo(const QString &text, const QString &) override { return code(take(u"yesno"_s, text)); }
    int askOkCancel(const QString &text, const QString &) override { return code(take(u"okcancel"_s, text)); }
    int confirmMove(const QString &text) override { return code(take(u"confirm"_s, text)); }
    void notify(const QString &text) override { take(u"notify"_s, text); }
    std::optional<QString> chooseFolder(const QString &start, int) override
    {
        const QString answer = take(u"folder"_s, start);
        return answer.isEmpty() ? std::nullopt : std::optional(m_base + u'/' + answer);
    }
    int chooseKeyword(const QString &fileName, const QStringList &list, int *selected) override
    {
        candidates = list;
        const QStringList answer = take(u"keyword"_s, fileName).split(u':');
        *selected = answer.size() > 1 ? answer.at(1).toInt() : -1;
        return answer.at(0).isEmpty() ? 3 : answer.at(0).toInt();
    }
    QString inputBox(const QString &, const QString &prompt, const QString &defaultText) override
    {
        take(u"input"_s, prompt);
        return defaultText;
    }

private:
    // An unscripted question gets an answer that ends the pass.
    static int code(const QString &word)
    {
        static const QHash<QString, int> codes {
            {u"OK"_s, Ok}, {u"Cancel"_s, Cancel}, {u"Abort"_s, Abort}, {u"Yes"_s, Yes}, {u"No"_s, No}};
        return codes.value(word, Abort);
    }

    QString take(const QString &kind, const QString &text)
    {
        m_trace.append(u"ask:"_s + kind);
        texts.append(text);
        if (onAsk)
            onAsk(kind);
        const QString token = script.isEmpty() ? QString() : script.takeFirst();
        const qsizetype colon = token.indexOf(u':');
        if (token.left(colon) != kind) {
            problems.append(u"asked "_s + kind + u" where the script has "_s + token);
            return QString();
        }
        return colon < 0 ? QString() : token.mid(colon + 1);
    }

    QString m_base;
    QStringList &m_trace;
};

class RecordingView : public MainView
{
public:
    explicit RecordingView(QStringList &trace)
        : m_trace(trace)
    { }

    QString keywordText;

    void appendMove(const LoggedMove &) override { }
    void refreshFileList() override { m_trace.append(u"refresh"_s); }
    void appendKeywordLine(const QString &line) override { keywordText += line + u'\n'; }
    void setProgressVisible(bool visible) override { m_trace.append(u"visible:%1"_s.arg(int(visible))); }
    void setProgress(int percent) override { m_trace.append(u"progress:%1"_s.arg(percent)); }
    void showWait(int percent) override { m_trace.append(u"wait:%1"_s.arg(percent)); }
    void hideWait() override { m_trace.append(u"hideWait"_s); }

private:
    QStringList &m_trace;
};

// A source folder "in", a root folder "Sorted" and a regular file "blocker" that no folder can be made under.
// Keywords starting with "#" cannot occur in the sandbox's own path, so they match file names only.
struct Sandbox
{
    QTemporaryDir dir;
    QString base = dir.path(), root = base + u"/Sorted"_s, source = base + u"/in"_s;
    QStringList trace;
    KeywordTable table;
    MessageTable messages;
    ScriptedPrompts prompts {base, trace};
    RecordingView view {trace};
    bool confirm = true;
    MoveJournal journal {base + u"/state/journal.jsonl"_s};
    ClassifyPass pass {table, {prompts, messages, view, &journal}, [this] {
                           return Options {root, true, 1000, confirm};
                       }};

    Sandbox()
    {
        useOwnProgramFolders(base);
        QDir().mkpath(root);
        QDir().mkpath(source);
        QFile(base + u"/blocker"_s).open(QIODevice::WriteOnly);
    }

    void parse(QString keywords)
    {
        table.parse(keywords.replace(u"@BASE@"_s, base).replace(u"@LONG@"_s, QString(300, u'q')), root);
    }

    QStringList makeFiles(const QStringList &names) const
    {
        QStringList paths;
        for (const QString &name : names) {
            QFile file(source + u'/' + name);
            file.open(QIODevice::WriteOnly);
            paths.append(file.fileName());
        }
        return paths;
    }

    QList<int> counts(int KeywordEntry::*field) const
    {
        QList<int> result;
        for (const KeywordEntry &entry : table.entries())
            result.append(entry.*field);
        return result;
    }
};

} // namespace

class TestClassifyPass : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settlesEachFile_data();
    void settlesEachFile();
    void progressAndEmptyFolder();
    void waitWindowOnlyForTheFirstFile_data();
    void waitWindowOnlyForTheFirstFile();
    void questionTexts();
    void learnedKeywordTakesPartAfterReparse();
    void reparseDuringQuestion_data();
    void reparseDuringQuestion();
    void skipsNoEntryThatMatches();
    void companionsFollowAndOnePassIsRecorded_data();
    void companionsFollowAndOnePassIsRecorded();
    void summaryCountsEachFile_data();
    void summaryCountsEachFile();
};

void TestClassifyPass::settlesEachFile_data()
{
    QTest::addColumn<QString>("keywords");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("placed"); // where each file is afterwards, below the sandbox
    QTest::addColumn<QList<int>>("used");
    QTest::addColumn<QList<int>>("search");
    QTest::addColumn<QString>("learned");
    QTest::addColumn<QString>("current"); // the last chooser's folder, below the sandbox

    using L = QList<int>;
    using S = QStringList;
    const QString news = u"news -> ../News    << 0/5"_s, two = u"news -> ../News\npaper -> ../Paper"_s;
    const QString ask = u"paper -> ../Paper\nnews? -> ../News"_s, far = u"zzz -> /@LONG@/x"_s;
    const S one {u"daily news.htm"_s}, pair {u"a news.htm"_s, u"b news.htm"_s}, both {u"news paper.htm"_s};
    const S zzz {u"a zzz.htm"_s, u"b zzz.htm"_s};

    QTest::newRow("one, Yes") << news << one << true << S {u"confirm:Yes"_s} << S {u"Sorted/News/daily news.htm"_s}
                              << L {1} << L {6} << QString() << QString();
    QTest::newRow("one, No, chosen and learned")
        << news << one << true << S {u"confirm:No"_s, u"folder:Sorted/Other"_s, u"string:daily"_s, u"msg:Yes"_s}
        << S {u"Sorted/Other/daily news.htm"_s} << L {1} << L {6} << u"daily                -> ../Other    << 1/1\n"_s
        << u"Sorted/Other"_s;
    QTest::newRow("one, No, cancelled") << news << one << true << S {u"confirm:No"_s, u"folder:"_s}
                                        << S {u"in/daily news.htm"_s} << L {0} << L {6} << QString()
                                        << u"Sorted/News"_s;
    QTest::newRow("unwritable keyword reported, file still moves")
        << news << one << true << S {u"confirm:No"_s, u"folder:Sorted/Other"_s, u"string:a->b"_s, u"notify"_s}
        << S {u"Sorted/Other/daily news.htm"_s} << L {1} << L {6} << QString() << u"Sorted/Other"_s;
    QTest::newRow("one, Abort") << news << pair << true << S {u"confirm:Abort"_s}
                                << S {u"in/a news.htm"_s, u"in/b news.htm"_s} << L {0} << L {6} << QString()
                                << QString();
    QTest::newRow("one, box closed") << news << pair << true << S {u"confirm:Cancel"_s}
                                     << S {u"in/a news.htm"_s, u"in/b news.htm"_s} << L {0} << L {6} << QString()
                                     << QString();
    QTest::newRow("Confirm off") << news << pair << false << S {}
                                 << S {u"Sorted/News/a news.htm"_s, u"Sorted/News/b news.htm"_s} << L {2} << L {7}
                                 << QString() << QString();
    QTest::newRow("no match") << news + u"\nplain -> ../Plain"_s << S {u"other.htm"_s} << true << S {}
                              << S {u"in/other.htm"_s} << L {0, 0} << L {6, -1} << QString() << QString();
    QTest::newRow("several, Select") << two << both << true << S {u"keyword:1:1"_s}
                                     << S {u"Sorted/Paper/news paper.htm"_s} << L {0, 1} << L {-1, -1} << QString()
                                     << QString();
    QTest::newRow("several, Select with no row")
        << two << both << true << S {u"keyword:1:-1"_s} << S {u"Sorted/News/news paper.htm"_s} << L {1, 0} << L {-1, -1}
        << QString() << QString();
    QTest::newRow("several, Neither, chosen")
        << two << both << true << S {u"keyword:2"_s, u"msg:OK"_s, u"folder:Sorted/Other"_s, u"string:"_s}
        << S {u"Sorted/Other/news paper.htm"_s} << L {0, 0} << L {-1, -1} << QString() << u"Sorted/Other"_s;
    QTest::newRow("several, Neither, cancelled")
        << two << both << true << S {u"keyword:2"_s, u"msg:OK"_s, u"folder:"_s} << S {u"in/news paper.htm"_s}
        << L {0, 0} << L {-1, -1} << QString() << u"Sorted/News"_s;
    QTest::newRow("several, Abort") << two << S {u"a news paper.htm"_s, u"b news paper.htm"_s} << true
                                    << S {u"keyword:3"_s} << S {u"in/a news paper.htm"_s, u"in/b news paper.htm"_s}
                                    << L {0, 0} << L {-1, -1} << QString() << QString();
    QTest::newRow("destinations differing in case: one candidate")
        << u"news -> ../News\ndaily -> ../news"_s << one << false << S {} << S {u"Sorted/News/daily news.htm"_s}
        << L {1, 0} << L {-1, -1} << QString() << QString();
    QTest::newRow("relative and absolute destination: one candidate")
        << u"news -> ../News\ndaily -> @BASE@/Sorted/News"_s << one << false << S {}
        << S {u"Sorted/News/daily news.htm"_s} << L {1, 0} << L {-1, -1} << QString() << QString();
    QTest::newRow("ask-each-time chosen, earlier candidate dropped")
        << ask << both << true << S {u"msg:OK"_s, u"folder:Sorted/Picked"_s} << S {u"Sorted/Picked/news paper.htm"_s}
        << L {0, 1} << L {-1, -1} << QString() << u"Sorted/Picked"_s;
    QTest::newRow("ask-each-time cancelled, earlier candidate kept")
        << ask << both << true << S {u"msg:OK"_s, u"folder:"_s, u"confirm:Yes"_s}
        << S {u"Sorted/Paper/news paper.htm"_s} << L {1, 0} << L {-1, -1} << QString() << u"Sorted/News"_s;
    QTest::newRow("entries after an ask-each-time match untested")
        << u"news? -> ../News    << 0/5\npaper -> ../Paper    << 0/5"_s << S {u"news paper.htm"_s, u"other.htm"_s}
        << true << S {u"msg:OK"_s, u"folder:"_s} << S {u"in/news paper.htm"_s, u"in/other.htm"_s} << L {0, 0}
        << L {7, 6} << QString() << u"Sorted/News"_s;
    // A folder below a missing top folder is not made at the first file without a word (the command line
    // leaves such files alone): the missing parent is asked about at each file's move.
    QTest::newRow("missing parent, No ends the pass")
        << far << zzz << false << S {u"yesno:No"_s} << S {u"in/a zzz.htm"_s, u"in/b zzz.htm"_s} << L {1} << L {-1}
        << QString() << QString();
    QTest::newRow("missing parent, Yes goes on")
        << far << zzz << false << S {u"yesno:Yes"_s, u"msg:OK"_s, u"yesno:Yes"_s, u"msg:OK"_s}
        << S {u"in/a zzz.htm"_s, u"in/b zzz.htm"_s} << L {2} << L {-1} << QString() << QString();

    QString many, name;
    L used(25, 0);
    used.last() = 1;
    for (int k = 10; k < 35; ++k) {
        many += u"k%1 -> ../D%1\n"_s.arg(k);
        name += u"k%1 "_s.arg(k);
    }
    QTest::newRow("more than twenty candidates")
        << many << S {name + u".htm"_s} << true << S {u"keyword:1:24"_s} << S {u"Sorted/D34/"_s + name + u".htm"_s}
        << used << L(25, -1) << QString() << QString();
}

void TestClassifyPass::settlesEachFile()
{
    QFETCH(QString, keywords);
    QFETCH(QStringList, files);
    QFETCH(QStringList, placed);
    QFETCH(QString, current);
    QFETCH(bool, confirm);
    QFETCH(QStringList, script);

    Sandbox box;
    QVERIFY(box.dir.isValid());
    box.parse(keywords);
    QVERIFY(!box.table.error());
    box.confirm = confirm;
    box.prompts.script = script;

    box.pass.run(box.makeFiles(files));

    QCOMPARE(box.prompts.problems, QStringList());
    QCOMPARE(box.prompts.script, QStringList());
    for (const QString &path : std::as_const(placed))
        QVERIFY2(QFile::exists(box.base + u'/' + path), qPrintable(path));
    QTEST(box.counts(&KeywordEntry::usedCount), "used");
    QTEST(box.counts(&KeywordEntry::searchCount), "search");
    QTEST(box.view.keywordText, "learned");
    QCOMPARE(box.pass.currentDestination(), current.isEmpty() ? QString() : box.base + u'/' + current);
    QCOMPARE(box.trace.count(u"refresh"_s), 1);
    QCOMPARE(box.trace.last(), u"visible:0"_s);
}

void TestClassifyPass::progressAndEmptyFolder()
{
    Sandbox box;
    box.parse(u"news -> ../News"_s);
    box.pass.run({});
    // Files saved since the list was read show up even when there was nothing to classify.
    QCOMPARE(box.trace, (QStringList {u"visible:1"_s, u"refresh"_s, u"visible:0"_s}));
    QVERIFY(!QFileInfo::exists(box.root + u"/News"_s));

    box.pass.run(box.makeFiles({u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
    QCOMPARE(box.trace.mid(3),
             (QStringList {u"visible:1"_s, u"progress:0"_s, u"wait:0"_s, u"hideWait"_s, u"progress:25"_s,
                           u"progress:50"_s, u"progress:75"_s, u"refresh"_s, u"visible:0"_s}));
}

void TestClassifyPass::waitWindowOnlyForTheFirstFile_data()
{
    QTest::addColumn<QString>("keywords");
    QTest::addColumn<QStringList>("present"); // folders below the root made before the pass
    QTest::addColumn<QString>("added"); // line the list gains by a re-parse at the first question
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("expected"); // the trace without progress and file-list events

    const QString four = u"#a -> ../A\n#b -> ../B\n#c -> ../C\n#d -> ../D"_s;
    const QStringList none;
    QTest::newRow("every folder there") << four << QStringList {u"A"_s, u"B"_s, u"C"_s, u"D"_s} << QString() << none
                                        << none;
    QTest::newRow("third missing") << four << QStringList {u"A"_s, u"B"_s, u"D"_s} << QString() << none
                                   << QStringList {u"wait:50"_s, u"hideWait"_s};
    QTest::newRow("first and last missing") << four << QStringList {u"B"_s, u"C"_s} << QString() << none
                                            << QStringList {u"wait:0"_s, u"wait:75"_s, u"hideWait"_s};
    QTest::newRow("closed before an ask-each-time question")
        << u"#a -> ../A\n#f? -> ../F\n#c -> ../C"_s << QStringList {u"C"_s} << QString()
        << QStringList {u"msg:OK"_s, u"folder:"_s}
        << QStringList {u"wait:0"_s, u"wait:33"_s, u"hideWait"_s, u"ask:msg"_s, u"ask:folder"_s};
    QTest::newRow("later files make no folders")
        << u"#a -> ../A\n#f -> ../F"_s << QStringList {u"A"_s, u"F"_s} << u"#z -> ../Z"_s
        << QStringList {u"confirm:Yes"_s} << QStringList {u"ask:confirm"_s};
}

void TestClassifyPass::waitWindowOnlyForTheFirstFile()
{
    QFETCH(QString, keywords);
    QFETCH(QStringList, present);
    QFETCH(QString, added);
    QFETCH(QStringList, script);

    Sandbox box;
    box.parse(keywords);
    for (const QString &folder : std::as_const(present))
        QVERIFY(QDir().mkpath(box.root + u'/' + folder));
    box.prompts.script = script;
    box.prompts.onAsk = [&](const QString &) {
        if (!added.isEmpty())
            box.parse(keywords + u'\n' + added);
    };
    box.pass.run(box.makeFiles({u"#f.htm"_s, u"g.htm"_s}));

    QStringList seen;
    for (const QString &event : std::as_const(box.trace)) {
        if (event.startsWith(u"wait"_s) || event == u"hideWait"_s || event.startsWith(u"ask"_s))
            seen.append(event);
    }
    QTEST(seen, "expected");
    QCOMPARE(box.prompts.problems, QStringList());
    for (const KeywordEntry &entry : box.table.entries())
        QCOMPARE(QFileInfo(entry.destination).isDir(), !added.startsWith(entry.keyword + u' '));
}

void TestClassifyPass::questionTexts()
{
    Sandbox box;
    box.parse(u"news -> ../News\npaper -> @BASE@/elsewhere/Paper\n#x1 -> @BASE@/blocker/x\n"
              u"#x2 -> @BASE@/blocker/x\n#y -> @BASE@/blocker/y\nnote? -> ../Notes"_s);
    box.prompts.script = {u"msg:OK"_s, u"confirm:Yes"_s, u"keyword:3"_s};
    box.pass.run(box.makeFiles({u"page news.htm"_s, u"news paper.htm"_s}));
    QCOMPARE(box.prompts.problems, QStringList());
    // Folders that cannot be made are named once each, in one message.
    QCOMPARE(box.prompts.texts.at(0),
             box.base + u"/blocker/x\n"_s + box.base + u"/blocker/y "_s + MessageTable::defaultText(20));
    QCOMPARE(box.prompts.texts.at(1), u"May [ page news.htm ] be moved to \n< "_s + box.root + u"/News >?"_s);
    QCOMPARE(box.prompts.texts.at(2), u"news paper.htm"_s);
    QCOMPARE(box.prompts.candidates, (QStringList {u"../News"_s, box.base + u"/elsewhere/Paper"_s}));

    Sandbox other;
    other.parse(u"note? -> ../Notes"_s);
    other.prompts.script = {u"msg:OK"_s, u"folder:"_s};
    other.pass.run(other.makeFiles({u"my note.htm"_s}));
    QCOMPARE(other.prompts.texts,
             (QStringList {u"Please select the destination folder of my note.htm."_s, other.root + u"/Notes"_s}));
}

void TestClassifyPass::learnedKeywordTakesPartAfterReparse()
{
    Sandbox box;
    box.parse(u"alpha -> ../A"_s);
    box.view.keywordText = u"alpha -> ../A\n"_s;
    box.prompts.script
        = {u"confirm:No"_s, u"folder:Sorted/B"_s, u"string:beta"_s, u"msg:Yes"_s, u"confirm:Yes"_s, u"confirm:Yes"_s};
    int confirms = 0; // the list is parsed again while the second file's question is open
    box.prompts.onAsk = [&](const QString &kind) {
        if (kind == u"confirm"_s && ++confirms == 2)
            box.table.parse(box.view.keywordText, box.root);
    };
    box.pass.run(box.makeFiles({u"1 alpha.htm"_s, u"2 alpha.htm"_s, u"3 beta.htm"_s}));

    QCOMPARE(box.prompts.problems, QStringList());
    QVERIFY(QFile::exists(box.root + u"/B/1 alpha.htm"_s));
    QVERIFY(QFile::exists(box.root + u"/A/2 alpha.htm"_s));
    QVERIFY(QFile::exists(box.root + u"/B/3 beta.htm"_s));
    // Counters come from the text at the re-parse, then grow with the files that follow.
    QCOMPARE(box.counts(&KeywordEntry::usedCount), (QList<int> {1, 2}));
    QCOMPARE(box.counts(&KeywordEntry::searchCount), (QList<int> {-1, 2}));
}

void TestClassifyPass::reparseDuringQuestion_data()
{
    QTest::addColumn<QString>("keywords");
    QTest::addColumn<QString>("reparsed");
    QTest::addColumn<QString>("askedKind");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("placed");
    QTest::addColumn<QList<int>>("used");

    const QString xy = u"#x -> ../X\n#y -> ../Y"_s;
    const QStringList yes {u"confirm:Yes"_s};
    QTest::newRow("owner gone") << xy << u"#x -> ../X"_s << u"confirm"_s << yes << u"Y/#a #y.htm"_s << QList<int> {0};
    QTest::newRow("owner index shows another entry")
        << xy << u"#y -> ../Y\n#z -> ../Z"_s << u"confirm"_s << yes << u"Y/#a #y.htm"_s << QList<int> {0, 0};
    QTest::newRow("owner still there") << xy << xy << u"confirm"_s << yes << u"Y/#a #y.htm"_s << QList<int> {0, 1};
    QTest::newRow("ask-each-time entry gone during its chooser")
        << u"#x -> ../X\n#y? -> ../Y"_s << u"#x -> ../X"_s << u"folder"_s
        << QStringList {u"msg:OK"_s, u"folder:Sorted/P"_s} << u"P/#a #y.htm"_s << QList<int> {0};
    QTest::newRow("selected owner gone") << u"#a -> ../A\n#y -> ../Y"_s << QString() << u"keyword"_s
                                         << QStringList {u"keyword:1:1"_s} << u"Y/#a #y.htm"_s << QList<int> {};
}

void TestClassifyPass::reparseDuringQuestion()
{
    QFETCH(QString, keywords);
    QFETCH(QString, reparsed);
    QFETCH(QString, askedKind);
    QFETCH(QStringList, script);
    QFETCH(QString, placed);

    Sandbox box;
    box.parse(keywords);
    box.prompts.script = script;
    box.prompts.onAsk = [&](const QString &kind) {
        if (kind == askedKind)
            box.table.parse(reparsed, box.root);
    };
    box.pass.run(box.makeFiles({u"#a #y.htm"_s}));

    QCOMPARE(box.prompts.problems, QStringList());
    QVERIFY(QFile::exists(box.root + u'/' + placed));
    QTEST(box.counts(&KeywordEntry::usedCount), "used");
}

// The pass may pass over entries that cannot match; it must never pass over one that does.
void TestClassifyPass::skipsNoEntryThatMatches()
{
    const QStringList keywords {u"news"_s,     u"NEWS"_s,    u"News"_s, u"ｎｅｗｓ"_s, u"ＮＥＷＳ"_s, u"n"_s,
                                u"N"_s,        u"ew"_s,      u"s.h"_s,  u"in/d"_s,     u"日本"_s,     u"ﾆｭｰｽ"_s,
                                u"ニュース"_s, u"daily n"_s, u"tm"_s,   u"xt"_s,       u"🎉x"_s,       u"ws.htm"_s};
    QString text;
    for (qsizetype k = 0; k < keywords.size(); ++k)
        text += keywords.at(k) + u" -> ../D%1\n"_s.arg(k);

    for (const QString &name : {u"daily news.htm"_s, u"DAILY NEWS.HTM"_s, u"ｎｅｗｓ.htm"_s, u"日本のニュース.htm"_s,
                                u"ﾆｭｰｽ.htm"_s, u"party🎉x.htm"_s, u"plain.txt"_s}) {
        Sandbox box;
        box.parse(text);
        const QString path = box.makeFiles({name}).first();
        QStringList expected;
        for (const KeywordEntry &entry : box.table.entries()) {
            if (matchKeyword(entry, path) == MatchResult::Match)
                expected.append(shortForm(entry.destination, box.root));
        }
        box.prompts.script = expected.size() > 1 ? QStringList {u"keyword:3"_s}
            : expected.isEmpty()                 ? QStringList {}
                                                 : QStringList {u"confirm:Abort"_s};
        box.pass.run({path});
        QCOMPARE(box.prompts.problems, QStringList());
        QCOMPARE(box.prompts.script, QStringList());
        if (expected.size() > 1)
            QCOMPARE(box.prompts.candidates, expected);
    }
}

void TestClassifyPass::companionsFollowAndOnePassIsRecorded_data()
{
    QTest::addColumn<QString>("prefix"); // put before each path of the file list
    QTest::newRow("plain paths") << QString();
    // The file list joins names onto the folder "/" as "//name"; any path of that shape meets the same code.
    QTest::newRow("companion left behind in the folder /") << u"/"_s;
}

void TestClassifyPass::companionsFollowAndOnePassIsRecorded()
{
    QFETCH(QString, prefix);
    Sandbox box;
    box.parse(u"news -> ../News"_s);
    box.confirm = false;
    QStringList files;
    for (const QString &path : box.makeFiles({u"a news.htm"_s, u"b news.htm"_s})) {
        files.append(prefix + path);
        QVERIFY(QDir().mkpath(path.chopped(4) + u"_files"_s));
    }
    box.pass.run(files);
    for (const QString &name : {u"a news"_s, u"b news"_s}) {
        QVERIFY(QFileInfo::exists(box.root + u"/News/"_s + name + u".htm"_s));
        QVERIFY2(QFileInfo(box.root + u"/News/"_s + name + u"_files"_s).isDir(), qPrintable(name));
    }
    QStringList ops;
    for (const JournalRecord &record : MoveJournal::read(box.journal.path()))
        ops.append(record.op);
    QCOMPARE(ops.count(u"pass"_s), 1);
    QCOMPARE(ops.count(u"done"_s), 4);
}

void TestClassifyPass::summaryCountsEachFile_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<bool>("gone"); // the first file is taken away before the pass comes to it
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("summary"); // moved, without a keyword, failed, taken away; then left by reason

    QTest::newRow("moved, without a keyword, name taken")
        << false << false << QStringList {u"yesno:No"_s} << u"1 1 0 0 | name 1"_s;
    QTest::newRow("Abort leaves the file in hand and the rest")
        << true << false << QStringList {u"confirm:Abort"_s} << u"0 0 0 0 | stopped 3"_s;
    QTest::newRow("no folder chosen")
        << true << false << QStringList {u"confirm:No"_s, u"folder:"_s, u"confirm:Yes"_s, u"yesno:No"_s}
        << u"0 1 0 0 | not chosen 1, name 1"_s;
    // A file that another program filed meanwhile showed a box per file.
    QTest::newRow("taken away without a word") << false << true << QStringList {u"yesno:No"_s} << u"0 1 0 1 | name 1"_s;
}

void TestClassifyPass::summaryCountsEachFile()
{
    QFETCH(bool, confirm);
    QFETCH(bool, gone);
    QFETCH(QStringList, script);
    Sandbox box;
    box.parse(u"#news -> ../News"_s);
    box.confirm = confirm;
    box.prompts.script = script;
    QVERIFY(QDir().mkpath(box.root + u"/News"_s));
    QVERIFY(QFile(box.root + u"/News/c #news.htm"_s).open(QIODevice::WriteOnly));
    const QStringList files = box.makeFiles({u"a #news.htm"_s, u"b other.htm"_s, u"c #news.htm"_s});
    if (gone)
        QVERIFY(QFile::rename(files.first(), box.base + u"/elsewhere.htm"_s));
    box.pass.run(files);

    const PassSummary &s = box.pass.summary();
    QStringList left;
    const std::pair<PassSummary::Left, QString> reasons[] = {{PassSummary::Left::NotChosen, u"not chosen"_s},
                                                             {PassSummary::Left::NameTaken, u"name"_s},
                                                             {PassSummary::Left::StillWritten, u"busy"_s},
                                                             {PassSummary::Left::ParentDeclined, u"parent"_s},
                                                             {PassSummary::Left::Stopped, u"stopped"_s}};
    for (const auto &[reason, word] : reasons) {
        if (s.left.value(reason) > 0)
            left << u"%1 %2"_s.arg(word).arg(s.left.value(reason));
    }
    QTEST(u"%1 %2 %3 %4 | "_s.arg(s.moved).arg(s.noKeyword).arg(s.failed).arg(s.taken) + left.join(u", "_s),
          "summary");
    QCOMPARE(box.prompts.problems, QStringList());
    QCOMPARE(box.prompts.script, QStringList());
    QCOMPARE(s.files, 3);
}

QTEST_GUILESS_MAIN(TestClassifyPass)
#include "tst_classifypass.moc"
