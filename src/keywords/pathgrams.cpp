#include "pathgrams.h"

#include <algorithm>

PathGrams::Groups PathGrams::groupsOf(const KeywordEntry &entry)
{
    Groups groups;
    const qsizetype size = entry.needle.size();
    if (size < 2)
        return groups;
    const QChar *units = entry.needle.constData();
    const qsizetype length = std::min<qsizetype>(size, 4);
    for (qsizetype start = 0; start + length <= size; ++start) {
        Group group {0, quint32(length), !entry.caseSensitive};
        for (qsizetype i = 0; i < length; ++i)
            group.units |= quint64(units[start + i].unicode()) << (16 * i);
        groups.append(group);
    }
    return groups;
}
