#include "fileops.h"
#include "movehistory.h"
#include "movejournal.h"
#include "systemtest.h"
#include "testfiles.h"
#include "treesnapshot.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Journal lines in short: "pass P what", "intent ID kind src dst [companionSrc companionDst] [undoes=ID]",
// "done ID", "failed ID reason"; anything else is written as it stands.
QList<JournalRecord> records(const QStringList &lines)
{
    QByteArray text;
    for (const QString &line : lines) {
        const QStringList word = line.split(u' ');
        JournalRecord record;
        record.op = word.at(0);
        if (record.op == u"pass"_s) {
            record.pass = word.at(1);
            record.what = word.at(2);
        } else if (record.op == u"intent"_s) {
            record.id = word.at(1);
            record.pass = record.id.section(u'/', 0, 0);
            record.kind = word.at(2);
            record.src = word.at(3);
            record.dst = word.at(4);
            for (const QString &extra : word.mid(5)) {
                if (extra.startsWith(u"undoes="_s))
                    record.undoes = extra.mid(7);
                else if (record.companionSrc.isEmpty())
                    record.companionSrc = extra;
                else
                    record.companionDst = extra;
            }
        } else if (record.op == u"done"_s || record.op == u"failed"_s) {
            record.id = word.at(1);
            record.reason = word.mid(2).join(u' ');
        } else {
            text += line.toUtf8() + '\n';
            continue;
        }
        text += MoveJournal::encode(record) + '\n';
    }
    QList<JournalRecord> decoded;
    for (const QByteArray &line : text.split('\n')) {
        if (const auto record = MoveJournal::decode(line))
            decoded.append(*record);
    }
    return decoded;
}

// Moves files with their companion folders the way the moves record them: the file, then its companion.
struct FiledPage
{
    QString name; ///< in "in", moved to "Sorted/<folder>"
    QString folder;
    bool companion = false;
};

} // namespace

class TestMoveHistory : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_base;
    QString m_journal;

    QString path(const QString &relative) const { return m_base + u'/' + relative; }

    // Files the pages and returns the pass id; the journal records what happened.
    QString filePages(const QList<FiledPage> &pages)
    {
        MoveJournal journal(m_journal);
        const QString pass = journal.beginPass(u"classify"_s, path(u"in"_s));
        for (const FiledPage &page : pages) {
            const QString src = path(u"in/"_s + page.name), dst = path(u"Sorted/%1/%2"_s.arg(page.folder, page.name));
            const QString stem = page.name.section(u'.', 0, 0) + u"_files"_s;
            const QString companionSrc = page.companion ? path(u"in/"_s + stem) : QString();
            const QString companionDst = page.companion ? path(u"Sorted/%1/%2"_s.arg(page.folder, stem)) : QString();
            QDir().mkpath(FileOps::folderOf(dst));
            JournalRecord intent = JournalRecord::intent(u"file"_s, src, dst);
            intent.companionSrc = companionSrc;
            intent.companionDst = companionDst;
            const QString id = journal.intent(intent);
            if (!QFile::rename(src, dst))
                return QString();
            journal.done(id);
            if (page.companion) {
                const QString folderId = journal.intent(JournalRecord::intent(u"folder"_s, companionSrc, companionDst));
                if (!QDir().rename(companionSrc, companionDst))
                    return QString();
                journal.done(folderId);
            }
        }
        // Pass ids tell passes of one process apart by the millisecond they began in.
        QTest::qSleep(2);
        return pass;
    }

    void makePages()
    {
        writeBytes(path(u"in/a.htm"_s), "page a");
        writeBytes(path(u"in/a_files/style.css"_s), "a style");
        writeBytes(path(u"in/b.htm"_s), "page b");
        writeBytes(path(u"in/c.htm"_s), "page c");
        writeBytes(path(u"in/c_files/img/1.png"_s), "c image");
    }

    const QList<FiledPage> m_pages {
        {u"a.htm"_s, u"News"_s, true}, {u"b.htm"_s, u"News"_s}, {u"c.htm"_s, u"Paper"_s, true}};

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_base = m_dir->path();
        m_journal = path(u"state/journal.jsonl"_s);
    }

    void readsStates_data();
    void readsStates();
    void undoPassRestoresTheTree();
    void undoLeavesWhatCannotGoBack_data();
    void undoLeavesWhatCannotGoBack();
    void undoOfACompanionTakesItsFile();
    void nothingMovesOffTheRecord();
};

