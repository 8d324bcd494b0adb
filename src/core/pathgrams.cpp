#include "pathgrams.h"

void PathGrams::addGroups(quint32 offset, const QString &text)
{
    const auto set = [this, offset](std::size_t bit) {
        m_bits[offset + bit] = true;
        m_set.append(offset + quint32(bit));
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
    for (const quint32 bit : std::as_const(m_set))
        m_bits[bit] = false;
    m_set.clear();
    addGroups(Folded, path.folded);
    addGroups(Lower, path.foldedLower);
}
