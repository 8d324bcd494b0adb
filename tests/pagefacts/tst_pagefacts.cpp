#include "pagefacts.h"
#include "pagefactscache.h"
#include "testfiles.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <zlib.h>

using namespace Qt::StringLiterals;

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(PageFacts)

char *toString(const PageFacts &facts)
{
    return qstrdup((u"title \""_s + facts.title.left(60) + u"\", address \""_s + facts.address + u'"').toUtf8().constData());
}

namespace {

QByteArray utf16(const QString &text, bool bigEndian)
{
    QByteArray bytes;
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

// A PDF of one empty page list whose Info dictionary is `info`, or stands in a compressed object stream
// that inflates to `padding` bytes before it.
QByteArray pdf(const QByteArray &info, qint64 padding = 0)
{
    QByteArray out = "%PDF-1.7\n%\xe2\xe3\xcf\xd3\n";
    QList<qsizetype> offsets;
    const auto object = [&](const QByteArray &body) {
        offsets << out.size();
        out += QByteArray::number(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [] /Count 0 >>");
    if (padding == 0) {
        object(info);
        const qsizetype xref = out.size();
        out += "xref\n0 4\n0000000000 65535 f \n";
        for (const qsizetype offset : std::as_const(offsets))
            out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
        out += "trailer\n<< /Size 4 /Root 1 0 R /Info 3 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
        return out;
    }
    // A deflate stream of blanks, flushed in equal pieces so that one piece stands for them all.
    z_stream z {};
    deflateInit(&z, Z_BEST_COMPRESSION);
    const QByteArray blanks(16 << 20, ' ');
    const auto deflated = [&z](const QByteArray &in, int flush) {
        QByteArray result;
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
        z.avail_in = uInt(in.size());
        do {
            char buffer[1 << 16];
            z.next_out = reinterpret_cast<Bytef *>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, flush);
            result.append(buffer, qsizetype(sizeof buffer - z.avail_out));
        } while (z.avail_out == 0);
        return result;
    };
    const QByteArray first = deflated("4 0 " + blanks, Z_FULL_FLUSH);
    const QByteArray piece = deflated(blanks, Z_FULL_FLUSH);
    const QByteArray last = deflated(info, Z_FINISH);
    deflateEnd(&z);
    const QByteArray stream = first + piece.repeated(int(padding / blanks.size())) + last;
    object("<< /Type /ObjStm /N 1 /First 4 /Length " + QByteArray::number(stream.size())
           + " /Filter /FlateDecode >>\nstream\n" + stream + "\nendstream");
    const qsizetype xref = out.size();
    QByteArray rows;
    const auto row = [&rows](int type, quint32 field, quint16 index) {
        rows += char(type);
        for (int shift = 24; shift >= 0; shift -= 8)
            rows += char((field >> shift) & 0xFF);
        rows += char(index >> 8) + QByteArray(1, char(index & 0xFF));
    };
    row(0, 0, 65535);
    for (const qsizetype offset : std::as_const(offsets))
        row(1, quint32(offset), 0);
    row(2, 3, 0);
    row(1, quint32(xref), 0);
    out += "5 0 obj\n<< /Type /XRef /Size 6 /W [1 4 2] /Root 1 0 R /Info 4 0 R /Length "
        + QByteArray::number(rows.size()) + " >>\nstream\n" + rows + "\nendstream\nendobj\nstartxref\n"
        + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

} // namespace

// Titles and addresses as browsers and savers write them, and files that only pretend to be pages.
class TestPageFacts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsEachKind_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<PageFacts>("facts");

        const QByteArray sjis = QByteArray::fromHex("836a8385815b835891ac95f1"); // ニュース速報
        const QString news = u"ニュース速報"_s;
        QTest::newRow("UTF-8, entities, blanks")
            << u"a.html"_s << "<html><head><meta charset=\"utf-8\"><title>\n 日本語 &amp;\tmore </title>"_ba
            << PageFacts {u"日本語 & more"_s, {}};
        QTest::newRow("Shift_JIS in http-equiv")
            << u"a.htm"_s
            << "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\"><title>"_ba + sjis + "</title>"
            << PageFacts {news, {}};
        QTest::newRow("EUC-JP") << u"a.htm"_s
                                << "<meta charset=euc-jp><title>"_ba + QByteArray::fromHex("a5cba5e5a1bca5b9c2aecaf3")
                + "</title>"
                                << PageFacts {news, {}};
        QTest::newRow("ISO-2022-JP")
            << u"a.htm"_s
            << "<meta charset=\"ISO-2022-JP\"><title>"_ba + QByteArray::fromHex("1b2442254b2565213c2539422e4a731b2842")
                + "</title>"
            << PageFacts {news, {}};
        QTest::newRow("Windows-1252") << u"a.htm"_s << "<meta charset=windows-1252><title>Caf\xe9</title>"_ba
                                      << PageFacts {u"Café"_s, {}};
        QTest::newRow("UTF-16 with a mark") << u"a.htm"_s << "\xff\xfe"_ba + utf16(u"<title>日本</title>"_s, false)
                                            << PageFacts {u"日本"_s, {}};
        QTest::newRow("undeclared Shift-JIS") << u"a.htm"_s << "<title>"_ba + sjis + "</title>" << PageFacts {news, {}};
        QTest::newRow("saved complete by a browser")
            << u"index.html"_s
            << "<!DOCTYPE html>\r\n<!-- saved from url=(0035)https://www.nhk.or.jp/news/a.html -->\r\n"
               "<html><head><title>News</title>"_ba
            << PageFacts {u"News"_s, u"https://www.nhk.or.jp/news/a.html"_s};
        QTest::newRow("saved by a single-file saver")
            << u"page.html"_s
            << "<!DOCTYPE html> <html lang=en><!--\n Page saved with SingleFile \n url: https://example.org/x?y=1 \n "
               "saved date: Mon Jan 01 2024 10:00:00 GMT+0100\n--><head><title>Single</title>"_ba
            << PageFacts {u"Single"_s, u"https://example.org/x?y=1"_s};
        QTest::newRow("a comment that only mentions a url") << u"a.htm"_s
                                                             << "<!-- url: https://x.org/ --><title>T</title>"_ba
                                                             << PageFacts {u"T"_s, {}};
        // Chromium's snapshot: the subject folded into encoded words split inside a character, a punycode
        // host, the page quoted-printable without a charset of its own.
        const QByteArray mhtml = "From: <Saved by Blink>\r\nSnapshot-Content-Location: https://xn--wgv71a119e.jp/\r\n"
                                 "Subject: =?utf-8?Q?=E6=97=A5=E6=9C=AC=E8=AA?=\r\n =?utf-8?Q?=9E=E3=81=AE?=\r\n"
                                 "MIME-Version: 1.0\r\nContent-Type: multipart/related;\r\n\ttype=\"text/html\";\r\n"
                                 "\tboundary=\"----MultipartBoundary--x\"\r\n\r\n------MultipartBoundary--x\r\n"
                                 "Content-Type: text/html\r\nContent-Transfer-Encoding: quoted-printable\r\n"
                                 "Content-Location: https://xn--wgv71a119e.jp/\r\n\r\n"
                                 "<html><head><meta http-equiv=3D\"Content-Type\" content=3D\"text/html; charset=3DUT=\r\n"
                                 "F-8\"><tit=\r\nle>=E9=A0=81</title></head></html>\r\n------MultipartBoundary--x--\r\n"_ba;
        QTest::newRow("MHTML snapshot") << u"a.mhtml"_s << mhtml
                                        << PageFacts {u"日本語の"_s, u"https://xn--wgv71a119e.jp/"_s};
        QTest::newRow("MHTML without a subject: the page's title")
            << u"a.mht"_s << QByteArray(mhtml).replace("Subject:", "X-Subject:").replace("Snapshot-", "X-")
            << PageFacts {u"頁"_s, u"https://xn--wgv71a119e.jp/"_s};
        QTest::newRow("Internet shortcut") << u"a.url"_s << "[InternetShortcut]\r\nURL=https://example.com/\r\n"_ba
                                           << PageFacts {{}, u"https://example.com/"_s};
        QTest::newRow("desktop link")
            << u"a.desktop"_s << "[Desktop Entry]\nType=Link\nName=Example page\nURL=https://example.com/p\n"_ba
            << PageFacts {u"Example page"_s, u"https://example.com/p"_s};
        QTest::newRow("desktop application is no link")
            << u"a.desktop"_s << "[Desktop Entry]\nType=Application\nURL=https://example.com/p\n"_ba << PageFacts {};
        QTest::newRow("webloc")
            << u"a.webloc"_s
            << "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>URL</key><string>https://a.jp/</string></dict>"
               "</plist>"_ba
            << PageFacts {{}, u"https://a.jp/"_s};
        QTest::newRow("PDF title in UTF-16BE") << u"a.pdf"_s
                                               << pdf("<< /Title <feff" + utf16(u"資料"_s, true).toHex() + "> >>")
                                               << PageFacts {u"資料"_s, {}};
        QTest::newRow("PDF title in ASCII") << u"a.pdf"_s << pdf("<< /Title (Annual report) >>")
                                            << PageFacts {u"Annual report"_s, {}};
        // Hostile or damaged files: no title, no hang, no crash.
        QTest::newRow("binary named .htm") << u"a.htm"_s << QByteArray(300000, '\0') << PageFacts {};
        QTest::newRow("a line without end") << u"a.htm"_s << QByteArray(3 << 20, 'x') + "<title>late</title>"
                                            << PageFacts {};
        QTest::newRow("a comment without end") << u"a.htm"_s << "<!--"_ba + QByteArray(3 << 20, '-') << PageFacts {};
        QTest::newRow("a title that never ends")
            << u"a.htm"_s << "<title>"_ba + QByteArray(3 << 20, 'y') << PageFacts {QString(PageFactsReading::titleLength, u'y'), {}};
        QTest::newRow("bad bytes in the declared charset")
            << u"a.htm"_s << "<meta charset=euc-jp><title>\xff\xfe\x80</title>"_ba << PageFacts {};
        QTest::newRow("PDF that is no PDF") << u"a.pdf"_s << "%PDF-1.7 garbage"_ba << PageFacts {};
        QTest::newRow("MHTML that is no MIME") << u"a.mht"_s << QByteArray(100000, '\xff') << PageFacts {};
    }
    void readsEachKind()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(PageFacts, facts);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        writeBytes(path, bytes);
        QCOMPARE(PageFactsReading::read(path), facts);
    }

