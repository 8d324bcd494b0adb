#include "passcommands.h"

#include "previewdialog.h"

#include "desk.h"
#include "deskview.h"
#include "programtext.h"
#include "userprompts.h"

#include "browser/filelist.h"
#include "dialogs/handlerguard.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QScopeGuard>
#include <QTimer>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
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

    m_suggestionsAction = new QAction(u"&Suggestions"_s, window);
    m_suggestionsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    m_suggestionsAction->setShortcutContext(Qt::WindowShortcut);
    window->addAction(m_suggestionsAction);
    connect(m_suggestionsAction, &QAction::triggered, this, guarded(window, [this] { previewSuggestions(); }));

    m_classifyMenu = new QMenu(window);
    m_classifyMenu->addAction(m_previewAction);
    m_classifyMenu->addAction(m_suggestionsAction);
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

    // Pages dropped onto the window are filed at once, as Classify files them.
    window->setAcceptDrops(true);
    window->installEventFilter(this);

    m_previewDialog = new PreviewDialog(window);
    connect(m_previewDialog, &PreviewDialog::suggestionChosen, this, [this](int row, int index) {
        runGuarded(m_previewDialog, [&] {
            const PreviewRow shown = m_previewDialog->rows().at(row);
            bool moved = false;
            m_view.runPass([&] { moved = m_desk.fileAsSuggested(shown.path, shown.suggestions.at(index), m_view); });
            if (moved)
                m_previewDialog->removeRow(row);
        });
    });
}

void PassCommands::classify(const QStringList &files)
{
    const ProgramState &state = m_desk.state();
    // A Classify that would do nothing says why, rather than nothing at all.
    const QStringList toFile = files.isEmpty() ? m_files->filePaths() : files;
    if (state.table.size() == 0) {
        QString why = state.messages.text(Message::ClassifyNoKeywordLines);
        if (const QString refused = refusedLinesMessage(state.table, state.messages); !refused.isEmpty())
            why = refused + u"<br><br>"_s + why;
        m_desk.prompts().notify(why);
        return;
    }
    if (toFile.isEmpty()) {
        m_desk.prompts().notify(ProgramText(Message::ClassifyNoFiles, {m_files->folder()}).in(state.messages));
        return;
    }
    if (const QString refused = refusedLinesMessage(state.table, state.messages); !refused.isEmpty()) {
        const QString question = ProgramText(Message::ClassifyWithoutRefused, {refused}).in(state.messages);
        if (m_desk.prompts().msgBox(question, QString(), u"YesNo"_s, 1) != UserPrompts::Yes)
            return;
    }
    PassSummary summary;
    m_busy = true;
    const auto idle = qScopeGuard([this] { m_busy = false; });
    m_view.runPass([&] { summary = m_desk.classify(toFile, m_view); });
    m_withoutKeyword = summary.withoutKeyword;
    const int suggested = m_desk.suggestedCount(m_withoutKeyword, m_files->folder());
    m_view.showSummary(passSummaryText(summary, suggested, m_desk.state().messages));
}

void PassCommands::preview(const QStringList &files)
{
    // An edit not parsed yet would show the list as it was.
    m_view.parseNowIfEdited();
    const ProgramState &state = m_desk.state();
    const QStringList shown = files.isEmpty() ? m_files->filePaths() : files;
    const QList<PreviewRow> rows = m_desk.preview(shown, m_files->folder());
    m_previewDialog->applyLanguage();
    if (m_previewDialog->showPreview(rows, state.messages, refusedLinesMessage(state.table, state.messages))) {
        QStringList left; // what the preview did not file already
        for (const PreviewRow &row : m_previewDialog->rows())
            left.append(row.path);
        if (!left.isEmpty())
            classify(left);
    }
}

bool PassCommands::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window || (event->type() != QEvent::DragEnter && event->type() != QEvent::Drop))
        return false;
    auto *drop = static_cast<QDropEvent *>(event);
    if (!drop->mimeData()->hasUrls() || m_busy || QApplication::activeModalWidget())
        return false;
    drop->acceptProposedAction();
    if (event->type() == QEvent::Drop) {
        // Filed after the drop: the source of the drag must not wait for the pass and its questions.
        QTimer::singleShot(0, this, [this, urls = drop->mimeData()->urls()] {
            runGuarded(m_window, [&] { classifyDropped(urls); });
        });
    }
    return true;
}

void PassCommands::classifyDropped(const QList<QUrl> &urls)
{
    QStringList files, refused;
    for (const QUrl &url : urls) {
        const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
        if (!path.isEmpty() && QFileInfo(path).isFile())
            files.append(QDir::cleanPath(path));
        else
            refused.append(url.toDisplayString(QUrl::PreferLocalFile));
    }
    if (!refused.isEmpty()) {
        m_desk.prompts().notify(
            ProgramText(Message::DropNotLocal, {refused.join(u", "_s)}).in(m_desk.state().messages));
    }
    if (!files.isEmpty()) {
        m_view.parseNowIfEdited();
        classify(files);
    }
}

void PassCommands::previewSuggestions()
{
    QStringList still;
    for (const QString &file : std::as_const(m_withoutKeyword)) {
        if (QFileInfo::exists(file))
            still.append(file);
    }
    if (!still.isEmpty())
        preview(still);
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
    m_view.showSummary(ProgramText(Message::UndoSummary, {QString::number(undone ? 1 : 0), u"1"_s})
                           .in(m_desk.state().messages));
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
    const int count = m_desk.movesToTakeBack(move.journalId);
    if (count > 0) {
        const QString question = ProgramText(Message::UndoPassQuestion, {QString::number(count)}).in(m_desk.state().messages);
        if (m_desk.prompts().msgBox(question, QString(), u"YesNo"_s, 1) != UserPrompts::Yes)
            return;
    }
    std::optional<UndoReport> report;
    m_view.runPass([&] { report = m_desk.undoPassOf(move.journalId, m_view); });
    if (!report) {
        // Not on record (the journal could not be written): the one line is all that can be taken back.
        undoSelectedMove();
        return;
    }
    QSet<QString> restored, all;
    for (const UndoOutcome &outcome : report->outcomes) {
        all.insert(outcome.move);
        if (outcome.restored)
            restored.insert(outcome.move);
    }
    for (int row = m_log->count() - 1; row >= 0; --row) {
        if (restored.contains(m_log->item(row)->data(LoggedMoveRole).value<LoggedMove>().journalId))
            delete m_log->takeItem(row);
    }
    m_log->clearSelection();
    m_log->setCurrentRow(-1);
    m_view.showSummary(ProgramText(Message::UndoSummary,
                                   {QString::number(restored.size()), QString::number(all.size())})
                           .in(m_desk.state().messages));
    if (const QStringList problems = report->problems(); !problems.isEmpty()) {
        m_desk.prompts().notify(
            m_desk.state().messages.text(Message::UndoPassProblems).arg(problems.size()).arg(problems.join(u'\n')));
    }
}
