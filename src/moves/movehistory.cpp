#include "movehistory.h"

#include "decliningprompts.h"
#include "fileops.h"
#include "mainview.h"
#include "messagetable.h"
#include "movesteps.h"

#include <QFileInfo>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString FileKind = u"file"_s;
const QString FolderKind = u"folder"_s;

QString companionKey(const QString &src, const QString &dst)
{
    return src + u'\n' + dst;
}

class Undoer
{
public:
    Undoer(MoveJournal &journal, MainView *window, const MessageTable &messages)
        : m_journal(journal)
        , m_window(window)
        , m_messages(messages)
        , m_view(window)
    { }

    UndoReport report;

    /// The user asked the window to stop: the moves not taken back yet stay.
    bool stopRequested() const { return m_window && m_window->stopRequested(); }

    void undo(const HistoryMove &move, const QString &passSource)
    {
        UndoOutcome outcome {move.id, move.dst, move.src, false, {}};
        if (move.state != MoveState::Done) {
            outcome.problem = m_messages.text(move.state == MoveState::Undone       ? Message::UndoAlreadyTakenBack
                                                  : move.state == MoveState::Failed ? Message::UndoNeverHappened
                                                                                    : Message::UndoInterrupted);
        } else {
            const auto [moved, problem] = moveBack(move, passSource);
            outcome.restored = moved;
            outcome.problem = problem;
        }
        report.outcomes.append(outcome);
    }

private:
    struct MovedBack
    {
        bool moved = false;
        QString problem; ///< why not; or, when it moved, what stayed (its companion folder)
    };

    // The moves back are the window's: recorded in the journal, never over anything.
    MovedBack moveBack(const HistoryMove &move, const QString &passSource)
    {
        if (!MoveSteps::exists(move.dst))
            return {false, m_messages.text(Message::UndoGone).arg(move.dst)};
        // A dangling link still stands in the way of a move back.
        if (MoveSteps::exists(move.src))
            return {false, m_messages.text(Message::UndoPlaceTaken).arg(move.src)};
        if (!m_journal.writable())
            return {false, m_journal.errorString()};
        const QString returnFolder = FileOps::folderOf(move.src);
        if (!FileOps::createFolderPath(returnFolder))
            return {false, m_messages.text(Message::UndoFolderNotMade).arg(returnFolder)};
        if (!m_pass) {
            m_pass.emplace(MoveContext {m_prompts, m_messages, m_view, &m_journal}, u"undo"_s, passSource);
            report.pass = m_journal.currentPass();
        }
        m_prompts.clear();
        const bool moved = move.kind == FolderKind
            ? FileOps::moveFolder(move.dst, move.src, m_pass->context(), {}, move.id)
            : undoMove({{}, FileOps::fileName(move.dst), FileOps::folderOf(move.dst), move.id, move.made}, returnFolder,
                       m_pass->context());
        // A declined question (a merge into a folder that is back in the way) counts as what was told.
        const QString told = (m_prompts.notices + m_prompts.questions).join(u' ');
        if (!moved)
            return {false, told.isEmpty() ? m_messages.text(Message::UndoNotMovedBack).arg(move.dst) : told};
        // Only the companion folder has anything to say once its file is back.
        return {true, told.isEmpty() ? QString() : m_messages.text(Message::UndoCompanionStayed).arg(told)};
    }

    // Nobody to ask: the moves back never merge into or replace anything. A window only stays alive.
    class SilentView : public QuietView
    {
    public:
        explicit SilentView(MainView *window)
            : m_window(window)
        { }
        void keepAlive() override
        {
            if (m_window)
                m_window->keepAlive();
        }

    private:
        MainView *m_window;
    };

    MoveJournal &m_journal;
    MainView *m_window;
    DecliningPrompts m_prompts;
    MessageTable m_messages;
    SilentView m_view;
    std::optional<MovePass> m_pass; ///< the undo pass, from the first move back on; uses the members above
};

} // namespace

QString stateWord(MoveState state)
{
    switch (state) {
    case MoveState::Done:
        return u"done"_s;
    case MoveState::Failed:
        return u"failed"_s;
    case MoveState::Undone:
        return u"undone"_s;
    case MoveState::Interrupted:
        break;
    }
    return u"interrupted"_s;
}

bool HistoryPass::filesFiled() const
{
    return what != u"undo"_s && what != u"settle"_s;
}

