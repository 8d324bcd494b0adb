#pragma once

#include <QMessageBox>
#include <QString>

class MessageTable;
class QInputDialog;

// What the toolkit's stock boxes show of the program's language: the program's name as the title where
// the caller gives none (rather than the executable's), and the language file's button captions where
// the file has them; otherwise the toolkit's own captions, which its translation puts in the language.
namespace BoxTexts {

QString title(const QString &title);
void nameButtons(QMessageBox &box, const MessageTable &messages);
void nameButtons(QInputDialog &box, const MessageTable &messages);

/// The toolkit's message box, titled and captioned as above; the button that ended it (the escape
/// button when it was closed).
QMessageBox::StandardButton ask(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

} // namespace BoxTexts
