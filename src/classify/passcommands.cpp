#include "passcommands.h"

#include "classifypreview.h"
#include "mainview.h"
#include "movehistory.h"
#include "userprompts.h"

#include "app/filelist.h"
#include "app/mainwindow.h"
#include "classify/previewdialog.h"
#include "dialogs/handlerguard.h"
#include "dialogs/optionsdialog.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSet>

using namespace Qt::StringLiterals;

PassCommands::PassCommands(MainWindow *main)
    : QObject(main)
    , m_main(main)
{
    m_previewAction = new QAction(u"&Preview"_s, main);
    m_previewAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    m_previewAction->setShortcutContext(Qt::WindowShortcut);
    main->addAction(m_previewAction);
    connect(m_previewAction, &QAction::triggered, this, guarded(main, [this] { preview(); }));

    m_classifyMenu = new QMenu(main);
    m_classifyMenu->addAction(m_previewAction);
    QPushButton *classify = main->classifyButton();
    classify->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(classify, &QWidget::customContextMenuRequested, this,
            [this, classify](const QPoint &at) { m_classifyMenu->popup(classify->mapToGlobal(at)); });

    m_undoMoveAction = new QAction(u"&Undo"_s, main);
    m_undoPassAction = new QAction(u"Undo whole &pass"_s, main);
    connect(m_undoMoveAction, &QAction::triggered, this, guarded(main, [main] { main->undoSelectedMove(); }));
    connect(m_undoPassAction, &QAction::triggered, this, guarded(main, [this] { undoSelectedPass(); }));
    m_logMenu = new QMenu(main);
    m_logMenu->addAction(m_undoMoveAction);
    m_logMenu->addAction(m_undoPassAction);
    QListWidget *log = main->log();
    log->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(log, &QWidget::customContextMenuRequested, this, [this, log](const QPoint &at) {
        const bool line = !log->selectedItems().isEmpty();
        m_undoMoveAction->setEnabled(line);
        m_undoPassAction->setEnabled(line);
        m_logMenu->popup(log->viewport()->mapToGlobal(at));
    });

    m_previewDialog = new PreviewDialog(main);
}

void PassCommands::preview()
{
    // An edit not parsed yet would show the list as it was.
    if (m_main->parseTimer()->isActive())
        m_main->parseKeywordList();
    ProgramState &state = m_main->state();
    const QList<PreviewRow> rows
        = previewPass(state.table, m_main->fileList()->filePaths(), m_main->optionsDialog()->rootFolder());
    m_previewDialog->applyLanguage();
    m_previewDialog->showPreview(rows, state.messages, refusedLinesMessage(state.table, state.messages));
}

void PassCommands::undoSelectedPass()
{
    QListWidget *log = m_main->log();
    const QList<QListWidgetItem *> selected = log->selectedItems();
    if (selected.isEmpty())
        return;
    const LoggedMove move = selected.first()->data(MainWindow::LoggedMoveRole).value<LoggedMove>();
    MoveJournal &journal = m_main->journal();
    journal.flush();
    const MoveHistory history = MoveHistory::read(journal.path());
    const HistoryMove *recorded = history.move(move.journalId);
    if (!recorded) {
        // Not on record (the journal could not be written): the one line is all that can be taken back.
        m_main->undoSelectedMove();
        return;
    }
    UndoReport report;
    m_main->runPass(
        [&] { report = MoveUndo::undoPass(history, recorded->pass, journal, m_main, m_main->state().messages); });
    QSet<QString> restored;
    for (const UndoOutcome &outcome : report.outcomes) {
        if (outcome.restored)
            restored.insert(outcome.move);
    }
    for (int row = log->count() - 1; row >= 0; --row) {
        if (restored.contains(log->item(row)->data(MainWindow::LoggedMoveRole).value<LoggedMove>().journalId))
            delete log->takeItem(row);
    }
    log->clearSelection();
    log->setCurrentRow(-1);
    if (const QStringList problems = report.problems(); !problems.isEmpty()) {
        m_main->prompts().notify(
            m_main->state().messages.text(Message::UndoPassProblems).arg(problems.size()).arg(problems.join(u'\n')));
    }
}
