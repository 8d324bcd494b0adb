#pragma once

#include <QString>

class MessageTable;
class QInputDialog;
class QMessageBox;

// What the toolkit's stock boxes show of the program's language: the program's name as the title where
// the caller gives none (rather than the executable's), and the language file's button captions where
// the file has them; otherwise the toolkit's own captions, which its translation puts in the language.
namespace BoxTexts {

QString title(const QString &title);
void nameButtons(QMessageBox &box, const MessageTable &messages);
void nameButtons(QInputDialog &box, const MessageTable &messages);

} // namespace BoxTexts
