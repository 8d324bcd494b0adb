#include "keywordlistmenu.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

KeywordListMenu::KeywordListMenu(QPlainTextEdit *list, QWidget *parent)
    : QMenu(parent)
    , m_list(list)
{
    setObjectName(u"keywordListMenu"_s);
    m_undo = addEntry(u"&Undo"_s, QKeySequence(Qt::CTRL | Qt::Key_Z));
    addSeparator();
    m_cut = addEntry(u"C&ut"_s, QKeySequence(Qt::CTRL | Qt::Key_X));
    m_copy = addEntry(u"&Copy"_s, QKeySequence(Qt::CTRL | Qt::Key_C));
    m_paste = addEntry(u"&Paste"_s, QKeySequence(Qt::CTRL | Qt::Key_V));
    addSeparator();
    m_replace = addEntry(u"&Replace"_s, QKeySequence(Qt::CTRL | Qt::Key_R));

    connect(m_undo, &QAction::triggered, this, &KeywordListMenu::undo);
    connect(m_cut, &QAction::triggered, this, &KeywordListMenu::cut);
    connect(m_copy, &QAction::triggered, this, &KeywordListMenu::copy);
    connect(m_paste, &QAction::triggered, this, &KeywordListMenu::paste);
    connect(m_replace, &QAction::triggered, this, &KeywordListMenu::replaceRequested);
    connect(this, &QMenu::aboutToShow, this, &KeywordListMenu::enablePaste);

    if (list) {
        list->setTabChangesFocus(true);
        list->installEventFilter(this);
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this,
                [this](const QPoint &pos) { popup(m_list->mapToGlobal(pos)); });
    }
}

bool KeywordListMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_list || event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab)
        return false;
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_Tab && modifiers == Qt::ControlModifier) {
        m_list->insertPlainText(u"\t"_s);
        return true;
    }
    // Tab and Shift+Tab go on to the list's neighbours; any other combination does nothing.
    return modifiers != Qt::NoModifier && modifiers != Qt::ShiftModifier;
}

QAction *KeywordListMenu::addEntry(const QString &caption, const QKeySequence &shortcut)
{
    QAction *action = addAction(caption);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WidgetShortcut);
    if (m_list)
        m_list->addAction(action); // the shortcut belongs to the list, not to the whole window
    return action;
}

void KeywordListMenu::enablePaste()
{
    const QMimeData *data = QApplication::clipboard()->mimeData();
    m_paste->setEnabled(data && data->hasText());
}

void KeywordListMenu::undo()
{
    if (m_list)
        m_list->undo();
}

void KeywordListMenu::cut()
{
    if (m_list)
        m_list->cut();
    else
        QApplication::beep();
}

void KeywordListMenu::copy()
{
    if (m_list)
        m_list->copy();
    else
        QApplication::beep();
}

void KeywordListMenu::paste()
{
    if (m_list)
        m_list->paste();
    else
        QApplication::beep();
}
