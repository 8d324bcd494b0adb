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
    s.options.rootFolder = firstRun ? documentsFolder : ini.readString(section, u"RootFolder"_s, programFolder);
    return s;
}

void write(const QString &path, const ClosingSettings &settings)
{
    const Options &o = settings.options;
    IniFile::writeString(path, section, u"IniFolder"_s, settings.sourceFolder);
    IniFile::writeString(path, section, u"Destination"_s, o.rootFolder);
    IniFile::writeString(path, section, u"PtnFile"_s, settings.patternFile);
    IniFile::writeString(path, section, u"RootFolder"_s, o.rootFolder);
    IniFile::writeBool(path, section, u"Sift"_s, o.sift);
    IniFile::writeBool(path, section, u"Confirm"_s, o.confirm);
    IniFile::writeInt(path, section, u"Denominator"_s, o.denominator);
}

} // namespace SettingsFile
