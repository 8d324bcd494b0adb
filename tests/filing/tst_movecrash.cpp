#include "classifypass.h"
#include "journalsettlement.h"
#include "keywordtable.h"
#include "mainview.h"
#include "messagetable.h"
#include "movejournal.h"
#include "movesteps.h"
#include "scriptedprompts.h"
#include "systemtest.h"
#include "testfiles.h"
#include "treesnapshot.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

using namespace Qt::StringLiterals;

// A Classify pass of many pages across file systems, killed at random moments: no page may show up
// half-made under its real name, and after the settlement at the next start every page and companion
// folder is whole, in exactly one place, side by side. The pass runs in a child: this program started
// again with --classify.

namespace {

constexpr int pageCount = 5000;
constexpr int kills = 5;

QString pageName(int i)
{
    return u"page"_s + QString::number(i).rightJustified(4, u'0') + u".htm"_s;
}

QString companionName(int i)
{
    return u"page"_s + QString::number(i).rightJustified(4, u'0') + u"_files"_s;
}

// Every 250th page is large, so that some kills land in the middle of a long copy.
QByteArray pageContent(int i)
{
    const QByteArray line = pageName(i).toUtf8() + '\n';
    return line.repeated((i % 250 == 0 ? 2 << 20 : 2048) / line.size());
}

// The child: one Classify pass of every page of `base`/in into `base`/out/Pages.
int classifyChild(const QString &base)
{
    const QString out = base + u"/out"_s;
    KeywordTable table;
    table.parse(u"page -> "_s + out + u"/Pages"_s, out);
    MessageTable messages;
    ScriptedPrompts prompts;
    QuietView view;
    MoveJournal journal(MoveJournal::defaultPath());
    // A pace that no machine outruns: a kill drawn within the first 150 ms of a pass finds it at work, even
    // in the last rounds, when few pages are left; and each copy waits a moment before its rename.
    MoveSteps::setCopyObserver([](const QByteArray &) { QThread::usleep(200); });
    ClassifyPass pass(table, {prompts, messages, view, &journal}, [&out] { return Options {out, true, 1000, false}; });
    QStringList files;
    for (const QString &name : QDir(base + u"/src/in"_s).entryList({u"*.htm"_s}, QDir::Files, QDir::Name))
        files.append(base + u"/src/in/"_s + name);
    pass.run(files);
    return prompts.asked.isEmpty() ? 0 : 1;
}

} // namespace

