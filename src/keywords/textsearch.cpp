#include "textsearch.h"

namespace TextSearch {

namespace {

Qt::CaseSensitivity sensitivity(bool matchCase)
{
    return matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

} // namespace

qsizetype findFrom(const QString &text, const QString &what, qsizetype from)
{
    if (what.isEmpty() || from < 0 || from > text.size())
        return -1;
    return text.indexOf(what, from, Qt::CaseSensitive);
}

Replaced replaceAll(const QString &text, const QString &what, const QString &replacement, bool matchCase)
{
    // Case folding here keeps every character's length, so hits map straight back onto the text;
    // the count is that of the replacements made, never a separate guess.
    Replaced result;
    if (what.isEmpty()) {
        result.text = text;
        return result;
    }
    result.text.reserve(text.size());
    qsizetype from = 0;
    for (qsizetype hit = text.indexOf(what, 0, sensitivity(matchCase)); hit >= 0;
         hit = text.indexOf(what, from, sensitivity(matchCase))) {
        result.text += QStringView(text).sliced(from, hit - from);
        result.text += replacement;
        from = hit + what.size();
        ++result.count;
    }
    result.text += QStringView(text).sliced(from);
    return result;
}

} // namespace TextSearch
