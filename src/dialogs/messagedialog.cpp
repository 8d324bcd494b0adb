#include "messagedialog.h"

#include "boxtexts.h"
#include "buttonfit.h"
#include "helpcontext.h"
#include "marrowdaleerror.h"
#include "messagelayout.h"
#include "programfonts.h"
#include "programlanguage.h"
#include "windowplacement.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextLayout>

using namespace Qt::StringLiterals;
namespace ML = MessageLayout;

namespace {

constexpr int TextMargin = 1;

void paintLikeDialog(QWidget *widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    widget->setPalette(palette);
}

} // namespace

MessageDialog::MessageDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"MessageDialog"_s);
    setFont(ProgramFonts::proportional(12));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    HelpContext::set(this, 1);

    m_messageText = new QTextEdit(this);
    m_messageText->setObjectName(u"messageText"_s);
    m_messageText->setReadOnly(true);
    m_messageText->setFrameShape(QFrame::NoFrame);
    m_messageText->setFocusPolicy(Qt::NoFocus);
    m_messageText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_messageText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_messageText->setLineWrapMode(QTextEdit::WidgetWidth);
    m_messageText->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_messageText->document()->setDocumentMargin(TextMargin);
    paintLikeDialog(m_messageText);
    m_messageText->hide();

    m_buttonBar = new QWidget(this);
    m_buttonBar->setObjectName(u"buttonBar"_s);
    m_buttonBar->setGeometry(0, 0, 800, ML::ButtonBarHeight);

    const auto button = [this](const QString &name, const QString &caption) {
        auto *b = new QPushButton(caption, m_buttonBar);
        b->setObjectName(name);
        b->setGeometry(0, 0, ML::ButtonWidth, ML::ButtonHeight);
        b->setAutoDefault(true);
        b->hide();
        return b;
    };
    // Created in tab order: Yes, No, OK, Cancel, Help.
    m_yesButton = button(u"yesButton"_s, u"&Yes"_s);
    m_noButton = button(u"noButton"_s, u"&No"_s);
    m_okButton = button(u"okButton"_s, u"&OK"_s);
    m_cancelButton = button(u"cancelButton"_s, u"&Cancel"_s);
    m_helpButton = button(u"helpButton"_s, u"&Help"_s);
    connect(m_yesButton, &QPushButton::clicked, this, [this] { done(ResultYes); });
    connect(m_noButton, &QPushButton::clicked, this, [this] { done(ResultNo); });
    connect(m_okButton, &QPushButton::clicked, this, [this] { done(ResultOk); });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { done(ResultCancel); });
    connect(m_helpButton, &QPushButton::clicked, this, &MessageDialog::showHelp);

    m_promptText = createLabelEdit();
    m_promptText->setObjectName(u"promptText"_s);
    m_suffixText = createLabelEdit();
    m_suffixText->setObjectName(u"suffixText"_s);
    m_input = new QLineEdit(this);
    m_input->setObjectName(u"input"_s);
    m_input->hide();

    setDialogSize(413, 104);
    WindowPlacement::keepCentred(this);
}

QLineEdit *MessageDialog::createLabelEdit()
{
    auto *edit = new QLineEdit(this);
    edit->setReadOnly(true);
    edit->setFrame(false);
    edit->setFocusPolicy(Qt::NoFocus);
    paintLikeDialog(edit);
    edit->hide();
    return edit;
}

int MessageDialog::helpContext() const
{
    return HelpContext::of(this);
}

void MessageDialog::setDialogSize(int width, int height)
{
    setFixedSize(width, height);
}

QStringList MessageDialog::wrappedLines(int width)
{
    m_messageText->setFixedWidth(width);
    // Without a frame or scroll bar the text box wraps at its own width; set it now rather than at
    // the next resize event, which a hidden box does not get.
    QTextDocument *document = m_messageText->document();
    document->setTextWidth(width);
    document->documentLayout()->documentSize(); // lays the text out

    QStringList lines;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QTextLayout *layout = block.layout();
        const QString text = block.text();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            lines << text.mid(line.textStart(), line.textLength());
        }
    }
    return lines;
}

void MessageDialog::applyLineFormat(int lines, bool centred)
{
    // The box keeps 11 pixels a line, which is less than the face's own spacing: close the lines up
    // only as far as the box needs.
    const int natural = QFontMetrics(m_messageText->font()).lineSpacing();
    QTextBlockFormat format;
    format.setLineHeight(ML::textLinePitch(lines, natural, TextMargin), QTextBlockFormat::FixedHeight);
    format.setAlignment(centred ? Qt::AlignHCenter : Qt::AlignLeft);
    QTextCursor cursor(m_messageText->document());
    cursor.select(QTextCursor::Document);
    cursor.mergeBlockFormat(format);
}

std::unique_ptr<MessageDialog> MessageDialog::spare() const
{
    auto box = std::make_unique<MessageDialog>(parentWidget());
    HelpContext::set(box.get(), helpContext());
    return box;
}

