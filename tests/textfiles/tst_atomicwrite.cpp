#include "atomicwrite.h"
#include "marrowdaleerror.h"
#include "systemtest.h"
#include "testfiles.h"
#include "treesnapshot.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The system calls a write makes, as this program sees them: defined here, they stand in for the C
// library's within the test program, record what they were asked, and hand on.
namespace {
QStringList *fileCalls = nullptr;

QString pathOfDescriptor(int fd)
{
    return QFile::symLinkTarget(u"/proc/self/fd/%1"_s.arg(fd));
}

template<typename Function> Function next(const char *name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}
} // namespace

extern "C" int fsync(int fd)
{
    if (fileCalls)
        fileCalls->append(u"fsync "_s + pathOfDescriptor(fd));
    return next<int (*)(int)>("fsync")(fd);
}

extern "C" int rename(const char *from, const char *to)
{
    if (fileCalls)
        fileCalls->append(u"rename "_s + QFile::decodeName(from) + u" "_s + QFile::decodeName(to));
    return next<int (*)(const char *, const char *)>("rename")(from, to);
}

namespace {

mode_t modeOf(const QString &path)
{
    struct stat status = {};
    ::stat(QFile::encodeName(path).constData(), &status);
    return status.st_mode & 07777;
}

void setMode(const QString &path, mode_t mode)
{
    QVERIFY(::chmod(QFile::encodeName(path).constData(), mode) == 0);
}

// The write must fail, name the file and leave every file of the folder as it was.
void expectRefusal(const QString &folder, const QString &path, const QByteArray &bytes)
{
    const auto before = TreeSnapshot::of(folder);
    try {
        writeFileAtomically(path, bytes);
        QFAIL("the write was reported as done");
    } catch (const MarrowdaleError &error) {
        QVERIFY2(error.message().contains(path), qPrintable(error.message()));
    }
    COMPARE_TREES(TreeSnapshot::of(folder), before);
}

} // namespace

