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
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

PreviewDialog::PreviewDialog(QWidget *parent)
    : QDialog(parent)
    , m_language(u"Preview"_s, LanguageTable::MissingKeys::English)
{
    setWindowTitle(u"Preview"_s);
    setFont(ProgramFonts::proportional(12));
    HelpContext::set(this, 5); // the classifying page, which describes the preview
    resize(820, 420);
    m_notes = new QLabel(this);
    m_notes->setWordWrap(true);
    m_notes->hide();
    m_table = new QTableWidget(0, 6, this);
    m_table->setHorizontalHeaderLabels(
        {u"File"_s, u"Destination"_s, u"Keyword lines"_s, u"Companion folder"_s, u"Title"_s, u"Address"_s});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_copyButton = new QPushButton(u"&Copy"_s, this);
    m_closeButton = new QPushButton(u"C&lose"_s, this);
    m_closeButton->setDefault(true);
    connect(m_copyButton, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(m_text); });
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_copyButton);
    buttons->addWidget(m_closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_notes);
    layout->addWidget(m_table);
    layout->addLayout(buttons);

    m_language.windowTitle(this)
        .columnTitles(u"Table"_s, m_table)
        .caption(u"btnCopy"_s, m_copyButton)
        .caption(u"btnClose"_s, m_closeButton);
    WindowPlacement::keepCentred(this);
}

void PreviewDialog::applyLanguage()
{
    m_language.applyProgramLanguage();
}

void PreviewDialog::showPreview(const QList<PreviewRow> &rows, const MessageTable &messages, const QString &notes)
{
    m_notes->setText(notes);
    m_notes->setVisible(!notes.isEmpty());
    m_table->setRowCount(0);
    m_table->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = previewCells(rows.at(r), messages);
        for (int c = 0; c < cells.size(); ++c)
            m_table->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
    m_table->resizeColumnsToContents();
    // As wide as the columns want, within the screen.
    const int wanted = m_table->horizontalHeader()->length() + m_table->verticalScrollBar()->sizeHint().width()
        + 2 * m_table->frameWidth() + layout()->contentsMargins().left() + layout()->contentsMargins().right();
    const QRect screen = this->screen()->availableGeometry();
    resize(std::clamp(wanted, 600, screen.width() * 9 / 10), height());
    QStringList headers;
    for (int c = 0; c < m_table->columnCount(); ++c)
        headers.append(m_table->horizontalHeaderItem(c)->text());
    m_text = previewText(rows, headers, messages);
    exec();
}
