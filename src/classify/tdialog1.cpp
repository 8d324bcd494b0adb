#include "tdialog1.h"

#include "apppaths.h"
#include "dialogs/helpcontext.h"
#include "dialogs/programfonts.h"
#include "languagefile.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
constexpr int HelpContextNumber = 3;
}

TDialog1::TDialog1(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"Dialog1"_s);
    setWindowTitle(u"Marrowdale"_s);
    setFont(ProgramFonts::proportional(12));
    HelpContext::set(this, HelpContextNumber);

    m_label1 = new QLabel(u"Prural keyword are contained in the file name.\n Please select which one"_s, this);
    m_label1->setObjectName(u"Label1"_s);
    m_listBox = new QListWidget(this);
    m_listBox->setObjectName(u"ListBox"_s);
    m_listBox->setSelectionMode(QAbstractItemView::SingleSelection);

    const auto button = [this](const QString &name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setMinimumWidth(120);
        return b;
    };
    m_button1 = button(u"Button1"_s, u"&Select"_s);
    m_button1->setDefault(true);
    m_button2 = button(u"Button2"_s, u"&Neither of them"_s);
    m_button4 = button(u"Button4"_s, u"Abort"_s);
    m_button3 = button(u"Button3"_s, u"&Help"_s);

    connect(m_button1, &QPushButton::clicked, this, &TDialog1::Button1Click);
    connect(m_button2, &QPushButton::clicked, this, [this] { done(Neither); });
    connect(m_button4, &QPushButton::clicked, this, [this] { done(Abort); });
    connect(m_button3, &QPushButton::clicked, this, [] { HelpContext::request(HelpContextNumber); });
    connect(m_listBox, &QListWidget::itemDoubleClicked, this, &TDialog1::ListBoxDblClick);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_button1);
    buttons->addWidget(m_button2);
    buttons->addWidget(m_button4);
    buttons->addStretch(1);
    buttons->addWidget(m_button3);
    auto *row = new QHBoxLayout;
    row->addWidget(m_listBox, 1);
    row->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label1);
    layout->addLayout(row, 1);
    resize(480, 260);

    setTabOrder(m_button1, m_button2);
    setTabOrder(m_button2, m_button4);
    setTabOrder(m_button4, m_button3);
    setTabOrder(m_button3, m_listBox);
}

int TDialog1::choose(const QString &fileName, const QStringList &candidates, int *selected)
{
    setWindowTitle(fileName);
    m_listBox->clear();
    m_listBox->addItems(candidates);
    m_listBox->clearSelection();
    m_listBox->setCurrentRow(-1);
    m_button1->setFocus();

    if (QScreen *s = QGuiApplication::primaryScreen()) {
        const QRect area = s->availableGeometry();
        move(area.center().x() - width() / 2, area.center().y() - height() / 2);
    }
    const int answer = exec();
    if (selected)
        *selected = answer == Select ? selectedRow() : -1;
    return answer;
}

int TDialog1::selectedRow() const
{
    const QList<QListWidgetItem *> items = m_listBox->selectedItems();
    return items.isEmpty() ? -1 : m_listBox->row(items.first());
}

void TDialog1::Button1Click()
{
    // The pass needs a chosen entry: without one, Select and Enter leave the dialog open.
    if (selectedRow() >= 0)
        done(Select);
}

void TDialog1::ListBoxDblClick()
{
    if (selectedRow() >= 0)
        done(Select);
}

void TDialog1::reject()
{
    done(Neither);
}

void TDialog1::showEvent(QShowEvent *event)
{
    if (parentWidget())
        setFont(parentWidget()->window()->font()); // the main window's face
    readLanguageFile();
    QDialog::showEvent(event);
}

void TDialog1::readLanguageFile()
{
    try {
        const LanguageFile file(AppPaths::languageFile());
        if (!file.exists())
            return;
        const QString section = u"Dialog1"_s;
        m_label1->setText(file.message(section, u"Label1->Caption"_s));
        m_button1->setText(file.text(section, u"Button1->Caption"_s));
        m_button2->setText(file.text(section, u"Button2->Caption"_s));
        m_button3->setText(file.text(section, u"Button3->Caption"_s));
        m_button4->setText(file.text(section, u"Button4->Caption"_s));
    } catch (...) {
        // An unreadable translation leaves the captions read so far; the dialog still works.
    }
}
