#include "inifile.h"
#include "marrowdaleerror.h"
#include "systemtest.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path())); }

    // Rows read key "Key" of section "Setting" (added unless the content names a section);
    // kind s/i/b picks the reader, and integers and booleans are compared as text.
    void read_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<char>("kind");
        QTest::addColumn<QString>("def");
        QTest::addColumn<QString>("expected");
        QTest::newRow("hex") << "Key=0x3E8"_ba << 'i' << u"7"_s << u"1000"_s;
        QTest::newRow("bare 0x") << "Key=0x"_ba << 'i' << u"7"_s << u"7"_s;
        QTest::newRow("letters") << "Key=abc"_ba << 'i' << u"7"_s << u"7"_s;
        QTest::newRow("trailing letters") << "Key=12ab"_ba << 'i' << u"7"_s << u"7"_s;
        QTest::newRow("overflow") << "Key=99999999999"_ba << 'i' << u"7"_s << u"7"_s;
        QTest::newRow("empty integer") << "Key="_ba << 'i' << u"7"_s << u"7"_s;
        QTest::newRow("quoted integer") << "Key=\"-250\""_ba << 'i' << u"7"_s << u"-250"_s;
        QTest::newRow("Sift=2") << "Key=2"_ba << 'b' << u"0"_s << u"1"_s;
        QTest::newRow("zero") << "Key=0"_ba << 'b' << u"1"_s << u"0"_s;
        QTest::newRow("bool letters") << "Key=yes"_ba << 'b' << u"0"_s << u"0"_s;
        QTest::newRow("quoted, blanks around") << "Key =  \" a b \"\t"_ba << 's' << u"d"_s << u" a b "_s;
        QTest::newRow("single quotes") << "Key='x'"_ba << 's' << u"d"_s << u"x"_s;
        QTest::newRow("mismatched quotes") << "Key=\"x'"_ba << 's' << u"d"_s << u"\"x'"_s;
        QTest::newRow("after first equals") << "Key=a=b"_ba << 's' << u"d"_s << u"a=b"_s;
        QTest::newRow("lower-case names") << "[setting]\nkey=v"_ba << 's' << u"d"_s << u"v"_s;
        QTest::newRow("empty value") << "Key="_ba << 's' << u"d"_s << u""_s;
        QTest::newRow("missing key") << "[Other]\nKey=v"_ba << 's' << u"d"_s << u"d"_s;
        QTest::newRow("key before any section") << "Key=v\n[Setting]"_ba << 's' << u"d"_s << u"d"_s;
        QTest::newRow("cr only") << "[Other]\rKey=x\r[Setting]\rKey=v"_ba << 's' << u"d"_s << u"v"_s;
        QTest::newRow("shift-jis") << "Key=\x83\x74\x83\x40\x83\x43\x83\x8B"_ba << 's' << u"d"_s << u"ファイル"_s;
        QTest::newRow("2047 at most") << "Key=" + QByteArray(3000, 'x') << 's' << u"d"_s << QString(2047, u'x');
    }
    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(char, kind);
        QFETCH(QString, def);
        QFETCH(QString, expected);
        const QString path = m_dir.filePath(u"read.ini"_s);
        writeBytes(path, content.contains('[') ? content : "[Setting]\r\n" + content);
        const IniFile ini(path);
        const QString s = u"Setting"_s, k = u"Key"_s;
        const QString got = kind == 'i' ? QString::number(ini.readInt(s, k, def.toInt()))
            : kind == 'b'               ? QString::number(ini.readBool(s, k, def == u"1"_s))
                                        : ini.readString(s, k, def);
        QCOMPARE(got, expected);
    }

    // Writes are "Section|Key|Value"; a null content means no file yet. Every written value
    // must also read back unchanged.
    void write_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("writes");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("file and folder created")
            << QByteArray() << QStringList {u"Setting|Sift|1"_s, u"Setting|D|250"_s} << "[Setting]\nSift=1\nD=250\n"_ba;
        QTest::newRow("in place, unknown lines kept")
            << "; c\n[O]\nx=1\n[Setting]\nSift=0\nE=k\n[T]\ny=2\n"_ba << QStringList {u"Setting|Sift|1"_s}
            << "; c\n[O]\nx=1\n[Setting]\nSift=1\nE=k\n[T]\ny=2\n"_ba;
        QTest::newRow("new key ends its section") << "[Setting]\nA=1\n\n[T]\ny=2\n"_ba << QStringList {u"Setting|B|v"_s}
                                                  << "[Setting]\nA=1\nB=v\n\n[T]\ny=2\n"_ba;
        QTest::newRow("new section at end, CR LF kept")
            << "[O]\r\nx=1"_ba << QStringList {u"Setting|K|v"_s} << "[O]\r\nx=1\r\n[Setting]\r\nK=v\r\n"_ba;
        QTest::newRow("CP932 file stays CP932")
            << "[Setting]\r\nRootFolder=/\x95\xB6\x8F\x91\r\n"_ba << QStringList {u"Setting|IniFolder|/\u8868"_s}
            << "[Setting]\r\nRootFolder=/\x95\xB6\x8F\x91\r\nIniFolder=/\x95\x5C\r\n"_ba;
        QTest::newRow("stray byte of a line not ours kept")
            << "[Other]\nName=caf\xE9\n[Setting]\nSift=0\n"_ba << QStringList {u"Setting|Sift|1"_s}
            << "[Other]\nName=caf\xE9\n[Setting]\nSift=1\n"_ba;
        const auto utf16 = [](const QString &text) {
            return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        };
        QTest::newRow("UTF-16 file stays UTF-16, byte for byte")
            << "\xFF\xFE"_ba + utf16(u"[Setting]\r\nSift=0\r\n"_s) << QStringList {u"Setting|Sift|1"_s}
            << "\xFF\xFE"_ba + utf16(u"[Setting]\r\nSift=1\r\n"_s);
        QTest::newRow("lower-case key replaced")
            << "[setting]\nsift=0\n"_ba << QStringList {u"Setting|Sift|1"_s} << "[setting]\nsift=1\n"_ba;
        QTest::newRow("outer blanks lost on reading")
            << QByteArray() << QStringList {u"M|Msg22| s."_s} << "[M]\nMsg22=\" s.\"\n"_ba;
        QTest::newRow("enclosing quotes lost on reading")
            << QByteArray() << QStringList {u"M|K|'q'"_s} << "[M]\nK=\"'q'\"\n"_ba;
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
            writeBytes(path, content);
        }
        IniFile written(path);
        for (const QString &write : writes) {
            const QStringList parts = write.split(u'|');
            written.setString(parts[0], parts[1], parts[2]);
        }
        written.save();
        QCOMPARE(fileBytes(path), expected);
        const IniFile ini(path);
        for (const QString &write : writes) {
            const QStringList parts = write.split(u'|');
            QCOMPARE(ini.readString(parts[0], parts[1], u"missing"_s), parts[2]);
        }
    }

    void failedWriteNamesFileAndKeepsIt_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("withoutRoot");
        QTest::newRow("read-only file, also for the superuser") << u"read-only"_s << false;
        QTest::newRow("read-only file") << u"read-only"_s << true;
        QTest::newRow("unreadable file is not replaced blind") << u"unreadable"_s << true;
        QTest::newRow("folder is a file") << u"parent file"_s << false;
        QTest::newRow("line break injects a section") << u"line break"_s << false;
    }
    void failedWriteNamesFileAndKeepsIt()
    {
        QFETCH(QString, fault);
        QFETCH(bool, withoutRoot);
        if (withoutRoot)
            RUN_WITHOUT_ROOT();
        QTemporaryDir dir;
        const QString existing = dir.filePath(u"s.ini"_s);
        writeBytes(existing, "[Setting]\nSift=0\n");
        QString target = existing;
        if (fault == u"read-only"_s)
            QVERIFY(QFile::setPermissions(existing, QFileDevice::ReadOwner));
        else if (fault == u"unreadable"_s)
            QVERIFY(QFile::setPermissions(existing, QFileDevice::WriteOwner));
        else if (fault == u"parent file"_s)
            target = existing + u"/x.ini"_s;
        try {
            IniFile ini(target);
            ini.setString(u"Setting"_s, u"Sift"_s, fault == u"line break"_s ? u"1\n[E]"_s : u"1"_s);
            ini.save();
            QFAIL("the write was reported as done");
        } catch (const MarrowdaleError &error) {
            QVERIFY2(error.message().contains(target), qPrintable(error.message()));
        }
        QVERIFY(QFile::setPermissions(existing, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(fileBytes(existing), "[Setting]\nSift=0\n"_ba);
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
