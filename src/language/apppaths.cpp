#include "apppaths.h"

#include "helpfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QStandardPaths>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// Our folder under an XDG base folder, created when missing (a failure shows later, when a file in it
// cannot be written). The variable is read at every call: it may change while the program (or a test) runs.
QString xdgFolder(const char *variable, const QString &fallbackUnderHome)
{
    QString base = qEnvironmentVariable(variable);
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + fallbackUnderHome;
    const QString folder = AppPaths::withoutTrailingSlash(QDir::cleanPath(base)) + u"/marrowdale"_s;
    // The program's own folder is the user's alone; the base folder is made as any other.
    QDir().mkpath(base);
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
    return folder;
}

// The folder `name` of the program's data: beside the executable in a build tree, under share/marrowdale
// relative to it once installed (also for a package built for another prefix), else where the build put it.
QString dataFolder(const QString &name)
{
    if (QCoreApplication::instance()) {
        const QString beside = QCoreApplication::applicationDirPath() + u'/' + name;
        if (QFileInfo(beside).isDir())
            return beside;
        const QString relative
            = QDir::cleanPath(QCoreApplication::applicationDirPath() + u"/../share/marrowdale/"_s + name);
        if (QFileInfo(relative).isDir())
            return relative;
    }
    return QStringLiteral(MARROWDALE_INSTALL_DATADIR) + u'/' + name;
}

} // namespace

namespace AppPaths {

QLocale::Language languageNamed(const QString &language)
{
    // A locale name may carry a code set or modifier ("ja_JP.UTF-8", "ja_JP@euro") that QLocale does not read.
    static const QRegularExpression codeSetOrModifier(u"[.@].*$"_s);
    const QString name = QString(language).remove(codeSetOrModifier).trimmed();
    if (name.isEmpty())
        return QLocale::AnyLanguage; // QLocale would take the system's
    const QLocale::Language byCode = QLocale(name).language();
    if (byCode != QLocale::C && byCode != QLocale::AnyLanguage)
        return byCode;
    for (int l = QLocale::AnyLanguage + 1; l <= QLocale::LastLanguage; ++l) {
        if (QLocale::languageToString(QLocale::Language(l)).compare(name, Qt::CaseInsensitive) == 0)
            return QLocale::Language(l);
    }
    return QLocale::AnyLanguage;
}

QString configFolder()
{
    return xdgFolder("XDG_CONFIG_HOME", u"/.config"_s);
}

QString stateFolder()
{
    return xdgFolder("XDG_STATE_HOME", u"/.local/state"_s);
}

QString cacheFolder()
{
    return xdgFolder("XDG_CACHE_HOME", u"/.cache"_s);
}

QString helperExecutable(const QString &name)
{
    QStringList places;
    if (QCoreApplication::instance()) {
        const QString here = QCoreApplication::applicationDirPath();
        places << here << here + u"/../libexec/marrowdale"_s;
    }
    places << QStringLiteral(MARROWDALE_INSTALL_LIBEXECDIR) << QStringLiteral(MARROWDALE_BUILD_BINDIR);
    for (const QString &place : std::as_const(places)) {
        const QFileInfo helper(place + u'/' + name);
        if (helper.isFile() && helper.isExecutable())
            return helper.absoluteFilePath();
    }
    return {};
}

QString settingsFile()
{
    return configFolder() + u"/marrowdale.ini"_s;
}

QString languageFile()
{
    return configFolder() + u"/marrowdale.lng"_s;
}

QString documentsFolder()
{
    // The documents folder is only named, not made, by the desktop: one that is not there counts as none.
    const QString folder = withoutTrailingSlash(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString downloadFolder()
{
    const QString folder = withoutTrailingSlash(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
    return QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

QString helpFolder()
{
    return dataFolder(u"Help"_s);
}

QString languagesFolder()
{
    return dataFolder(u"languages"_s);
}

QString helpFolderFor(const QString &englishHelpFolder, const QString &language)
{
    const QLocale::Language l = languageNamed(language);
    if (l == QLocale::AnyLanguage || l == QLocale::English)
        return englishHelpFolder;
    // A folder without its table of contents is a half-made translation: the English set is whole.
    const QString translated = QDir(englishHelpFolder).filePath(QLocale::languageToCode(l));
    return QFileInfo(QDir(translated).filePath(QString(HelpFiles::contentsFile))).isFile() ? translated
                                                                                           : englishHelpFolder;
}

QString withoutTrailingSlash(const QString &folder)
{
    QString result = folder;
    while (result.size() > 1 && result.endsWith(u'/'))
        result.chop(1);
    return result;
}

} // namespace AppPaths