void TestMoveHistory::readsStates_data()
{
    QTest::addColumn<QStringList>("journal");
    QTest::addColumn<QStringList>("states"); // "id state", in journal order, companions marked "<-file"
    QTest::addColumn<QString>("lastFiling");
    QTest::addColumn<QStringList>("toUndo"); // of the first pass

    using S = QStringList;
    QTest::newRow("done, failed, interrupted")
        << S {u"pass A classify"_s,
              u"intent A/1 file /in/a /out/a"_s,
              u"intent A/2 file /in/b /out/b"_s,
              u"intent A/3 file /in/c /out/c"_s,
              u"done A/1"_s,
              u"failed A/2 disk full"_s}
        << S {u"A/1 done"_s, u"A/2 failed"_s, u"A/3 interrupted"_s} << u"A"_s << S {u"A/3"_s, u"A/1"_s};
    QTest::newRow("a torn line is passed over")
        << S {u"pass A classify"_s, u"intent A/1 file /in/a /out/a"_s, u"{\"op\":\"done\",\"id\":\"A/"_s, u"done A/1"_s}
        << S {u"A/1 done"_s} << u"A"_s << S {u"A/1"_s};
    QTest::newRow("intent without its pass record")
        << S {u"intent A/1 file /in/a /out/a"_s, u"done A/1"_s} << S {u"A/1 done"_s} << u"A"_s << S {u"A/1"_s};
    QTest::newRow("taken back") << S {u"pass A classify"_s,
                                      u"intent A/1 file /in/a /out/a"_s,
                                      u"done A/1"_s,
                                      u"pass U undo"_s,
                                      u"intent U/1 file /out/a /in/a undoes=A/1"_s,
                                      u"done U/1"_s}
                                << S {u"A/1 undone"_s, u"U/1 done"_s} << u"A"_s << S {};
    QTest::newRow("a failed undo leaves the move in place")
        << S {u"pass A classify"_s,
              u"intent A/1 file /in/a /out/a"_s,
              u"done A/1"_s,
              u"pass U undo"_s,
              u"intent U/1 file /out/a /in/a undoes=A/1"_s,
              u"failed U/1 taken"_s}
        << S {u"A/1 done"_s, u"U/1 failed"_s} << u"A"_s << S {u"A/1"_s};
    QTest::newRow("taking back an undo puts the move in place again")
        << S {u"pass A classify"_s,
              u"intent A/1 file /in/a /out/a"_s,
              u"done A/1"_s,
              u"pass U undo"_s,
              u"intent U/1 file /out/a /in/a undoes=A/1"_s,
              u"done U/1"_s,
              u"pass R undo"_s,
              u"intent R/1 file /in/a /out/a undoes=U/1"_s,
              u"done R/1"_s}
        << S {u"A/1 done"_s, u"U/1 undone"_s, u"R/1 done"_s} << u"A"_s << S {u"A/1"_s};
    QTest::newRow("companion follows its file")
        << S {u"pass A classify"_s, u"intent A/1 file /in/a.htm /out/a.htm /in/a_files /out/a_files"_s, u"done A/1"_s,
              u"intent A/2 folder /in/a_files /out/a_files"_s, u"done A/2"_s}
        << S {u"A/1 done"_s, u"A/2 done<-A/1"_s} << u"A"_s << S {u"A/1"_s};
    QTest::newRow("companion settled after a crash")
        << S {u"pass A classify"_s,
              u"intent A/1 file /in/a.htm /out/a.htm /in/a_files /out/a_files"_s,
              u"done A/1"_s,
              u"pass S settle"_s,
              u"intent S/1 folder /in/a_files /out/a_files"_s,
              u"done S/1"_s}
        << S {u"A/1 done"_s, u"S/1 done<-A/1"_s} << u"A"_s << S {u"A/1"_s};
    QTest::newRow("a folder moved on its own stands alone")
        << S {u"pass A move"_s, u"intent A/1 folder /in/x_files /out/x_files"_s, u"done A/1"_s} << S {u"A/1 done"_s}
        << u"A"_s << S {u"A/1"_s};
    QTest::newRow("last filing pass: undo passes and failures do not count")
        << S {u"pass A classify"_s,
              u"intent A/1 file /in/a /out/a"_s,
              u"done A/1"_s,
              u"pass B classify"_s,
              u"intent B/1 file /in/b /out/b"_s,
              u"failed B/1 gone"_s,
              u"pass U undo"_s,
              u"intent U/1 file /out/a /in/a undoes=A/1"_s,
              u"done U/1"_s}
        << S {u"A/1 undone"_s, u"B/1 failed"_s, u"U/1 done"_s} << u"A"_s << S {};
}

void TestMoveHistory::readsStates()
{
    QFETCH(QStringList, journal);
    const MoveHistory history(records(journal));
    QStringList states;
    for (const HistoryPass &pass : history.passes()) {
        for (const QString &id : pass.moves) {
            const HistoryMove *move = history.move(id);
            QVERIFY(move);
            QCOMPARE(move->pass, pass.id);
            states.append(id + u' ' + stateWord(move->state)
                          + (move->follows.isEmpty() ? QString() : u"<-"_s + move->follows));
        }
    }
    QTEST(states, "states");
    const HistoryPass *last = history.lastFilingPass();
    QTEST(last ? last->id : QString(), "lastFiling");
    QStringList toUndo;
    for (const HistoryMove *move : history.movesToUndo(history.passes().first()))
        toUndo.append(move->id);
    QTEST(toUndo, "toUndo");
}

