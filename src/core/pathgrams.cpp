#include "pathgrams.h"

#include "keywordtable.h"

namespace {

// Groups of 2, 3 and 4 UTF-16 units; a longer search text is looked up by its first four.
constexpr qsizetype LongestGroup = 4;

quint32 step(quint32 hash, char16_t unit)
{
    return (hash ^ unit) * 0x01000193u;
}

// The group's length is mixed in, so "ab" and the first two units of "abc" fall on different bits.
quint32 finish(quint32 hash, qsizetype length)
{
    hash ^= quint32(length) * 0x9E3779B1u;
    hash *= 0x85EBCA6Bu;
    return (hash ^ (hash >> 15)) & 0xFFFFu;
}

template<typename Bits>
void addGroups(Bits &bits, const QString &text)
{
    const QChar *units = text.constData();
    const qsizetype size = text.size();
    for (qsizetype start = 0; start + 1 < size; ++start) {
        quint32 hash = 0x811C9DC5u;
        hash = step(hash, units[start].unicode());
        for (qsizetype length = 2; length <= LongestGroup && start + length <= size; ++length) {
            hash = step(hash, units[start + length - 1].unicode());
            bits.set(finish(hash, length));
        }
    }
}

} // namespace

void PathGrams::assign(const PreparedPath &path)
{
    m_folded.reset();
    m_lower.reset();
    addGroups(m_folded, path.folded);
    addGroups(m_lower, path.foldedLower);
}

bool PathGrams::mayMatch(const KeywordEntry &entry) const
{
    const QString &needle = entry.needle;
    const qsizetype length = std::min(needle.size(), LongestGroup);
    if (length < 2)
        return true; // one unit, or nothing: left to the search itself
    const QChar *units = needle.constData();
    quint32 hash = 0x811C9DC5u;
    for (qsizetype i = 0; i < length; ++i)
        hash = step(hash, units[i].unicode());
    return (entry.caseSensitive ? m_folded : m_lower).test(finish(hash, length));
}
