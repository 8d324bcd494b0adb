#pragma once

#include <QString>

// Searching and replacing in the keyword list's text. Positions are the text box's characters.
namespace TextSearch {

/// First occurrence of `what` at or after `from`, compared exactly; -1 when there is none or `what` is empty.
qsizetype findFrom(const QString &text, const QString &what, qsizetype from);

/// Occurrences found left to right without overlap; 0 for an empty `what`.
qsizetype count(const QString &text, const QString &what, bool matchCase);

struct Replaced
{
    QString text;
    qsizetype count = 0;
};

/// Every occurrence (as count() finds them) replaced; an empty `what` changes nothing.
Replaced replaceAll(const QString &text, const QString &what, const QString &replacement, bool matchCase);

} // namespace TextSearch
