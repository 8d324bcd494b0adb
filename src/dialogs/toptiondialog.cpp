#include "toptiondialog.h"

#include "apppaths.h"
#include "folderchooser.h"
#include "handlerguard.h"
#include "helpcontext.h"
#include "languagefile.h"
#include "messagelayout.h"
#include "programfonts.h"
#include "thresholdspinbox.h"
#include "tmymessagedlg.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
constexpr int HelpContextNumber = 1;
constexpr int EditLeft = 232;
constexpr int EditRight = 633;
const auto section = u"OptionDialog"_s;
} // namespace

TOptionDialog::TOptionDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"OptionDialog"_s);
    setWindowTitle(u"OptionDialog"_s);
    setFont(ProgramFonts::proportional(12));
    setFixedSize(679, 154);
    HelpContext::set(this, HelpContextNumber);

    const auto label = [this](const QString &name, const QString &caption, int left, int top) {
        auto *l = new QLabel(caption, this);
        l->setObjectName(name);
        l->move(left, top);
        l->adjustSize();
        return l;
    };

    m_label2 = label(u"Label2"_s, u"Parent folder of the destination folders "_s, 24, 12);
    m_edit1 = new QLineEdit(this);
    m_edit1->setObjectName(u"Edit1"_s);
    m_edit1->setReadOnly(true);
    m_edit1->setGeometry(EditLeft, 8, EditRight - EditLeft, 20);
    m_bitBtn1 = new QToolButton(this);
    m_bitBtn1->setObjectName(u"BitBtn1"_s);
    m_bitBtn1->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    m_bitBtn1->setToolTip(u"Select a folder"_s);
    m_bitBtn1->setGeometry(EditRight, 8, 20, 20);

    m_checkBox1 = new QCheckBox(this);
    m_checkBox1->setObjectName(u"CheckBox1"_s);
    m_checkBox1->setChecked(true);
    m_checkBox1->move(24, 40);
    m_checkBox1->adjustSize();
    m_label3 = label(u"Label3"_s, u"If search count is larger than "_s, 43, 44);
    m_spinEdit = new ThresholdSpinBox(this);
    m_spinEdit->setObjectName(u"SpinEdit"_s);
    m_spinEdit->setGeometry(0, 40, MessageLayout::SpinWidth, 21);
    m_label1 = label(u"Label1"_s, u"and used count is less than "_s, 0, 44);
    m_checkBox2 = new QCheckBox(u"Ask folder for each file at classification"_s, this);
    m_checkBox2->setObjectName(u"CheckBox2"_s);
    // Unticked until the settings say otherwise; a vanished source folder leaves it so.
    m_checkBox2->setChecked(false);
    m_checkBox2->move(24, 64);
    m_checkBox2->adjustSize();

    const auto button = [this](const QString &name, const QString &caption, int left) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setGeometry(left, 112, 75, 25);
        return b;
    };
    m_btnOK = button(u"btnOK"_s, u"&O K"_s, 418);
    m_btnOK->setDefault(true);
    m_button1 = button(u"Button1"_s, u"&Cancel"_s, 498);
    m_button2 = button(u"Button2"_s, u"&Help"_s, 578);

    for (int n = 1; n <= 3; ++n)
        m_texts[n] = optionDialogDefaultText(n);
    reflowSentence();
    SpinEditChange();

    connect(m_btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_button2, &QPushButton::clicked, this, [this] { runGuarded(this, [this] { Button2Click(); }); });
    connect(m_bitBtn1, &QToolButton::clicked, this, [this] { runGuarded(this, [this] { BitBtn1Click(); }); });
    connect(m_checkBox1, &QCheckBox::toggled, this, &TOptionDialog::CheckBox1Click);
    connect(m_spinEdit, &QSpinBox::valueChanged, this, &TOptionDialog::SpinEditChange);
    connect(m_spinEdit, &QSpinBox::textChanged, this, &TOptionDialog::SpinEditChange);
}

void TOptionDialog::setMessageDialog(TMyMessageDlg *dialog)
{
    m_messageDialog = dialog;
}

QString TOptionDialog::rootFolder() const
{
    return m_edit1->text();
}

void TOptionDialog::setRootFolder(const QString &folder)
{
    m_edit1->setText(folder);
    m_edit1->setCursorPosition(0);
}

bool TOptionDialog::sift() const
{
    return m_checkBox1->isChecked();
}

