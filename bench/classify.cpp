// Speed of the Classify pass against the bare cost of the renames it has to make.
//
// Builds a source folder of 10,000 files (1,000 with a "_files" companion folder) and a keyword list
// where every file has exactly one candidate, runs the real pass with Confirm off, and compares it with
// a loop of rename() calls that moves the same files and folders. Destination folders exist
// beforehand in every run, so each side does the same file system work.
//
// The command line's pass runs as a process of its own ("marrowdale classify"), start-up, move journal
// and the counters written back into the keyword list included; its CPU time is that of the child.

#include "classifypass.h"
#include "decliningprompts.h"
#include "keywordtable.h"
#include "mainview.h"
#include "messagetable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <utility>

#include <stdio.h>
#include <sys/resource.h>
#include <time.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int FileCount = 10000;
constexpr int CompanionEvery = 10; // 1,000 companion folders
constexpr int FolderCount = 20;
constexpr int Rounds = 3;

// Wall time and the CPU time of this thread (kernel time included): on a busy machine the CPU time is
// the steadier figure, so the ratios are taken from it.
struct Timing
{
    double wall = 0;
    double cpu = 0;
    double system = 0; ///< the kernel's part of cpu, as the kernel estimates it
};

double seconds(const timeval &time)
{
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

double threadSystemSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_THREAD, &usage);
    return seconds(usage.ru_stime);
}

double threadSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

class Stopwatch
{
public:
    Stopwatch()
        : m_cpu(threadSeconds())
        , m_system(threadSystemSeconds())
    {
        m_wall.start();
    }
    Timing elapsed() const
    {
        return {double(m_wall.nsecsElapsed()) / 1e9, threadSeconds() - m_cpu, threadSystemSeconds() - m_system};
    }

private:
    QElapsedTimer m_wall;
    double m_cpu;
    double m_system;
};

// Confirm is off and every file has one candidate: any question is a fault of the set-up.
class SilentPrompts : public UserPrompts
{
public:
    int questions = 0;

    int msgBox(const QString &, const QString &, const QString &, int) override { return ++questions, Ok; }
    QString receiveString(const QString &, const QString &, const QString &, const QString &, int, int) override
    {
        ++questions;
        return {};
    }
    int askYesNo(const QString &, const QString &) override { return ++questions, No; }
    int askOkCancel(const QString &, const QString &) override { return ++questions, Cancel; }
    int confirmMove(const QString &) override { return ++questions, Abort; }
    void notify(const QString &) override { ++questions; }
    std::optional<QString> chooseFolder(const QString &, int) override
    {
        ++questions;
        return std::nullopt;
    }
    int chooseKeyword(const QString &, const QStringList &, int *) override { return ++questions, 3; }
    QString inputBox(const QString &, const QString &, const QString &defaultText) override
    {
        ++questions;
        return defaultText;
    }
};

class CountingView : public QuietView
{
public:
    int logLines = 0;

    void appendMove(const LoggedMove &) override { ++logLines; }
};

// Distinct six-letter words: a file name holds exactly one run of six letters, so exactly one keyword.
QStringList makeWords(int count)
{
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> letter(0, 25);
    QStringList words;
    QSet<QString> seen;
    while (words.size() < count) {
        QString word;
        for (int i = 0; i < 6; ++i)
            word += QChar(u'a' + letter(random));
        if (!seen.contains(word)) {
            seen.insert(word);
            words.append(word);
        }
    }
    return words;
}

struct Layout
{
    QString source;
    QString root;
    QStringList files; ///< full paths, in pass order
    QStringList targets; ///< where each file goes
    QStringList companions; ///< "_files" folders, with their targets in companionTargets
    QStringList companionTargets;
    QString keywordText;
};

