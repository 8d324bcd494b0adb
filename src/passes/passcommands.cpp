#include "passcommands.h"

#include "previewdialog.h"

#include "desk.h"
#include "deskview.h"
#include "programtext.h"
#include "userprompts.h"

#include "browser/filelist.h"
#include "dialogs/handlerguard.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSet>

using namespace Qt::StringLiterals;

PassCommands::PassCommands(Desk &desk, DeskView &view, QPushButton *classifyButton, QListWidget *log, FileList *files,
                           QWidget *window)
    : QObject(window)
    , m_desk(desk)
    , m_view(view)
    , m_log(log)
    , m_files(files)
    , m_window(window)
{
    m_previewAction = new QAction(u"&Preview"_s, window);
    m_previewAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    m_previewAction->setShortcutContext(Qt::WindowShortcut);
    window->addAction(m_previewAction);
    connect(m_previewAction, &QAction::triggered, this, guarded(window, [this] { preview(); }));

    m_classifyMenu = new QMenu(window);
    m_classifyMenu->addAction(m_previewAction);
    classifyButton->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(classifyButton, &QWidget::customContextMenuRequested, this, [this, classifyButton](const QPoint &at) {
        m_classifyMenu->popup(classifyButton->mapToGlobal(at));
    });

    m_undoMoveAction = new QAction(u"&Undo"_s, window);
    m_undoPassAction = new QAction(u"Undo whole &pass"_s, window);
    connect(m_undoMoveAction, &QAction::triggered, this, guarded(window, [this] { undoSelectedMove(); }));
    connect(m_undoPassAction, &QAction::triggered, this, guarded(window, [this] { undoSelectedPass(); }));
    m_logMenu = new QMenu(window);
    m_logMenu->addAction(m_undoMoveAction);
    m_logMenu->addAction(m_undoPassAction);
    log->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(log, &QWidget::customContextMenuRequested, this, [this, log](const QPoint &at) {
        const bool line = !log->selectedItems().isEmpty();
        m_undoMoveAction->setEnabled(line);
        m_undoPassAction->setEnabled(line);
        m_logMenu->popup(log->viewport()->mapToGlobal(at));
    });

    m_previewDialog = new PreviewDialog(window);
}

void PassCommands::classify()
{
    const ProgramState &state = m_desk.state();
    if (const QString refused = refusedLinesMessage(state.table, state.messages); !refused.isEmpty()) {
        const QString question = ProgramText(Message::ClassifyWithoutRefused, {refused}).in(state.messages);
        if (m_desk.prompts().msgBox(question, QString(), u"YesNo"_s, 1) != UserPrompts::Yes)
            return;
    }
    m_view.runPass([&] { m_desk.classify(m_files->filePaths(), m_view); });
}

void PassCommands::preview()
{
    // An edit not parsed yet would show the list as it was.
    m_view.parseNowIfEdited();
    const ProgramState &state = m_desk.state();
    const QList<PreviewRow> rows = m_desk.preview(m_files->filePaths());
    m_previewDialog->applyLanguage();
    m_previewDialog->showPreview(rows, state.messages, refusedLinesMessage(state.table, state.messages));
}

void PassCommands::undoSelectedMove()
{
    const QList<QListWidgetItem *> selected = m_log->selectedItems();
    if (selected.isEmpty())
        return;
    QListWidgetItem *line = selected.first();
    bool undone = false;
    m_view.runPass([&] {
        undone = m_desk.undoMove(line->data(LoggedMoveRole).value<LoggedMove>(), m_files->folder(), m_view);
    });
    if (undone) {
        delete line;
        // The list would select a neighbour; a second click must not undo a line nobody picked.
        m_log->setCurrentRow(-1);
        m_log->clearSelection();
    }
}

void PassCommands::undoSelectedPass()
{
    const QList<QListWidgetItem *> selected = m_log->selectedItems();
    if (selected.isEmpty())
        return;
    const LoggedMove move = selected.first()->data(LoggedMoveRole).value<LoggedMove>();
    std::optional<UndoReport> report;
    m_view.runPass([&] { report = m_desk.undoPassOf(move.journalId, m_view); });
    if (!report) {
        // Not on record (the journal could not be written): the one line is all that can be taken back.
        undoSelectedMove();
        return;
    }
    QSet<QString> restored;
    for (const UndoOutcome &outcome : report->outcomes) {
        if (outcome.restored)
            restored.insert(outcome.move);
    }
    for (int row = m_log->count() - 1; row >= 0; --row) {
        if (restored.contains(m_log->item(row)->data(LoggedMoveRole).value<LoggedMove>().journalId))
            delete m_log->takeItem(row);
    }
    m_log->clearSelection();
    m_log->setCurrentRow(-1);
    if (const QStringList problems = report->problems(); !problems.isEmpty()) {
        m_desk.prompts().notify(
            m_desk.state().messages.text(Message::UndoPassProblems).arg(problems.size()).arg(problems.join(u'\n')));
    }
}
