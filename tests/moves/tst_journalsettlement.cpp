#include "journalsettlement.h"
#include "messagetable.h"
#include "movehistory.h"
#include "movejournal.h"
#include "movesteps.h"
#include "programtext.h"
#include "systemtest.h"
#include "testfiles.h"
#include "treesnapshot.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QDateTime saved(QDate(2001, 2, 3), QTime(4, 5, 6));

// "path=content" makes a file, "path/" a folder, below `base`; all with one modification time, as the
// copies of a move keep the original's.
void make(const QString &base, const QStringList &entries)
{
    for (const QString &entry : entries) {
        const QString path = base + u'/' + entry.section(u'=', 0, 0);
        if (entry.endsWith(u'/')) {
            QVERIFY(QDir().mkpath(path));
            continue;
        }
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(entry.section(u'=', 1).toUtf8());
        QVERIFY(file.flush());
        QVERIFY(file.setFileTime(saved, QFileDevice::FileModificationTime));
    }
}

// The tree below `base` in the same notation: files with their content, folders only when empty.
QStringList treeOf(const QString &base)
{
    QStringList entries;
    QDirIterator it(base, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(base.size() + 1);
        if (it.fileInfo().isDir()) {
            if (QDir(path).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
                entries.append(relative + u'/');
        } else {
            QFile file(path);
            entries.append(relative + u'='
                           + (file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : u"<unreadable>"_s));
        }
    }
    entries.sort();
    return entries;
}

QStringList openIntents(const QString &journal)
{
    QStringList open;
    for (const JournalRecord &record : MoveJournal::read(journal)) {
        if (record.op == u"intent"_s)
            open.append(record.id);
        else if (record.op == u"done"_s || record.op == u"failed"_s)
            open.removeAll(record.id);
    }
    return open;
}

} // namespace

