#include "messagetable.h"
#include "movesteps.h"
#include "rawnames.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using RawNames::UndecodableName;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

void makeEntry(const QByteArray &path, bool folder)
{
    if (folder) {
        QVERIFY(::mkdir(path.constData(), 0755) == 0);
        return;
    }
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    QVERIFY(fd >= 0 && ::write(fd, path.constData(), size_t(path.size())) == path.size() && ::close(fd) == 0);
}

} // namespace

class TestRawNames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cp932Reading_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<std::optional<QString>>("reading");
        QTest::newRow("kanji") << "\x93\xfa\x96\x7b.htm"_ba << std::optional(u"日本.htm"_s);
        QTest::newRow("half-width kana") << "\xc8\xba"_ba << std::optional(u"ﾈｺ"_s);
        QTest::newRow("lead byte without its trail") << "abc\x93"_ba << std::optional<QString>();
        QTest::newRow("unmapped lead and trail") << "\x85\x40"_ba << std::optional<QString>();
        QTest::newRow("byte that is no CP932 at all") << "\xff.txt"_ba << std::optional<QString>();
        QTest::newRow("control character from a lone byte") << "a\x01"_ba << std::optional<QString>();
    }
    void cp932Reading()
    {
        QFETCH(QByteArray, name);
        QTEST(RawNames::cp932Reading(name), "reading");
    }

    void printable_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("valid parts stay text") << "\xe6\x97\xa5-\x93\xfa.htm"_ba << u"日-\\x93\\xFA.htm"_s;
        QTest::newRow("cut sequence at the end") << "a\xe6\x97"_ba << u"a\\xE6\\x97"_s;
    }
    void printable()
    {
        QFETCH(QByteArray, name);
        QTEST(RawNames::printable(name), "shown");
    }

    void findsAndRenamesEveryUndecodableName()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // Names that are not UTF-8 are beyond QDir's reach, also when the test stops early.
        const auto removeAll = qScopeGuard([&dir] { MoveSteps::removeTree(QFile::encodeName(dir.path())); });
        useOwnProgramFolders(dir.path());
        const QString folder = dir.filePath(u"in"_s);
        const QByteArray raw = QFile::encodeName(folder);
        QVERIFY(QDir().mkpath(folder));
        makeEntry(raw + "/plain.htm", false);
        makeEntry(raw + "/\xe6\x97\xa5.htm", false); // UTF-8 already
        makeEntry(raw + "/\x93\xfa\x96\x7b.htm", false);
        makeEntry(raw + "/\x93\xfa\x96\x7b_files", true);
        makeEntry(raw + "/\xff\xfe", false);
        makeEntry(raw + "/\x8e\xf0.htm", false); // reads as 酒.htm, which is taken
        makeEntry(raw + "/\x8e\xf0_files", true); // so its companion stays with it
        makeEntry(raw + "/\xe9\x85\x92.htm", false);
        // A lead byte at the end of the stem: the page has no reading, its companion alone would have one.
        makeEntry(raw + "/caf\xe9.htm", false);
        makeEntry(raw + "/caf\xe9_files", true);

        const QList<UndecodableName> names = RawNames::undecodableNames(folder);
        QCOMPARE(names,
                 (QList<UndecodableName> {{"caf\xe9.htm", std::nullopt, false},
                                          {"caf\xe9_files", std::nullopt, true},
                                          {"\x8e\xf0.htm", u"酒.htm"_s, false},
                                          {"\x8e\xf0_files", u"酒_files"_s, true},
                                          {"\x93\xfa\x96\x7b.htm", u"日本.htm"_s, false},
                                          {"\x93\xfa\x96\x7b_files", u"日本_files"_s, true},
                                          {"\xff\xfe", std::nullopt, false}}));
        const QString question = RawNames::renameQuestion(folder, names, MessageTable());
        QVERIFY(question.contains(u"holds 7 entries whose names are not UTF-8"_s));
        QVERIFY(question.contains(u"\\xFF\\xFE"_s));
        QVERIFY(question.contains(u"\\x93\\xFA\\x96{_files/  ->  日本_files"_s));

        const QStringList failures = RawNames::renameToReadings(folder, names, MessageTable());
        QCOMPARE(failures.size(), 1); // never over the file that has the name already
        QVERIFY(failures.first().startsWith(u"\"\\x8E\\xF0.htm\" cannot be renamed"_s));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
                 (QStringList {u"plain.htm"_s, u"日.htm"_s, u"日本.htm"_s, u"日本_files"_s, u"酒.htm"_s}));
        QCOMPARE(RawNames::undecodableNames(folder).size(), 5);
    }
};

QTEST_GUILESS_MAIN(TestRawNames)
#include "tst_rawnames.moc"
