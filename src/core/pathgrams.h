#pragma once

#include "keywordtable.h"

#include <QVarLengthArray>

#include <bitset>

// The short letter groups of one prepared path: tells at once, for most keywords, that their search
// text cannot occur in it, so the pass searches only for the few that might.
class PathGrams
{
public:
    /// Stands for an entry's search text: an entry can only match a path that holds its probe. Worked out
    /// once per table, it spares a pass reading each entry's search text for every file.
    using Probe = quint32;
    static constexpr Probe ProbeCount = 2 * (1 << 16) + 1;
    /// The probe of a search text too short to tell (one unit, or nothing): every path holds it.
    static constexpr Probe Always = ProbeCount - 1;

    PathGrams() { m_bits[Always] = true; }

    /// Forgets the previous path and takes in this one.
    void assign(const PreparedPath &path);

    static Probe probeOf(const KeywordEntry &entry);

    /// False only when the search text of the probe certainly does not occur in the path.
    bool holds(Probe probe) const { return m_bits[probe]; }

    /// The probes the current path holds, Always left out; some more than once.
    const QVarLengthArray<Probe, 1024> &probesHeld() const { return m_held; }

private:
    static constexpr quint32 Bits = 1 << 16;
    // One set of bits: the groups of the path as written (for case-sensitive keywords), then those of the
    // lower-cased path, then Always.
    static constexpr Probe Folded = 0;
    static constexpr Probe Lower = Bits;

    // A group of 2, 3 or 4 UTF-16 units packed into `key`; a longer search text is looked up by its
    // first four. The length is mixed in so that "ab" and "ab" followed by a zero unit differ.
    static std::size_t bitOf(quint64 key, qsizetype length)
    {
        return std::size_t(((key ^ quint64(length)) * 0x9E3779B97F4A7C15ull) >> 48);
    }

    void addGroups(Probe offset, const QString &text);

    std::bitset<ProbeCount> m_bits;
    QVarLengthArray<Probe, 1024> m_held; ///< bits set for the current path, to clear them cheaply
};
