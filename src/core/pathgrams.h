#pragma once

#include "keywordtable.h"

// The short letter groups of a prepared path: they tell at once, for most keywords, that their search
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

    static Probe probeOf(const KeywordEntry &entry);

    /// Calls `visit` with every probe the path holds, Always left out; some more than once.
    template<typename Visit> static void forEachProbe(const PreparedPath &path, Visit visit)
    {
        forEachGroup(Folded, path.folded, visit);
        forEachGroup(Lower, path.foldedLower, visit);
    }

private:
    static constexpr quint32 Bits = 1 << 16;
    // One range of probes for the groups of the path as written (for case-sensitive keywords), then one
    // for those of the lower-cased path, then Always.
    static constexpr Probe Folded = 0;
    static constexpr Probe Lower = Bits;

    // A group of 2, 3 or 4 UTF-16 units packed into `key`; a longer search text is looked up by its
    // first four. The length is mixed in so that "ab" and "ab" followed by a zero unit differ.
    static Probe bitOf(quint64 key, qsizetype length)
    {
        return Probe(((key ^ quint64(length)) * 0x9E3779B97F4A7C15ull) >> 48);
    }

    template<typename Visit> static void forEachGroup(Probe offset, const QString &text, Visit &visit)
    {
        const QChar *units = text.constData();
        const qsizetype size = text.size();
        for (qsizetype start = 0; start + 1 < size; ++start) {
            quint64 key = quint64(units[start].unicode()) | quint64(units[start + 1].unicode()) << 16;
            visit(offset + bitOf(key, 2));
            if (start + 2 < size) {
                key |= quint64(units[start + 2].unicode()) << 32;
                visit(offset + bitOf(key, 3));
                if (start + 3 < size) {
                    key |= quint64(units[start + 3].unicode()) << 48;
                    visit(offset + bitOf(key, 4));
                }
            }
        }
    }
};
