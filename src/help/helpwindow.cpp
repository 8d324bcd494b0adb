#include "helpwindow.h"

#include "dialogs/buttonfit.h"
#include "dialogs/handlerguard.h"
#include "dialogs/helpcontext.h"
#include "dialogs/programfonts.h"
#include "dialogs/windowplacement.h"
#include "help/helptree.h"

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
constexpr int SearchButtonLeft = 280, SearchButtonWidth = 57;
const auto languageSection = u"HelpSearch"_s;
} // namespace

HelpWindow::HelpWindow(QWidget *parent)
    : QDialog(parent)
    , m_language(languageSection)
{
    setObjectName(languageSection);
    setWindowTitle(u"Help"_s);
    setFont(ProgramFonts::proportional(12));
    resize(396, 407);

    m_tabArea = new QWidget(this);
    m_tabArea->setGeometry(16, 8, 353, 353);

    m_tabBar = new QTabBar(m_tabArea);
    m_tabBar->setDrawBase(false);
    m_tabBar->setExpanding(false);
    for (const QString &text : {u"&Contents"_s, u"&Index"_s, u"&Find"_s})
        m_tabBar->addTab(text);
    m_tabBar->setCurrentIndex(ContentsTab);
    m_tabBar->setGeometry(0, 0, 353, m_tabBar->sizeHint().height());

    // The page under the tabs; the controls stand on it in the tab control's coordinates.
    auto *page = new QFrame(m_tabArea);
    page->setFrameShape(QFrame::StyledPanel);
    page->setGeometry(0, m_tabBar->height() - 1, 353, 353 - m_tabBar->height() + 1);

    m_searchEdit = new QLineEdit(m_tabArea);
    m_searchEdit->setGeometry(15, 42, 261, 22);
    m_searchEdit->installEventFilter(this);

    m_searchButton = new QPushButton(u"Search"_s, m_tabArea);
    m_searchButton->setGeometry(SearchButtonLeft, 42, SearchButtonWidth, 22);
    m_searchButton->setDefault(true);

    m_prompt = new QLabel(u"Please double-click the item you want to refer to."_s, m_tabArea);
    m_prompt->move(24, 72);
    m_prompt->adjustSize();

    m_tree = new HelpTree(m_tabArea);
    m_tree->setObjectName(u"tree"_s);
    m_tree->setGeometry(16, 88, 313, 257);

    m_language.tabTitles(u"TabControl"_s, m_tabBar)
        .caption(u"btnSearch"_s, m_searchButton)
        .caption(u"lblPrompt"_s, m_prompt)
        .editText(u"edSearch"_s, m_searchEdit)
        .windowTitle(this)
        .orEnglish();

    setTabOrder(m_searchEdit, m_searchButton);
    setTabOrder(m_searchButton, m_tree);

    connect(m_tabBar, &QTabBar::currentChanged, this, [this] { showCurrentTab(); });
    connect(m_searchButton, &QPushButton::clicked, this, [this] { searchPages(); });
    WindowPlacement::keepCentred(this);
}

void HelpWindow::showContents()
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

void HelpWindow::showContentsModal(QWidget *parent)
{
    // Open beside the main window, it would stay behind the caller's modal dialog and take no input:
    // it comes back above the caller instead, modal itself.
    if (isVisible())
        hide();
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

void HelpWindow::bringToFrontOnContents()
{
    if (m_tabBar->currentIndex() != ContentsTab) {
        // The list must match the tab, so the change is handled as if the user had made it.
        const QSignalBlocker blocker(m_tabBar);
        m_tabBar->setCurrentIndex(ContentsTab);
        showCurrentTab();
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

void HelpWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    applyLanguage();
    showCurrentTab();
}

void HelpWindow::applyLanguage()
{
    if (!m_language.applyProgramLanguage())
        return;
    m_prompt->adjustSize();
    ButtonFit::placeRow({m_searchButton}, {{SearchButtonLeft, SearchButtonWidth}});
}

void HelpWindow::showCurrentTab()
{
    m_searchButton->setEnabled(false);
    switch (m_tabBar->currentIndex()) {
    case ContentsTab:
        m_tree->showContents();
        HelpContext::set(this, 1);
        m_searchEdit->setEnabled(false);
        break;
    case IndexTab:
        if (!runGuarded(this, [this] { m_tree->showIndex(); }))
            return;
        HelpContext::set(this, 4);
        m_searchEdit->setEnabled(true);
        m_searchEdit->setFocus();
        break;
    case FindTab:
        m_searchButton->setEnabled(true);
        HelpContext::set(this, 5);
        m_searchEdit->setEnabled(true);
        m_searchEdit->setFocus();
        m_tree->setUpdatesEnabled(false);
        m_tree->clear();
        m_tree->setUpdatesEnabled(true);
        break;
    default:
        break;
    }
}

bool HelpWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_searchEdit && event->type() == QEvent::KeyRelease)
        searchIndexAsTyped(static_cast<QKeyEvent *>(event));
    return QDialog::eventFilter(watched, event);
}

void HelpWindow::searchIndexAsTyped(QKeyEvent *event)
{
    if (event->isAutoRepeat() || event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace)
        return;
    m_tree->selectIndexEntry(m_searchEdit->text());
}

void HelpWindow::searchPages()
{
    m_tree->showPagesContaining(m_searchEdit->text());
}
