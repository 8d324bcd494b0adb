#include "scriptedprompts.h"
#include "testfiles.h"
#include "trash.h"

#include "messagetable.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

// Delete puts files into the desktop's trash as its shared standard lays it out, so that any file manager
// restores them by their names.
class TestTrash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordsRestoreTheName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("percent sign and blank") << u"100% sure.html"_s;
        QTest::newRow("Japanese") << u"日本語のページ.htm"_s;
        QTest::newRow("signs a URL reserves") << u"a#b?c&d=e;f.htm"_s;
    }
    void recordsRestoreTheName()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        useOwnProgramFolders(dir.path());
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(u"data"_s)));
        const QString trash = dir.filePath(u"data/Trash"_s);
        const QString file = dir.filePath(u"in/"_s + name);
        ScriptedPrompts prompts;
        for (const QByteArray &content : {"first"_ba, "second"_ba}) {
            writeBytes(file, content);
            prompts.okCancelAnswers = {UserPrompts::Ok};
            Trash::deleteWithCompanions(prompts, MessageTable(), file);
            QVERIFY2(!QFile::exists(file), qPrintable(prompts.asked.join(u'\n')));
        }
        // A second file of the name takes a name of its own beside the first.
        for (const auto &[entry, content] : {std::pair(name, "first"_ba), std::pair(name + u".2"_s, "second"_ba)}) {
            QCOMPARE(bytesOf(trash + u"/files/"_s + entry), content);
            const QByteArray info = bytesOf(trash + u"/info/"_s + entry + u".trashinfo"_s);
            QVERIFY2(info.startsWith("[Trash Info]\nPath="), info.constData());
            const QByteArray path = info.split('\n').at(1).mid(5);
            QVERIFY2(!path.contains(' ') && !path.contains('#'), path.constData());
            QCOMPARE(QUrl::fromPercentEncoding(path), file);
            QVERIFY(info.split('\n').at(2).startsWith("DeletionDate=" + QDate::currentDate().toString(Qt::ISODate).toLatin1()));
        }
    }
};

QTEST_GUILESS_MAIN(TestTrash)
#include "tst_trash.moc"
