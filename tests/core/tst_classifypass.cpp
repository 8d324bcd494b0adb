#include "classifypass.h"
#include "keywordtable.h"
#include "mainview.h"
#include "messagetable.h"
#include "userprompts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

int answerCode(const QString &word)
{
    static const QHash<QString, int> codes{{u"OK"_s, UserPrompts::Ok},       {u"Cancel"_s, UserPrompts::Cancel},
                                           {u"Abort"_s, UserPrompts::Abort}, {u"Yes"_s, UserPrompts::Yes},
                                           {u"No"_s, UserPrompts::No}};
    return codes.value(word, -1);
}

// Answers every question from a script of "kind:answer" tokens, in order, and records what was asked.
// A question that meets no token, or a token of another kind, is noted as a problem.
class ScriptedPrompts : public UserPrompts
{
public:
    ScriptedPrompts(const QString &base, QStringList &trace)
        : m_base(base)
        , m_trace(trace)
    {
    }

    QStringList script;
    QStringList texts;
    QStringList problems;
    QStringList candidates;
    std::function<void(const QString &kind)> onAsk;

    int msgBox(const QString &msg, const QString &, const QString &, int) override
    {
        return answerCode(take(u"msg"_s, msg).value_or(u"Cancel"_s));
    }
    QString receiveString(const QString &, const QString &, const QString &, const QString &defaultText, int,
                          int) override
    {
        return take(u"string"_s, defaultText).value_or(QString());
    }
    int askYesNo(const QString &text, const QString &) override
    {
        return answerCode(take(u"yesno"_s, text).value_or(u"No"_s));
    }
    int askOkCancel(const QString &text, const QString &) override
    {
        return answerCode(take(u"okcancel"_s, text).value_or(u"Cancel"_s));
    }
    int confirmMove(const QString &text) override
    {
        return answerCode(take(u"confirm"_s, text).value_or(u"Abort"_s));
    }
    void notify(const QString &text) override { take(u"notify"_s, text); }
    std::optional<QString> chooseFolder(const QString &startFolder, int) override
    {
        const QString answer = take(u"folder"_s, startFolder).value_or(QString());
        if (answer.isEmpty())
            return std::nullopt;
        return m_base + u'/' + answer;
    }
    int chooseKeyword(const QString &fileName, const QStringList &list, int *selected) override
    {
        candidates = list;
        const QStringList answer = take(u"keyword"_s, fileName).value_or(u"3"_s).split(u':');
        *selected = answer.size() > 1 ? answer.at(1).toInt() : -1;
        return answer.at(0).toInt();
    }
    QString inputBox(const QString &, const QString &prompt, const QString &defaultText) override
    {
        take(u"input"_s, prompt);
        return defaultText;
    }

private:
    std::optional<QString> take(const QString &kind, const QString &text)
    {
        m_trace.append(u"ask:"_s + kind);
        texts.append(text);
        if (onAsk)
            onAsk(kind);
        if (script.isEmpty()) {
            problems.append(u"unscripted "_s + kind + u": "_s + text);
            return std::nullopt;
        }
        const QString token = script.takeFirst();
        const qsizetype colon = token.indexOf(u':');
        if (token.left(colon) != kind) {
            problems.append(u"asked "_s + kind + u" where the script has "_s + token);
            return std::nullopt;
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
    {
    }

    QStringList log;
    QString keywordText;

    void appendLog(const QString &line) override { log.append(line); }
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
struct Sandbox
{
    QTemporaryDir dir;
    QString base;
    QString root;
    QString source;
    QStringList trace;
    KeywordTable table;
    MessageTable messages;
    ScriptedPrompts prompts;
    RecordingView view;
    bool confirm = true;
    ClassifyPass pass;

    Sandbox()
        : base(dir.path())
        , root(base + u"/Sorted"_s)
        , source(base + u"/in"_s)
        , prompts(base, trace)
        , view(trace)
        , pass(table, prompts, view, messages, [this] { return Options{root, true, 1000, confirm}; })
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(base + u"/config"_s));
        QDir().mkpath(root);
        QDir().mkpath(source);
        QFile blocker(base + u"/blocker"_s);
        blocker.open(QIODevice::WriteOnly);
    }

    QString expand(QString text) const
    {
        return text.replace(u"@BASE@"_s, base).replace(u"@LONG@"_s, QString(300, u'q'));
    }

    void parse(const QString &keywords) { table.parse(expand(keywords), root); }

    QStringList makeFiles(const QStringList &names) const
    {
        QStringList paths;
        for (const QString &name : names) {
            QFile file(source + u'/' + name);
            file.open(QIODevice::WriteOnly);
            file.write("page");
            paths.append(file.fileName());
        }
        return paths;
    }

    QList<int> usedCounts() const
    {
        QList<int> counts;
        for (const KeywordEntry &entry : table.entries())
            counts.append(entry.usedCount);
        return counts;
    }

    QList<int> searchCounts() const
    {
        QList<int> counts;
        for (const KeywordEntry &entry : table.entries())
            counts.append(entry.searchCount);
        return counts;
    }
};

} // namespace