class TestJournalSettlement : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_files, m_journal;

    QString at(const QString &relative) const { return relative.isEmpty() ? relative : m_files + u'/' + relative; }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        useOwnProgramFolders(m_dir->path());
        m_files = m_dir->filePath(u"files"_s);
        m_journal = m_dir->filePath(u"state/marrowdale/journal.jsonl"_s);
        QVERIFY(QDir().mkpath(m_files + u"/out"_s));
    }

    void settlesWhatACrashLeft_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("src");
        QTest::addColumn<QString>("dst");
        QTest::addColumn<QString>("companion"); // "from>to" named by a file's intent
        QTest::addColumn<bool>("merge");
        QTest::addColumn<QString>("closed"); // "done" when the intent was closed before the crash
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("reported");

        using S = QStringList;
        const QString page = u"in/page.htm"_s, moved = u"out/page.htm"_s, companion = u"in/page_files>out/page_files"_s;
        const QString tmp = u"out/.marrowdale-0123456789ab"_s;
        QTest::newRow("unfinished copy removed, original kept")
            << u"file"_s << page << moved << QString() << false << QString() << S {page + u"=whole"_s, tmp + u"=wh"_s}
            << S {page + u"=whole"_s, u"out/"_s} << u"unfinished copy"_s;
        QTest::newRow("copy without its original kept")
            << u"file"_s << page << moved << QString() << false << QString() << S {tmp + u"=whole"_s, u"in/"_s}
            << S {u"in/"_s, tmp + u"=whole"_s} << u"was kept as"_s;
        QTest::newRow("not moved yet") << u"file"_s << page << moved << QString() << false << QString()
                                       << S {page + u"=whole"_s} << S {page + u"=whole"_s, u"out/"_s}
                                       << u"had not been moved"_s;
        QTest::newRow("copy in place, original removed")
            << u"file"_s << page << moved << QString() << false << QString()
            << S {page + u"=whole"_s, moved + u"=whole"_s} << S {u"in/"_s, moved + u"=whole"_s} << u"arrived whole"_s;
        QTest::newRow("different files at both places both kept")
            << u"file"_s << page << moved << QString() << false << QString() << S {page + u"=new"_s, moved + u"=old"_s}
            << S {page + u"=new"_s, moved + u"=old"_s} << u"both exist"_s;
        QTest::newRow("file arrived, companion follows")
            << u"file"_s << page << moved << companion << false << QString()
            << S {moved + u"=whole"_s, u"in/page_files/i=img"_s}
            << S {u"in/"_s, moved + u"=whole"_s, u"out/page_files/i=img"_s} << u"after its file"_s;
        QTest::newRow("done file whose companion never started")
            << u"file"_s << page << moved << companion << false << u"done"_s
            << S {moved + u"=whole"_s, u"in/page_files/i=img"_s}
            << S {u"in/"_s, moved + u"=whole"_s, u"out/page_files/i=img"_s} << u"after its file"_s;
        QTest::newRow("companion not merged without asking")
            << u"file"_s << page << moved << companion << false << u"done"_s
            << S {moved + u"=whole"_s, u"in/page_files/i=img"_s, u"out/page_files/x=other"_s}
            << S {u"in/page_files/i=img"_s, moved + u"=whole"_s, u"out/page_files/x=other"_s} << u"already exists"_s;
        QTest::newRow("folder arrived, original partly removed")
            << u"folder"_s << u"in/page_files"_s << u"out/page_files"_s << QString() << false << QString()
            << S {u"out/page_files/a=1"_s, u"out/page_files/s/b=2"_s, u"in/page_files/s/b=2"_s}
            << S {u"in/"_s, u"out/page_files/a=1"_s, u"out/page_files/s/b=2"_s} << u"completed"_s;
        QTest::newRow("unfinished folder copy removed, folder moved after its file")
            << u"folder"_s << u"in/page_files"_s << u"out/page_files"_s << QString() << false << QString()
            << S {moved + u"=whole"_s, u"in/page_files/a=1"_s, tmp + u"/a=partial"_s}
            << S {u"in/"_s, moved + u"=whole"_s, u"out/page_files/a=1"_s} << u"after its file"_s;
        QTest::newRow("interrupted merge completed")
            << u"folder"_s << u"in/page_files"_s << u"out/page_files"_s << QString() << true << QString()
            << S {u"in/page_files/b=2"_s, u"in/page_files/s/c=3"_s, u"out/page_files/a=1"_s, u"out/page_files/b=2"_s,
                  u"out/page_files/s/.marrowdale-0123456789ab=partial"_s}
            << S {u"in/"_s, u"out/page_files/a=1"_s, u"out/page_files/b=2"_s, u"out/page_files/s/c=3"_s}
            << u"completed"_s;
        QTest::newRow("failed move left alone")
            << u"file"_s << page << moved << companion << false << u"failed"_s
            << S {page + u"=whole"_s, moved + u"=whole"_s, u"in/page_files/i=img"_s}
            << S {page + u"=whole"_s, u"in/page_files/i=img"_s, moved + u"=whole"_s} << QString();
        QTest::newRow("companion stays when its moved file is gone")
            << u"file"_s << page << moved << companion << false << u"done"_s << S {u"in/page_files/i=img"_s}
            << S {u"in/page_files/i=img"_s, u"out/"_s} << u"its file is no longer at"_s;
        QTest::newRow("unstarted folder stays when its file is gone")
            << u"folder"_s << u"in/page_files"_s << u"out/page_files"_s << QString() << false << QString()
            << S {u"in/page_files/a=1"_s} << S {u"in/page_files/a=1"_s, u"out/"_s} << u"its file is no longer at"_s;
        QTest::newRow("merge that met a differing file keeps it")
            << u"folder"_s << u"in/page_files"_s << u"out/page_files"_s << QString() << true << QString()
            << S {u"in/page_files/b=mine"_s, u"out/page_files/b=theirs"_s}
            << S {u"in/page_files/b=mine"_s, u"out/page_files/b=theirs"_s} << u"differ and were kept"_s;
    }

    void settlesWhatACrashLeft()
    {
        QFETCH(QString, kind);
        QFETCH(QString, src);
        QFETCH(QString, dst);
        QFETCH(QString, companion);
        QFETCH(bool, merge);
        QFETCH(QString, closed);
        QFETCH(QStringList, before);
        QFETCH(QString, reported);
        make(m_files, before);
        {
            MoveJournal journal(m_journal);
            journal.beginPass(u"classify"_s, at(u"in"_s));
            JournalRecord intent;
            intent.kind = kind;
            intent.src = at(src);
            intent.dst = at(dst);
            intent.tmp = at(u"out/.marrowdale-0123456789ab"_s);
            intent.companionSrc = at(companion.section(u'>', 0, 0));
            intent.companionDst = at(companion.section(u'>', 1));
            intent.page = kind == u"folder"_s ? at(u"out/page.htm"_s) : QString();
            intent.merge = merge;
            const QString id = journal.intent(intent);
            if (closed == u"done"_s)
                journal.done(id);
            else if (closed == u"failed"_s)
                journal.failed(id, u"refused"_s);
            // The crash: the pass never ends, but its lock goes with the program.
        }
        const QString report = settleJournal(m_journal, MessageTable());
        if (reported.isEmpty())
            QCOMPARE(report, QString());
        else
            QVERIFY2(report.contains(reported), qPrintable(report));
        QTEST(treeOf(m_files), "after");
        QCOMPARE(openIntents(m_journal), QStringList());
        QCOMPARE(settleJournal(m_journal, MessageTable()), QString()); // settled once, and for good
    }

    // FAT and exFAT keep coarser times than the original's: a copy whole there is still the same file.
    void copyWithCoarserTimeArrivedWhole_data()
    {
        QTest::addColumn<bool>("link");
        QTest::newRow("file on a disk with coarse times was kept twice") << false;
        QTest::newRow("link on a disk with coarse times was kept twice") << true;
    }
    void copyWithCoarserTimeArrivedWhole()
    {
        QFETCH(bool, link);
        const QString source = at(u"in/page.htm"_s), copy = at(u"out/page.htm"_s);
        if (link) {
            QVERIFY(QDir().mkpath(at(u"in"_s)));
            QVERIFY(QFile::link(u"elsewhere.htm"_s, source) && QFile::link(u"elsewhere.htm"_s, copy));
        } else {
            make(m_files, {u"in/page.htm=whole"_s, u"out/page.htm=whole"_s});
        }
        // Rounded up to the next even second, as FAT stores it.
        struct stat st;
        QVERIFY(::lstat(QFile::encodeName(source).constData(), &st) == 0);
        const std::array<struct timespec, 2> times {timespec {0, UTIME_OMIT},
                                                    timespec {(st.st_mtim.tv_sec | 1) + 1, 0}};
        QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(copy).constData(), times.data(), AT_SYMLINK_NOFOLLOW) == 0);
        {
            MoveJournal journal(m_journal);
            journal.beginPass(u"classify"_s, at(u"in"_s));
            journal.intent(JournalRecord::intent(u"file"_s, source, copy));
        }
        const QString report = settleJournal(m_journal, MessageTable());
        QVERIFY2(report.contains(u"arrived whole"_s), qPrintable(report));
        QVERIFY(!QFileInfo(source).isSymLink() && !QFileInfo::exists(source));
        QVERIFY(QFileInfo(copy).isSymLink() == link);
    }

    // A destination that will not take the companion after its file: the companion stays, the report
    // says why, and the next start has nothing left to try.
    void companionRefusedByItsDestination_data()
    {
        QTest::addColumn<bool>("fileClosed");
        QTest::newRow("file done, companion never started") << true;
        QTest::newRow("file arrived, its move left open") << false;
    }
    void companionRefusedByItsDestination()
    {
        RUN_WITHOUT_ROOT();
        QFETCH(bool, fileClosed);
        make(m_files, {u"in/page_files/i=img"_s, u"out/page.htm=whole"_s});
        const QString from = at(u"in/page_files"_s), to = at(u"out/page_files"_s);
        {
            MoveJournal journal(m_journal);
            journal.beginPass(u"classify"_s, at(u"in"_s));
            JournalRecord intent = JournalRecord::intent(u"file"_s, at(u"in/page.htm"_s), at(u"out/page.htm"_s));
            intent.companionSrc = from;
            intent.companionDst = to;
            const QString id = journal.intent(intent);
            if (fileClosed)
                journal.done(id);
        }
        const QByteArray out = QFile::encodeName(at(u"out"_s));
        QVERIFY(::chmod(out.constData(), 0555) == 0);
        const auto unlock = qScopeGuard([&out] { ::chmod(out.constData(), 0755); });
        const auto tree = TreeSnapshot::of(m_files);
        const QString report = settleJournal(m_journal, MessageTable());
        const QString refused
            = ProgramText(Message::SettleFolderNotFollowed, {from, to, MoveSteps::errorText(EACCES)}).english();
        QVERIFY2(report.contains(refused), qPrintable(report));
        COMPARE_TREES(TreeSnapshot::of(m_files), tree);
        QCOMPARE(openIntents(m_journal), QStringList());
        QCOMPARE(settleJournal(m_journal, MessageTable()), QString());
    }

    void waitsForAProgramThatIsStillMoving()
    {
        make(m_files, {u"in/page.htm=whole"_s});
        MoveJournal running(m_journal);
        running.beginPass(u"classify"_s, at(u"in"_s));
        running.intent(JournalRecord::intent(u"file"_s, at(u"in/page.htm"_s), at(u"out/page.htm"_s)));
        QCOMPARE(settleJournal(m_journal, MessageTable()), QString());
        QCOMPARE(openIntents(m_journal).size(), 1);
        running.endPass(); // between passes the program holds no lock
        QVERIFY(settleJournal(m_journal, MessageTable()).contains(u"had not been moved"_s));
        QCOMPARE(openIntents(m_journal), QStringList());
    }

    // A journal someone else can write could make the program act for them: it is not used, and that is said.
    void journalThatIsNotTheUsersAloneIsRefused_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("said");
        QTest::newRow("folder others can write") << u"folder 0777"_s << u"others can write to it"_s;
        QTest::newRow("journal others can write") << u"journal 0666"_s << u"others can write to it"_s;
        QTest::newRow("journal that is a link") << u"link"_s << u"it is a link"_s;
        QTest::newRow("journal of another user") << u"owner"_s << u"belongs to another user"_s;
    }
    void journalThatIsNotTheUsersAloneIsRefused()
    {
        QFETCH(QString, fault);
        QFETCH(QString, said);
        if (fault == u"owner"_s && ::geteuid() != 0)
            QSKIP("giving a file away needs the superuser");
        make(m_files, {u"in/page.htm=whole"_s, u"out/.marrowdale-0123456789ab=wh"_s});
        {
            MoveJournal journal(m_journal);
            journal.beginPass(u"classify"_s, at(u"in"_s));
            JournalRecord intent = JournalRecord::intent(u"file"_s, at(u"in/page.htm"_s), at(u"out/page.htm"_s));
            intent.tmp = at(u"out/.marrowdale-0123456789ab"_s);
            journal.intent(intent);
        }
        const QByteArray journal = QFile::encodeName(m_journal);
        if (fault == u"folder 0777"_s)
            QVERIFY(::chmod(MoveSteps::folderOf(journal).constData(), 0777) == 0);
        else if (fault == u"journal 0666"_s)
            QVERIFY(::chmod(journal.constData(), 0666) == 0);
        else if (fault == u"owner"_s)
            QVERIFY(::chown(journal.constData(), 1234, 1234) == 0);
        else
            QVERIFY(QFile::rename(m_journal, m_journal + u".real"_s) && QFile::link(m_journal + u".real"_s, m_journal));
        const QString report = settleJournal(m_journal, MessageTable());
        QVERIFY2(report.contains(said) && report.contains(m_journal), qPrintable(report));
        QCOMPARE(treeOf(m_files), (QStringList {u"in/page.htm=whole"_s, u"out/.marrowdale-0123456789ab=wh"_s}));
        QVERIFY(!MoveJournal(m_journal).isOpen());
    }

    // A journal line that names any folder as an unfinished copy had it removed at the next start.
    void onlyItsOwnCopiesAreRemoved_data()
    {
        QTest::addColumn<QString>("temporary");
        QTest::newRow("a folder of the user's") << u"keep/precious"_s;
        QTest::newRow("the copy's form, elsewhere than the destination") << u"keep/.marrowdale-0123456789ab"_s;
    }
    void onlyItsOwnCopiesAreRemoved()
    {
        QFETCH(QString, temporary);
        make(m_files, {u"in/page.htm=whole"_s, temporary + u"/notes.txt=mine"_s});
        {
            MoveJournal journal(m_journal);
            journal.beginPass(u"classify"_s, at(u"in"_s));
            JournalRecord intent = JournalRecord::intent(u"file"_s, at(u"in/page.htm"_s), at(u"out/page.htm"_s));
            intent.tmp = at(temporary);
            journal.intent(intent);
        }
        const QString report = settleJournal(m_journal, MessageTable());
        QVERIFY2(report.contains(ProgramText(Message::SettleNotOurs, {at(temporary)}).english()), qPrintable(report));
        QCOMPARE(bytesOf(at(temporary + u"/notes.txt"_s)), "mine"_ba);
    }

    // A line that parses but lacks its paths was settled as a move from "" to "".
    void damagedLinesAreSkippedAndCounted()
    {
        writeBytes(m_journal, "{\"op\":\"pass\",\"pass\":\"P\",\"what\":\"classify\"}\n"
                              "{\"op\":\"intent\",\"id\":\"P/1\",\"pass\":\"P\",\"kind\":\"file\"}\n"
                              "{\"op\":\"intent\",\"id\":\"P/2\",\"pass\":\"P\",\"kind\":\"file\",\"src\":\"a\",\"dst\":\"b\"}\n"
                              "not json at all\n");
        const QString report = settleJournal(m_journal, MessageTable());
        QCOMPARE(report, ProgramText(Message::JournalLinesSkipped, {u"3"_s, m_journal}).english());
        QCOMPARE(MoveHistory::read(m_journal).damagedLines(), 3);
        QCOMPARE(settleJournal(m_journal, MessageTable()), QString()); // said once
    }

    // What the settlement found arrived stays undoable: the history shows it done.
    void settledArrivalIsDone()
    {
        make(m_files, {u"out/page.htm=whole"_s});
        {
            MoveJournal journal(m_journal);
            journal.beginPass(u"classify"_s, at(u"in"_s));
            journal.intent(JournalRecord::intent(u"file"_s, at(u"in/page.htm"_s), at(u"out/page.htm"_s)));
            journal.endPass();
        }
        QVERIFY(!settleJournal(m_journal, MessageTable()).isEmpty());
        const MoveHistory history = MoveHistory::read(m_journal);
        QCOMPARE(history.move(history.passes().first().moves.first())->state, MoveState::Done);
    }

    // A journal replaced by a shorter one than the offset settled before still has its open intent settled.
    void shorterJournalIsReadFromItsStart()
    {
        make(m_files, {u"in/page.htm=whole"_s});
        {
            MoveJournal journal(m_journal);
            for (int pass = 0; pass < 5; ++pass) {
                journal.beginPass(u"move"_s, QString());
                journal.done(journal.intent(JournalRecord::intent(u"file"_s, at(u"x"_s), at(u"y"_s))));
                journal.endPass();
            }
        }
        QCOMPARE(settleJournal(m_journal, MessageTable()), QString());
        QVERIFY(QFile::remove(m_journal));
        {
            MoveJournal journal(m_journal);
            journal.beginPass(u"classify"_s, at(u"in"_s));
            journal.intent(JournalRecord::intent(u"file"_s, at(u"in/page.htm"_s), at(u"out/page.htm"_s)));
            journal.endPass();
        }
        QVERIFY(settleJournal(m_journal, MessageTable()).contains(u"had not been moved"_s));
        QCOMPARE(openIntents(m_journal), QStringList());
    }

    void tornRecordDoesNotSwallowTheNext()
    {
        QVERIFY(QDir().mkpath(QFileInfo(m_journal).path()));
        QFile file(m_journal);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"op\":\"pass\",\"pass\":\"P\",\"what\":\"classify\"}\n"
                   "{\"op\":\"intent\",\"id\":\"P/1\",\"pass\":\"P\",\"kind\":\"fi");
        file.close();
        MoveJournal journal(m_journal);
        journal.beginPass(u"move"_s, QString());
        const QString id = journal.intent(JournalRecord::intent(u"file"_s, at(u"a"_s), at(u"b"_s)));
        journal.done(id);
        journal.endPass();
        const QList<JournalRecord> records = MoveJournal::read(m_journal);
        QCOMPARE(records.size(), 4);
        QCOMPARE(records.at(2).id, id);
        QCOMPARE(records.at(3).op, u"done"_s);
    }
};

QTEST_GUILESS_MAIN(TestJournalSettlement)
#include "tst_journalsettlement.moc"
