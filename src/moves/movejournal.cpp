#include "movejournal.h"

#include "apppaths.h"
#include "movesteps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringBuilder>

#include <algorithm>
#include <optional>
#include <cerrno>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// One record's line added to `bytes`, written into room reserved for the longest it can be: a pass writes
// two records a file, and building them piece by piece cost more than the moves themselves.
class RecordLine
{
public:
    RecordLine(QByteArray &bytes, qsizetype room)
        : m_bytes(bytes)
    {
        const qsizetype start = bytes.size();
        bytes.resize(start + room);
        m_out = bytes.data() + start;
    }

    /// The room a string takes at most: an escape of six bytes for every unit, and the quotes.
    static qsizetype room(const QString &text) { return 6 * text.size() + 2; }

    void put(std::string_view text) { m_out = std::copy(text.cbegin(), text.cend(), m_out); }
    void put(char c) { *m_out++ = c; }

    /// A JSON string of UTF-8 text: only the quote, the backslash and control characters need escapes.
    void putString(const QString &text)
    {
        put('"');
        const char16_t *units = reinterpret_cast<const char16_t *>(text.constData());
        const qsizetype size = text.size();
        // Most texts are paths of plain ASCII: copied as they are while told to be, in one pass without a
        // branch per unit (and written so), so that the compiler takes eight units at once. The room is
        // there; what was copied stands only when no unit needed more.
        char16_t special = 0;
        char *out = m_out;
        for (qsizetype i = 0; i < size; ++i) {
            const char16_t u = units[i];
            special |= char16_t(u < 0x20) | char16_t(u >= 0x80) | char16_t(u == u'"') | char16_t(u == u'\\');
            out[i] = char(u);
        }
        if (special == 0) {
            m_out = out + size;
        } else {
            for (qsizetype i = 0; i < size; ++i) {
                if (units[i] >= 0x80) {
                    // The rest goes through Qt's encoder. No pair of surrogates is cut, as all before it
                    // are ASCII.
                    putUtf8(QStringView(text).sliced(i).toUtf8());
                    break;
                }
                putByte(char(units[i]));
            }
        }
        put('"');
    }

    /// "2026-12-07T10:14:59.123Z"; the part up to the second changes once a second, so it is kept.
    void putTime(qint64 msecsSinceEpoch)
    {
        thread_local qint64 cachedSecond = -1;
        thread_local QByteArray cachedPrefix;
        const qint64 second = msecsSinceEpoch / 1000;
        if (second != cachedSecond) {
            cachedSecond = second;
            cachedPrefix
                = QDateTime::fromSecsSinceEpoch(second, Qt::UTC).toString(u"yyyy-MM-dd'T'HH:mm:ss."_s).toLatin1();
        }
        put(std::string_view(cachedPrefix.constData(), size_t(cachedPrefix.size())));
        const int ms = int(msecsSinceEpoch % 1000);
        put(char('0' + ms / 100));
        put(char('0' + ms / 10 % 10));
        put(char('0' + ms % 10));
        put('Z');
    }

    /// Gives back the room left over.
    void finish() { m_bytes.truncate(m_out - m_bytes.constData()); }

private:
    void putByte(char c)
    {
        static constexpr char hex[] = "0123456789abcdef";
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            put('\\');
            put(c);
        } else if (byte < 0x20) {
            put("\\u00");
            put(hex[byte >> 4]);
            put(hex[byte & 15]);
        } else {
            put(c);
        }
    }

    void putUtf8(const QByteArray &utf8)
    {
        for (const char c : utf8)
            putByte(c);
    }

    QByteArray &m_bytes;
    char *m_out;
};

// Why an entry the journal is kept in could be changed behind the program's back (so that someone else
// could make it undo, settle or remove things); nothing when it is the user's alone.
std::optional<ProgramText> unsafe(const struct stat &st)
{
    if (S_ISLNK(st.st_mode))
        return ProgramText(Message::ReasonIsLink);
    if (st.st_uid != ::geteuid())
        return ProgramText(Message::ReasonOtherOwner);
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return ProgramText(Message::ReasonOthersWrite);
    return std::nullopt;
}

} // namespace

