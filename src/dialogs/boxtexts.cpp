#include "boxtexts.h"

#include "windowplacement.h"

#include "messagetable.h"
#include "programlanguage.h"

#include <QAbstractButton>
#include <QInputDialog>
#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace BoxTexts {

QString title(const QString &title)
{
    return title.isEmpty() ? u"Marrowdale"_s : title;
}

void nameButtons(QMessageBox &box, const MessageTable &messages)
{
    const std::pair<QMessageBox::StandardButton, Message> captions[]
        = {{QMessageBox::Yes, Message::YesButton},     {QMessageBox::No, Message::NoButton},
           {QMessageBox::Ok, Message::OkButton},       {QMessageBox::Cancel, Message::CancelButton},
           {QMessageBox::Abort, Message::AbortButton}, {QMessageBox::Help, Message::HelpButton}};
    for (const auto &[which, message] : captions) {
        QAbstractButton *button = box.button(which);
        if (const std::optional<QString> caption = messages.translated(message); button && caption)
            button->setText(*caption);
    }
}

void nameButtons(QInputDialog &box, const MessageTable &messages)
{
    if (const std::optional<QString> ok = messages.translated(Message::OkButton))
        box.setOkButtonText(*ok);
    if (const std::optional<QString> cancel = messages.translated(Message::CancelButton))
        box.setCancelButtonText(*cancel);
}

QMessageBox::StandardButton ask(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, BoxTexts::title(title), text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    nameButtons(box, ProgramLanguage::messages());
    // Qt centres a box over a parent that shows; one that comes before the main window shows (at the
    // start) would open in a corner.
    if (!parent || !parent->isVisible())
        WindowPlacement::keepCentred(&box);
    box.exec();
    return box.standardButton(box.clickedButton());
}

} // namespace BoxTexts
