#include "apppaths.h"
#include "marrowdaleerror.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

class TestTextFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << "a=b\n"_ba << u"a=b\n"_s;
        QTest::newRow("utf8 bom stripped") << "\xEF\xBB\xBFkey"_ba << u"key"_s;
        QTest::newRow("utf8 japanese") << "\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB"_ba
                                       << u"ファイル"_s;
        QTest::newRow("shift-jis") << "\x83\x74\x83\x40\x83\x43\x83\x8B"_ba << u"ファイル"_s;
        QTest::newRow("shift-jis among ascii keeps backslash")
            << "C:\\\x95\xB6\x8F\x91.txt"_ba << u"C:\\文書.txt"_s;
    }
    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(decodeText(bytes), text);
    }

    void roundTripIsUtf8()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"t.txt"_s);
        writeTextFile(path, u"ファイル\n"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), u"ファイル\n"_s.toUtf8());
        QCOMPARE(readTextFile(path), u"ファイル\n"_s);
    }

    void failedWriteNamesFileAndKeepsIt_data()
    {
        QTest::addColumn<bool>("readOnlyFile");
        QTest::newRow("read-only file") << true;
        QTest::newRow("parent is a regular file") << false;
    }
    void failedWriteNamesFileAndKeepsIt()
    {
        QFETCH(bool, readOnlyFile);
        if (readOnlyFile && geteuid() == 0)
            QSKIP("permissions do not stop the superuser");
        QTemporaryDir dir;
        const QString existing = dir.filePath(u"old.txt"_s);
        writeTextFile(existing, u"old"_s);
        QString target = existing;
        if (readOnlyFile)
            QVERIFY(QFile::setPermissions(existing, QFileDevice::ReadOwner));
        else
            target = existing + u"/new.txt"_s;
        try {
            writeTextFile(target, u"new"_s);
            QFAIL("the write was reported as done");
        } catch (const MarrowdaleError &error) {
            QVERIFY2(error.message().contains(target), qPrintable(error.message()));
        }
        QCOMPARE(readTextFile(existing), u"old"_s);
    }

    void unreadableFileNamesIt()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"none.txt"_s);
        try {
            readTextFile(path);
            QFAIL("a missing file was read");
        } catch (const MarrowdaleError &error) {
            QVERIFY(error.message().contains(path));
        }
    }

    void configFolderFollowsEnvironment()
    {
        QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + u"/"_s));
        QCOMPARE(AppPaths::settingsFile(), dir.path() + u"/marrowdale/marrowdale.ini"_s);
        QVERIFY(QDir(dir.path() + u"/marrowdale"_s).exists());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + u"/other"_s));
        QCOMPARE(AppPaths::languageFile(), dir.path() + u"/other/marrowdale/marrowdale.lng"_s);
    }

    void withoutTrailingSlash_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("root stays") << u"/"_s << u"/"_s;
        QTest::newRow("one slash") << u"/data/Sorted/"_s << u"/data/Sorted"_s;
        QTest::newRow("doubled slash") << u"/data//"_s << u"/data"_s;
        QTest::newRow("none") << u"/data"_s << u"/data"_s;
    }
    void withoutTrailingSlash()
    {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        QCOMPARE(AppPaths::withoutTrailingSlash(folder), expected);
    }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
