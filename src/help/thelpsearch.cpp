#include "thelpsearch.h"

#include "apppaths.h"
#include "dialogs/handlerguard.h"
#include "dialogs/helpcontext.h"
#include "dialogs/programfonts.h"
#include "help/thelptreeview.h"
#include "languagefile.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabBar>

using namespace Qt::StringLiterals;

namespace {
enum Tab { ContentsTab = 0, IndexTab = 1, FindTab = 2 };
}

THelpSearch::THelpSearch(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"HelpSearch"_s);
    setWindowTitle(u"Help"_s);
    setFont(ProgramFonts::proportional(12));
    resize(396, 407);

    m_tabControl = new QWidget(this);
    m_tabControl->setObjectName(u"TabControl"_s);
    m_tabControl->setGeometry(16, 8, 353, 353);

    m_tabBar = new QTabBar(m_tabControl);
    m_tabBar->setObjectName(u"TabControlTabs"_s);
    m_tabBar->setDrawBase(false);
    m_tabBar->setExpanding(false);
    for (const QString &text : {u"&Contents"_s, u"&Index"_s, u"&Find"_s})
        m_tabBar->addTab(text);
    m_tabBar->setCurrentIndex(ContentsTab);
    m_tabBar->setGeometry(0, 0, 353, m_tabBar->sizeHint().height());

    // The page under the tabs; the controls stand on it in the tab control's coordinates.
    auto *page = new QFrame(m_tabControl);
    page->setFrameShape(QFrame::StyledPanel);
    page->setGeometry(0, m_tabBar->height() - 1, 353, 353 - m_tabBar->height() + 1);

    m_edSearch = new QLineEdit(m_tabControl);
    m_edSearch->setObjectName(u"edSearch"_s);
    m_edSearch->setGeometry(15, 42, 261, 22);
    m_edSearch->installEventFilter(this);

    m_btnSearch = new QPushButton(u"Search"_s, m_tabControl);
    m_btnSearch->setObjectName(u"btnSearch"_s);
    m_btnSearch->setGeometry(280, 42, 57, 22);
    m_btnSearch->setDefault(true);

    m_lblPrompt = new QLabel(u"Please double-click an item you want to refer."_s, m_tabControl);
    m_lblPrompt->setObjectName(u"lblPrompt"_s);
    m_lblPrompt->move(24, 72);
    m_lblPrompt->adjustSize();

    m_helpTreeView = new THelpTreeView(m_tabControl);
    m_helpTreeView->setObjectName(u"HelpTreeView"_s);
    m_helpTreeView->setGeometry(16, 88, 313, 257);

    setTabOrder(m_edSearch, m_btnSearch);
    setTabOrder(m_btnSearch, m_helpTreeView);

    connect(m_tabBar, &QTabBar::currentChanged, this, [this] { TabControlChange(); });
    connect(m_btnSearch, &QPushButton::clicked, this, [this] { btnSearchClick(); });
}

void THelpSearch::showContents()
{
    if (isVisible()) {
        bringToFrontOnContents();
        return;
    }
    // Showing builds the list; choosing the tab from here must not build it twice.
    const QSignalBlocker blocker(m_tabBar);
    m_tabBar->setCurrentIndex(ContentsTab);
    show();
}

void THelpSearch::showContentsModal(QWidget *parent)
{
    if (isVisible()) {
        bringToFrontOnContents();
        return;
    }
    {
        const QSignalBlocker blocker(m_tabBar);
        m_tabBar->setCurrentIndex(ContentsTab);
    }
    // Borrow the caller as parent so that the window stays above it while it is modal.
    QWidget *owner = parent ? parent->window() : nullptr;
    if (owner)
        setParent(owner, windowFlags());
    exec();
    if (owner)
        setParent(nullptr, windowFlags());
}

void THelpSearch::bringToFrontOnContents()
{
    if (m_tabBar->currentIndex() != ContentsTab) {
        // The list must match the tab, so the change is handled as if the user had made it.
        const QSignalBlocker blocker(m_tabBar);
        m_tabBar->setCurrentIndex(ContentsTab);
        TabControlChange();
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

void THelpSearch::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void THelpSearch::FormShow()
{
    const LanguageFile language(AppPaths::languageFile());
    if (language.exists()) {
        const auto section = u"HelpSearch"_s;
        for (int i = 0; i < m_tabBar->count(); ++i)
            m_tabBar->setTabText(i, language.text(section, u"TabControl->Tabs->Items%1"_s.arg(i)));
        m_btnSearch->setText(language.text(section, u"btnSearch->Caption"_s));
        m_lblPrompt->setText(language.text(section, u"lblPrompt->Caption"_s));
        m_lblPrompt->adjustSize();
        m_edSearch->setText(language.text(section, u"edSearch->Text"_s));
    }
    m_btnSearch->setEnabled(false);
    TabControlChange();
}

void THelpSearch::TabControlChange()
{
    m_btnSearch->setEnabled(false);
    switch (m_tabBar->currentIndex()) {
    case ContentsTab:
        m_helpTreeView->ShowContents();
        HelpContext::set(this, 1);
        m_edSearch->setEnabled(false);
        break;
    case IndexTab:
        if (!runGuarded(this, [this] { m_helpTreeView->ShowIndex(); }))
            return;
        HelpContext::set(this, 4);
        m_edSearch->setEnabled(true);
        m_edSearch->setFocus();
        break;
    case FindTab:
        m_btnSearch->setEnabled(true);
        HelpContext::set(this, 5);
        m_edSearch->setEnabled(true);
        m_edSearch->setFocus();
        m_helpTreeView->setUpdatesEnabled(false);
        m_helpTreeView->clear();
        m_helpTreeView->setUpdatesEnabled(true);
        break;
    default:
        break;
    }
}

bool THelpSearch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edSearch && event->type() == QEvent::KeyRelease)
        edSearchKeyUp(static_cast<QKeyEvent *>(event));
    return QDialog::eventFilter(watched, event);
}

void THelpSearch::edSearchKeyUp(QKeyEvent *event)
{
    if (event->isAutoRepeat() || event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace)
        return;
    m_helpTreeView->SearchIndex(m_edSearch->text());
}

void THelpSearch::btnSearchClick()
{
    m_helpTreeView->SearchText(m_edSearch->text());
}
