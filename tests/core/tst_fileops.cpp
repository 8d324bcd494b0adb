#include "fileops.h"
#include "mainview.h"
#include "messagetable.h"
#include "userprompts.h"

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

class ScriptedPrompts : public UserPrompts
{
public:
    QList<int> answers; // askYesNo, in order; No once used up
    QStringList questions, titles, boxes, notices;
    std::function<void()> beforeAnswer;

    int askYesNo(const QString &text, const QString &title) override
    {
        questions << text;
        titles << title;
        if (beforeAnswer)
            beforeAnswer();
        return answers.isEmpty() ? No : answers.takeFirst();
    }
    int msgBox(const QString &msg, const QString &, const QString &, int) override { boxes << msg; return Ok; }
    void notify(const QString &text) override { notices << text; }
    QString receiveString(const QString &, const QString &, const QString &, const QString &, int, int) override
    {
        return {};
    }
    int askOkCancel(const QString &, const QString &) override { return Cancel; }
    int confirmMove(const QString &) override { return Cancel; }
    std::optional<QString> chooseFolder(const QString &, int) override { return std::nullopt; }
    int chooseKeyword(const QString &, const QStringList &, int *) override { return 3; }
    QString inputBox(const QString &, const QString &, const QString &d) override { return d; }
};

class RecordingView : public MainView
{
public:
    QStringList log;
    int refreshes = 0;
    void appendLog(const QString &line) override { log << line; }
    void refreshFileList() override { ++refreshes; }
    void appendKeywordLine(const QString &) override {}
    void setProgressVisible(bool) override {}
    void setProgress(int) override {}
    void showWait(int) override {}
    void hideWait() override {}
};

