#include "classifypass.h"
#include "classifyplan.h"
#include "keywordtable.h"
#include "mainview.h"
#include "messagetable.h"
#include "movehistory.h"
#include "movejournal.h"
#include "pagefactscache.h"
#include "scriptedprompts.h"
#include "systemtest.h"
#include "testfiles.h"
#include "treesnapshot.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDBusConnection>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct Result
{
    int code = -1;
    QString out;
    QString err;
};

// A source folder "in", a parent folder "Sorted", the keyword list "list.dat" and the program's own
// folders, all in one temporary folder; the settings file names them unless told not to.
struct Sandbox
{
    QTemporaryDir dir;
    QString base = dir.path();
    QString in = base + u"/in"_s;
    QString root = base + u"/Sorted"_s;
    QString list = base + u"/list.dat"_s;
    QString journal = base + u"/state/marrowdale/journal.jsonl"_s;

    explicit Sandbox(const QString &keywords = u"news -> ../News"_s, bool withSettings = true)
    {
        QDir().mkpath(in);
        QDir().mkpath(root);
        QDir().mkpath(base + u"/config/marrowdale"_s);
        writeBytes(list, keywords.toUtf8());
        if (withSettings) {
            writeBytes(base + u"/config/marrowdale/marrowdale.ini"_s,
                       u"[Setting]\nIniFolder=%1\nPtnFile=%2\nRootFolder=%3\nSift=1\nConfirm=1\nDenominator=100\n"_s
                           .arg(in, list, root)
                           .toUtf8());
        }
    }

    /// Paths below the sandbox: "folder/" makes a folder, "name=text" a file holding the text.
    void make(const QStringList &entries) const
    {
        for (const QString &entry : entries) {
            if (entry.endsWith(u'/'))
                QDir().mkpath(base + u'/' + entry);
            else
                writeBytes(base + u'/' + entry.section(u'=', 0, 0), entry.section(u'=', 1).toUtf8());
        }
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // No display of any kind: the commands must not need one.
        for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            environment.remove(name);
        environment.insert(u"XDG_CONFIG_HOME"_s, base + u"/config"_s);
        environment.insert(u"XDG_STATE_HOME"_s, base + u"/state"_s);
        environment.insert(u"XDG_CACHE_HOME"_s, base + u"/cache"_s);
        environment.insert(u"HOME"_s, base);
        environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
        // No desktop either, unless a test gives it one.
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path="_s + base + u"/no-bus"_s);
        return environment;
    }

    Result run(const QStringList &arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.setWorkingDirectory(base);
        process.start(QStringLiteral(MARROWDALE_EXECUTABLE), arguments);
        Result result;
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return result;
        result.code = process.exitCode();
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    QList<QJsonObject> runJson(const QStringList &arguments) const
    {
        QList<QJsonObject> objects;
        const Result result = run(arguments + QStringList {u"--json"_s});
        for (const QString &line : result.out.split(u'\n', Qt::SkipEmptyParts))
            objects.append(QJsonDocument::fromJson(line.toUtf8()).object());
        return objects;
    }
};

QStringList lines(const QString &text)
{
    return text.split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

// The desktop's notification service, as far as the watch uses it.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList summaries, bodies;
    QList<QStringList> actions;

public Q_SLOTS:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &action, const QVariantMap &, int)
    {
        summaries << summary;
        bodies << body;
        actions << action;
        return uint(summaries.size());
    }
};

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void classifies_data();
    void classifies();
    void pagesFiledByWhatTheyAre_data();
    void pagesFiledByWhatTheyAre();
    void suggestionsForPagesWithoutAKeyword();
    void dryRunChangesNothing();
    void windowAndCommandLineFileAlike();
    void namesCannotForgeReportLines();
    void foreignLinkedDestinationIsNotFollowed();
    void refusedDestinationMakesNothing();
    void jsonParses();
    void namesThatAreNotUtf8AreLeftAndReported();
    void attributesLostAreReportedOnce();
    void exitStatuses_data();
    void exitStatuses();
    void failuresThatAreNotTheCallers_data();
    void failuresThatAreNotTheCallers();
    void qtOptionsStartTheWindow();
    void countersWrittenBack_data();
    void countersWrittenBack();
    void countersKeepAnEditMadeDuringThePass();
    void classifySettlesFirst();
    void historyListsTheLastPasses_data();
    void historyListsTheLastPasses();
    void undoLastRestoresTheTree();
    void undoNeverOverwrites();
    void watchWaitsForAPageToStopGrowing();
    void watchTellsTheDesktop();
};

