#include "commandline.h"

#include "classifyreport.h"
#include "commands.h"
#include "journalsettlement.h"
#include "marrowdaleerror.h"
#include "messagetable.h"
#include "movejournal.h"

#include <QCommandLineParser>
#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace {

const QString Overview = uR"(Usage: marrowdale [COMMAND [OPTIONS]]

Without a command the window starts. Commands:
  classify [SOURCE]      file the files of SOURCE by the keyword list, without asking
  classify --watch SOURCE
                         keep filing files that appear in SOURCE once they stop growing
  history [--last N]     list the moves made, by pass
  undo [ID | --pass ID | --last]
                         take back one move or a whole pass

"marrowdale COMMAND --help" describes the options of a command.
Exit status: 0 when every file was handled, 1 when some were skipped or failed,
2 when the command could not run as given.)"_s;

} // namespace

namespace Commands {

QString helpText(const QCommandLineParser &parser)
{
    QString text = parser.helpText().trimmed();
    const QString usage = u"Usage: "_s + QCoreApplication::arguments().constFirst();
    if (text.startsWith(usage))
        text.replace(0, usage.size(), u"Usage: marrowdale"_s);
    return text;
}

void settleInterruptedMoves()
{
    if (const QString report = settleJournal(MoveJournal::defaultPath(), MessageTable()); !report.isEmpty())
        printLine(stderr, u"marrowdale: "_s + report);
}

int usageError(const QString &message)
{
    printLine(stderr, u"marrowdale: "_s + message);
    printLine(stderr, u"Try \"marrowdale --help\"."_s);
    return UsageError;
}

int unknownInJournal(const QString &message)
{
    printLine(stderr, u"marrowdale: %1; \"marrowdale history\" lists the passes and moves it holds."_s.arg(message));
    return UsageError;
}

int failure(const QString &message)
{
    printLine(stderr, u"marrowdale: "_s + message);
    return NotAllHandled;
}

bool parse(QCommandLineParser &parser, const QStringList &arguments, int *status)
{
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Shows this help."_s);
    parser.addOption(help);
    if (!parser.parse(arguments)) {
        *status = usageError(parser.errorText());
        return false;
    }
    if (parser.isSet(help)) {
        printLine(stdout, helpText(parser));
        *status = Handled;
        return false;
    }
    return true;
}

} // namespace Commands

namespace {

bool isCommand(const char *argument)
{
    // Options of Qt's own ("-platform", "-style", a session manager's "-session") are the window's.
    const QByteArrayView word(argument);
    return !word.startsWith('-') || word == "-h" || word == "--help" || word == "-v" || word == "--version";
}

int runCommand(const QStringList &arguments)
{
    const QString command = arguments.at(1);
    try {
        if (command == u"classify"_s)
            return Commands::classify(arguments);
        if (command == u"history"_s)
            return Commands::history(arguments);
        if (command == u"undo"_s)
            return Commands::undo(arguments);
    } catch (const MarrowdaleError &error) {
        return Commands::failure(error.message());
    }
    if (arguments.size() == 2 && (command == u"--help"_s || command == u"-h"_s)) {
        printLine(stdout, Overview);
        return Commands::Handled;
    }
    if (arguments.size() == 2 && (command == u"--version"_s || command == u"-v"_s)) {
        printLine(stdout, u"marrowdale "_s + QCoreApplication::applicationVersion());
        return Commands::Handled;
    }
    return Commands::usageError(u"unknown command \"%1\""_s.arg(command));
}

} // namespace

std::optional<int> runCommandLine(int argc, char **argv)
{
    if (argc <= 1 || !isCommand(argv[1]))
        return std::nullopt;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"marrowdale"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(MARROWDALE_VERSION));
    const int status = runCommand(QCoreApplication::arguments());
    // A report that did not reach its reader (a full disk behind a redirection) is no success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno;
        return Commands::failure(u"the report could not be written: "_s + qt_error_string(error));
    }
    return status;
}
