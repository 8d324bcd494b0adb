#include "replacedialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

ReplaceDialog::ReplaceDialog(QWidget *parent)
    : QDialog(parent)
    , m_language(u"ReplaceDialog"_s, LanguageTable::MissingKeys::English)
{
    setObjectName(u"ReplaceDialog"_s);
    setWindowTitle(u"Replace"_s);
    setModal(false);

    m_findEdit = new QLineEdit(this);
    m_replaceEdit = new QLineEdit(this);
    auto *findLabel = new QLabel(u"Fi&nd what:"_s, this);
    findLabel->setBuddy(m_findEdit);
    auto *replaceLabel = new QLabel(u"Re&place with:"_s, this);
    replaceLabel->setBuddy(m_replaceEdit);

    m_wholeWord = new QCheckBox(u"Match &whole word only"_s, this);
    m_wholeWord->setEnabled(false);
    m_matchCase = new QCheckBox(u"Match &case"_s, this);

    auto *direction = new QGroupBox(u"Direction"_s, this);
    m_up = new QRadioButton(u"&Up"_s, direction);
    m_down = new QRadioButton(u"&Down"_s, direction);
    m_down->setChecked(true);
    m_up->setEnabled(false);
    m_down->setEnabled(false);
    auto *directionRow = new QHBoxLayout(direction);
    directionRow->addWidget(m_up);
    directionRow->addWidget(m_down);

    m_findNext = new QPushButton(u"&Find Next"_s, this);
    m_findNext->setDefault(true);
    m_replace = new QPushButton(u"&Replace"_s, this);
    m_replaceAll = new QPushButton(u"Replace &All"_s, this);
    m_cancel = new QPushButton(u"Cancel"_s, this);

    auto *grid = new QGridLayout;
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(m_findEdit, 0, 1);
    grid->addWidget(replaceLabel, 1, 0);
    grid->addWidget(m_replaceEdit, 1, 1);
    auto *options = new QHBoxLayout;
    auto *checks = new QVBoxLayout;
    checks->addWidget(m_wholeWord);
    checks->addWidget(m_matchCase);
    checks->addStretch();
    options->addLayout(checks);
    options->addWidget(direction);
    grid->addLayout(options, 2, 0, 1, 2);

    auto *buttons = new QVBoxLayout;
    for (QPushButton *button : {m_findNext, m_replace, m_replaceAll, m_cancel})
        buttons->addWidget(button);
    buttons->addStretch();

    auto *outer = new QHBoxLayout(this);
    outer->addLayout(grid, 1);
    outer->addLayout(buttons);

    m_language.windowTitle(this)
        .caption(u"findLabel"_s, findLabel)
        .caption(u"replaceLabel"_s, replaceLabel)
        .caption(u"wholeWordCheck"_s, m_wholeWord)
        .caption(u"matchCaseCheck"_s, m_matchCase)
        .caption(u"directionGroup"_s, direction)
        .caption(u"upButton"_s, m_up)
        .caption(u"downButton"_s, m_down)
        .caption(u"findNextButton"_s, m_findNext)
        .caption(u"replaceButton"_s, m_replace)
        .caption(u"replaceAllButton"_s, m_replaceAll)
        .caption(u"cancelButton"_s, m_cancel);

    connect(m_findEdit, &QLineEdit::textChanged, this, &ReplaceDialog::updateButtons);
    connect(m_findNext, &QPushButton::clicked, this, &ReplaceDialog::findNext);
    connect(m_replace, &QPushButton::clicked, this, &ReplaceDialog::replace);
    connect(m_replaceAll, &QPushButton::clicked, this, &ReplaceDialog::replaceAll);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    updateButtons();
}

QString ReplaceDialog::findText() const
{
    return m_findEdit->text();
}

QString ReplaceDialog::replaceText() const
{
    return m_replaceEdit->text();
}

bool ReplaceDialog::matchCase() const
{
    return m_matchCase->isChecked();
}

void ReplaceDialog::setFindText(const QString &text)
{
    m_findEdit->setText(text);
}

void ReplaceDialog::setReplaceText(const QString &text)
{
    m_replaceEdit->setText(text);
}

void ReplaceDialog::setMatchCase(bool on)
{
    m_matchCase->setChecked(on);
}

void ReplaceDialog::showDialog()
{
    m_language.applyProgramLanguage();
    show();
    raise();
    activateWindow();
    m_findEdit->setFocus();
    m_findEdit->selectAll();
}

void ReplaceDialog::updateButtons()
{
    // Nothing to look for: the commands wait for a find text.
    const bool searchable = !m_findEdit->text().isEmpty();
    m_findNext->setEnabled(searchable);
    m_replace->setEnabled(searchable);
    m_replaceAll->setEnabled(searchable);
}