void put(const QString &path, const QByteArray &content = "x")
{
    QDir().mkpath(folderOf(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray content(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>"_ba;
}

bool exists(const QString &path)
{
    return QFileInfo::exists(path);
}

const QString blanks32 = QString(32, u' ');

} // namespace

class TestFileOps : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_mounts;
    QString m_in, m_root;
    MessageTable m_messages;

    QString path(const QString &relative) const { return m_dir->filePath(relative); }

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
        m_dir.reset();
    }

    void companionPath_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("companion");
        QTest::newRow("extension replaced") << u"/in/page.htm"_s << u"_files"_s << u"/in/page_files"_s;
        QTest::newRow("dot suffix") << u"/in/page.htm"_s << u".files"_s << u"/in/page.files"_s;
        QTest::newRow("last dot only") << u"/in/a.b.htm"_s << u"_files"_s << u"/in/a.b_files"_s;
        QTest::newRow("no extension") << u"/in/readme"_s << u".files"_s << u"/in/readme.files"_s;
        QTest::newRow("dot in folder only") << u"/in.x/readme"_s << u"_files"_s << u"/in.x/readme_files"_s;
        QTest::newRow("under the root") << u"/page.htm"_s << u"_files"_s << u"/page_files"_s;
    }
    void companionPath()
    {
        QFETCH(QString, file);
        QFETCH(QString, suffix);
        QFETCH(QString, companion);
        QCOMPARE(FileOps::companionPath(file, suffix), companion);
    }

    void rootJoin_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("joined");
        QTest::newRow("plain folder") << u"/in"_s << u"/in/page.htm"_s;
        QTest::newRow("root folder") << u"/"_s << u"/page.htm"_s;
    }
    void rootJoin()
    {
        QFETCH(QString, folder);
        QFETCH(QString, joined);
        QCOMPARE(reduceRootJoin(join(folder, u"page.htm"_s)), joined);
        QCOMPARE(folderOf(joined), folder);
        QCOMPARE(fileName(joined), u"page.htm"_s);
    }

    void logLine_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("line");
        const QString x40(40, u'x');
        QTest::newRow("under root") << u"page.htm"_s << u"/data/Sorted/News"_s << u"/data/Sorted"_s
                                    << u"page.htm"_s + blanks32 + u"-> ../News"_s;
        QTest::newRow("root itself") << u"page.htm"_s << u"/data/Sorted"_s << u"/data/Sorted"_s
                                     << u"page.htm"_s + blanks32 + u"-> .."_s;
        QTest::newRow("outside root") << u"page.htm"_s << u"/other/x"_s << u"/data/Sorted"_s
                                      << u"page.htm"_s + blanks32 + u"-> /other/x"_s;
        QTest::newRow("case differs") << u"page.htm"_s << u"/data/sorted/x"_s << u"/data/Sorted"_s
                                      << u"page.htm"_s + blanks32 + u"-> /data/sorted/x"_s;
        QTest::newRow("empty root") << u"page.htm"_s << u"/x"_s << QString() << u"page.htm"_s + blanks32 + u"-> /x"_s;
        QTest::newRow("40 characters") << x40 << u"/x"_s << QString() << x40 + u"-> /x"_s;
        QTest::newRow("longer") << x40 + u"yz"_s << u"/x"_s << QString() << x40 + u"yz-> /x"_s;
        QTest::newRow("beyond the basic plane counts once")
            << u"\U0001D11E.htm"_s << u"/x"_s << QString() << u"\U0001D11E.htm"_s + QString(35, u' ') + u"-> /x"_s;
    }
    void logLine()
    {
        QFETCH(QString, name);
        QFETCH(QString, destination);
        QFETCH(QString, root);
        QFETCH(QString, line);
        QCOMPARE(FileOps::logLine(name, destination, root), line);
    }

    void classifyMove_data()
    {
        QTest::addColumn<QStringList>("companions");
        QTest::addColumn<QString>("moved");
        QTest::newRow("_files") << QStringList{u"_files"_s} << u"_files"_s;
        QTest::newRow(".files") << QStringList{u".files"_s} << u".files"_s;
        QTest::newRow("both: only _files") << QStringList{u"_files"_s, u".files"_s} << u"_files"_s;
        QTest::newRow("none") << QStringList() << QString();
    }
    void classifyMove()
    {
        QFETCH(QStringList, companions);
        QFETCH(QString, moved);
        put(m_in + u"/page.htm"_s, "new");
        for (const QString &suffix : companions)
            put(m_in + u"/page"_s + suffix + u"/img.png"_s);
        ScriptedPrompts prompts;
        RecordingView view;
        QVERIFY(moveWithCompanions(m_in + u"/page.htm"_s, m_root + u"/News"_s, m_root, prompts, m_messages, view));
        QCOMPARE(content(m_root + u"/News/page.htm"_s), "new"_ba);
        QVERIFY(!exists(m_in + u"/page.htm"_s));
        QCOMPARE(view.log, QStringList{u"page.htm"_s + blanks32 + u"-> ../News"_s});
        for (const QString &suffix : companions) {
            const bool goes = suffix == moved;
            QCOMPARE(exists(m_root + u"/News/page"_s + suffix + u"/img.png"_s), goes);
            QCOMPARE(exists(m_in + u"/page"_s + suffix + u"/img.png"_s), !goes);
        }
        QCOMPARE(view.refreshes, moved.isEmpty() ? 0 : 1);
        QVERIFY(prompts.questions.isEmpty() && prompts.boxes.isEmpty() && prompts.notices.isEmpty());
    }

    void missingParentQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes creates and moves") << int(UserPrompts::Yes);
        QTest::newRow("no stops with nothing done") << int(UserPrompts::No);
    }
    void missingParentQuestion()
    {
        // The top folder of an absolute path lies outside any temporary folder; a relative destination
        // with the temporary folder as working folder meets the same rule.
        QFETCH(int, answer);
        QVERIFY(QDir::setCurrent(m_dir->path()));
        put(m_in + u"/page.htm"_s);
        ScriptedPrompts prompts;
        prompts.answers = {answer};
        RecordingView view;
        const bool goOn = moveWithCompanions(m_in + u"/page.htm"_s, u"NewTop/Sub"_s, m_root, prompts, m_messages, view);
        QCOMPARE(prompts.questions, QStringList{m_messages.text(13)});
        const bool yes = answer == UserPrompts::Yes;
        QCOMPARE(goOn, yes);
        QCOMPARE(exists(path(u"NewTop/Sub/page.htm"_s)), yes);
        QCOMPARE(exists(path(u"NewTop"_s)), yes);
        QCOMPARE(view.log.size(), yes ? 1 : 0);
    }

    void existingTarget_data()
    {
        QTest::addColumn<bool>("targetExists");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("sourceVanishes");
        QTest::addColumn<QByteArray>("targetAfter");
        QTest::addColumn<bool>("failureBox");
        QTest::newRow("no keeps both") << true << int(UserPrompts::No) << false << "old"_ba << false;
        QTest::newRow("yes replaces") << true << int(UserPrompts::Yes) << false << "new"_ba << false;
        QTest::newRow("failed move after yes keeps the old target")
            << true << int(UserPrompts::Yes) << true << "old"_ba << true;
        QTest::newRow("failed move without target") << false << int(UserPrompts::Yes) << true << "<missing>"_ba
                                                    << true;
    }
    void existingTarget()
    {
        QFETCH(bool, targetExists);
        QFETCH(int, answer);
        QFETCH(bool, sourceVanishes);
        QFETCH(QByteArray, targetAfter);
        QFETCH(bool, failureBox);
        const QString source = m_in + u"/page.htm"_s, target = m_root + u"/News/page.htm"_s;
        put(source, "new");
        put(m_in + u"/page_files/img.png"_s);
        QDir().mkpath(m_root + u"/News"_s);
        if (targetExists)
            put(target, "old");
        ScriptedPrompts prompts;
        prompts.answers = {answer};
        if (sourceVanishes) {
            prompts.beforeAnswer = [&] { QFile::remove(source); };
            if (!targetExists)
                QFile::remove(source);
        }
        RecordingView view;
        QVERIFY(moveWithCompanions(source, m_root + u"/News"_s, m_root, prompts, m_messages, view));
        QCOMPARE(prompts.questions, targetExists ? QStringList{m_messages.text(14)} : QStringList());
        QCOMPARE(prompts.titles, targetExists ? QStringList{u"page.htm"_s} : QStringList());
        QCOMPARE(content(target), targetAfter);
        const bool moved = targetAfter == "new";
        QCOMPARE(view.log.size(), moved ? 1 : 0);
        QCOMPARE(exists(m_in + u"/page_files/img.png"_s), !moved);
        QCOMPARE(prompts.boxes, failureBox ? QStringList{displayName(u"page.htm"_s) + m_messages.text(15)}
                                           : QStringList());
        // Nothing half-moved is left behind.
        QCOMPARE(QDir(m_root + u"/News"_s).entryList(QDir::Files | QDir::Hidden),
                 targetAfter == "<missing>" ? QStringList() : QStringList{u"page.htm"_s});
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
        const QStringList failed =
            moveFilesWithCompanions({m_in + u"/a.htm"_s, m_in + u"/b.htm"_s}, to, prompts);
        QCOMPARE(failed, QStringList{u"b.htm"_s});
        QVERIFY(exists(to + u"/a_files/i"_s) && exists(to + u"/a.files/i"_s) && !exists(m_in + u"/a.htm"_s));
        QCOMPARE(content(to + u"/b.htm"_s), "old"_ba);
        QVERIFY(exists(m_in + u"/b.htm"_s) && exists(m_in + u"/b_files/i"_s) && exists(m_in + u"/b.files/i"_s));
        QVERIFY(!exists(to + u"/b_files"_s) && prompts.questions.isEmpty());
    }

    void undo_data()
    {
        QTest::addColumn<QString>("loggedRoot"); // relative to the temporary folder, as were all paths
        QTest::addColumn<QString>("undoRoot");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("fileAt");
        QTest::addColumn<bool>("namesakeAtHome");
        QTest::addColumn<bool>("comesBack");
        QTest::newRow("short form") << u"Sorted"_s << u"Sorted"_s << u"Sorted/Work"_s << u"Sorted/Work"_s << false
                                    << true;
        QTest::newRow("root itself") << u"Sorted"_s << u"Sorted"_s << u"Sorted"_s << u"Sorted"_s << false << true;
        QTest::newRow("full destination") << u"Sorted"_s << u"Sorted"_s << u"Other"_s << u"Other"_s << false
                                          << true;
        QTest::newRow("root changed since") << u"Sorted"_s << u"New"_s << u"Sorted/Work"_s << u"New/Work"_s
                                            << false << true;
        QTest::newRow("file gone keeps the line") << u"Sorted"_s << u"Sorted"_s << u"Sorted/Work"_s << QString()
                                                  << false << false;
        QTest::newRow("namesake at home keeps the line")
            << u"Sorted"_s << u"Sorted"_s << u"Sorted/Work"_s << u"Sorted/Work"_s << true << false;
    }
    void undo()
    {
        QFETCH(QString, loggedRoot);
        QFETCH(QString, undoRoot);
        QFETCH(QString, destination);
        QFETCH(QString, fileAt);
        QFETCH(bool, namesakeAtHome);
        QFETCH(bool, comesBack);
        const QString line = FileOps::logLine(u"report.pdf"_s, path(destination), path(loggedRoot));
        const QString at = fileAt.isEmpty() ? path(u"nowhere"_s) : path(fileAt);
        if (!fileAt.isEmpty())
            put(at + u"/report.pdf"_s, "moved");
        put(at + u"/report_files/i"_s);
        put(at + u"/report.files/i"_s);
        if (namesakeAtHome)
            put(m_in + u"/report.pdf"_s, "home");
        ScriptedPrompts prompts;
        QCOMPARE(undoLogLine(line, m_in, path(undoRoot), prompts, m_messages), comesBack);
        QCOMPARE(exists(m_in + u"/report_files/i"_s), comesBack);
        QVERIFY(exists(at + u"/report.files/i"_s) && !exists(m_in + u"/report.files"_s));
        if (comesBack) {
            QCOMPARE(content(m_in + u"/report.pdf"_s), "moved"_ba);
            QVERIFY(prompts.boxes.isEmpty());
        } else {
            QCOMPARE(prompts.boxes, QStringList{displayName(u"report.pdf"_s) + m_messages.text(15)});
            QCOMPARE(content(m_in + u"/report.pdf"_s), namesakeAtHome ? "home"_ba : "<missing>"_ba);
        }
    }

    void undoUnderRootFolderSlash()
    {
        put(m_root + u"/report.pdf"_s, "moved");
        const QString line = FileOps::logLine(u"report.pdf"_s, m_root, u"/"_s);
        QVERIFY(line.endsWith(u"-> .."_s + m_root.mid(1)));
        ScriptedPrompts prompts;
        QVERIFY(undoLogLine(line, m_in, u"/"_s, prompts, m_messages));
        QCOMPARE(content(m_in + u"/report.pdf"_s), "moved"_ba);
    }

    void neverReplaces_data()
    {
        QTest::addColumn<bool>("folders");
        QTest::addColumn<bool>("rename");
        QTest::newRow("moveFile") << false << false;
        QTest::newRow("renameNoReplace file") << false << true;
        QTest::newRow("renameNoReplace folder") << true << true;
    }
    void neverReplaces()
    {
        QFETCH(bool, folders);
        QFETCH(bool, rename);
        const QString a = path(u"a"_s), b = path(u"b"_s);
        put(folders ? a + u"/f"_s : a, "a");
        put(folders ? b + u"/f"_s : b, "b");
        QString error;
        QVERIFY(!(rename ? renameNoReplace(a, b, &error) : moveFile(a, b, &error)));
        QVERIFY(error.contains(b));
        QCOMPARE(content(folders ? b + u"/f"_s : b), "b"_ba);
        QCOMPARE(content(folders ? a + u"/f"_s : a), "a"_ba);
    }

    void mergeFolder_data()
    {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QByteArray>("clash");
        QTest::addColumn<bool>("arrived");
        QTest::newRow("no leaves it") << QList<int>{UserPrompts::No} << "old"_ba << false;
        QTest::newRow("keep the existing file") << QList<int>{UserPrompts::Yes, UserPrompts::No} << "old"_ba << false;
        QTest::newRow("replace it") << QList<int>{UserPrompts::Yes, UserPrompts::Yes} << "new"_ba << true;
    }
    void mergeFolder()
    {
        QFETCH(QList<int>, answers);
        QFETCH(QByteArray, clash);
        QFETCH(bool, arrived);
        const QString from = m_in + u"/p_files"_s, to = path(u"to/p_files"_s);
        put(from + u"/clash"_s, "new");
        put(from + u"/sub/free"_s);
        put(to + u"/clash"_s, "old");
        put(to + u"/sub/mine"_s);
        ScriptedPrompts prompts;
        prompts.answers = answers;
        QCOMPARE(moveFolder(from, to, prompts), arrived);
        QCOMPARE(prompts.questions.size(), answers.size());
        QCOMPARE(content(to + u"/clash"_s), clash);
        const bool merged = answers.first() == UserPrompts::Yes;
        QCOMPARE(exists(to + u"/sub/free"_s), merged);
        QCOMPARE(exists(from), !arrived);
        QCOMPARE(content(from + u"/clash"_s), arrived ? "<missing>"_ba : "new"_ba);
        QVERIFY(exists(to + u"/sub/mine"_s) && prompts.notices.isEmpty());
    }

    void acrossFileSystems()
    {
        if (geteuid() != 0)
            QSKIP("mounting a second file system needs the superuser");
        const QString other = path(u"other"_s);
        QDir().mkpath(other);
        if (QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"tmpfs"_s, other}) != 0)
            QSKIP("tmpfs cannot be mounted here");
        m_mounts << other;
        const QDateTime past(QDate(2001, 2, 3), QTime(4, 5, 6));
        const auto prepare = [&](const QString &file) {
            put(file, "data");
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
            QFile handle(file);
            QVERIFY(handle.open(QIODevice::ReadWrite) && handle.setFileTime(past, QFileDevice::FileModificationTime));
        };
        const auto kept = [&](const QString &file) {
            QCOMPARE(content(file), "data"_ba);
            QCOMPARE(QFileInfo(file).lastModified(), past);
            QCOMPARE(QFileInfo(file).permissions() & 0x0777, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        };
        prepare(m_in + u"/page.htm"_s);
        prepare(m_in + u"/page_files/sub/img.png"_s);
        QVERIFY(QFile::link(u"img.png"_s, m_in + u"/page_files/sub/link"_s));
        put(other + u"/taken.htm"_s, "old");
        QString error;
        QVERIFY(!moveFile(m_in + u"/page.htm"_s, other + u"/taken.htm"_s, &error));
        QCOMPARE(content(other + u"/taken.htm"_s), "old"_ba);
        QVERIFY(moveFileIntoFolder(m_in + u"/page.htm"_s, other, &error));
        kept(other + u"/page.htm"_s);
        ScriptedPrompts prompts;
        QVERIFY(moveFolder(m_in + u"/page_files"_s, other + u"/page_files"_s, prompts));
        kept(other + u"/page_files/sub/img.png"_s);
        QCOMPARE(QFileInfo(other + u"/page_files/sub/link"_s).symLinkTarget(), other + u"/page_files/sub/img.png"_s);
        QVERIFY(!exists(m_in + u"/page.htm"_s) && !exists(m_in + u"/page_files"_s));
    }
};

QTEST_GUILESS_MAIN(TestFileOps)
#include "tst_fileops.moc"
