#pragma once

#include <QObject>

class QPlainTextEdit;
class ReplaceDialog;
class MainWindow;

// Find and replace in the keyword list through the modeless replace dialog.
class FindReplaceCommands : public QObject
{
    Q_OBJECT
public:
    explicit FindReplaceCommands(MainWindow *main);

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
    QPlainTextEdit *list() const;

    MainWindow *m_main;
    ReplaceDialog *m_dialog;
};