// Fills `base` with the source folder, the destination folders and the keyword list.
Layout makeLayout(const QString &base, const QStringList &words, int keywordCount)
{
    Layout layout;
    layout.source = base + u"/in"_s;
    layout.root = base + u"/Sorted"_s;
    QDir().mkpath(layout.source);
    for (int f = 0; f < FolderCount; ++f)
        QDir().mkpath(layout.root + u"/Folder%1"_s.arg(f, 2, 10, QChar(u'0')));

    for (int k = 0; k < keywordCount; ++k) {
        layout.keywordText
            += u"%1 -> ../Folder%2    << 1/1\n"_s.arg(words.at(k)).arg(k % FolderCount, 2, 10, QChar(u'0'));
    }

    for (int i = 0; i < FileCount; ++i) {
        const int k = i % keywordCount;
        const QString stem = u"doc-%1 %2"_s.arg(i, 5, 10, QChar(u'0')).arg(words.at(k));
        const QString folder = layout.root + u"/Folder%1"_s.arg(k % FolderCount, 2, 10, QChar(u'0'));
        const QString path = layout.source + u'/' + stem + u".htm"_s;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot create %s", qPrintable(path));
        file.write("<html><body>page</body></html>\n");
        layout.files.append(path);
        layout.targets.append(folder + u'/' + stem + u".htm"_s);
        if (i % CompanionEvery == 0) {
            const QString companion = layout.source + u'/' + stem + u"_files"_s;
            QDir().mkpath(companion);
            QFile style(companion + u"/style.css"_s);
            if (!style.open(QIODevice::WriteOnly))
                qFatal("cannot create %s", qPrintable(style.fileName()));
            style.write("body{}\n");
            layout.companions.append(companion);
            layout.companionTargets.append(folder + u'/' + stem + u"_files"_s);
        }
    }
    return layout;
}

Timing runPass(const QStringList &words, int keywordCount)
{
    QTemporaryDir dir;
    const Layout layout = makeLayout(dir.path(), words, keywordCount);
    KeywordTable table;
    table.parse(layout.keywordText, layout.root);
    if (table.size() != keywordCount)
        qFatal("keyword list read as %lld entries", qlonglong(table.size()));
    DecliningPrompts prompts; // Confirm is off and every file has one candidate: nothing may be asked
    CountingView view;
    MessageTable messages;
    ClassifyPass pass(table, {prompts, messages, view}, [&layout] { return Options {layout.root, true, 1000, false}; });

    const Stopwatch watch;
    pass.run(layout.files);
    const Timing timing = watch.elapsed();

    if (!prompts.questions.isEmpty() || !prompts.notices.isEmpty() || view.logLines != FileCount)
        qFatal("pass asked %d questions, told %d things and moved %d files", int(prompts.questions.size()),
               int(prompts.notices.size()), view.logLines);
    for (qsizetype c = 0; c < layout.companions.size(); c += 97) {
        if (!QFileInfo(layout.companionTargets.at(c)).isDir())
            qFatal("companion folder %s did not move", qPrintable(layout.companions.at(c)));
    }
    return timing;
}

int journalRecords = 0; // of the last command-line run

// User and kernel time of the children waited for so far.
std::pair<double, double> childrenSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return {seconds(usage.ru_utime) + seconds(usage.ru_stime), seconds(usage.ru_stime)};
}

Timing runCommandLine(const QStringList &words, int keywordCount)
{
    QTemporaryDir dir;
    const Layout layout = makeLayout(dir.path(), words, keywordCount);
    const QString list = dir.filePath(u"list.dat"_s);
    QFile listFile(list);
    if (!listFile.open(QIODevice::WriteOnly) || listFile.write(layout.keywordText.toUtf8()) < 0)
        qFatal("cannot write %s", qPrintable(list));
    listFile.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
    environment.insert(u"XDG_STATE_HOME"_s, dir.filePath(u"state"_s));
    QProcess process;
    process.setProcessEnvironment(environment);

    const auto [cpuBefore, systemBefore] = childrenSeconds();
    QElapsedTimer wall;
    wall.start();
    process.start(QStringLiteral(MARROWDALE_EXECUTABLE),
                  {u"classify"_s, layout.source, u"--root"_s, layout.root, u"--list"_s, list});
    if (!process.waitForFinished(600000) || process.exitCode() != 0)
        qFatal("marrowdale classify failed: %s", process.readAllStandardError().constData());
    const auto [cpuAfter, systemAfter] = childrenSeconds();
    const Timing timing {double(wall.nsecsElapsed()) / 1e9, cpuAfter - cpuBefore, systemAfter - systemBefore};

    const QByteArray summary = process.readAllStandardOutput().trimmed().split('\n').last();
    if (!summary.startsWith(QByteArray::number(FileCount) + " moved"))
        qFatal("command line reported: %s", summary.constData());
    QFile journal(dir.filePath(u"state/marrowdale/journal.jsonl"_s));
    if (!journal.open(QIODevice::ReadOnly))
        qFatal("the command line wrote no journal");
    journalRecords = int(journal.readAll().count('\n'));
    for (qsizetype c = 0; c < layout.companions.size(); c += 97) {
        if (!QFileInfo(layout.companionTargets.at(c)).isDir())
            qFatal("companion folder %s did not move", qPrintable(layout.companions.at(c)));
    }
    return timing;
}

