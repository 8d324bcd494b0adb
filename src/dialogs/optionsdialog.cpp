#include "optionsdialog.h"

#include "buttonfit.h"
#include "folderchooser.h"
#include "handlerguard.h"
#include "helpcontext.h"
#include "languagefile.h"
#include "messagedialog.h"
#include "messagelayout.h"
#include "programfonts.h"
#include "thresholdspinbox.h"
#include "windowplacement.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {
constexpr int HelpContextNumber = 1;
constexpr int EditLeft = 232;
constexpr int EditRight = 633;
constexpr int ButtonLefts[] = {418, 498, 578};
constexpr int ButtonWidth = 75;
const auto languageSection = u"OptionDialog"_s;
} // namespace

OptionsDialog::OptionsDialog(QWidget *parent)
    : QDialog(parent)
    , m_language(languageSection)
{
    setObjectName(languageSection);
    setWindowTitle(u"Options"_s);
    setFont(ProgramFonts::proportional(12));
    setFixedSize(679, 154);
    HelpContext::set(this, HelpContextNumber);

    const auto label = [this](const QString &caption, int left, int top) {
        auto *l = new QLabel(caption, this);
        l->move(left, top);
        l->adjustSize();
        return l;
    };

    m_rootFolderLabel = label(u"Parent folder of the destination folders "_s, 24, 12);
    m_rootFolderEdit = new QLineEdit(this);
    m_rootFolderEdit->setObjectName(u"rootFolderEdit"_s);
    m_rootFolderEdit->setReadOnly(true);
    m_rootFolderEdit->setGeometry(EditLeft, 8, EditRight - EditLeft, 20);
    m_chooseFolderButton = new QToolButton(this);
    m_chooseFolderButton->setObjectName(u"chooseFolderButton"_s);
    m_chooseFolderButton->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    m_chooseFolderButton->setToolTip(u"Select a folder"_s);
    m_chooseFolderButton->setGeometry(EditRight, 8, 20, 20);

    m_siftCheck = new QCheckBox(this);
    m_siftCheck->setObjectName(u"siftCheck"_s);
    m_siftCheck->setChecked(true);
    m_siftCheck->move(24, 40);
    m_siftCheck->adjustSize();
    m_siftLabel = label(u"If search count is larger than "_s, 43, 44);
    m_thresholdBox = new ThresholdSpinBox(this);
    m_thresholdBox->setObjectName(u"thresholdBox"_s);
    m_thresholdBox->setGeometry(0, 40, MessageLayout::ThresholdBoxWidth, 21);
    m_thresholdLabel = label(u"and used count is less than "_s, 0, 44);
    m_confirmCheck = new QCheckBox(u"Ask for the folder of each file when classifying"_s, this);
    // Unticked until the settings say otherwise; a vanished source folder leaves it so.
    m_confirmCheck->setChecked(false);
    m_confirmCheck->move(24, 64);
    m_confirmCheck->adjustSize();
    m_pageFactsCheck = new QCheckBox(u"Match page titles and addresses"_s, this);
    m_pageFactsCheck->setObjectName(u"pageFactsCheck"_s);
    m_pageFactsCheck->setChecked(true);
    m_pageFactsCheck->move(24, 86);
    m_pageFactsCheck->adjustSize();

    const auto button = [this](const QString &caption, int left) {
        auto *b = new QPushButton(caption, this);
        b->setGeometry(left, 112, ButtonWidth, 25);
        return b;
    };
    m_okButton = button(u"&OK"_s, ButtonLefts[0]);
    m_okButton->setDefault(true);
    m_cancelButton = button(u"&Cancel"_s, ButtonLefts[1]);
    m_helpButton = button(u"&Help"_s, ButtonLefts[2]);

    // Label1's caption gives way to the threshold sentence as soon as it has been read.
    m_language.windowTitle(this)
        .caption(u"Label1"_s, m_thresholdLabel)
        .caption(u"Label2"_s, m_rootFolderLabel)
        .caption(u"Label3"_s, m_siftLabel)
        .caption(u"btnOK"_s, m_okButton)
        .caption(u"Button1"_s, m_cancelButton)
        .caption(u"Button2"_s, m_helpButton)
        .caption(u"CheckBox2"_s, m_confirmCheck)
        .windowHint(this)
        .messages(3, [this](int n, const QString &text) { m_texts[n] = text; })
        .hint(u"chooseFolderButton"_s, m_chooseFolderButton)
        .orEnglish()
        .caption(u"pageFactsCheck"_s, m_pageFactsCheck)
        .orEnglish();

    for (int n = 1; n <= 3; ++n)
        m_texts[n] = optionDialogDefaultText(n);
    reflowSentence();
    updateThresholdSentence();

    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_helpButton, &QPushButton::clicked, this, [this] { runGuarded(this, [this] { showHelp(); }); });
    connect(m_chooseFolderButton, &QToolButton::clicked, this,
            [this] { runGuarded(this, [this] { chooseRootFolder(); }); });
    connect(m_siftCheck, &QCheckBox::toggled, this, &OptionsDialog::enableThreshold);
    connect(m_thresholdBox, &QSpinBox::valueChanged, this, &OptionsDialog::updateThresholdSentence);
    connect(m_thresholdBox, &QSpinBox::textChanged, this, &OptionsDialog::updateThresholdSentence);
    WindowPlacement::keepCentred(this);
}

