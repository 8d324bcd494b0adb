#include "desk.h"

#include "mainview.h"

#include "apppaths.h"
#include "inifile.h"
#include "journalsettlement.h"
#include "keywordretirement.h"
#include "marrowdaleerror.h"
#include "patternfile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

Desk::Desk(const QString &journalPath)
    : m_journalPath(journalPath)
{ }

MoveJournal &Desk::journal()
{
    if (!m_journal)
        m_journal.emplace(m_journalPath.isEmpty() ? MoveJournal::defaultPath() : m_journalPath);
    return *m_journal;
}

MoveContext Desk::moveContext(MainView &view)
{
    // A journal that cannot be written ends a pass before its first move, and says why.
    return {prompts(), m_state.messages, view, &journal()};
}

StartupSettings Desk::readSettings(const Options &formOptions)
{
    const IniFile ini(AppPaths::settingsFile());
    const StartupSettings settings
        = SettingsFile::read(ini, m_state.firstRun, m_state.documentsFolder, AppPaths::configFolder(), formOptions,
                             [](const QString &folder) { return QFileInfo(folder).isDir(); });
    m_state.currentDestination = settings.currentDestination;
    m_state.patternFile = settings.patternFile;
    return settings;
}

void Desk::writeSettings(const QString &sourceFolder, const QRect &window)
{
    SettingsFile::write(AppPaths::settingsFile(), {sourceFolder, m_state.patternFile, options(), window});
}

QString Desk::loadList()
{
    m_state.patternFileState = PatternFile::read(m_state.patternFile);
    return *m_state.patternFileState.savedText;
}

QString Desk::loadList(const QString &path)
{
    m_state.patternFile = path;
    return loadList();
}

void Desk::parseList(const QString &text)
{
    m_state.table.parse(text, options().rootFolder);
    if (const auto &error = m_state.table.error())
        throw MarrowdaleError(error->message(m_state.messages));
}

QString Desk::rewriteList(const QString &text)
{
    const Options now = options();
    const QString rewritten = RetiredLines::rewriteKeepingRetired(
        prompts(), m_state.messages, m_state.patternFile, text, m_state.table,
        {now.sift, now.denominator, m_state.firstRun}, QDateTime::currentDateTime());
    m_state.firstRun = false;
    return rewritten;
}

void Desk::saveListAtClose(const QString &text)
{
    PatternFile::saveAtClose(prompts(), m_state.messages, m_state.patternFile, text, m_state.patternFileState);
}

bool Desk::writeCountersBack(const QString &text)
{
    // Another writer's list (the window, an editor) is not overwritten with counts taken from an older one.
    PatternFileState onDisk = PatternFile::read(m_state.patternFile);
    if (onDisk.savedText != PatternFile::normalizeBreaks(text))
        return false;
    const QString rewritten = rewriteList(text);
    if (rewritten != text)
        PatternFile::write(m_state.patternFile, rewritten, onDisk);
    m_state.patternFileState = onDisk;
    return true;
}

QString Desk::settleJournal()
{
    return ::settleJournal(journal().path(), m_state.messages);
}

PassSummary Desk::classify(const QStringList &files, MainView &view)
{
    ClassifyPass pass(m_state.table, moveContext(view), [this] { return options(); });
    pass.setCurrentDestination(m_state.currentDestination);
    pass.setPageFacts(pageFactsUse());
    // Also when the user stops the pass between two files.
    const auto keep = qScopeGuard([&] {
        m_state.currentDestination = pass.currentDestination();
        m_state.lastPass = pass.summary();
    });
    pass.run(files);
    return pass.summary();
}

QList<PreviewRow> Desk::preview(const QStringList &files, const QString &sourceFolder)
{
    const Suggester *suggestions = sourceFolder.isEmpty() || files.isEmpty() ? nullptr : &suggester(sourceFolder);
    return previewPass(m_state.table, files, options().rootFolder, pageFactsUse(), suggestions);
}

const Suggester &Desk::suggester(const QString &sourceFolder)
{
    const Suggester::Setup setup {options().rootFolder, {sourceFolder}, true, {}};
    // Another parent or source folder is another archive; the same one is only brought up to date.
    if (!m_suggester || m_suggester->parentFolder() != setup.parentFolder
        || m_suggester->leftOut() != setup.leaveOut)
        m_suggester.emplace(setup);
    m_suggester->prepare();
    return *m_suggester;
}

int Desk::suggestedCount(const QStringList &files, const QString &sourceFolder)
{
    if (files.isEmpty())
        return 0;
    const Suggester &suggestions = suggester(sourceFolder);
    int count = 0;
    for (const QString &file : files)
        count += !suggestions.suggest(file, m_pageFacts.factsOf(file), 1).isEmpty();
    return count;
}

bool Desk::fileAsSuggested(const QString &file, const Suggestion &suggestion, MainView &view)
{
    // Filed as Classify files: the same move, in the log and in the journal as a pass of its own.
    MoveOutcome moved = MoveOutcome::Failed;
    {
        MovePass pass(moveContext(view), u"classify"_s, FileOps::folderOf(FileOps::reduceRootJoin(file)));
        moveWithCompanions(file, suggestion.folder, options().rootFolder, pass.context(), nullptr, &moved);
    }
    if (moved != MoveOutcome::Moved)
        return false;
    if (const std::optional<QString> line = offerKeyword(prompts(), m_state.messages, file, options().rootFolder,
                                                         suggestion.folder, suggestion.keyword))
        view.appendKeywordLine(*line);
    return true;
}

QStringList Desk::moveFiles(const QStringList &files, const QString &folder, MainView &view)
{
    m_state.currentDestination = folder;
    return moveFilesWithCompanions(files, folder, moveContext(view));
}

bool Desk::undoMove(const LoggedMove &move, const QString &currentFolder, MainView &view)
{
    return ::undoMove(move, currentFolder, moveContext(view));
}

int Desk::movesToTakeBack(const QString &moveId)
{
    journal().flush();
    const MoveHistory history = MoveHistory::read(journal().path());
    const HistoryMove *recorded = history.move(moveId);
    const HistoryPass *pass = recorded ? history.pass(recorded->pass) : nullptr;
    return pass ? int(history.movesToUndo(*pass).size()) : -1;
}

std::optional<UndoReport> Desk::undoPassOf(const QString &moveId, MainView &view)
{
    journal().flush();
    const MoveHistory history = MoveHistory::read(journal().path());
    const HistoryMove *recorded = history.move(moveId);
    if (!recorded)
        return std::nullopt;
    return MoveUndo::undoPass(history, recorded->pass, journal(), &view, m_state.messages);
}
