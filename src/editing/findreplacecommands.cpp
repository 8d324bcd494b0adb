#include "findreplacecommands.h"

#include "plaintext.h"
#include "replacedialog.h"
#include "textsearch.h"
#include "userprompts.h"

#include "desk.h"
#include "dialogs/handlerguard.h"

#include <QPlainTextEdit>
#include <QTextCursor>

using namespace Qt::StringLiterals;

FindReplaceCommands::FindReplaceCommands(Desk &desk, QPlainTextEdit *list, QWidget *window)
    : QObject(window)
    , m_desk(desk)
    , m_list(list)
    , m_dialog(new ReplaceDialog(window))
{
    connect(m_dialog, &ReplaceDialog::findNext, this, [this] { runGuarded(m_dialog, [this] { findNext(); }); });
    connect(m_dialog, &ReplaceDialog::replace, this, [this] { runGuarded(m_dialog, [this] { replaceSelection(); }); });
    connect(m_dialog, &ReplaceDialog::replaceAll, this,
            [this] { runGuarded(m_dialog, [this] { replaceEverywhere(); }); });
}

QString FindReplaceCommands::listText() const
{
    return exactPlainText(m_list);
}

void FindReplaceCommands::showDialog()
{
    m_dialog->showDialog();
}

void FindReplaceCommands::findNext()
{
    QTextCursor cursor = list()->textCursor();
    const QString what = m_dialog->findText();
    const qsizetype hit = TextSearch::findFrom(listText(), what, cursor.selectionEnd());
    if (hit < 0) {
        m_desk.prompts().msgBox(m_desk.state().messages.text(23), QString(), u"OK"_s, 1);
        return;
    }
    cursor.setPosition(int(hit));
    cursor.setPosition(int(hit + what.size()), QTextCursor::KeepAnchor);
    list()->setTextCursor(cursor);
    list()->setFocus();
    list()->ensureCursorVisible();
}

void FindReplaceCommands::replaceEverywhere()
{
    const TextSearch::Replaced result = TextSearch::replaceAll(listText(), m_dialog->findText(),
                                                               m_dialog->replaceText(), m_dialog->matchCase());
    if (result.count > 0) {
        // One edit block over the whole text keeps the box's undo history: one undo takes it back.
        // The caret goes to the top, as for a new text, so that Find Next walks the whole list again.
        QTextCursor cursor(list()->document());
        cursor.beginEditBlock();
        cursor.select(QTextCursor::Document);
        cursor.insertText(result.text);
        cursor.endEditBlock();
        cursor.setPosition(0);
        list()->setTextCursor(cursor);
    }
    m_desk.prompts().msgBox(QString::number(result.count) + m_desk.state().messages.text(22), QString(), u"OK"_s, 1);
    m_dialog->close();
}

void FindReplaceCommands::replaceSelection()
{
    // The selection is replaced as it is: the user chose it, maybe by hand.
    QTextCursor cursor = list()->textCursor();
    if (cursor.hasSelection()) {
        cursor.insertText(m_dialog->replaceText());
        list()->setTextCursor(cursor);
    }
    findNext();
}
