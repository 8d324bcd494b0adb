#include "programlanguage.h"

#include "apppaths.h"
#include "languagefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// English is the program's own language: no file stands for it.
bool speaksEnglish(QLocale::Language language)
{
    return language == QLocale::English || language == QLocale::C || language == QLocale::AnyLanguage;
}

QStringList desktopLanguages()
{
    return QLocale().uiLanguages();
}

} // namespace

namespace ProgramLanguage {

QString file()
{
    return fileFor(AppPaths::languageFile(), AppPaths::languagesFolder(), desktopLanguages());
}

QString fileFor(const QString &userFile, const QString &languagesFolder, const QStringList &uiLanguages)
{
    if (QFileInfo::exists(userFile))
        return userFile;
    // The desktop lists its languages by preference; the first we speak decides.
    for (const QString &name : uiLanguages) {
        const QLocale::Language language = AppPaths::languageNamed(name);
        if (speaksEnglish(language))
            return {};
        const QString translation = QDir(languagesFolder).filePath(QLocale::languageToString(language) + u".lng"_s);
        if (QFileInfo(translation).isFile())
            return translation;
    }
    return {};
}

QString code()
{
    return codeFor(file(), desktopLanguages());
}

QString codeFor(const QString &languageFile, const QStringList &uiLanguages)
{
    const std::optional<QString> named
        = languageFile.isEmpty() ? std::nullopt : LanguageFile(languageFile).textIfPresent(u"Info"_s, u"Language"_s);
    const QLocale::Language language
        = AppPaths::languageNamed(named && !named->isEmpty() ? *named : uiLanguages.value(0));
    return language == QLocale::AnyLanguage || language == QLocale::C ? QString() : QLocale::languageToCode(language);
}

MessageTable messages()
{
    MessageTable table;
    const LanguageFile language(file());
    if (language.exists()) {
        table.clear();
        language.readMessages(table);
    }
    return table;
}

bool installQtTranslations()
{
    static QTranslator *installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    const QLocale::Language language = AppPaths::languageNamed(code());
    if (speaksEnglish(language))
        return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(language), u"qtbase"_s, u"_"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || !QCoreApplication::installTranslator(translator.get()))
        return false;
    installed = translator.release();
    return true;
}

} // namespace ProgramLanguage
