#pragma once

#include "classifyplan.h"
#include "suggester.h"

#include <QList>
#include <QString>
#include <QStringList>

class MessageTable;

// What Classify would do with each file of the file list, decided by the pass's own planner without
// moving, creating or asking anything: the window's preview shows it as a table and copies it as text.
struct PreviewRow
{
    enum Outcome {
        Destination, ///< one destination: the file moves there (after the move question when Confirm is on)
        NoKeyword, ///< it stays
        SeveralKeywords, ///< the keyword choice dialog would ask
        AsksEachTime, ///< a keyword ending in "?" asks for the folder
    };

    QString path; ///< the file's full path
    QString fileName;
    Outcome outcome = NoKeyword;
    QStringList destinations; ///< short forms: the one, the several, or where the question starts
    QList<KeywordMatch> matches;
    QString companion; ///< the name of the companion folder that would travel along; empty when none
    PageFacts facts; ///< the page's title and address, when they took part or suggestions were made
    /// Without a keyword: where it may belong; with several: its destinations ranked. Only with a suggester.
    QList<Suggestion> suggestions;

    friend bool operator==(const PreviewRow &, const PreviewRow &) = default;
};

/// With `facts`, a page's title and address take part, as in the pass; with `suggester` (prepared), the
/// rows without a keyword or with several get suggestions.
QList<PreviewRow> previewPass(const KeywordTable &table, const QStringList &files, const QString &rootFolder,
                              PageFactsUse facts = {}, const Suggester *suggester = nullptr);

/// The suggestions for one file, as a pass without a user and the preview make them: where it may belong
/// when no keyword matched, its candidates ranked when several did. `used` learns the page's facts they
/// went by.
QList<Suggestion> suggestionsFor(const Suggester &suggester, const FilePlan &plan, PageFactsCache *facts,
                                 PageFacts *used = nullptr);

/// The row as the table shows it: file, destination (or why there is none), keyword lines (with where each
/// matched, when not in the name), companion folder, the page's title and address, the suggestions.
QStringList previewCells(const PreviewRow &row, const MessageTable &messages);

/// The rows as text to paste elsewhere: one line a row, cells separated by tabs, after a line of `headers`.
QString previewText(const QList<PreviewRow> &rows, const QStringList &headers, const MessageTable &messages);

/// How many rows have each outcome, as the preview says above its table.
QString previewCounts(const QList<PreviewRow> &rows, const MessageTable &messages);

/// A suggestion as a cell or a menu shows it: the folder's short form and its score in per cent.
QString suggestionLabel(const Suggestion &suggestion);
