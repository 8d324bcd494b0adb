#include "fileops.h"
#include "mainview.h"
#include "messagetable.h"
#include "scriptedprompts.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace FileOps;

namespace {

struct RecordingView : MainView
{
    QStringList log;
    int refreshes = 0;
    void appendLog(const QString &line, const QString &) override { log << line; }
    void refreshFileList() override { ++refreshes; }
    void appendKeywordLine(const QString &) override { }
    void setProgressVisible(bool) override { }
    void setProgress(int) override { }
    void showWait(int) override { }
    void hideWait() override { }
};

void put(const QString &path, const QByteArray &content = "x")
{
    writeBytes(path, content);
}

bool exists(const QString &path)
{
    return QFileInfo::exists(path);
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

    // Rows name paths relative to the temporary folder; "/" stays itself.
    QString path(const QString &relative) const { return relative == u"/"_s ? relative : m_dir->filePath(relative); }
    QString failureBox() const { return displayName(u"page.htm"_s) + m_messages.text(15); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        qputenv("XDG_CONFIG_HOME", path(u"config"_s).toUtf8());
        m_in = path(u"in"_s);
        m_root = path(u"Sorted"_s);
        QDir().mkpath(m_in);
    }
    void cleanup()
    {
        for (const QString &mount : std::as_const(m_mounts))
            QProcess::execute(u"umount"_s, {mount});
        m_mounts.clear();
        QDir::setCurrent(QDir::rootPath());
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
        // An absolute path's top folder is outside the temporary folder: a relative one meets the same rule.
        QFETCH(int, answer);
        QVERIFY(QDir::setCurrent(m_dir->path()));
        put(m_in + u"/page.htm"_s);
        ScriptedPrompts prompts;
        prompts.yesNoAnswers = {answer};
        RecordingView view;
        const bool yes = answer == UserPrompts::Yes;
        QCOMPARE(moveWithCompanions(m_in + u"/page.htm"_s, u"NewTop/Sub"_s, m_root, {prompts, m_messages, view}), yes);
        QCOMPARE(prompts.askedOf(u"askYesNo"_s), QStringList {m_messages.text(13)});
        QCOMPARE(exists(path(u"NewTop/Sub/page.htm"_s)), yes);
        QCOMPARE(exists(path(u"NewTop"_s)), yes);
        QCOMPARE(view.log.size(), yes ? 1 : 0);
    }

    void existingTarget_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("sourceVanishes");
        QTest::addColumn<QByteArray>("targetAfter");
        QTest::newRow("no keeps both") << int(UserPrompts::No) << false << "old"_ba;
        QTest::newRow("yes replaces") << int(UserPrompts::Yes) << false << "new"_ba;
        QTest::newRow("failed move after yes keeps the old target") << int(UserPrompts::Yes) << true << "old"_ba;
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
        QVERIFY(moveWithCompanions(source, m_root + u"/News"_s, m_root, {prompts, m_messages, view}));
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
        QTest::addColumn<QString>("loggedRoot");
        QTest::addColumn<QString>("undoRoot");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("fileAt"); // empty: gone
        QTest::addColumn<bool>("namesakeAtHome");
        QTest::newRow("short form") << u"Sorted"_s << u"Sorted"_s << u"Sorted/Work"_s << u"Sorted/Work"_s << false;
        QTest::newRow("root itself") << u"Sorted"_s << u"Sorted"_s << u"Sorted"_s << u"Sorted"_s << false;
        QTest::newRow("root folder /") << u"/"_s << u"/"_s << u"Sorted/Work"_s << u"Sorted/Work"_s << false;
        QTest::newRow("full destination") << u"Sorted"_s << u"Sorted"_s << u"Other"_s << u"Other"_s << false;
        QTest::newRow("root changed since") << u"Sorted"_s << u"New"_s << u"Sorted/Work"_s << u"New/Work"_s << false;
        QTest::newRow("file gone keeps the line")
            << u"Sorted"_s << u"Sorted"_s << u"Sorted/Work"_s << QString() << false;
        QTest::newRow("namesake at home keeps the line")
            << u"Sorted"_s << u"Sorted"_s << u"Sorted/Work"_s << u"Sorted/Work"_s << true;
    }
    void undo()
    {
        QFETCH(QString, loggedRoot);
        QFETCH(QString, undoRoot);
        QFETCH(QString, destination);
        QFETCH(QString, fileAt);
        QFETCH(bool, namesakeAtHome);
        const QString at = path(fileAt.isEmpty() ? u"gone"_s : fileAt);
        if (!fileAt.isEmpty())
            put(at + u"/page.htm"_s, "moved");
        put(at + u"/page_files/i"_s);
        put(at + u"/page.files/i"_s);
        if (namesakeAtHome)
            put(m_in + u"/page.htm"_s, "home");
        const QString line = FileOps::logLine(u"page.htm"_s, path(destination), path(loggedRoot));
        ScriptedPrompts prompts;
        RecordingView view;
        const bool comesBack = !fileAt.isEmpty() && !namesakeAtHome;
        QCOMPARE(undoLogLine(line, m_in, path(undoRoot), {prompts, m_messages, view}), comesBack);
        QCOMPARE(bytesOf(m_in + u"/page.htm"_s), comesBack ? "moved"_ba : namesakeAtHome ? "home"_ba : "<missing>"_ba);
        QCOMPARE(exists(m_in + u"/page_files/i"_s), comesBack);
        QVERIFY(exists(at + u"/page.files/i"_s) && !exists(m_in + u"/page.files"_s));
        QCOMPARE(prompts.askedOf(u"msgBox"_s), comesBack ? QStringList() : QStringList {failureBox()});
    }