MoveHistory::MoveHistory(const QList<JournalRecord> &records)
{
    const auto passNamed = [this](const QString &id) -> HistoryPass & {
        const auto found = m_passIndex.constFind(id);
        if (found != m_passIndex.cend())
            return m_passes[*found];
        m_passIndex.insert(id, m_passes.size());
        m_passes.append(HistoryPass {id, {}, {}, {}, 0, {}});
        return m_passes.last();
    };
    // Files that named a companion which has not been seen travelling yet.
    QHash<QString, QString> awaitingCompanion;

    for (const JournalRecord &record : records) {
        if (record.op == u"pass"_s) {
            HistoryPass &pass = passNamed(record.pass);
            pass.time = record.time;
            pass.what = record.what;
            pass.source = record.source;
            pass.pid = record.pid;
        } else if (record.op == u"intent"_s) {
            if (record.id.isEmpty() || m_moves.contains(record.id))
                continue;
            const QString passId = record.pass.isEmpty() ? record.id.section(u'/', 0, 0) : record.pass;
            HistoryPass &pass = passNamed(passId);
            if (!pass.time.isValid())
                pass.time = record.time;
            pass.moves.append(record.id);

            HistoryMove move;
            move.id = record.id;
            move.pass = passId;
            move.time = record.time;
            move.kind = record.kind;
            move.src = record.src;
            move.dst = record.dst;
            move.companionSrc = record.companionSrc;
            move.companionDst = record.companionDst;
            move.undoes = record.undoes;
            if (record.kind == FolderKind) {
                // A companion travels after its file, in the same pass or in the settling after a crash.
                const QString file = awaitingCompanion.take(companionKey(record.src, record.dst));
                if (!file.isEmpty()) {
                    move.follows = file;
                    m_moves[file].companionMove = move.id;
                }
            } else if (!record.companionSrc.isEmpty()) {
                awaitingCompanion.insert(companionKey(record.companionSrc, record.companionDst), record.id);
            }
            m_moves.insert(move.id, move);
        } else if (record.op == u"done"_s || record.op == u"failed"_s) {
            const auto found = m_moves.find(record.id);
            if (found == m_moves.end() || found->state != MoveState::Interrupted)
                continue;
            if (record.op == u"failed"_s) {
                found->state = MoveState::Failed;
                found->reason = record.reason;
                continue;
            }
            found->state = MoveState::Done;
            found->made = record.made;
            // A companion folder that followed a move back takes back the companion of the move it undoes.
            if (const auto file = m_moves.constFind(found->follows); file != m_moves.cend()) {
                const QString original = m_moves.value(file->undoes).companionMove;
                const auto companion = m_moves.find(original);
                if (companion != m_moves.end() && companion->state == MoveState::Done) {
                    companion->state = MoveState::Undone;
                    companion->undoneBy = found->id;
                }
            }
            // Taking back a move puts the one it took back in place again.
            const auto takenBack = m_moves.find(found->undoes);
            if (takenBack == m_moves.end())
                continue;
            if (takenBack->state == MoveState::Done) {
                takenBack->state = MoveState::Undone;
                takenBack->undoneBy = found->id;
            }
            const auto restored = m_moves.find(takenBack->undoes);
            if (restored != m_moves.end() && restored->undoneBy == takenBack->id) {
                restored->state = MoveState::Done;
                restored->undoneBy.clear();
            }
        }
    }
}

MoveHistory MoveHistory::read(const QString &journalPath)
{
    qsizetype damaged = 0;
    MoveHistory history(MoveJournal::read(journalPath, 0, nullptr, &damaged));
    history.m_damagedLines = damaged;
    return history;
}

const HistoryPass *MoveHistory::pass(const QString &id) const
{
    const auto found = m_passIndex.constFind(id);
    return found == m_passIndex.cend() ? nullptr : &m_passes.at(*found);
}

const HistoryMove *MoveHistory::move(const QString &id) const
{
    const auto found = m_moves.constFind(id);
    return found == m_moves.cend() ? nullptr : &*found;
}

const HistoryPass *MoveHistory::lastFilingPass() const
{
    for (auto pass = m_passes.crbegin(); pass != m_passes.crend(); ++pass) {
        if (!pass->filesFiled())
            continue;
        const bool arrived = std::any_of(pass->moves.cbegin(), pass->moves.cend(), [this](const QString &id) {
            const MoveState state = m_moves.value(id).state;
            return state == MoveState::Done || state == MoveState::Undone;
        });
        if (arrived)
            return &*pass;
    }
    return nullptr;
}

QList<const HistoryMove *> MoveHistory::movesToUndo(const HistoryPass &pass) const
{
    QList<const HistoryMove *> moves;
    for (auto id = pass.moves.crbegin(); id != pass.moves.crend(); ++id) {
        const HistoryMove *found = move(*id);
        if (found && found->standsAlone()
            && (found->state == MoveState::Done || found->state == MoveState::Interrupted))
            moves.append(found);
    }
    return moves;
}

bool UndoReport::complete() const
{
    return std::all_of(outcomes.cbegin(), outcomes.cend(),
                       [](const UndoOutcome &outcome) { return outcome.restored && outcome.problem.isEmpty(); });
}

QStringList UndoReport::problems() const
{
    QStringList problems;
    for (const UndoOutcome &outcome : outcomes) {
        if (!outcome.problem.isEmpty())
            problems.append(outcome.from + u": "_s + outcome.problem);
    }
    return problems;
}

namespace MoveUndo {

UndoReport undoMove(const MoveHistory &history, const QString &moveId, MoveJournal &journal, MainView *window,
                    const MessageTable &messages)
{
    Undoer undoer(journal, window, messages);
    const HistoryMove *move = history.move(moveId);
    if (!move) {
        undoer.report.outcomes.append({moveId, {}, {}, false, u"The journal holds no move of that id."_s});
        return undoer.report;
    }
    // A companion folder goes back with its file, never away from it.
    if (const HistoryMove *file = history.move(move->follows))
        move = file;
    const HistoryPass *pass = history.pass(move->pass);
    undoer.undo(*move, pass ? pass->source : QString());
    return undoer.report;
}

UndoReport undoPass(const MoveHistory &history, const QString &passId, MoveJournal &journal, MainView *window,
                    const MessageTable &messages)
{
    Undoer undoer(journal, window, messages);
    const HistoryPass *pass = history.pass(passId);
    if (!pass) {
        undoer.report.outcomes.append({passId, {}, {}, false, u"The journal holds no pass of that id."_s});
        return undoer.report;
    }
    for (const HistoryMove *move : history.movesToUndo(*pass)) {
        if (undoer.stopRequested())
            break;
        undoer.undo(*move, pass->source);
    }
    return undoer.report;
}

} // namespace MoveUndo
