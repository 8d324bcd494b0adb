#pragma once

#include "keywordtable.h"

#include <QVarLengthArray>

#include <bitset>

// The short letter groups of one prepared path: tells at once, for most keywords, that their search
// text cannot occur in it, so the pass searches only for the few that might.
class PathGrams
{
public:
    /// Forgets the previous path and takes in this one.
    void assign(const PreparedPath &path);

    PathGrams() { m_bits[Always] = true; }

    /// What mayMatch() looks up for an entry, worked out once per table: a pass then reads four bytes per
    /// entry instead of each entry's search text.
    struct Probe
    {
        quint32 bit = Always;
    };

    static Probe probeOf(const KeywordEntry &entry)
    {
        const qsizetype size = entry.needle.size();
        if (size < 2)
            return Probe(); // one unit, or nothing: left to the search itself
        const QChar *units = entry.needle.constData();
        quint64 key = quint64(units[0].unicode()) | quint64(units[1].unicode()) << 16;
        qsizetype length = 2;
        if (size > 2) {
            key |= quint64(units[2].unicode()) << 32;
            ++length;
            if (size > 3) {
                key |= quint64(units[3].unicode()) << 48;
                ++length;
            }
        }
        return Probe {quint32(bitOf(key, length)) + (entry.caseSensitive ? Folded : Lower)};
    }

    /// False only when the probe's search text certainly does not occur in the path.
    bool mayMatch(Probe probe) const { return m_bits[probe.bit]; }

    /// False only when the entry's search text certainly does not occur in the path.
    bool mayMatch(const KeywordEntry &entry) const { return mayMatch(probeOf(entry)); }

private:
    static constexpr quint32 Bits = 1 << 16;
    // One set of bits: the groups of the path as written (for case-sensitive keywords), those of the
    // lower-cased path, and one bit always set for probes that cannot tell.
    static constexpr quint32 Folded = 0;
    static constexpr quint32 Lower = Bits;
    static constexpr quint32 Always = 2 * Bits;

    // A group of 2, 3 or 4 UTF-16 units packed into `key`; a longer search text is looked up by its
    // first four. The length is mixed in so that "ab" and "ab" followed by a zero unit differ.
    static std::size_t bitOf(quint64 key, qsizetype length)
    {
        return std::size_t(((key ^ quint64(length)) * 0x9E3779B97F4A7C15ull) >> 48);
    }

    void addGroups(quint32 offset, const QString &text);

    std::bitset<2 * Bits + 1> m_bits;
    QVarLengthArray<quint32, 1024> m_set; ///< bits set for the current path, to clear them cheaply
};
