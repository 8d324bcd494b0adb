#include "inifile.h"
#include "languagefile.h"
#include "messagetable.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

#ifndef MARROWDALE_SOURCE_DIR
#error "MARROWDALE_SOURCE_DIR must name the source tree, which holds the shipped language files"
#endif

namespace {

struct ProgramKey
{
    QString section;
    QString key;
    bool mayBeEmpty = false; ///< the English text itself is empty
    bool lineBreaks = false; ///< "<br>" becomes a line feed when read
};

// Every key the program reads. Once a language file exists, each key of the first files that it lacks
// shows as an empty caption or message, and each later key its English text, so a shipped file has to
// carry all of them.
QList<ProgramKey> programKeys()
{
    QList<ProgramKey> keys;
    const auto captions = [&keys](const QString &section, std::initializer_list<QString> names) {
        for (const QString &name : names)
            keys.append({section, name});
    };
    const auto messages = [&keys](const QString &section, int count) {
        for (int n = 1; n <= count; ++n)
            keys.append({section, u"Msg%1"_s.arg(n), false, true});
    };

    captions(u"Main"_s,
             {u"Caption"_s,           u"GroupBox1->Caption"_s, u"Button1->Caption"_s,    u"Button2->Caption"_s,
              u"Panel1->Caption"_s,   u"Panel2->Caption"_s,    u"btnReplace->Caption"_s, u"btnNew->Caption"_s,
              u"btnLoad->Caption"_s,  u"btnOption->Caption"_s, u"btnUndo->Caption"_s,    u"Help->Caption"_s,
              u"btnExit->Caption"_s,  u"puOpen->Caption"_s,    u"puSend->Caption"_s,     u"puRename->Caption"_s,
              u"puDelete->Caption"_s, u"Redo1->Caption"_s,     u"Cut1->Caption"_s,       u"Copy1->Caption"_s,
              u"Paste1->Caption"_s,   u"puReplace->Caption"_s});
    messages(u"Main"_s, MessageTable::Count);
    keys.append({u"Dialog1"_s, u"Label1->Caption"_s, false, true});
    captions(u"Dialog1"_s,
             {u"Button1->Caption"_s, u"Button2->Caption"_s, u"Button3->Caption"_s, u"Button4->Caption"_s});
    captions(u"OptionDialog"_s,
             {u"Caption"_s, u"Label1->Caption"_s, u"Label2->Caption"_s, u"Label3->Caption"_s, u"btnOK->Caption"_s,
              u"Button1->Caption"_s, u"Button2->Caption"_s, u"CheckBox2->Caption"_s});
    keys.append({u"OptionDialog"_s, u"Hint"_s, true});
    messages(u"OptionDialog"_s, 3);
    captions(u"HelpSearch"_s,
             {u"TabControl->Tabs->Items0"_s, u"TabControl->Tabs->Items1"_s, u"TabControl->Tabs->Items2"_s,
              u"btnSearch->Caption"_s, u"lblPrompt->Caption"_s});
    keys.append({u"HelpSearch"_s, u"edSearch->Text"_s, true});

    // Keys that came later.
    keys.append({u"Info"_s, u"Language"_s});
    captions(u"Main"_s, {u"OpenExplorer->Caption"_s});
    captions(u"OptionDialog"_s, {u"chooseFolderButton->Hint"_s});
    captions(u"HelpSearch"_s, {u"Caption"_s});
    captions(u"FolderChooser"_s,
             {u"Caption"_s, u"folderLabel->Caption"_s, u"okButton->Caption"_s, u"cancelButton->Caption"_s,
              u"helpButton->Caption"_s});
    captions(u"ReplaceDialog"_s,
             {u"Caption"_s, u"findLabel->Caption"_s, u"replaceLabel->Caption"_s, u"wholeWordCheck->Caption"_s,
              u"matchCaseCheck->Caption"_s, u"directionGroup->Caption"_s, u"upButton->Caption"_s,
              u"downButton->Caption"_s, u"findNextButton->Caption"_s, u"replaceButton->Caption"_s,
              u"replaceAllButton->Caption"_s, u"cancelButton->Caption"_s});
    captions(u"WaitWindow"_s, {u"Caption"_s, u"notice->Caption"_s});
    for (const Message message : MessageTable::namedMessages())
        keys.append({u"Messages"_s, MessageTable::key(message), false, true});
    return keys;
}

QString shipped(const QString &name)
{
    return QStringLiteral(MARROWDALE_SOURCE_DIR "/languages/") + name;
}

void shippedFiles()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("English") << u"English.lng"_s;
    QTest::newRow("Japanese") << u"Japanese.lng"_s;
}

