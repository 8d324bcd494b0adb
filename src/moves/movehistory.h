#pragma once

#include "messagetable.h"
#include "movejournal.h"

class MainView;

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The move journal read back as passes and moves, and the undo of moves recorded there.

enum class MoveState {
    Done, ///< arrived; can be taken back
    Failed, ///< did not happen; the source stayed
    Interrupted, ///< no outcome was recorded: a crash came between; the next start settles it
    Undone, ///< arrived and was taken back later
};

/// The state as the history and scripts name it: "done", "failed", "interrupted", "undone".
QString stateWord(MoveState state);

struct HistoryMove
{
    QString id;
    QString pass;
    QDateTime time;
    QString kind; ///< "file" or "folder"
    QString src;
    QString dst;
    QString companionSrc; ///< the companion folder meant to follow a file
    QString companionDst;
    QString companionMove; ///< id of the folder move that carried it, when it was recorded on its own
    QString follows; ///< on a companion's folder move: the file move it followed
    QString undoes; ///< the move this one took back
    QString undoneBy; ///< the move that took this one back
    MoveState state = MoveState::Interrupted;
    QString reason; ///< why it failed
    QString made; ///< the topmost folder the move made on its way (see JournalRecord::made)

    /// A move the user made happen, as opposed to a companion folder travelling with its file.
    bool standsAlone() const { return follows.isEmpty(); }
};

struct HistoryPass
{
    QString id;
    QDateTime time;
    QString what; ///< "classify", "move", "undo", "settle"; empty when the journal lost its first record
    QString source;
    qint64 pid = 0;
    QStringList moves; ///< ids in journal order

    /// A pass that moved the user's files on their behalf, as opposed to an undo or a settling.
    bool filesFiled() const;
};

class MoveHistory
{
public:
    MoveHistory() = default;
    explicit MoveHistory(const QList<JournalRecord> &records);
    static MoveHistory read(const QString &journalPath);
    /// Lines of the journal that were passed over, damaged.
    qsizetype damagedLines() const { return m_damagedLines; }

    /// Oldest first.
    const QList<HistoryPass> &passes() const { return m_passes; }
    const HistoryPass *pass(const QString &id) const;
    const HistoryMove *move(const QString &id) const;

    /// The newest pass that filed files and has a move that arrived; null when there is none.
    const HistoryPass *lastFilingPass() const;

    /// Moves of a pass that stand alone and are in place or in doubt, newest first: the order to take them
    /// back in.
    QList<const HistoryMove *> movesToUndo(const HistoryPass &pass) const;

private:
    QList<HistoryPass> m_passes;
    QHash<QString, qsizetype> m_passIndex;
    QHash<QString, HistoryMove> m_moves;
    qsizetype m_damagedLines = 0;
};

struct UndoOutcome
{
    QString move; ///< the id of the move taken back
    QString from; ///< where the file or folder was
    QString to; ///< where it was to go back to
    bool restored = false;
    QString problem; ///< why it stayed, or what of it stayed (its companion folder)
};

struct UndoReport
{
    QString pass; ///< the journal's id of the undo pass; empty when nothing was moved
    QList<UndoOutcome> outcomes;

    bool complete() const;
    QStringList problems() const;
};

// Takes moves back with the safety of the window's Undo: nothing is ever overwritten, a companion folder
// goes back beside its file, what could not come back is reported, and every move back is recorded in the
// journal (as a pass "undo", each intent naming the move it takes back), so that the journal stays true.
namespace MoveUndo {

/// One move (and the companion folder that followed it). `window`, when given, is kept alive during long
/// copies back.
UndoReport undoMove(const MoveHistory &history, const QString &moveId, MoveJournal &journal, MainView *window = nullptr,
                    const MessageTable &messages = MessageTable());

/// Every move of a pass that is still in place, newest first; the window may stop it between two moves.
/// The reasons in the report are in `messages`' language.
UndoReport undoPass(const MoveHistory &history, const QString &passId, MoveJournal &journal, MainView *window = nullptr,
                    const MessageTable &messages = MessageTable());

} // namespace MoveUndo
