#include "classifyreport.h"

#include "keywordtable.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace {

QString statusWord(FileOutcome::Status status)
{
    switch (status) {
    case FileOutcome::Moved:
        return u"moved"_s;
    case FileOutcome::WouldMove:
        return u"would-move"_s;
    case FileOutcome::NoKeyword:
        return u"no-keyword"_s;
    case FileOutcome::Skipped:
        return u"skipped"_s;
    case FileOutcome::Taken:
        return u"taken"_s;
    case FileOutcome::Failed:
        break;
    }
    return u"failed"_s;
}

QJsonValue pathOrNull(const QString &path)
{
    return path.isEmpty() ? QJsonValue() : QJsonValue(path);
}

QString fieldWord(MatchedIn where)
{
    switch (where) {
    case MatchedIn::Title:
        return u"title"_s;
    case MatchedIn::Address:
        return u"address"_s;
    case MatchedIn::Name:
        break;
    }
    return u"name"_s;
}

} // namespace

namespace {

// Control characters, and the marks that turn a line's direction, which could make a name look like
// something else.
bool needsEscape(char16_t c)
{
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0x2028 || c == 0x2029
        || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

QString escaped(QStringView text, bool keepLineBreaks)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\' && !keepLineBreaks) {
            shown += u"\\\\"_s;
        } else if (u == u'\n' && keepLineBreaks) {
            shown += u"\n    "_s;
        } else if (!needsEscape(u)) {
            shown += c;
        } else if (u == u'\n' || u == u'\t' || u == u'\r') {
            shown += u == u'\n' ? u"\\n"_s : u == u'\t' ? u"\\t"_s : u"\\r"_s;
        } else {
            shown += u < 0x100 ? u"\\x%1"_s.arg(int(u), 2, 16, QChar(u'0')) : u"\\u{%1}"_s.arg(int(u), 4, 16, QChar(u'0'));
        }
    }
    return shown;
}

} // namespace

QString reportLine(QStringView text)
{
    const auto plain = [](QChar c) { return !needsEscape(c.unicode()) && c != u'\\'; };
    return std::all_of(text.cbegin(), text.cend(), plain) ? text.toString() : escaped(text, false);
}