QString label(const ProgramKey &k)
{
    return u"[%1] %2"_s.arg(k.section, k.key);
}

} // namespace

class TestLanguageFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    }

    // A file that is not valid UTF-8 would be read as Shift-JIS and show garbled text.
    void encoding_data() { shippedFiles(); }
    void encoding()
    {
        QFETCH(QString, file);
        QFile f(shipped(file));
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString text = decoder(f.readAll());
        QVERIFY(!decoder.hasError());
        QVERIFY(!text.startsWith(QChar(0xFEFF)));
    }

    void completeness_data() { shippedFiles(); }
    void completeness()
    {
        QFETCH(QString, file);
        const IniFile ini(shipped(file));
        QVERIFY(ini.exists());
        QStringList missing, empty, literalBreaks;
        for (const ProgramKey &k : programKeys()) {
            const std::optional<QString> value = ini.value(k.section, k.key);
            if (!value)
                missing.append(label(k));
            else if (value->isEmpty() && !k.mayBeEmpty)
                empty.append(label(k));
            else if (!k.lineBreaks && value->contains(u"<br>"_s))
                literalBreaks.append(label(k)); // shown as written in a caption
        }
        QVERIFY2(missing.isEmpty(), qPrintable(u"missing: "_s + missing.join(u", "_s)));
        QVERIFY2(empty.isEmpty(), qPrintable(u"empty: "_s + empty.join(u", "_s)));
        QVERIFY2(literalBreaks.isEmpty(), qPrintable(u"shows \"<br>\" as written: "_s + literalBreaks.join(u", "_s)));
    }

    // The template must read back exactly as the texts the program shows without a file.
    void englishMatchesBuiltInTexts()
    {
        const LanguageFile english(shipped(u"English.lng"_s));
        for (int n = 1; n <= MessageTable::Count; ++n)
            QCOMPARE(english.message(u"Main"_s, u"Msg%1"_s.arg(n)), MessageTable::defaultText(n));
        for (int n = 1; n <= 3; ++n)
            QCOMPARE(english.message(u"OptionDialog"_s, u"Msg%1"_s.arg(n)), optionDialogDefaultText(n));
        for (const Message message : MessageTable::namedMessages())
            QCOMPARE(english.message(u"Messages"_s, MessageTable::key(message)), MessageTable::defaultText(message));
    }

    // A text composed with names and numbers keeps every placeholder in a translation, or a name goes
    // missing from the message.
    void placeholdersKept()
    {
        const LanguageFile japanese(shipped(u"Japanese.lng"_s));
        static const QRegularExpression placeholder(u"%\\d"_s);
        QStringList lost;
        for (const Message message : MessageTable::namedMessages()) {
            const auto used = [](const QString &text) {
                QStringList found;
                for (auto match = placeholder.globalMatch(text); match.hasNext();)
                    found << match.next().captured();
                found.sort();
                return found;
            };
            if (used(japanese.message(u"Messages"_s, MessageTable::key(message)))
                != used(MessageTable::defaultText(message)))
                lost << MessageTable::key(message);
        }
        QVERIFY2(lost.isEmpty(), qPrintable(lost.join(u", "_s)));
    }

    // The named texts each file carries: the template's read back as the program's own, and the
    // translation has every one of them, with the same places for what the program fills in.
    void namedTexts()
    {
        const LanguageFile english(shipped(u"English.lng"_s));
        const IniFile japanese(shipped(u"Japanese.lng"_s));
        for (const Message message : MessageTable::namedMessages()) {
            const QString key = MessageTable::key(message);
            const std::optional<QString> en = english.textIfPresent(u"Messages"_s, key);
            if (!en)
                continue;
            QCOMPARE(QString(*en).replace(u"<br>"_s, u"\n"_s), MessageTable::defaultText(message));
            const QString ja = japanese.value(u"Messages"_s, key).value_or(QString());
            QVERIFY2(!ja.isEmpty() && ja != *en, qPrintable(key));
            for (const QString &place : {u"%1"_s, u"%2"_s})
                QVERIFY2(ja.contains(place) == en->contains(place), qPrintable(key));
        }
    }

    void japaneseTranslatesEveryText()
    {
        const IniFile english(shipped(u"English.lng"_s));
        const IniFile japanese(shipped(u"Japanese.lng"_s));
        QStringList untranslated, lostShortcut;
        for (const ProgramKey &k : programKeys()) {
            const QString en = english.value(k.section, k.key).value_or(QString());
            const QString ja = japanese.value(k.section, k.key).value_or(QString());
            if (!en.isEmpty() && ja == en)
                untranslated.append(label(k));
            if (!k.lineBreaks && en.contains(u'&') != ja.contains(u'&'))
                lostShortcut.append(label(k));
        }
        QVERIFY2(untranslated.isEmpty(), qPrintable(u"left in English: "_s + untranslated.join(u", "_s)));
        QVERIFY2(lostShortcut.isEmpty(), qPrintable(u"keyboard shortcut lost: "_s + lostShortcut.join(u", "_s)));
    }

    // Messages are joined with a file name, a folder or a count, and their end blanks are what
    // keeps those parts apart; an unquoted value loses them. The Japanese file encloses names in
    // 「」 (messages 6-9) and puts the counter word straight after the count (message 22), so it
    // needs no blank there; around the bracketed name and folder of the move question (10-12) it
    // keeps the English separation.
    void endBlanks_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("leading");
        QTest::addColumn<QString>("trailing");

        const auto row = [](const char *file, const QString &section, const QString &key, const QString &leading,
                            const QString &trailing) {
            QTest::addRow("%s %s %s", file, qPrintable(section), qPrintable(key))
                << QString::fromLatin1(file) + u".lng"_s << section << key << leading << trailing;
        };
        const QString none, blank = u" "_s;
        const QString main = u"Main"_s, option = u"OptionDialog"_s;

        row("English", main, u"Msg6"_s, none, blank);
        row("English", main, u"Msg8"_s, none, blank);
        row("English", main, u"Msg10"_s, none, blank);
        row("English", main, u"Msg11"_s, blank, blank);
        row("English", main, u"Msg12"_s, blank, none);
        row("English", main, u"Msg22"_s, blank, none);
        row("English", main, u"Panel1->Caption"_s, u"  "_s, none);
        row("English", option, u"Label1->Caption"_s, none, blank);
        row("English", option, u"Label2->Caption"_s, none, blank);
        row("English", option, u"Label3->Caption"_s, none, blank);

        row("Japanese", main, u"Msg6"_s, none, none);
        row("Japanese", main, u"Msg10"_s, none, blank);
        row("Japanese", main, u"Msg11"_s, blank, blank);
        row("Japanese", main, u"Msg12"_s, blank, none);
        row("Japanese", main, u"Msg22"_s, none, none);
        row("Japanese", main, u"Panel1->Caption"_s, u"  "_s, none);
    }
    void endBlanks()
    {
        QFETCH(QString, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, leading);
        QFETCH(QString, trailing);
        const QString value = LanguageFile(shipped(file)).message(section, key);
        QVERIFY2(!value.trimmed().isEmpty(), qPrintable(value));
        const auto blanksAt = [&value](bool front) {
            qsizetype n = 0;
            while (n < value.size() && value.at(front ? n : value.size() - 1 - n) == u' ')
                ++n;
            return QString(n, u' ');
        };
        QCOMPARE(blanksAt(true), leading);
        QCOMPARE(blanksAt(false), trailing);
    }

    // The move question shows the file name and the destination on two lines.
    void lineBreaks_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        for (const char *file : {"English", "Japanese"}) {
            const QString name = QString::fromLatin1(file) + u".lng"_s;
            QTest::addRow("%s move question", file) << name << u"Main"_s << u"Msg11"_s;
            QTest::addRow("%s keyword choice", file) << name << u"Dialog1"_s << u"Label1->Caption"_s;
        }
    }
    void lineBreaks()
    {
        QFETCH(QString, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        const QString value = LanguageFile(shipped(file)).message(section, key);
        QCOMPARE(value.count(u'\n'), 1);
        QVERIFY(!value.startsWith(u'\n') && !value.endsWith(u'\n'));
    }
};

QTEST_GUILESS_MAIN(TestLanguageFiles)
#include "tst_languagefiles.moc"
