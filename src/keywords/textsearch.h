#pragma once

#include <QString>

// Searching and replacing in the keyword list's text. Positions are the text box's characters.
namespace TextSearch {

/// First occurrence of `what` at or after `from`, compared exactly; -1 when there is none or `what` is empty.
qsizetype findFrom(const QString &text, const QString &what, qsizetype from);

struct Replaced
{
    QString text;
    qsizetype count = 0;
};

/// Every occurrence, found left to right without overlap, replaced; an empty `what` changes nothing.
Replaced replaceAll(const QString &text, const QString &what, const QString &replacement, bool matchCase);

} // namespace TextSearch
