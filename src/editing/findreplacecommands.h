#pragma once

#include <QObject>

class QPlainTextEdit;
class ReplaceDialog;
class TMain;

// Find and replace in the keyword list through the modeless replace dialog.
class FindReplaceCommands : public QObject
{
    Q_OBJECT
public:
    explicit FindReplaceCommands(TMain *main);

    ReplaceDialog *replaceDialog() const { return m_dialog; }

    /// Opens the dialog; the user may go on editing the list meanwhile.
    void btnReplaceClick();

    /// Find Next: from the end of the selection downwards, always with case, no wrap.
    void ReplaceDialogFind();
    /// Replace (whatever is selected, then Find Next) or Replace All (then the dialog closes).
    void ReplaceDialogReplace(bool all);

    /// Replaces every occurrence in the list as one undoable edit; returns the count.
    qsizetype ReplaceAllInKeywordList(const QString &find, const QString &replacement, bool matchCase, bool showCount);

private:
    QPlainTextEdit *list() const;

    TMain *m_main;
    ReplaceDialog *m_dialog;
};