class TestClassifyPass : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settlesEachFile_data();
    void settlesEachFile();
    void emptyFolderOnlyShowsTheProgressBar();
    void progressBeforeEachFile();
    void waitWindowWhileFoldersAreMissing_data();
    void waitWindowWhileFoldersAreMissing();
    void questionTexts();
    void uncreatableFoldersReportedOnce();
    void learnedKeywordTakesPartAfterReparse();
    void reparseDuringQuestion_data();
    void reparseDuringQuestion();
    void matchingAgreesWithMatchKeyword();
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

    const QString news = u"news -> ../News    << 0/5"_s;
    const QString two = u"news -> ../News\npaper -> ../Paper"_s;
    const QStringList one{u"daily news.htm"_s};
    const QStringList pair{u"a news.htm"_s, u"b news.htm"_s};
    const QStringList both{u"news paper.htm"_s};

    QTest::newRow("one candidate, Yes") << news << one << true << QStringList{u"confirm:Yes"_s}
                                        << QStringList{u"Sorted/News/daily news.htm"_s} << QList<int>{1}
                                        << QList<int>{6} << QString() << QString();
    QTest::newRow("one candidate, No, folder chosen and keyword learned")
        << news << one << true
        << QStringList{u"confirm:No"_s, u"folder:Sorted/Other"_s, u"string:daily"_s, u"msg:Yes"_s}
        << QStringList{u"Sorted/Other/daily news.htm"_s} << QList<int>{1} << QList<int>{6}
        << u"daily                -> ../Other    << 1/1\n"_s << u"Sorted/Other"_s;
    QTest::newRow("one candidate, No, chooser cancelled")
        << news << one << true << QStringList{u"confirm:No"_s, u"folder:"_s} << QStringList{u"in/daily news.htm"_s}
        << QList<int>{0} << QList<int>{6} << QString() << u"Sorted/News"_s;
    QTest::newRow("keyword that cannot be a line is reported and the file still moves")
        << news << one << true
        << QStringList{u"confirm:No"_s, u"folder:Sorted/Other"_s, u"string:a->b"_s, u"notify"_s}
        << QStringList{u"Sorted/Other/daily news.htm"_s} << QList<int>{1} << QList<int>{6} << QString()
        << u"Sorted/Other"_s;
    QTest::newRow("Abort ends the pass") << news << pair << true << QStringList{u"confirm:Abort"_s}
                                         << QStringList{u"in/a news.htm"_s, u"in/b news.htm"_s} << QList<int>{0}
                                         << QList<int>{6} << QString() << QString();
    QTest::newRow("closed confirmation ends the pass")
        << news << pair << true << QStringList{u"confirm:Cancel"_s}
        << QStringList{u"in/a news.htm"_s, u"in/b news.htm"_s} << QList<int>{0} << QList<int>{6} << QString()
        << QString();
    QTest::newRow("Confirm off moves without a question")
        << news << pair << false << QStringList{}
        << QStringList{u"Sorted/News/a news.htm"_s, u"Sorted/News/b news.htm"_s} << QList<int>{2} << QList<int>{7}
        << QString() << QString();
    QTest::newRow("no match stays, counted entries still counted")
        << news + u"\nplain -> ../Plain"_s << QStringList{u"other.htm"_s} << true << QStringList{}
        << QStringList{u"in/other.htm"_s} << QList<int>{0, 0} << QList<int>{6, -1} << QString() << QString();
    QTest::newRow("several, Select") << two << both << true << QStringList{u"keyword:1:1"_s}
                                     << QStringList{u"Sorted/Paper/news paper.htm"_s} << QList<int>{0, 1}
                                     << QList<int>{-1, -1} << QString() << QString();
    QTest::newRow("several, Select without a row takes the first")
        << two << both << true << QStringList{u"keyword:1:-1"_s} << QStringList{u"Sorted/News/news paper.htm"_s}
        << QList<int>{1, 0} << QList<int>{-1, -1} << QString() << QString();
    QTest::newRow("several, Neither, folder chosen")
        << two << both << true << QStringList{u"keyword:2"_s, u"msg:OK"_s, u"folder:Sorted/Other"_s, u"string:"_s}
        << QStringList{u"Sorted/Other/news paper.htm"_s} << QList<int>{0, 0} << QList<int>{-1, -1} << QString()
        << u"Sorted/Other"_s;
    QTest::newRow("several, Neither, chooser cancelled")
        << two << both << true << QStringList{u"keyword:2"_s, u"msg:OK"_s, u"folder:"_s}
        << QStringList{u"in/news paper.htm"_s} << QList<int>{0, 0} << QList<int>{-1, -1} << QString()
        << u"Sorted/News"_s;
    QTest::newRow("several, Abort ends the pass")
        << two << QStringList{u"a news paper.htm"_s, u"b news paper.htm"_s} << true << QStringList{u"keyword:3"_s}
        << QStringList{u"in/a news paper.htm"_s, u"in/b news paper.htm"_s} << QList<int>{0, 0}
        << QList<int>{-1, -1} << QString() << QString();
    QTest::newRow("destinations differing in case give one candidate")
        << u"news -> ../News\ndaily -> ../news"_s << one << false << QStringList{}
        << QStringList{u"Sorted/News/daily news.htm"_s} << QList<int>{1, 0} << QList<int>{-1, -1} << QString()
        << QString();
    QTest::newRow("same destination written relative and absolute gives one candidate")
        << u"news -> ../News\ndaily -> @BASE@/Sorted/News"_s << one << false << QStringList{}
        << QStringList{u"Sorted/News/daily news.htm"_s} << QList<int>{1, 0} << QList<int>{-1, -1} << QString()
        << QString();
    QTest::newRow("ask-each-time keyword, folder chosen: earlier candidate discarded")
        << u"paper -> ../Paper\nnews? -> ../News"_s << both << true
        << QStringList{u"msg:OK"_s, u"folder:Sorted/Picked"_s} << QStringList{u"Sorted/Picked/news paper.htm"_s}
        << QList<int>{0, 1} << QList<int>{-1, -1} << QString() << u"Sorted/Picked"_s;
    QTest::newRow("ask-each-time keyword, cancelled: earlier candidate goes on")
        << u"paper -> ../Paper\nnews? -> ../News"_s << both << true
        << QStringList{u"msg:OK"_s, u"folder:"_s, u"confirm:Yes"_s} << QStringList{u"Sorted/Paper/news paper.htm"_s}
        << QList<int>{1, 0} << QList<int>{-1, -1} << QString() << u"Sorted/News"_s;
    QTest::newRow("entries after an ask-each-time match are not tested")
        << u"news? -> ../News    << 0/5\npaper -> ../Paper    << 0/5"_s
        << QStringList{u"news paper.htm"_s, u"other.htm"_s} << true << QStringList{u"msg:OK"_s, u"folder:"_s}
        << QStringList{u"in/news paper.htm"_s, u"in/other.htm"_s} << QList<int>{0, 0} << QList<int>{7, 6}
        << QString() << u"Sorted/News"_s;
    QTest::newRow("No at the missing parent ends the pass")
        << u"zzz -> /@LONG@/x"_s << QStringList{u"a zzz.htm"_s, u"b zzz.htm"_s} << false
        << QStringList{u"msg:OK"_s, u"yesno:No"_s} << QStringList{u"in/a zzz.htm"_s, u"in/b zzz.htm"_s}
        << QList<int>{1} << QList<int>{-1} << QString() << QString();
    QTest::newRow("Yes at the missing parent goes on")
        << u"zzz -> /@LONG@/x"_s << QStringList{u"a zzz.htm"_s, u"b zzz.htm"_s} << false
        << QStringList{u"msg:OK"_s, u"yesno:Yes"_s, u"msg:OK"_s, u"yesno:Yes"_s, u"msg:OK"_s}
        << QStringList{u"in/a zzz.htm"_s, u"in/b zzz.htm"_s} << QList<int>{2} << QList<int>{-1} << QString()
        << QString();

    // The choice dialog has no fixed number of places.
    QString many;
    QString name;
    QList<int> used;
    for (int k = 0; k < 25; ++k) {
        many += u"k%1 -> ../D%1\n"_s.arg(k + 10);
        name += u"k%1 "_s.arg(k + 10);
        used.append(k == 24 ? 1 : 0);
    }
    QTest::newRow("more than twenty candidates") << many << QStringList{name + u".htm"_s} << true
                                                 << QStringList{u"keyword:1:24"_s}
                                                 << QStringList{u"Sorted/D34/"_s + name + u".htm"_s} << used
                                                 << QList<int>(25, -1) << QString() << QString();
}

