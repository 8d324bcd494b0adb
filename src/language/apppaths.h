#pragma once

#include <QLocale>
#include <QString>

// Where the program keeps its own files and finds its help pages.
namespace AppPaths {

/// $XDG_CONFIG_HOME/marrowdale (default ~/.config/marrowdale), created when missing.
QString configFolder();
QString settingsFile();
QString languageFile();

/// $XDG_STATE_HOME/marrowdale (default ~/.local/state/marrowdale), created when missing: the move
/// journal lives here.
QString stateFolder();

/// $XDG_CACHE_HOME/marrowdale (default ~/.cache/marrowdale), created when missing: what the program can
/// read again at any time (the facts of pages, the index of suggestions).
QString cacheFolder();

/// A helper program of the program's own: beside the executable in a build tree, in its libexec folder once
/// installed; empty when there is none.
QString helperExecutable(const QString &name);

/// The user's documents folder; empty when the system names none.
QString documentsFolder();
/// Where downloads land: the desktop's download folder (XDG_DOWNLOAD_DIR) when it is there, else the
/// home folder.
QString downloadFolder();

/// "Help" beside the executable when present, otherwise the installed one: the English pages.
QString helpFolder();

/// The pages for a language, given as a locale name ("ja", "ja_JP.UTF-8") or an English language
/// name ("Japanese"): the subfolder named by the language's code (`ja`) when it holds a table of
/// contents, otherwise the English pages.
QString helpFolderFor(const QString &englishHelpFolder, const QString &language);

/// "languages" beside the executable when present, otherwise the installed one: the translations the
/// program brings along, one file a language named in English ("Japanese.lng").
QString languagesFolder();

/// The language a locale name ("ja", "ja_JP.UTF-8") or an English language name ("Japanese") stands for;
/// AnyLanguage when it names none.
QLocale::Language languageNamed(const QString &language);

/// A folder path without its trailing "/" ("/" itself stays).
QString withoutTrailingSlash(const QString &folder);

} // namespace AppPaths
