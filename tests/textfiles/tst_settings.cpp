#include "inifile.h"
#include "marrowdaleerror.h"
#include "settings.h"
#include "systemtest.h"
#include "testfiles.h"
#include "treesnapshot.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void read_data();
    void read();
    void writeThenReadRoundTrips();
    void failedWriteKeepsTheFile_data();
    void failedWriteKeepsTheFile();

private:
    QTemporaryDir m_dir;
};

void TestSettings::initTestCase()
{
    useOwnProgramFolders(m_dir.path());
}

void TestSettings::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("firstRun");
    QTest::addColumn<StartupSettings>("expected");

    const Options form {QString(), true, 2000, false};
    auto settings = [](QString source, QString destination, QString pattern, Options options, bool fellBack) {
        return StartupSettings {source, destination, pattern, options, fellBack};
    };
    const QString program = u"/prog"_s;
    const QString defaultList = u"/prog/Default.dat"_s;
    const QString here = u"/"_s;

    QTest::newRow("missing file: defaults")
        << QByteArray() << false << settings(program, {}, defaultList, {program, true, 1000, true}, false);
    QTest::newRow("first run reads documents as root")
        << QByteArray() << true << settings(program, {}, defaultList, {u"/docs"_s, true, 1000, true}, false);
    QTest::newRow("switches off, 250") << QByteArray("[Setting]\nIniFolder=/\nSift=0\nConfirm=0\nDenominator=250\n")
                                       << false << settings(here, {}, defaultList, {program, false, 250, false, false}, false);
    QTest::newRow("50 clamps to 100") << QByteArray("[setting]\ninifolder=/\ndenominator=50\n") << false
                                      << settings(here, {}, defaultList, {program, true, 100, true, false}, false);
    QTest::newRow("5000000 clamps") << QByteArray("[Setting]\nIniFolder=/\nDenominator=5000000\n") << false
                                    << settings(here, {}, defaultList, {program, true, 1000000, true, false}, false);
    QTest::newRow("hex and letters") << QByteArray("[Setting]\nIniFolder=/\nDenominator=0x3E8\nSift=abc\nConfirm=2\n")
                                     << false << settings(here, {}, defaultList, {program, true, 1000, true, false}, false);
    QTest::newRow("empty texts stay empty")
        << QByteArray("[Setting]\nIniFolder=\nPtnFile=\nRootFolder=\nDestination=\n") << false
        << settings({}, {}, {}, {{}, true, 1000, true, false}, false);
    // Off in a file written before the option existed, as it stands in one written since.
    QTest::newRow("page facts on") << QByteArray("[Setting]\nIniFolder=/\nPageFacts=1\n") << false
                                   << settings(here, {}, defaultList, {program, true, 1000, true, true}, false);
    QTest::newRow("vanished source folder")
        << QByteArray("[Setting]\nIniFolder=/no/such\nPtnFile=/x.dat\nSift=0\nConfirm=1\nDenominator=5000\n"
                      "RootFolder=/data/Sorted\nDestination=/data\n")
        << false << settings(u"/docs"_s, {}, defaultList, {QString(), true, 1000, false}, true);
    // One stray byte used to turn the whole file into CP932 (these lines all decode as CP932 too): the
    // folders no longer matched, so the source folder counted as gone and the fallback blanked the
    // parent folder.
    QTest::newRow("stray byte keeps Japanese folder names")
        << u"[Setting]\nIniFolder=/ニュース\nPtnFile=/日本/Default.dat\nRootFolder=/日本/表示\n"_s.toUtf8()
            + "Note=caf\xE9s\n"
        << false << settings(u"/ニュース"_s, {}, u"/日本/Default.dat"_s, {u"/日本/表示"_s, true, 1000, true, false}, false);
}

void TestSettings::read()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, firstRun);
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + u".ini"_s);
    if (!file.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file);
    }
    const Options form {QString(), true, 2000, false};
    const StartupSettings s = SettingsFile::read(IniFile(path), firstRun, u"/docs"_s, u"/prog"_s, form,
                                                 [](const QString &folder) { return folder != u"/no/such"_s; });
    QTEST(s, "expected");
}

void TestSettings::writeThenReadRoundTrips()
{
    const QString path = m_dir.filePath(u"round.ini"_s);
    const ClosingSettings closing {u"/in"_s, u"/lists/mine.dat"_s, {u"/data/Sorted"_s, false, 250, true}};
    SettingsFile::write(path, closing);
    const StartupSettings s
        = SettingsFile::read(IniFile(path), false, {}, u"/prog"_s, {}, [](const QString &) { return true; });
    QCOMPARE(s, (StartupSettings {u"/in"_s, u"/data/Sorted"_s, u"/lists/mine.dat"_s, closing.options, false}));
}

// The close writes all seven keys or none: the old file stays byte for byte and the error names it.
void TestSettings::failedWriteKeepsTheFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("full disk") << u"full disk"_s;
    QTest::newRow("read-only file") << u"read-only"_s;
    QTest::newRow("read-only folder, read-only file") << u"read-only folder"_s;
}

void TestSettings::failedWriteKeepsTheFile()
{
    QFETCH(QString, fault);
    if (fault == u"read-only folder"_s)
        RUN_WITHOUT_ROOT();
    QTemporaryDir dir;
    QString folder = dir.filePath(u"marrowdale"_s);
    QVERIFY(QDir().mkpath(folder));
    const auto unmount = qScopeGuard([&] {
        if (fault == u"full disk"_s)
            SystemTest::unmount(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    });
    if (fault == u"full disk"_s)
        MOUNT_TMPFS_OR_SKIP(folder, u"64k"_s);
    const QString path = folder + u"/marrowdale.ini"_s;
    writeBytes(path, "; mine\r\n[Setting]\r\nIniFolder=/old\r\nSift=0\r\n[Other]\r\nx=1\r\n");
    if (fault == u"full disk"_s) {
        SystemTest::fillUp(folder);
    } else {
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
        if (fault == u"read-only folder"_s)
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }
    const auto before = TreeSnapshot::of(folder);
    try {
        SettingsFile::write(path, {u"/in"_s, u"/lists/mine.dat"_s, {u"/data/Sorted"_s, true, 250, true}});
        QFAIL("the write was reported as done");
    } catch (const MarrowdaleError &error) {
        QVERIFY2(error.message().contains(path), qPrintable(error.message()));
    }
    COMPARE_TREES(TreeSnapshot::of(folder), before);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