void TestCommandLine::classifies_data()
{
    QTest::addColumn<QString>("keywords");
    QTest::addColumn<QStringList>("made"); // below the sandbox, before the run
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("after"); // "path" is there, "!path" is not, "path=text" holds the text
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("said"); // lines of the report, in order

    using S = QStringList;
    const QString two = u"news -> ../News\npaper -> ../Paper"_s;
    QTest::newRow("one keyword: the file and its companion move, Confirm does not apply")
        << u"news -> ../News"_s << S {u"in/daily news.htm=page"_s, u"in/daily news_files/s.css=css"_s} << S {}
        << S {u"Sorted/News/daily news.htm=page"_s, u"Sorted/News/daily news_files/s.css=css"_s,
              u"!in/daily news_files"_s}
        << 0 << S {u"moved      daily news.htm -> ../News (with daily news_files)"_s};
    QTest::newRow("several keywords: skipped")
        << two << S {u"in/news paper.htm=page"_s} << S {}
        << S {u"in/news paper.htm=page"_s, u"!Sorted/News"_s, u"!Sorted/Paper"_s} << 1
        << S {u"skipped    news paper.htm: several keywords: ../News, ../Paper"_s};
    QTest::newRow("several keywords, first taken: list order")
        << u"paper -> ../Paper\nnews -> ../News"_s << S {u"in/news paper.htm=page"_s}
        << S {u"--ambiguous"_s, u"first"_s} << S {u"Sorted/Paper/news paper.htm=page"_s} << 0
        << S {u"moved      news paper.htm -> ../Paper"_s};
    QTest::newRow("asks each time: skipped")
        << u"news? -> ../News"_s << S {u"in/news.htm=page"_s} << S {u"--ambiguous"_s, u"first"_s}
        << S {u"in/news.htm=page"_s} << 1
        << S {u"skipped    news.htm: the keyword \"news?\" on line 1 asks for the folder each time"_s};
    QTest::newRow("asks each time after a plain keyword, first taken")
        << u"paper -> ../Paper\nnews? -> ../News"_s << S {u"in/news paper.htm=page"_s}
        << S {u"--ambiguous"_s, u"first"_s} << S {u"Sorted/Paper/news paper.htm=page"_s} << 0
        << S {u"moved      news paper.htm -> ../Paper"_s};
    QTest::newRow("missing parent folder: skipped, nothing made")
        << u"news -> /marrowdale-test-no-such-top/News"_s << S {u"in/news.htm=page"_s} << S {}
        << S {u"in/news.htm=page"_s, u"!/marrowdale-test-no-such-top"_s} << 1
        << S {u"skipped    news.htm: the parent folder of \"/marrowdale-test-no-such-top/News\" does not exist"_s};
    QTest::newRow("missing destination below an existing parent: made")
        << u"news -> ../News/Daily"_s << S {u"in/news.htm=page"_s} << S {} << S {u"Sorted/News/Daily/news.htm=page"_s}
        << 0 << S {u"moved      news.htm -> ../News/Daily"_s};
    QTest::newRow("existing target: skipped, nothing overwritten")
        << u"news -> ../News"_s << S {u"in/news.htm=new"_s, u"Sorted/News/news.htm=old"_s} << S {}
        << S {u"in/news.htm=new"_s, u"Sorted/News/news.htm=old"_s} << 1
        << S {u"skipped    news.htm: \"@/Sorted/News/news.htm\" exists already"_s};
    QTest::newRow("existing companion target: skipped with its companion")
        << u"news -> ../News"_s << S {u"in/news.htm=new"_s, u"in/news_files/a=1"_s, u"Sorted/News/news_files/"_s}
        << S {} << S {u"in/news.htm=new"_s, u"in/news_files/a=1"_s, u"!Sorted/News/news.htm"_s} << 1
        << S {u"skipped    news.htm: \"@/Sorted/News/news_files\" exists already"_s};
    QTest::newRow("no keyword: stays, handled")
        << u"news -> ../News"_s << S {u"in/other.htm=page"_s} << S {u"--explain"_s} << S {u"in/other.htm=page"_s} << 0
        << S {u"stays      other.htm: no keyword"_s};
    QTest::newRow("explain names the lines")
        << u"\nnews -> ../News\npaper -> ../Paper"_s << S {u"in/news paper.htm=page"_s} << S {u"--explain"_s}
        << S {u"in/news paper.htm=page"_s} << 1
        << S {u"skipped    news paper.htm: several keywords: ../News, ../Paper"_s,
              u"           line 2: news -> ../News"_s, u"           line 3: paper -> ../Paper"_s};
}

void TestCommandLine::classifies()
{
    QFETCH(QString, keywords);
    QFETCH(QStringList, made);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, after);
    QFETCH(QStringList, said);

    Sandbox box(keywords);
    QVERIFY(box.dir.isValid());
    box.make(made);
    const Result result = box.run(QStringList {u"classify"_s} + arguments);
    QTEST(result.code, "code");
    QCOMPARE(result.err, QString());
    QStringList report = lines(result.out);
    QVERIFY(!report.isEmpty());
    report.removeLast(); // the summary
    QCOMPARE(report, said.replaceInStrings(u"@"_s, box.base));

    for (const QString &entry : std::as_const(after)) {
        const QString path
            = entry.startsWith(u"!/"_s) ? entry.mid(1) : box.base + u'/' + entry.section(u'=', 0, 0).remove(u'!');
        if (entry.startsWith(u'!'))
            QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
        else if (entry.contains(u'='))
            QCOMPARE(bytesOf(path), entry.section(u'=', 1).toUtf8());
        else
            QVERIFY2(QFileInfo::exists(path), qPrintable(path));
    }
}

void TestCommandLine::pagesFiledByWhatTheyAre_data()
{
    QTest::addColumn<QString>("keywords");
    QTest::addColumn<QString>("setting"); // appended to the settings file
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("moved"); // the folder below Sorted the page went to, empty when it stayed
    QTest::addColumn<QString>("field"); // of the first match

    using S = QStringList;
    const QString sites = u"site:nhk.or.jp -> ../NHK\nsite:example.com -> ../Example"_s;
    QTest::newRow("site: by the address, not by a name naming another site")
        << sites << u"PageFacts=1"_s << S {} << u"NHK"_s << u"address"_s;
    QTest::newRow("site: works with the option off")
        << sites << u"PageFacts=0"_s << S {} << u"NHK"_s << u"address"_s;
    QTest::newRow("title: by the title")
        << u"title:地震 -> ../Quakes"_s << u"PageFacts=1"_s << S {} << u"Quakes"_s << u"title"_s;
    QTest::newRow("plain keyword in a full-width title") << u"quake -> ../Quakes"_s << u"PageFacts=1"_s << S {}
                                                         << u"Quakes"_s << u"title"_s;
    QTest::newRow("plain keyword, option off: names only") << u"quake -> ../Quakes"_s << u"PageFacts=0"_s << S {}
                                                           << QString() << QString();
    QTest::newRow("plain keyword, settings from before the option: names only")
        << u"quake -> ../Quakes"_s << QString() << S {} << QString() << QString();
    QTest::newRow("plain keyword, --names-only") << u"quake -> ../Quakes"_s << u"PageFacts=1"_s
                                                 << S {u"--names-only"_s} << QString() << QString();
    QTest::newRow("url: by the address's path") << u"url:/news/ -> ../News"_s << u"PageFacts=1"_s << S {}
                                                << u"News"_s << u"address"_s;
}

