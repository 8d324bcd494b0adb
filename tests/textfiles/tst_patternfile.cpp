#include "marrowdaleerror.h"
#include "messagetable.h"
#include "patternfile.h"
#include "scriptedprompts.h"
#include "systemtest.h"
#include "testfiles.h"
#include "treesnapshot.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray shiftJisList = "\x95\x5C\x8E\xA6 -> ../\x83\x6A\x83\x85\x81\x5B\x83\x58\r\n\xFA\x5B -> ../a\r\n"_ba;

} // namespace

class TestPatternFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { useOwnProgramFolders(m_dir.path()); }

    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("onDisk");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("writtenBack");
        QTest::newRow("CR LF") << QByteArray("a -> ../A\r\nb\r\n") << u"a -> ../A\nb\n"_s
                               << QByteArray("a -> ../A\r\nb\r\n");
        QTest::newRow("LF only") << QByteArray("a\nb\n") << u"a\nb\n"_s << QByteArray("a\r\nb\r\n");
        QTest::newRow("CR only") << QByteArray("a\rb\r") << u"a\nb\n"_s << QByteArray("a\r\nb\r\n");
        QTest::newRow("CR before CR LF") << QByteArray("a\r\r\nb") << u"a\n\nb"_s << QByteArray("a\r\n\r\nb");
        QTest::newRow("last line without break") << QByteArray("a\r\nb") << u"a\nb"_s << QByteArray("a\r\nb");
        // 0x5C (a backslash in ASCII) as the second byte of a double-byte character must survive, and
        // "∵" keeps the IBM code it was written with.
        QTest::newRow("Shift-JIS written back as it was")
            << shiftJisList << u"表示 -> ../ニュース\n∵ -> ../a\n"_s << shiftJisList;
        const QByteArray utf16 = "a\0 \0-\0>\0 \0.\0.\0/\0A\0\r\0\n\0b\0\r\0\n\0"_ba;
        QTest::newRow("UTF-16 without a mark written back as it was") << utf16 << u"a -> ../A\nb\n"_s << utf16;
        QTest::newRow("UTF-16 big-endian with a mark")
            << "\xFE\xFF\0a\0\r\0\n"_ba << u"a\n"_s << "\xFE\xFF\0a\0\r\0\n"_ba;
        QTest::newRow("Shift-JIS with LF breaks")
            << "\x95\x5C\n\x8E\xA6\n"_ba << u"表\n示\n"_s << "\x95\x5C\r\n\x8E\xA6\r\n"_ba;
    }
    void roundTrip()
    {
        QFETCH(QByteArray, onDisk);
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.dat"_s);
        writeBytes(path, onDisk);
        PatternFileState state = PatternFile::read(path);
        QCOMPARE(state.savedText, text);
        PatternFile::write(path, text, state);
        QTEST(bytesOf(path), "writtenBack");
    }

    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("read-only file, also for the superuser") << u"read-only"_s;
        QTest::newRow("read-only file and folder") << u"read-only folder"_s;
        QTest::newRow("full disk") << u"full disk"_s;
    }
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(QString, fault);
        if (fault == u"read-only folder"_s)
            RUN_WITHOUT_ROOT();
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"lists"_s);
        QVERIFY(QDir().mkpath(folder));
        const auto restore = qScopeGuard([&] {
            if (fault == u"full disk"_s)
                SystemTest::unmount(folder);
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        });
        if (fault == u"full disk"_s)
            MOUNT_TMPFS_OR_SKIP(folder, u"64k"_s);
        const QString path = folder + u"/Default.dat"_s;
        writeBytes(path, shiftJisList);
        PatternFileState state = PatternFile::read(path);
        const PatternFileState loaded = state;
        if (fault == u"full disk"_s) {
            SystemTest::fillUp(folder);
        } else {
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
            if (fault == u"read-only folder"_s)
                QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        }
        const auto before = TreeSnapshot::of(folder);
        try {
            PatternFile::write(path, u"new -> ../New\n"_s + QString(4000, u'x'), state);
            QFAIL("the save was reported as done");
        } catch (const MarrowdaleError &error) {
            QVERIFY2(error.message().contains(path), qPrintable(error.message()));
        }
        COMPARE_TREES(TreeSnapshot::of(folder), before);
        QCOMPARE(state.savedText, loaded.savedText);
        QCOMPARE(state.encoding, loaded.encoding);
    }

    void isModified_data()
    {
        QTest::addColumn<std::optional<QString>>("savedText");
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("modified");
        QTest::newRow("as loaded") << std::optional(u"a\nb\n"_s) << u"a\nb\n"_s << false;
        QTest::newRow("breaks in another form") << std::optional(u"a\nb\n"_s) << u"a\r\nb\r\n"_s << false;
        QTest::newRow("edited") << std::optional(u"a\nb\n"_s) << u"a\nc\n"_s << true;
        QTest::newRow("break added") << std::optional(u"a"_s) << u"a\n"_s << true;
        QTest::newRow("emptied") << std::optional(u"a\n"_s) << QString() << true;
        QTest::newRow("unknown file, empty list") << std::optional<QString>() << QString() << false;
        QTest::newRow("unknown file, typed list") << std::optional<QString>() << u"a"_s << true;
    }
    void isModified()
    {
        QFETCH(std::optional<QString>, savedText);
        QFETCH(QString, list);
        QTEST(PatternFileState({TextEncoding(), savedText}).isModified(list), "modified");
    }

    // New List and Load with a list that cannot be written.
    void saveBeforeSwitching_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<bool>("goesOn");
        QTest::addColumn<int>("questions");
        const QString loaded = u"a -> ../A\n"_s;
        QTest::newRow("writable file is written") << true << u"b -> ../B\n"_s << QList<int>() << true << 0;
        QTest::newRow("read-only, unchanged list goes without a word") << false << loaded << QList<int>() << true << 0;
        QTest::newRow("read-only, changes discarded")
            << false << u"b\n"_s << QList<int> {UserPrompts::Yes} << true << 1;
        QTest::newRow("read-only, changes kept") << false << u"b\n"_s << QList<int> {UserPrompts::No} << false << 1;
        QTest::newRow("read-only, question closed") << false << u"b\n"_s << QList<int>() << false << 1;
    }
    void saveBeforeSwitching()
    {
        QFETCH(bool, writable);
        QFETCH(QString, list);
        QFETCH(QList<int>, answers);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Default.dat"_s);
        writeBytes(path, "a -> ../A\r\n");
        PatternFileState state = PatternFile::read(path);
        if (!writable)
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
        const auto before = TreeSnapshot::of(dir.path());
        ScriptedPrompts prompts;
        prompts.yesNoAnswers = answers;
        QTEST(PatternFile::saveBeforeSwitching(prompts, MessageTable(), path, list, state), "goesOn");
        QTEST(int(prompts.askedOf(u"askYesNo"_s).size()), "questions");
        if (writable) {
            QCOMPARE(bytesOf(path), PatternFile::normalizeBreaks(list).replace(u"\n"_s, u"\r\n"_s).toUtf8());
            QVERIFY(!state.isModified(list));
        } else {
            COMPARE_TREES(TreeSnapshot::of(dir.path()), before);
        }
        for (const QString &question : prompts.askedOf(u"askYesNo"_s)) {
            QVERIFY2(question.contains(path), qPrintable(question));
            QVERIFY2(question.endsWith(MessageTable().text(Message::DiscardChanges).arg(QString())),
                     qPrintable(question));
        }
    }

    void saveAtClose_data()
    {
        QTest::addColumn<QByteArray>("laterOnDisk"); // what another program wrote meanwhile; null: nothing
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("answer"); // to the question about the other program's change
        QTest::addColumn<QByteArray>("fileAfter"); // null: the error is raised
        const QByteArray loaded = "a -> ../A\r\n", other = "a -> ../A    << 3/9\r\n";
        QTest::newRow("written") << QByteArray() << false << u"b -> ../B\n"_s << 0 << "b -> ../B\r\n"_ba;
        QTest::newRow("changed by another program, kept")
            << other << false << u"b -> ../B\n"_s << int(UserPrompts::No) << other;
        QTest::newRow("changed by another program, replaced")
            << other << false << u"b -> ../B\n"_s << int(UserPrompts::Yes) << "b -> ../B\r\n"_ba;
        QTest::newRow("read-only, list unchanged: the program may end")
            << QByteArray() << true << u"a -> ../A\n"_s << 0 << loaded;
        QTest::newRow("read-only, list changed: error")
            << QByteArray() << true << u"b -> ../B\n"_s << 0 << QByteArray();
    }
    void saveAtClose()
    {
        QFETCH(QByteArray, laterOnDisk);
        QFETCH(bool, readOnly);
        QFETCH(QString, list);
        QFETCH(int, answer);
        QFETCH(QByteArray, fileAfter);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Default.dat"_s);
        writeBytes(path, "a -> ../A\r\n");
        PatternFileState state = PatternFile::read(path);
        if (!laterOnDisk.isNull())
            writeBytes(path, laterOnDisk);
        if (readOnly) // refused for root too: the write checks the mode itself
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
        const QByteArray before = bytesOf(path);
        ScriptedPrompts prompts;
        prompts.yesNoAnswers = {answer};
        if (fileAfter.isNull()) {
            QVERIFY_THROWS_EXCEPTION(MarrowdaleError,
                                     PatternFile::saveAtClose(prompts, MessageTable(), path, list, state));
            QCOMPARE(bytesOf(path), before);
        } else {
            PatternFile::saveAtClose(prompts, MessageTable(), path, list, state);
            QCOMPARE(bytesOf(path), fileAfter);
        }
        QCOMPARE(prompts.askedOf(u"askYesNo"_s).size(), laterOnDisk.isNull() ? 0 : 1);
    }

    // A list that could not be read at start showed an empty box, and the close wrote that over it.
    void unreadableListIsReplacedOnlyWhenAsked_data()
    {
        QTest::addColumn<bool>("atClose"); // else before New List or Load
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("replaced");
        const int yes = UserPrompts::Yes, no = UserPrompts::No;
        QTest::newRow("unreadable list overwritten at close, kept") << true << no << false;
        QTest::newRow("unreadable list overwritten at close, replaced") << true << yes << true;
        QTest::newRow("unreadable list overwritten by Load, kept") << false << no << false;
        QTest::newRow("unreadable list overwritten by Load, replaced") << false << yes << true;
    }
    void unreadableListIsReplacedOnlyWhenAsked()
    {
        RUN_WITHOUT_ROOT(); // root reads any file
        QFETCH(bool, atClose);
        QFETCH(int, answer);
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Default.dat"_s);
        writeBytes(path, "a -> ../A\r\n");
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        const auto restore
            = qScopeGuard([&] { QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner); });
        PatternFileState state; // as the start left it: nothing read
        ScriptedPrompts prompts;
        prompts.yesNoAnswers = {answer};
        const QString list = u"b -> ../B\n"_s;
        if (atClose)
            PatternFile::saveAtClose(prompts, MessageTable(), path, list, state);
        else
            QVERIFY(PatternFile::saveBeforeSwitching(prompts, MessageTable(), path, list, state));
        const QStringList asked = prompts.askedOf(u"askYesNo"_s);
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked.first().contains(u"Replace the keyword list \"%1\""_s.arg(path)), qPrintable(asked.first()));
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(bytesOf(path), replaced ? "b -> ../B\r\n"_ba : "a -> ../A\r\n"_ba);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestPatternFile)
#include "tst_patternfile.moc"
