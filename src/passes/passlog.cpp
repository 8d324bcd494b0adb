#include "passlog.h"

#include "dialogs/programfonts.h"

PassLog::PassLog(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Log lines pad names to 40 columns; only a fixed-pitch face lines the arrows up.
    setFont(ProgramFonts::fixed(11));
    // A pass appends thousands of lines: every line is one line high, so none has to be laid out to be
    // placed, and only those in sight are ever shaped.
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
}

void PassLog::appendMove(const LoggedMove &move)
{
    auto *item = new QListWidgetItem(move.line, this);
    item->setData(LoggedMoveRole, QVariant::fromValue(move));
}

void PassLog::appendSummary(const QString &text)
{
    auto *item = new QListWidgetItem(text, this);
    item->setFlags(Qt::ItemIsEnabled);
    item->setToolTip(text);
    QFont font = item->font();
    font.setItalic(true);
    item->setFont(font);
    item->setForeground(palette().color(QPalette::PlaceholderText));
    scrollToItem(item);
}
