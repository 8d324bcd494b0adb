#include "batchclassifier.h"
#include "classifyreport.h"
#include "commands.h"
#include "desktopnotifier.h"
#include "folderwatch.h"

#include "apppaths.h"
#include "decliningprompts.h"
#include "desk.h"
#include "inifile.h"
#include "keywordtable.h"
#include "marrowdaleerror.h"
#include "settings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

constexpr int SettleMilliseconds = 2000;
constexpr int LookInterval = 500;

struct ClassifySetup
{
    QString source;
    QString list;
    Options options; ///< the parent folder and the rewrite's Sift and Denominator; Confirm does not apply
    BatchOptions batch;
    bool writeCounters = true;
    bool namesOnly = false; ///< pages' titles and addresses take no part, whatever the settings say
    bool suggest = false; ///< where the files without a keyword may belong
};

QString absolutePath(const QString &path)
{
    return AppPaths::withoutTrailingSlash(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
}

// The settings file gives what the command line leaves out, as the window would take it at its start.
std::optional<ClassifySetup> resolveSetup(const QCommandLineParser &parser, QString *error)
{
    const QStringList positional = parser.positionalArguments();
    const bool sourceGiven = positional.size() > 1;
    const IniFile ini(AppPaths::settingsFile());
    const StartupSettings stored
        = SettingsFile::read(ini, !ini.exists(), AppPaths::documentsFolder(), AppPaths::configFolder(), Options(),
                             [sourceGiven](const QString &folder) { return sourceGiven || QFileInfo(folder).isDir(); });

    ClassifySetup setup;
    if (sourceGiven) {
        setup.source = absolutePath(positional.at(1));
    } else if (!ini.exists()) {
        *error = u"no source folder: there is no settings file (%1) to name one; give SOURCE"_s.arg(ini.path());
        return std::nullopt;
    } else if (stored.fellBack) {
        *error = u"the source folder of the settings file does not exist: %1"_s.arg(
            ini.readString(u"Setting"_s, u"IniFolder"_s, QString()));
        return std::nullopt;
    } else {
        setup.source = stored.sourceFolder;
    }
    if (const QFileInfo source(setup.source); !source.isDir()) {
        *error = (source.exists() ? u"the source folder is not a folder: %1"_s
                                  : u"the source folder does not exist: %1"_s)
                     .arg(setup.source);
        return std::nullopt;
    }

    setup.list = parser.isSet(u"list"_s) ? absolutePath(parser.value(u"list"_s)) : stored.patternFile;
    setup.options = stored.options;
    if (parser.isSet(u"root"_s)) {
        setup.options.rootFolder = absolutePath(parser.value(u"root"_s));
    } else if (!ini.exists()) {
        *error = u"no parent folder: there is no settings file (%1) to name one; give --root DIR"_s.arg(ini.path());
        return std::nullopt;
    }

    const QString ambiguous = parser.value(u"ambiguous"_s);
    if (ambiguous != u"skip"_s && ambiguous != u"first"_s) {
        *error = u"--ambiguous takes \"skip\" or \"first\", not \"%1\""_s.arg(ambiguous);
        return std::nullopt;
    }
    setup.batch.rootFolder = setup.options.rootFolder;
    setup.batch.dryRun = parser.isSet(u"dry-run"_s);
    setup.batch.takeFirstCandidate = ambiguous == u"first"_s;
    setup.namesOnly = parser.isSet(u"names-only"_s);
    setup.suggest = parser.isSet(u"suggest"_s) || parser.isSet(u"accept-suggestions"_s);
    if (parser.isSet(u"accept-suggestions"_s)) {
        bool isNumber = false;
        const float score = parser.value(u"accept-suggestions"_s).toFloat(&isNumber);
        if (!isNumber || score <= 0 || score > 1) {
            *error = u"--accept-suggestions takes a score above 0 and at most 1, not \"%1\""_s.arg(
                parser.value(u"accept-suggestions"_s));
            return std::nullopt;
        }
        setup.batch.acceptScore = score;
    }
    setup.writeCounters = !parser.isSet(u"dry-run"_s) && !parser.isSet(u"no-counters"_s);
    return setup;
}

// Writes the counters back as the window's close does (retired lines kept beside the list, the file
// written back in its own encoding), unless the list changed on disk meanwhile: the other writer's text is
// not to be overwritten with counts taken from an older one. `writtenAt`, when given, learns the time the
// list was written at.
bool writeCounters(Desk &desk, const QString &text, QDateTime *writtenAt = nullptr)
{
    // The desk's prompts decline every question and keep what they were told.
    auto &prompts = static_cast<DecliningPrompts &>(desk.prompts());
    prompts.clear();
    bool written = false;
    try {
        written = desk.writeCountersBack(text);
        if (!written) {
            printLine(stderr,
                      u"marrowdale: the keyword list %1 changed while the files were filed; its counters "
                      "were not written"_s.arg(desk.state().patternFile));
        } else if (writtenAt) {
            *writtenAt = QFileInfo(desk.state().patternFile).lastModified();
        }
    } catch (const MarrowdaleError &error) {
        printLine(stderr, u"marrowdale: "_s + error.message());
    }
    for (const QString &notice : std::as_const(prompts.notices))
        printLine(stderr, u"marrowdale: "_s + notice);
    return written;
}

// The list read into the desk and parsed; its text, or nothing with the reason.
std::optional<QString> loadList(Desk &desk, const ClassifySetup &setup, QString *error)
{
    QString text;
    try {
        text = desk.loadList(setup.list);
        desk.parseList(text);
    } catch (const MarrowdaleError &e) {
        *error = desk.state().table.error() ? setup.list + u": "_s + e.message() : e.message();
        return std::nullopt;
    }
    const KeywordTable &table = desk.state().table;
    // A program, a picture, an archive: filing by it would only report every file as without a keyword.
    if (text.contains(QChar(0)) && table.size() == 0) {
        *error = u"%1 is not a keyword list: it holds binary data and no keyword line"_s.arg(setup.list);
        return std::nullopt;
    }
    for (const RefusedLine &refused : table.refusedLines())
        printLine(stderr, u"marrowdale: %1: %2"_s.arg(setup.list, refused.message(MessageTable())));
    return text;
}

// One pass over `files`, by the list `text` parsed into the desk. False when the counters could not be
// written.
bool classifyFiles(const ClassifySetup &setup, Desk &desk, const QString &text, const QStringList &files,
                   const QSet<QString> &folders, ClassifyReport &report, QString *passId,
                   QDateTime *countersWrittenAt = nullptr)
{
    KeywordTable &table = desk.state().table;
    report.linesRefused(int(table.refusedLines().size()));
    MoveJournal *const journal = setup.batch.dryRun ? nullptr : &desk.journal();
    BatchOptions options = setup.batch;
    options.facts = desk.pageFactsUse(setup.namesOnly);
    std::optional<Suggester> suggester;
    if (setup.suggest && !files.isEmpty()) {
        suggester.emplace(Suggester::Setup {setup.options.rootFolder, {setup.source}, options.facts.cache != nullptr, {}});
        suggester->prepare();
        options.suggester = &*suggester;
    }
    BatchClassifier classifier(table, options, journal, setup.source);
    classifier.run(files, folders, [&report](const FileOutcome &outcome) { report.file(outcome); });
    *passId = classifier.passId();
    for (const QString &notice : classifier.passNotices())
        printLine(stderr, u"marrowdale: "_s + notice);
    if (journal && journal->passWriteError())
        report.notAllRecorded(); // the pass's notices said so
    return files.isEmpty() || !setup.writeCounters || writeCounters(desk, text, countersWrittenAt);
}

int watch(const ClassifySetup &setup, Desk &desk, ClassifyReport &report)
{
    bool allWritten = true; // for the summary
    QString lastPass;
    QDateTime ownCounters; // when this watch last wrote the list: its own counters change no rule
    DesktopNotifier desktop;
    const auto round = [&](const QStringList &files, const QSet<QString> &folders) {
        // The list is read afresh for every round: the window may have changed it meanwhile.
        QString error;
        const std::optional<QString> text = loadList(desk, setup, &error);
        if (!text) {
            printLine(stderr, u"marrowdale: "_s + error);
            allWritten = false;
            return;
        }
        QString passId;
        report.takeRound();
        allWritten = classifyFiles(setup, desk, *text, files, folders, report, &passId, &ownCounters) && allWritten;
        if (!passId.isEmpty())
            lastPass = passId;
        const ClassifyReport::Round round = report.takeRound();
        desktop.roundDone(round.moved, round.waiting);
    };
    // Called from the event loop, which no exception may cross.
    FolderWatch watch(setup.source, SettleMilliseconds, [&](const QStringList &files, const QSet<QString> &folders) {
        try {
            round(files, folders);
        } catch (const std::exception &error) {
            printLine(stderr, u"marrowdale: "_s + QString::fromUtf8(error.what()));
            allWritten = false;
        }
        std::fflush(stdout);
    });
    // Files left where they were are looked at again once the rules they were filed by change.
    QDateTime listChanged = QFileInfo(setup.list).lastModified();
    QTimer listTimer;
    QObject::connect(&listTimer, &QTimer::timeout, [&] {
        const QDateTime changed = QFileInfo(setup.list).lastModified();
        if (changed != listChanged) {
            listChanged = changed;
            if (changed != ownCounters)
                watch.forget();
        }
    });
    QuitOnSignals quit;
    listTimer.start(LookInterval);
    watch.start(LookInterval);
    QCoreApplication::exec();
    report.summary(lastPass, setup.writeCounters && allWritten);
    // Being stopped is how watching ends: files left where they were are routine, and said already.
    return Commands::Handled;
}

} // namespace

