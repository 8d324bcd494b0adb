#include "inifile.h"
#include "marrowdaleerror.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void putFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    }

    // Every row reads key "Key" of section "Setting"; kind s/i/b picks the reader.
    void read_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("def");
        QTest::addColumn<QString>("expected");
        QTest::newRow("hex") << "[Setting]\nKey=0x3E8\n"_ba << u"i"_s << u"7"_s << u"1000"_s;
        QTest::newRow("upper hex prefix") << "[Setting]\nKey=0Xff\n"_ba << u"i"_s << u"7"_s << u"255"_s;
        QTest::newRow("bare 0x") << "[Setting]\nKey=0x\n"_ba << u"i"_s << u"7"_s << u"7"_s;
        QTest::newRow("letters") << "[Setting]\nKey=abc\n"_ba << u"i"_s << u"1000"_s << u"1000"_s;
        QTest::newRow("trailing letters") << "[Setting]\nKey=12ab\n"_ba << u"i"_s << u"7"_s << u"7"_s;
        QTest::newRow("negative") << "[Setting]\nKey=-5\n"_ba << u"i"_s << u"7"_s << u"-5"_s;
        QTest::newRow("overflow") << "[Setting]\nKey=99999999999\n"_ba << u"i"_s << u"7"_s << u"7"_s;
        QTest::newRow("empty integer") << "[Setting]\nKey=\n"_ba << u"i"_s << u"7"_s << u"7"_s;
        QTest::newRow("quoted integer") << "[Setting]\nKey=\"250\"\n"_ba << u"i"_s << u"7"_s << u"250"_s;
        QTest::newRow("Sift=2") << "[Setting]\nKey=2\n"_ba << u"b"_s << u"0"_s << u"1"_s;
        QTest::newRow("zero") << "[Setting]\nKey=0\n"_ba << u"b"_s << u"1"_s << u"0"_s;
        QTest::newRow("bool letters") << "[Setting]\nKey=yes\n"_ba << u"b"_s << u"0"_s << u"0"_s;
        QTest::newRow("quoted with blanks around")
            << "[Setting]\nKey =  \"  a b  \"  \n"_ba << u"s"_s << u"d"_s << u"  a b  "_s;
        QTest::newRow("single quotes") << "[Setting]\nKey='x'\n"_ba << u"s"_s << u"d"_s << u"x"_s;
        QTest::newRow("mismatched quotes") << "[Setting]\nKey=\"x'\n"_ba << u"s"_s << u"d"_s << u"\"x'"_s;
        QTest::newRow("one pair only") << "[Setting]\nKey=\"\"x\"\"\n"_ba << u"s"_s << u"d"_s << u"\"x\""_s;
        QTest::newRow("after first equals") << "[Setting]\nKey=a=b\n"_ba << u"s"_s << u"d"_s << u"a=b"_s;
        QTest::newRow("lower-case names") << "[setting]\nkey=v\n"_ba << u"s"_s << u"d"_s << u"v"_s;
        QTest::newRow("empty value") << "[Setting]\nKey=\n"_ba << u"s"_s << u"d"_s << u""_s;
        QTest::newRow("missing key") << "[Setting]\nOther=v\n"_ba << u"s"_s << u"d"_s << u"d"_s;
        QTest::newRow("other section") << "[Other]\nKey=v\n"_ba << u"s"_s << u"d"_s << u"d"_s;
        QTest::newRow("key before any section") << "Key=v\n[Setting]\n"_ba << u"s"_s << u"d"_s << u"d"_s;
        QTest::newRow("first of two") << "[Setting]\nKey=1\nKey=2\n"_ba << u"s"_s << u"d"_s << u"1"_s;
        QTest::newRow("cr lf") << "[Setting]\r\nKey=v\r\n"_ba << u"s"_s << u"d"_s << u"v"_s;
        QTest::newRow("cr only") << "[Other]\rKey=x\r[Setting]\rKey=v\r"_ba << u"s"_s << u"d"_s << u"v"_s;
        QTest::newRow("shift-jis") << "[Setting]\nKey=\x83\x74\x83\x40\x83\x43\x83\x8B\n"_ba
                                   << u"s"_s << u"d"_s << u"ファイル"_s;
        QTest::newRow("2047 characters at most")
            << "[Setting]\nKey=" + QByteArray(3000, 'x') + "\n" << u"s"_s << u"d"_s
            << QString(2047, u'x');
    }
    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, kind);
        QFETCH(QString, def);
        QFETCH(QString, expected);
        const QString path = m_dir.filePath(u"read.ini"_s);
        putFile(path, content);
        const IniFile ini(path);
        QVERIFY(ini.exists());
        const QString section = u"Setting"_s, key = u"Key"_s;
        QString got;
        if (kind == u"i"_s)
            got = QString::number(ini.readInt(section, key, def.toInt()));
        else if (kind == u"b"_s)
            got = ini.readBool(section, key, def == u"1"_s) ? u"1"_s : u"0"_s;
        else
            got = ini.readString(section, key, def);
        QCOMPARE(got, expected);
    }

    // Each write is "Section|Key|Value"; a null content means no file yet.
    void write_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("writes");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("file and folder created")
            << QByteArray() << QStringList{u"Setting|Sift|1"_s, u"Setting|Denominator|250"_s}
            << "[Setting]\nSift=1\nDenominator=250\n"_ba;
        QTest::newRow("replaced in place, unknown lines kept")
            << "; note\n[Other]\nx=1\n[Setting]\nSift=0\nExtra=keep\n[Tail]\ny=2\n"_ba
            << QStringList{u"Setting|Sift|1"_s}
            << "; note\n[Other]\nx=1\n[Setting]\nSift=1\nExtra=keep\n[Tail]\ny=2\n"_ba;
        QTest::newRow("new key ends its section")
            << "[Setting]\nA=1\n\n[Tail]\ny=2\n"_ba << QStringList{u"Setting|B|v"_s}
            << "[Setting]\nA=1\nB=v\n\n[Tail]\ny=2\n"_ba;
        QTest::newRow("new section at end")
            << "[Other]\r\nx=1"_ba << QStringList{u"Setting|K|v"_s} << "[Other]\nx=1\n[Setting]\nK=v\n"_ba;
        QTest::newRow("lower-case key replaced")
            << "[setting]\nsift=0\n"_ba << QStringList{u"Setting|Sift|1"_s} << "[setting]\nsift=1\n"_ba;
        QTest::newRow("blanks kept by quoting")
            << QByteArray() << QStringList{u"Main|Msg22| strings were replaced."_s}
            << "[Main]\nMsg22=\" strings were replaced.\"\n"_ba;
        QTest::newRow("shift-jis file rewritten as utf-8")
            << "[Setting]\nP=\x83\x74\x83\x40\x83\x43\x83\x8B\n"_ba << QStringList{u"Setting|Q|x"_s}
            << "[Setting]\nP=\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB\nQ=x\n"_ba;
    }
    void write()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, writes);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"sub/w.ini"_s);
        if (!content.isNull()) {
            QVERIFY(QDir().mkpath(dir.filePath(u"sub"_s)));
            putFile(path, content);
        }
        for (const QString &write : writes) {
            const QStringList parts = write.split(u'|');
            IniFile::writeString(path, parts[0], parts[1], parts[2]);
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), expected);
        const IniFile ini(path);
        for (const QString &write : writes) {
            const QStringList parts = write.split(u'|');
            QCOMPARE(ini.readString(parts[0], parts[1], u"missing"_s), parts[2]);
        }
    }

    void failedWriteKeepsFile_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("read-only file") << u"read-only"_s;
        QTest::newRow("folder is a file") << u"parent file"_s;
        QTest::newRow("line break injects a section") << u"line break"_s;
    }
    void failedWriteKeepsFile()
    {
        QFETCH(QString, fault);
        if (fault == u"read-only"_s && geteuid() == 0)
            QSKIP("permissions do not stop the superuser");
        QTemporaryDir dir;
        const QString existing = dir.filePath(u"s.ini"_s);
        putFile(existing, "[Setting]\nSift=0\n");
        QString target = existing;
        QString value = u"1"_s;
        if (fault == u"read-only"_s)
            QVERIFY(QFile::setPermissions(existing, QFileDevice::ReadOwner));
        else if (fault == u"parent file"_s)
            target = existing + u"/x.ini"_s;
        else
            value = u"1\n[Evil]"_s;
        try {
            IniFile::writeBool(target, u"Setting"_s, u"Sift"_s, true);
            IniFile::writeString(target, u"Setting"_s, u"Sift"_s, value);
            QFAIL("the write was reported as done");
        } catch (const MarrowdaleError &error) {
            QVERIFY2(error.message().contains(target), qPrintable(error.message()));
        }
        const QByteArray expected = fault == u"line break"_s ? "[Setting]\nSift=1\n" : "[Setting]\nSift=0\n";
        QFile file(existing);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), expected);
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
