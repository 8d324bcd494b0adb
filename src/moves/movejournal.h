#pragma once

#include "programtext.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The history of the program's moves of the user's files. Every program that moves files (the window,
// the command line) appends to one file, $XDG_STATE_HOME/marrowdale/journal.jsonl
// (~/.local/state/marrowdale/journal.jsonl), one JSON object a line, each written with one write() so
// that writers never interleave; nothing is ever rewritten in place. A reader skips lines it cannot
// parse (a line torn by a crash is simply not there).
//
// Records; every one has "op" and "time" (UTC, ISO 8601 with milliseconds):
//   {"op":"pass","pass":P,"what":W,"source":F,"pid":N}
//       a pass begins. P is unique ("20261207T101459.123Z-4711"); W is "classify", "move", "undo" or
//       "settle" (the clean-up after a crash, see below); F the folder the pass works on (may be empty).
//   {"op":"intent","id":I,"pass":P,"kind":K,"src":S,"dst":D,"tmp":X,"companion":{"src":CS,"dst":CD},
//    "undoes":U,"page":G,"merge":true}
//       a move is about to start. I is unique ("P/1", "P/2", ...); K is "file" or "folder" (a companion
//       folder); S and D are full paths. Optional: "tmp", the hidden name in D's folder that a copy across
//       file systems fills before it is renamed to D (chosen before it is known whether a copy is needed;
//       when a folder is merged into an existing D, each entry's copy takes the same name in its own
//       folder); "companion", on a file's intent, the companion folder that is to follow the file (so
//       that a crash between the two can be completed; Move/Send, which takes both companion folders of
//       a file, names the first); "undoes", the id of the move this one takes back; "page", on a folder's
//       intent, where the file it belongs to now is; "merge", on a folder's intent, the user agreed to
//       merge S into the existing folder D.
//   {"op":"done","id":I}                 the move arrived whole at D and S is gone
//   {"op":"failed","id":I,"reason":R}    the move did not happen or was not finished; S is whole
//       where it was, except where R says otherwise (a settlement says what it found)
//
// Paths are stored as text; a name that is not valid UTF-8 is moved only inside a folder and so never
// appears in a record.
//
// An intent without "done" or "failed" is a move that a crash interrupted, and a file's intent whose
// companion has no intent after it in the same pass left its companion behind: settleJournal() (see
// journalsettlement.h) settles both at the next start. A move whose "undoes" intent is done has been
// taken back.
//
// Beside the journal, journal.jsonl.lock: every program holds a shared lock (flock) on it while a pass
// is open, and a settlement takes an exclusive one without waiting, so that it never settles the pass
// of a program that is still running. The lock file holds the journal offset up to which every intent
// has been settled, so that a start reads only what came after.

struct JournalRecord
{
    QString op;
    QDateTime time;
    QString pass;
    QString id;
    QString what; ///< "pass" records
    QString source; ///< "pass" records
    qint64 pid = 0; ///< "pass" records
    QString kind; ///< "file" or "folder"
    QString src;
    QString dst;
    QString tmp;
    QString companionSrc;
    QString companionDst;
    QString undoes;
    QString page;
    bool merge = false;
    QString reason;
    QString made; ///< "done" records: the topmost folder the move had to make, for an undo to remove

    /// The intent of a move of a "file" or "folder"; the optional fields stay empty.
    static JournalRecord intent(const QString &kind, const QString &src, const QString &dst)
    {
        JournalRecord record;
        record.kind = kind;
        record.src = src;
        record.dst = dst;
        return record;
    }

    friend bool operator==(const JournalRecord &, const JournalRecord &) = default;
};

class MoveJournal
{
public:
    /// Opens (creating file and folder when missing) the journal for appending.
    explicit MoveJournal(const QString &path);
    ~MoveJournal();
    MoveJournal(const MoveJournal &) = delete;
    MoveJournal &operator=(const MoveJournal &) = delete;

    /// The default place: $XDG_STATE_HOME/marrowdale/journal.jsonl.
    static QString defaultPath();

    bool isOpen() const { return m_fd >= 0; }
    /// Open, and its last write whole; after one that failed, tries again (the line end a record cut short
    /// needs), so that a disk with room again is found to have it.
    bool writable();
    /// Open, and the record written last is whole in the file.
    bool lastRecordWritten() const { return m_fd >= 0 && !m_lineOpen; }
    /// Why the journal could not be opened or the last record not be written, in a few words (the disk is
    /// full); empty when all is well.
    const ProgramText &reason() const { return m_reason; }
    /// Why the journal could not be opened or the last record not be written; empty when all is well.
    QString errorString() const { return m_error.english(); }
    const ProgramText &error() const { return m_error; }
    /// Why a record of the current pass (or the one that ended last) could not be written; none when all were.
    const std::optional<ProgramText> &passWriteError() const { return m_passWriteError; }
    QString path() const { return m_path; }

    /// Starts a pass; the records after it belong to it. Returns its id. Waits while a settlement runs,
    /// and holds the shared lock until endPass().
    QString beginPass(const QString &what, const QString &source);
    void endPass();
    QString currentPass() const { return m_pass; }

    /// Records the intent of a move from a record whose kind, paths and optional fields are filled in, and
    /// returns its id.
    QString intent(JournalRecord record);
    /// `made`: the topmost folder the move had to make on its way (see JournalRecord::made).
    void done(const QString &id, const QString &made = {});
    /// Writes what is held back (done records go out with the next record, or at the end of the pass).
    void flush();
    void failed(const QString &id, const QString &reason);

    /// Makes the records written so far durable (before a long copy across file systems).
    void sync();

    /// For a settlement: the exclusive lock, taken only when no other program has a pass open.
    bool tryLockExclusive();
    /// The offset up to which every intent is settled (kept in the lock file), and a new one.
    qint64 settledUpTo() const;
    void setSettledUpTo(qint64 offset);
    /// The journal's size now.
    qint64 size() const;

    /// Every record of a journal file from byte `from` on, in file order. Lines that do not parse, or lack
    /// what their kind of record needs, are skipped and counted in *damaged. *end receives the offset after
    /// the last whole line.
    static QList<JournalRecord> read(const QString &path, qint64 from = 0, qint64 *end = nullptr,
                                     qsizetype *damaged = nullptr);

    /// One record as its line (without the line break), and back.
    static QByteArray encode(const JournalRecord &record);
    static std::optional<JournalRecord> decode(const QByteArray &line);

private:
    void append(const JournalRecord &record);
    /// Writes the pending lines with one write() and empties the buffer.
    void writePending();
    /// The record's line, ended by a line break, added to `lines`.
    static void appendLine(QByteArray &lines, const JournalRecord &record, qint64 msecsSinceEpoch);

    QString m_path;
    ProgramText m_error;
    ProgramText m_reason;
    std::optional<ProgramText> m_passWriteError;
    bool m_lineOpen = false; ///< a write was cut short: the next one starts on a line of its own
    QString m_pass;
    QDateTime m_lastPassTime;
    int m_fd = -1;
    QByteArray m_pending; ///< done records not written yet; kept as the buffer every record is written from
    int m_lockFd = -1;
    enum class Lock { None, Shared, Exclusive } m_lock = Lock::None;
    int m_counter = 0;
};
