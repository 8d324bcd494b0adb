#include "fileops.h"
#include "journalsettlement.h"
#include "marrowdaleerror.h"
#include "mainview.h"
#include "messagetable.h"
#include "movejournal.h"
#include "movesteps.h"
#include "scriptedprompts.h"
#include "systemtest.h"
#include "testfiles.h"
#include "treesnapshot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <functional>
#include <memory>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace FileOps;

namespace {

struct RecordingView : QuietView
{
    QStringList log;
    QList<LoggedMove> moves;
    int refreshes = 0;
    void appendMove(const LoggedMove &move) override
    {
        log << move.line;
        moves << move;
    }
    void refreshFileList() override { ++refreshes; }
};

// A window in a pass: counts how often it was kept alive and can stop the pass before a given file.
struct PassView : RecordingView
{
    int stopBefore = -1;
    int files = 0;
    int keptAlive = 0;
    QList<bool> progressShown;
    void setProgressVisible(bool visible) override { progressShown << visible; }
    void setProgress(int) override
    {
        if (files++ == stopBefore)
            throw PassStopped();
    }
    void keepAlive() override { ++keptAlive; }
};

void put(const QString &path, const QByteArray &content = "x")
{
    writeBytes(path, content);
}

bool exists(const QString &path)
{
    return QFileInfo::exists(path);
}

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

bool setAttribute(const QString &path, const char *name, const QByteArray &value)
{
    return ::setxattr(encoded(path).constData(), name, value.constData(), size_t(value.size()), 0) == 0;
}

// An access list as the kernel stores it: version 2, then (tag, permissions, id) entries.
QByteArray accessList(std::initializer_list<std::array<quint32, 3>> entries)
{
    QByteArray list;
    const auto add = [&list](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            list += char((value >> (8 * i)) & 0xFF);
    };
    add(2, 4);
    for (const auto &[tag, permissions, id] : entries) {
        add(tag, 2);
        add(permissions, 2);
        add(id, 4);
    }
    return list;
}

// user::rw- user:1234:rw- group::r-- mask::rw- other::---
const QByteArray namedUserList = accessList(
    {{0x01, 6, 0xFFFFFFFF}, {0x02, 6, 1234}, {0x04, 4, 0xFFFFFFFF}, {0x10, 6, 0xFFFFFFFF}, {0x20, 0, 0xFFFFFFFF}});

bool mount(const QString &type, const QString &folder)
{
    QDir().mkpath(folder);
    return ::geteuid() == 0 && QProcess::execute(u"mount"_s, {u"-t"_s, type, type, folder}) == 0;
}

QList<JournalRecord> journalOf(const QString &path)
{
    return MoveJournal::read(path);
}

// "op kind" of every record, for comparing the shape of what a move wrote.
QStringList shapeOf(const QList<JournalRecord> &records)
{
    QStringList shape;
    for (const JournalRecord &record : records)
        shape.append(QStringList {record.op, record.kind, record.what}.filter(QRegularExpression(u"."_s)).join(u' '));
    return shape;
}

const QString blanks32(32, u' ');

} // namespace

