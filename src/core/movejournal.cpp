#include "movejournal.h"

#include "apppaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void put(QJsonObject &object, const QString &key, const QString &value)
{
    if (!value.isEmpty())
        object.insert(key, value);
}

} // namespace

MoveJournal::MoveJournal(const QString &path)
    : m_path(path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        m_error = ProgramText(Message::JournalNotOpened, {path, QString::fromLocal8Bit(std::strerror(errno))});
    // A record torn by a crash must not swallow the next one: it gets its line end now.
    char last = '\n';
    if (m_fd >= 0 && size() > 0 && ::pread(m_fd, &last, 1, size() - 1) == 1 && last != '\n'
        && ::write(m_fd, "\n", 1) != 1) {
        m_error = ProgramText(Message::JournalNotWritten, {path});
    }
    m_lockFd = ::open(QFile::encodeName(path + u".lock"_s).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

MoveJournal::~MoveJournal()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_lockFd >= 0)
        ::close(m_lockFd); // lets go of the lock too
}

QString MoveJournal::defaultPath()
{
    return AppPaths::stateFolder() + u"/journal.jsonl"_s;
}

QString MoveJournal::beginPass(const QString &what, const QString &source)
{
    if (m_lock == Lock::None && m_lockFd >= 0) {
        int locked = 0;
        do
            locked = ::flock(m_lockFd, LOCK_SH);
        while (locked != 0 && errno == EINTR);
        if (locked == 0)
            m_lock = Lock::Shared;
    }
    // Two passes of one program within one millisecond still get ids of their own.
    QDateTime time = QDateTime::currentDateTimeUtc();
    if (m_lastPassTime.isValid() && time <= m_lastPassTime)
        time = m_lastPassTime.addMSecs(1);
    m_lastPassTime = time;
    m_pass = time.toString(u"yyyyMMdd'T'HHmmss.zzz'Z'"_s) + u'-' + QString::number(::getpid());
    m_counter = 0;
    JournalRecord record;
    record.op = u"pass"_s;
    record.pass = m_pass;
    record.what = what;
    record.source = source;
    record.pid = ::getpid();
    append(record);
    return m_pass;
}

void MoveJournal::endPass()
{
    if (m_lock == Lock::Shared) {
        ::flock(m_lockFd, LOCK_UN);
        m_lock = Lock::None;
    }
    m_pass.clear();
}

QString MoveJournal::intent(const QString &kind, const QString &src, const QString &dst, const QString &tmp,
                            const QString &companionSrc, const QString &companionDst, const QString &undoes)
{
    JournalRecord record;
    record.kind = kind;
    record.src = src;
    record.dst = dst;
    record.tmp = tmp;
    record.companionSrc = companionSrc;
    record.companionDst = companionDst;
    record.undoes = undoes;
    return intent(std::move(record));
}

QString MoveJournal::intent(JournalRecord record)
{
    record.op = u"intent"_s;
    record.pass = m_pass;
    record.id = m_pass + u'/' + QString::number(++m_counter);
    append(record);
    return record.id;
}

void MoveJournal::done(const QString &id)
{
    JournalRecord record;
    record.op = u"done"_s;
    record.id = id;
    append(record);
}

void MoveJournal::failed(const QString &id, const QString &reason)
{
    JournalRecord record;
    record.op = u"failed"_s;
    record.id = id;
    record.reason = reason;
    append(record);
}

void MoveJournal::sync()
{
    if (m_fd >= 0)
        ::fdatasync(m_fd);
}

bool MoveJournal::tryLockExclusive()
{
    if (m_lockFd < 0 || ::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0)
        return false;
    m_lock = Lock::Exclusive;
    return true;
}

qint64 MoveJournal::settledUpTo() const
{
    char text[32] = {};
    const ssize_t got = m_lockFd < 0 ? -1 : ::pread(m_lockFd, text, sizeof text - 1, 0);
    bool ok = false;
    const qint64 offset = got > 0 ? QByteArray(text, got).trimmed().toLongLong(&ok) : 0;
    // A number torn by a crash, or a journal that was cut short or replaced, means reading it all.
    return ok && offset >= 0 && offset <= size() ? offset : 0;
}

