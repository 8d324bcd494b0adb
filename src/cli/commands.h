#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;

// Each command gets the program's arguments with its own name in second place and returns the exit status.
namespace Commands {

enum Status { Handled = 0, NotAllHandled = 1, UsageError = 2 };

int classify(const QStringList &arguments);
int history(const QStringList &arguments);
int undo(const QStringList &arguments);

/// The parser's help, with the program named as the user calls it.
QString helpText(const QCommandLineParser &parser);

/// Reports a command that cannot run as given; returns UsageError.
int usageError(const QString &message);
/// Reports an id the journal does not hold, pointing to the list of those it holds; returns UsageError.
int unknownInJournal(const QString &message);
/// Reports a command that could not do its work for a reason that is not the caller's (a journal that
/// cannot be written, say); returns NotAllHandled.
int failure(const QString &message);

/// Adds --help to the parser and parses; false (with `*status` set) when the command is to end here.
bool parse(QCommandLineParser &parser, const QStringList &arguments, int *status);

/// Before a command moves anything: finishes or explains what an interrupted run left half-moved (as the
/// window does at its start) and says so on stderr.
void settleInterruptedMoves();

} // namespace Commands
