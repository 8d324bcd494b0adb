#include "classifyreport.h"
#include "commands.h"

#include "fileops.h"
#include "movehistory.h"
#include "movejournal.h"

#include <QCommandLineParser>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

QString localTime(const QDateTime &time)
{
    return time.isValid() ? time.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss"_s) : u"(time unknown)"_s;
}

QJsonObject moveJson(const HistoryMove &move, const MoveHistory &history)
{
    QJsonObject object {{u"id"_s, move.id},
                        {u"kind"_s, move.kind},
                        {u"src"_s, move.src},
                        {u"dst"_s, move.dst},
                        {u"state"_s, stateWord(move.state)}};
    if (!move.reason.isEmpty())
        object.insert(u"reason"_s, move.reason);
    if (!move.undoes.isEmpty())
        object.insert(u"undoes"_s, move.undoes);
    if (!move.undoneBy.isEmpty())
        object.insert(u"undoneBy"_s, move.undoneBy);
    if (const HistoryMove *companion = history.move(move.companionMove)) {
        object.insert(u"companion"_s,
                      QJsonObject {{u"id"_s, companion->id},
                                   {u"src"_s, companion->src},
                                   {u"dst"_s, companion->dst},
                                   {u"state"_s, stateWord(companion->state)}});
    }
    return object;
}

// Why the history cannot be read, or nothing: a journal that is not there yet is an empty history.
QString journalUnreadable()
{
    QFile journal(MoveJournal::defaultPath());
    if (!journal.exists() || journal.open(QIODevice::ReadOnly))
        return {};
    return u"the journal %1 cannot be read: %2"_s.arg(journal.fileName(), journal.errorString());
}

QString moveLine(const HistoryMove &move, const MoveHistory &history)
{
    QString line = u"  %1  %2  %3 -> %4"_s.arg(stateWord(move.state).leftJustified(11), move.id, move.src, move.dst);
    if (const HistoryMove *companion = history.move(move.companionMove)) {
        line += u" (with "_s + FileOps::fileName(companion->src);
        if (companion->state != move.state)
            line += u": "_s + stateWord(companion->state);
        line += u')';
    }
    if (!move.reason.isEmpty())
        line += u": "_s + move.reason;
    if (!move.undoneBy.isEmpty())
        line += u" (taken back by "_s + move.undoneBy + u')';
    return line;
}

void printOutcomes(const UndoReport &report)
{
    for (const UndoOutcome &outcome : report.outcomes) {
        if (outcome.restored)
            printLine(stdout, reportLine(u"back       %1 -> %2"_s.arg(outcome.from, outcome.to)));
        else
            printLine(stdout, reportLine(u"stayed     %1 (%2)"_s.arg(outcome.from.isEmpty() ? outcome.move : outcome.from,
                                                                     outcome.move)));
        if (!outcome.problem.isEmpty())
            printLine(stdout, reportLine(u"           "_s + outcome.problem));
    }
    const qsizetype back = std::count_if(report.outcomes.cbegin(), report.outcomes.cend(),
                                         [](const UndoOutcome &outcome) { return outcome.restored; });
    QString summary = u"%1 taken back, %2 not."_s.arg(back).arg(report.outcomes.size() - back);
    if (!report.pass.isEmpty())
        summary += u" Pass %1."_s.arg(report.pass);
    printLine(stdout, summary);
}

} // namespace

