#include "movehistory.h"

#include "decliningprompts.h"
#include "fileops.h"

#include <QFileInfo>

#include <algorithm>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString FileKind = u"file"_s;
const QString FolderKind = u"folder"_s;

QString companionKey(const QString &src, const QString &dst)
{
    return src + u'\n' + dst;
}

// lstat: a dangling link still stands in the way of a move back.
bool pathExists(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

bool isRealFolder(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

class Undoer
{
public:
    Undoer(const MoveHistory &history, MoveJournal &journal)
        : m_history(history)
        , m_journal(journal)
    { }

    UndoReport report;

    void undo(const HistoryMove &move, const QString &passSource)
    {
        UndoOutcome outcome {move.id, move.dst, move.src, false, {}};
        if (move.state != MoveState::Done) {
            outcome.problem = move.state == MoveState::Undone ? u"It was taken back already."_s
                : move.state == MoveState::Failed             ? u"It never happened."_s
                                                  : u"It was interrupted; the next start of the program settles it."_s;
            report.outcomes.append(outcome);
            return;
        }

        // The companion that followed the file, recorded on its own or only named on the file's record.
        QString companionFrom, companionTo, companionUndoes;
        if (const HistoryMove *companion = m_history.move(move.companionMove)) {
            if (companion->state == MoveState::Done) {
                companionFrom = companion->dst;
                companionTo = companion->src;
                companionUndoes = companion->id;
            }
        } else if (!move.companionDst.isEmpty() && pathExists(move.companionDst)) {
            companionFrom = move.companionDst;
            companionTo = move.companionSrc;
        }

        outcome.problem = moveBack(move.dst, move.src, move.id, companionFrom, companionTo, passSource);
        outcome.restored = outcome.problem.isEmpty();
        // A file that stays keeps its companion folder beside it.
        if (outcome.restored && !companionFrom.isEmpty()) {
            const QString problem = moveBack(companionFrom, companionTo, companionUndoes, {}, {}, passSource);
            if (!problem.isEmpty())
                outcome.problem = u"Its companion folder stayed: "_s + problem;
        }
        report.outcomes.append(outcome);
    }

private:
    // Empty when it went back; otherwise why not. Nothing moves unless its intent is on record.
    QString moveBack(const QString &from, const QString &to, const QString &undoes, const QString &companionFrom,
                     const QString &companionTo, const QString &passSource)
    {
        if (!pathExists(from))
            return u"\"%1\" is no longer there."_s.arg(from);
        if (pathExists(to))
            return u"\"%1\" is taken; nothing is overwritten."_s.arg(to);
        if (!m_journal.isOpen() || !m_journal.errorString().isEmpty())
            return m_journal.errorString();
        if (!FileOps::createFolderPath(FileOps::folderOf(to)))
            return u"The folder \"%1\" cannot be made."_s.arg(FileOps::folderOf(to));
        if (report.pass.isEmpty())
            report.pass = m_journal.beginPass(u"undo"_s, passSource);

        const bool folder = isRealFolder(from);
        const QString id
            = m_journal.intent(folder ? FolderKind : FileKind, from, to, {}, companionFrom, companionTo, undoes);
        if (!m_journal.errorString().isEmpty())
            return m_journal.errorString();
        QString error;
        bool moved = false;
        if (folder) {
            DecliningPrompts prompts;
            moved = FileOps::moveFolder(from, to, prompts);
            error = prompts.notices.join(u' ');
        } else {
            // A file, or a link standing for a companion folder, which moves as the link itself.
            moved = FileOps::moveFile(from, to, &error);
        }
        if (moved) {
            m_journal.done(id);
            return QString();
        }
        m_journal.failed(id, error);
        return error.isEmpty() ? u"\"%1\" could not be moved back."_s.arg(from) : error;
    }

    const MoveHistory &m_history;
    MoveJournal &m_journal;
};

} // namespace

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

UndoReport undoMove(const MoveHistory &history, const QString &moveId, MoveJournal &journal)
{
    Undoer undoer(history, journal);
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

UndoReport undoPass(const MoveHistory &history, const QString &passId, MoveJournal &journal)
{
    Undoer undoer(history, journal);
    const HistoryPass *pass = history.pass(passId);
    if (!pass) {
        undoer.report.outcomes.append({passId, {}, {}, false, u"The journal holds no pass of that id."_s});
        return undoer.report;
    }
    for (const HistoryMove *move : history.movesToUndo(*pass))
        undoer.undo(*move, pass->source);
    return undoer.report;
}

} // namespace MoveUndo
