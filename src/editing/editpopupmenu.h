#pragma once

#include <QMenu>
#include <QPointer>

class LanguageFile;
class QPlainTextEdit;

// The keyword list's own popup: undo, cut, copy, paste and the find/replace dialog. Its shortcuts
// act while the list has the focus.
class EditPopupMenu : public QMenu
{
    Q_OBJECT
public:
    EditPopupMenu(QPlainTextEdit *control, QWidget *parent);

    QAction *redo1() const { return m_redo1; }
    QAction *cut1() const { return m_cut1; }
    QAction *copy1() const { return m_copy1; }
    QAction *paste1() const { return m_paste1; }
    QAction *puReplace() const { return m_puReplace; }

    void readCaptions(const LanguageFile &lng);

    void EditPopupMenuPopup();
    void Redo1Click();
    void Cut1Click();
    void Copy1Click();
    void Paste1Click();

Q_SIGNALS:
    /// The "Replace" entry: the owner opens the find/replace dialog.
    void replaceRequested();

private:
    QAction *addEntry(const QString &name, const QString &caption, const QKeySequence &shortcut);

    QPointer<QPlainTextEdit> m_control;
    QAction *m_redo1 = nullptr;
    QAction *m_cut1 = nullptr;
    QAction *m_copy1 = nullptr;
    QAction *m_paste1 = nullptr;
    QAction *m_puReplace = nullptr;
};
