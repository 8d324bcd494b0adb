#include "apppaths.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestTextFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("utf8 bom stripped") << "\xEF\xBB\xBFkey"_ba << u"key"_s;
        QTest::newRow("utf8") << "\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB"_ba << u"ファイル"_s;
        QTest::newRow("shift-jis") << "\x83\x74\x83\x40\x83\x43\x83\x8B"_ba << u"ファイル"_s;
        QTest::newRow("shift-jis keeps backslash") << "C:\\\x95\xB6\x8F\x91"_ba << u"C:\\文書"_s;
    }
    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(decodeText(bytes), text);
    }

    void writesUtf8()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"t.txt"_s);
        writeTextFile(path, u"ファイル\n"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), u"ファイル\n"_s.toUtf8());
    }

    void configFolderFollowsEnvironment()
    {
        QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + u"/"_s));
        QCOMPARE(AppPaths::settingsFile(), dir.path() + u"/marrowdale/marrowdale.ini"_s);
        QVERIFY(QDir(dir.path() + u"/marrowdale"_s).exists());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + u"/other"_s));
        QCOMPARE(AppPaths::languageFile(), dir.path() + u"/other/marrowdale/marrowdale.lng"_s);
        QCOMPARE(AppPaths::withoutTrailingSlash(u"/"_s), u"/"_s);
        QCOMPARE(AppPaths::withoutTrailingSlash(u"/data//"_s), u"/data"_s);
    }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
