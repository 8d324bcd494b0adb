#pragma once

#include "buttonrow.h"

#include <QList>

class QPushButton;

// Push buttons of fixed geometry that grow to show a translated caption whole.
namespace ButtonFit {

/// The width the button needs for its caption in its font and style.
int captionWidth(const QPushButton *button);

/// Places a row of buttons at their designed places, each grown as far as its caption needs (see
/// ButtonRow); keeps their top and height. Returns the row's right edge.
int placeRow(const QList<QPushButton *> &buttons, const QList<ButtonRow::Place> &designed);

} // namespace ButtonFit
