#pragma once

#include "languagefile.h"
#include "messagetable.h"

#include <QString>
#include <QStringList>

// Which language the program speaks. The user's own language file (marrowdale.lng in the config folder)
// wins; without one, the translation the program brings along for the desktop's language (LANGUAGE,
// LC_ALL, LC_MESSAGES, LANG, as the locale reports them); without that, English from the program itself.
//
// The choice is made and the file read once, on first use; reload() makes them again.
namespace ProgramLanguage {

/// Chooses and reads the language file anew, as the main window does when it applies its language.
void reload();

/// The language file every window reads; empty when the program speaks its own English.
QString file();
/// That file as read.
LanguageFile languageFile();
/// The same for a given user file, folder of translations and list of the desktop's languages.
QString fileFor(const QString &userFile, const QString &languagesFolder, const QStringList &uiLanguages);

/// The language as a code ("ja"): what the file's [Info] Language names, else the desktop's first.
QString code();
QString codeFor(const QString &languageFile, const QStringList &uiLanguages);

/// The message catalogue of file(), as a window that is not the main window reads it when it shows.
MessageTable messages();

/// Loads the toolkit's own translation for code() (Yes, No, Cancel, the file dialogs), replacing one loaded
/// before. False when there is none to load: English needs none, and not every language has one.
bool installQtTranslations();

} // namespace ProgramLanguage
