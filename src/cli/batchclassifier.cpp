#include "batchclassifier.h"

#include "classifypreview.h"

#include "fileops.h"
#include "keywordtable.h"
#include "marrowdaleerror.h"
#include "movejournal.h"
#include "movesteps.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

QString quoted(const QString &text)
{
    return u'"' + text + u'"';
}

} // namespace

BatchClassifier::BatchClassifier(KeywordTable &table, const BatchOptions &options, MoveJournal *journal,
                                 const QString &source)
    : m_table(table)
    , m_options(options)
    , m_journal(journal)
    , m_source(source)
{ }

void BatchClassifier::run(const QStringList &files, const QSet<QString> &foldersBeside,
                          const std::function<void(const FileOutcome &)> &report)
{
    ClassifyPlanner planner(m_options.rootFolder, foldersBeside, m_options.facts);
    planner.prefetch(m_table, files);
    for (const QString &path : files) {
        report(settle(planner, path));
        if (m_stopped)
            break; // the journal took no more records: nothing more may move
    }
    // The pass ends with the files it was given, and says at its end what went for all of them.
    m_prompts.clear();
    m_pass.reset();
    m_passNotices = m_prompts.notices;
    if (!m_stopNotice.isEmpty())
        m_passNotices.append(m_stopNotice);
}

FileOutcome BatchClassifier::settle(ClassifyPlanner &planner, const QString &path)
{
    FileOutcome outcome;
    outcome.plan = planner.plan(m_table, path);
    const FilePlan &plan = outcome.plan;
    m_table.countSearches(plan.tested);

    const auto skip = [&outcome](const QString &code, const QString &reason) {
        outcome.status = FileOutcome::Skipped;
        outcome.reasonCode = code;
        outcome.reason = reason;
        return outcome;
    };
    if (plan.asksEachTime() && (plan.candidates.isEmpty() || !m_options.takeFirstCandidate)) {
        const KeywordMatch &asking = plan.askingMatch();
        return skip(u"asks-each-time"_s,
                    u"the keyword %1 on line %2 asks for the folder each time"_s.arg(quoted(asking.keyword))
                        .arg(asking.lineNumber));
    }
    if (plan.candidates.isEmpty()) {
        outcome.reasonCode = u"no-keyword"_s;
        outcome.reason = u"no keyword"_s;
        suggest(outcome);
        const QList<Suggestion> &suggestions = outcome.suggestions;
        if (m_options.acceptScore && !suggestions.isEmpty() && suggestions.first().score >= *m_options.acceptScore) {
            const QString &folder = suggestions.first().folder;
            outcome.bySuggestion = true;
            outcome.reasonCode.clear();
            outcome.reason.clear();
            return fileTo(outcome, PlannedCandidate {folder, shortForm(folder, m_options.rootFolder), -1, {}, false}, planner);
        }
        return outcome;
    }
    if (plan.candidates.size() > 1 && !m_options.takeFirstCandidate) {
        suggest(outcome);
        QStringList shortForms;
        for (const PlannedCandidate &candidate : plan.candidates)
            shortForms.append(candidate.shortForm);
        return skip(u"several-keywords"_s, u"several keywords: "_s + shortForms.join(u", "_s));
    }

    return fileTo(outcome, plan.candidates.first(), planner);
}

