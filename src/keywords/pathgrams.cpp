#include "pathgrams.h"

std::optional<PathGrams::Group> PathGrams::groupOf(const KeywordEntry &entry)
{
    const qsizetype size = entry.needle.size();
    if (size < 2)
        return std::nullopt;
    const QChar *units = entry.needle.constData();
    Group group {quint64(units[0].unicode()) | quint64(units[1].unicode()) << 16, 2, !entry.caseSensitive};
    if (size > 2) {
        group.units |= quint64(units[2].unicode()) << 32;
        group.length = 3;
        if (size > 3) {
            group.units |= quint64(units[3].unicode()) << 48;
            group.length = 4;
        }
    }
    return group;
}
