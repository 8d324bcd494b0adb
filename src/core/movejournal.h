#pragma once

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
//       "settle"; F the folder the pass works on (may be empty).
//   {"op":"intent","id":I,"pass":P,"kind":K,"src":S,"dst":D,"tmp":X,"companion":{"src":CS,"dst":CD},"undoes":U}
//       a move is about to start. I is unique ("P/1", "P/2", ...); K is "file" or "folder" (a companion
//       folder); S and D are full paths. Optional: "tmp", the hidden name in D's folder that a copy across
//       file systems fills before it is renamed to D; "companion", on a file's intent, the companion folder
//       that is to follow the file (so that a crash between the two can be completed); "undoes", the id of
//       the move this one takes back.
//   {"op":"done","id":I}                 the move arrived whole at D and S is gone
//   {"op":"failed","id":I,"reason":R}    the move did not happen; S is whole where it was
//
// An intent without "done" or "failed" is a move that a crash interrupted; the next start settles it.
// A move whose "undoes" intent is done has been taken back.

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
    QString reason;

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
    /// Why the journal could not be opened or the last record not be written; empty when all is well.
    QString errorString() const { return m_error; }
    QString path() const { return m_path; }

    /// Starts a pass; the records after it belong to it. Returns its id.
    QString beginPass(const QString &what, const QString &source);
    QString currentPass() const { return m_pass; }

    /// Records the intent of a move and returns its id. `tmp`, the companion and `undoes` are optional.
    QString intent(const QString &kind, const QString &src, const QString &dst, const QString &tmp = {},
                   const QString &companionSrc = {}, const QString &companionDst = {}, const QString &undoes = {});
    void done(const QString &id);
    void failed(const QString &id, const QString &reason);

    /// Makes the records written so far durable (before a long copy across file systems).
    void sync();

    /// Every record of a journal file in file order; lines that do not parse are skipped.
    static QList<JournalRecord> read(const QString &path);

    /// One record as its line (without the line break), and back.
    static QByteArray encode(const JournalRecord &record);
    static std::optional<JournalRecord> decode(const QByteArray &line);

private:
    void append(JournalRecord record);

    QString m_path;
    QString m_error;
    QString m_pass;
    int m_fd = -1;
    int m_counter = 0;
};
