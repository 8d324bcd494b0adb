#include "pathcodec.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

// Paths must come out exactly as QFile turns them, whichever way is taken.
class TestPathCodec : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encodesAsQFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("ASCII") << u"/home/user/in/page 1.htm"_s;
        QTest::newRow("the last ASCII unit") << u"/in/\u007f.htm"_s;
        QTest::newRow("Latin-1 letters are not ASCII") << u"/in/caf\u00e9.htm"_s;
        QTest::newRow("Japanese after ASCII") << u"/in/ニュース.htm"_s;
        QTest::newRow("beyond the basic plane") << u"/in/\U0001F389.htm"_s;
        QTest::newRow("empty") << QString();
    }

    void encodesAsQFile()
    {
        QFETCH(QString, path);
        QCOMPARE(PathCodec::encode(path), QFile::encodeName(path));
    }

    void decodesAsQFile_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("ASCII") << "/home/user/in/page 1.htm"_ba;
        QTest::newRow("the last ASCII byte") << "/in/\x7f.htm"_ba;
        QTest::newRow("UTF-8") << u"/in/caf\u00e9 ニュース.htm"_s.toUtf8();
        QTest::newRow("not UTF-8") << "/in/\x83\x6a\x83\x85.htm"_ba;
        QTest::newRow("a byte of 0x80 alone") << "/in/\x80"_ba;
        QTest::newRow("empty") << QByteArray();
    }

    void decodesAsQFile()
    {
        QFETCH(QByteArray, path);
        QCOMPARE(PathCodec::decode(path), QFile::decodeName(path));
    }
};

QTEST_GUILESS_MAIN(TestPathCodec)
#include "tst_pathcodec.moc"