int MessageDialog::showMessage(const QString &msg, const QString &caption, const QString &buttons, int helpContext)
{
    // A notice raised while this box is still asking (a timer tick during a question) gets a box of its own.
    if (isVisible())
        return spare()->showMessage(msg, caption, buttons, helpContext);
    applyLanguage();
    m_cancelButton->hide();
    m_messageText->setPlainText(msg);
    m_messageText->move(ML::TextLeft, ML::TextTop);

    const ML::WrappedMessage wrapped
        = ML::widenForPunctuation(ML::TextWidth, [this](int width) { return wrappedLines(width); });
    const auto lines = static_cast<int>(wrapped.lines.size());
    applyLineFormat(lines, lines == 1);
    m_messageText->setFixedSize(wrapped.width, ML::textHeight(lines));
    m_messageText->show();

    const int dialogWidth = ML::MessageDialogWidth;
    m_buttonBar->setGeometry(0, ML::buttonBarTop(lines), dialogWidth - 2, ML::ButtonBarHeight);
    setDialogSize(dialogWidth, ML::dialogHeight(lines));
    setWindowTitle(BoxTexts::title(caption));

    const ML::ButtonSet set = ML::ButtonSet::fromWords(buttons);
    const ML::ButtonLefts lefts = ML::buttonLefts(set, dialogWidth);
    QList<QPushButton *> shown;
    QList<ButtonRow::Place> places;
    const auto place = [&](QPushButton *b, int left) {
        b->setVisible(left >= 0);
        if (left >= 0) {
            shown.append(b);
            places.append({left, ML::ButtonWidth});
        }
    };
    place(m_yesButton, lefts.yes);
    place(m_noButton, lefts.no);
    place(m_okButton, lefts.ok);
    place(m_cancelButton, lefts.cancel);
    place(m_helpButton, lefts.help);
    ButtonFit::placeRow(shown, places);
    if (set.help)
        HelpContext::set(this, helpContext);

    QPushButton *defaultButton = set.yes ? m_yesButton : m_okButton;
    m_yesButton->setDefault(defaultButton == m_yesButton);
    m_okButton->setDefault(defaultButton == m_okButton);
    for (QPushButton *b : {m_yesButton, m_noButton, m_okButton, m_cancelButton, m_helpButton}) {
        if (!b->isHidden()) {
            b->setFocus();
            break;
        }
    }

    const int result = exec();

    m_yesButton->hide();
    m_noButton->hide();
    m_cancelButton->hide();
    m_messageText->hide();
    m_messageText->clear();
    return result;
}

QString MessageDialog::askText(const QString &caption, const QString &prompt, const QString &suffix,
                               const QString &defaultText, int width, int helpContext)
{
    if (isVisible())
        return spare()->askText(caption, prompt, suffix, defaultText, width, helpContext);
    applyLanguage();
    setWindowTitle(BoxTexts::title(caption));
    m_messageText->hide();
    m_promptText->setText(prompt);
    m_promptText->setCursorPosition(0);
    const int promptHeight = m_promptText->sizeHint().height();
    const int inputHeight = m_input->sizeHint().height();
    const ML::InputLayout l = ML::inputLayout(!suffix.isEmpty(), width, this->width(), promptHeight, inputHeight);

    m_promptText->setGeometry(l.promptLeft, l.promptTop, l.promptWidth, promptHeight);
    m_promptText->show();
    m_input->setGeometry(l.inputLeft, l.inputTop, l.inputWidth, inputHeight);
    m_input->setText(defaultText);
    m_input->selectAll();
    m_input->show();
    if (l.hasSuffix) {
        m_suffixText->setText(suffix);
        m_suffixText->setCursorPosition(0);
        m_suffixText->setGeometry(l.suffixLeft, l.suffixTop, l.suffixWidth, promptHeight);
        m_suffixText->show();
    }

    m_buttonBar->setGeometry(0, l.buttonBarTop, l.dialogWidth - 2, ML::ButtonBarHeight);
    HelpContext::set(this, helpContext);
    m_yesButton->hide();
    m_noButton->hide();
    ButtonFit::placeRow({m_okButton, m_cancelButton, m_helpButton},
                        {{l.okLeft, ML::ButtonWidth}, {l.cancelLeft, ML::ButtonWidth}, {l.helpLeft, ML::ButtonWidth}});
    for (QPushButton *b : {m_okButton, m_cancelButton, m_helpButton})
        b->show();
    m_yesButton->setDefault(false);
    m_okButton->setDefault(true);
    setDialogSize(l.dialogWidth, l.dialogHeight);
    m_input->setFocus();

    const int result = exec();
    const QString text = result == ResultOk ? m_input->text() : QString();

    m_promptText->hide();
    m_suffixText->hide();
    m_input->hide();
    m_input->clear();
    return text;
}

int MessageDialog::askInteger(const QString &caption, const QString &prompt, const QString &suffix, int defaultValue,
                              int width, int helpContext)
{
    const QString text = askText(caption, prompt, suffix, QString::number(defaultValue), width, helpContext);
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw MarrowdaleError(ProgramText(Message::NotAnInteger, {text}));
    return value;
}

double MessageDialog::askNumber(const QString &caption, const QString &prompt, const QString &suffix,
                                double defaultValue, int width, int helpContext)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    const QString text = askText(caption, prompt, suffix, locale.toString(defaultValue, 'g', 15), width, helpContext);
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok)
        throw MarrowdaleError(ProgramText(Message::NotANumber, {text}));
    return value;
}

void MessageDialog::applyLanguage()
{
    const MessageTable messages = ProgramLanguage::messages();
    m_yesButton->setText(messages.text(Message::YesButton));
    m_noButton->setText(messages.text(Message::NoButton));
    m_okButton->setText(messages.text(Message::OkButton));
    m_cancelButton->setText(messages.text(Message::CancelButton));
    m_helpButton->setText(messages.text(Message::HelpButton));
}

void MessageDialog::showHelp()
{
    HelpContext::request(HelpContext::of(this));
}

void MessageDialog::reject()
{
    // The title bar's close box, and Esc while Cancel is shown.
    done(ResultCancel);
}

void MessageDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (!m_cancelButton->isHidden())
            m_cancelButton->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
