#include "tmymessagedlg.h"

#include "helpcontext.h"
#include "marrowdaleerror.h"
#include "messagelayout.h"
#include "programfonts.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
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

TMyMessageDlg::TMyMessageDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"MyMessageDlg"_s);
    setFont(ProgramFonts::proportional(12));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    HelpContext::set(this, 1);

    m_memMessage = new QTextEdit(this);
    m_memMessage->setObjectName(u"memMessage"_s);
    m_memMessage->setReadOnly(true);
    m_memMessage->setFrameShape(QFrame::NoFrame);
    m_memMessage->setFocusPolicy(Qt::NoFocus);
    m_memMessage->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_memMessage->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_memMessage->setLineWrapMode(QTextEdit::WidgetWidth);
    m_memMessage->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_memMessage->document()->setDocumentMargin(TextMargin);
    paintLikeDialog(m_memMessage);
    m_memMessage->hide();

    m_pnlButtons = new QWidget(this);
    m_pnlButtons->setObjectName(u"pnlButtons"_s);
    m_pnlButtons->setGeometry(0, 0, 800, ML::ButtonBarHeight);

    const auto button = [this](const QString &name, const QString &caption) {
        auto *b = new QPushButton(caption, m_pnlButtons);
        b->setObjectName(name);
        b->setGeometry(0, 0, ML::ButtonWidth, ML::ButtonHeight);
        b->setAutoDefault(true);
        b->hide();
        return b;
    };
    // Created in tab order: Yes, No, OK, Cancel, Help.
    m_btnYes = button(u"btnYes"_s, u"&Yes"_s);
    m_btnNo = button(u"btnNo"_s, u"&No"_s);
    m_btnOK = button(u"btnOK"_s, u"&OK"_s);
    m_btnCancel = button(u"btnCancel"_s, u"&Cancel"_s);
    m_btnHelp = button(u"btnHelp"_s, u"&Help"_s);
    connect(m_btnYes, &QPushButton::clicked, this, [this] { done(ResultYes); });
    connect(m_btnNo, &QPushButton::clicked, this, [this] { done(ResultNo); });
    connect(m_btnOK, &QPushButton::clicked, this, [this] { done(ResultOk); });
    connect(m_btnCancel, &QPushButton::clicked, this, [this] { done(ResultCancel); });
    connect(m_btnHelp, &QPushButton::clicked, this, &TMyMessageDlg::btnHelpClick);

    m_edPrompt = createLabelEdit();
    m_edPrompt->setObjectName(u"edPrompt"_s);
    m_edSuffix = createLabelEdit();
    m_edSuffix->setObjectName(u"edSuffix"_s);
    m_edInput = new QLineEdit(this);
    m_edInput->setObjectName(u"edInput"_s);
    m_edInput->hide();

    setDialogSize(413, 104);
}

QLineEdit *TMyMessageDlg::createLabelEdit()
{
    auto *edit = new QLineEdit(this);
    edit->setReadOnly(true);
    edit->setFrame(false);
    edit->setFocusPolicy(Qt::NoFocus);
    paintLikeDialog(edit);
    edit->hide();
    return edit;
}

int TMyMessageDlg::helpContext() const
{
    return HelpContext::of(this);
}

void TMyMessageDlg::setDialogSize(int width, int height)
{
    setFixedSize(width, height);
}

void TMyMessageDlg::centreOnScreen()
{
    QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect area = s->availableGeometry();
    move(area.center().x() - width() / 2, area.center().y() - height() / 2);
}