// A page named after example.com, saved from www3.nhk.or.jp, with a full-width title.
void TestCommandLine::pagesFiledByWhatTheyAre()
{
    QFETCH(QString, keywords);
    QFETCH(QString, setting);
    QFETCH(QStringList, arguments);
    QFETCH(QString, moved);

    Sandbox box(keywords);
    const QString ini = box.base + u"/config/marrowdale/marrowdale.ini"_s;
    writeBytes(ini, bytesOf(ini) + setting.toUtf8() + '\n');
    const QByteArray page = "<!DOCTYPE html>\n<!-- saved from url=(0044)https://www3.nhk.or.jp/news/html/k1000.html -->\n"
                            "<html><head><meta charset=\"utf-8\"><title>\xef\xbc\xb1\xef\xbd\x95\xef\xbd\x81"
                            "\xef\xbd\x8b\xef\xbd\x85 \xe5\x9c\xb0\xe9\x9c\x87</title></head><body></body></html>\n";
    writeBytes(box.in + u"/example.com copy.htm"_s, page);

    const QList<QJsonObject> objects = box.runJson(QStringList {u"classify"_s, u"--dry-run"_s} + arguments);
    QCOMPARE(objects.size(), 2);
    const QJsonObject file = objects.first();
    const bool facts = !arguments.contains(u"--names-only"_s) && (setting == u"PageFacts=1"_s
                                                                 || keywords.contains(u':'));
    QCOMPARE(file.value(u"address"_s).toString(),
             facts ? u"https://www3.nhk.or.jp/news/html/k1000.html"_s : QString());
    QCOMPARE(file.value(u"title"_s).toString(), facts ? u"Ｑｕａｋｅ 地震"_s : QString());
    QCOMPARE(file.value(u"destination"_s).toString(), moved.isEmpty() ? QString() : box.root + u'/' + moved);
    const QJsonArray matches = file.value(u"matches"_s).toArray();
    QCOMPARE(matches.size(), moved.isEmpty() ? 0 : 1);
    if (!moved.isEmpty())
        QTEST(matches.first().toObject().value(u"field"_s).toString(), "field");

    // The real run files it where the dry run said, and --explain says why.
    const Result real = box.run(QStringList {u"classify"_s, u"--explain"_s} + arguments);
    QVERIFY(QFileInfo::exists((moved.isEmpty() ? box.in : box.root + u'/' + moved) + u"/example.com copy.htm"_s));
    if (!moved.isEmpty())
        QVERIFY2(real.out.contains(u" (in the %1)"_s.arg(matches.first().toObject().value(u"field"_s).toString())),
                 qPrintable(real.out));
}

// Each round of a watch tells the desktop what was filed and what waits, on a private session bus with a
// notification service of the test's own.
void TestCommandLine::watchTellsTheDesktop()
{
    QProcess bus;
    bus.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
    if (!bus.waitForStarted())
        QSKIP("no dbus-daemon to run a private session bus");
    QVERIFY(bus.waitForReadyRead(10000));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    {
        QDBusConnection connection = QDBusConnection::connectToBus(address, u"desktop"_s);
        QVERIFY(connection.isConnected());
        FakeNotifications service;
        QVERIFY(connection.registerObject(u"/org/freedesktop/Notifications"_s, &service,
                                          QDBusConnection::ExportAllSlots));
        QVERIFY(connection.registerService(u"org.freedesktop.Notifications"_s));

        Sandbox box(u"news -> ../News\npaper -> ../Paper"_s);
        QProcess watch;
        QProcessEnvironment environment = box.environment();
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, address);
        watch.setProcessEnvironment(environment);
        watch.start(QStringLiteral(MARROWDALE_EXECUTABLE), {u"classify"_s, u"--watch"_s, box.in});
        QVERIFY(watch.waitForStarted());
        box.make({u"in/daily news.htm=a"_s, u"in/news paper.htm=b"_s});
        QTRY_VERIFY_WITH_TIMEOUT(!service.summaries.isEmpty(), 15000);
        QCOMPARE(service.summaries.first(), u"Marrowdale filed 1 pages; 1 wait for you"_s);
        QCOMPARE(service.bodies.first(), u"news paper.htm"_s);
        QCOMPARE(service.actions.first(), (QStringList {u"default"_s, u"Open Marrowdale"_s}));
        watch.terminate();
        QVERIFY(watch.waitForFinished(10000));
        QCOMPARE(watch.exitCode(), 0);
    }
    QDBusConnection::disconnectFromBus(u"desktop"_s);
    bus.terminate();
    bus.waitForFinished(5000);
}

// Suggestions are only told, unless a score is given to accept them: then the move is recorded like any.
void TestCommandLine::suggestionsForPagesWithoutAKeyword()
{
    Sandbox box(u"news -> ../News"_s);
    box.make({u"Sorted/Linux/Linux kernel tuning.htm=a"_s, u"Sorted/Linux/Debian kernel packages.htm=b"_s,
              u"Sorted/Cooking/Pasta recipes.htm=c"_s, u"Sorted/Cooking/Bread recipes.htm=d"_s,
              u"in/Kernel build howto.htm=e"_s});
    const QList<QJsonObject> objects = box.runJson({u"classify"_s, u"--dry-run"_s, u"--suggest"_s});
    QCOMPARE(objects.size(), 2);
    const QJsonArray suggestions = objects.first().value(u"suggestions"_s).toArray();
    QVERIFY(!suggestions.isEmpty());
    const QJsonObject best = suggestions.first().toObject();
    QCOMPARE(best.value(u"folder"_s).toString(), box.root + u"/Linux"_s);
    QCOMPARE(best.value(u"short"_s).toString(), u"../Linux"_s);
    QCOMPARE(best.value(u"keyword"_s).toString(), u"kernel"_s);
    QVERIFY(best.value(u"score"_s).toDouble() > 0.5 && best.value(u"score"_s).toDouble() <= 1);
    QVERIFY(best.value(u"because"_s).toString().contains(u"kernel"_s));
    QVERIFY(box.run({u"classify"_s, u"--dry-run"_s, u"--explain"_s, u"--suggest"_s}).out.contains(u"suggested ../Linux ("_s));
    QCOMPARE(box.run({u"classify"_s, u"--accept-suggestions"_s, u"1.5"_s}).code, 2);

    // Not reached: it stays. Reached: it moves, and undo brings it back.
    if (const double score = best.value(u"score"_s).toDouble(); score < 0.99) {
        QCOMPARE(box.run({u"classify"_s, u"--accept-suggestions"_s, QString::number(score + 0.005)}).code, 0);
        QVERIFY(QFileInfo::exists(box.in + u"/Kernel build howto.htm"_s));
    }
    const Result accepted = box.run({u"classify"_s, u"--accept-suggestions"_s, u"0.5"_s});
    QVERIFY2(accepted.out.contains(u"moved      Kernel build howto.htm -> ../Linux (suggested)"_s), qPrintable(accepted.out));
    QVERIFY(QFileInfo::exists(box.root + u"/Linux/Kernel build howto.htm"_s));
    QCOMPARE(box.run({u"undo"_s, u"--last"_s}).code, 0);
    QVERIFY(QFileInfo::exists(box.in + u"/Kernel build howto.htm"_s));
}