void printLine(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = (stream == stderr ? escaped(text, true) : text).toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

ClassifyReport::ClassifyReport(Style style, const QString &rootFolder, bool dryRun)
    : m_style(style)
    , m_root(rootFolder)
    , m_dryRun(dryRun)
{ }

QJsonObject ClassifyReport::toJson(const FileOutcome &outcome, const QString &rootFolder)
{
    QJsonArray matches;
    for (const KeywordMatch &match : outcome.plan.matches) {
        matches.append(QJsonObject {{u"line"_s, match.lineNumber},
                                    {u"keyword"_s, match.keyword},
                                    {u"destination"_s, match.destination},
                                    {u"asksEachTime"_s, match.confirmEachTime},
                                    {u"field"_s, fieldWord(match.where)}});
    }
    QJsonArray candidates;
    for (const PlannedCandidate &candidate : outcome.plan.candidates)
        candidates.append(shortForm(candidate.destination, rootFolder));
    QJsonObject object {{u"file"_s, outcome.plan.path},
                        {u"title"_s, pathOrNull(outcome.plan.facts.title)},
                        {u"address"_s, pathOrNull(outcome.plan.facts.address)},
                        {u"status"_s, statusWord(outcome.status)},
                        {u"destination"_s, pathOrNull(outcome.destination)},
                        {u"target"_s, pathOrNull(outcome.target)},
                        {u"companion"_s, pathOrNull(outcome.plan.companion)},
                        {u"companionTarget"_s, pathOrNull(outcome.companionTarget)},
                        {u"matches"_s, matches},
                        {u"candidates"_s, candidates},
                        {u"reasonCode"_s, pathOrNull(outcome.reasonCode)},
                        {u"reason"_s, pathOrNull(outcome.reason)},
                        {u"problems"_s, QJsonArray::fromStringList(outcome.problems)}};
    if (!outcome.suggestions.isEmpty() || outcome.bySuggestion) {
        QJsonArray suggestions;
        for (const Suggestion &suggestion : outcome.suggestions) {
            suggestions.append(QJsonObject {{u"folder"_s, suggestion.folder},
                                            {u"short"_s, suggestion.shortFolder},
                                            {u"score"_s, std::round(suggestion.score * 1000) / 1000},
                                            {u"because"_s, suggestion.because.english()},
                                            {u"keyword"_s, pathOrNull(suggestion.keyword)}});
        }
        object.insert(u"suggestions"_s, suggestions);
        object.insert(u"bySuggestion"_s, outcome.bySuggestion);
    }
    return object;
}

void ClassifyReport::file(const FileOutcome &outcome)
{
    ++m_files;
    switch (outcome.status) {
    case FileOutcome::Moved:
        ++m_moved;
        break;
    case FileOutcome::WouldMove:
        ++m_wouldMove;
        break;
    case FileOutcome::NoKeyword:
        ++m_noKeyword;
        break;
    case FileOutcome::Skipped:
        ++m_skipped;
        break;
    case FileOutcome::Failed:
        ++m_failed;
        break;
    case FileOutcome::Taken:
        ++m_taken;
        break;
    }
    if (!outcome.problems.isEmpty())
        ++m_withProblems;
    if (outcome.status == FileOutcome::Moved)
        ++m_round.moved;
    else if (outcome.status == FileOutcome::Skipped || outcome.status == FileOutcome::Failed)
        m_round.waiting.append(outcome.plan.path.mid(outcome.plan.path.lastIndexOf(u'/') + 1));

    if (m_style == Style::Json) {
        write(QString::fromUtf8(QJsonDocument(toJson(outcome, m_root)).toJson(QJsonDocument::Compact)));
        return;
    }
    const bool explain = m_style == Style::Explain;
    if (outcome.status == FileOutcome::NoKeyword && !explain)
        return;

    // Put together in a string kept for the pass: a pass prints a line for every file.
    const QStringView name = QStringView(outcome.plan.path).sliced(outcome.plan.path.lastIndexOf(u'/') + 1);
    const QString &companion = outcome.plan.companion;
    QString &line = m_line;
    line.resize(0);
    const auto withReason = [&](const QString &status) {
        line += status;
        line += name;
        line += u": "_s;
        line += outcome.reason;
    };
    switch (outcome.status) {
    case FileOutcome::Moved:
    case FileOutcome::WouldMove:
        line += outcome.status == FileOutcome::Moved ? u"moved      "_s : u"would move "_s;
        line += name;
        line += u" -> "_s;
        line += outcome.shortDestination;
        if (outcome.bySuggestion)
            line += u" (suggested)"_s;
        if (!companion.isEmpty()) {
            line += u" (with "_s;
            line += QStringView(companion).sliced(companion.lastIndexOf(u'/') + 1);
            line += u')';
        }
        break;
    case FileOutcome::NoKeyword:
        withReason(u"stays      "_s);
        break;
    case FileOutcome::Skipped:
        withReason(u"skipped    "_s);
        break;
    case FileOutcome::Failed:
        withReason(u"failed     "_s);
        break;
    case FileOutcome::Taken:
        withReason(u"taken      "_s);
        break;
    }
    write(reportLine(line));
    for (const QString &problem : outcome.problems)
        write(reportLine(u"           "_s + problem));
    if (explain) {
        if (!outcome.plan.facts.title.isEmpty())
            write(reportLine(u"           title: "_s + outcome.plan.facts.title));
        if (!outcome.plan.facts.address.isEmpty())
            write(reportLine(u"           address: "_s + outcome.plan.facts.address));
        for (const KeywordMatch &match : outcome.plan.matches) {
            // Where it matched, when that was not the name.
            const QString in = match.where == MatchedIn::Name ? QString() : u" (in the %1)"_s.arg(fieldWord(match.where));
            write(reportLine(u"           line %1: %2 -> %3%4%5"_s.arg(match.lineNumber)
                                 .arg(match.keyword, shortForm(match.destination, m_root), in,
                                      match.confirmEachTime ? u" (asks each time)"_s : QString())));
        }
        for (const Suggestion &suggestion : outcome.suggestions) {
            write(reportLine(u"           suggested %1 (%2): %3"_s.arg(shortForm(suggestion.folder, m_root))
                                 .arg(double(suggestion.score), 0, 'f', 2)
                                 .arg(suggestion.because.english())));
        }
    }
}

void ClassifyReport::summary(const QString &passId, bool countersWritten)
{
    if (m_style == Style::Json) {
        const QJsonObject summary {{u"files"_s, m_files},
                                   {u"moved"_s, m_moved},
                                   {u"wouldMove"_s, m_wouldMove},
                                   {u"noKeyword"_s, m_noKeyword},
                                   {u"skipped"_s, m_skipped},
                                   {u"failed"_s, m_failed},
                                   {u"taken"_s, m_taken},
                                   {u"withProblems"_s, m_withProblems},
                                   {u"unreadableNames"_s, m_unreadable},
                                   {u"refusedLines"_s, m_refusedLines},
                                   {u"allRecorded"_s, m_allRecorded},
                                   {u"pass"_s, pathOrNull(passId)},
                                   {u"countersWritten"_s, countersWritten}};
        write(QString::fromUtf8(QJsonDocument(QJsonObject {{u"summary"_s, summary}}).toJson(QJsonDocument::Compact)));
        return;
    }
    QString line = m_dryRun ? u"%1 would move"_s.arg(m_wouldMove) : u"%1 moved"_s.arg(m_moved);
    line += u", %1 skipped, %2 failed, %3 without a keyword"_s.arg(m_skipped).arg(m_failed).arg(m_noKeyword);
    if (m_taken > 0)
        line += u", %1 taken by another program"_s.arg(m_taken);
    line += u'.';
    if (!passId.isEmpty())
        line += u" Pass %1."_s.arg(passId);
    write(line);
}

void ClassifyReport::unreadableNames(const QString &folder, int count)
{
    if (count == 0)
        return;
    m_unreadable += count;
    printLine(stderr,
              u"marrowdale: %1 files in \"%2\" have names that are not UTF-8; they were left where they are "
              "(the window offers to rename them to their Shift-JIS reading)"_s.arg(count)
                  .arg(folder));
}

void ClassifyReport::write(QStringView text)
{
    // As printLine() writes it, through a buffer kept for the pass.
    m_bytes.resize(m_encoder.requiredSpace(text.size()) + 1);
    char *end = m_encoder.appendToBuffer(m_bytes.data(), text);
    *end++ = '\n';
    std::fwrite(m_bytes.constData(), 1, size_t(end - m_bytes.constData()), stdout);
}
