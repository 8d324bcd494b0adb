#include "languagefile.h"
#include "messagetable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestLanguageFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path())); }

    // A null content means there is no language file.
    void messages_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no file keeps defaults") << QByteArray() << 13 << MessageTable::defaultText(13);
        QTest::newRow("only caption empties messages") << "[Main]\nCaption=T\n"_ba << 13 << u""_s;
        QTest::newRow("br becomes line feed") << "[Main]\nMsg11=\" ] to<br>< \""_ba << 11 << u" ] to\n< "_s;
        QTest::newRow("upper-case BR stays") << "[Main]\nMsg11=a<BR>b"_ba << 11 << u"a<BR>b"_s;
        QTest::newRow("quoted blank kept") << "[Main]\nMsg22=\" strings.\""_ba << 22 << u" strings."_s;
        QTest::newRow("unquoted blank lost") << "[Main]\nMsg22= strings."_ba << 22 << u"strings."_s;
        QTest::newRow("shift-jis") << "[Main]\nMsg17=\x83\x74\x83\x40\x83\x43\x83\x8B"_ba << 17 << u"ファイル"_s;
        QTest::newRow("other section ignored") << "[Dialog1]\nMsg5=x"_ba << 5 << u""_s;
    }
    void messages()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, n);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"marrowdale.lng"_s);
        QFile file(path);
        if (!content.isNull()) {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
            file.close();
        }
        const LanguageFile language(path);
        QCOMPARE(language.exists(), !content.isNull());
        MessageTable table;
        language.readMessages(table);
        QCOMPARE(table.text(n), expected);
    }

    void namedMessages_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        const QString english = MessageTable::defaultText(Message::DiscardChanges);
        QTest::newRow("no file") << QByteArray() << english;
        QTest::newRow("a file made before the text keeps the English one") << "[Main]\nMsg1=x\n"_ba << english;
        QTest::newRow("translated, br becomes line feed")
            << "[Messages]\ndiscardchanges=%1<br>Weg?\n"_ba << u"%1\nWeg?"_s;
        QTest::newRow("present but empty stays empty") << "[Messages]\nDiscardChanges=\n"_ba << QString();
    }
    void namedMessages()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"marrowdale.lng"_s);
        if (!content.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        MessageTable table;
        LanguageFile(path).readMessages(table);
        QTEST(table.text(Message::DiscardChanges), "expected");
    }

    void captionsBySection()
    {
        const QString path = m_dir.filePath(u"l.lng"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Main]\nButton1->Caption=&Go<br>\n[Dialog1]\nbutton1->caption=&Pick\n");
        file.close();
        const LanguageFile language(path);
        QCOMPARE(language.text(u"Main"_s, u"Button1->Caption"_s), u"&Go<br>"_s);
        QCOMPARE(language.message(u"Main"_s, u"Button1->Caption"_s), u"&Go\n"_s);
        QCOMPARE(language.text(u"Dialog1"_s, u"Button1->Caption"_s), u"&Pick"_s);
        QCOMPARE(language.text(u"OptionDialog"_s, u"Button1->Caption"_s), u""_s);
    }
};

QTEST_GUILESS_MAIN(TestLanguageFile)
#include "tst_languagefile.moc"
