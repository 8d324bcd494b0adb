#include "inifile.h"
#include "settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void read_data();
    void read();
    void writeThenReadRoundTrips();

private:
    QTemporaryDir m_dir;
};

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
                                       << false << settings(here, {}, defaultList, {program, false, 250, false}, false);
    QTest::newRow("50 clamps to 100") << QByteArray("[setting]\ninifolder=/\ndenominator=50\n") << false
                                      << settings(here, {}, defaultList, {program, true, 100, true}, false);
    QTest::newRow("5000000 clamps") << QByteArray("[Setting]\nIniFolder=/\nDenominator=5000000\n") << false
                                    << settings(here, {}, defaultList, {program, true, 1000000, true}, false);
    QTest::newRow("hex and letters") << QByteArray("[Setting]\nIniFolder=/\nDenominator=0x3E8\nSift=abc\nConfirm=2\n")
                                     << false << settings(here, {}, defaultList, {program, true, 1000, true}, false);
    QTest::newRow("empty texts stay empty")
        << QByteArray("[Setting]\nIniFolder=\nPtnFile=\nRootFolder=\nDestination=\n") << false
        << settings({}, {}, {}, {{}, true, 1000, true}, false);
    QTest::newRow("vanished source folder")
        << QByteArray("[Setting]\nIniFolder=/no/such\nPtnFile=/x.dat\nSift=0\nConfirm=1\nDenominator=5000\n"
                      "RootFolder=/data/Sorted\nDestination=/data\n")
        << false << settings(u"/docs"_s, {}, defaultList, {QString(), true, 1000, false}, true);
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

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
