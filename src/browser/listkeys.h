#pragma once

#include <QObject>

class QListWidget;

// A list that takes the focus frames its first line without selecting it, and an arrow key then moves
// on: the only line of a list could not be picked. Installed on a list, the first arrow selects the
// framed line; every arrow after it moves as usual.
class FirstArrowSelects : public QObject
{
public:
    explicit FirstArrowSelects(QListWidget *list);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QListWidget *m_list;
};
