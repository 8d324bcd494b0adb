#include "pathgrams.h"

PathGrams::Probe PathGrams::probeOf(const KeywordEntry &entry)
{
    const qsizetype size = entry.needle.size();
    if (size < 2)
        return Always;
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
    return Probe(bitOf(key, length)) + (entry.caseSensitive ? Folded : Lower);
}

void PathGrams::addGroups(Probe offset, const QString &text)
{
    const auto set = [this, offset](std::size_t bit) {
        m_bits[offset + bit] = true;
        m_held.append(offset + Probe(bit));
    };
    const QChar *units = text.constData();
    const qsizetype size = text.size();
    for (qsizetype start = 0; start + 1 < size; ++start) {
        quint64 key = quint64(units[start].unicode()) | quint64(units[start + 1].unicode()) << 16;
        set(bitOf(key, 2));
        if (start + 2 < size) {
            key |= quint64(units[start + 2].unicode()) << 32;
            set(bitOf(key, 3));
            if (start + 3 < size) {
                key |= quint64(units[start + 3].unicode()) << 48;
                set(bitOf(key, 4));
            }
        }
    }
}

void PathGrams::assign(const PreparedPath &path)
{
    // Clearing the few bits the last path set is cheaper than clearing all of them.
    for (const Probe bit : std::as_const(m_held))
        m_bits[bit] = false;
    m_held.clear();
    addGroups(Folded, path.folded);
    addGroups(Lower, path.foldedLower);
}
