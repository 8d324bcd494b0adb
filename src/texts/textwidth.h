#pragma once

#include <QString>

// How wide a text stands in a fixed-pitch font: wide and full-width characters (kanji, kana, full-width
// letters) take two columns, every other character one (half-width kana too), as terminals count them.
namespace TextWidth {

int columns(QStringView text);

/// The text with blanks after it up to `width` columns; a wider text stays as it is.
QString padded(const QString &text, int width);

} // namespace TextWidth