QStringList TMyMessageDlg::wrappedLines(int width)
{
    m_memMessage->setFixedWidth(width);
    // Without a frame or scroll bar the text box wraps at its own width; set it now rather than at
    // the next resize event, which a hidden box does not get.
    QTextDocument *document = m_memMessage->document();
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

void TMyMessageDlg::applyLineFormat(int lines, bool centred)
{
    // The box keeps 11 pixels a line, which is less than the face's own spacing: close the lines up
    // only as far as the box needs.
    const int natural = QFontMetrics(m_memMessage->font()).lineSpacing();
    QTextBlockFormat format;
    format.setLineHeight(ML::textLinePitch(lines, natural, TextMargin), QTextBlockFormat::FixedHeight);
    format.setAlignment(centred ? Qt::AlignHCenter : Qt::AlignLeft);
    QTextCursor cursor(m_memMessage->document());
    cursor.select(QTextCursor::Document);
    cursor.mergeBlockFormat(format);
}

std::unique_ptr<TMyMessageDlg> TMyMessageDlg::spare() const
{
    auto box = std::make_unique<TMyMessageDlg>(parentWidget());
    HelpContext::set(box.get(), helpContext());
    return box;
}

int TMyMessageDlg::MsgBox(const QString &msg, const QString &caption, const QString &buttons, int helpContext)
{
    // A notice raised while this box is still asking (a timer tick during a question) gets a box of its own.
    if (isVisible())
        return spare()->MsgBox(msg, caption, buttons, helpContext);
    m_btnCancel->hide();
    m_memMessage->setPlainText(msg);
    m_memMessage->move(ML::MemoLeft, ML::MemoTop);

    const ML::WrappedMessage wrapped
        = ML::widenForPunctuation(ML::MemoWidth, [this](int width) { return wrappedLines(width); });
    const auto lines = static_cast<int>(wrapped.lines.size());
    applyLineFormat(lines, lines == 1);
    m_memMessage->setFixedSize(wrapped.width, ML::memoHeight(lines));
    m_memMessage->show();

    const int dialogWidth = ML::MessageDialogWidth;
    m_pnlButtons->setGeometry(0, ML::buttonBarTop(lines), dialogWidth - 2, ML::ButtonBarHeight);
    setDialogSize(dialogWidth, ML::dialogHeight(lines));
    setWindowTitle(caption);

    const ML::ButtonSet set = ML::ButtonSet::fromWords(buttons);
    const ML::ButtonLefts lefts = ML::buttonLefts(set, dialogWidth);
    const auto place = [](QPushButton *b, int left) {
        b->setVisible(left >= 0);
        if (left >= 0)
            b->move(left, 0);
    };
    place(m_btnYes, lefts.yes);
    place(m_btnNo, lefts.no);
    place(m_btnOK, lefts.ok);
    place(m_btnCancel, lefts.cancel);
    place(m_btnHelp, lefts.help);
    if (set.help)
        HelpContext::set(this, helpContext);

    QPushButton *defaultButton = set.yes ? m_btnYes : m_btnOK;
    m_btnYes->setDefault(defaultButton == m_btnYes);
    m_btnOK->setDefault(defaultButton == m_btnOK);
    for (QPushButton *b : {m_btnYes, m_btnNo, m_btnOK, m_btnCancel, m_btnHelp}) {
        if (!b->isHidden()) {
            b->setFocus();
            break;
        }
    }

    centreOnScreen();
    const int result = exec();

    m_btnYes->hide();
    m_btnNo->hide();
    m_btnCancel->hide();
    m_memMessage->hide();
    m_memMessage->clear();
    return result;
}

QString TMyMessageDlg::ReceiveString(const QString &caption, const QString &prompt, const QString &suffix,
                                     const QString &defaultText, int width, int helpContext)
{
    if (isVisible())
        return spare()->ReceiveString(caption, prompt, suffix, defaultText, width, helpContext);
    setWindowTitle(caption);
    m_memMessage->hide();
    m_edPrompt->setText(prompt);
    m_edPrompt->setCursorPosition(0);
    const int promptHeight = m_edPrompt->sizeHint().height();
    const int inputHeight = m_edInput->sizeHint().height();
    const ML::InputLayout l = ML::inputLayout(!suffix.isEmpty(), width, this->width(), promptHeight, inputHeight);

    m_edPrompt->setGeometry(l.promptLeft, l.promptTop, l.promptWidth, promptHeight);
    m_edPrompt->show();
    m_edInput->setGeometry(l.inputLeft, l.inputTop, l.inputWidth, inputHeight);
    m_edInput->setText(defaultText);
    m_edInput->selectAll();
    m_edInput->show();
    if (l.hasSuffix) {
        m_edSuffix->setText(suffix);
        m_edSuffix->setCursorPosition(0);
        m_edSuffix->setGeometry(l.suffixLeft, l.suffixTop, l.suffixWidth, promptHeight);
        m_edSuffix->show();
    }

    m_pnlButtons->setGeometry(0, l.buttonBarTop, l.dialogWidth - 2, ML::ButtonBarHeight);
    HelpContext::set(this, helpContext);
    m_btnYes->hide();
    m_btnNo->hide();
    m_btnOK->setGeometry(l.okLeft, 0, ML::ButtonWidth, ML::ButtonHeight);
    m_btnCancel->setGeometry(l.cancelLeft, 0, ML::ButtonWidth, ML::ButtonHeight);
    m_btnHelp->setGeometry(l.helpLeft, 0, ML::ButtonWidth, ML::ButtonHeight);
    for (QPushButton *b : {m_btnOK, m_btnCancel, m_btnHelp})
        b->show();
    m_btnYes->setDefault(false);
    m_btnOK->setDefault(true);
    setDialogSize(l.dialogWidth, l.dialogHeight);
    m_edInput->setFocus();

    centreOnScreen();
    const int result = exec();
    const QString text = result == ResultOk ? m_edInput->text() : QString();

    m_edPrompt->hide();
    m_edSuffix->hide();
    m_edInput->hide();
    m_edInput->clear();
    return text;
}

int TMyMessageDlg::ReceiveInteger(const QString &caption, const QString &prompt, const QString &suffix,
                                  int defaultValue, int width, int helpContext)
{
    const QString text = ReceiveString(caption, prompt, suffix, QString::number(defaultValue), width, helpContext);
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw MarrowdaleError(u"'%1' is not a valid integer value."_s.arg(text));
    return value;
}

double TMyMessageDlg::ReceiveFloat(const QString &caption, const QString &prompt, const QString &suffix,
                                   double defaultValue, int width, int helpContext)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    const QString text
        = ReceiveString(caption, prompt, suffix, locale.toString(defaultValue, 'g', 15), width, helpContext);
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok)
        throw MarrowdaleError(u"'%1' is not a valid floating point value."_s.arg(text));
    return value;
}

void TMyMessageDlg::btnHelpClick()
{
    HelpContext::request(HelpContext::of(this));
}

void TMyMessageDlg::reject()
{
    // The title bar's close box, and Esc while Cancel is shown.
    done(ResultCancel);
}

void TMyMessageDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (!m_btnCancel->isHidden())
            m_btnCancel->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