FileOutcome &BatchClassifier::fileTo(FileOutcome &outcome, const PlannedCandidate &candidate, ClassifyPlanner &planner)
{
    const FilePlan &plan = outcome.plan;
    const auto skip = [&outcome](const QString &code, const QString &reason) -> FileOutcome & {
        outcome.status = FileOutcome::Skipped;
        outcome.reasonCode = code;
        outcome.reason = reason;
        return outcome;
    };
    const QString path = plan.path;
    const QString from = FileOps::reduceRootJoin(path);
    outcome.destination = candidate.destination;
    outcome.shortDestination = candidate.shortForm;
    outcome.target = FileOps::reduceRootJoin(FileOps::join(candidate.destination, FileOps::fileName(from)));
    if (!plan.companion.isEmpty()) {
        const QString suffix = plan.companion.mid(FileOps::companionPath(from, {}).size());
        outcome.companionTarget = FileOps::companionPath(outcome.target, suffix);
    }

    if (outcome.target == from)
        return skip(u"already-there"_s, u"it is in its destination already"_s);
    // The window asks before it makes such a folder; nobody is here to answer.
    if (candidate.parentMissing)
        return skip(u"missing-parent-folder"_s,
                    u"the parent folder of %1 does not exist"_s.arg(quoted(outcome.destination)));
    // The move never replaces anything by itself; only a dry run has to look first.
    if (m_options.dryRun && MoveSteps::exists(outcome.target))
        return skip(u"target-exists"_s, u"%1 exists already"_s.arg(quoted(outcome.target)));
    if (!outcome.companionTarget.isEmpty() && MoveSteps::exists(outcome.companionTarget))
        return skip(u"companion-target-exists"_s, u"%1 exists already"_s.arg(quoted(outcome.companionTarget)));

    if (m_options.dryRun) {
        outcome.status = FileOutcome::WouldMove;
        return outcome;
    }
    move(outcome, candidate, planner);
    return outcome;
}

void BatchClassifier::move(FileOutcome &outcome, const PlannedCandidate &candidate, ClassifyPlanner &planner)
{
    if (!m_pass) {
        m_pass.emplace(MoveContext {m_prompts, m_messages, m_view, m_journal}, u"classify"_s, m_source);
        if (m_journal)
            m_passId = m_journal->currentPass();
    }
    m_prompts.clear();
    MoveOutcome moved = MoveOutcome::Failed;
    try {
        moveWithCompanions(outcome.plan.path, candidate.destination, m_options.rootFolder, m_pass->context(),
                           planner.companionFolders(outcome.plan), &moved);
    } catch (const MarrowdaleError &error) {
        m_stopped = true;
        m_stopNotice = error.message();
        outcome.status = FileOutcome::Failed;
        outcome.reasonCode = u"not-recorded"_s;
        outcome.reason = u"its move could not be recorded in the move journal, so nothing more was moved"_s;
        return;
    }

    // Between the checks and the move something may have changed on disk: the question that followed
    // was declined.
    const auto skip = [&outcome](const QString &code, const QString &reason) {
        outcome.status = FileOutcome::Skipped;
        outcome.reasonCode = code;
        outcome.reason = reason;
    };
    switch (moved) {
    case MoveOutcome::Moved:
        outcome.status = FileOutcome::Moved;
        countUse(m_table, candidate.owner, candidate.ownerKeyword, candidate.destination);
        // Only a companion folder that stayed behind or arrived in part has anything to say.
        outcome.problems = m_prompts.notices;
        return;
    case MoveOutcome::ParentDeclined:
        return skip(u"missing-parent-folder"_s,
                    u"the parent folder of %1 does not exist"_s.arg(quoted(outcome.destination)));
    case MoveOutcome::TargetKept:
    case MoveOutcome::SameFile:
        return skip(u"target-exists"_s, u"%1 exists already"_s.arg(quoted(outcome.target)));
    case MoveOutcome::Gone:
        outcome.status = FileOutcome::Taken;
        outcome.reasonCode = u"gone"_s;
        outcome.reason = u"another program took it away meanwhile"_s;
        return;
    case MoveOutcome::SourceChanged:
        // Still being written: a later run (or the watch) takes it once it is complete.
        return skip(u"busy"_s, u"it changed while it was copied; it is probably still being written"_s);
    case MoveOutcome::Failed:
        break;
    }
    outcome.status = FileOutcome::Failed;
    outcome.reasonCode = u"move-failed"_s;
    outcome.reason = u"it could not be moved to %1"_s.arg(quoted(outcome.destination));
    // What the window would have shown says why (another user's link on the way, say).
    if (!m_prompts.notices.isEmpty())
        outcome.reason += u": "_s + m_prompts.notices.join(u' ');
}

void BatchClassifier::suggest(FileOutcome &outcome)
{
    if (m_options.suggester)
        outcome.suggestions = suggestionsFor(*m_options.suggester, outcome.plan, m_options.facts.cache);
}