// What a dry run says it would do is what the real run then does, and the dry run itself touches nothing.
void TestCommandLine::dryRunChangesNothing()
{
    Sandbox box(u"news -> ../News    << 1/1\npaper -> ../Paper\nask? -> ../Ask\ndeep -> ../Deep/Er"_s);
    box.make({u"in/a news.htm=a"_s, u"in/a news_files/x.css=x"_s, u"in/b paper.htm=b"_s, u"in/c news paper.htm=c"_s,
              u"in/d ask.htm=d"_s, u"in/e.htm=e"_s, u"in/f deep.htm=f"_s, u"in/f deep.files/y=y"_s,
              u"Sorted/Paper/b paper.htm=taken"_s});
    const auto before = TreeSnapshot::of(box.base);

    const Result dry = box.run({u"classify"_s, u"--dry-run"_s, u"--explain"_s});
    QCOMPARE(dry.code, 1);
    COMPARE_TREES(TreeSnapshot::of(box.base), before);

    QStringList wouldMove;
    for (const QString &line : lines(dry.out)) {
        if (line.startsWith(u"would move "_s))
            wouldMove.append(line.mid(11));
    }
    QCOMPARE(wouldMove.size(), 2);
    QStringList moved;
    for (const QString &line : lines(box.run({u"classify"_s}).out)) {
        if (line.startsWith(u"moved      "_s))
            moved.append(line.mid(11));
    }
    QCOMPARE(moved, wouldMove);
    QVERIFY(QFileInfo::exists(box.root + u"/Deep/Er/f deep.files/y"_s));
}

// The window's pass, with every question declined, files what the command line files, file by file.
void TestCommandLine::windowAndCommandLineFileAlike()
{
    const QString list = u"news -> ../News\npaper -> ../Paper\nask? -> ../Ask\ndeep -> ../Deep/Er\n"
                         u"far -> /marrowdale-test-no-such-top/x\nsite:nhk.or.jp -> ../NHK\ntitle:Weekly -> ../Weekly\n"_s;
    const QStringList files {u"a news.htm"_s, u"b paper.htm"_s, u"c news paper.htm"_s, u"d ask.htm"_s,
                             u"e other.htm"_s, u"f deep.htm"_s, u"g.htm"_s, u"h.htm"_s,
                             u"z far.htm"_s}; // the last ends the window's pass
    Sandbox window(list), command(list);
    for (const QString &file : files) {
        const QString text = file == u"g.htm"_s ? u"<!-- saved from url=(0022)https://www.nhk.or.jp/ -->"_s
            : file == u"h.htm"_s                 ? u"<title>Weekly</title>"_s
                                                 : u"x"_s;
        window.make({u"in/"_s + file + u'=' + text});
        command.make({u"in/"_s + file + u'=' + text});
    }
    KeywordTable table;
    table.parse(list, window.root);
    ScriptedPrompts prompts; // Neither of them, no folder chosen, No to the missing parent folder
    QuietView view;
    const MessageTable messages;
    ClassifyPass pass(table, {prompts, messages, view}, [&window] { return Options {window.root, true, 1000, false}; });
    PageFactsCache facts(window.base + u"/facts.cache"_s);
    pass.setPageFacts({&facts, false});
    pass.run(listSourceFolder(window.in).files);
    QVERIFY(QFileInfo::exists(window.root + u"/NHK/g.htm"_s));
    QCOMPARE(prompts.askedOf(u"askYesNo"_s), QStringList {messages.text(13)});

    for (const QJsonObject &object : command.runJson({u"classify"_s, u"--dry-run"_s})) {
        if (object.contains(u"summary"_s))
            continue;
        const QString name = object.value(u"file"_s).toString().section(u'/', -1);
        const QString destination = object.value(u"status"_s).toString() == u"would-move"_s
            ? object.value(u"destination"_s).toString().replace(command.root, window.root)
            : window.in;
        QVERIFY2(QFileInfo::exists(destination + u'/' + name), qPrintable(name));
    }
}

// A file name with line breaks made the text reports show "failed" and summary lines of its own.
void TestCommandLine::namesCannotForgeReportLines()
{
    Sandbox box(u"news -> ../News"_s);
    const QString forged = u"a news.htm\nfailed     b.htm: forged\n9 moved, 0 skipped"_s;
    box.make({u"in/"_s + forged + u"=x"_s, u"in/other\r.htm=y"_s});
    const Result classify = box.run({u"classify"_s, u"--explain"_s});
    const QStringList said = lines(classify.out);
    QCOMPARE(said.size(), 4); // two files, one matching line, the summary
    QVERIFY2(said.first().contains(u"a news.htm\\nfailed     b.htm: forged\\n9 moved"_s), qPrintable(said.first()));
    QVERIFY2(said.at(2).contains(u"other\\r.htm"_s), qPrintable(said.at(2)));
    const QStringList history = lines(box.run({u"history"_s}).out);
    QCOMPARE(history.size(), 2); // the pass and its move
    const QStringList undo = lines(box.run({u"undo"_s, u"--last"_s}).out);
    QCOMPARE(undo.size(), 2); // the move back and the summary
    QVERIFY(QFileInfo::exists(box.in + u'/' + forged));
}

