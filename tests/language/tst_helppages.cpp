#include "apppaths.h"
#include "helpfiles.h"
#include "marrowdaleerror.h"
#include "testfiles.h"
#include "textfile.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString englishFolder = QStringLiteral(MARROWDALE_SOURCE_DIR "/help");
const QString japaneseFolder = QStringLiteral(MARROWDALE_SOURCE_DIR "/help/ja");

QStringList filesIn(const QString &folder, const QString &pattern)
{
    return QDir(folder).entryList({pattern}, QDir::Files, QDir::Name);
}

// The file's text, empty when it cannot be read (the caller's check then fails with its name).
QString textOf(const QString &path)
{
    try {
        return readTextFile(path);
    } catch (const MarrowdaleError &) {
        return {};
    }
}

QString readStrictUtf8(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(file.readAll());
    return utf8.hasError() ? QString() : text;
}

// The text a reader sees: without tags, entities read.
QString visibleText(const QString &html)
{
    static const QRegularExpression tag(u"<[^>]*>"_s);
    QString text = QString(html).remove(tag);
    return text.replace(u"&quot;"_s, u"\""_s).replace(u"&#x27;"_s, u"'"_s).replace(u"&lt;"_s, u"<"_s)
        .replace(u"&gt;"_s, u">"_s).replace(u"&amp;"_s, u"&"_s);
}

// The words of an index title: runs of letters of one script, so that a Japanese compound yields its
// kanji and katakana words; kana particles and signs between them are no words.
QStringList wordsOf(const QString &title)
{
    QStringList words;
    QString word;
    QChar::Script script = QChar::Script_Unknown;
    for (const QChar c : title + u' ') {
        const QChar::Script now = c.isLetterOrNumber() ? c.script() : QChar::Script_Unknown;
        if (now != script || now == QChar::Script_Unknown) {
            if (word.size() > 1 && script != QChar::Script_Hiragana)
                words.append(word);
            word.clear();
            script = now;
        }
        if (now != QChar::Script_Unknown)
            word += c;
    }
    return words;
}

} // namespace