void TestMoveHistory::undoPassRestoresTheTree()
{
    makePages();
    QVERIFY(QDir().mkpath(path(u"Sorted/News"_s)) && QDir().mkpath(path(u"Sorted/Paper"_s)));
    const auto before = TreeSnapshot::without(TreeSnapshot::of(m_base, TreeSnapshot::NoFolderTimes), "state");
    const QString pass = filePages(m_pages);
    QVERIFY(!pass.isEmpty());
    QVERIFY(QFile::exists(path(u"Sorted/Paper/c_files/img/1.png"_s)));

    MoveJournal journal(m_journal);
    const UndoReport report = MoveUndo::undoPass(MoveHistory::read(m_journal), pass, journal);
    QCOMPARE(report.problems(), QStringList());
    QVERIFY(report.complete());
    QCOMPARE(report.outcomes.size(), 3);
    QCOMPARE(report.outcomes.first().from, path(u"Sorted/Paper/c.htm"_s)); // newest first
    COMPARE_TREES(TreeSnapshot::without(TreeSnapshot::of(m_base, TreeSnapshot::NoFolderTimes), "state"), before);

    // The journal tells the truth afterwards: every move taken back, nothing left to take back.
    const MoveHistory after = MoveHistory::read(m_journal);
    for (const QString &id : after.pass(pass)->moves)
        QCOMPARE(id + u' ' + stateWord(after.move(id)->state), id + u" undone"_s);
    QCOMPARE(after.pass(report.pass)->what, u"undo"_s);
    QCOMPARE(after.pass(report.pass)->moves.size(), 5);
    MoveJournal again(m_journal);
    QVERIFY(MoveUndo::undoPass(after, pass, again).outcomes.isEmpty());
}

void TestMoveHistory::undoLeavesWhatCannotGoBack_data()
{
    QTest::addColumn<QString>("afterwards"); // what happens between the pass and the undo
    QTest::addColumn<QStringList>("present"); // paths below the sandbox afterwards
    QTest::addColumn<QString>("problem");

    QTest::newRow("its place taken") << u"write in/a.htm"_s
                                     << QStringList {u"in/a.htm=new"_s, u"Sorted/News/a.htm=page a"_s,
                                                     u"Sorted/News/a_files/style.css=a style"_s}
                                     << u"is taken; nothing is overwritten"_s;
    QTest::newRow("moved away since") << u"remove Sorted/News/a.htm"_s
                                      << QStringList {u"Sorted/News/a_files/style.css=a style"_s}
                                      << u"is no longer there"_s;
    QTest::newRow("its companion's place taken")
        << u"write in/a_files/other"_s
        << QStringList {u"in/a.htm=page a"_s, u"in/a_files/other=new"_s, u"Sorted/News/a_files/style.css=a style"_s}
        << u"Its companion folder stayed"_s;
}

void TestMoveHistory::undoLeavesWhatCannotGoBack()
{
    QFETCH(QString, afterwards);
    QFETCH(QStringList, present);
    makePages();
    const QString pass = filePages({m_pages.first()});
    const QString what = afterwards.section(u' ', 1);
    if (afterwards.startsWith(u"write"_s))
        writeBytes(path(what), "new");
    else
        QVERIFY(QFile::remove(path(what)));

    MoveJournal journal(m_journal);
    const UndoReport report = MoveUndo::undoPass(MoveHistory::read(m_journal), pass, journal);
    QVERIFY(!report.complete());
    QCOMPARE(report.problems().size(), 1);
    QFETCH(QString, problem);
    QVERIFY2(report.problems().first().contains(problem), qPrintable(report.problems().first()));
    for (const QString &entry : std::as_const(present))
        QCOMPARE(bytesOf(path(entry.section(u'=', 0, 0))), entry.section(u'=', 1).toUtf8());
}

void TestMoveHistory::undoOfACompanionTakesItsFile()
{
    makePages();
    const QString pass = filePages({m_pages.first()});
    const MoveHistory history = MoveHistory::read(m_journal);
    const QString companion = history.move(pass + u"/2"_s)->id;
    MoveJournal journal(m_journal);
    QVERIFY(MoveUndo::undoMove(history, companion, journal).complete());
    QCOMPARE(bytesOf(path(u"in/a.htm"_s)), QByteArray("page a"));
    QCOMPARE(bytesOf(path(u"in/a_files/style.css"_s)), QByteArray("a style"));
}

// A move back that could not be recorded would make the journal lie: it does not happen.
void TestMoveHistory::nothingMovesOffTheRecord()
{
    RUN_WITHOUT_ROOT();
    makePages();
    const QString pass = filePages({m_pages.at(1)});
    QVERIFY(QFile::setPermissions(m_journal, QFile::ReadOwner));
    MoveJournal journal(m_journal);
    QVERIFY(!journal.isOpen());
    const UndoReport report = MoveUndo::undoPass(MoveHistory::read(m_journal), pass, journal);
    QVERIFY(!report.complete());
    QCOMPARE(bytesOf(path(u"Sorted/News/b.htm"_s)), QByteArray("page b"));
    QVERIFY(!QFile::exists(path(u"in/b.htm"_s)));
}

QTEST_GUILESS_MAIN(TestMoveHistory)
#include "tst_movehistory.moc"