// A destination folder that another user planted as a link in a shared parent folder leads into that
// user's folder: the file stays, and the report says why.
void TestCommandLine::foreignLinkedDestinationIsNotFollowed()
{
    if (::geteuid() != 0)
        QSKIP("a link of another user's needs the superuser to make");
    Sandbox box(u"news -> ../News"_s);
    box.make({u"in/news.htm=n"_s, u"theirs/"_s});
    QVERIFY(QFile::link(box.base + u"/theirs"_s, box.root + u"/News"_s));
    QVERIFY(::lchown(QFile::encodeName(box.root + u"/News"_s).constData(), 4242, 4242) == 0);
    const QList<QJsonObject> objects = box.runJson({u"classify"_s});
    QCOMPARE(objects.first().value(u"status"_s).toString(), u"failed"_s);
    QVERIFY2(objects.first().value(u"reason"_s).toString().contains(u"belongs to another user"_s),
             qPrintable(objects.first().value(u"reason"_s).toString()));
    QCOMPARE(bytesOf(box.in + u"/news.htm"_s), "n"_ba);
    QCOMPARE(QDir(box.base + u"/theirs"_s).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

// A line whose destination is neither absolute nor below the parent folder made a folder below the
// folder the program was started in.
void TestCommandLine::refusedDestinationMakesNothing()
{
    Sandbox box(u"zqx->zr -> ..\\Arrow\nnews -> ../News"_s);
    box.make({u"in/zqx.htm=z"_s, u"in/news.htm=n"_s});
    const Result result = box.run({u"classify"_s});
    QCOMPARE(result.code, 1);
    QVERIFY2(result.err.contains(u"Line 1"_s) && result.err.contains(u"zr -> ../Arrow"_s), qPrintable(result.err));
    QVERIFY(QFileInfo::exists(box.root + u"/News/news.htm"_s));
    QCOMPARE(bytesOf(box.in + u"/zqx.htm"_s), "z"_ba);
    QCOMPARE(QDir(box.base).entryList({u"zr*"_s}, QDir::AllEntries), QStringList());
}

void TestCommandLine::jsonParses()
{
    Sandbox box(u"news -> ../News\npaper -> ../Paper"_s);
    box.make({u"in/a news.htm=a"_s, u"in/a news_files/x=x"_s, u"in/b news paper.htm=b"_s, u"in/c.htm=c"_s});
    const QList<QJsonObject> objects = box.runJson({u"classify"_s});
    QCOMPARE(objects.size(), 4);
    for (const QJsonObject &object : objects)
        QVERIFY(!object.isEmpty()); // every line is one whole object

    QCOMPARE(objects.at(0).value(u"status"_s).toString(), u"moved"_s);
    QCOMPARE(objects.at(0).value(u"file"_s).toString(), box.in + u"/a news.htm"_s);
    QCOMPARE(objects.at(0).value(u"target"_s).toString(), box.root + u"/News/a news.htm"_s);
    QCOMPARE(objects.at(0).value(u"companionTarget"_s).toString(), box.root + u"/News/a news_files"_s);
    QCOMPARE(objects.at(1).value(u"status"_s).toString(), u"skipped"_s);
    QCOMPARE(objects.at(1).value(u"reasonCode"_s).toString(), u"several-keywords"_s);
    const QJsonArray matches = objects.at(1).value(u"matches"_s).toArray();
    QCOMPARE(matches.size(), 2);
    QCOMPARE(matches.at(1).toObject().value(u"line"_s).toInt(), 2);
    QCOMPARE(matches.at(1).toObject().value(u"keyword"_s).toString(), u"paper"_s);
    QCOMPARE(objects.at(1).value(u"candidates"_s).toArray(), (QJsonArray {u"../News"_s, u"../Paper"_s}));
    QCOMPARE(objects.at(2).value(u"status"_s).toString(), u"no-keyword"_s);

    const QJsonObject summary = objects.at(3).value(u"summary"_s).toObject();
    QCOMPARE(summary.value(u"files"_s).toInt(), 3);
    QCOMPARE(summary.value(u"moved"_s).toInt(), 1);
    QCOMPARE(summary.value(u"skipped"_s).toInt(), 1);
    QCOMPARE(summary.value(u"noKeyword"_s).toInt(), 1);
    const QString pass = summary.value(u"pass"_s).toString();
    QVERIFY(!pass.isEmpty());
    const QList<JournalRecord> journal = MoveJournal::read(box.journal);
    QVERIFY(std::any_of(journal.cbegin(), journal.cend(), [&pass](const JournalRecord &record) {
        return record.op == u"pass"_s && record.pass == pass && record.what == u"classify"_s;
    }));
}

void TestCommandLine::namesThatAreNotUtf8AreLeftAndReported()
{
    Sandbox box;
    box.make({u"in/news.htm=page"_s});
    // "news" and a Shift-JIS name: it must not be filed under a name that is not its own.
    const QByteArray legacy = QFile::encodeName(box.in) + "/news \x83\x6A.htm";
    const int fd = ::open(legacy.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    QVERIFY(fd >= 0);
    ::close(fd);
    const QList<QJsonObject> report = box.runJson({u"classify"_s});
    QCOMPARE(report.size(), 2);
    QCOMPARE(report.last().value(u"summary"_s).toObject().value(u"unreadableNames"_s).toInt(), 1);
    QVERIFY(QFile::exists(box.root + u"/News/news.htm"_s));
    QCOMPARE(QDir(box.in).entryList(QDir::Files).size(), 0); // Qt cannot show it either
    QVERIFY(::access(legacy.constData(), F_OK) == 0);
    const Result plain = box.run({u"classify"_s});
    QCOMPARE(plain.code, 1);
    QVERIFY2(plain.err.contains(u"not UTF-8"_s), qPrintable(plain.err));
}

// A saved page's address lives in an extended attribute; a disk that cannot hold it still gets the files.
void TestCommandLine::attributesLostAreReportedOnce()
{
    Sandbox box(u"news -> ../News"_s);
    if (!SystemTest::mountTmpfs(box.in, u"1m"_s))
        QSKIP("a second file system needs the superuser");
    const auto unmountSource = qScopeGuard([&] { SystemTest::unmount(box.in); });
    if (QProcess::execute(u"mount"_s, {u"-t"_s, u"ramfs"_s, u"ramfs"_s, box.root}) != 0)
        QSKIP("ramfs cannot be mounted here");
    const auto unmountRoot = qScopeGuard([&] { SystemTest::unmount(box.root); });
    box.make({u"in/a news.htm=a"_s, u"in/b news.htm=b"_s});
    for (const char *name : {"/a news.htm", "/b news.htm"}) {
        const QByteArray path = QFile::encodeName(box.in) + name;
        QVERIFY(::setxattr(path.constData(), "user.xdg.origin.url", "https://example.org/", 20, 0) == 0);
    }
    const Result result = box.run({u"classify"_s});
    QCOMPARE(result.code, 0);
    QVERIFY(QFile::exists(box.root + u"/News/a news.htm"_s));
    QVERIFY(QFile::exists(box.root + u"/News/b news.htm"_s));
    QCOMPARE(result.err.count(u"cannot hold extended attributes"_s), 1);
    QVERIFY2(result.err.contains(u"\n    "_s + box.root + u"/News"_s), qPrintable(result.err));
    QVERIFY2(!result.err.contains(u"<br>"_s), qPrintable(result.err));
}

void TestCommandLine::exitStatuses_data()
{
    QTest::addColumn<bool>("settings");
    QTest::addColumn<QString>("keywords");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("said"); // in what the program wrote

    using S = QStringList;
    const QString news = u"news -> ../News"_s;
    QTest::newRow("every file handled") << true << news << S {u"classify"_s} << 0 << u"1 moved"_s;
    QTest::newRow("help") << true << news << S {u"--help"_s} << 0 << u"classify [SOURCE]"_s;
    QTest::newRow("command help") << true << news << S {u"undo"_s, u"--help"_s} << 0 << u"--pass <ID>"_s;
    QTest::newRow("version") << true << news << S {u"--version"_s} << 0 << u"marrowdale 1."_s;
    QTest::newRow("unknown command") << true << news << S {u"clasify"_s} << 2 << u"unknown command \"clasify\""_s;
    QTest::newRow("unknown option") << true << news << S {u"classify"_s, u"--bogus"_s} << 2 << u"bogus"_s;
    QTest::newRow("two sources") << true << news << S {u"classify"_s, u"in"_s, u"in"_s} << 2 << u"one source"_s;
    QTest::newRow("--ambiguous maybe") << true << news << S {u"classify"_s, u"--ambiguous"_s, u"maybe"_s} << 2
                                       << u"\"skip\" or \"first\""_s;
    QTest::newRow("missing source folder")
        << true << news << S {u"classify"_s, u"nowhere"_s} << 2 << u"does not exist"_s;
    QTest::newRow("source folder that is a file")
        << true << news << S {u"classify"_s, u"in/news.htm"_s} << 2 << u"not a folder"_s;
    QTest::newRow("binary keyword list")
        << true << u"\u007FELF\u0002\u0001\u0001\u0000\u0000\u0000\u0000\u0000"_s << S {u"classify"_s} << 2
        << u"not a keyword list"_s;
    QTest::newRow("no settings, no source") << false << news << S {u"classify"_s} << 2 << u"give SOURCE"_s;
    QTest::newRow("no settings, no parent folder")
        << false << news << S {u"classify"_s, u"in"_s} << 2 << u"give --root"_s;
    QTest::newRow("no settings, all given")
        << false << news << S {u"classify"_s, u"in"_s, u"--root"_s, u"Sorted"_s, u"--list"_s, u"list.dat"_s} << 0
        << u"1 moved"_s;
    QTest::newRow("keyword list missing")
        << true << news << S {u"classify"_s, u"--list"_s, u"none.dat"_s} << 2 << u"none.dat"_s;
    QTest::newRow("count that is no number")
        << true << u"news -> ../News    << x/3"_s << S {u"classify"_s} << 2 << u"Line 1"_s;
    QTest::newRow("undo of nothing named") << true << news << S {u"undo"_s} << 2 << u"--last"_s;
    QTest::newRow("undo of two things") << true << news << S {u"undo"_s, u"x/1"_s, u"--last"_s} << 2 << u"--last"_s;
    QTest::newRow("undo of an unknown pass")
        << true << news << S {u"undo"_s, u"--pass"_s, u"nope"_s} << 2 << u"no pass \"nope\""_s;
    QTest::newRow("undo of an unknown move points to the history")
        << true << news << S {u"undo"_s, u"nope/1"_s} << 2 << u"\"marrowdale history\" lists"_s;
    QTest::newRow("undo with an empty journal")
        << true << news << S {u"undo"_s, u"--last"_s} << 0 << u"no pass that filed"_s;
    QTest::newRow("history --last 0") << true << news << S {u"history"_s, u"--last"_s, u"0"_s} << 2 << u"--last"_s;
}

void TestCommandLine::exitStatuses()
{
    QFETCH(bool, settings);
    QFETCH(QString, keywords);
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);

    Sandbox box(keywords, settings);
    box.make({u"in/news.htm=page"_s});
    const auto before = TreeSnapshot::without(TreeSnapshot::of(box.base, TreeSnapshot::NoFolderTimes), "state");
    const Result result = box.run(arguments);
    QTEST(result.code, "code");
    QVERIFY2((result.out + result.err).contains(said), qPrintable(result.out + result.err));
    // A usage error is said on stderr and changes nothing of the user's.
    if (result.code == 2) {
        QVERIFY(!result.err.isEmpty());
        // An id that is not there is no mistake of usage that the help would mend.
        QCOMPARE(result.err.contains(u"--help"_s), !result.err.contains(u"the journal holds no"_s));
        COMPARE_TREES(TreeSnapshot::without(TreeSnapshot::of(box.base, TreeSnapshot::NoFolderTimes), "state"), before);
    }
}

void TestCommandLine::failuresThatAreNotTheCallers_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("fault"); // "journal folder", "full state disk" or "full report disk"
    QTest::addColumn<QString>("said");

    using S = QStringList;
    QTest::newRow("classify, journal that cannot be opened")
        << S {u"classify"_s} << u"journal folder"_s << u"journal"_s;
    QTest::newRow("undo, journal that cannot be opened")
        << S {u"undo"_s, u"--last"_s} << u"journal folder"_s << u"journal"_s;
    QTest::newRow("history, journal that cannot be read")
        << S {u"history"_s} << u"journal folder"_s << u"cannot be read"_s;
    QTest::newRow("classify, moves that cannot be recorded")
        << S {u"classify"_s} << u"full state disk"_s << u"nothing more is moved"_s;
    QTest::newRow("report to a full disk")
        << S {u"classify"_s, u"--dry-run"_s} << u"full report disk"_s << u"report could not be written"_s;
}

// Not the caller's mistake: status 1 and no hint to read the help.
void TestCommandLine::failuresThatAreNotTheCallers()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, fault);
    QFETCH(QString, said);

    Sandbox box;
    box.make({u"in/news.htm=page"_s});
    const QString state = box.base + u"/state"_s;
    const auto unmountState = qScopeGuard([&] { SystemTest::unmount(state); });
    if (fault == u"journal folder"_s) {
        QVERIFY(QDir().mkpath(box.journal));
    } else if (fault == u"full state disk"_s) {
        if (!SystemTest::mountTmpfs(state, u"64k"_s))
            QSKIP("a small file system needs the superuser");
        writeBytes(box.journal, QByteArray());
        SystemTest::fillUp(state);
    }
    QProcess process;
    process.setProcessEnvironment(box.environment());
    process.setWorkingDirectory(box.base);
    if (fault == u"full report disk"_s)
        process.setStandardOutputFile(u"/dev/full"_s);
    process.start(QStringLiteral(MARROWDALE_EXECUTABLE), arguments);
    QVERIFY(process.waitForFinished(60000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitCode(), 1);
    QVERIFY2(err.contains(said), qPrintable(err));
    QVERIFY2(!err.contains(u"--help"_s), qPrintable(err));
    // No move without its record.
    QCOMPARE(bytesOf(box.in + u"/news.htm"_s), "page"_ba);
}

