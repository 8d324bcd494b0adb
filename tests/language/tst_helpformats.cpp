#include "helpfiles.h"
#include "marrowdaleerror.h"
#include "testfiles.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// "title|page|depth" per entry, joined by ";", so that rows stay one line each.
QString describe(const QList<HelpEntry> &entries)
{
    QStringList parts;
    for (const HelpEntry &e : entries)
        parts.append(u"%1|%2|%3"_s.arg(e.title, e.page).arg(e.depth));
    return parts.join(u';');
}
} // namespace

class TestHelpFormats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }

    void contents_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // "refused" when the whole file is refused
        QTest::newRow("page part loses its spaces, title keeps its blank")
            << u"Basics\n\tOptions = option dialog\nKeywords=keywords"_s
            << u"Basics||0;Options |optiondialog.htm|1;Keywords|keywords.htm|0"_s;
        QTest::newRow("indented first line is top level") << u"\t\tTop\n\tChild=c"_s << u"Top||0;Child|c.htm|1"_s;
        QTest::newRow("shallower line returns to its ancestor's level")
            << u"A\n\tB\n\t\tC=c\n\tD=d\nE"_s << u"A||0;B||1;C|c.htm|2;D|d.htm|1;E||0"_s;
        QTest::newRow("blank lines and mixed line ends")
            << u"A\r\n\r\n\tB=b\r \rC=c=x\n"_s << u"A||0;B|b.htm|1;C|c=x.htm|0"_s;
        QTest::newRow("two tabs after an unindented line") << u"Basics\n\t\tDeep=deep"_s << u"refused"_s;
        QTest::newRow("blanks count like tabs") << u"Basics\n  Deep=deep"_s << u"refused"_s;
    }
    void contents()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        if (expected == u"refused")
            QVERIFY_THROWS_EXCEPTION(MarrowdaleError, HelpFiles::parseContents(text));
        else
            QCOMPARE(describe(HelpFiles::parseContents(text)), expected);
    }

    void index_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("lines without \"=\" left out, page part loses its spaces")
            << u"C"_s << u"b=pb\nA=pa\nc\n  z=p z"_s << u"  z|pz.htm|0;A|pa.htm|0;b|pb.htm|0"_s;
        for (const QString &locale : {u"C"_s, u"en_US"_s})
            QTest::addRow("case ignored, %s", qPrintable(locale))
                << locale << u"b=1\nB=2\na=3\nA=4"_s << u"a|3.htm|0;A|4.htm|0;b|1.htm|0;B|2.htm|0"_s;
        QTest::newRow("accented letter beside its base letter")
            << u"en_US"_s << u"f=3\né=2\ne=1"_s << u"e|1.htm|0;é|2.htm|0;f|3.htm|0"_s;
    }
    void index()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        const QLocale before;
        QLocale::setDefault(QLocale(locale));
        const QString sorted = describe(HelpFiles::parseIndex(text));
        QLocale::setDefault(before);
        QTEST(sorted, "expected");
    }

    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("case-sensitive: Folder") << u"Folder"_s << u"Alpha|a.htm|0"_s;
        QTest::newRow("case-sensitive: folder, title keeps its case") << u"folder"_s << u"Beta|b.htm|0"_s;
        QTest::newRow("markup is searched, untitled page has no title") << u"title"_s << u"Alpha|a.htm|0;|c.htm|0"_s;
        QTest::newRow("empty text finds nothing") << QString() << QString();
    }
    void search()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        writeBytes(dir.filePath(u"a.htm"_s), "<html><title>Alpha</title>Folder list</html>");
        writeBytes(dir.filePath(u"b.htm"_s), "<HTML><TITLE>Beta</TITLE>the folder</HTML>");
        writeBytes(dir.filePath(u"c.htm"_s), "<html>untitled </title> page <title></html>");
        writeBytes(dir.filePath(u"notes.txt"_s), "<title>Folder folder</title>");
        QCOMPARE(describe(HelpFiles::searchPages(dir.path(), text)), expected);
    }

    void contextMap_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("context");
        QTest::addColumn<QString>("expected");
        const QByteArray map = "[ID]\r\n1=optiondialog\r\n4 = usinghelp\r\n5=\r\n";
        QTest::newRow("mapped") << map << 4 << u"usinghelp"_s;
        QTest::newRow("missing key") << map << 2 << u"introduction"_s;
        QTest::newRow("empty value opens the default page") << map << 5 << u"introduction"_s;
        QTest::newRow("no map file") << QByteArray() << 1 << u"introduction"_s;
    }
    void contextMap()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, context);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        if (!file.isEmpty())
            writeBytes(dir.filePath(u"HelpContextID.txt"_s), file);
        QCOMPARE(HelpFiles::pageForContext(dir.path(), context), expected);
    }

    void saveShownContents()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Contents.txt"_s);
        QVERIFY(!HelpFiles::writeContentsIfMissing(dir.path(), {}));
        QVERIFY(!QFile::exists(path));
        QVERIFY(HelpFiles::writeContentsIfMissing(dir.path(), {{u"Basics"_s, {}, 0}, {u"Options "_s, u"o.htm"_s, 1}}));
        // An existing table of contents is never replaced.
        QVERIFY(!HelpFiles::writeContentsIfMissing(dir.path(), {{u"Other"_s, {}, 0}}));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("Basics\r\n\tOptions \r\n"));
    }

    // The pages that ship with the program: every page named anywhere exists and has a title.
    void shippedHelp()
    {
        const QString folder = QFINDTESTDATA("../../help/Contents.txt").section(u'/', 0, -2);
        QVERIFY(!folder.isEmpty());
        QStringList pages = QDir(folder).entryList({u"*.htm"_s});
        for (const HelpEntry &e : HelpFiles::parseContents(readTextFile(folder + u"/Contents.txt"_s)))
            if (!e.page.isEmpty())
                pages << e.page;
        const QList<HelpEntry> index = HelpFiles::parseIndex(readTextFile(folder + u"/Index.txt"_s));
        QVERIFY(index.size() >= 30);
        for (const HelpEntry &e : index)
            pages << e.page;
        for (int context = 1; context <= 5; ++context)
            pages << HelpFiles::pageForContext(folder, context) + u".htm"_s;
        pages.removeDuplicates();
        for (const QString &page : std::as_const(pages)) {
            const QString path = folder + u'/' + page;
            QVERIFY2(QFile::exists(path), qPrintable(page));
            QVERIFY2(!HelpFiles::pageTitle(path).trimmed().isEmpty(), qPrintable(page));
        }
    }

private:
    QTemporaryDir m_config;
};

QTEST_GUILESS_MAIN(TestHelpFormats)
#include "tst_helpformats.moc"
