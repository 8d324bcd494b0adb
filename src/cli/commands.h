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

/// Before a command moves anything: finishes or explains what an interrupted run left half-moved (as the
/// window does at its start) and says so on stderr.
void settleInterruptedMoves();

} // namespace Commands
