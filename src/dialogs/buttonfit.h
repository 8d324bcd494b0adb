#pragma once

#include "buttonrow.h"

#include <QList>

class QPushButton;
class QWidget;

// Push buttons of fixed geometry that grow to show a translated caption whole.
namespace ButtonFit {

/// The width the button needs for its caption in its font and style.
int captionWidth(const QPushButton *button);

/// Places a row of buttons at their designed places, each grown as far as its caption needs (see
/// ButtonRow); keeps their top and height. Returns the row's right edge.
int placeRow(const QList<QPushButton *> &buttons, const QList<ButtonRow::Place> &designed);

/// The same for the buttons of `row`, all `width` wide at `lefts`: the row grows to hold them, keeping the
/// margin of the first on the right, and stays at least `rowWidth` wide.
void placeRowIn(QWidget *row, const QList<QPushButton *> &buttons, const QList<int> &lefts, int width, int rowWidth);

} // namespace ButtonFit
