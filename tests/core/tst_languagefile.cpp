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

    QString languageFile(const QByteArray &content)
    {
        const QString path = m_dir.filePath(u"marrowdale.lng"_s);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
        return path;
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    }

    void noFileKeepsDefaults()
    {
        const LanguageFile language(m_dir.filePath(u"none.lng"_s));
        QVERIFY(!language.exists());
        MessageTable table;
        language.readMessages(table);
        QCOMPARE(table.text(13), MessageTable::defaultText(13));
        QVERIFY(table.text(11).contains(u'\n'));
        QVERIFY(table.text(22).startsWith(u' '));
    }

    void messages_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("expected");
        QTest::newRow("only caption empties messages") << "[Main]\nCaption=Titel\n"_ba << 13 << u""_s;
        QTest::newRow("br becomes line feed")
            << "[Main]\nMsg11=\" ] be moved to<br>< \"\n"_ba << 11 << u" ] be moved to\n< "_s;
        QTest::newRow("upper-case BR stays") << "[Main]\nMsg11=a<BR>b\n"_ba << 11 << u"a<BR>b"_s;
        QTest::newRow("quoted leading blank kept")
            << "[Main]\nMsg22=\" strings were replaced.\"\n"_ba << 22 << u" strings were replaced."_s;
        QTest::newRow("unquoted leading blank lost")
            << "[Main]\nMsg22= strings were replaced.\n"_ba << 22 << u"strings were replaced."_s;
        QTest::newRow("shift-jis")
            << "[Main]\nMsg17=\x83\x74\x83\x40\x83\x43\x83\x8B\n"_ba << 17 << u"ファイル"_s;
        QTest::newRow("other section ignored") << "[Dialog1]\nMsg5=x\n"_ba << 5 << u""_s;
    }
    void messages()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, n);
        QFETCH(QString, expected);
        const LanguageFile language(languageFile(content));
        QVERIFY(language.exists());
        MessageTable table;
        language.readMessages(table);
        QCOMPARE(table.text(n), expected);
    }

    void captionsBySection()
    {
        const LanguageFile language(languageFile(
            "[Main]\nCaption=Titel\nButton1->Caption=&Sortieren<br>\n[Dialog1]\nButton1->Caption=&Wahl\n"));
        QCOMPARE(language.text(u"main"_s, u"caption"_s), u"Titel"_s);
        QCOMPARE(language.text(u"Main"_s, u"Button1->Caption"_s), u"&Sortieren<br>"_s);
        QCOMPARE(language.text(u"Dialog1"_s, u"Button1->Caption"_s), u"&Wahl"_s);
        QCOMPARE(language.text(u"OptionDialog"_s, u"Button1->Caption"_s), u""_s);
        QCOMPARE(language.message(u"Main"_s, u"Button1->Caption"_s), u"&Sortieren\n"_s);
    }
};

QTEST_GUILESS_MAIN(TestLanguageFile)
#include "tst_languagefile.moc"