MoveJournal::MoveJournal(const QString &path)
    : m_path(path)
{
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    // The journal's own folder is the user's alone from the start.
    QDir().mkpath(QFileInfo(folder).absolutePath());
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    // Neither the folder nor the files in it may be links or another's: they are opened without following
    // links, and checked once open.
    const auto refuse = [&](const QString &what, const ProgramText &why) {
        m_reason = ProgramText(u"%1: %2"_s.arg(what, why.english()));
        m_error = ProgramText(Message::JournalNotSafe, {path, ProgramText(what + u": "_s + why.english())});
    };
    const auto openChecked = [&](const QString &name, int flags) {
        const int fd = ::openat(dir, QFile::encodeName(name).constData(), flags | O_NOFOLLOW | O_CLOEXEC, 0600);
        struct stat st;
        if (fd < 0 || ::fstat(fd, &st) != 0) {
            const int error = errno;
            if (error == ELOOP)
                refuse(info.dir().filePath(name), Message::ReasonIsLink);
            else if (m_reason.english().isEmpty()) {
                m_reason = MoveSteps::errorText(error);
                m_error = ProgramText(Message::JournalNotOpened, {path, m_reason});
            }
            if (fd >= 0)
                ::close(fd);
            return -1;
        }
        if (const std::optional<ProgramText> why = !S_ISREG(st.st_mode) ? ProgramText(Message::ReasonNotRegularFile)
                                                                        : unsafe(st)) {
            refuse(info.dir().filePath(name), *why);
            ::close(fd);
            return -1;
        }
        return fd;
    };
    struct stat folderStatus;
    if (dir < 0) {
        const int error = errno;
        if (error == ELOOP || error == ENOTDIR) {
            refuse(folder, Message::ReasonIsLink);
        } else {
            m_reason = MoveSteps::errorText(error);
            m_error = ProgramText(Message::JournalNotOpened, {path, m_reason});
        }
    } else if (::fstat(dir, &folderStatus) != 0 || unsafe(folderStatus)) {
        refuse(folder, unsafe(folderStatus).value_or(ProgramText(MoveSteps::errorText(errno))));
    } else {
        m_fd = openChecked(info.fileName(), O_RDWR | O_APPEND | O_CREAT);
        if (m_fd >= 0) {
            m_lockFd = openChecked(info.fileName() + u".lock"_s, O_RDWR | O_CREAT);
            if (m_lockFd < 0) {
                ::close(m_fd);
                m_fd = -1;
            }
        }
    }
    if (dir >= 0)
        ::close(dir);
    // A record torn by a crash must not swallow the next one: it gets its line end now.
    char last = '\n';
    if (m_fd >= 0 && size() > 0 && ::pread(m_fd, &last, 1, size() - 1) == 1 && last != '\n'
        && ::write(m_fd, "\n", 1) != 1) {
        m_error = ProgramText(Message::JournalNotWritten, {path});
        m_lineOpen = true;
    }
}

MoveJournal::~MoveJournal()
{
    flush();
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
    m_passWriteError.reset();
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
    flush();
    if (m_lock == Lock::Shared) {
        ::flock(m_lockFd, LOCK_UN);
        m_lock = Lock::None;
    }
    m_pass.clear();
}

QString MoveJournal::intent(JournalRecord record)
{
    record.op = u"intent"_s;
    record.pass = m_pass;
    record.id = m_pass % u'/' % QString::number(++m_counter); // one allocation: a pass records every move
    append(record);
    return record.id;
}

void MoveJournal::done(const QString &id, const QString &made)
{
    JournalRecord record;
    record.op = u"done"_s;
    record.id = id;
    record.made = made;
    // Goes out with the next record: a crash that loses it leaves an intent whose move is found complete
    // on disk, which the next start settles as done. Half the writes of a pass.
    appendLine(m_pending, record, QDateTime::currentMSecsSinceEpoch());
    if (m_pending.size() > 65536)
        flush();
}

void MoveJournal::flush()
{
    if (!m_pending.isEmpty())
        writePending();
}

void MoveJournal::failed(const QString &id, const QString &reason)
{
    JournalRecord record;
    record.op = u"failed"_s;
    record.id = id;
    record.reason = reason;
    append(record);
}

bool MoveJournal::writable()
{
    if (m_lineOpen)
        writePending();
    return isOpen() && !m_lineOpen;
}

