#pragma once

#include <QObject>

class Desk;
class QPlainTextEdit;
class ReplaceDialog;

// Find and replace in the keyword list through the modeless replace dialog.
class FindReplaceCommands : public QObject
{
    Q_OBJECT
public:
    /// The dialog stands beside `window`.
    FindReplaceCommands(Desk &desk, QPlainTextEdit *list, QWidget *window);

    ReplaceDialog *replaceDialog() const { return m_dialog; }

    /// Opens the dialog; the user may go on editing the list meanwhile.
    void showDialog();

    /// Find Next: from the end of the selection downwards, always with case, no wrap.
    void findNext();
    /// Replace: whatever is selected, then Find Next.
    void replaceSelection();
    /// Replace All as one undoable edit, the count told, then the dialog closes.
    void replaceEverywhere();

private:
    QPlainTextEdit *list() const { return m_list; }
    QString listText() const;

    Desk &m_desk;
    QPlainTextEdit *m_list;
    ReplaceDialog *m_dialog;
};