namespace Commands {

int classify(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Files the files of SOURCE into the destination folders of the keyword list, as Classify does, without "
        "asking: a file the window would ask about stays where it is and is reported."_s);
    parser.addOptions(
        {{u"list"_s, u"The keyword list (default: the pattern file of the settings)."_s, u"FILE"_s},
         {u"root"_s, u"The parent folder of the destinations (default: that of the settings)."_s, u"DIR"_s},
         {u"dry-run"_s, u"Shows what would be done; changes nothing."_s},
         {u"explain"_s, u"Shows the keyword lines that matched each file and why a file stays."_s},
         {u"json"_s, u"One JSON object per file and a summary object at the end."_s},
         {u"ambiguous"_s, u"With several keywords: \"skip\" the file (default) or take the \"first\" in list order."_s,
          u"skip|first"_s, u"skip"_s},
         {u"no-counters"_s, u"Leaves the counters of the keyword list as they are."_s},
         {u"names-only"_s,
          u"Matches keywords in the files' names and paths only, not in the titles and addresses of pages, "
          "whatever the settings say."_s},
         {u"suggest"_s,
          u"Suggests for each file without a keyword up to three folders where pages like it are filed, "
          "learned from the pages below the parent folder."_s},
         {u"accept-suggestions"_s,
          u"Files each file without a keyword into its best suggestion when that scores SCORE (0 to 1) or "
          "more; recorded like every move."_s,
          u"SCORE"_s},
         {u"watch"_s,
          u"Stays running and files what appears in SOURCE once it has stopped growing, until "
          "interrupted."_s}});
    parser.addPositionalArgument(u"classify"_s, u"The command."_s);
    parser.addPositionalArgument(u"source"_s, u"The folder to file from (default: that of the settings)."_s,
                                 u"[SOURCE]"_s);
    int status = Handled;
    if (!parse(parser, arguments, &status))
        return status;
    if (parser.positionalArguments().size() > 2)
        return usageError(u"classify takes one source folder"_s);

