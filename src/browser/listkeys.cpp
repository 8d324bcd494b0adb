#include "listkeys.h"

#include <QKeyEvent>
#include <QListWidget>

FirstArrowSelects::FirstArrowSelects(QListWidget *list)
    : QObject(list)
    , m_list(list)
{
    list->installEventFilter(this);
}

bool FirstArrowSelects::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_list || event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool arrow = key->key() == Qt::Key_Up || key->key() == Qt::Key_Down;
    if (!arrow || key->modifiers() != Qt::NoModifier || !m_list->currentItem() || !m_list->selectedItems().isEmpty())
        return false;
    m_list->currentItem()->setSelected(true);
    return true;
}
