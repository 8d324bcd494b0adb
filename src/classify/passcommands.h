#pragma once

#include <QObject>

class MainWindow;
class PreviewDialog;
class QAction;
class QMenu;

// Around the Classify pass: the preview of what it would do (the Classify button's menu, Ctrl+P), and the
// undo of a whole pass from the log's menu beside the one-line Undo.
class PassCommands : public QObject
{
    Q_OBJECT
public:
    explicit PassCommands(MainWindow *main);

    QAction *previewAction() const { return m_previewAction; }
    QAction *undoMoveAction() const { return m_undoMoveAction; }
    QAction *undoPassAction() const { return m_undoPassAction; }
    PreviewDialog *previewDialog() const { return m_previewDialog; }

    /// Runs the pass's matching over the file list without moving, creating or asking anything, and
    /// shows the result.
    void preview();
    /// Takes back every move of the pass the selected log line belongs to, newest first.
    void undoSelectedPass();

private:
    MainWindow *m_main;
    QMenu *m_classifyMenu = nullptr;
    QMenu *m_logMenu = nullptr;
    QAction *m_previewAction = nullptr;
    QAction *m_undoMoveAction = nullptr;
    QAction *m_undoPassAction = nullptr;
    PreviewDialog *m_previewDialog = nullptr;
};