    QString error;
    const std::optional<ClassifySetup> setup = resolveSetup(parser, &error);
    if (!setup)
        return usageError(error);
    const ClassifyReport::Style style = parser.isSet(u"json"_s) ? ClassifyReport::Style::Json
        : parser.isSet(u"explain"_s)                            ? ClassifyReport::Style::Explain
                                                                : ClassifyReport::Style::Plain;
    ClassifyReport report(style, setup->options.rootFolder, setup->batch.dryRun);
    // The command line's desk asks nobody: every question is declined, and the file it was about stays.
    Desk desk;
    DecliningPrompts prompts;
    desk.setPrompts(&prompts);
    desk.setOptions(setup->options);
    const std::optional<QString> text = loadList(desk, *setup, &error);
    if (!text)
        return usageError(error);

    if (!setup->batch.dryRun) {
        // A move that would not be on record could not be taken back.
        if (!desk.journal().isOpen())
            return failure(desk.journal().errorString());
        if (const QString settled = desk.settleJournal(); !settled.isEmpty())
            printLine(stderr, u"marrowdale: "_s + settled);
    }
    if (parser.isSet(u"watch"_s))
        return watch(*setup, desk, report);

    QString passId;
    const SourceFolder source = listSourceFolder(setup->source);
    report.unreadableNames(setup->source, source.unreadableNames);
    const bool written = classifyFiles(*setup, desk, *text, source.files, source.folders, report, &passId);
    report.summary(passId, setup->writeCounters && written);
    return report.allHandled() && written ? Handled : NotAllHandled;
}

} // namespace Commands
