#include "buttonfit.h"

#include <QPushButton>
#include <QWidget>
#include <QStyle>

namespace ButtonFit {

int captionWidth(const QPushButton *button)
{
    // The text and the margins the style puts around it; the style's own minimum width for a text button
    // is left out, as it would widen every button of the fixed layouts.
    const int text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width();
    const QStyle *style = button->style();
    return text + style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button)
        + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
}

int placeRow(const QList<QPushButton *> &buttons, const QList<ButtonRow::Place> &designed)
{
    QList<int> needed;
    for (const QPushButton *button : buttons)
        needed.append(captionWidth(button));
    const QList<ButtonRow::Place> places = ButtonRow::fit(designed, needed);
    int right = 0;
    for (qsizetype i = 0; i < buttons.size() && i < places.size(); ++i) {
        QPushButton *button = buttons[i];
        button->setGeometry(places[i].left, button->y(), places[i].width, button->height());
        right = places[i].right();
    }
    return right;
}

void placeRowIn(QWidget *row, const QList<QPushButton *> &buttons, const QList<int> &lefts, int width, int rowWidth)
{
    QList<ButtonRow::Place> places;
    for (const int left : lefts)
        places.append({left, width});
    const int right = placeRow(buttons, places);
    row->resize(std::max(rowWidth, right + lefts.value(0)), row->height());
}

} // namespace ButtonFit
