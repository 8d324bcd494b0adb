#include "marrowdaleerror.h"
#include "patternfile.h"
#include "testfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace { } // namespace

class TestPatternFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("onDisk");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("writtenBack");
        QTest::newRow("CR LF") << QByteArray("a -> ../A\r\nb\r\n") << u"a -> ../A\nb\n"_s
                               << QByteArray("a -> ../A\r\nb\r\n");
        QTest::newRow("LF only") << QByteArray("a\nb\n") << u"a\nb\n"_s << QByteArray("a\r\nb\r\n");
        QTest::newRow("CR only") << QByteArray("a\rb\r") << u"a\nb\n"_s << QByteArray("a\r\nb\r\n");
        QTest::newRow("CR before CR LF") << QByteArray("a\r\r\nb") << u"a\n\nb"_s << QByteArray("a\r\n\r\nb");
        QTest::newRow("last line without break") << QByteArray("a\r\nb") << u"a\nb"_s << QByteArray("a\r\nb");
        // 0x5C (a backslash in ASCII) as the second byte of a double-byte character must survive.
        QTest::newRow("Shift-JIS") << QByteArray("\x95\x5C\x8E\xA6 -> ../\x83\x6A\x83\x85\x81\x5B\x83\x58\r\n")
                                   << u"表示 -> ../ニュース\n"_s << u"表示 -> ../ニュース\r\n"_s.toUtf8();
    }
    void roundTrip()
    {
        QFETCH(QByteArray, onDisk);
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.dat"_s);
        writeBytes(path, onDisk);
        QCOMPARE(PatternFile::load(path), text);
        PatternFile::save(path, text);
        QTEST(bytesOf(path), "writtenBack");
    }

    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("read-only file") << u"list.dat"_s;
        QTest::newRow("folder is a regular file") << u"blocker/list.dat"_s;
    }
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        writeBytes(dir.filePath(u"blocker"_s), "x");
        const QString path = dir.filePath(name);
        if (!name.contains(u'/')) {
            if (geteuid() == 0)
                QSKIP("root writes read-only files");
            writeBytes(path, "old\r\n");
            QFile::setPermissions(path, QFile::ReadOwner);
        }
        const QByteArray before = bytesOf(path);
        QVERIFY_THROWS_EXCEPTION(MarrowdaleError, PatternFile::save(path, u"new\n"_s));
        QCOMPARE(bytesOf(path), before);
        QCOMPARE(bytesOf(dir.filePath(u"blocker"_s)), QByteArray("x"));
    }
};

QTEST_GUILESS_MAIN(TestPatternFile)
#include "tst_patternfile.moc"
