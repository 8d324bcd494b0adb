#include "movejournal.h"

#include "apppaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
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
    m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        m_error
            = u"The move journal \"%1\" cannot be opened: %2"_s.arg(path, QString::fromLocal8Bit(std::strerror(errno)));
}

MoveJournal::~MoveJournal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString MoveJournal::defaultPath()
{
    return AppPaths::stateFolder() + u"/journal.jsonl"_s;
}

QString MoveJournal::beginPass(const QString &what, const QString &source)
{
    const QDateTime time = QDateTime::currentDateTimeUtc();
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

QString MoveJournal::intent(const QString &kind, const QString &src, const QString &dst, const QString &tmp,
                            const QString &companionSrc, const QString &companionDst, const QString &undoes)
{
    JournalRecord record;
    record.op = u"intent"_s;
    record.pass = m_pass;
    record.id = m_pass + u'/' + QString::number(++m_counter);
    record.kind = kind;
    record.src = src;
    record.dst = dst;
    record.tmp = tmp;
    record.companionSrc = companionSrc;
    record.companionDst = companionDst;
    record.undoes = undoes;
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

void MoveJournal::append(JournalRecord record)
{
    if (m_fd < 0)
        return;
    record.time = QDateTime::currentDateTimeUtc();
    const QByteArray line = encode(record) + '\n';
    // One write: O_APPEND keeps records of several writers whole.
    const ssize_t written = ::write(m_fd, line.constData(), size_t(line.size()));
    if (written != line.size()) {
        m_error = u"The move journal \"%1\" cannot be written: %2"_s.arg(
            m_path, written < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : u"the disk is full"_s);
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
    record.reason = object.value(u"reason"_s).toString();
    return record;
}

QList<JournalRecord> MoveJournal::read(const QString &path)
{
    QList<JournalRecord> records;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return records;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty())
            continue;
        if (std::optional<JournalRecord> record = decode(line))
            records.append(*record);
    }
    return records;
}
