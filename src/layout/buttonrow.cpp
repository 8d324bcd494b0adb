#include "buttonrow.h"

#include <algorithm>

namespace ButtonRow {

QList<Place> fit(const QList<Place> &designed, const QList<int> &needed)
{
    QList<Place> placed;
    for (qsizetype i = 0; i < designed.size(); ++i) {
        Place place {designed[i].left, std::max(designed[i].width, needed.value(i))};
        if (i > 0) {
            const int gap = std::max(0, designed[i].left - designed[i - 1].right());
            place.left = std::max(place.left, placed.last().right() + gap);
        }
        placed.append(place);
    }
    return placed;
}

} // namespace ButtonRow
