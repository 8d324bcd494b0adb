#pragma once

#include <QMenu>
#include <QPointer>

class QPlainTextEdit;

// The keyword list's own popup: undo, cut, copy, paste and the find/replace dialog. Its shortcuts
// act while the list has the focus. Its keys too: Tab and Shift+Tab leave the list, only Ctrl+Tab types a
// tab character into it (one the user did not ask for would end up in the pattern file).
class KeywordListMenu : public QMenu
{
    Q_OBJECT
public:
    KeywordListMenu(QPlainTextEdit *list, QWidget *parent);

    QAction *undoAction() const { return m_undo; }
    QAction *cutAction() const { return m_cut; }
    QAction *copyAction() const { return m_copy; }
    QAction *pasteAction() const { return m_paste; }
    QAction *replaceAction() const { return m_replace; }

    /// Paste only while the clipboard holds text.
    void enablePaste();
    void undo();
    void cut();
    void copy();
    void paste();

Q_SIGNALS:
    /// The "Replace" entry: the owner opens the find/replace dialog.
    void replaceRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *addEntry(const QString &caption, const QKeySequence &shortcut);

    QPointer<QPlainTextEdit> m_list;
    QAction *m_undo = nullptr;
    QAction *m_cut = nullptr;
    QAction *m_copy = nullptr;
    QAction *m_paste = nullptr;
    QAction *m_replace = nullptr;
};
