#include "folderwatch.h"

#include "classifyplan.h"
#include "fileops.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QSet>
#include <QSocketNotifier>

#include <csignal>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void addStat(QByteArray &signature, const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return;
    signature += QFile::encodeName(path) + ' ' + QByteArray::number(qint64(st.st_size)) + ' '
        + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' + QByteArray::number(qint64(st.st_mtim.tv_nsec)) + '\n';
}

// Size and modification time of the file and of everything in its companion folders: a saved page is at
// rest only when its companion folder is complete as well.
QByteArray signatureOf(const QString &file, const QSet<QString> &folders)
{
    QByteArray signature;
    addStat(signature, file);
    for (const QString &suffix : {u"_files"_s, u".files"_s}) {
        const QString companion = FileOps::companionPath(file, suffix);
        if (!folders.contains(companion))
            continue;
        addStat(signature, companion);
        QDirIterator it(companion, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            addStat(signature, it.next());
    }
    return signature;
}

// Browsers write a download under such a name and give it its own only once it is complete, however
// long it stalls meanwhile.
bool isDownloadInProgress(const QString &path)
{
    return path.endsWith(u".part"_s) || path.endsWith(u".crdownload"_s);
}

int signalSockets[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
}

} // namespace

FolderWatch::FolderWatch(const QString &folder, int settleMilliseconds, Handler handler, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_settle(settleMilliseconds)
    , m_handler(std::move(handler))
{
    connect(&m_timer, &QTimer::timeout, this, &FolderWatch::look);
}

void FolderWatch::start(int interval)
{
    m_clock.start();
    m_timer.start(interval);
    look();
}

void FolderWatch::look()
{
    const qint64 now = m_clock.elapsed();
    const SourceFolder listing = listSourceFolder(m_folder);
    const QStringList &files = listing.files;
    QStringList ready;
    for (const QString &path : files) {
        if (isDownloadInProgress(path))
            continue;
        const QByteArray signature = signatureOf(FileOps::reduceRootJoin(path), listing.folders);
        const auto handed = m_handedOn.constFind(path);
        if (handed != m_handedOn.cend()) {
            if (*handed == signature)
                continue;
            m_handedOn.remove(path);
        }
        const auto seen = m_seen.find(path);
        if (seen == m_seen.end() || seen->signature != signature)
            m_seen.insert(path, Seen {signature, now});
        else if (now - seen->since >= m_settle)
            ready.append(path);
    }

    const QSet<QString> present(files.cbegin(), files.cend());
    m_seen.removeIf([&present](const auto &entry) { return !present.contains(entry.key()); });
    m_handedOn.removeIf([&present](const auto &entry) { return !present.contains(entry.key()); });
    if (ready.isEmpty())
        return;
    for (const QString &path : std::as_const(ready))
        m_handedOn.insert(path, m_seen.take(path).signature);
    m_handler(ready, listing.folders);
}

QuitOnSignals::QuitOnSignals(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0)
        return;
    m_notifier = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(signalSockets[1], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

QuitOnSignals::~QuitOnSignals()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    delete m_notifier;
    for (int &socket : signalSockets) {
        if (socket >= 0)
            ::close(socket);
        socket = -1;
    }
}
