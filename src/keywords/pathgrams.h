#pragma once

#include "keywordtable.h"

#include <QHashFunctions>
#include <QVarLengthArray>


// The short letter groups of a prepared path: they tell at once, for most keywords, that their search
// text cannot occur in it, so the pass searches only for the few that might.
class PathGrams
{
    static constexpr quint32 Bits = 1 << 16;

public:
    /// 2, 3 or 4 UTF-16 units, packed, of the path as written (for case-sensitive keywords) or of the
    /// lower-cased path. An entry's search text can only occur in a path that holds each of its groups; a
    /// longer search text is looked up by one run of four of its units.
    struct Group
    {
        quint64 units = 0;
        quint32 length = 0;
        bool lower = false;

        /// Stands for the group in a set of bits small enough to stay in the cache, so that most groups
        /// of a path are passed over without a look-up.
        quint32 probe() const
        {
            // The length is mixed in so that "ab" and "ab" followed by a zero unit differ.
            return quint32(((units ^ length) * 0x9E3779B97F4A7C15ull) >> 48) + (lower ? Bits : 0);
        }

        friend bool operator==(const Group &, const Group &) = default;
        friend size_t qHash(const Group &group, size_t seed = 0)
        {
            return qHashMulti(seed, group.units, group.length, group.lower);
        }
    };
    static constexpr quint32 ProbeCount = 2 * Bits;

    /// The groups of an entry's search text: each run of four units, or the whole text when it is
    /// shorter; none when it is shorter than two units, as such an entry may occur in any path.
    using Groups = QVarLengthArray<Group, 16>;
    static Groups groupsOf(const KeywordEntry &entry);

    /// The kinds of group some entries begin with (a bit for each length, of either form): most lists
    /// hold keywords of four letters or more in lower case, so a path's other groups need no look-up.
    struct Kinds
    {
        quint8 folded = 0;
        quint8 lower = 0;

        void add(const Group &group) { (group.lower ? lower : folded) |= quint8(1 << group.length); }
    };

    /// Calls `visit` with every group of the kinds given that begins at or after the given unit of the
    /// path as written and of its lower-cased form; some more than once.
    template<typename Visit>
    static void forEachGroup(const PreparedPath &path, Kinds kinds, Visit visit, qsizetype foldedFrom = 0,
                             qsizetype lowerFrom = 0)
    {
        forEachGroup(path.folded, false, kinds.folded, foldedFrom, visit);
        forEachGroup(path.foldedLower, true, kinds.lower, lowerFrom, visit);
    }

private:
    template<typename Visit>
    static void forEachGroup(const QString &text, bool lower, quint8 lengths, qsizetype from, Visit &visit)
    {
        if (lengths == 0)
            return;
        const QChar *units = text.constData();
        const qsizetype size = text.size();
        for (qsizetype start = from; start + 1 < size; ++start) {
            Group group {quint64(units[start].unicode()) | quint64(units[start + 1].unicode()) << 16, 2, lower};
            if (lengths & 1 << 2)
                visit(group);
            if (start + 2 < size) {
                group.units |= quint64(units[start + 2].unicode()) << 32;
                group.length = 3;
                if (lengths & 1 << 3)
                    visit(group);
                if (start + 3 < size) {
                    group.units |= quint64(units[start + 3].unicode()) << 48;
                    group.length = 4;
                    if (lengths & 1 << 4)
                        visit(group);
                }
            }
        }
    }
};
