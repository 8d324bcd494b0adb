#include "widgetprompts.h"

#include "boxtexts.h"
#include "dialogs/keywordchoicedialog.h"
#include "folderchooser.h"
#include "helpcontext.h"
#include "messagedialog.h"
#include "programlanguage.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

constexpr int MoveQuestionHelpContext = 5;

} // namespace

WidgetPrompts::WidgetPrompts(QWidget *parent, MessageDialog *messageDialog, KeywordChoiceDialog *keywordChoiceDialog)
    : m_parent(parent)
    , m_messageDialog(messageDialog)
    , m_keywordChoiceDialog(keywordChoiceDialog)
{ }

int WidgetPrompts::msgBox(const QString &msg, const QString &caption, const QString &buttons, int helpContext)
{
    return m_messageDialog->showMessage(msg, caption, buttons, helpContext);
}

QString WidgetPrompts::receiveString(const QString &caption, const QString &prompt, const QString &suffix,
                                     const QString &defaultText, int width, int helpContext)
{
    return m_messageDialog->askText(caption, prompt, suffix, defaultText, width, helpContext);
}

int WidgetPrompts::askYesNo(const QString &text, const QString &title)
{
    // No is the box's escape button, so closing it answers No.
    return BoxTexts::ask(m_parent, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes
        ? Yes
        : No;
}

int WidgetPrompts::askOkCancel(const QString &text, const QString &title)
{
    return BoxTexts::ask(m_parent, QMessageBox::Question, title, text, QMessageBox::Ok | QMessageBox::Cancel)
            == QMessageBox::Ok
        ? Ok
        : Cancel;
}

int WidgetPrompts::confirmMove(const QString &text)
{
    QMessageBox box(QMessageBox::Question, BoxTexts::title(QString()), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Abort | QMessageBox::Help, m_parent);
    box.setObjectName(u"confirmMove"_s);
    BoxTexts::nameButtons(box, ProgramLanguage::messages());
    box.setDefaultButton(QMessageBox::Yes);
    // Closing the box is Cancel, which no button shows; Esc and the close box both reach it.
    QAbstractButton *cancel = box.addButton(QMessageBox::Cancel);
    cancel->hide();
    box.setEscapeButton(cancel);
    // Help must not end the box: take the button out of the box's own handling.
    QAbstractButton *help = box.button(QMessageBox::Help);
    QObject::disconnect(help, &QAbstractButton::clicked, nullptr, nullptr);
    QObject::connect(help, &QAbstractButton::clicked, &box, [] { HelpContext::request(MoveQuestionHelpContext); });
    HelpContext::set(&box, MoveQuestionHelpContext);

    box.exec();
    const QAbstractButton *clicked = box.clickedButton();
    if (clicked == box.button(QMessageBox::Yes))
        return Yes;
    if (clicked == box.button(QMessageBox::No))
        return No;
    if (clicked == box.button(QMessageBox::Abort))
        return Abort;
    return Cancel;
}

void WidgetPrompts::notify(const QString &text)
{
    BoxTexts::ask(m_parent, QMessageBox::Information, QString(), text, QMessageBox::Ok);
}

std::optional<QString> WidgetPrompts::chooseFolder(const QString &startFolder, int helpContext)
{
    return FolderChooser::choose(m_parent, startFolder, helpContext);
}

int WidgetPrompts::chooseKeyword(const QString &fileName, const QStringList &candidates, int *selected)
{
    return m_keywordChoiceDialog->choose(fileName, candidates, selected);
}

QString WidgetPrompts::inputBox(const QString &title, const QString &prompt, const QString &defaultText)
{
    QInputDialog box(m_parent);
    box.setWindowTitle(BoxTexts::title(title));
    box.setLabelText(prompt);
    box.setTextValue(defaultText);
    BoxTexts::nameButtons(box, ProgramLanguage::messages());
    return box.exec() == QDialog::Accepted ? box.textValue() : defaultText;
}