// A session manager or a user may hand the window Qt's own options.
void TestCommandLine::qtOptionsStartTheWindow()
{
    Sandbox box;
    QProcess process;
    process.setProcessEnvironment(box.environment());
    process.start(QStringLiteral(MARROWDALE_EXECUTABLE), {u"-platform"_s, u"offscreen"_s});
    QVERIFY(process.waitForStarted());
    // The window waits for its user; a command would have ended at once.
    QVERIFY2(!process.waitForFinished(1500), process.readAllStandardError().constData());
    process.kill();
    process.waitForFinished();
}

void TestCommandLine::countersWrittenBack_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("list"); // empty: as it was

    // Three files tested against every counted line; "rare" is tested often and never used: retired.
    QTest::newRow("written, sifted, sorted") << QStringList {}
                                             << QByteArray("news -> ../News    << 3/8\r\n"
                                                           "plain -> ../Plain\r\n"
                                                           "zeta -> ../Zeta    << 2/6\r\n");
    QTest::newRow("--no-counters") << QStringList {u"--no-counters"_s} << QByteArray();
    QTest::newRow("--dry-run") << QStringList {u"--dry-run"_s} << QByteArray();
}

void TestCommandLine::countersWrittenBack()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, list);

    Sandbox box(u"zeta -> ../Zeta    << 2/3\nnews -> ../News    << 1/5\nrare -> ../Rare    << 0/99\n"
                u"plain -> ../Plain\n"_s);
    box.make({u"in/a news.htm=a"_s, u"in/b news.htm=b"_s, u"in/c.htm=c"_s});
    const QByteArray before = bytesOf(box.list);
    QCOMPARE(box.run(QStringList {u"classify"_s} + arguments).code, 0);
    QCOMPARE(bytesOf(box.list), list.isEmpty() ? before : list);
}