    void undoFindsNamesTheLineCannotTell_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("arrow in the name") << u"a->b.htm"_s;
        QTest::newRow("blank at the end") << u"notes "_s;
    }
    void undoFindsNamesTheLineCannotTell()
    {
        QFETCH(QString, name);
        ScriptedPrompts prompts;
        RecordingView view;
        put(m_in + u'/' + name, "page");
        QVERIFY(moveWithCompanions(m_in + u'/' + name, m_root + u"/News"_s, m_root, {prompts, m_messages, view}));
        QCOMPARE(view.log.size(), 1);
        QVERIFY(undoLogLine(view.log.first(), m_in, m_root, {prompts, m_messages, view}, name));
        QCOMPARE(bytesOf(m_in + u'/' + name), "page"_ba);
        QVERIFY(prompts.asked.isEmpty());
    }

    void neverReplaces()
    {
        put(path(u"a/f"_s), "a");
        put(path(u"b/f"_s), "b");
        QString error;
        QVERIFY(!moveFile(path(u"a/f"_s), path(u"b/f"_s), &error) && error.contains(path(u"b/f"_s)));
        QVERIFY(!renameNoReplace(path(u"a"_s), path(u"b"_s), &error) && error.contains(path(u"b"_s)));
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
        QCOMPARE(moveFolder(from, to, prompts), arrived);
        QCOMPARE(prompts.askedOf(u"askYesNo"_s).size(), answers.size());
        QCOMPARE(bytesOf(to + u"/clash"_s), clash);
        QCOMPARE(exists(to + u"/sub/free"_s), answers.first() == UserPrompts::Yes);
        QCOMPARE(bytesOf(from + u"/clash"_s), arrived ? "<missing>"_ba : "new"_ba);
        QCOMPARE(exists(from), !arrived);
        QVERIFY(exists(to + u"/sub/mine"_s) && prompts.askedOf(u"notify"_s).isEmpty());
    }

    void acrossFileSystems()
    {
        const QString other = path(u"other"_s);
        QDir().mkpath(other);
        if (geteuid() != 0 || QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"tmpfs"_s, other}) != 0)
            QSKIP("a second file system needs the superuser and tmpfs");
        m_mounts << other;
        const QDateTime past(QDate(2001, 2, 3), QTime(4, 5, 6));
        for (const QString &file : {u"page.htm"_s, u"page_files/sub/img.png"_s}) {
            put(m_in + u'/' + file, "data");
            QFile handle(m_in + u'/' + file);
            QVERIFY(handle.open(QIODevice::ReadWrite) && handle.setFileTime(past, QFileDevice::FileModificationTime));
            QVERIFY(::chmod(QFile::encodeName(handle.fileName()).constData(), 0640) == 0);
        }
        QVERIFY(QFile::link(u"img.png"_s, m_in + u"/page_files/sub/link"_s));
        put(other + u"/taken.htm"_s, "old");
        QVERIFY(!moveFile(m_in + u"/page.htm"_s, other + u"/taken.htm"_s));
        QCOMPARE(bytesOf(other + u"/taken.htm"_s), "old"_ba);
        ScriptedPrompts prompts;
        QVERIFY(moveFileIntoFolder(m_in + u"/page.htm"_s, other));
        QVERIFY(moveFolder(m_in + u"/page_files"_s, other + u"/page_files"_s, prompts));
        QVERIFY(!exists(m_in + u"/page.htm"_s) && !exists(m_in + u"/page_files"_s));
        for (const QString &file : {u"page.htm"_s, u"page_files/sub/img.png"_s}) {
            struct stat st;
            QVERIFY(::stat(QFile::encodeName(other + u'/' + file).constData(), &st) == 0);
            QCOMPARE(st.st_mode & 07777, 0640u);
            QCOMPARE(QFileInfo(other + u'/' + file).lastModified(), past);
            QCOMPARE(bytesOf(other + u'/' + file), "data"_ba);
        }
        QCOMPARE(QFileInfo(other + u"/page_files/sub/link"_s).symLinkTarget(), other + u"/page_files/sub/img.png"_s);
    }
};

QTEST_GUILESS_MAIN(TestFileOps)
#include "tst_fileops.moc"
