#pragma once

#include <QString>

// Where the program keeps its own files and finds its help pages.
namespace AppPaths {

/// $XDG_CONFIG_HOME/marrowdale (default ~/.config/marrowdale), created when missing.
QString configFolder();
QString settingsFile();
QString languageFile();
QString defaultPatternFile();

/// $XDG_STATE_HOME/marrowdale (default ~/.local/state/marrowdale), created when missing: the move
/// journal lives here.
QString stateFolder();

/// The user's documents folder; empty when the system names none.
QString documentsFolder();

/// "Help" beside the executable when present, otherwise the installed one.
QString helpFolder();

/// A folder path without its trailing "/" ("/" itself stays).
QString withoutTrailingSlash(const QString &folder);

} // namespace AppPaths
