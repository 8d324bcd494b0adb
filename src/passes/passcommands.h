#pragma once

#include "passlog.h"

#include <QObject>

class Desk;
class DeskView;
class FileList;
class PreviewDialog;
class QAction;
class QListWidget;
class QMenu;
class QPushButton;
class QUrl;

// The passes over the source folder: Classify, its preview (the Classify button's menu, Ctrl+P), and the
// log's Undo of one move and of a whole pass.
class PassCommands : public QObject
{
    Q_OBJECT
public:
    /// Where a log item keeps the move it shows.
    static constexpr int LoggedMoveRole = PassLog::LoggedMoveRole;

    /// The preview and the questions open over `window`.
    PassCommands(Desk &desk, DeskView &view, QPushButton *classifyButton, QListWidget *log, FileList *files,
                 QWidget *window);

    QAction *previewAction() const { return m_previewAction; }
    /// Preview of the files the last pass left without a keyword, with their suggested folders.
    QAction *suggestionsAction() const { return m_suggestionsAction; }
    QAction *undoMoveAction() const { return m_undoMoveAction; }
    QAction *undoPassAction() const { return m_undoPassAction; }
    PreviewDialog *previewDialog() const { return m_previewDialog; }

    /// Classify over the file list (or `files`); first names the lines of the list that file nothing, and
    /// asks. Afterwards the log says what the pass did.
    void classify(const QStringList &files = {});
    /// Runs the pass's matching over the file list (or `files`) without moving, creating or asking
    /// anything, and shows the result with suggestions for the pages without a keyword.
    void preview(const QStringList &files = {});
    /// The preview of the files the last pass left without a keyword that are still there.
    void previewSuggestions();
    /// Classify over what was dropped onto the window; what is not a file on this computer is named.
    void classifyDropped(const QList<QUrl> &urls);
    /// Takes back the move of the selected log line.
    void undoSelectedMove();
    /// Takes back every move of the pass the selected log line belongs to, newest first.
    void undoSelectedPass();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Desk &m_desk;
    DeskView &m_view;
    QListWidget *m_log;
    FileList *m_files;
    QWidget *m_window;
    QMenu *m_classifyMenu = nullptr;
    QMenu *m_logMenu = nullptr;
    QAction *m_previewAction = nullptr;
    QAction *m_suggestionsAction = nullptr;
    QStringList m_withoutKeyword; ///< by the last pass
    bool m_busy = false; ///< a pass runs: what is dropped meanwhile is not taken
    QAction *m_undoMoveAction = nullptr;
    QAction *m_undoPassAction = nullptr;
    PreviewDialog *m_previewDialog = nullptr;
};
