// Suggestions from a small hand-made archive: English, Japanese and full-width names, titles and sites;
// the index following moves made by hand; caches that cannot be used.

#include "pagefacts.h"
#include "suggester.h"

#include "testfiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray page(const QString &title, const QString &address = {})
{
    QByteArray bytes = "<!DOCTYPE html>\n";
    if (!address.isEmpty())
        bytes += "<!-- saved from url=(0040)" + address.toUtf8() + " -->\n";
    return bytes + "<html><head><meta charset=\"utf-8\"><title>" + title.toUtf8() + "</title></head></html>\n";
}

} // namespace

class TestSuggester : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString sorted() const { return m_dir.filePath(u"Sorted"_s); }
    QString source() const { return m_dir.filePath(u"Sorted/Downloads"_s); }

    Suggester::Setup setup(const QString &cache = {}) const
    {
        return {sorted(), {source()}, true, cache.isEmpty() ? m_dir.filePath(u"cache/s.index"_s) : cache};
    }

    QList<Suggestion> suggestFor(Suggester &suggester, const QString &name, const QByteArray &bytes = "page")
    {
        const QString path = source() + u'/' + name;
        writeBytes(path, bytes);
        suggester.prepare();
        return suggester.suggest(path, PageFactsReading::read(path));
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QList<std::pair<QString, QStringList>> archive {
            {u"Linux"_s, {u"Linux kernel tuning"_s, u"Debian kernel packages"_s, u"Linux kernel modules explained"_s}},
            {u"Cooking"_s, {u"Pasta recipes for beginners"_s, u"Bread baking recipes"_s, u"Quick dinner recipes"_s}},
            {u"天気"_s, {u"東京の天気予報"_s, u"大阪の天気予報"_s, u"週間天気予報"_s}},
            {u"Python"_s, {u"Python tutorial"_s, u"python packaging guide"_s, u"Python asyncio notes"_s}},
        };
        for (const auto &[folder, titles] : archive) {
            for (const QString &title : titles)
                writeBytes(sorted() + u'/' + folder + u'/' + title + u".html"_s, page(title));
        }
        // Pages of one site whose titles say nothing of it; a companion folder that is no subject.
        int n = 0;
        for (const QString &title : {u"Morning briefing"_s, u"Evening report"_s, u"Market update"_s}) {
            ++n;
            writeBytes(sorted() + u"/Site/p%1.html"_s.arg(n), page(title, u"https://news.example.org/%1"_s.arg(n)));
        }
        writeBytes(sorted() + u"/Site/p1_files/kernel recipes python.css"_s, "x");
    }

    void suggestsWhereLikePagesAre_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("folder"); // the best, empty for none
        QTest::addColumn<QString>("keyword");

        QTest::newRow("a word of the name") << u"Kernel build howto.html"_s << "page"_ba << u"Linux"_s << u"kernel"_s;
        QTest::newRow("a word of the title only") << u"index.html"_s << page(u"Chocolate cake recipes"_s)
                                                  << u"Cooking"_s << u"title:recipes"_s;
        QTest::newRow("Japanese, without spaces") << u"京都の天気予報.html"_s << "page"_ba << u"天気"_s << QString();
        QTest::newRow("full width") << u"ＰＹＴＨＯＮ入門.html"_s << "page"_ba << u"Python"_s << u"python"_s;
        QTest::newRow("the same site") << u"Untitled.html"_s << page(u"Something"_s, u"https://www.example.org/x"_s)
                                       << u"Site"_s << u"site:example.org"_s;
        QTest::newRow("nothing in common") << u"zzqx.html"_s << "page"_ba << QString() << QString();
    }

    void suggestsWhereLikePagesAre()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, folder);
        Suggester suggester(setup());
        const QList<Suggestion> suggestions = suggestFor(suggester, name, bytes);
        QCOMPARE(suggester.folderCount(), 5); // not the companion folder, not the source folder
        if (folder.isEmpty()) {
            QVERIFY(suggestions.isEmpty());
            return;
        }
        QVERIFY(!suggestions.isEmpty() && suggestions.size() <= 3);
        QCOMPARE(suggestions.first().folder, sorted() + u'/' + folder);
        QCOMPARE(suggestions.first().shortFolder, u"../"_s + folder);
        for (qsizetype i = 0; i < suggestions.size(); ++i) {
            QVERIFY(suggestions.at(i).score > 0 && suggestions.at(i).score <= 1);
            QVERIFY(i == 0 || suggestions.at(i).score <= suggestions.at(i - 1).score);
            QVERIFY(!suggestions.at(i).because.english().isEmpty());
        }
        QFETCH(QString, keyword);
        if (!keyword.isEmpty())
            QCOMPARE(suggestions.first().keyword, keyword);
        else // a two-character piece of the Japanese name
            QVERIFY2(u"京都の天気予報"_s.contains(suggestions.first().keyword), qPrintable(suggestions.first().keyword));
    }

    // Pages moved by hand are picked up at the next look, from the cache of an earlier run, and moving them
    // back (as an undo does) brings the old answer back.
    void indexFollowsMovesByHand()
    {
        const QString cache = m_dir.filePath(u"cache/moves.index"_s);
        const auto best = [&] {
            Suggester suggester(setup(cache)); // a run of its own, starting from the cache
            const QList<Suggestion> suggestions = suggestFor(suggester, u"ＰＹＴＨＯＮ入門.html"_s);
            return suggestions.isEmpty() ? QString() : suggestions.first().shortFolder;
        };
        QCOMPARE(best(), u"../Python"_s);
        QVERIFY(QFileInfo(cache).size() > 0);
        QVERIFY(QDir().mkpath(sorted() + u"/Code"_s));
        QVERIFY(QDir().rename(sorted() + u"/Python"_s, sorted() + u"/Code/Python"_s));
        QCOMPARE(best(), u"../Code/Python"_s);
        QVERIFY(QDir().rename(sorted() + u"/Code/Python"_s, sorted() + u"/Python"_s));
        QVERIFY(QDir(sorted() + u"/Code"_s).removeRecursively());
        QCOMPARE(best(), u"../Python"_s);
    }

    // Nothing changed, nothing learned or written again: not by the same suggester, not by the next run's.
    void unchangedArchiveIsNotLearntAgain()
    {
        const QString cache = m_dir.filePath(u"cache/unchanged.index"_s);
        Suggester first(setup(cache));
        first.prepare();
        const QDateTime written = QFileInfo(cache).lastModified();
        QVERIFY(written.isValid());
        QTest::qWait(20);
        first.prepare();
        Suggester next(setup(cache));
        next.prepare();
        QCOMPARE(QFileInfo(cache).lastModified(), written);
        QVERIFY(!next.suggest(source() + u"/Kernel build howto.html"_s, {}).isEmpty());
    }

    void unusableCacheIsBuiltAnew_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("cut short") << u"cut"_s;
        QTest::newRow("another version") << u"version"_s;
        QTest::newRow("not a cache") << u"garbage"_s;
        QTest::newRow("cannot be written") << u"folder"_s;
    }

    void unusableCacheIsBuiltAnew()
    {
        QFETCH(QString, damage);
        const QString cache = m_dir.filePath(u"cache/damaged-"_s + damage);
        {
            Suggester first(setup(cache));
            first.prepare();
        }
        QByteArray bytes = bytesOf(cache);
        if (damage == u"cut"_s) {
            bytes.truncate(bytes.size() / 2);
        } else if (damage == u"version"_s) {
            bytes[7] = char(99);
        } else if (damage == u"garbage"_s) {
            bytes.fill('x');
        }
        if (damage == u"folder"_s) {
            QVERIFY(QFile::remove(cache));
            QVERIFY(QDir().mkpath(cache + u"/in the way"_s));
        } else {
            writeBytes(cache, bytes);
        }
        Suggester suggester(setup(cache));
        const QList<Suggestion> suggestions = suggestFor(suggester, u"Kernel build howto.html"_s);
        QVERIFY(!suggestions.isEmpty());
        QCOMPARE(suggestions.first().shortFolder, u"../Linux"_s);
    }
};

QTEST_GUILESS_MAIN(TestSuggester)
#include "tst_suggester.moc"
