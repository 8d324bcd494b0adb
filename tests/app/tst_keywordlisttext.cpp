#include "editing/plaintext.h"
#include "patternfile.h"
#include "testfiles.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The keyword list's text box between loading a pattern file and saving it: what the file held must come
// back out of the box unchanged.
class TestKeywordListText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { useOwnProgramFolders(m_dir.path()); }

    void loadShowAndSaveKeepsTheFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        // toPlainText() turns a no-break space into a blank.
        QTest::newRow("no-break space") << u"a\u00A0b -> ../c\u00A0d\r\n"_s.toUtf8();
        QTest::newRow("stray Latin-1 byte in a UTF-8 list")
            << u"ニュース -> ../ニュース\r\n日本 -> ../日本\r\n"_s.toUtf8() + "caf\xE9s -> ../Caf\xE9s\r\n";
        QTest::newRow("CP932 list with duplicate codes")
            << "\x95\x5C\x8E\xA6 -> ../\x83\x6A\x83\x85\x81\x5B\x83\x58\r\n\xFA\x5B\xED\x40 -> ../a\r\n"_ba;
        QTest::newRow("half-width kana") << "\xC8\xBA -> ../x\r\n"_ba;
        QTest::newRow("blank lines and no final break") << "\r\n\r\na -> /a\r\n\r\nb"_ba;
    }
    void loadShowAndSaveKeepsTheFile()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Default.dat"_s);
        writeBytes(path, bytes);
        PatternFileState state = PatternFile::read(path);
        QPlainTextEdit list;
        list.setPlainText(*state.savedText);
        list.show();
        QCOMPARE(exactPlainText(&list), *state.savedText);
        QVERIFY(!state.isModified(exactPlainText(&list)));
        PatternFile::write(path, exactPlainText(&list), state);
        QCOMPARE(bytesOf(path), bytes);

        // A line typed at the end leaves the others' bytes alone.
        QTextCursor cursor(list.document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(u"\nnew -> ../n"_s);
        QVERIFY(state.isModified(exactPlainText(&list)));
        PatternFile::write(path, exactPlainText(&list), state);
        QVERIFY(bytesOf(path).startsWith(bytes));
        QCOMPARE(PatternFile::read(path).savedText, exactPlainText(&list));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestKeywordListText)
#include "tst_keywordlisttext.moc"
