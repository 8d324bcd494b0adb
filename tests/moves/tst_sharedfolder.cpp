#include "fileops.h"
#include "folderhandle.h"
#include "mainview.h"
#include "messagetable.h"
#include "movesteps.h"
#include "scriptedprompts.h"
#include "systemtest.h"
#include "testfiles.h"
#include "treesnapshot.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Another user who may write the shared source folder; the one who files is the test itself, or "nobody"
// where the user's own rights matter.
constexpr uid_t attacker = 4242;

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

void giveTo(const QString &path, uid_t owner, mode_t mode)
{
    QVERIFY(::lchown(encoded(path).constData(), owner, owner) == 0);
    if (mode != 0)
        QVERIFY(::chmod(encoded(path).constData(), mode) == 0);
}

struct Logged : QuietView
{
    QStringList lines;
    void appendMove(const LoggedMove &move) override { lines << move.line; }
};

} // namespace

// Filing from a folder that others can write: nothing another user puts there or swaps in may make the
// program act on the user's own files or with the user's rights.
class TestSharedFolder : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_mounts;
    QString m_shared, m_private;
    MessageTable m_messages;

    QString path(const QString &relative) const { return m_dir->filePath(relative); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        useOwnProgramFolders(m_dir->path());
        m_shared = path(u"shared"_s);
        m_private = path(u"private"_s);
        QVERIFY(QDir().mkpath(m_shared) && QDir().mkpath(m_private));
        put(m_private + u"/notes.txt"_s, "mine");
    }
    void cleanup()
    {
        MoveSteps::setCheckedObserver({});
        for (const QString &mount : std::as_const(m_mounts))
            SystemTest::unmount(mount);
        m_mounts.clear();
        m_dir.reset();
    }

    // Swapped between the look and the use: the companion folder for a link to the user's private folder,
    // a folder inside it the same way, the page for a pipe that would never be read to its end.
    void swappedEntriesAreLeftAlone_data()
    {
        QTest::addColumn<QString>("swapped"); // below the shared folder
        QTest::addColumn<QString>("by"); // "link" to the private folder, or "pipe"
        QTest::newRow("companion folder swapped for a link") << u"page_files"_s << u"link"_s;
        QTest::newRow("folder in the companion swapped for a link") << u"page_files/sub"_s << u"link"_s;
        QTest::newRow("page swapped for a pipe") << u"page.htm"_s << u"pipe"_s;
    }
    void swappedEntriesAreLeftAlone()
    {
        QFETCH(QString, swapped);
        QFETCH(QString, by);
        const QString other = path(u"other"_s);
        MOUNT_TMPFS_OR_SKIP(other, u"16m"_s);
        m_mounts << other;
        put(m_shared + u"/page.htm"_s, "page");
        put(m_shared + u"/page_files/sub/a.css"_s, "css");
        const QString entry = m_shared + u'/' + swapped;
        const QString planted = entry + u".planted"_s;
        if (by == u"link"_s)
            QVERIFY(QFile::link(m_private, planted));
        else
            QVERIFY(::mkfifo(encoded(planted).constData(), 0666) == 0);
        giveTo(planted, attacker, 0);
        MoveSteps::setCheckedObserver([&](const QByteArray &checked) {
            if (checked == encoded(entry)) {
                QVERIFY(QFile::rename(entry, entry + u".away"_s));
                QVERIFY(QFile::rename(planted, entry));
            }
        });
        const auto privateBefore = TreeSnapshot::of(m_private);
        ::alarm(60); // a pipe waited on would hang the move: the test ends instead
        ScriptedPrompts prompts;
        Logged view;
        QVERIFY(moveWithCompanions(m_shared + u"/page.htm"_s, other, QString(), {prompts, m_messages, view}));
        ::alarm(0);
        COMPARE_TREES(TreeSnapshot::of(m_private), privateBefore);
        QVERIFY(!exists(other + u"/notes.txt"_s) && !exists(other + u"/page_files/notes.txt"_s)
                && !exists(other + u"/page_files/sub/notes.txt"_s));
        QCOMPARE(TreeSnapshot::leftovers(TreeSnapshot::of(other)), QList<QByteArray>());
        // What was swapped stays, and is told.
        const QString told = (prompts.askedOf(u"msgBox"_s) + prompts.askedOf(u"notify"_s)).join(u'\n');
        QVERIFY2(told.contains(MoveSteps::errorText(MoveSteps::replacedMeanwhile))
                     || told.contains(m_messages.text(15)),
                 qPrintable(told));
    }

    // Another user's set-user-ID program, filed across file systems, must not become the user's own.
    void copiesOfOthersFilesGiveNoRights_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("copied"); // the copy's mode
        QTest::newRow("set-user-ID") << 04755 << 0755;
        QTest::newRow("set-group-ID") << 02755 << 0755;
        QTest::newRow("writable by everyone") << 0777 << 0755;
    }
    void copiesOfOthersFilesGiveNoRights()
    {
        QFETCH(int, mode);
        if (!SystemTest::isUnprivilegedChild()) {
            const QString other = path(u"other"_s);
            MOUNT_TMPFS_OR_SKIP(other, u"16m"_s);
            m_mounts << other;
            QVERIFY(::chmod(encoded(m_dir->path()).constData(), 0755) == 0);
            QVERIFY(::chmod(encoded(other).constData(), 01777) == 0);
            QVERIFY(::chmod(encoded(m_shared).constData(), 0777) == 0);
            put(m_shared + u"/tool.htm"_s, "#!/bin/sh\n");
            giveTo(m_shared + u"/tool.htm"_s, attacker, mode_t(mode));
            // user::rwx user:4242:rwx group::r-x mask::rwx other::r-x: a named entry for the attacker
            const QByteArray list("\x02\0\0\0\x01\0\x07\0\xff\xff\xff\xff\x02\0\x07\0\x92\x10\0\0"
                                  "\x04\0\x05\0\xff\xff\xff\xff\x10\0\x07\0\xff\xff\xff\xff\x20\0\x05\0\xff\xff\xff\xff",
                                  44);
            ::setxattr(encoded(m_shared + u"/tool.htm"_s).constData(), "system.posix_acl_access", list.constData(),
                       size_t(list.size()), 0);
            qputenv("MARROWDALE_TEST_OTHER_FS", encoded(other));
            qputenv("MARROWDALE_TEST_SHARED", encoded(m_shared));
        }
        RUN_WITHOUT_ROOT();
        const QString shared = qEnvironmentVariable("MARROWDALE_TEST_SHARED");
        const QString other = qEnvironmentVariable("MARROWDALE_TEST_OTHER_FS") + u"/u%1"_s.arg(::getpid());
        ScriptedPrompts prompts;
        Logged view;
        QVERIFY(moveWithCompanions(shared + u"/tool.htm"_s, other, QString(), {prompts, m_messages, view}));
        struct stat st;
        QVERIFY(::lstat(encoded(other + u"/tool.htm"_s).constData(), &st) == 0);
        QCOMPARE(st.st_uid, ::geteuid());
        QTEST(int(st.st_mode & 07777), "copied");
        QByteArray list(256, '\0');
        const ssize_t size = ::getxattr(encoded(other + u"/tool.htm"_s).constData(), "system.posix_acl_access",
                                        list.data(), size_t(list.size()));
        for (qsizetype at = 4; size > 0 && at + 8 <= size; at += 8)
            QVERIFY2(list[at] != 0x02 && list[at] != 0x08, "a named entry of the list stayed");
    }

    // A destination folder planted as a link in a shared parent folder leads into its maker's folder.
    void foreignLinksAreNotFollowed_data()
    {
        QTest::addColumn<uid_t>("owner"); // of the link
        QTest::addColumn<bool>("followed");
        QTest::newRow("another user's link") << attacker << false;
        QTest::newRow("the user's own link") << ::geteuid() << true;
    }
    void foreignLinksAreNotFollowed()
    {
        QFETCH(uid_t, owner);
        QFETCH(bool, followed);
        const QString root = path(u"Sorted"_s), inbox = path(u"elsewhere"_s);
        QVERIFY(QDir().mkpath(root) && QDir().mkpath(inbox));
        QVERIFY(QFile::link(inbox, root + u"/News"_s));
        giveTo(root + u"/News"_s, owner, 0);
        put(m_shared + u"/news.htm"_s, "news");
        ScriptedPrompts prompts;
        Logged view;
        MoveOutcome outcome = MoveOutcome::Moved;
        QVERIFY(moveWithCompanions(m_shared + u"/news.htm"_s, root + u"/News"_s, root, {prompts, m_messages, view},
                                   nullptr, &outcome));
        QCOMPARE(outcome, followed ? MoveOutcome::Moved : MoveOutcome::Failed);
        QCOMPARE(exists(inbox + u"/news.htm"_s), followed);
        QCOMPARE(exists(m_shared + u"/news.htm"_s), !followed);
        const QStringList told = prompts.askedOf(u"msgBox"_s);
        QCOMPARE(told.size(), followed ? 0 : 1);
        if (!followed)
            QVERIFY2(told.first().contains(root + u"/News"_s), qPrintable(told.first()));
        // Making the folder goes no other way.
        QCOMPARE(FileOps::createFolderPath(root + u"/News/Daily"_s), followed);
        QCOMPARE(exists(inbox + u"/Daily"_s), followed);
    }

private:
    static void put(const QString &file, const QByteArray &content) { writeBytes(file, content); }
    static bool exists(const QString &path) { return MoveSteps::exists(path); }
};

QTEST_GUILESS_MAIN(TestSharedFolder)
#include "tst_sharedfolder.moc"
