#include "apppaths.h"
#include "dialogs/helpcontext.h"
#include "help/helpkeyfilter.h"
#include "help/helptree.h"
#include "help/helpviewer.h"
#include "help/helpwindow.h"
#include "modalwindows.h"
#include "programlanguage.h"
#include "testfiles.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QStringList topTitles(const QTreeWidget *tree)
{
    QStringList titles;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        titles << tree->topLevelItem(i)->text(0);
    return titles;
}
} // namespace

class TestHelpWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        HelpTree::setBrowser([this](const QString &path) { m_opened << path; });
    }

    void init()
    {
        m_opened.clear();
        m_help.reset(new QTemporaryDir);
        const QString shipped = QFINDTESTDATA("../../help/Contents.txt").section(u'/', 0, -2);
        for (const auto icon : {"bookshut.bmp", "bookopen.bmp", "helpindex.bmp"})
            QVERIFY(QFile::copy(shipped + u'/' + QLatin1String(icon), path(QLatin1String(icon))));
        writeBytes(path(u"Contents.txt"_s), "Basics\n\tIntro=intro\n\tGhost=ghost\nFolders=folders\n");
        writeBytes(path(u"Index.txt"_s), "Zeta=folders\nData folder=intro\nMetadata=folders\nno page\n");
        writeBytes(path(u"HelpContextID.txt"_s), "[ID]\n3=folders\n4=intro\n6=ghost\n");
        writeBytes(path(u"intro.htm"_s), "<html><title>Intro</title>the Folder list</html>");
        writeBytes(path(u"folders.htm"_s), "<html><title>Where files go</title>folder</html>");
        m_window.reset(new HelpWindow);
        m_window->tree()->setHelpDir(m_help->path());
    }

    void cleanup()
    {
        m_window.reset();
        QFile::remove(AppPaths::languageFile());
        ProgramLanguage::reload();
    }

    void tabs_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<int>("context");
        QTest::addColumn<bool>("searchEnabled");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("opening shows contents") << 0 << 1 << false << QStringList {u"Basics"_s, u"Folders"_s};
        QTest::newRow("index") << 1 << 4 << false << QStringList {u"Data folder"_s, u"Metadata"_s, u"Zeta"_s};
        QTest::newRow("find starts empty") << 2 << 5 << true << QStringList();
    }
    void tabs()
    {
        QFETCH(int, tab);
        QFETCH(int, context);
        QFETCH(bool, searchEnabled);
        QFETCH(QStringList, titles);
        m_window->tabBar()->setCurrentIndex(2);
        m_window->showContents();
        m_window->tabBar()->setCurrentIndex(tab);
        QCOMPARE(HelpContext::of(m_window.get()), context);
        QCOMPARE(searchEdit()->isEnabled(), tab != 0);
        QCOMPARE(searchButton()->isEnabled(), searchEnabled);
        QCOMPARE(topTitles(tree()), titles);
    }

    void indexTyping_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("selected");
        QTest::newRow("last match wins") << u"ta"_s << u"Zeta"_s;
        QTest::newRow("case matters") << u"Da"_s << u"Data folder"_s;
        QTest::newRow("no match") << u"xy"_s << QString();
    }
    void indexTyping()
    {
        QFETCH(QString, typed);
        QFETCH(QString, selected);
        showActive();
        m_window->tabBar()->setCurrentIndex(1);
        QTest::keyClicks(searchEdit(), typed);
        QCOMPARE(tree()->currentItem() ? tree()->currentItem()->text(0) : QString(), selected);
        QCOMPARE(QApplication::focusWidget(), selected.isEmpty() ? static_cast<QWidget *>(searchEdit()) : tree());
    }

    void backspaceDoesNotSearch()
    {
        showActive();
        m_window->tabBar()->setCurrentIndex(1);
        searchEdit()->setText(u"Zetaa"_s);
        searchEdit()->setFocus();
        QTest::keyClick(searchEdit(), Qt::Key_Backspace);
        QCOMPARE(searchEdit()->text(), u"Zeta"_s);
        QVERIFY(!tree()->currentItem());
    }

    void findTab()
    {
        m_window->showContents();
        m_window->tabBar()->setCurrentIndex(2);
        searchEdit()->setText(u"Folder"_s);
        QTest::mouseClick(searchButton(), Qt::LeftButton);
        QCOMPARE(topTitles(tree()), QStringList {u"Intro"_s});
        m_window->tabBar()->setCurrentIndex(0);
        m_window->tabBar()->setCurrentIndex(2);
        QCOMPARE(tree()->topLevelItemCount(), 0);
    }

    void doubleClickOpensExistingPagesOnly()
    {
        m_window->showContents();
        for (const QString &entry : {u"Ghost"_s, u"Intro"_s, u"Folders"_s})
            Q_EMIT tree()->itemDoubleClicked(tree()->findItems(entry, Qt::MatchExactly | Qt::MatchRecursive).value(0),
                                             0);
        QCOMPARE(m_opened, (QStringList {path(u"intro.htm"_s), path(u"folders.htm"_s)}));
    }

    void iconFallback_data()
    {
        QTest::addColumn<QString>("missing");
        QTest::addColumn<int>("icons");
        QTest::addColumn<bool>("lines");
        QTest::newRow("all pictures") << QString() << 3 << false;
        QTest::newRow("page picture missing") << u"helpindex.bmp"_s << 2 << true;
    }
    void iconFallback()
    {
        QFETCH(QString, missing);
        QFETCH(int, icons);
        QFETCH(bool, lines);
        if (!missing.isEmpty())
            QVERIFY(QFile::remove(path(missing)));
        m_window->showContents();
        QCOMPARE(tree()->icons().size(), icons);
        QCOMPARE(tree()->showsLines(), lines);
        QCOMPARE(tree()->rootIsDecorated(), lines);
        QVERIFY(!tree()->topLevelItem(0)->icon(0).isNull()); // the chapter keeps its book
        QCOMPARE(tree()->topLevelItem(1)->icon(0).isNull(), lines);
    }

    void f1_data()
    {
        QTest::addColumn<int>("controlContext");
        QTest::addColumn<int>("windowContext");
        QTest::addColumn<bool>("mainWindow");
        QTest::addColumn<QString>("opened");
        QTest::newRow("focused control's context first") << 4 << 3 << false << u"intro.htm"_s;
        QTest::newRow("window's context otherwise") << 0 << 3 << false << u"folders.htm"_s;
        QTest::newRow("no context counts as 1") << 0 << 0 << false << u"introduction.htm"_s;
        QTest::newRow("main window answers its own F1") << 4 << 3 << true << QString();
        QTest::newRow("a missing page opens nothing") << 0 << 6 << false << QString();
    }
    void f1()
    {
        QFETCH(int, controlContext);
        QFETCH(int, windowContext);
        QFETCH(bool, mainWindow);
        QFETCH(QString, opened);
        writeBytes(path(u"introduction.htm"_s), "<html><title>Start</title></html>");
        HelpKeyFilter *filter = HelpKeyFilter::install(qApp, m_window.get());
        QDialog dialog;
        auto *edit = new QLineEdit(&dialog);
        HelpContext::set(&dialog, windowContext);
        HelpContext::set(edit, controlContext);
        dialog.setProperty("marrowdaleMainWindow", mainWindow);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_F1);
        delete filter;
        QCOMPARE(m_opened, opened.isEmpty() ? QStringList() : QStringList {path(opened)});
    }

    void missingLanguageKeyEmptiesItsText()
    {
        writeBytes(AppPaths::languageFile(),
                   "[HelpSearch]\nTabControl->Tabs->Items0=&Inhalt\n"
                   "TabControl->Tabs->Items2=&Suchen\nbtnSearch->Caption=Suchen\n");
        ProgramLanguage::reload();
        m_window->showContents();
        QCOMPARE(m_window->tabBar()->tabText(0), u"&Inhalt"_s);
        QCOMPARE(m_window->tabBar()->tabText(1), QString());
        QCOMPARE(searchButton()->text(), u"Suchen"_s);
        QCOMPARE(m_window->findChild<QLabel *>(u"lblPrompt"_s)->text(), QString());
    }

    // Asking for the open window while it shows the index once left the index under the contents tab.
    void reopenedWindowShowsContentsNotIndex()
    {
        m_window->showContents();
        m_window->tabBar()->setCurrentIndex(1);
        QWidget owner;
        QStringList shown;
        int context = 0;
        const auto answering = ModalWindows::whenShown(
            [&](QWidget *modal) {
                shown = topTitles(tree());
                context = HelpContext::of(modal);
            },
            ModalWindows::Then::Close, u"owner"_s);
        m_window->showContentsModal(&owner);
        QCOMPARE(m_window->tabBar()->currentIndex(), 0);
        QCOMPARE(shown, (QStringList {u"Basics"_s, u"Folders"_s}));
        QCOMPARE(context, 1);
    }

    // The options dialog's Help once raised an open help window that its modal state still blocked.
    void helpFromAModalDialogTakesInput_data()
    {
        QTest::addColumn<bool>("openBefore");
        QTest::newRow("closed") << false;
        QTest::newRow("already open beside the main window") << true;
    }
    void helpFromAModalDialogTakesInput()
    {
        QFETCH(bool, openBefore);
        if (openBefore)
            m_window->showContents();
        QDialog owner;
        owner.setObjectName(u"owner"_s);
        owner.setModal(true);
        owner.show();
        QWindow *topModal = nullptr;
        QWidget *parent = nullptr;
        const auto answering = ModalWindows::whenShown(
            [&](QWidget *) {
                topModal = QGuiApplication::modalWindow();
                parent = m_window->parentWidget();
            },
            ModalWindows::Then::Close, u"owner"_s);
        m_window->showContentsModal(&owner);
        QCOMPARE(topModal, m_window->windowHandle());
        QCOMPARE(parent, &owner);
        QCOMPARE(m_window->parentWidget(), nullptr);
        QVERIFY(owner.isVisible());
    }

    void contentsThatFailToLoadLeaveTheTabEmpty()
    {
        m_window->showContents();
        m_window->tabBar()->setCurrentIndex(1);
        QVERIFY(tree()->topLevelItemCount() > 0);
        // A folder in its place: there, but not readable as a file.
        QVERIFY(QFile::remove(path(u"Contents.txt"_s)));
        QVERIFY(QDir().mkdir(path(u"Contents.txt"_s)));
        QString told;
        const auto answering = ModalWindows::whenShown(
            [&](QWidget *modal) {
                if (auto *box = qobject_cast<QMessageBox *>(modal))
                    told = box->text();
            },
            ModalWindows::Then::Close, u"owner"_s);
        m_window->tabBar()->setCurrentIndex(0);
        QCOMPARE(told, u"Sorry, failed to load contents file."_s);
        QCOMPARE(tree()->topLevelItemCount(), 0);
    }

    // The program shows its pages itself: anchors, links between pages, back; the system's browser only
    // for an address on the web.
    void viewerFollowsLinksAndAnchors()
    {
        writeBytes(path(u"one.htm"_s), "<html><head><title>One</title></head><body><a href=\"two.htm#b\">two</a></body></html>");
        writeBytes(path(u"two.htm"_s), "<html><head><title>Two</title></head><body><p id=\"b\">B</p></body></html>");
        HelpViewer viewer;
        viewer.showPage(path(u"two.htm#b"_s));
        QCOMPARE(viewer.browser()->source(), QUrl(QUrl::fromLocalFile(path(u"two.htm"_s)).toString() + u"#b"_s));
        QCOMPARE(viewer.windowTitle(), u"Two - Help"_s);
        viewer.showPage(path(u"one.htm"_s));
        viewer.browser()->setSource(QUrl(u"two.htm#b"_s)); // as a click on the link does
        QCOMPARE(viewer.browser()->source().fileName(), u"two.htm"_s);
        QVERIFY(viewer.findChild<QPushButton *>(u"btnBack"_s)->isEnabled());
        viewer.findChild<QPushButton *>(u"btnBack"_s)->click();
        QCOMPARE(viewer.browser()->source().fileName(), u"one.htm"_s);
        QVERIFY(viewer.browser()->openExternalLinks());
    }

private:
    QString path(const QString &name) const { return m_help->filePath(name); }
    HelpTree *tree() const { return m_window->tree(); }
    QLineEdit *searchEdit() const { return m_window->findChild<QLineEdit *>(u"edSearch"_s); }
    QPushButton *searchButton() const { return m_window->findChild<QPushButton *>(u"btnSearch"_s); }
    void showActive()
    {
        m_window->showContents();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    QTemporaryDir m_config;
    std::unique_ptr<QTemporaryDir> m_help;
    std::unique_ptr<HelpWindow> m_window;
    QStringList m_opened;
};

QTEST_MAIN(TestHelpWindow)
#include "tst_helpwindow.moc"
