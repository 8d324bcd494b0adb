#pragma once

#include <bitset>

struct KeywordEntry;
struct PreparedPath;

// The short letter groups of one prepared path: tells at once, for most keywords, that their search
// text cannot occur in it, so the pass searches only for the few that might.
class PathGrams
{
public:
    /// Forgets the previous path and takes in this one.
    void assign(const PreparedPath &path);

    /// False only when the entry's search text certainly does not occur in the path.
    bool mayMatch(const KeywordEntry &entry) const;

private:
    static constexpr int Bits = 1 << 16;
    std::bitset<Bits> m_folded; ///< groups of the path as written, for case-sensitive keywords
    std::bitset<Bits> m_lower;  ///< groups of the lower-cased path
};