    // A compressed stream that inflates to gigabytes ends the reading of that PDF, not the program.
    void pdfBombYieldsNothingSoon()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"bomb.pdf"_s);
        writeBytes(path, pdf("<< /Title (bomb) >>", qint64(8) << 30));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(PageFactsReading::read(path), PageFacts {});
        QVERIFY2(timer.elapsed() < 8000, qPrintable(QString::number(timer.elapsed())));
    }

    // Browsers set these on a download; a page's own word comes first.
    void downloadAttributes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"download.pdf"_s), page = dir.filePath(u"page.htm"_s);
        writeBytes(path, "not a pdf");
        writeBytes(page, "<!-- saved from url=(0016)https://own.org/ --><title>P</title>");
        for (const QString &file : {path, page}) {
            if (QProcess::execute(u"setfattr"_s, {u"-n"_s, u"user.xdg.origin.url"_s, u"-v"_s,
                                                  u"https://dl.example.com/f"_s, file})
                != 0)
                QSKIP("setfattr (attr) and a file system with user attributes are needed");
        }
        QCOMPARE(PageFactsReading::read(path).address, u"https://dl.example.com/f"_s);
        QCOMPARE(PageFactsReading::read(page).address, u"https://own.org/"_s);
    }

    // Read once: the cache knows a file by its identity, learns a changed one afresh, and survives being
    // damaged, of another version or unwritable.
    void cacheReadsAPageOnce_data()
    {
        QTest::addColumn<QByteArray>("cache"); // what the cache file holds before; null: nothing
        QTest::newRow("no cache yet") << QByteArray();
        QTest::newRow("damaged cache") << QByteArray("MDPF\x00\x00\x00\x01\xff\xff\xff\xff garbage", 24);
        QTest::newRow("another version's") << QByteArray("MDPF\x00\x00\x00\x09\x00\x00\x00\x00", 12);
    }
    void cacheReadsAPageOnce()
    {
        QFETCH(QByteArray, cache);
        QTemporaryDir dir;
        const QString page = dir.filePath(u"p.htm"_s), file = dir.filePath(u"facts.cache"_s);
        writeBytes(page, "<title>one</title>");
        if (!cache.isNull())
            writeBytes(file, cache);
        {
            PageFactsCache facts(file);
            facts.prefetch({page});
            QCOMPARE(facts.factsOf(page).title, u"one"_s);
            facts.save();
        }
        // Known by its identity: the page unchanged but unreadable is still known.
        QFile::setPermissions(page, {});
        PageFactsCache again(file);
        QCOMPARE(again.factsOf(page).title, u"one"_s);
        QFile::setPermissions(page, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        writeBytes(page, "<title>two!</title>");
        QCOMPARE(again.factsOf(page).title, u"two!"_s);
        // A cache that cannot be written only stays unwritten.
        PageFactsCache unwritable(dir.filePath(u"no/such/folder/facts.cache"_s));
        QCOMPARE(unwritable.factsOf(page).title, u"two!"_s);
        unwritable.save();
    }
};

QTEST_GUILESS_MAIN(TestPageFacts)
#include "tst_pagefacts.moc"
