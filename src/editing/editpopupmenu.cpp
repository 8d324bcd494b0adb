#include "editpopupmenu.h"

#include "languagefile.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

EditPopupMenu::EditPopupMenu(QPlainTextEdit *control, QWidget *parent)
    : QMenu(parent)
    , m_control(control)
{
    setObjectName(u"EditPopupMenu"_s);
    m_redo1 = addEntry(u"Redo1"_s, u"&Undo"_s, QKeySequence(Qt::CTRL | Qt::Key_Z));
    addSeparator()->setObjectName(u"N1"_s);
    m_cut1 = addEntry(u"Cut1"_s, u"C&ut"_s, QKeySequence(Qt::CTRL | Qt::Key_X));
    m_copy1 = addEntry(u"Copy1"_s, u"&Copy"_s, QKeySequence(Qt::CTRL | Qt::Key_C));
    m_paste1 = addEntry(u"Paste1"_s, u"&Paste"_s, QKeySequence(Qt::CTRL | Qt::Key_V));
    addSeparator()->setObjectName(u"N2"_s);
    m_puReplace = addEntry(u"puReplace"_s, u"&Replace"_s, QKeySequence(Qt::CTRL | Qt::Key_R));

    connect(m_redo1, &QAction::triggered, this, &EditPopupMenu::Redo1Click);
    connect(m_cut1, &QAction::triggered, this, &EditPopupMenu::Cut1Click);
    connect(m_copy1, &QAction::triggered, this, &EditPopupMenu::Copy1Click);
    connect(m_paste1, &QAction::triggered, this, &EditPopupMenu::Paste1Click);
    connect(m_puReplace, &QAction::triggered, this, &EditPopupMenu::replaceRequested);
    connect(this, &QMenu::aboutToShow, this, &EditPopupMenu::EditPopupMenuPopup);

    if (control) {
        control->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(control, &QWidget::customContextMenuRequested, this,
                [this](const QPoint &pos) { popup(m_control->mapToGlobal(pos)); });
    }
}

QAction *EditPopupMenu::addEntry(const QString &name, const QString &caption, const QKeySequence &shortcut)
{
    QAction *action = addAction(caption);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WidgetShortcut);
    if (m_control)
        m_control->addAction(action); // the shortcut belongs to the list, not to the whole window
    return action;
}

void EditPopupMenu::readCaptions(const LanguageFile &lng)
{
    const QString main = u"Main"_s;
    m_redo1->setText(lng.text(main, u"Redo1->Caption"_s));
    m_cut1->setText(lng.text(main, u"Cut1->Caption"_s));
    m_copy1->setText(lng.text(main, u"Copy1->Caption"_s));
    m_paste1->setText(lng.text(main, u"Paste1->Caption"_s));
    m_puReplace->setText(lng.text(main, u"puReplace->Caption"_s));
}

void EditPopupMenu::EditPopupMenuPopup()
{
    const QMimeData *data = QApplication::clipboard()->mimeData();
    m_paste1->setEnabled(data && data->hasText());
}

void EditPopupMenu::Redo1Click()
{
    if (m_control)
        m_control->undo();
}

void EditPopupMenu::Cut1Click()
{
    if (m_control)
        m_control->cut();
    else
        QApplication::beep();
}

void EditPopupMenu::Copy1Click()
{
    if (m_control)
        m_control->copy();
    else
        QApplication::beep();
}

void EditPopupMenu::Paste1Click()
{
    if (m_control)
        m_control->paste();
    else
        QApplication::beep();
}