void TestClassifyPass::settlesEachFile()
{
    QFETCH(QString, keywords);
    QFETCH(QStringList, files);
    QFETCH(bool, confirm);
    QFETCH(QStringList, script);
    QFETCH(QStringList, placed);
    QFETCH(QList<int>, used);
    QFETCH(QList<int>, search);
    QFETCH(QString, learned);
    QFETCH(QString, current);

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
    QCOMPARE(box.usedCounts(), used);
    QCOMPARE(box.searchCounts(), search);
    QCOMPARE(box.view.keywordText, learned);
    QCOMPARE(box.pass.currentDestination(), current.isEmpty() ? QString() : box.base + u'/' + current);
    QCOMPARE(box.trace.count(u"refresh"_s), 1);
    QCOMPARE(box.trace.last(), u"visible:0"_s);
}

void TestClassifyPass::emptyFolderOnlyShowsTheProgressBar()
{
    Sandbox box;
    box.parse(u"news -> ../News"_s);
    box.pass.run({});
    QCOMPARE(box.trace, (QStringList{u"visible:1"_s, u"visible:0"_s}));
    QVERIFY(!QFileInfo::exists(box.root + u"/News"_s));
}

void TestClassifyPass::progressBeforeEachFile()
{
    Sandbox box;
    box.parse(u"news -> ../News"_s);
    box.pass.run(box.makeFiles({u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
    QCOMPARE(box.trace, (QStringList{u"visible:1"_s, u"progress:0"_s, u"wait:0"_s, u"hideWait"_s, u"progress:25"_s,
                                     u"progress:50"_s, u"progress:75"_s, u"refresh"_s, u"visible:0"_s}));
}

void TestClassifyPass::waitWindowWhileFoldersAreMissing_data()
{
    QTest::addColumn<QString>("keywords");
    QTest::addColumn<QStringList>("present"); // folders below the root made before the pass
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("expected"); // the trace without progress and file-list events

    const QString four = u"#a -> ../A\n#b -> ../B\n#c -> ../C\n#d -> ../D"_s;
    QTest::newRow("every folder there") << four << QStringList{u"A"_s, u"B"_s, u"C"_s, u"D"_s} << QStringList{}
                                        << QStringList{};
    QTest::newRow("third missing") << four << QStringList{u"A"_s, u"B"_s, u"D"_s} << QStringList{}
                                   << QStringList{u"wait:50"_s, u"hideWait"_s};
    QTest::newRow("first and last missing") << four << QStringList{u"B"_s, u"C"_s} << QStringList{}
                                            << QStringList{u"wait:0"_s, u"wait:75"_s, u"hideWait"_s};
    QTest::newRow("closed before an ask-each-time question")
        << u"#a -> ../A\n#f? -> ../F\n#c -> ../C"_s << QStringList{u"C"_s} << QStringList{u"msg:OK"_s, u"folder:"_s}
        << QStringList{u"wait:0"_s, u"wait:33"_s, u"hideWait"_s, u"ask:msg"_s, u"ask:folder"_s};
}

void TestClassifyPass::waitWindowWhileFoldersAreMissing()
{
    QFETCH(QString, keywords);
    QFETCH(QStringList, present);
    QFETCH(QStringList, script);
    QFETCH(QStringList, expected);

    Sandbox box;
    box.parse(keywords);
    for (const QString &folder : std::as_const(present))
        QVERIFY(QDir().mkpath(box.root + u'/' + folder));
    box.prompts.script = script;
    box.pass.run(box.makeFiles({u"#f.htm"_s, u"g.htm"_s}));

    QStringList seen;
    for (const QString &event : std::as_const(box.trace)) {
        if (event.startsWith(u"wait"_s) || event == u"hideWait"_s || event.startsWith(u"ask"_s))
            seen.append(event);
    }
    QCOMPARE(seen, expected);
    QCOMPARE(box.prompts.problems, QStringList());
    for (const KeywordEntry &entry : box.table.entries())
        QVERIFY2(QFileInfo(entry.destination).isDir(), qPrintable(entry.destination));
}

void TestClassifyPass::questionTexts()
{
    Sandbox box;
    box.parse(u"news -> ../News\npaper -> @BASE@/elsewhere/Paper\nnote? -> ../Notes"_s);
    box.prompts.script = {u"confirm:Yes"_s, u"keyword:3"_s};
    box.pass.run(box.makeFiles({u"page news.htm"_s, u"news paper.htm"_s}));
    QCOMPARE(box.prompts.problems, QStringList());
    QCOMPARE(box.prompts.texts.at(0), u"May [ page news.htm ] be moved to \n< "_s + box.root + u"/News >?"_s);
    QCOMPARE(box.prompts.texts.at(1), u"news paper.htm"_s);
    QCOMPARE(box.prompts.candidates, (QStringList{u"../News"_s, box.base + u"/elsewhere/Paper"_s}));

    Sandbox other;
    other.parse(u"note? -> ../Notes"_s);
    other.prompts.script = {u"msg:OK"_s, u"folder:"_s};
    other.pass.run(other.makeFiles({u"my note.htm"_s}));
    QCOMPARE(other.prompts.texts,
             (QStringList{u"Please select the destination folder of my note.htm."_s, other.root + u"/Notes"_s}));
}

void TestClassifyPass::uncreatableFoldersReportedOnce()
{
    Sandbox box;
    box.parse(u"aaa -> @BASE@/blocker/x\nbbb -> @BASE@/blocker/x\nccc -> @BASE@/blocker/y\nddd -> ../D"_s);
    box.confirm = false;
    box.prompts.script = {u"msg:OK"_s, u"msg:OK"_s, u"msg:OK"_s};
    box.pass.run(box.makeFiles({u"1 aaa.htm"_s, u"2 ccc.htm"_s}));

    QCOMPARE(box.prompts.problems, QStringList());
    const QString report = box.prompts.texts.at(0);
    QCOMPARE(report.count(box.base + u"/blocker/x"_s), 1);
    QCOMPARE(report.count(box.base + u"/blocker/y"_s), 1);
    QVERIFY(report.endsWith(MessageTable::defaultText(20)));
    QVERIFY(box.prompts.texts.at(1).endsWith(MessageTable::defaultText(15)));
    QVERIFY(box.prompts.texts.at(2).endsWith(MessageTable::defaultText(15)));
    QVERIFY(QFileInfo(box.root + u"/D"_s).isDir());
    QVERIFY(QFile::exists(box.source + u"/1 aaa.htm"_s));
}

void TestClassifyPass::learnedKeywordTakesPartAfterReparse()
{
    Sandbox box;
    box.parse(u"alpha -> ../A"_s);
    box.view.keywordText = u"alpha -> ../A\n"_s;
    box.prompts.script = {u"confirm:No"_s, u"folder:Sorted/B"_s, u"string:beta"_s, u"msg:Yes"_s,
                          u"confirm:Yes"_s, u"confirm:Yes"_s};
    // The list is parsed again while the second file's question is open.
    int confirms = 0;
    box.prompts.onAsk = [&box, &confirms](const QString &kind) {
        if (kind == u"confirm"_s && ++confirms == 2)
            box.table.parse(box.view.keywordText, box.root);
    };
    box.pass.run(box.makeFiles({u"1 alpha.htm"_s, u"2 alpha.htm"_s, u"3 beta.htm"_s}));

    QCOMPARE(box.prompts.problems, QStringList());
    QVERIFY(QFile::exists(box.root + u"/B/1 alpha.htm"_s));
    QVERIFY(QFile::exists(box.root + u"/A/2 alpha.htm"_s));
    QVERIFY(QFile::exists(box.root + u"/B/3 beta.htm"_s));
    // Counters come from the text at the re-parse, then grow with the files that follow.
    QCOMPARE(box.usedCounts(), (QList<int>{1, 2}));
    QCOMPARE(box.searchCounts(), (QList<int>{-1, 2}));
}

void TestClassifyPass::reparseDuringQuestion_data()
{
    QTest::addColumn<QString>("keywords");
    QTest::addColumn<QString>("reparsed");
    QTest::addColumn<QString>("askedKind");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("placed");
    QTest::addColumn<QList<int>>("used");

    // "#" never occurs in the sandbox's own path, so these keywords match the file name only.
    QTest::newRow("owner gone after re-parse") << u"#x -> ../X\n#y -> ../Y"_s << u"#x -> ../X"_s << u"confirm"_s
                                               << QStringList{u"confirm:Yes"_s} << u"Y/#a #y.htm"_s << QList<int>{0};
    QTest::newRow("owner index shows another entry after re-parse")
        << u"#x -> ../X\n#y -> ../Y"_s << u"#y -> ../Y\n#z -> ../Z"_s << u"confirm"_s
        << QStringList{u"confirm:Yes"_s} << u"Y/#a #y.htm"_s << QList<int>{0, 0};
    QTest::newRow("owner still there after re-parse")
        << u"#x -> ../X\n#y -> ../Y"_s << u"#x -> ../X\n#y -> ../Y"_s << u"confirm"_s
        << QStringList{u"confirm:Yes"_s} << u"Y/#a #y.htm"_s << QList<int>{0, 1};
    QTest::newRow("ask-each-time entry gone during its chooser")
        << u"#x -> ../X\n#y? -> ../Y"_s << u"#x -> ../X"_s << u"folder"_s
        << QStringList{u"msg:OK"_s, u"folder:Sorted/P"_s} << u"P/#a #y.htm"_s << QList<int>{0};
    QTest::newRow("selected owner gone after re-parse")
        << u"#a -> ../A\n#y -> ../Y"_s << QString() << u"keyword"_s << QStringList{u"keyword:1:1"_s}
        << u"Y/#a #y.htm"_s << QList<int>{};
}

void TestClassifyPass::reparseDuringQuestion()
{
    QFETCH(QString, keywords);
    QFETCH(QString, reparsed);
    QFETCH(QString, askedKind);
    QFETCH(QStringList, script);
    QFETCH(QString, placed);
    QFETCH(QList<int>, used);

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
    QCOMPARE(box.usedCounts(), used);
}

// The pass may skip entries that cannot match; it must never skip one that does.
void TestClassifyPass::matchingAgreesWithMatchKeyword()
{
    const QStringList keywords{u"news"_s,  u"NEWS"_s,   u"News"_s,     u"ｎｅｗｓ"_s, u"ＮＥＷＳ"_s, u"n"_s,
                               u"N"_s,     u"ew"_s,     u"s.h"_s,      u"in/d"_s,    u"日本"_s,     u"ﾆｭｰｽ"_s,
                               u"ニュース"_s, u"daily n"_s, u"abcdefgh"_s, u"🎉x"_s,     u"x🎉"_s,     u"ws.htm"_s};
    const QStringList names{u"daily news.htm"_s, u"DAILY NEWS.HTM"_s,  u"ｎｅｗｓ.htm"_s, u"日本のニュース.htm"_s,
                            u"ﾆｭｰｽ.htm"_s,       u"party🎉x.htm"_s, u"plain.txt"_s};

    for (const QString &name : names) {
        Sandbox box;
        QString text;
        for (qsizetype k = 0; k < keywords.size(); ++k)
            text += keywords.at(k) + u" -> ../D%1\n"_s.arg(k);
        box.parse(text);
        const QString path = box.makeFiles({name}).first();
        QStringList expected;
        for (const KeywordEntry &entry : box.table.entries()) {
            if (matchKeyword(entry, path) == MatchResult::Match)
                expected.append(shortForm(entry.destination, box.root));
        }
        box.prompts.script = expected.size() > 1 ? QStringList{u"keyword:3"_s}
                             : expected.isEmpty()  ? QStringList{}
                                                   : QStringList{u"confirm:Abort"_s};
        box.pass.run({path});
        QCOMPARE(box.prompts.problems, QStringList());
        QCOMPARE(box.prompts.script, QStringList());
        if (expected.size() > 1)
            QCOMPARE(box.prompts.candidates, expected);
    }
}

QTEST_GUILESS_MAIN(TestClassifyPass)
#include "tst_classifypass.moc"
