#pragma once

#include "options.h"

#include <QRect>
#include <QString>

#include <functional>

class IniFile;

// What the settings file gives the main window at its first show.
struct StartupSettings
{
    QString sourceFolder; ///< empty: leave the folder list where it is
    QString currentDestination;
    QString patternFile;
    Options options;
    bool fellBack = false; ///< the stored source folder was gone: defaults replaced the rest
    QRect window; ///< where the main window was at the last close (without its frame); invalid: none

    friend bool operator==(const StartupSettings &, const StartupSettings &) = default;
};

// What the close writes back.
struct ClosingSettings
{
    QString sourceFolder;
    QString patternFile;
    Options options;
    QRect window; ///< the main window's place and size, without its frame; invalid: not written
};

namespace SettingsFile {

inline constexpr int minimumDenominator = 100;
inline constexpr int maximumDenominator = 1000000;

int clampDenominator(int value);

/// Reads the keys in their order. `formOptions` are the option dialog's values before the read: a
/// vanished source folder stops the read and leaves them (but the Denominator) as they are.
StartupSettings read(const IniFile &ini, bool firstRun, const QString &documentsFolder, const QString &programFolder,
                     const Options &formOptions, const std::function<bool(const QString &)> &folderExists);

/// Writes the seven keys in their order, all at once: the file is read afresh, its other lines kept as
/// they are, and replaced as a whole. Throws MarrowdaleError naming the file; the file is then as it was.
void write(const QString &path, const ClosingSettings &settings);

} // namespace SettingsFile