class TestFileOps : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_mounts;
    QString m_in, m_root;
    MessageTable m_messages;

    // A second file system at `relative`, or a skip: moves across file systems need the superuser.
    QString otherFileSystem(const QString &relative, const QString &type = u"tmpfs"_s)
    {
        const QString folder = path(relative);
        if (!mount(type, folder))
            return {};
        m_mounts << folder;
        return folder;
    }

    // Rows name paths relative to the temporary folder; "/" stays itself.
    QString path(const QString &relative) const { return relative == u"/"_s ? relative : m_dir->filePath(relative); }
    QString failureBox() const { return displayName(u"page.htm"_s) + m_messages.text(15); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        useOwnProgramFolders(m_dir->path());
        m_in = path(u"in"_s);
        m_root = path(u"Sorted"_s);
        QDir().mkpath(m_in);
    }
    void cleanup()
    {
        MoveSteps::setCopyObserver({});
        MoveSteps::setPlacedObserver({});
        for (const QString &mount : std::as_const(m_mounts))
            SystemTest::unmount(mount);
        m_mounts.clear();
        QDir::setCurrent(QDir::rootPath());
        MoveSteps::removeTree(encoded(m_dir->path())); // names that are not UTF-8 too
        m_dir.reset();
    }

    void logLine_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("line");
        const QString x40(40, u'x'), name = u"page.htm"_s, padded = name + blanks32;
        QTest::newRow("under root") << name << u"/data/Sorted/News"_s << padded + u"-> ../News"_s;
        QTest::newRow("root itself") << name << u"/data/Sorted"_s << padded + u"-> .."_s;
        QTest::newRow("outside root") << name << u"/other/x"_s << padded + u"-> /other/x"_s;
        QTest::newRow("case differs") << name << u"/data/sorted"_s << padded + u"-> /data/sorted"_s;
        QTest::newRow("40 characters, no blank") << x40 << u"/x"_s << x40 + u"-> /x"_s;
        QTest::newRow("beyond the basic plane counts once")
            << u"\U0001D11E.htm"_s << u"/x"_s << u"\U0001D11E.htm"_s + QString(35, u' ') + u"-> /x"_s;
        const QString lone = QChar(0xD800) + u".htm"_s;
        QTest::newRow("a lone surrogate counts once") << lone << u"/x"_s << lone + QString(35, u' ') + u"-> /x"_s;
        QTest::newRow("Japanese name lines up by its width")
            << u"ニュース.htm"_s << u"/x"_s << u"ニュース.htm"_s + QString(28, u' ') + u"-> /x"_s;
        QTest::newRow("the name without its folder") << u"/in/"_s + name << u"/x"_s << padded + u"-> /x"_s;
    }
    void logLine()
    {
        QFETCH(QString, name);
        QFETCH(QString, destination);
        QFETCH(QString, line);
        QCOMPARE(FileOps::logLine(name, destination, u"/data/Sorted"_s), line);
        QVERIFY(FileOps::logLine(name, u"/x"_s, QString()).endsWith(u"-> /x"_s)); // an empty root never matches
    }

    void classifyMove_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("companions");
        QTest::addColumn<QString>("moved");
        QTest::newRow("_files") << u"page.htm"_s << QStringList {u"page_files"_s} << u"page_files"_s;
        QTest::newRow(".files, last dot only") << u"a.b.htm"_s << QStringList {u"a.b.files"_s} << u"a.b.files"_s;
        QTest::newRow("both: only _files")
            << u"notes"_s << QStringList {u"notes_files"_s, u"notes.files"_s} << u"notes_files"_s;
        QTest::newRow("none") << u"page.htm"_s << QStringList() << QString();
        QTest::newRow("no extension, dot in the folder name")
            << u"my.folder/readme"_s << QStringList {u"my.folder/readme_files"_s} << u"my.folder/readme_files"_s;
    }
    void classifyMove()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, companions);
        QFETCH(QString, moved);
        put(m_in + u'/' + name, "new");
        for (const QString &folder : companions)
            put(m_in + u'/' + folder + u"/img.png"_s);
        ScriptedPrompts prompts;
        RecordingView view;
        QVERIFY(moveWithCompanions(m_in + u'/' + name, m_root + u"/News"_s, m_root, {prompts, m_messages, view}));
        QCOMPARE(bytesOf(m_root + u"/News/"_s + fileName(name)), "new"_ba);
        QVERIFY(!exists(m_in + u'/' + name));
        QCOMPARE(view.log, QStringList {displayName(fileName(name)) + u"-> ../News"_s});
        for (const QString &folder : companions) {
            QCOMPARE(exists(m_root + u"/News/"_s + fileName(folder) + u"/img.png"_s), folder == moved);
            QCOMPARE(exists(m_in + u'/' + folder + u"/img.png"_s), folder != moved);
        }
        QCOMPARE(view.refreshes, moved.isEmpty() ? 0 : 1);
        QVERIFY(prompts.asked.isEmpty());
    }

    void missingParentQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes creates and moves") << int(UserPrompts::Yes);
        QTest::newRow("no stops with nothing done") << int(UserPrompts::No);
    }
    void missingParentQuestion()
    {
        // A top folder of the root's own: only the superuser may make one.
        QFETCH(int, answer);
        const bool yes = answer == UserPrompts::Yes;
        if (yes && ::geteuid() != 0)
            QSKIP("a folder at the top of the file system needs the superuser");
        const QString top = u"/marrowdale-test-top-%1"_s.arg(::getpid());
        const auto removeTop = qScopeGuard([&] { MoveSteps::removeTree(encoded(top)); });
        put(m_in + u"/page.htm"_s);
        ScriptedPrompts prompts;
        prompts.yesNoAnswers = {answer};
        RecordingView view;
        MoveOutcome outcome = MoveOutcome::Failed;
        QCOMPARE(moveWithCompanions(m_in + u"/page.htm"_s, top + u"/Sub"_s, m_root, {prompts, m_messages, view},
                                    nullptr, &outcome),
                 yes);
        QCOMPARE(outcome, yes ? MoveOutcome::Moved : MoveOutcome::ParentDeclined);
        QCOMPARE(prompts.askedOf(u"askYesNo"_s), QStringList {m_messages.text(13)});
        QCOMPARE(exists(top + u"/Sub/page.htm"_s), yes);
        QCOMPARE(exists(top), yes);
        QCOMPARE(view.log.size(), yes ? 1 : 0);
    }

    void existingTarget_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("sourceVanishes");
        QTest::addColumn<QByteArray>("targetAfter");
        QTest::addColumn<MoveOutcome>("outcome");
        QTest::newRow("no keeps both") << int(UserPrompts::No) << false << "old"_ba << MoveOutcome::TargetKept;
        QTest::newRow("yes replaces") << int(UserPrompts::Yes) << false << "new"_ba << MoveOutcome::Moved;
        QTest::newRow("failed move after yes keeps the old target")
            << int(UserPrompts::Yes) << true << "old"_ba << MoveOutcome::Failed;
    }
    void existingTarget()
    {
        QFETCH(int, answer);
        QFETCH(bool, sourceVanishes);
        QFETCH(QByteArray, targetAfter);
        const QString source = m_in + u"/page.htm"_s, target = m_root + u"/News/page.htm"_s;
        put(source, "new");
        put(m_in + u"/page_files/img.png"_s);
        put(target, "old");
        ScriptedPrompts prompts;
        prompts.yesNoAnswers = {answer};
        if (sourceVanishes)
            prompts.onQuestion = [&](const QString &) { QFile::remove(source); };
        RecordingView view;
        MoveOutcome outcome = MoveOutcome::Moved;
        QVERIFY(
            moveWithCompanions(source, m_root + u"/News"_s, m_root, {prompts, m_messages, view}, nullptr, &outcome));
        QTEST(outcome, "outcome");
        QCOMPARE(prompts.askedOf(u"askYesNo"_s), QStringList {m_messages.text(14)});
        QCOMPARE(prompts.yesNoTitles, QStringList {u"page.htm"_s});
        QCOMPARE(bytesOf(target), targetAfter);
        const bool moved = targetAfter == "new";
        QCOMPARE(view.log.size(), moved ? 1 : 0);
        QCOMPARE(exists(source), !moved && !sourceVanishes);
        QCOMPARE(exists(m_in + u"/page_files/img.png"_s), !moved);
        QCOMPARE(prompts.askedOf(u"msgBox"_s), sourceVanishes ? QStringList {failureBox()} : QStringList());
        QCOMPARE(QDir(m_root + u"/News"_s).entryList(QDir::Files | QDir::Hidden).size(), 1); // no leftovers
    }

    // Move / Send over many files: the view may end it between two files; what moved stays moved and
    // what failed before is still told.
    void moveSendStopsBetweenFiles_data()
    {
        QTest::addColumn<int>("stopBefore"); // the file at which setProgress() throws
        QTest::addColumn<bool>("bTaken"); // b.htm is already in the destination, so it cannot move
        QTest::addColumn<QStringList>("moved");
        QTest::addColumn<QStringList>("failed");
        QTest::newRow("stop after the first") << 1 << false << QStringList {u"a"_s} << QStringList {};
        QTest::newRow("stop before the last") << 2 << false << QStringList {u"a"_s, u"b"_s} << QStringList {};
        QTest::newRow("a failure before the stop is kept")
            << 2 << true << QStringList {u"a"_s} << QStringList {u"b.htm"_s};
        QTest::newRow("no stop") << -1 << false << QStringList {u"a"_s, u"b"_s, u"c"_s} << QStringList {};
    }
    void moveSendStopsBetweenFiles()
    {
        QFETCH(int, stopBefore);
        QFETCH(bool, bTaken);
        QFETCH(QStringList, moved);
        const QString to = path(u"to"_s);
        for (const QString &name : {u"a"_s, u"b"_s, u"c"_s}) {
            put(m_in + u'/' + name + u".htm"_s);
            put(m_in + u'/' + name + u"_files/i"_s);
        }
        if (bTaken)
            put(to + u"/b.htm"_s, "old");
        QDir().mkpath(to);
        ScriptedPrompts prompts;
        PassView view;
        view.stopBefore = stopBefore;
        const QStringList failed = moveFilesWithCompanions({m_in + u"/a.htm"_s, m_in + u"/b.htm"_s, m_in + u"/c.htm"_s},
                                                           to, {prompts, m_messages, view});
        QTEST(failed, "failed");
        for (const QString &name : {u"a"_s, u"b"_s, u"c"_s}) {
            const bool went = moved.contains(name);
            QCOMPARE(exists(m_in + u'/' + name + u".htm"_s), !went);
            QCOMPARE(exists(to + u'/' + name + u"_files/i"_s), went);
        }
        QCOMPARE(view.progressShown, QList<bool>({true, false}));
    }

    // A copy across file systems lets a waiting window repaint as it goes, however long one file takes.
    void copyKeepsTheWindowAlive_data()
    {
        QTest::addColumn<int>("megabytes"); // of the page
        QTest::addColumn<int>("entries"); // in its companion folder
        QTest::addColumn<bool>("acrossFileSystems");
        QTest::addColumn<int>("atLeast");
        QTest::newRow("one big page") << 8 << 0 << true << 32;
        QTest::newRow("a companion folder of many files") << 0 << 300 << true << 300;
        QTest::newRow("one file system: renamed, nothing copied") << 8 << 300 << false << 0;
    }
    void copyKeepsTheWindowAlive()
    {
        QFETCH(int, megabytes);
        QFETCH(int, entries);
        QFETCH(bool, acrossFileSystems);
        QFETCH(int, atLeast);
        const QString to = acrossFileSystems ? otherFileSystem(u"other"_s) : path(u"to"_s);
        if (to.isEmpty())
            QSKIP("a second file system needs the superuser");
        QDir().mkpath(to);
        put(m_in + u"/page.htm"_s, QByteArray(megabytes << 20, 'p'));
        for (int i = 0; i < entries; ++i)
            put(m_in + u"/page_files/%1.png"_s.arg(i));
        ScriptedPrompts prompts;
        PassView view;
        QCOMPARE(moveFilesWithCompanions({m_in + u"/page.htm"_s}, to, {prompts, m_messages, view}), QStringList());
        QCOMPARE(bytesOf(to + u"/page.htm"_s).size(), megabytes << 20);
        QVERIFY2(acrossFileSystems ? view.keptAlive >= atLeast : view.keptAlive == 0,
                 qPrintable(QString::number(view.keptAlive)));
    }

    void moveSendBothCompanionsAndKeepsFailed()
    {
        const QString to = path(u"to"_s);
        for (const QString &name : {u"a"_s, u"b"_s}) {
            put(m_in + u'/' + name + u".htm"_s, "new");
            put(m_in + u'/' + name + u"_files/i"_s);
            put(m_in + u'/' + name + u".files/i"_s);
        }
        put(to + u"/b.htm"_s, "old");
        ScriptedPrompts prompts;
        RecordingView view;
        const QStringList failed
            = moveFilesWithCompanions({m_in + u"/a.htm"_s, m_in + u"/b.htm"_s}, to, {prompts, m_messages, view});
        QCOMPARE(failed, QStringList {u"b.htm"_s});
        QVERIFY(exists(to + u"/a_files/i"_s) && exists(to + u"/a.files/i"_s) && !exists(m_in + u"/a.htm"_s));
        QCOMPARE(bytesOf(to + u"/b.htm"_s), "old"_ba);
        QVERIFY(exists(m_in + u"/b.htm"_s) && exists(m_in + u"/b_files/i"_s) && exists(m_in + u"/b.files/i"_s));
        QVERIFY(!exists(to + u"/b_files"_s) && prompts.askedOf(u"askYesNo"_s).isEmpty());
    }

    void undo_data()
    {
        QTest::addColumn<QString>("destination");
        QTest::addColumn<bool>("fileThere");
        QTest::addColumn<bool>("namesakeAtHome");
        QTest::newRow("from a subfolder") << u"Sorted/Work"_s << true << false;
        QTest::newRow("from the parent folder itself") << u"Sorted"_s << true << false;
        QTest::newRow("from outside the parent folder") << u"Other"_s << true << false;
        QTest::newRow("file gone keeps the line") << u"Sorted/Work"_s << false << false;
        QTest::newRow("namesake at home keeps the line") << u"Sorted/Work"_s << true << true;
    }
    void undo()
    {
        QFETCH(QString, destination);
        QFETCH(bool, fileThere);
        QFETCH(bool, namesakeAtHome);
        const QString at = path(destination);
        if (fileThere)
            put(at + u"/page.htm"_s, "moved");
        put(at + u"/page_files/i"_s);
        put(at + u"/page.files/i"_s);
        if (namesakeAtHome)
            put(m_in + u"/page.htm"_s, "home");
        const LoggedMove move {FileOps::logLine(u"page.htm"_s, at, m_root), u"page.htm"_s, at, {}, {}};
        ScriptedPrompts prompts;
        RecordingView view;
        const bool comesBack = fileThere && !namesakeAtHome;
        QCOMPARE(undoMove(move, m_in, {prompts, m_messages, view}), comesBack);
        QCOMPARE(bytesOf(m_in + u"/page.htm"_s), comesBack ? "moved"_ba : namesakeAtHome ? "home"_ba : "<missing>"_ba);
        QCOMPARE(exists(m_in + u"/page_files/i"_s), comesBack);
        QVERIFY(exists(at + u"/page.files/i"_s) && !exists(m_in + u"/page.files"_s));
        QCOMPARE(prompts.askedOf(u"msgBox"_s), comesBack ? QStringList() : QStringList {failureBox()});
    }

    void undoFindsNamesTheLineCannotTell_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::newRow("arrow in the name") << u"a->b.htm"_s << u"News"_s;
        QTest::newRow("blank at the end") << u"notes "_s << u"News"_s;
        QTest::newRow("folder name ending in a blank") << u"page.htm"_s << u"News "_s;
    }
    void undoFindsNamesTheLineCannotTell()
    {
        QFETCH(QString, name);
        QFETCH(QString, folder);
        ScriptedPrompts prompts;
        RecordingView view;
        const QString companion = companionPath(m_in + u'/' + name, u"_files"_s) + u"/i"_s;
        put(m_in + u'/' + name, "page");
        put(companion, "img");
        QDir().mkpath(m_root + u"/News"_s); // beside the folder ending in a blank, a look-alike
        const QString destination = m_root + u'/' + folder;
        QVERIFY(moveWithCompanions(m_in + u'/' + name, destination, m_root, {prompts, m_messages, view}));
        QCOMPARE(view.moves.size(), 1);
        QCOMPARE(view.moves.first().destination, destination);
        QVERIFY(undoMove(view.moves.first(), m_in, {prompts, m_messages, view}));
        QCOMPARE(bytesOf(m_in + u'/' + name), "page"_ba);
        QCOMPARE(bytesOf(companion), "img"_ba);
        QCOMPARE(QDir(destination).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(prompts.asked.isEmpty());
    }

    void neverReplaces()
    {
        put(path(u"a/f"_s), "a");
        put(path(u"b/f"_s), "b");
        MoveSteps::CopyPlan plan;
        QCOMPARE(MoveSteps::moveEntry(encoded(path(u"a/f"_s)), encoded(path(u"b/f"_s)), plan), EEXIST);
        QString error;
        QVERIFY(!renameNoReplace(path(u"a"_s), path(u"b"_s), m_messages, &error) && error.contains(path(u"b"_s)));
        QCOMPARE(bytesOf(path(u"a/f"_s)) + bytesOf(path(u"b/f"_s)), "ab"_ba);
    }

    void mergeFolder_data()
    {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QByteArray>("clash");
        QTest::newRow("no leaves it") << QList<int> {UserPrompts::No} << "old"_ba;
        QTest::newRow("keep the existing file") << QList<int> {UserPrompts::Yes, UserPrompts::No} << "old"_ba;
        QTest::newRow("replace it") << QList<int> {UserPrompts::Yes, UserPrompts::Yes} << "new"_ba;
    }
    void mergeFolder()
    {
        QFETCH(QList<int>, answers);
        QFETCH(QByteArray, clash);
        const QString from = m_in + u"/p_files"_s, to = path(u"to/p_files"_s);
        put(from + u"/clash"_s, "new");
        put(from + u"/sub/free"_s);
        put(to + u"/clash"_s, "old");
        put(to + u"/sub/mine"_s);
        ScriptedPrompts prompts;
        prompts.yesNoAnswers = answers;
        const bool arrived = clash == "new";
        RecordingView view;
        QCOMPARE(moveFolder(from, to, {prompts, m_messages, view}), arrived);
        QCOMPARE(prompts.askedOf(u"askYesNo"_s).size(), answers.size());
        QCOMPARE(bytesOf(to + u"/clash"_s), clash);
        QCOMPARE(exists(to + u"/sub/free"_s), answers.first() == UserPrompts::Yes);
        QCOMPARE(bytesOf(from + u"/clash"_s), arrived ? "<missing>"_ba : "new"_ba);
        QCOMPARE(exists(from), !arrived);
        QVERIFY(exists(to + u"/sub/mine"_s) && prompts.askedOf(u"notify"_s).isEmpty());
    }

    void mergedFolderThatCannotGoIsTold()
    {
        RUN_WITHOUT_ROOT();
        const QString from = m_in + u"/p_files"_s, to = path(u"to/p_files"_s);
        put(from + u"/a"_s, "a");
        put(to + u"/mine"_s);
        QVERIFY(::chmod(encoded(m_in).constData(), 0555) == 0);
        const auto unlock = qScopeGuard([&] { ::chmod(encoded(m_in).constData(), 0755); });
        MoveJournal journal(path(u"state/journal.jsonl"_s));
        ScriptedPrompts prompts;
        prompts.yesNoAnswers = {UserPrompts::Yes};
        RecordingView view;
        QVERIFY(!moveFolder(from, to, {prompts, m_messages, view, &journal}));
        QCOMPARE(bytesOf(to + u"/a"_s), "a"_ba);
        QVERIFY(exists(from));
        const QString stays = ProgramText(Message::MergedFolderStays, {from, MoveSteps::errorText(EACCES)}).english();
        QCOMPARE(prompts.askedOf(u"notify"_s),
                 QStringList {ProgramText(Message::FolderMergedInPart, {from, to, stays}).english()});
        QCOMPARE(journalOf(journal.path()).last().reason, u"merged in part: "_s + stays);
    }

    // Inside a merge, what one entry's move had to say is said for it alone.
    void mergeTellsEachEntrysNoteOnce()
    {
        const QString other = otherFileSystem(u"other"_s);
        if (other.isEmpty())
            QSKIP("a second file system needs the superuser");
        const QString from = m_in + u"/p_files"_s, to = other + u"/p_files"_s;
        put(from + u"/sub/x.png"_s, "x");
        put(to + u"/sub/mine"_s);
        MoveSteps::setPlacedObserver([&](const QByteArray &source) {
            if (source == encoded(from + u"/sub/x.png"_s))
                put(from + u"/sub/x.png"_s, "changed");
        });
        ScriptedPrompts prompts;
        prompts.yesNoAnswers = {UserPrompts::Yes};
        RecordingView view;
        QVERIFY(!moveFolder(from, to, {prompts, m_messages, view}));
        QCOMPARE(bytesOf(from + u"/sub/x.png"_s), "changed"_ba);
        QVERIFY(!exists(to + u"/sub/x.png"_s));
        const QStringList told = prompts.askedOf(u"notify"_s);
        QCOMPARE(told.size(), 1);
        const QString note = ProgramText(Message::ChangedWhileCopied, {from + u"/sub/x.png"_s}).english();
        QCOMPARE(told.first().count(note), 1);
    }

    void acrossFileSystems_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("holdsAttributes");
        QTest::newRow("tmpfs keeps attributes and access lists") << u"tmpfs"_s << true;
        QTest::newRow("ramfs cannot hold them: moved, reported once") << u"ramfs"_s << false;
    }
    void acrossFileSystems()
    {
        QFETCH(QString, type);
        QFETCH(bool, holdsAttributes);
        const QString other = otherFileSystem(u"other"_s, type);
        if (other.isEmpty())
            QSKIP("a second file system needs the superuser");
        const QDateTime past(QDate(2001, 2, 3), QTime(4, 5, 6));
        const QByteArray odd = encoded(m_in) + "/page_files/\x93\xfa\x96\x7b.png"; // Shift-JIS bytes
        for (const QString &file : {u"page.htm"_s, u"b.htm"_s, u"page_files/sub/img.png"_s}) {
            put(m_in + u'/' + file, "data " + file.toUtf8());
            QFile handle(m_in + u'/' + file);
            QVERIFY(handle.open(QIODevice::ReadWrite) && handle.setFileTime(past, QFileDevice::FileModificationTime));
            QVERIFY(::chmod(encoded(handle.fileName()).constData(), 0640) == 0);
            QVERIFY(setAttribute(handle.fileName(), "user.xdg.origin.url", "https://example.org/" + file.toUtf8()));
        }
        QVERIFY(setAttribute(m_in + u"/page.htm"_s, "system.posix_acl_access", namedUserList));
        QVERIFY(QFile::link(u"img.png"_s, m_in + u"/page_files/sub/link"_s));
        const int fd = ::open(odd.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        QVERIFY(fd >= 0 && ::write(fd, "odd", 3) == 3 && ::close(fd) == 0);
        const auto before = TreeSnapshot::of(m_in, TreeSnapshot::Attributes);

        put(other + u"/taken.htm"_s, "old");
        MoveSteps::CopyPlan plan;
        QCOMPARE(MoveSteps::moveEntry(encoded(m_in + u"/page.htm"_s), encoded(other + u"/taken.htm"_s), plan), EEXIST);
        QCOMPARE(bytesOf(other + u"/taken.htm"_s), "old"_ba);
        QFile::remove(other + u"/taken.htm"_s);

        ScriptedPrompts prompts;
        RecordingView view;
        const QStringList failed
            = moveFilesWithCompanions({m_in + u"/page.htm"_s, m_in + u"/b.htm"_s}, other, {prompts, m_messages, view});
        QCOMPARE(failed, QStringList());
        QCOMPARE(TreeSnapshot::of(m_in), (QMap<QByteArray, QByteArray>()));
        if (holdsAttributes) {
            COMPARE_TREES(TreeSnapshot::of(other, TreeSnapshot::Attributes), before);
            QVERIFY(prompts.asked.isEmpty());
        } else {
            QCOMPARE(TreeSnapshot::of(other).keys(), before.keys());
            QCOMPARE(prompts.askedOf(u"notify"_s).size(), 1);
            QVERIFY(prompts.askedOf(u"notify"_s).first().endsWith(u'\n' + other));
        }
    }

    void busySourceStays_data()
    {
        QTest::addColumn<QString>("watched"); // the source whose move sees the change
        QTest::addColumn<QString>("grows"); // the file written to (or added) meanwhile
        QTest::addColumn<bool>("placed"); // after the copy was checked and renamed into place
        QTest::newRow("page still being written") << u"page.htm"_s << u"page.htm"_s << false;
        QTest::newRow("file added to the companion folder") << u"page_files"_s << u"page_files/late.png"_s << false;
        QTest::newRow("page written to after its copy was checked lost the new bytes")
            << u"page.htm"_s << u"page.htm"_s << true;
        QTest::newRow("file added to the companion after its copy was checked was lost")
            << u"page_files"_s << u"page_files/late.png"_s << true;
        QTest::newRow("companion file written to after its copy was checked lost the new bytes")
            << u"page_files"_s << u"page_files/img.png"_s << true;
    }
    void busySourceStays()
    {
        QFETCH(QString, watched);
        QFETCH(QString, grows);
        QFETCH(bool, placed);
        const QString other = otherFileSystem(u"other"_s);
        if (other.isEmpty())
            QSKIP("a second file system needs the superuser");
        put(m_in + u"/page.htm"_s, QByteArray(300000, 'p'));
        put(m_in + u"/page_files/img.png"_s, "img");
        const auto change = [&, source = encoded(m_in + u'/' + watched)](const QByteArray &from) {
            if (from != source)
                return;
            QFile file(m_in + u'/' + grows);
            QVERIFY(file.open(QIODevice::Append));
            file.write("more");
        };
        if (placed)
            MoveSteps::setPlacedObserver(change);
        else
            MoveSteps::setCopyObserver(change);
        MoveJournal journal(path(u"state/journal.jsonl"_s));
        ScriptedPrompts prompts;
        RecordingView view;
        MoveOutcome outcome = MoveOutcome::Failed;
        QVERIFY(moveWithCompanions(m_in + u"/page.htm"_s, other + u"/News"_s, m_root,
                                   {prompts, m_messages, view, &journal}, nullptr, &outcome));
        const bool pageMoves = watched != u"page.htm"_s;
        QCOMPARE(outcome, pageMoves ? MoveOutcome::Moved : MoveOutcome::SourceChanged);
        const QString pageAt = (pageMoves ? other + u"/News"_s : m_in) + u"/page.htm"_s;
        QCOMPARE(bytesOf(pageAt).size(), pageMoves ? 300000 : 300004);
        QCOMPARE(view.log.size(), pageMoves ? 1 : 0);
        QCOMPARE(TreeSnapshot::leftovers(TreeSnapshot::of(other)), QList<QByteArray>());
        const QString busyBox = m_messages.text(Message::MoveBusy).arg(u"page.htm"_s);
        QCOMPARE(prompts.askedOf(u"msgBox"_s), pageMoves ? QStringList() : QStringList {busyBox});
        QCOMPARE(prompts.askedOf(u"notify"_s).size(), pageMoves ? 1 : 0);
        const QList<JournalRecord> records = journalOf(journal.path());
        if (!pageMoves) {
            QVERIFY(!exists(other + u"/News/page.htm"_s));
            QCOMPARE(records.last().op, u"failed"_s);
            QVERIFY(records.last().reason.contains(u"changed while it was copied"_s));
        } else if (!placed) {
            QCOMPARE(bytesOf(m_in + u"/page_files/late.png"_s), "more"_ba);
            QCOMPARE(bytesOf(m_in + u"/page_files/img.png"_s), "img"_ba);
            QVERIFY(!exists(other + u"/News/page_files"_s));
            QCOMPARE(records.last().op, u"failed"_s);
            QVERIFY(records.last().reason.contains(u"changed while it was copied"_s));
        } else {
            // What was copied arrived and left; what changed since stays, and is said to.
            QCOMPARE(bytesOf(other + u"/News/page_files/img.png"_s), "img"_ba);
            const QString stayed = grows.mid(grows.indexOf(u'/') + 1);
            QCOMPARE(QDir(m_in + u"/page_files"_s).entryList(QDir::Files), QStringList {stayed});
            QCOMPARE(bytesOf(m_in + u'/' + grows), stayed == u"img.png"_s ? "imgmore"_ba : "more"_ba);
            QVERIFY(prompts.askedOf(u"notify"_s)
                        .first()
                        .contains(ProgramText(Message::ChangedAfterCopy, {m_in + u"/page_files"_s}).english()));
        }
    }

    void destinationWithoutRoom_data()
    {
        QTest::addColumn<QByteArray>("old"); // the file already at the target; none: nothing there
        QTest::addColumn<int>("size"); // of the page moved onto a disk of 256 KiB
        QTest::newRow("disk fills up during the copy") << QByteArray() << (1 << 20);
        QTest::newRow("overwrite: replaced once the copy is whole") << "old"_ba << (1 << 10);
        QTest::newRow("overwrite, disk fills up: the old file stays") << "old"_ba << (1 << 20);
    }
    void destinationWithoutRoom()
    {
        QFETCH(QByteArray, old);
        QFETCH(int, size);
        const QString other = path(u"other"_s);
        MOUNT_TMPFS_OR_SKIP(other, u"256k"_s);
        m_mounts << other;
        const QString target = other + u"/page.htm"_s;
        const QByteArray page(size, 'p');
        put(m_in + u"/page.htm"_s, page);
        if (!old.isEmpty())
            put(target, old);
        bool copied = false;
        MoveSteps::setCopyObserver([&](const QByteArray &) {
            copied = true;
            QCOMPARE(bytesOf(target), old.isEmpty() ? "<missing>"_ba : old);
        });
        MoveJournal journal(path(u"state/journal.jsonl"_s));
        ScriptedPrompts prompts;
        prompts.yesNoAnswers = {UserPrompts::Yes};
        RecordingView view;
        QVERIFY(moveWithCompanions(m_in + u"/page.htm"_s, other, m_root, {prompts, m_messages, view, &journal}));
        const bool fits = size < (256 << 10);
        QCOMPARE(copied, fits);
        QCOMPARE(prompts.askedOf(u"askYesNo"_s).size(), old.isEmpty() ? 0 : 1);
        QCOMPARE(TreeSnapshot::leftovers(TreeSnapshot::of(other)), QList<QByteArray>());
        QCOMPARE(bytesOf(m_in + u"/page.htm"_s), fits ? "<missing>"_ba : page);
        QCOMPARE(bytesOf(target), fits ? page : old.isEmpty() ? "<missing>"_ba : old);
        QCOMPARE(prompts.askedOf(u"msgBox"_s), fits ? QStringList() : QStringList {failureBox()});
        const JournalRecord last = journalOf(journal.path()).last();
        QCOMPARE(last.op, fits ? u"done"_s : u"failed"_s);
        if (!fits)
            QVERIFY2(last.reason.contains(MoveSteps::errorText(ENOSPC)), qPrintable(last.reason));
    }

    // A file of the name that arrives at the target while the copy is being made is never replaced by it.
    void namesakeArrivingDuringTheCopyIsKept()
    {
        const QString other = otherFileSystem(u"other"_s);
        if (other.isEmpty())
            QSKIP("a second file system needs the superuser");
        put(m_in + u"/page.htm"_s, "page");
        MoveSteps::setCopyObserver([&](const QByteArray &) { put(other + u"/page.htm"_s, "theirs"); });
        ScriptedPrompts prompts; // No to replacing it
        RecordingView view;
        MoveOutcome outcome = MoveOutcome::Moved;
        QVERIFY(moveWithCompanions(m_in + u"/page.htm"_s, other, m_root, {prompts, m_messages, view}, nullptr,
                                   &outcome));
        QCOMPARE(outcome, MoveOutcome::TargetKept);
        QCOMPARE(bytesOf(other + u"/page.htm"_s), "theirs"_ba);
        QCOMPARE(bytesOf(m_in + u"/page.htm"_s), "page"_ba);
        QCOMPARE(TreeSnapshot::leftovers(TreeSnapshot::of(other)), QList<QByteArray>());
    }

    // Merging into a folder on another disk, a read-only folder inside the source cannot let its files go:
    // they are not copied, so nothing stands in both places.
    void mergeLeavesWhatCannotLeave_data()
    {
        QTest::addColumn<bool>("targetHasSub");
        QTest::newRow("the read-only folder is new at the target") << false;
        QTest::newRow("the read-only folder is merged too") << true;
    }
    void mergeLeavesWhatCannotLeave()
    {
        if (!SystemTest::isUnprivilegedChild()) {
            const QString other = otherFileSystem(u"other"_s);
            if (other.isEmpty())
                QSKIP("a second file system needs the superuser");
            QVERIFY(::chmod(encoded(m_dir->path()).constData(), 0755) == 0);
            QVERIFY(::chmod(encoded(other).constData(), 01777) == 0);
            qputenv("MARROWDALE_TEST_OTHER_FS", encoded(other));
        }
        RUN_WITHOUT_ROOT();
        QFETCH(bool, targetHasSub);
        const QString from = m_in + u"/page_files"_s;
        const QString to = qEnvironmentVariable("MARROWDALE_TEST_OTHER_FS") + u"/u%1/page_files"_s.arg(::getpid());
        put(from + u"/top.css"_s, "top");
        put(from + u"/sub/img.png"_s, "img");
        put(to + (targetHasSub ? u"/sub/old.png"_s : u"/old.css"_s), "old");
        QVERIFY(::chmod(encoded(from + u"/sub"_s).constData(), 0555) == 0);
        const auto unlock = qScopeGuard([&] { ::chmod(encoded(from + u"/sub"_s).constData(), 0755); });
        ScriptedPrompts prompts;
        prompts.yesNoAnswers = {UserPrompts::Yes};
        RecordingView view;
        QVERIFY(!FileOps::moveFolder(from, to, {prompts, m_messages, view}));
        // Every file stands in exactly one place.
        QCOMPARE(bytesOf(to + u"/top.css"_s), "top"_ba);
        QVERIFY(!exists(from + u"/top.css"_s));
        QCOMPARE(bytesOf(from + u"/sub/img.png"_s), "img"_ba);
        QVERIFY(!exists(to + u"/sub/img.png"_s));
        QCOMPARE(TreeSnapshot::leftovers(TreeSnapshot::of(to)), QList<QByteArray>());
    }

    // The system's "busy" (here: a file something is mounted on) is a failure like any other.
    void mountedSourceIsNotTakenForADownload()
    {
        const QString page = m_in + u"/page.htm"_s;
        put(page, "page");
        put(path(u"mounted.htm"_s), "mounted");
        if (::geteuid() != 0 || QProcess::execute(u"mount"_s, {u"--bind"_s, path(u"mounted.htm"_s), page}) != 0)
            QSKIP("a mount needs the superuser");
        m_mounts << page;
        ScriptedPrompts prompts;
        RecordingView view;
        QVERIFY(moveWithCompanions(page, m_root + u"/News"_s, m_root, {prompts, m_messages, view}));
        QCOMPARE(prompts.askedOf(u"msgBox"_s), QStringList {failureBox()});
        QCOMPARE(bytesOf(page), "mounted"_ba);
    }

    void overwriteYesOnTheSameFileMovesNothing()
    {
        const QString target = m_root + u"/News/page.htm"_s;
        put(m_in + u"/page.htm"_s, "one");
        put(m_in + u"/page_files/i"_s);
        QDir().mkpath(m_root + u"/News"_s);
        QVERIFY(::link(encoded(m_in + u"/page.htm"_s).constData(), encoded(target).constData()) == 0);
        const auto before = TreeSnapshot::of(m_dir->path());
        ScriptedPrompts prompts;
        prompts.yesNoAnswers = {UserPrompts::Yes};
        RecordingView view;
        QVERIFY(moveWithCompanions(m_in + u"/page.htm"_s, m_root + u"/News"_s, m_root, {prompts, m_messages, view}));
        QCOMPARE(prompts.askedOf(u"askYesNo"_s), QStringList {m_messages.text(14)});
        QCOMPARE(TreeSnapshot::of(m_dir->path()), before);
        QVERIFY(view.log.isEmpty());
    }

    void linkedCompanionMovesAsTheLink_data()
    {
        QTest::addColumn<bool>("acrossFileSystems");
        QTest::newRow("one file system") << false;
        QTest::newRow("across file systems") << true;
    }
    void linkedCompanionMovesAsTheLink()
    {
        QFETCH(bool, acrossFileSystems);
        const QString destination = acrossFileSystems ? otherFileSystem(u"other"_s) : m_root;
        if (destination.isEmpty())
            QSKIP("a second file system needs the superuser");
        put(path(u"real/img.png"_s), "img");
        put(m_in + u"/page.htm"_s);
        QVERIFY(QFile::link(u"../real"_s, m_in + u"/page_files"_s));
        ScriptedPrompts prompts;
        RecordingView view;
        QVERIFY(moveWithCompanions(m_in + u"/page.htm"_s, destination, m_root, {prompts, m_messages, view}));
        QCOMPARE(QFile::symLinkTarget(destination + u"/page_files"_s), QFileInfo(destination).path() + u"/real"_s);
        QVERIFY(!QFileInfo(m_in + u"/page_files"_s).isSymLink());
        QCOMPARE(bytesOf(path(u"real/img.png"_s)), "img"_ba);
        QVERIFY(prompts.asked.isEmpty());
    }

    void mergeCarriesEveryName_data()
    {
        QTest::addColumn<bool>("acrossFileSystems");
        QTest::newRow("one file system") << false;
        QTest::newRow("across file systems") << true;
    }
    void mergeCarriesEveryName()
    {
        QFETCH(bool, acrossFileSystems);
        const QString to = (acrossFileSystems ? otherFileSystem(u"other"_s) : path(u"to"_s)) + u"/p_files"_s;
        if (to == u"/p_files"_s)
            QSKIP("a second file system needs the superuser");
        put(to + u"/mine"_s);
        const QByteArray from = encoded(m_in + u"/p_files"_s);
        QVERIFY(::mkdir(from.constData(), 0755) == 0 && ::mkdir((from + "/\x93\xfa").constData(), 0755) == 0);
        for (const QByteArray &name : {"/\x82\xa0.png"_ba, "/\x93\xfa/\xff"_ba}) {
            const int fd = ::open((from + name).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            QVERIFY(fd >= 0 && ::write(fd, name.constData(), size_t(name.size())) == name.size() && ::close(fd) == 0);
        }
        const auto before = TreeSnapshot::of(QFile::decodeName(from));
        ScriptedPrompts prompts;
        prompts.yesNoAnswers = {UserPrompts::Yes};
        RecordingView view;
        QVERIFY(moveFolder(m_in + u"/p_files"_s, to, {prompts, m_messages, view}));
        QVERIFY(!MoveSteps::exists(from));
        auto after = TreeSnapshot::of(to);
        QVERIFY(after.remove("mine") == 1);
        QCOMPARE(after, before);
    }

    void sourceThatCannotLeaveStays_data()
    {
        QTest::addColumn<QString>("locked"); // the folder made read-only, below the source folder
        QTest::addColumn<bool>("pageMoves");
        QTest::newRow("read-only source folder") << QString() << false;
        QTest::newRow("read-only folder inside the companion") << u"page_files/sub"_s << true;
    }
    void sourceThatCannotLeaveStays()
    {
        if (!SystemTest::isUnprivilegedChild()) {
            // The child cannot mount; it gets a file system from here, open to everyone.
            const QString other = otherFileSystem(u"other"_s);
            if (other.isEmpty())
                QSKIP("a second file system needs the superuser");
            QVERIFY(::chmod(encoded(m_dir->path()).constData(), 0755) == 0);
            QVERIFY(::chmod(encoded(other).constData(), 01777) == 0);
            qputenv("MARROWDALE_TEST_OTHER_FS", encoded(other));
        }
        RUN_WITHOUT_ROOT();
        QFETCH(QString, locked);
        QFETCH(bool, pageMoves);
        const QString other = qEnvironmentVariable("MARROWDALE_TEST_OTHER_FS") + u"/u%1"_s.arg(::getpid());
        put(m_in + u"/page.htm"_s, "page");
        put(m_in + u"/page_files/sub/img.png"_s, "img");
        const QByteArray lockedFolder = encoded(m_in + u'/' + locked);
        QVERIFY(::chmod(lockedFolder.constData(), 0555) == 0);
        const auto unlock = qScopeGuard([&] { ::chmod(lockedFolder.constData(), 0755); });
        auto before = TreeSnapshot::of(m_in);
        ScriptedPrompts prompts;
        RecordingView view;
        QVERIFY(moveWithCompanions(m_in + u"/page.htm"_s, other, m_root, {prompts, m_messages, view}));
        const auto after = TreeSnapshot::of(m_in);
        if (pageMoves) {
            QVERIFY(before.remove("page.htm") == 1);
            QCOMPARE(bytesOf(other + u"/page.htm"_s), "page"_ba);
            QCOMPARE(prompts.askedOf(u"notify"_s).size(), 1);
        } else {
            QCOMPARE(prompts.askedOf(u"msgBox"_s), QStringList {failureBox()});
        }
        QCOMPARE(after, before);
        QCOMPARE(QDir(other).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 pageMoves ? QStringList {u"page.htm"_s} : QStringList());
    }

    // The folder lets the source go when asked before the copy, yet removing it fails afterwards: a sticky
    // folder holding root's entries. A file then stays where it was, once; a companion folder arrived
    // whole, and what stayed behind is told.
    void sourceRefusedAfterItsCopyStays_data()
    {
        QTest::addColumn<QStringList>("rootOwns"); // below the sticky folder (root's too); the rest is the mover's
        QTest::addColumn<bool>("pageMoves");
        QTest::newRow("root's page in a sticky folder") << QStringList {u"page.htm"_s} << false;
        QTest::newRow("root's image in a sticky companion")
            << QStringList {u"page_files"_s, u"page_files/img.png"_s} << true;
    }
    void sourceRefusedAfterItsCopyStays()
    {
        QFETCH(QStringList, rootOwns);
        QFETCH(bool, pageMoves);
        if (!SystemTest::isUnprivilegedChild()) {
            // The child can neither mount nor give files to root: both are prepared here.
            const QString other = otherFileSystem(u"other"_s);
            if (other.isEmpty())
                QSKIP("a second file system needs the superuser");
            const QString shared = path(u"shared"_s);
            put(shared + u"/page.htm"_s, "page");
            put(shared + u"/page_files/img.png"_s, "img");
            for (const QString &entry : {QString(), u"/page.htm"_s, u"/page_files"_s, u"/page_files/img.png"_s}) {
                const QString relative = entry.mid(1);
                const bool folder = entry.isEmpty() || entry == u"/page_files"_s;
                const uid_t owner = entry.isEmpty() || rootOwns.contains(relative) ? 0 : SystemTest::nobody;
                QVERIFY(::chown(encoded(shared + entry).constData(), owner, owner) == 0);
                QVERIFY(::chmod(encoded(shared + entry).constData(), folder ? 01777 : 0644) == 0);
            }
            QVERIFY(::chmod(encoded(m_dir->path()).constData(), 0755) == 0);
            QVERIFY(::chmod(encoded(other).constData(), 01777) == 0);
            qputenv("MARROWDALE_TEST_OTHER_FS", encoded(other));
            qputenv("MARROWDALE_TEST_SHARED", encoded(shared));
        }
        RUN_WITHOUT_ROOT();
        const QString in = qEnvironmentVariable("MARROWDALE_TEST_SHARED");
        const QString other = qEnvironmentVariable("MARROWDALE_TEST_OTHER_FS") + u"/u%1"_s.arg(::getpid());
        auto before = TreeSnapshot::of(in);
        MoveJournal journal(path(u"state/journal.jsonl"_s));
        ScriptedPrompts prompts;
        RecordingView view;
        QVERIFY(moveWithCompanions(in + u"/page.htm"_s, other, m_root, {prompts, m_messages, view, &journal}));
        const auto records = journalOf(journal.path());
        if (pageMoves) {
            QVERIFY(before.remove("page.htm") == 1);
            QCOMPARE(bytesOf(other + u"/page.htm"_s) + bytesOf(other + u"/page_files/img.png"_s), "pageimg"_ba);
            const QString from = in + u"/page_files"_s, to = other + u"/page_files"_s;
            const QString stayed
                = ProgramText(Message::SourceLeftBehind, {from, MoveSteps::errorText(EPERM)}).english();
            QCOMPARE(prompts.askedOf(u"notify"_s),
                     QStringList {ProgramText(Message::FolderMovedWithNote, {from, to, stayed}).english()});
            QCOMPARE(shapeOf(records),
                     (QStringList {u"pass classify"_s, u"intent file"_s, u"done"_s, u"intent folder"_s, u"done"_s}));
        } else {
            QCOMPARE(prompts.askedOf(u"msgBox"_s), QStringList {failureBox()});
            QVERIFY(prompts.askedOf(u"notify"_s).isEmpty());
            QCOMPARE(shapeOf(records), (QStringList {u"pass classify"_s, u"intent file"_s, u"failed"_s}));
            QCOMPARE(records.last().reason, MoveSteps::errorText(EPERM));
            QVERIFY(view.moves.isEmpty());
        }
        COMPARE_TREES(TreeSnapshot::of(in), before);
        const auto arrived = TreeSnapshot::of(other);
        QCOMPARE(arrived.keys(),
                 pageMoves ? (QList<QByteArray> {"page.htm", "page_files", "page_files/img.png"})
                           : QList<QByteArray>());
    }

    // The file moved, its companion could not follow. The refusal is recorded, so that the next start
    // finds nothing to settle, and the user is told.
    void companionThatCannotFollow_data()
    {
        QTest::addColumn<QStringList>("source"); // below in/page_files: "name=content" or "name/"
        QTest::addColumn<QStringList>("target"); // below the destination Sorted/News
        QTest::addColumn<bool>("vanishes"); // the companion is gone once its file has moved
        QTest::addColumn<QByteArrayList>("merged"); // what reaches the target's companion
        QTest::addColumn<QString>("told"); // "@" for the temporary folder
        QTest::addColumn<QString>("reason"); // of the companion's record in the journal

        const QString from = u"@/in/page_files"_s, to = u"@/Sorted/News/page_files"_s;
        QTest::newRow("a file holds the companion's name")
            << QStringList {u"img.png=i"_s} << QStringList {u"page_files=blocker"_s} << false << QByteArrayList()
            << ProgramText(Message::FolderBlocked, {from, to}).english() << u"something else is in the way"_s;
        QTest::newRow("the companion is gone before it follows")
            << QStringList {u"img.png=i"_s} << QStringList() << true << QByteArrayList()
            << ProgramText(Message::FolderNotThere, {from}).english() << u"does not exist"_s;
        const QString fileOnFolder
            = ProgramText(Message::EntryBlocksFolder, {to + u"/sub"_s, from + u"/sub"_s}).english();
        QTest::newRow("merge meets a file where a folder is")
            << QStringList {u"free=f"_s, u"sub/a=a"_s} << QStringList {u"page_files/sub=file"_s} << false
            << QByteArrayList {"free"} << ProgramText(Message::FolderMergedInPart, {from, to, fileOnFolder}).english()
            << u"merged in part: "_s + fileOnFolder;
        const QString folderOnFile
            = ProgramText(Message::FolderBlocksFile, {to + u"/img.png"_s, from + u"/img.png"_s}).english();
        QTest::newRow("merge meets a folder where a file is")
            << QStringList {u"free=f"_s, u"img.png=i"_s} << QStringList {u"page_files/img.png/"_s} << false
            << QByteArrayList {"free"} << ProgramText(Message::FolderMergedInPart, {from, to, folderOnFile}).english()
            << u"merged in part: "_s + folderOnFile;
    }
    void companionThatCannotFollow()
    {
        QFETCH(QStringList, source);
        QFETCH(QStringList, target);
        QFETCH(bool, vanishes);
        QFETCH(QByteArrayList, merged);
        QFETCH(QString, told);
        QFETCH(QString, reason);
        const QString companion = m_in + u"/page_files"_s, destination = m_root + u"/News"_s;
        const auto make = [](const QString &base, const QStringList &entries) {
            for (const QString &entry : entries) {
                if (entry.endsWith(u'/'))
                    QVERIFY(QDir().mkpath(base + u'/' + entry));
                else
                    put(base + u'/' + entry.section(u'=', 0, 0), entry.section(u'=', 1).toUtf8());
            }
        };
        put(m_in + u"/page.htm"_s, "page");
        make(companion, source);
        make(destination, target);
        QVERIFY(QDir().mkpath(destination));
        const auto sourceBefore = TreeSnapshot::of(companion, TreeSnapshot::NoFolderTimes);
        const auto targetBefore = TreeSnapshot::of(destination, TreeSnapshot::NoFolderTimes);

        struct VanishingView : RecordingView
        {
            QString removes;
            void appendMove(const LoggedMove &move) override
            {
                RecordingView::appendMove(move);
                MoveSteps::removeTree(QFile::encodeName(removes));
            }
        } view;
        if (vanishes)
            view.removes = companion;
        MoveJournal journal(path(u"state/journal.jsonl"_s));
        ScriptedPrompts prompts;
        prompts.yesNoAnswers = {UserPrompts::Yes}; // to the merge
        QVERIFY(moveWithCompanions(m_in + u"/page.htm"_s, destination, m_root, {prompts, m_messages, view, &journal}));

        QCOMPARE(bytesOf(destination + u"/page.htm"_s), "page"_ba);
        QCOMPARE(prompts.askedOf(u"notify"_s), QStringList {told.replace(u'@', m_dir->path())});
        auto sourceAfter = TreeSnapshot::of(companion, TreeSnapshot::NoFolderTimes);
        auto targetAfter = TreeSnapshot::of(destination, TreeSnapshot::NoFolderTimes);
        QVERIFY(targetAfter.remove("page.htm") == 1);
        auto sourceLeft = sourceBefore;
        for (const QByteArray &entry : std::as_const(merged))
            QCOMPARE(targetAfter.take("page_files/" + entry), sourceLeft.take(entry));
        COMPARE_TREES(targetAfter, targetBefore);
        if (vanishes)
            QVERIFY(!exists(companion));
        else
            COMPARE_TREES(sourceAfter, sourceLeft);

        const auto records = journalOf(journal.path());
        QCOMPARE(shapeOf(records),
                 (QStringList {u"pass classify"_s, u"intent file"_s, u"done"_s, u"intent folder"_s, u"failed"_s}));
        QCOMPARE(records.last().reason, reason.replace(u'@', m_dir->path()));
        QCOMPARE(settleJournal(journal.path(), m_messages), QString());
    }

    void journalRecordsEachMove()
    {
        MoveJournal journal(path(u"state/journal.jsonl"_s));
        put(m_in + u"/page.htm"_s);
        put(m_in + u"/page_files/i"_s);
        put(m_in + u"/taken.htm"_s, "new");
        put(m_root + u"/News/taken.htm"_s, "old");
        ScriptedPrompts prompts;
        RecordingView view;
        const MoveContext context {prompts, m_messages, view, &journal};
        QVERIFY(moveWithCompanions(m_in + u"/page.htm"_s, m_root + u"/News"_s, m_root, context));
        QVERIFY(moveWithCompanions(m_in + u"/taken.htm"_s, m_root + u"/News"_s, m_root, context));
        QVERIFY(undoMove(view.moves.first(), m_in, context));

        const QList<JournalRecord> records = journalOf(journal.path());
        QCOMPARE(shapeOf(records),
                 (QStringList {u"pass classify"_s, u"intent file"_s, u"done"_s, u"intent folder"_s, u"done"_s,
                               u"pass classify"_s, u"intent file"_s, u"failed"_s, u"pass undo"_s, u"intent file"_s,
                               u"done"_s, u"intent folder"_s, u"done"_s}));
        const JournalRecord &moved = records.at(1);
        QCOMPARE(moved.companionSrc, m_in + u"/page_files"_s);
        QCOMPARE(moved.companionDst, m_root + u"/News/page_files"_s);
        QVERIFY(moved.tmp.startsWith(m_root + u"/News/.marrowdale-"_s));
        QCOMPARE(records.at(3).page, m_root + u"/News/page.htm"_s);
        QCOMPARE(view.moves.first().journalId, moved.id);
        QCOMPARE(records.at(9).undoes, moved.id);
        QCOMPARE(records.at(9).src, m_root + u"/News/page.htm"_s);
        QVERIFY(records.at(7).reason.startsWith(u"declined"_s));
        QSet<QString> ids; // passes begun within one millisecond still number their moves apart
        for (const JournalRecord &record : records) {
            if (record.op == u"intent"_s)
                ids.insert(record.id);
        }
        QCOMPARE(ids.size(), 5);
    }

    // A full disk under the journal: a pass ends before the move whose record could not be written, and
    // says why; once there is room again, records are written whole and the history works again.
    void journalWriteFailureStopsThePass()
    {
        const QString state = path(u"state"_s);
        MOUNT_TMPFS_OR_SKIP(state, u"64k"_s);
        m_mounts << state;
        QVERIFY(QDir().mkpath(m_root));
        MoveJournal journal(state + u"/journal.jsonl"_s);
        ScriptedPrompts prompts;
        RecordingView view;
        const MoveContext context {prompts, m_messages, view, &journal};
        QStringList files;
        const auto movePass = [&](const QString &name) {
            files.clear();
            for (int i = 0; i < 12; ++i) {
                files << m_in + u"/%1-%2.htm"_s.arg(name).arg(i);
                put(files.last());
            }
            prompts.asked.clear();
            QCOMPARE(moveFilesWithCompanions(files, m_root, context), QStringList());
        };
        movePass(u"before"_s);
        QVERIFY(prompts.asked.isEmpty());
        SystemTest::fillUp(state);
        for (const QString &name : {u"full"_s, u"still full"_s}) {
            qsizetype stopped = -1; // the file named as the one that stays; those before it moved
            try {
                movePass(name);
                QFAIL("moved without a record");
            } catch (const MarrowdaleError &error) {
                QVERIFY2(error.message().contains(journal.path()), qPrintable(error.message()));
                stopped = std::find_if(files.cbegin(), files.cend(),
                                       [&](const QString &file) { return error.message().contains(file); })
                    - files.cbegin();
            }
            for (qsizetype i = 0; i < files.size(); ++i)
                QVERIFY2(QFile::exists(i < stopped ? m_root + u'/' + fileName(files.at(i)) : files.at(i)),
                         qPrintable(files.at(i)));
            QVERIFY(!journal.errorString().isEmpty() && !journal.writable());
        }
        QVERIFY(QFile::remove(state + u"/.filler"_s));
        QVERIFY(journal.writable()); // what the history asks before it takes a move back
        movePass(u"after"_s);
        QVERIFY(prompts.asked.isEmpty());
        QVERIFY(journal.errorString().isEmpty());

        // A record cut short by the full disk stays alone on its line: nothing after it is swallowed.
        const QList<QByteArray> lines = bytesOf(journal.path()).split('\n');
        for (const QByteArray &line : lines)
            QVERIFY2(line.count("{\"op\":") <= 1, line.constData());
        qsizetype unreadable = 0;
        for (const QByteArray &line : lines)
            unreadable += !line.isEmpty() && !MoveJournal::decode(line);
        QCOMPARE(unreadable, 1);
        const QList<JournalRecord> records = journalOf(journal.path());
        QStringList lastPass {u"pass move"_s};
        for (int i = 0; i < 12; ++i)
            lastPass << u"intent file"_s << u"done"_s;
        QCOMPARE(shapeOf(records.mid(records.size() - lastPass.size())), lastPass);
    }
};

QTEST_GUILESS_MAIN(TestFileOps)
#include "tst_fileops.moc"
