#include "keywordchoicedialog.h"

#include "dialogs/helpcontext.h"
#include "dialogs/programfonts.h"
#include "dialogs/windowplacement.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
constexpr int HelpContextNumber = 3;
const auto languageSection = u"Dialog1"_s;
} // namespace

KeywordChoiceDialog::KeywordChoiceDialog(QWidget *parent)
    : QDialog(parent)
    , m_language(languageSection)
{
    setObjectName(languageSection);
    setWindowTitle(u"Marrowdale"_s);
    setFont(ProgramFonts::proportional(12));
    HelpContext::set(this, HelpContextNumber);

    m_question
        = new QLabel(u"Several keywords are contained in the file name.\nPlease select which one to use."_s, this);
    m_destinations = new QListWidget(this);
    m_destinations->setObjectName(u"destinations"_s);
    m_destinations->setSelectionMode(QAbstractItemView::SingleSelection);

    const auto button = [this](const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setMinimumWidth(120);
        return b;
    };
    m_selectButton = button(u"&Select"_s);
    m_selectButton->setDefault(true);
    m_neitherButton = button(u"&Neither of them"_s);
    m_abortButton = button(u"&Abort"_s);
    m_helpButton = button(u"&Help"_s);

    m_language.multiLineCaption(u"Label1"_s, m_question)
        .caption(u"Button1"_s, m_selectButton)
        .caption(u"Button2"_s, m_neitherButton)
        .caption(u"Button3"_s, m_helpButton)
        .caption(u"Button4"_s, m_abortButton);

    connect(m_selectButton, &QPushButton::clicked, this, &KeywordChoiceDialog::selectChosenRow);
    connect(m_neitherButton, &QPushButton::clicked, this, [this] { done(Neither); });
    connect(m_abortButton, &QPushButton::clicked, this, [this] { done(Abort); });
    connect(m_helpButton, &QPushButton::clicked, this, [] { HelpContext::request(HelpContextNumber); });
    connect(m_destinations, &QListWidget::itemDoubleClicked, this, &KeywordChoiceDialog::selectChosenRow);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_selectButton);
    buttons->addWidget(m_neitherButton);
    buttons->addWidget(m_abortButton);
    buttons->addStretch(1);
    buttons->addWidget(m_helpButton);
    auto *row = new QHBoxLayout;
    row->addWidget(m_destinations, 1);
    row->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_question);
    layout->addLayout(row, 1);
    resize(480, 260);

    setTabOrder(m_selectButton, m_neitherButton);
    setTabOrder(m_neitherButton, m_abortButton);
    setTabOrder(m_abortButton, m_helpButton);
    setTabOrder(m_helpButton, m_destinations);
    WindowPlacement::keepCentred(this);
}

int KeywordChoiceDialog::choose(const QString &fileName, const QStringList &candidates, int *selected)
{
    setWindowTitle(fileName);
    m_destinations->clear();
    m_destinations->addItems(candidates);
    // The first candidate is chosen and the list has the focus: Enter takes it, the arrows pick another.
    m_destinations->setCurrentRow(0);
    m_destinations->setFocus();

    const int answer = exec();
    if (selected)
        *selected = answer == Select ? selectedRow() : -1;
    return answer;
}

int KeywordChoiceDialog::selectedRow() const
{
    const QList<QListWidgetItem *> items = m_destinations->selectedItems();
    return items.isEmpty() ? -1 : m_destinations->row(items.first());
}

void KeywordChoiceDialog::selectChosenRow()
{
    if (selectedRow() >= 0)
        done(Select);
}

void KeywordChoiceDialog::reject()
{
    done(Neither);
}

void KeywordChoiceDialog::showEvent(QShowEvent *event)
{
    if (parentWidget())
        setFont(parentWidget()->window()->font()); // the main window's face
    applyLanguage();
    QDialog::showEvent(event);
}

void KeywordChoiceDialog::applyLanguage()
{
    m_language.applyProgramLanguage();
}
