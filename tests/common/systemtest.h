#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QTest>

#include <unistd.h>

// Tests that need the system's help: cases that must run without the superuser's powers (root
// writes read-only files) and small file systems of their own (full disks, moves across file
// systems). CI runs as root, so both are real there; elsewhere the cases say why they skip.

namespace SystemTest {

inline constexpr const char *childVariable = "MARROWDALE_TEST_UNPRIVILEGED";
inline constexpr int nobody = 65534;

/// True inside the child that runUnprivileged() started.
inline bool isUnprivilegedChild()
{
    return qEnvironmentVariableIsSet(childVariable);
}

/// Runs the current test function (and data row) again in a child of this test program under the
/// user "nobody", and fails the test when the child fails. Use through RUN_WITHOUT_ROOT().
inline void runInUnprivilegedChild()
{
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        QSKIP("setpriv (util-linux) is needed to drop the superuser's privileges");
    QString function = QString::fromLatin1(QTest::currentTestFunction());
    if (const char *tag = QTest::currentDataTag(); tag && *tag)
        function += u':' + QString::fromUtf8(tag);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(childVariable), QStringLiteral("1"));
    environment.insert(QStringLiteral("HOME"), QDir::tempPath());
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setWorkingDirectory(QDir::tempPath());
    child.start(setpriv,
                {QStringLiteral("--reuid=%1").arg(nobody), QStringLiteral("--regid=%1").arg(nobody),
                 QStringLiteral("--clear-groups"), QStringLiteral("--"), QCoreApplication::applicationFilePath(),
                 function});
    QVERIFY2(child.waitForStarted(), "the unprivileged child did not start");
    QVERIFY2(child.waitForFinished(120000), "the unprivileged child did not finish");
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
    // A child that skipped would pass silently; say so here too.
    if (output.contains("SKIP   :"))
        QSKIP(output.constData());
}

/// Mounts a tmpfs of `size` (as mount(8) reads it: "64k", "4m") at `folder`, creating the folder.
/// True when mounted; the caller unmounts it with unmount().
inline bool mountTmpfs(const QString &folder, const QString &size)
{
    if (::geteuid() != 0)
        return false;
    QDir().mkpath(folder);
    return QProcess::execute(QStringLiteral("mount"),
                             {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                              QStringLiteral("mode=0755,size=") + size, QStringLiteral("tmpfs"), folder})
        == 0;
}

inline void unmount(const QString &folder)
{
    QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), folder});
}

/// Fills the file system that holds `folder` until it has no room left.
inline void fillUp(const QString &folder)
{
    QFile filler(folder + QStringLiteral("/.filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size() && filler.flush()) { }
    // The last partial block: byte by byte until nothing more fits.
    while (filler.write("f", 1) == 1 && filler.flush()) { }
}

} // namespace SystemTest

/// Runs the rest of the current test function without root: directly when the test does not run as
/// root, otherwise in a child under the user "nobody" whose result becomes this test's result. The
/// function must create everything it needs itself (its own temporary folder under /tmp).
#define RUN_WITHOUT_ROOT()                                                                                             \
    do {                                                                                                               \
        if (::geteuid() == 0 && !SystemTest::isUnprivilegedChild()) {                                                  \
            SystemTest::runInUnprivilegedChild();                                                                      \
            return;                                                                                                    \
        }                                                                                                              \
    } while (false)

/// Mounts a scratch tmpfs or skips the test with the reason.
#define MOUNT_TMPFS_OR_SKIP(folder, size)                                                                              \
    do {                                                                                                               \
        if (!SystemTest::mountTmpfs((folder), (size)))                                                                 \
            QSKIP("a file system of its own needs the superuser and tmpfs");                                           \
    } while (false)
