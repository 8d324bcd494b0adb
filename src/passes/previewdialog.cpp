#include "previewdialog.h"

#include "messagetable.h"

#include "dialogs/helpcontext.h"
#include "dialogs/programfonts.h"
#include "dialogs/windowplacement.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

enum Column { File, Destination, Lines, Companion, Title, Address, Suggestions, ColumnCount };

} // namespace

PreviewDialog::PreviewDialog(QWidget *parent)
    : QDialog(parent)
    , m_language(u"Preview"_s, LanguageTable::MissingKeys::English)
{
    setWindowTitle(u"Preview"_s);
    setFont(ProgramFonts::proportional(12));
    HelpContext::set(this, 5); // the classifying page, which describes the preview
    resize(900, 460);
    m_counts = new QLabel(this);
    m_counts->setWordWrap(true);
    m_notes = new QLabel(this);
    m_notes->setWordWrap(true);
    m_notes->hide();
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setHorizontalHeaderLabels({u"File"_s, u"Destination"_s, u"Keyword lines"_s, u"Companion folder"_s,
                                        u"Title"_s, u"Address"_s, u"Suggestions"_s});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    // Real titles are long: a cell shows both ends of its text, its tooltip the whole.
    m_table->setTextElideMode(Qt::ElideMiddle);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->horizontalHeader()->setStretchLastSection(true);
    // The suggestions beside the destination they stand in for; the columns keep their numbers, which
    // language files and the copied text follow.
    m_table->horizontalHeader()->moveSection(Suggestions, Destination + 1);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_menu = new QMenu(this);

    m_suggestionButton = new QPushButton(u"&File as suggested..."_s, this);
    m_classifyButton = new QPushButton(u"Cl&assify"_s, this);
    m_copyButton = new QPushButton(u"&Copy"_s, this);
    m_closeButton = new QPushButton(u"C&lose"_s, this);
    m_closeButton->setDefault(true);
    connect(m_copyButton, &QPushButton::clicked, this, [this] {
        QStringList headers;
        for (int c = 0; c < m_table->columnCount(); ++c)
            headers.append(m_table->horizontalHeaderItem(c)->text());
        QApplication::clipboard()->setText(previewText(m_rows, headers, *m_messages));
    });
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_classifyButton, &QPushButton::clicked, this, [this] {
        m_classify = true;
        accept();
    });
    connect(m_suggestionButton, &QPushButton::clicked, this, [this] {
        showSuggestionMenu(m_table->currentRow(), m_suggestionButton->mapToGlobal(QPoint(0, m_suggestionButton->height())));
    });
    connect(m_table, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        showSuggestionMenu(m_table->rowAt(at.y()), m_table->viewport()->mapToGlobal(at));
    });
    connect(m_table, &QTableWidget::currentCellChanged, this, [this](int row) {
        m_suggestionButton->setEnabled(row >= 0 && row < m_rows.size() && !m_rows.at(row).suggestions.isEmpty());
    });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_suggestionButton);
    buttons->addStretch();
    buttons->addWidget(m_classifyButton);
    buttons->addWidget(m_copyButton);
    buttons->addWidget(m_closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_counts);
    layout->addWidget(m_notes);
    layout->addWidget(m_table);
    layout->addLayout(buttons);

    m_language.windowTitle(this)
        .columnTitles(u"Table"_s, m_table)
        .caption(u"btnSuggested"_s, m_suggestionButton)
        .caption(u"btnClassify"_s, m_classifyButton)
        .caption(u"btnCopy"_s, m_copyButton)
        .caption(u"btnClose"_s, m_closeButton);
    WindowPlacement::keepCentred(this);
}

void PreviewDialog::applyLanguage()
{
    m_language.applyProgramLanguage();
}

bool PreviewDialog::showPreview(const QList<PreviewRow> &rows, const MessageTable &messages, const QString &notes)
{
    m_rows = rows;
    m_messages = &messages;
    m_classify = false;
    m_notes->setText(notes);
    m_notes->setVisible(!notes.isEmpty());
    fillTable();
    fitColumns();
    // The first page with a suggestion is where the user most likely starts.
    const auto suggested = std::find_if(m_rows.cbegin(), m_rows.cend(),
                                        [](const PreviewRow &row) { return !row.suggestions.isEmpty(); });
    m_table->setCurrentCell(suggested == m_rows.cend() ? 0 : int(suggested - m_rows.cbegin()), File);
    m_suggestionButton->setEnabled(suggested != m_rows.cend());
    m_classifyButton->setEnabled(!m_rows.isEmpty());
    exec();
    return m_classify;
}

void PreviewDialog::fillTable()
{
    m_counts->setText(previewCounts(m_rows, *m_messages));
    m_table->setRowCount(0);
    m_table->setRowCount(int(m_rows.size()));
    for (int r = 0; r < m_rows.size(); ++r) {
        const QStringList cells = previewCells(m_rows.at(r), *m_messages);
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells.at(c));
            item->setToolTip(cells.at(c));
            m_table->setItem(r, c, item);
        }
        // The suggestions' tooltip says why each was made.
        QStringList reasons;
        for (const Suggestion &suggestion : m_rows.at(r).suggestions)
            reasons.append(suggestionLabel(suggestion) + u": "_s + suggestion.because.in(*m_messages));
        if (!reasons.isEmpty())
            m_table->item(r, Suggestions)->setToolTip(reasons.join(u'\n'));
    }
}

void PreviewDialog::fitColumns()
{
    // Each column as wide as its texts want, but no wider than its share of the screen, so that all fit
    // side by side; the window as wide as that within the screen.
    m_table->resizeColumnsToContents();
    const QRect screen = this->screen()->availableGeometry();
    static constexpr double shares[ColumnCount] = {0.22, 0.12, 0.12, 0.1, 0.2, 0.14, 0.16};
    for (int c = 0; c < ColumnCount; ++c)
        m_table->setColumnWidth(c, std::min(m_table->columnWidth(c), std::max(80, int(screen.width() * shares[c]))));
    const int wanted = m_table->horizontalHeader()->length() + m_table->verticalScrollBar()->sizeHint().width()
        + 2 * m_table->frameWidth() + layout()->contentsMargins().left() + layout()->contentsMargins().right();
    resize(std::clamp(wanted, 600, screen.width() * 9 / 10), height());
}

void PreviewDialog::showSuggestionMenu(int row, const QPoint &at)
{
    if (row < 0 || row >= m_rows.size() || m_rows.at(row).suggestions.isEmpty())
        return;
    m_menu->clear();
    const QList<Suggestion> &suggestions = m_rows.at(row).suggestions;
    for (int s = 0; s < suggestions.size(); ++s) {
        QAction *action = m_menu->addAction(suggestionLabel(suggestions.at(s)));
        action->setToolTip(suggestions.at(s).because.in(*m_messages));
        connect(action, &QAction::triggered, this, [this, row, s] { Q_EMIT suggestionChosen(row, s); });
    }
    m_menu->setToolTipsVisible(true);
    m_menu->popup(at);
}

void PreviewDialog::removeRow(int row)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows.removeAt(row);
    m_table->removeRow(row);
    m_counts->setText(previewCounts(m_rows, *m_messages));
    m_suggestionButton->setEnabled(m_table->currentRow() >= 0 && m_table->currentRow() < m_rows.size()
                                   && !m_rows.at(m_table->currentRow()).suggestions.isEmpty());
}