Timing runFloor(const QStringList &words)
{
    QTemporaryDir dir;
    const Layout layout = makeLayout(dir.path(), words, int(words.size()));
    QList<QByteArray> from;
    QList<QByteArray> to;
    for (qsizetype i = 0; i < layout.files.size(); ++i) {
        from.append(QFile::encodeName(layout.files.at(i)));
        to.append(QFile::encodeName(layout.targets.at(i)));
    }
    for (qsizetype i = 0; i < layout.companions.size(); ++i) {
        from.append(QFile::encodeName(layout.companions.at(i)));
        to.append(QFile::encodeName(layout.companionTargets.at(i)));
    }

    const Stopwatch watch;
    for (qsizetype i = 0; i < from.size(); ++i) {
        if (::rename(from.at(i).constData(), to.at(i).constData()) != 0)
            qFatal("rename failed for %s", from.at(i).constData());
    }
    return watch.elapsed();
}

// The better of two measurements of one thing: the least wall time, and the least CPU time with its
// kernel part.
Timing better(const Timing &a, const Timing &b)
{
    Timing result = a.cpu <= b.cpu ? a : b;
    result.wall = std::min(a.wall, b.wall);
    return result;
}

void printLine(const char *label, const Timing &timing)
{
    std::printf("  %-22s %7.3f s wall %7.3f s cpu (%5.3f kernel) %7.0f files/s (cpu)\n", label, timing.wall, timing.cpu,
                timing.system, FileCount / timing.cpu);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));

    const QStringList words = makeWords(2000);
    const QStringList few = words.first(20);

    // "floor", "20" or "2000" runs that one measurement alone, for a profiler.
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (only == u"floor"_s) {
        printLine("rename() loop (floor)", runFloor(words));
        return 0;
    }
    if (only == u"20"_s || only == u"2000"_s) {
        const int count = only.toInt();
        printLine(count == 20 ? "pass, 20 keywords" : "pass, 2000 keywords", runPass(words.first(count), count));
        return 0;
    }
    if (only == u"cli"_s) {
        printLine("command line, 2000 kw", runCommandLine(words, 2000));
        return 0;
    }

    // Round by round, so that what the machine does meanwhile (other work, the file system catching up
    // with earlier rounds) falls on every measurement alike, not on the floor alone.
    Timing floor, passFew, passMany, cliFew, cliMany;
    for (int round = 0; round < Rounds; ++round) {
        const auto keep = [round](Timing &best, const Timing &next) { best = round == 0 ? next : better(best, next); };
        keep(floor, runFloor(words));
        keep(passFew, runPass(few, 20));
        keep(passMany, runPass(words, 2000));
        keep(cliFew, runCommandLine(few, 20));
        keep(cliMany, runCommandLine(words, 2000));
    }

    std::printf("Classify pass: %d files, %d with a companion folder, Confirm off, best of %d rounds\n", FileCount,
                FileCount / CompanionEvery, Rounds);
    printLine("rename() loop (floor)", floor);
    printLine("pass, 20 keywords", passFew);
    printLine("pass, 2000 keywords", passMany);
    std::printf("  2000 keywords / floor  %7.2f cpu %7.2f wall   (target under 2)\n", passMany.cpu / floor.cpu,
                passMany.wall / floor.wall);
    std::printf("  2000 / 20 keywords     %7.2f cpu %7.2f wall   (target under 1.5)\n", passMany.cpu / passFew.cpu,
                passMany.wall / passFew.wall);
    std::printf("Command line (a process of its own, journal and counters written; %d journal records):\n",
                journalRecords);
    printLine("command line, 20 kw", cliFew);
    printLine("command line, 2000 kw", cliMany);
    std::printf("  2000 keywords / floor  %7.2f cpu %7.2f wall   (target under 2)\n", cliMany.cpu / floor.cpu,
                cliMany.wall / floor.wall);
    std::printf("  2000 / 20 keywords     %7.2f cpu %7.2f wall   (target under 1.3)\n", cliMany.cpu / cliFew.cpu,
                cliMany.wall / cliFew.wall);
    return 0;
}
