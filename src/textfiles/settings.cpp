#include "settings.h"

#include "inifile.h"

#include <QDir>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
const QString section = u"Setting"_s;
const QString defaultPatternName = u"Default.dat"_s;

QString patternIn(const QString &folder)
{
    return folder.endsWith(u'/') ? folder + defaultPatternName : folder + u'/' + defaultPatternName;
}
} // namespace

namespace SettingsFile {

int clampDenominator(int value)
{
    return std::clamp(value, minimumDenominator, maximumDenominator);
}

StartupSettings read(const IniFile &ini, bool firstRun, const QString &documentsFolder, const QString &programFolder,
                     const Options &formOptions, const std::function<bool(const QString &)> &folderExists)
{
    StartupSettings s;
    s.options = formOptions;
    const QString iniFolder = ini.readString(section, u"IniFolder"_s, programFolder);
    if (!iniFolder.isEmpty() && !folderExists(iniFolder)) {
        // The folder list refuses a vanished folder; the rest of the file is not trusted either.
        s.fellBack = true;
        s.sourceFolder = documentsFolder;
        s.patternFile = patternIn(programFolder);
        s.options.denominator = 1000;
        return s;
    }
    s.sourceFolder = iniFolder;
    s.currentDestination = ini.readString(section, u"Destination"_s, QString());
    s.patternFile = ini.readString(section, u"PtnFile"_s, patternIn(programFolder));
    s.options.sift = ini.readBool(section, u"Sift"_s, true);
    s.options.confirm = ini.readBool(section, u"Confirm"_s, true);
    s.options.denominator = clampDenominator(ini.readInt(section, u"Denominator"_s, 1000));
    // On for a new settings file; off for one written before the option existed.
    s.options.pageFacts = ini.readBool(section, u"PageFacts"_s, firstRun || !ini.exists());
    s.options.rootFolder = firstRun ? documentsFolder : ini.readString(section, u"RootFolder"_s, programFolder);
    // "x,y,width,height"; anything else is no place.
    if (const QStringList parts = ini.readString(section, u"Window"_s, QString()).split(u','); parts.size() == 4) {
        bool ok[4] = {};
        const QRect window(parts[0].toInt(&ok[0]), parts[1].toInt(&ok[1]), parts[2].toInt(&ok[2]), parts[3].toInt(&ok[3]));
        if (std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }) && window.isValid())
            s.window = window;
    }
    return s;
}

void write(const QString &path, const ClosingSettings &settings)
{
    const Options &o = settings.options;
    IniFile ini(path);
    ini.setString(section, u"IniFolder"_s, settings.sourceFolder);
    ini.setString(section, u"Destination"_s, o.rootFolder);
    ini.setString(section, u"PtnFile"_s, settings.patternFile);
    ini.setString(section, u"RootFolder"_s, o.rootFolder);
    ini.setBool(section, u"Sift"_s, o.sift);
    ini.setBool(section, u"Confirm"_s, o.confirm);
    ini.setInt(section, u"Denominator"_s, o.denominator);
    ini.setBool(section, u"PageFacts"_s, o.pageFacts);
    if (settings.window.isValid()) {
        const QRect &w = settings.window;
        ini.setString(section, u"Window"_s, u"%1,%2,%3,%4"_s.arg(w.x()).arg(w.y()).arg(w.width()).arg(w.height()));
    }
    ini.save();
}

} // namespace SettingsFile