void OptionsDialog::setMessageDialog(MessageDialog *dialog)
{
    m_messageDialog = dialog;
}

QString OptionsDialog::rootFolder() const
{
    return m_rootFolderEdit->text();
}

void OptionsDialog::setRootFolder(const QString &folder)
{
    m_rootFolderEdit->setText(folder);
    m_rootFolderEdit->setCursorPosition(0);
}

bool OptionsDialog::sift() const
{
    return m_siftCheck->isChecked();
}

void OptionsDialog::setSift(bool sift)
{
    m_siftCheck->setChecked(sift);
    enableThreshold(); // also when the state does not change: the threshold box follows the check box
}

int OptionsDialog::denominator() const
{
    return m_thresholdBox->effectiveValue();
}

void OptionsDialog::setDenominator(int value)
{
    m_thresholdBox->setValue(qBound(ThresholdSpinBox::Minimum, value, ThresholdSpinBox::Maximum));
}

bool OptionsDialog::confirm() const
{
    return m_confirmCheck->isChecked();
}

void OptionsDialog::setConfirm(bool confirm)
{
    m_confirmCheck->setChecked(confirm);
}

bool OptionsDialog::pageFacts() const
{
    return m_pageFactsCheck->isChecked();
}

void OptionsDialog::setPageFacts(bool on)
{
    m_pageFactsCheck->setChecked(on);
}

Options OptionsDialog::options() const
{
    return Options {rootFolder(), sift(), denominator(), confirm(), pageFacts()};
}

QString OptionsDialog::text(int n) const
{
    return n >= 1 && n <= 3 ? m_texts[n] : QString();
}

void OptionsDialog::showEvent(QShowEvent *event)
{
    refreshTexts();
    QDialog::showEvent(event);
}

void OptionsDialog::refreshTexts()
{
    for (int n = 1; n <= 3; ++n)
        m_texts[n] = optionDialogDefaultText(n);
    applyLanguage();
    reflowSentence();
    updateThresholdSentence();
}

void OptionsDialog::applyLanguage()
{
    m_language.applyProgramLanguage();
    QList<ButtonRow::Place> places;
    for (const int left : ButtonLefts)
        places.append({left, ButtonWidth});
    ButtonFit::placeRow({m_okButton, m_cancelButton, m_helpButton}, places);
}

void OptionsDialog::reflowSentence()
{
    for (QLabel *l : {m_thresholdLabel, m_rootFolderLabel, m_siftLabel})
        l->adjustSize();
    m_confirmCheck->adjustSize();
    m_pageFactsCheck->adjustSize();
    // The folder box keeps its right edge and gives way to a caption wider than its place.
    const int editLeft = qMax(EditLeft, m_rootFolderLabel->x() + m_rootFolderLabel->width() + 4);
    m_rootFolderEdit->setGeometry(editLeft, m_rootFolderEdit->y(), EditRight - editLeft, m_rootFolderEdit->height());
    const MessageLayout::SentenceLayout row = MessageLayout::sentenceLayout(m_siftLabel->x(), m_siftLabel->width());
    m_thresholdBox->move(row.thresholdBoxLeft, m_thresholdBox->y());
    m_thresholdLabel->move(row.thresholdLabelLeft, m_thresholdLabel->y());
}

void OptionsDialog::updateThresholdSentence()
{
    m_thresholdLabel->setText(m_texts[1] + QString::number(m_thresholdBox->effectiveValue()) + m_texts[2]);
    m_thresholdLabel->adjustSize();
}

void OptionsDialog::enableThreshold()
{
    m_thresholdBox->setEnabled(m_siftCheck->isChecked());
}

void OptionsDialog::chooseRootFolder()
{
    const std::optional<QString> chosen = FolderChooser::choose(this, m_rootFolderEdit->text(), HelpContextNumber);
    if (!chosen)
        return;
    setRootFolder(*chosen);
    messageDialog()->showMessage(m_texts[3], QString(), u"OK"_s, HelpContextNumber);
}

void OptionsDialog::showHelp()
{
    if (m_helpHook)
        m_helpHook();
    else
        HelpContext::request(HelpContextNumber);
}

MessageDialog *OptionsDialog::messageDialog()
{
    if (!m_messageDialog && parentWidget())
        m_messageDialog = parentWidget()->findChild<MessageDialog *>(QString(), Qt::FindDirectChildrenOnly);
    if (!m_messageDialog)
        m_messageDialog = new MessageDialog(this);
    return m_messageDialog;
}