namespace Commands {

int history(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Lists the moves of the program's files, by pass, oldest first."_s);
    parser.addOptions({{u"last"_s, u"Only the last N passes."_s, u"N"_s},
                       {u"json"_s, u"One JSON object per pass, with its moves."_s}});
    parser.addPositionalArgument(u"history"_s, u"The command."_s);
    int status = Handled;
    if (!parse(parser, arguments, &status))
        return status;
    if (parser.positionalArguments().size() > 1)
        return usageError(u"history takes no folder or id"_s);
    qsizetype count = -1;
    if (parser.isSet(u"last"_s)) {
        bool ok = false;
        count = parser.value(u"last"_s).toInt(&ok);
        if (!ok || count < 1)
            return usageError(u"--last takes a number of passes from 1 up, not \"%1\""_s.arg(parser.value(u"last"_s)));
    }

    if (const QString error = journalUnreadable(); !error.isEmpty())
        return failure(error);
    const MoveHistory history = MoveHistory::read(MoveJournal::defaultPath());
    if (history.damagedLines() > 0) {
        printLine(stderr, u"marrowdale: "_s + ProgramText(Message::JournalLinesSkipped,
                                                          {QString::number(history.damagedLines()),
                                                           MoveJournal::defaultPath()})
                                                  .english());
    }
    const QList<HistoryPass> &passes = history.passes();
    const qsizetype first = count < 0 ? 0 : std::max<qsizetype>(0, passes.size() - count);
    const bool json = parser.isSet(u"json"_s);
    for (qsizetype p = first; p < passes.size(); ++p) {
        const HistoryPass &pass = passes.at(p);
        if (json) {
            QJsonArray moves;
            for (const QString &id : pass.moves) {
                const HistoryMove *move = history.move(id);
                if (move && move->standsAlone())
                    moves.append(moveJson(*move, history));
            }
            const QJsonObject object {{u"pass"_s, pass.id},
                                      {u"time"_s, pass.time.toUTC().toString(Qt::ISODateWithMs)},
                                      {u"what"_s, pass.what},
                                      {u"source"_s, pass.source},
                                      {u"moves"_s, moves}};
            printLine(stdout, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
            continue;
        }
        printLine(stdout,
                  reportLine(u"%1  %2  %3  %4"_s.arg(pass.id, localTime(pass.time), pass.what, pass.source).trimmed()));
        for (const QString &id : pass.moves) {
            const HistoryMove *move = history.move(id);
            if (move && move->standsAlone())
                printLine(stdout, reportLine(moveLine(*move, history)));
        }
    }
    return Handled;
}

int undo(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Takes back one move (ID, as history shows it) or a whole pass, newest move first. Nothing is "
        "overwritten: what cannot go back is reported and stays."_s);
    parser.addOptions({{u"pass"_s, u"Every move of the pass of that id."_s, u"ID"_s},
                       {u"last"_s, u"Every move of the last pass that filed files."_s}});
    parser.addPositionalArgument(u"undo"_s, u"The command."_s);
    parser.addPositionalArgument(u"id"_s, u"One move to take back."_s, u"[ID]"_s);
    int status = Handled;
    if (!parse(parser, arguments, &status))
        return status;
    const QStringList positional = parser.positionalArguments();
    const int ways = int(positional.size() > 1) + int(parser.isSet(u"pass"_s)) + int(parser.isSet(u"last"_s));
    if (ways != 1 || positional.size() > 2)
        return usageError(u"undo takes one of: a move id, --pass ID, --last"_s);

    // Moves back that could not be recorded could not be settled after a crash either.
    MoveJournal journal(MoveJournal::defaultPath());
    if (!journal.isOpen())
        return failure(journal.errorString());
    if (const QString error = journalUnreadable(); !error.isEmpty())
        return failure(error);
    settleInterruptedMoves();
    const MoveHistory history = MoveHistory::read(journal.path());
    QString passId;
    if (parser.isSet(u"last"_s)) {
        const HistoryPass *last = history.lastFilingPass();
        if (!last) {
            printLine(stdout, u"The journal holds no pass that filed files."_s);
            return Handled;
        }
        passId = last->id;
    } else if (parser.isSet(u"pass"_s)) {
        passId = parser.value(u"pass"_s);
        if (!history.pass(passId))
            return unknownInJournal(u"the journal holds no pass \"%1\""_s.arg(passId));
    } else if (!history.move(positional.at(1))) {
        return unknownInJournal(u"the journal holds no move \"%1\""_s.arg(positional.at(1)));
    }

    const UndoReport report = passId.isEmpty() ? MoveUndo::undoMove(history, positional.at(1), journal)
                                               : MoveUndo::undoPass(history, passId, journal);
    if (report.outcomes.isEmpty()) {
        printLine(stdout, u"Nothing of pass %1 is left to take back."_s.arg(passId));
        return Handled;
    }
    printOutcomes(report);
    return report.complete() ? Handled : NotAllHandled;
}

} // namespace Commands