// The list is edited while the pass waits for the journal: the edit stays, without the pass's counters.
void TestCommandLine::countersKeepAnEditMadeDuringThePass()
{
    Sandbox box(u"news -> ../News    << 1/5\n"_s);
    box.make({u"in/news.htm=n"_s});
    QVERIFY(QDir().mkpath(QFileInfo(box.journal).path()));
    const int lock
        = ::open(QFile::encodeName(box.journal + u".lock"_s).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    QVERIFY(lock >= 0 && ::flock(lock, LOCK_EX) == 0);
    QProcess process;
    process.setProcessEnvironment(box.environment());
    process.start(QStringLiteral(MARROWDALE_EXECUTABLE), {u"classify"_s});
    QVERIFY(process.waitForStarted());
    // Waiting in flock() for the settlement it takes this for: the list was read before.
    const QString syscall = u"/proc/%1/syscall"_s.arg(process.processId());
    QTRY_VERIFY(bytesOf(syscall).startsWith(QByteArray::number(SYS_flock) + ' '));
    writeBytes(box.list, "edited -> ../Edited\r\n");
    ::close(lock);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(bytesOf(box.list), "edited -> ../Edited\r\n"_ba);
    QVERIFY(QFileInfo::exists(box.root + u"/News/news.htm"_s));
    QVERIFY(QString::fromUtf8(process.readAllStandardError()).contains(u"changed while the files were filed"_s));
}

// A move a crash left half done is settled before anything else moves.
void TestCommandLine::classifySettlesFirst()
{
    Sandbox box;
    box.make({u"in/page.htm=p"_s, u"in/news.htm=n"_s});
    {
        MoveJournal journal(box.journal);
        journal.beginPass(u"classify"_s, box.in);
        journal.intent(JournalRecord::intent(u"file"_s, box.in + u"/page.htm"_s, box.root + u"/X/page.htm"_s));
        journal.endPass();
    }
    const Result result = box.run({u"classify"_s});
    QVERIFY2(result.err.contains(u"had not been moved"_s), qPrintable(result.err));
    QStringList passes;
    for (const JournalRecord &record : MoveJournal::read(box.journal)) {
        if (record.op == u"pass"_s)
            passes << record.what;
    }
    QCOMPARE(passes, (QStringList {u"classify"_s, u"settle"_s, u"classify"_s}));
}

void TestCommandLine::historyListsTheLastPasses_data()
{
    QTest::addColumn<int>("last");
    QTest::newRow("one") << 1;
    QTest::newRow("two of three") << 2;
    QTest::newRow("more than there are") << 5;
}

void TestCommandLine::historyListsTheLastPasses()
{
    QFETCH(int, last);
    Sandbox box;
    for (int pass = 0; pass < 3; ++pass) {
        box.make({u"in/news%1.htm=n"_s.arg(pass)});
        QCOMPARE(box.run({u"classify"_s, u"--no-counters"_s}).code, 0);
    }
    const QStringList arguments {u"history"_s, u"--last"_s, QString::number(last)};
    const QStringList passLines = lines(box.run(arguments).out).filter(QRegularExpression(u"^\\S"_s));
    QCOMPARE(passLines.size(), std::min(last, 3));
    QCOMPARE(box.runJson(arguments).size(), std::min(last, 3));
    QVERIFY(passLines.last().contains(MoveHistory::read(box.journal).passes().last().id));
}

void TestCommandLine::undoLastRestoresTheTree()
{
    Sandbox box(u"news -> ../News\npaper -> ../Paper"_s);
    box.make({u"in/a news.htm=a"_s, u"in/a news_files/x.css=x"_s, u"in/a news_files/img/1.png=1"_s,
              u"in/b paper.htm=b"_s, u"in/b paper.files/y=y"_s, u"in/c news paper.htm=c"_s, u"in/d.htm=d"_s,
              u"Sorted/Paper/"_s}); // Sorted/News is made by the pass, and goes with its undo
    const auto before = TreeSnapshot::without(TreeSnapshot::of(box.base, TreeSnapshot::NoFolderTimes), "state");

    box.runJson({u"classify"_s, u"--no-counters"_s});
    QVERIFY(QFileInfo::exists(box.root + u"/Paper/b paper.files/y"_s));
    QVERIFY(TreeSnapshot::without(TreeSnapshot::of(box.base, TreeSnapshot::NoFolderTimes), "state") != before);

    const Result undo = box.run({u"undo"_s, u"--last"_s});
    QCOMPARE(undo.code, 0);
    QVERIFY2(undo.out.contains(u"2 taken back, 0 not."_s), qPrintable(undo.out));
    COMPARE_TREES(TreeSnapshot::without(TreeSnapshot::of(box.base, TreeSnapshot::NoFolderTimes), "state"), before);

    const Result history = box.run({u"history"_s});
    QCOMPARE(history.code, 0);
    QCOMPARE(history.out.count(u"  undone "_s), 2);
    const Result again = box.run({u"undo"_s, u"--last"_s});
    QCOMPARE(again.code, 0);
    QVERIFY2(again.out.startsWith(u"Nothing of pass"_s), qPrintable(again.out));
    COMPARE_TREES(TreeSnapshot::without(TreeSnapshot::of(box.base, TreeSnapshot::NoFolderTimes), "state"), before);
}

void TestCommandLine::undoNeverOverwrites()
{
    Sandbox box;
    box.make({u"in/news.htm=filed"_s, u"in/news_files/x=x"_s});
    box.runJson({u"classify"_s});
    box.make({u"in/news.htm=newer"_s});

    const Result undo = box.run({u"undo"_s, u"--last"_s});
    QCOMPARE(undo.code, 1);
    QVERIFY2(undo.out.contains(u"is taken; nothing is overwritten"_s), qPrintable(undo.out));
    QCOMPARE(bytesOf(box.in + u"/news.htm"_s), QByteArray("newer"));
    QCOMPARE(bytesOf(box.root + u"/News/news.htm"_s), QByteArray("filed"));
    QCOMPARE(bytesOf(box.root + u"/News/news_files/x"_s), QByteArray("x"));
}

// A page still being written is left alone; once it has been still for a while it goes, whole, with its
// companion folder.
void TestCommandLine::watchWaitsForAPageToStopGrowing()
{
    Sandbox box(u"news -> ../News << 1/5"_s);
    QProcess watch;
    watch.setProcessEnvironment(box.environment());
    watch.start(QStringLiteral(MARROWDALE_EXECUTABLE), {u"classify"_s, u"--watch"_s, box.in});
    QVERIFY(watch.waitForStarted());

    const QString page = box.in + u"/slow news.htm"_s;
    box.make({u"in/slow news_files/style.css=css"_s});
    // Downloads that stalled: the browser renames them when they are complete.
    box.make({u"in/stalled news.htm.part=half"_s, u"in/stalled news.htm.crdownload=half"_s});
    box.make({u"in/other.htm=no keyword"_s});
    QFile file(page);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray written;
    for (int step = 0; step < 10; ++step) {
        const QByteArray chunk = "<p>part " + QByteArray::number(step) + "</p>\n";
        file.write(chunk);
        file.flush();
        written += chunk;
        QTest::qWait(500);
        QVERIFY2(QFileInfo::exists(page), "moved while it was still being written");
    }
    file.close();
    QElapsedTimer still;
    still.start();

    const QString filed = box.root + u"/News/slow news.htm"_s;
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(filed), 10000);
    QVERIFY2(still.elapsed() >= 1500, "filed before it had been still for long enough");
    QCOMPARE(bytesOf(filed), written);
    QCOMPARE(bytesOf(box.root + u"/News/slow news_files/style.css"_s), QByteArray("css"));
    QCOMPARE(QDir(box.in).entryList(QDir::Files),
             QStringList({u"other.htm"_s, u"stalled news.htm.crdownload"_s, u"stalled news.htm.part"_s}));
    // The counters the watch writes are no new rules: the file left is not searched again and again.
    QTRY_VERIFY_WITH_TIMEOUT(bytesOf(box.list).contains("<< 2/7"), 5000);
    QTest::qWait(3000);
    QVERIFY2(bytesOf(box.list).contains("<< 2/7"), bytesOf(box.list).constData());

    watch.terminate();
    QVERIFY(watch.waitForFinished(10000));
    QCOMPARE(watch.exitStatus(), QProcess::NormalExit);
    QCOMPARE(watch.exitCode(), 0);
    const QString output = QString::fromUtf8(watch.readAllStandardOutput());
    QVERIFY2(output.contains(u"moved      slow news.htm -> ../News (with slow news_files)"_s), qPrintable(output));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