void TOptionDialog::setSift(bool sift)
{
    m_checkBox1->setChecked(sift);
    CheckBox1Click(); // also when the state does not change: the spin box follows the check box
}

int TOptionDialog::denominator() const
{
    return m_spinEdit->effectiveValue();
}

void TOptionDialog::setDenominator(int value)
{
    m_spinEdit->setValue(qBound(ThresholdSpinBox::Minimum, value, ThresholdSpinBox::Maximum));
}

bool TOptionDialog::confirm() const
{
    return m_checkBox2->isChecked();
}

void TOptionDialog::setConfirm(bool confirm)
{
    m_checkBox2->setChecked(confirm);
}

Options TOptionDialog::options() const
{
    return Options {rootFolder(), sift(), denominator(), confirm()};
}

QString TOptionDialog::text(int n) const
{
    return n >= 1 && n <= 3 ? m_texts[n] : QString();
}

void TOptionDialog::showEvent(QShowEvent *event)
{
    FormShow();
    if (QScreen *s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.center().x() - width() / 2, area.center().y() - height() / 2);
    }
    QDialog::showEvent(event);
}

void TOptionDialog::FormShow()
{
    for (int n = 1; n <= 3; ++n)
        m_texts[n] = optionDialogDefaultText(n);
    readLanguageFile();
    reflowSentence();
    SpinEditChange();
}

void TOptionDialog::readLanguageFile()
{
    try {
        const LanguageFile file(AppPaths::languageFile());
        if (!file.exists())
            return;
        const auto caption = [&file](const char16_t *key) { return file.text(section, QString::fromUtf16(key)); };
        setWindowTitle(caption(u"Caption"));
        m_label1->setText(caption(u"Label1->Caption"));
        m_label2->setText(caption(u"Label2->Caption"));
        m_label3->setText(caption(u"Label3->Caption"));
        m_btnOK->setText(caption(u"btnOK->Caption"));
        m_button1->setText(caption(u"Button1->Caption"));
        m_button2->setText(caption(u"Button2->Caption"));
        m_checkBox2->setText(caption(u"CheckBox2->Caption"));
        setStatusTip(caption(u"Hint")); // the dialog's own hint: kept, shown nowhere
        for (int n = 1; n <= 3; ++n)
            m_texts[n] = file.message(section, u"Msg%1"_s.arg(n));
    } catch (...) {
        // A translation that cannot be read leaves what was read so far.
    }
}

void TOptionDialog::reflowSentence()
{
    for (QLabel *l : {m_label1, m_label2, m_label3})
        l->adjustSize();
    m_checkBox2->adjustSize();
    // The folder box keeps its right edge and gives way to a caption wider than its place.
    const int editLeft = qMax(EditLeft, m_label2->x() + m_label2->width() + 4);
    m_edit1->setGeometry(editLeft, m_edit1->y(), EditRight - editLeft, m_edit1->height());
    const MessageLayout::SentenceLayout row = MessageLayout::sentenceLayout(m_label3->x(), m_label3->width());
    m_spinEdit->move(row.spinLeft, m_spinEdit->y());
    m_label1->move(row.label1Left, m_label1->y());
}

void TOptionDialog::SpinEditChange()
{
    m_label1->setText(m_texts[1] + QString::number(m_spinEdit->effectiveValue()) + m_texts[2]);
    m_label1->adjustSize();
}

void TOptionDialog::CheckBox1Click()
{
    m_spinEdit->setEnabled(m_checkBox1->isChecked());
}

void TOptionDialog::BitBtn1Click()
{
    const std::optional<QString> chosen = FolderChooser::choose(this, m_edit1->text(), HelpContextNumber);
    if (!chosen)
        return;
    setRootFolder(*chosen);
    messageDialog()->MsgBox(m_texts[3], QString(), u"OK"_s, HelpContextNumber);
}

void TOptionDialog::Button2Click()
{
    if (m_helpHook)
        m_helpHook();
    else
        HelpContext::request(HelpContextNumber);
}

TMyMessageDlg *TOptionDialog::messageDialog()
{
    if (!m_messageDialog && parentWidget())
        m_messageDialog = parentWidget()->findChild<TMyMessageDlg *>(QString(), Qt::FindDirectChildrenOnly);
    if (!m_messageDialog)
        m_messageDialog = new TMyMessageDlg(this);
    return m_messageDialog;
}
