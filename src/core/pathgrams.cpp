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
