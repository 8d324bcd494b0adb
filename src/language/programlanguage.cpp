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

QString codeNamed(const std::optional<QString> &named, const QStringList &uiLanguages)
{
    const QLocale::Language language
        = AppPaths::languageNamed(named && !named->isEmpty() ? *named : uiLanguages.value(0));
    return language == QLocale::AnyLanguage || language == QLocale::C ? QString() : QLocale::languageToCode(language);
}

// Every box and every file of a pass asks for the language: reading its file each time would be slow.
struct Loaded
{
    QString file;
    LanguageFile language;
    MessageTable messages;
    QString code;
};

std::optional<Loaded> store;

const Loaded &loaded()
{
    if (!store) {
        const QStringList desktop = desktopLanguages();
        const QString file = ProgramLanguage::fileFor(AppPaths::languageFile(), AppPaths::languagesFolder(), desktop);
        LanguageFile language(file);
        MessageTable messages;
        if (language.exists()) {
            messages.clear();
            language.readMessages(messages);
        }
        const QString code = codeNamed(language.textIfPresent(u"Info"_s, u"Language"_s), desktop);
        store.emplace(Loaded {file, std::move(language), std::move(messages), code});
    }
    return *store;
}

} // namespace

namespace ProgramLanguage {

void reload()
{
    store.reset();
}

QString file()
{
    return loaded().file;
}

LanguageFile languageFile()
{
    return loaded().language;
}

QString fileFor(const QString &userFile, const QString &languagesFolder, const QStringList &uiLanguages)
{
    // A folder or a file that cannot be read in its place must not hide the translation.
    if (const QFileInfo user(userFile); user.isFile() && user.isReadable())
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
    return loaded().code;
}

QString codeFor(const QString &languageFile, const QStringList &uiLanguages)
{
    return codeNamed(languageFile.isEmpty() ? std::nullopt
                                            : LanguageFile(languageFile).textIfPresent(u"Info"_s, u"Language"_s),
                     uiLanguages);
}

MessageTable messages()
{
    return loaded().messages;
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