class TestAtomicWrite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The new bytes are on the disk before their file takes the old one's name: a crash between the two
    // would otherwise leave an empty file in place of the list.
    void syncsBeforeTheRename()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.dat"_s);
        writeBytes(path, "old");
        QStringList calls;
        fileCalls = &calls;
        writeFileAtomically(path, "new");
        fileCalls = nullptr;
        QCOMPARE(bytesOf(path), "new"_ba);
        const qsizetype renamed = calls.indexOf(QRegularExpression(u"^rename .* "_s + QRegularExpression::escape(path)));
        QVERIFY2(renamed >= 0, qPrintable(calls.join(u'\n')));
        const QString temporary = calls.at(renamed).section(u' ', 1, 1);
        QVERIFY2(calls.mid(0, renamed).contains(u"fsync "_s + temporary), qPrintable(calls.join(u'\n')));
    }

    void replacesKeepingModeAndLinks_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("throughLink");
        QTest::newRow("private file") << 0600 << false;
        QTest::newRow("group-readable file") << 0640 << false;
        QTest::newRow("symbolic link stays a link") << 0644 << true;
    }
    void replacesKeepingModeAndLinks()
    {
        QFETCH(int, mode);
        QFETCH(bool, throughLink);
        QTemporaryDir dir;
        const QString file = dir.filePath(u"Default.dat"_s);
        writeBytes(file, "old\r\n");
        setMode(file, mode_t(mode));
        QString path = file;
        if (throughLink) {
            path = dir.filePath(u"link.dat"_s);
            QVERIFY(QFile::link(file, path));
        }
        writeFileAtomically(path, "new\r\n");
        QCOMPARE(bytesOf(file), "new\r\n"_ba);
        QCOMPARE(modeOf(file), mode_t(mode));
        QCOMPARE(QFileInfo(path).isSymLink(), throughLink);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), throughLink ? 2 : 1);
    }

    void newFileFollowsTheUmask()
    {
        QTemporaryDir dir;
        const mode_t old = ::umask(027);
        const auto restore = qScopeGuard([old] { ::umask(old); });
        writeFileAtomically(dir.filePath(u"new.ini"_s), "x");
        QCOMPARE(modeOf(dir.filePath(u"new.ini"_s)), mode_t(0640));
    }

    void superuserKeepsTheOwner()
    {
        if (::geteuid() != 0)
            QSKIP("only the superuser can write another user's file");
        QTemporaryDir dir;
        const QString path = dir.filePath(u"theirs.dat"_s);
        writeBytes(path, "old");
        QVERIFY(::chown(QFile::encodeName(path).constData(), SystemTest::nobody, SystemTest::nobody) == 0);
        writeFileAtomically(path, "new");
        QCOMPARE(QFileInfo(path).ownerId(), uint(SystemTest::nobody));
        QCOMPARE(QFileInfo(path).groupId(), uint(SystemTest::nobody));
    }

    // Runs as whoever runs the tests: for the superuser it is the mode that refuses.
    void refusedWritesChangeNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("read-only file, also for the superuser") << u"list.dat"_s;
        QTest::newRow("a folder of that name") << u"folder"_s;
        QTest::newRow("folder is a regular file") << u"blocker/list.dat"_s;
        QTest::newRow("missing folder") << u"gone/list.dat"_s;
    }
    void refusedWritesChangeNothing()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        writeBytes(dir.filePath(u"list.dat"_s), "old\r\n");
        setMode(dir.filePath(u"list.dat"_s), 0444);
        writeBytes(dir.filePath(u"blocker"_s), "x");
        QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));
        expectRefusal(dir.path(), dir.filePath(name), "new\r\n");
    }

    void readOnlyFolder_data()
    {
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<bool>("written");
        QTest::newRow("writable file is written in place") << true << 0640 << true;
        QTest::newRow("read-only file") << true << 0440 << false;
        QTest::newRow("no new file") << false << 0 << false;
    }
    void readOnlyFolder()
    {
        RUN_WITHOUT_ROOT();
        QFETCH(bool, fileExists);
        QFETCH(int, fileMode);
        QFETCH(bool, written);
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"lists"_s);
        const QString path = folder + u"/Default.dat"_s;
        QVERIFY(QDir().mkpath(folder));
        if (fileExists) {
            writeBytes(path, "a longer old list\r\n");
            setMode(path, mode_t(fileMode));
        }
        setMode(folder, 0555);
        const auto restore = qScopeGuard([folder] { ::chmod(QFile::encodeName(folder).constData(), 0755); });
        if (!written) {
            expectRefusal(folder, path, "new\r\n");
            return;
        }
        writeFileAtomically(path, "new\r\n");
        QCOMPARE(bytesOf(path), "new\r\n"_ba);
        QCOMPARE(modeOf(path), mode_t(fileMode));
    }

    void fullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("newSize");
        QTest::newRow("longer content") << 20000;
        QTest::newRow("shorter content") << 10;
    }
    void fullDiskKeepsTheOldFile()
    {
        QFETCH(int, newSize);
        QTemporaryDir dir;
        const QString disk = dir.filePath(u"disk"_s);
        MOUNT_TMPFS_OR_SKIP(disk, u"64k"_s);
        const auto unmount = qScopeGuard([disk] { SystemTest::unmount(disk); });
        const QString path = disk + u"/Default.dat"_s;
        writeBytes(path, QByteArray(5000, 'o'));
        SystemTest::fillUp(disk);
        expectRefusal(disk, path, QByteArray(newSize, 'n'));
    }

    // A writable list in a read-only folder on a full disk: the write in place must not cut it short.
    void fullDiskInPlaceKeepsTheOldFile()
    {
        const QByteArray old(5000, 'o');
        const char *folderVariable = "MARROWDALE_TEST_FULL_FOLDER";
        std::unique_ptr<QTemporaryDir> dir;
        QString disk;
        auto unmount = qScopeGuard([&disk] {
            if (!disk.isEmpty())
                SystemTest::unmount(disk);
        });
        if (!SystemTest::isUnprivilegedChild()) {
            dir = std::make_unique<QTemporaryDir>();
            setMode(dir->path(), 0755);
            MOUNT_TMPFS_OR_SKIP(dir->filePath(u"disk"_s), u"64k"_s);
            disk = dir->filePath(u"disk"_s);
            writeBytes(disk + u"/Default.dat"_s, old);
            QVERIFY(
                ::chown(QFile::encodeName(disk + u"/Default.dat"_s).constData(), SystemTest::nobody, SystemTest::nobody)
                == 0);
            SystemTest::fillUp(disk);
            setMode(disk, 0755);
            qputenv(folderVariable, QFile::encodeName(disk));
        }
        RUN_WITHOUT_ROOT();
        const QString folder = QFile::decodeName(qgetenv(folderVariable));
        expectRefusal(folder, folder + u"/Default.dat"_s, QByteArray(20000, 'n'));
        QCOMPARE(bytesOf(folder + u"/Default.dat"_s), old);
    }

    // A writable list in a read-only folder whose write in place fails part way: the size limit lets the
    // room be reserved and the first bytes be written, then refuses the rest. The old bytes are put back.
    void failedWriteInPlaceRestoresTheOldFile_data()
    {
        QTest::addColumn<int>("limitAboveOld"); // the size limit, in bytes beyond the old file's size
        QTest::newRow("cut short past the old size") << 1;
        QTest::newRow("cut short at the old size") << 0;
    }
    void failedWriteInPlaceRestoresTheOldFile()
    {
        RUN_WITHOUT_ROOT();
        QFETCH(int, limitAboveOld);
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"lists"_s), path = folder + u"/Default.dat"_s;
        QByteArray old;
        for (int i = 0; i < 500; ++i)
            old += "old line " + QByteArray::number(i) + "\r\n";
        writeBytes(path, old);
        setMode(path, 0640);

        struct rlimit unlimited = {};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &unlimited) == 0);
        struct rlimit limited = unlimited;
        limited.rlim_cur = rlim_t(old.size() + limitAboveOld);
        const auto previousHandler = ::signal(SIGXFSZ, SIG_IGN);
        const auto unlimit = qScopeGuard([&] {
            ::setrlimit(RLIMIT_FSIZE, &unlimited);
            ::signal(SIGXFSZ, previousHandler);
        });
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
        // Room beyond the limit must be reservable, or the write stops before its first byte.
        {
            const int probe = ::open(QFile::encodeName(folder + u"/probe"_s).constData(),
                                     O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            QVERIFY(probe >= 0);
            const bool reserved = ::fallocate(probe, FALLOC_FL_KEEP_SIZE, 0, off_t(old.size() * 4)) == 0;
            ::close(probe);
            QVERIFY(QFile::remove(folder + u"/probe"_s));
            if (!reserved)
                QSKIP("the file system under the temporary folder does not reserve room beyond the size limit");
        }
        setMode(folder, 0555);
        const auto restore = qScopeGuard([folder] { ::chmod(QFile::encodeName(folder).constData(), 0755); });
        try {
            writeFileAtomically(path, QByteArray(old.size() * 3, 'n'));
            QFAIL("the write was reported as done");
        } catch (const MarrowdaleError &error) {
            QVERIFY2(error.message().contains(path), qPrintable(error.message()));
            QVERIFY2(error.message().contains(qt_error_string(EFBIG)), qPrintable(error.message()));
        }
        // The old bytes, though not the old time: writing in place touched the file.
        QCOMPARE(bytesOf(path), old);
        QCOMPARE(modeOf(path), mode_t(0640));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList {u"Default.dat"_s});
    }
};

QTEST_GUILESS_MAIN(TestAtomicWrite)
#include "tst_atomicwrite.moc"
