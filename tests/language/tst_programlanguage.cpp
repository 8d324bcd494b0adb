#include "apppaths.h"
#include "marrowdaleerror.h"
#include "programlanguage.h"
#include "programtext.h"
#include "systemtest.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Qt's own caption of the Cancel button, as its translation gives it now.
QString qtCancel()
{
    return QCoreApplication::translate("QPlatformTheme", "Cancel");
}

} // namespace

// Which language the program speaks and how its texts are put together in it.
class TestProgramLanguage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString userFile() const { return AppPaths::configFolder() + u"/marrowdale.lng"_s; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(u"config"_s)));
    }

    void cleanup()
    {
        QFile::remove(userFile());
        QLocale::setDefault(QLocale::c());
        ProgramLanguage::reload();
        ProgramLanguage::installQtTranslations();
    }

    void chosenFile_data()
    {
        QTest::addColumn<bool>("userFile");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QStringList>("desktop");
        QTest::addColumn<QString>("expected"); ///< "user", an installed file or none

        const QStringList both {u"English.lng"_s, u"Japanese.lng"_s};
        const QStringList japanese {u"ja-JP"_s};
        QTest::newRow("the user's file wins over the locale") << true << both << japanese << u"user"_s;
        QTest::newRow("the user's file wins for an English desktop")
            << true << both << QStringList {u"en-US"_s} << u"user"_s;
        QTest::newRow("no file of the user's: the locale's translation")
            << false << both << japanese << u"Japanese.lng"_s;
        QTest::newRow("a locale name with a code set")
            << false << both << QStringList {u"ja_JP.UTF-8"_s} << u"Japanese.lng"_s;
        QTest::newRow("English needs no file") << false << both << QStringList {u"en-US"_s, u"ja-JP"_s} << QString();
        QTest::newRow("the C locale speaks English") << false << both << QStringList {u"C"_s} << QString();
        QTest::newRow("no translation for the language") << false << both << QStringList {u"de-DE"_s} << QString();
        QTest::newRow("the first language with a translation")
            << false << both << QStringList {u"de-DE"_s, u"ja-JP"_s} << u"Japanese.lng"_s;
        QTest::newRow("translation not installed") << false << QStringList {u"English.lng"_s} << japanese << QString();
    }
    void chosenFile()
    {
        QFETCH(bool, userFile);
        QFETCH(QStringList, installed);
        QFETCH(QStringList, desktop);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString user = dir.filePath(u"config/marrowdale.lng"_s);
        if (userFile)
            writeBytes(user, "[Main]\n");
        for (const QString &name : installed)
            writeBytes(dir.filePath(u"languages/"_s + name), "[Main]\n");
        const QString chosen = ProgramLanguage::fileFor(user, dir.filePath(u"languages"_s), desktop);
        if (expected == u"user"_s)
            QCOMPARE(chosen, user);
        else if (expected.isEmpty())
            QCOMPARE(chosen, QString());
        else
            QCOMPARE(chosen, dir.filePath(u"languages/"_s + expected));
    }

    // Something in the user file's place that cannot be read as a file leaves the desktop's translation.
    void unusableUserFile_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("a folder in the user file's place hides no translation") << true;
        QTest::newRow("an unreadable user file hides no translation") << false;
    }
    void unusableUserFile()
    {
        RUN_WITHOUT_ROOT();
        QFETCH(bool, folder);
        QTemporaryDir dir;
        const QString user = dir.filePath(u"config/marrowdale.lng"_s);
        if (folder) {
            QVERIFY(QDir().mkpath(user));
        } else {
            writeBytes(user, "[Main]\n");
            QVERIFY(QFile::setPermissions(user, QFileDevice::WriteOwner));
        }
        writeBytes(dir.filePath(u"languages/Japanese.lng"_s), "[Main]\n");
        QCOMPARE(ProgramLanguage::fileFor(user, dir.filePath(u"languages"_s), {u"ja-JP"_s}),
                 dir.filePath(u"languages/Japanese.lng"_s));
    }

    // Every box, and every file of a pass, asks for the language: its file is read once, until reload().
    void languageFileReadOncePerRun()
    {
        writeBytes(userFile(), "[Main]\nMsg1=first\n");
        ProgramLanguage::reload();
        QCOMPARE(ProgramLanguage::messages().text(1), u"first"_s);
        writeBytes(userFile(), "[Info]\nLanguage=ja\n[Main]\nMsg1=second\n");
        QCOMPARE(ProgramLanguage::messages().text(1), u"first"_s);
        QCOMPARE(ProgramLanguage::languageFile().text(u"Main"_s, u"Msg1"_s), u"first"_s);
        ProgramLanguage::reload();
        QCOMPARE(ProgramLanguage::messages().text(1), u"second"_s);
        QCOMPARE(ProgramLanguage::languageFile().text(u"Main"_s, u"Msg1"_s), u"second"_s);
        QCOMPARE(ProgramLanguage::code(), u"ja"_s);
        QCOMPARE(ProgramLanguage::file(), userFile());
    }

    void languageCode_data()
    {
        QTest::addColumn<QByteArray>("file"); ///< null: no language file
        QTest::addColumn<QStringList>("desktop");
        QTest::addColumn<QString>("expected");

        const QStringList english {u"en-US"_s};
        QTest::newRow("the file names its language") << "[Info]\nLanguage=ja\n"_ba << english << u"ja"_s;
        QTest::newRow("by its English name") << "[Info]\nLanguage=Japanese\n"_ba << english << u"ja"_s;
        QTest::newRow("as a locale name, key in other case")
            << "[info]\nlanguage=ja_JP.UTF-8\n"_ba << english << u"ja"_s;
        QTest::newRow("a file that does not say: the locale's")
            << "[Main]\nCaption=x\n"_ba << QStringList {u"de-DE"_s} << u"de"_s;
        QTest::newRow("an empty Language: the locale's")
            << "[Info]\nLanguage=\n"_ba << QStringList {u"de"_s} << u"de"_s;
        QTest::newRow("no file: the locale's") << QByteArray() << QStringList {u"ja-JP"_s} << u"ja"_s;
        QTest::newRow("the C locale names none") << QByteArray() << QStringList {u"C"_s} << QString();
    }
    void languageCode()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, desktop);
        QTemporaryDir dir;
        const QString path = file.isNull() ? QString() : dir.filePath(u"marrowdale.lng"_s);
        if (!file.isNull())
            writeBytes(path, file);
        QTEST(ProgramLanguage::codeFor(path, desktop), "expected");
    }

    // Qt's Yes, No and Cancel and its file dialogs speak the language of the program's texts.
    void qtTranslations_data()
    {
        QTest::addColumn<QByteArray>("file"); ///< in the config folder; null: none
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("translated");

        QTest::newRow("a file with Language=ja loads Japanese") << "[Info]\nLanguage=ja\n"_ba << QLocale::c() << true;
        QTest::newRow("a file with Language=en loads none")
            << "[Info]\nLanguage=en\n"_ba << QLocale(QLocale::Japanese, QLocale::Japan) << false;
        QTest::newRow("a file that does not say follows the locale")
            << "[Main]\n"_ba << QLocale(QLocale::German, QLocale::Germany) << true;
        QTest::newRow("no file under the C locale loads none") << QByteArray() << QLocale::c() << false;
        QTest::newRow("no file under a Japanese locale loads Japanese")
            << QByteArray() << QLocale(QLocale::Japanese, QLocale::Japan) << true;
    }
    void qtTranslations()
    {
        QFETCH(QByteArray, file);
        QFETCH(QLocale, locale);
        QFETCH(bool, translated);
        if (!file.isNull())
            writeBytes(userFile(), file);
        QLocale::setDefault(locale);
        ProgramLanguage::reload();
        QCOMPARE(ProgramLanguage::installQtTranslations(), translated);
        QCOMPARE(qtCancel() != u"Cancel"_s, translated);
        // Loading again replaces the translation rather than stacking another under it.
        QFile::remove(userFile());
        QLocale::setDefault(QLocale::c());
        ProgramLanguage::reload();
        QVERIFY(!ProgramLanguage::installQtTranslations());
        QCOMPARE(qtCancel(), u"Cancel"_s);
    }

    void placeholders_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("fill");
        QTest::addColumn<QString>("expected");
        QTest::newRow("in order") << u"%1 to %2."_s << QStringList {u"a"_s, u"b"_s} << u"a to b."_s;
        QTest::newRow("in another order") << u"「%2」へ「%1」"_s << QStringList {u"a"_s, u"b"_s} << u"「b」へ「a」"_s;
        QTest::newRow("a name that holds a placeholder stays as it is")
            << u"%1 to %2"_s << QStringList {u"50%2.htm"_s, u"/x"_s} << u"50%2.htm to /x"_s;
        QTest::newRow("a placeholder without a value stays") << u"%1 %3"_s << QStringList {u"a"_s, u"b"_s} << u"a %3"_s;
        QTest::newRow("a percent sign of its own") << u"100% of %1%"_s << QStringList {u"a"_s} << u"100% of a%"_s;
    }
    void placeholders()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, fill);
        QTEST(fillPlaceholders(text, fill), "expected");
    }

    // An error made far from any window reaches the user in the language of the table it meets.
    void errorInTheUsersLanguage()
    {
        const MarrowdaleError error(
            ProgramText(Message::FileNotWritten, {u"/a"_s, ProgramText(Message::ReasonReadOnly)}));
        QCOMPARE(error.message(), u"The file \"/a\" cannot be written: the file is read-only"_s);
        QCOMPARE(QString::fromUtf8(error.what()), error.message());
        MessageTable japanese;
        japanese.setText(Message::FileNotWritten, u"「%1」に書き込めません: %2"_s);
        japanese.setText(Message::ReasonReadOnly, u"読み取り専用です"_s);
        QCOMPARE(error.message(japanese), u"「/a」に書き込めません: 読み取り専用です"_s);
        QCOMPARE(MarrowdaleError(u"fixed"_s).message(japanese), u"fixed"_s);
    }

    void configFolderFollowsEnvironment()
    {
        QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + u"/"_s));
        QCOMPARE(AppPaths::settingsFile(), dir.path() + u"/marrowdale/marrowdale.ini"_s);
        QVERIFY(QDir(dir.path() + u"/marrowdale"_s).exists());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + u"/other"_s));
        QCOMPARE(AppPaths::languageFile(), dir.path() + u"/other/marrowdale/marrowdale.lng"_s);
        QCOMPARE(AppPaths::withoutTrailingSlash(u"/"_s), u"/"_s);
        QCOMPARE(AppPaths::withoutTrailingSlash(u"/data//"_s), u"/data"_s);
    }
};

QTEST_GUILESS_MAIN(TestProgramLanguage)
#include "tst_programlanguage.moc"
