#include "testfiles.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A byte that is no part of valid UTF-8, as the text holds it.
QString kept(uchar byte)
{
    return QString(QChar(char16_t(0xDC00 + byte)));
}

QByteArray utf8(const QString &text)
{
    return text.toUtf8();
}

// Three CP932 lists: "表示 -> ../ニュース" (0x5C as a second byte), "∵" in its JIS, NEC and IBM codes,
// "纊" in its NEC-selected and IBM codes.
const QByteArray cp932List = "\x95\x5C\x8E\xA6 -> ../\x83\x6A\x83\x85\x81\x5B\x83\x58\r\n"
                             "\x81\xE6\x87\x9A\xFA\x5B -> ../a\r\n"
                             "\xED\x40\xFA\x5C -> ../b\r\n"_ba;
const QString cp932Text = u"表示 -> ../ニュース\r\n∵∵∵ -> ../a\r\n纊纊 -> ../b\r\n"_s;

// The Latin-1 line and the Japanese lines all happen to decode as CP932 too.
const QByteArray mixedUtf8List
    = utf8(u"ニュース -> ../ニュース\r\n日本 -> ../日本\r\n"_s) + "caf\xE9s -> ../Caf\xE9s\r\n";

} // namespace

class TestTextFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        const int utf8Kind = TextEncoding::Utf8, cp932Kind = TextEncoding::Cp932;
        QTest::newRow("utf8 bom stripped") << "\xEF\xBB\xBFkey"_ba << u"key"_s << utf8Kind;
        QTest::newRow("utf8") << utf8(u"ファイル"_s) << u"ファイル"_s << utf8Kind;
        QTest::newRow("shift-jis") << "\x83\x74\x83\x40\x83\x43\x83\x8B"_ba << u"ファイル"_s << cp932Kind;
        QTest::newRow("shift-jis keeps backslash") << "C:\\\x95\xB6\x8F\x91"_ba << u"C:\\文書"_s << cp932Kind;
        QTest::newRow("duplicate codes read as one character") << cp932List << cp932Text << cp932Kind;
        QTest::newRow("one Latin-1 line does not make a UTF-8 list CP932")
            << mixedUtf8List
            << u"ニュース -> ../ニュース\r\n日本 -> ../日本\r\ncaf"_s + kept(0xE9) + u"s -> ../Caf"_s + kept(0xE9)
                + u"s\r\n"_s
            << utf8Kind;
        QTest::newRow("stray byte kept, not U+FFFD") << "a\x80\x1A"_ba << u"a"_s + kept(0x80) + u"\x1A"_s << utf8Kind;
        QTest::newRow("overlong and surrogate forms are stray bytes")
            << "\xC0\xAF\xED\xA0\x80"_ba << kept(0xC0) + kept(0xAF) + kept(0xED) + kept(0xA0) + kept(0x80) << utf8Kind;
        QTest::newRow("truncated character at the end")
            << utf8(u"ニ"_s) + "\xE3\x83"_ba << u"ニ"_s + kept(0xE3) + kept(0x83) << utf8Kind;
        QTest::newRow("unmapped CP932 code keeps its bytes") << "\x85\x40"_ba << kept(0x85) + u"@"_s << utf8Kind;
        QTest::newRow("byte-order mark means UTF-8") << "\xEF\xBB\xBF\x95\x5C"_ba << kept(0x95) + u"\\"_s << utf8Kind;
        QTest::newRow("half-width kana valid as UTF-8 alone") << "\xC8\xBA"_ba << u"\u023A"_s << utf8Kind;
        QTest::newRow("half-width kana among CP932 lines")
            << "\x95\x5C\r\n\x8E\xA6\r\n\xC8\xBA\r\n"_ba << u"表\r\n示\r\nﾈｺ\r\n"_s << cp932Kind;
        QTest::newRow("UTF-16 without a mark") << "a\0\r\0\n\0"_ba << u"a\r\n"_s << int(TextEncoding::Utf16LE);
        QTest::newRow("one UTF-8 Japanese line and one stray byte stay UTF-8")
            << utf8(u"日本 -> ../日本\n"_s) + "caf\xE9s\n" << u"日本 -> ../日本\ncaf"_s + kept(0xE9) + u"s\n"_s
            << utf8Kind;
        // ICU's table trades these three control codes among themselves.
        QTest::newRow("CP932 control codes stay ASCII")
            << "\x95\x5C\x1A\x1C\x7F"_ba << u"表\x1A\x1C\x7F"_s << cp932Kind;
    }
    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(int, kind);
        const TextFileContent content = TextFile::decode(bytes);
        QCOMPARE(content.text, text);
        QCOMPARE(int(content.encoding.kind), kind);
        QVERIFY(!content.text.contains(QChar::ReplacementCharacter));
    }

    void loadAndSaveKeepsEveryByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("UTF-8 with byte-order mark") << "\xEF\xBB\xBF"_ba + utf8(u"表示\r\n"_s);
        QTest::newRow("UTF-8 list with a Latin-1 line") << mixedUtf8List;
        QTest::newRow("CP932 list") << cp932List;
        QTest::newRow("two lines of one text in different codes keep their own codes")
            << "\x95\x5C\x81\xE6\r\n\x95\x5C\x87\x9A\r\n"_ba;
        QTest::newRow("no-break space") << utf8(u"a\u00A0b -> ../c\u00A0d\n"_s);
        QTest::newRow("half-width kana alone") << "\xC8\xBA\r\n"_ba;
        QTest::newRow("half-width kana among CP932 lines") << "\x95\x5C\r\n\x8E\xA6\r\n\xC8\xBA\r\n"_ba;
        QTest::newRow("CP932 control codes") << "\x95\x5C\x1A\x1C\x7F\r"_ba;
        QTest::newRow("UTF-16 with a mark and a lone surrogate") << "\xFF\xFE\x68\x88\x00\xD8\r\0\n\0"_ba;
        QTest::newRow("every stray byte") << [] {
            QByteArray bytes;
            for (int b = 0x80; b <= 0xFF; ++b)
                bytes += char(b);
            return bytes;
        }();
    }
    void loadAndSaveKeepsEveryByte()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.dat"_s);
        writeBytes(path, bytes);
        const TextFileContent content = TextFile::read(path);
        QCOMPARE(TextFile::write(path, content.text, content.encoding), content.encoding);
        QCOMPARE(bytesOf(path), bytes);
    }

    void editedLineKeepsTheOthers_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("edited");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("kind");
        QTest::newRow("CP932 duplicate codes kept beside an edited line")
            << cp932List << 0 << u"表示 -> ../天気"_s
            << "\x95\x5C\x8E\xA6 -> ../\x93\x56\x8B\x43\r\n\x81\xE6\x87\x9A\xFA\x5B -> ../a\r\n\xED\x40\xFA\x5C -> ../b\r\n"_ba
            << int(TextEncoding::Cp932);
        QTest::newRow("stray byte kept beside an edited line")
            << mixedUtf8List << 1 << u"日本語 -> ../日本"_s
            << utf8(u"ニュース -> ../ニュース\r\n日本語 -> ../日本\r\n"_s) + "caf\xE9s -> ../Caf\xE9s\r\n"
            << int(TextEncoding::Utf8);
        // Rather a UTF-8 file than a lost character.
        QTest::newRow("a character CP932 lacks makes the file UTF-8")
            << cp932List << 2 << u"𠮷野家 -> ../b"_s
            << utf8(u"表示 -> ../ニュース\r\n∵∵∵ -> ../a\r\n𠮷野家 -> ../b\r\n"_s) << int(TextEncoding::Utf8);
    }
    void editedLineKeepsTheOthers()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        QFETCH(QString, edited);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.dat"_s);
        writeBytes(path, bytes);
        const TextFileContent content = TextFile::read(path);
        QStringList lines = content.text.split(u"\r\n"_s);
        lines[line] = edited;
        const QString text = lines.join(u"\r\n"_s);
        const TextEncoding written = TextFile::write(path, text, content.encoding);
        QCOMPARE(bytesOf(path), expected);
        QTEST(int(written.kind), "kind");
        QCOMPARE(TextFile::read(path).text, text);
    }

    void newFilesAreUtf8()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"t.txt"_s);
        QCOMPARE(TextFile::write(path, u"ファイル\n"_s), TextEncoding());
        QCOMPARE(bytesOf(path), utf8(u"ファイル\n"_s));
    }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