void MoveJournal::setSettledUpTo(qint64 offset)
{
    if (m_lockFd < 0)
        return;
    const QByteArray text = QByteArray::number(offset) + '\n';
    if (::ftruncate(m_lockFd, 0) == 0 && ::pwrite(m_lockFd, text.constData(), size_t(text.size()), 0) == text.size())
        ::fdatasync(m_lockFd);
}

qint64 MoveJournal::size() const
{
    struct stat st;
    return m_fd >= 0 && ::fstat(m_fd, &st) == 0 ? qint64(st.st_size) : 0;
}

void MoveJournal::append(JournalRecord record)
{
    if (m_fd < 0)
        return;
    record.time = QDateTime::currentDateTimeUtc();
    const QByteArray line = encode(record) + '\n';
    // One write: O_APPEND keeps records of several writers whole.
    const ssize_t written = ::write(m_fd, line.constData(), size_t(line.size()));
    if (written != line.size()) {
        m_error = ProgramText(Message::JournalWriteFailed,
                              {m_path,
                               written < 0 ? ProgramText(QString::fromLocal8Bit(std::strerror(errno)))
                                           : ProgramText(Message::ReasonDiskFull)});
    }
}

QByteArray MoveJournal::encode(const JournalRecord &record)
{
    QJsonObject object;
    object.insert(u"op"_s, record.op);
    object.insert(
        u"time"_s,
        (record.time.isValid() ? record.time : QDateTime::currentDateTimeUtc()).toUTC().toString(Qt::ISODateWithMs));
    put(object, u"pass"_s, record.pass);
    put(object, u"id"_s, record.id);
    put(object, u"what"_s, record.what);
    if (record.op == u"pass"_s)
        object.insert(u"source"_s, record.source);
    if (record.pid != 0)
        object.insert(u"pid"_s, record.pid);
    put(object, u"kind"_s, record.kind);
    put(object, u"src"_s, record.src);
    put(object, u"dst"_s, record.dst);
    put(object, u"tmp"_s, record.tmp);
    if (!record.companionSrc.isEmpty() || !record.companionDst.isEmpty())
        object.insert(u"companion"_s, QJsonObject {{u"src"_s, record.companionSrc}, {u"dst"_s, record.companionDst}});
    put(object, u"undoes"_s, record.undoes);
    put(object, u"page"_s, record.page);
    if (record.merge)
        object.insert(u"merge"_s, true);
    put(object, u"reason"_s, record.reason);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<JournalRecord> MoveJournal::decode(const QByteArray &line)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    JournalRecord record;
    record.op = object.value(u"op"_s).toString();
    if (record.op.isEmpty())
        return std::nullopt;
    record.time = QDateTime::fromString(object.value(u"time"_s).toString(), Qt::ISODateWithMs);
    record.pass = object.value(u"pass"_s).toString();
    record.id = object.value(u"id"_s).toString();
    record.what = object.value(u"what"_s).toString();
    record.source = object.value(u"source"_s).toString();
    record.pid = object.value(u"pid"_s).toInteger();
    record.kind = object.value(u"kind"_s).toString();
    record.src = object.value(u"src"_s).toString();
    record.dst = object.value(u"dst"_s).toString();
    record.tmp = object.value(u"tmp"_s).toString();
    const QJsonObject companion = object.value(u"companion"_s).toObject();
    record.companionSrc = companion.value(u"src"_s).toString();
    record.companionDst = companion.value(u"dst"_s).toString();
    record.undoes = object.value(u"undoes"_s).toString();
    record.page = object.value(u"page"_s).toString();
    record.merge = object.value(u"merge"_s).toBool();
    record.reason = object.value(u"reason"_s).toString();
    return record;
}

QList<JournalRecord> MoveJournal::read(const QString &path, qint64 from, qint64 *end)
{
    QList<JournalRecord> records;
    if (end)
        *end = from;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from))
        return records;
    while (!file.atEnd()) {
        const QByteArray raw = file.readLine();
        if (!raw.endsWith('\n'))
            break; // a record still being written, or torn by a crash
        if (end)
            *end += raw.size();
        const QByteArray line = raw.trimmed();
        if (line.isEmpty())
            continue;
        if (std::optional<JournalRecord> record = decode(line))
            records.append(*record);
    }
    return records;
}
