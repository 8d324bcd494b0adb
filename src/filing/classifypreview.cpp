#include "classifypreview.h"

#include "fileops.h"
#include "messagetable.h"
#include "pagefactscache.h"
#include "programtext.h"

#include <QDir>

using namespace Qt::StringLiterals;

QList<Suggestion> suggestionsFor(const Suggester &suggester, const FilePlan &plan, PageFactsCache *facts,
                                 PageFacts *used)
{
    if (plan.candidates.size() == 1 || plan.asksEachTime())
        return {};
    const PageFacts pageFacts = facts ? facts->factsOf(plan.path) : plan.facts;
    if (used)
        *used = pageFacts;
    if (plan.candidates.isEmpty())
        return suggester.suggest(plan.path, pageFacts);
    QStringList among;
    for (const PlannedCandidate &candidate : plan.candidates)
        among.append(QDir::cleanPath(candidate.destination));
    return suggester.suggest(plan.path, pageFacts, int(among.size()), among);
}

QList<PreviewRow> previewPass(const KeywordTable &table, const QStringList &files, const QString &rootFolder,
                              PageFactsUse facts, const Suggester *suggester)
{
    ClassifyPlanner planner(rootFolder, foldersBeside(files), facts);
    planner.prefetch(table, files);
    QList<PreviewRow> rows;
    rows.reserve(files.size());
    for (const QString &path : files) {
        const FilePlan plan = planner.plan(table, path);
        PreviewRow row;
        row.path = path;
        row.fileName = FileOps::fileName(path);
        row.matches = plan.matches;
        row.companion = plan.companion.isEmpty() ? QString() : FileOps::fileName(plan.companion);
        if (plan.asksEachTime()) {
            row.outcome = PreviewRow::AsksEachTime;
            row.destinations = {shortForm(plan.askingMatch().destination, rootFolder)};
        } else {
            for (const PlannedCandidate &candidate : plan.candidates)
                row.destinations.append(candidate.shortForm);
            row.outcome = row.destinations.isEmpty() ? PreviewRow::NoKeyword
                : row.destinations.size() == 1       ? PreviewRow::Destination
                                                     : PreviewRow::SeveralKeywords;
        }
        row.facts = plan.facts;
        if (suggester) {
            PageFacts wentBy;
            row.suggestions = suggestionsFor(*suggester, plan, facts.cache, &wentBy);
            if (!row.suggestions.isEmpty())
                row.facts = wentBy;
        }
        rows.append(row);
    }
    return rows;
}

QStringList previewCells(const PreviewRow &row, const MessageTable &messages)
{
    QString destination;
    switch (row.outcome) {
    case PreviewRow::Destination:
        destination = row.destinations.constFirst();
        break;
    case PreviewRow::NoKeyword:
        destination = messages.text(Message::PreviewNoKeyword);
        break;
    case PreviewRow::SeveralKeywords:
        destination = messages.text(Message::PreviewSeveralKeywords).arg(row.destinations.join(u", "_s));
        break;
    case PreviewRow::AsksEachTime:
        destination = messages.text(Message::PreviewAsksEachTime).arg(row.destinations.constFirst());
        break;
    }
    QStringList lines;
    for (const KeywordMatch &match : row.matches) {
        const QString line = u"%1: %2"_s.arg(match.lineNumber).arg(match.keyword);
        if (match.where == MatchedIn::Title)
            lines.append(messages.text(Message::PreviewInTitle).arg(line));
        else if (match.where == MatchedIn::Address)
            lines.append(messages.text(Message::PreviewInAddress).arg(line));
        else
            lines.append(line);
    }
    QStringList suggestions;
    for (const Suggestion &suggestion : row.suggestions)
        suggestions.append(suggestionLabel(suggestion));
    return {row.fileName,        destination,        lines.join(u"; "_s),        row.companion,
            row.facts.title,     row.facts.address,  suggestions.join(u"; "_s)};
}

QString suggestionLabel(const Suggestion &suggestion)
{
    return u"%1 (%2%)"_s.arg(suggestion.shortFolder).arg(qRound(suggestion.score * 100));
}

QString previewCounts(const QList<PreviewRow> &rows, const MessageTable &messages)
{
    int counts[4] = {};
    int suggested = 0;
    for (const PreviewRow &row : rows) {
        ++counts[row.outcome];
        suggested += row.outcome == PreviewRow::NoKeyword && !row.suggestions.isEmpty();
    }
    return ProgramText(Message::PreviewCounts,
                       {QString::number(rows.size()), QString::number(counts[PreviewRow::Destination]),
                        QString::number(counts[PreviewRow::NoKeyword]), QString::number(suggested),
                        QString::number(counts[PreviewRow::SeveralKeywords]),
                        QString::number(counts[PreviewRow::AsksEachTime])})
        .in(messages);
}

QString previewText(const QList<PreviewRow> &rows, const QStringList &headers, const MessageTable &messages)
{
    QString text = headers.join(u'\t') + u'\n';
    for (const PreviewRow &row : rows)
        text += previewCells(row, messages).join(u'\t') + u'\n';
    return text;
}