// The pages that ship with the program, in English and in Japanese, and the choice between the two sets.
class TestHelpPages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        useOwnProgramFolders(m_home.path());
    }

    void shippedSet_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << englishFolder << u"en"_s;
        QTest::newRow("Japanese") << japaneseFolder << u"ja"_s;
    }

    // Every page that the contents, the index or F1 can open is there and shows a title; every page can
    // be reached from the contents.
    void shippedSet()
    {
        QFETCH(QString, folder);
        const QString contentsText = textOf(folder + u"/Contents.txt"_s);
        QVERIFY(!contentsText.isEmpty());
        QList<HelpEntry> contents;
        try {
            contents = HelpFiles::parseContents(contentsText);
        } catch (const MarrowdaleError &error) {
            QFAIL(qPrintable(error.message()));
        }
        QSet<QString> named;
        QSet<QString> inContents;
        for (qsizetype i = 0; i < contents.size(); ++i) {
            const HelpEntry &e = contents[i];
            const bool hasChildren = i + 1 < contents.size() && contents[i + 1].depth > e.depth;
            // A page-less entry without children is a line whose "=" went missing (a full-width "＝").
            QVERIFY2(!e.page.isEmpty() || hasChildren, qPrintable(e.title));
            if (!e.page.isEmpty())
                inContents << e.page;
        }
        named += inContents;
        for (const HelpEntry &e : HelpFiles::parseIndex(textOf(folder + u"/Index.txt"_s)))
            named << e.page;
        for (int context = 1; context <= 5; ++context)
            named << HelpFiles::pageForContext(folder, context) + u".htm"_s;
        for (const QString &page : std::as_const(named)) {
            const QString path = folder + u'/' + page;
            QVERIFY2(QFile::exists(path), qPrintable(page));
            QVERIFY2(!HelpFiles::pageTitle(path).trimmed().isEmpty(), qPrintable(page));
        }
        for (const QString &page : filesIn(folder, u"*.htm"_s))
            QVERIFY2(inContents.contains(page), qPrintable(page + u" is missing from Contents.txt"_s));
    }

    void pagesAreWellFormed_data() { shippedSet_data(); }

    // The browser reads a page by what it declares; links must lead somewhere.
    void pagesAreWellFormed()
    {
        QFETCH(QString, folder);
        QFETCH(QString, language);
        static const QRegularExpression link(uR"(href="([^"#]*)(#[^"]*)?")"_s);
        const QStringList pages = filesIn(folder, u"*.htm"_s);
        QVERIFY(!pages.isEmpty());
        for (const QString &page : pages) {
            const QString html = readStrictUtf8(folder + u'/' + page);
            QVERIFY2(!html.isEmpty(), qPrintable(page + u" is not UTF-8"_s));
            QVERIFY2(html.contains(u"<meta charset=\"utf-8\">"_s), qPrintable(page));
            QVERIFY2(html.contains(u"<html lang=\"%1\">"_s.arg(language)), qPrintable(page));
            for (auto it = link.globalMatch(html); it.hasNext();) {
                const QRegularExpressionMatch m = it.next();
                const QString target = m.captured(1);
                if (target.isEmpty() || target.contains(u':'))
                    continue;
                const QString path = QDir(folder).filePath(target);
                QVERIFY2(QFile::exists(path), qPrintable(page + u" links to "_s + target));
                const QString anchor = m.captured(2).mid(1);
                if (!anchor.isEmpty())
                    QVERIFY2(textOf(path).contains(u"id=\"%1\""_s.arg(anchor)),
                             qPrintable(page + u" links to "_s + target + m.captured(2)));
            }
        }
        for (const QString &name : {u"Contents.txt"_s, u"Index.txt"_s, u"HelpContextID.txt"_s})
            QVERIFY2(!readStrictUtf8(folder + u'/' + name).isEmpty(), qPrintable(name));
    }

    // The help window reads one folder: the Japanese one needs everything the English one offers.
    void japaneseSetMatchesEnglish()
    {
        QCOMPARE(filesIn(japaneseFolder, u"*.htm"_s), filesIn(englishFolder, u"*.htm"_s));
        QCOMPARE(filesIn(japaneseFolder, u"*.bmp"_s), filesIn(englishFolder, u"*.bmp"_s));
        for (int context = 1; context <= 5; ++context)
            QCOMPARE(HelpFiles::pageForContext(japaneseFolder, context),
                     HelpFiles::pageForContext(englishFolder, context));
    }

    void indexEntries_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("wordFirst");
        // The English index files "..", "?" and <br> under their own signs.
        QTest::newRow("English") << englishFolder << false;
        QTest::newRow("Japanese") << japaneseFolder << true;
    }

    // Each line of the index is an entry, and an entry sorts among the words it belongs with.
    void indexEntries()
    {
        QFETCH(QString, folder);
        QFETCH(bool, wordFirst);
        const QString text = textOf(folder + u"/Index.txt"_s);
        const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
        const QList<HelpEntry> entries = HelpFiles::parseIndex(text);
        QCOMPARE(entries.size(), lines.size()); // a line whose "=" is full-width is dropped silently
        QVERIFY(entries.size() >= 30);
        QSet<QString> titles;
        for (const HelpEntry &e : entries) {
            QVERIFY2(!e.title.isEmpty() && !e.title.front().isSpace(), qPrintable(e.title));
            QVERIFY2(!titles.contains(e.title), qPrintable(e.title + u" twice"_s));
            titles << e.title;
            // The entry leads to a page that speaks of it in its words.
            const QString page = visibleText(textOf(folder + u'/' + e.page));
            for (const QString &word : wordsOf(e.title))
                QVERIFY2(page.contains(word, Qt::CaseInsensitive), qPrintable(e.title + u": "_s + word));
            if (wordFirst) {
                // Full-width Latin letters and digits would sort after every kanji.
                const QChar first = e.title.front();
                QVERIFY2(first.isLetterOrNumber() && !(first.unicode() >= 0xFF01 && first.unicode() <= 0xFF5E),
                         qPrintable(e.title));
            }
        }
    }

    void everyMessageKeyIsListed_data() { indexEntries_data(); }

    // A translator works from the language-files page: every text of [Messages] has its row there.
    void everyMessageKeyIsListed()
    {
        QFETCH(QString, folder);
        const QString page = textOf(folder + u"/languagefiles.htm"_s);
        bool inMessages = false;
        int keys = 0;
        for (const QString &line : textOf(QStringLiteral(MARROWDALE_SOURCE_DIR "/languages/English.lng")).split(u'\n')) {
            if (line.startsWith(u'['))
                inMessages = line.trimmed() == u"[Messages]"_s;
            else if (inMessages && !line.startsWith(u';') && line.contains(u'=') && ++keys)
                QVERIFY2(page.contains(u"<code>%1</code>"_s.arg(line.section(u'=', 0, 0))), qPrintable(line));
        }
        QVERIFY(keys > 50);
    }

    void helpFolderForLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("translated"); // subfolder made for the row
        QTest::addColumn<bool>("withContents");
        QTest::addColumn<QString>("expected"); // subfolder chosen, empty for the English pages
        QTest::newRow("locale with code set") << u"ja_JP.UTF-8"_s << u"ja"_s << true << u"ja"_s;
        QTest::newRow("language code") << u"ja"_s << u"ja"_s << true << u"ja"_s;
        QTest::newRow("language tag") << u"ja-JP"_s << u"ja"_s << true << u"ja"_s;
        QTest::newRow("language file name") << u"Japanese"_s << u"ja"_s << true << u"ja"_s;
        QTest::newRow("folder without contents") << u"ja_JP"_s << u"ja"_s << false << QString();
        QTest::newRow("English") << u"en_GB.UTF-8"_s << u"ja"_s << true << QString();
        QTest::newRow("no translation for the language") << u"de_DE"_s << u"ja"_s << true << QString();
        QTest::newRow("C locale") << u"C"_s << u"ja"_s << true << QString();
        QTest::newRow("none given") << QString() << u"ja"_s << true << QString();
        QTest::newRow("other translation") << u"de"_s << u"de"_s << true << u"de"_s;
    }
    void helpFolderForLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, translated);
        QFETCH(bool, withContents);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString root = dir.filePath(u"Help"_s);
        writeBytes(root + u"/Contents.txt"_s, "Introduction=introduction\n");
        writeBytes(root + u'/' + translated + u"/introduction.htm"_s, "<title>x</title>");
        if (withContents)
            writeBytes(root + u'/' + translated + u"/Contents.txt"_s, "x=introduction\n");
        QCOMPARE(AppPaths::helpFolderFor(root, language), expected.isEmpty() ? root : root + u'/' + expected);
    }

private:
    QTemporaryDir m_home;
};

QTEST_GUILESS_MAIN(TestHelpPages)
#include "tst_helppages.moc"
