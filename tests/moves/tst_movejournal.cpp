#include "movejournal.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestMoveJournal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encodesRecords_data();
    void encodesRecords();
    void passRecordNamesItsSourceAndProcess();
};

void TestMoveJournal::encodesRecords_data()
{
    QTest::addColumn<QString>("text"); // in every text of a record

    QTest::newRow("plain path") << u"/home/user/in/page.htm"_s;
    QTest::newRow("quote and backslash") << u"/in/say \"hi\" \\ there.htm"_s;
    QTest::newRow("control characters") << u"/in/tab\there\nline\u0001.htm"_s;
    QTest::newRow("Japanese") << u"/in/日本のニュース.htm"_s;
    QTest::newRow("escapes after Japanese") << u"/in/日本\"\t\\.htm"_s;
    QTest::newRow("beyond the basic plane") << u"/in/\U0001F389 party.htm"_s;
    QTest::newRow("a lone surrogate") << QString(u"/in/"_s + QChar(0xD800) + u"x.htm"_s);
    QTest::newRow("empty") << QString();
}

// Every text comes back as its UTF-8 form reads, and a record is one line whatever it holds.
void TestMoveJournal::encodesRecords()
{
    QFETCH(QString, text);
    JournalRecord record;
    record.op = u"intent"_s;
    record.time = QDateTime(QDate(2026, 12, 7), QTime(10, 14, 59, 123), Qt::UTC);
    for (QString *field : {&record.pass, &record.id, &record.kind, &record.src, &record.dst, &record.tmp,
                           &record.companionSrc, &record.companionDst, &record.undoes, &record.page, &record.reason})
        *field = text;
    record.merge = true;

    const QByteArray line = MoveJournal::encode(record);
    QVERIFY(!line.contains('\n'));
    QVERIFY(line.contains(",\"time\":\"2026-12-07T10:14:59.123Z\""));
    const std::optional<JournalRecord> back = MoveJournal::decode(line);
    QVERIFY(back);
    JournalRecord expected = record;
    const QString written = QString::fromUtf8(text.toUtf8());
    for (QString *field :
         {&expected.pass, &expected.id, &expected.kind, &expected.src, &expected.dst, &expected.tmp,
          &expected.companionSrc, &expected.companionDst, &expected.undoes, &expected.page, &expected.reason})
        *field = written;
    QCOMPARE(*back, expected);
}

void TestMoveJournal::passRecordNamesItsSourceAndProcess()
{
    JournalRecord record;
    record.op = u"pass"_s;
    record.pass = u"20261207T101459.123Z-4711"_s;
    record.what = u"undo"_s;
    record.pid = 4711;
    const QByteArray line = MoveJournal::encode(record);
    QVERIFY(line.contains(",\"source\":\"\""));
    QVERIFY(line.contains(",\"pid\":4711"));
    const std::optional<JournalRecord> back = MoveJournal::decode(line);
    QVERIFY(back);
    QCOMPARE(back->pass, record.pass);
    QCOMPARE(back->pid, 4711);
}

QTEST_GUILESS_MAIN(TestMoveJournal)
#include "tst_movejournal.moc"
