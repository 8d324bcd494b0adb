#pragma once

#include <QList>

// Buttons at fixed places whose captions a translation may lengthen. A button keeps its left edge and
// grows to the right as far as its caption needs; when it would then reach into the next button, that
// one moves right, keeping the gap the layout had between them, and the rest of the row follows.
namespace ButtonRow {

struct Place
{
    int left = 0;
    int width = 0;

    int right() const { return left + width; }
    friend bool operator==(const Place &, const Place &) = default;
};

/// The places for buttons laid out at `designed` whose captions need `needed` pixels each.
QList<Place> fit(const QList<Place> &designed, const QList<int> &needed);

} // namespace ButtonRow