class TestMoveCrash : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_in, m_pages, m_journal;
    QStringList m_mounts;

    void makePages()
    {
        for (int i = 0; i < pageCount; ++i) {
            QFile page(m_in + u'/' + pageName(i));
            QVERIFY(page.open(QIODevice::WriteOnly) && page.write(pageContent(i)) > 0);
            if (i % 2 != 0)
                continue;
            const QString companion = m_in + u'/' + companionName(i);
            QVERIFY(QDir().mkpath(companion + u"/sub"_s));
            QFile image(companion + u"/img.png"_s), style(companion + u"/sub/style.css"_s);
            QVERIFY(image.open(QIODevice::WriteOnly) && image.write(QByteArray(1024, char(i))) == 1024);
            QVERIFY(style.open(QIODevice::WriteOnly) && style.write(pageName(i).toUtf8()) > 0);
        }
    }

    // Whole or absent: the page and, for even pages, its two companion files.
    bool pageWhole(const QString &folder, int i) const
    {
        QFile page(folder + u'/' + pageName(i));
        return page.open(QIODevice::ReadOnly) && page.readAll() == pageContent(i);
    }
    bool companionWhole(const QString &folder, int i) const
    {
        const QString companion = folder + u'/' + companionName(i);
        QFile image(companion + u"/img.png"_s), style(companion + u"/sub/style.css"_s);
        return image.open(QIODevice::ReadOnly) && image.readAll() == QByteArray(1024, char(i))
            && style.open(QIODevice::ReadOnly) && style.readAll() == pageName(i).toUtf8()
            && QDir(companion).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size() == 2;
    }

    // Right after a kill: what carries a real name at the destination is whole.
    void checkNothingHalfMade()
    {
        for (int i = 0; i < pageCount; ++i) {
            if (QFile::exists(m_pages + u'/' + pageName(i)))
                QVERIFY2(pageWhole(m_pages, i), qPrintable(pageName(i)));
            if (QFile::exists(m_pages + u'/' + companionName(i)))
                QVERIFY2(companionWhole(m_pages, i), qPrintable(companionName(i)));
        }
    }

    // After the settlement: each page in one place, whole, with its companion folder beside it.
    void checkEverythingInOnePlace()
    {
        for (int i = 0; i < pageCount; ++i) {
            const bool moved = QFile::exists(m_pages + u'/' + pageName(i));
            const QString at = moved ? m_pages : m_in, other = moved ? m_in : m_pages;
            QVERIFY2(pageWhole(at, i), qPrintable(pageName(i)));
            QVERIFY2(!QFile::exists(other + u'/' + pageName(i)), qPrintable(pageName(i)));
            QVERIFY2(!QFile::exists(other + u'/' + companionName(i)), qPrintable(companionName(i)));
            if (i % 2 == 0)
                QVERIFY2(companionWhole(at, i), qPrintable(companionName(i)));
        }
        QCOMPARE(TreeSnapshot::leftovers(TreeSnapshot::of(m_pages)), QList<QByteArray>());
        QCOMPARE(TreeSnapshot::leftovers(TreeSnapshot::of(m_in)), QList<QByteArray>());
        QStringList open;
        for (const JournalRecord &record : MoveJournal::read(m_journal)) {
            if (record.op == u"intent"_s)
                open.append(record.id);
            else if (record.op == u"done"_s || record.op == u"failed"_s)
                open.removeAll(record.id);
        }
        QCOMPARE(open, QStringList());
    }

    int runChild(int killAfterMs)
    {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {u"--classify"_s, m_dir->path()});
        if (!child.waitForStarted())
            return -1;
        // The moment counts from the pass's first record: before it the child only starts up.
        const qint64 before = QFileInfo(m_journal).size();
        for (int waited = 0; killAfterMs > 0 && QFileInfo(m_journal).size() == before && waited < 10000; ++waited)
            child.waitForFinished(1);
        if (killAfterMs > 0 && !child.waitForFinished(killAfterMs))
            child.kill(); // SIGKILL: no destructor, no flush, as a crash
        child.waitForFinished(60000);
        return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -9;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        const QString source = m_dir->filePath(u"src"_s), out = m_dir->filePath(u"out"_s);
        // Two file systems of their own: every move is a copy, and no flush waits for a disk.
        MOUNT_TMPFS_OR_SKIP(source, u"256m"_s);
        m_mounts << source;
        MOUNT_TMPFS_OR_SKIP(out, u"256m"_s);
        m_mounts << out;
        useOwnProgramFolders(source);
        m_in = source + u"/in"_s;
        m_pages = out + u"/Pages"_s;
        m_journal = MoveJournal::defaultPath();
        QVERIFY(QDir().mkpath(m_in));
    }
    void cleanup()
    {
        for (const QString &mount : std::as_const(m_mounts))
            SystemTest::unmount(mount);
        m_mounts.clear();
        m_dir.reset();
    }

    void killedPassesSettleWhole()
    {
        makePages();
        if (QTest::currentTestFailed())
            return;
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("kill moments drawn with seed %u", seed);
        QRandomGenerator random(seed);
        for (int round = 0; round < kills; ++round) {
            QCOMPARE(runChild(1 + int(random.bounded(150))), -9);
            checkNothingHalfMade();
            if (QTest::currentTestFailed())
                return;
            settleJournal(m_journal, MessageTable());
            qInfo("after kill %d: %lld pages filed", round + 1, qint64(QDir(m_pages).entryList({u"*.htm"_s}).size()));
            checkEverythingInOnePlace();
            if (QTest::currentTestFailed())
                return;
        }
        // A pass left to finish files the rest.
        QCOMPARE(runChild(0), 0);
        QCOMPARE(QDir(m_in).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        checkEverythingInOnePlace();
        QCOMPARE(settleJournal(m_journal, MessageTable()), QString());
    }
};

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--classify") == 0)
        return classifyChild(QString::fromLocal8Bit(argv[2]));
    TestMoveCrash test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_movecrash.moc"