void MoveJournal::sync()
{
    flush();
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

void MoveJournal::append(const JournalRecord &record)
{
    if (m_fd < 0)
        return;
    appendLine(m_pending, record, QDateTime::currentMSecsSinceEpoch()); // stamped with the time it is written
    writePending();
}

void MoveJournal::writePending()
{
    if (m_fd >= 0) {
        // A record cut short stays alone on its line, where readers skip it, instead of swallowing this one.
        if (m_lineOpen)
            m_pending.prepend('\n');
        // One write: O_APPEND keeps records of several writers whole.
        const ssize_t written = ::write(m_fd, m_pending.constData(), size_t(m_pending.size()));
        m_lineOpen = written != m_pending.size();
        if (m_lineOpen) {
            const ProgramText reason
                = written < 0 ? ProgramText(MoveSteps::errorText(errno)) : ProgramText(Message::ReasonDiskFull);
            m_error = ProgramText(Message::JournalWriteFailed, {m_path, reason});
            m_reason = reason;
            if (!m_passWriteError)
                m_passWriteError = reason;
        } else {
            m_error = ProgramText();
            m_reason = ProgramText();
        }
    }
    m_pending.resize(0); // keeps the buffer for the next records
}

QByteArray MoveJournal::encode(const JournalRecord &record)
{
    QByteArray line;
    appendLine(line, record,
               record.time.isValid() ? record.time.toMSecsSinceEpoch() : QDateTime::currentMSecsSinceEpoch());
    line.chop(1);
    return line;
}

void MoveJournal::appendLine(QByteArray &lines, const JournalRecord &record, qint64 msecsSinceEpoch)
{
    // Written by hand rather than through QJsonDocument, which costs more than a move.
    const QString *const strings[]
        = {&record.op,           &record.pass,   &record.id,   &record.what,  &record.source,
           &record.kind,         &record.src,    &record.dst,  &record.tmp,   &record.companionSrc,
           &record.companionDst, &record.undoes, &record.page, &record.reason};
    qsizetype room = 512; // keys, time, pid and marks take under 250 bytes
    for (const QString *text : strings)
        room += RecordLine::room(*text);
    RecordLine line(lines, room);
    line.put("{\"op\":");
    line.putString(record.op);
    line.put(",\"time\":\"");
    line.putTime(msecsSinceEpoch);
    line.put('"');
    const auto put = [&line](std::string_view key, const QString &value, bool always = false) {
        if (value.isEmpty() && !always)
            return;
        line.put(",\"");
        line.put(key);
        line.put("\":");
        line.putString(value);
    };
    put("pass", record.pass);
    put("id", record.id);
    put("what", record.what);
    put("source", record.source, record.op == u"pass"_s);
    if (record.pid != 0) {
        line.put(",\"pid\":");
        const QByteArray pid = QByteArray::number(record.pid);
        line.put(std::string_view(pid.constData(), size_t(pid.size())));
    }
    put("kind", record.kind);
    put("src", record.src);
    put("dst", record.dst);
    put("tmp", record.tmp);
    if (!record.companionSrc.isEmpty() || !record.companionDst.isEmpty()) {
        line.put(",\"companion\":{\"src\":");
        line.putString(record.companionSrc);
        line.put(",\"dst\":");
        line.putString(record.companionDst);
        line.put('}');
    }
    put("undoes", record.undoes);
    put("page", record.page);
    if (record.merge)
        line.put(",\"merge\":true");
    put("reason", record.reason);
    put("made", record.made);
    line.put("}\n");
    line.finish();
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
    record.made = object.value(u"made"_s).toString();
    return record;
}

namespace {

// A record that holds what its kind needs; anything else is a line damaged by a disk error or by hand, which
// must not make a settlement or an undo act on empty or relative paths.
bool wellFormed(const JournalRecord &record)
{
    if (record.op == u"pass"_s)
        return !record.pass.isEmpty();
    if (record.op == u"done"_s || record.op == u"failed"_s)
        return !record.id.isEmpty();
    if (record.op != u"intent"_s)
        return false;
    const auto absolute = [](const QString &path) { return path.startsWith(u'/'); };
    return !record.id.isEmpty() && (record.kind == u"file"_s || record.kind == u"folder"_s) && absolute(record.src)
        && absolute(record.dst) && (record.tmp.isEmpty() || absolute(record.tmp));
}

} // namespace

QList<JournalRecord> MoveJournal::read(const QString &path, qint64 from, qint64 *end, qsizetype *damaged)
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
        if (std::optional<JournalRecord> record = decode(line); record && wellFormed(*record))
            records.append(*record);
        else if (damaged)
            ++*damaged;
    }
    return records;
}
