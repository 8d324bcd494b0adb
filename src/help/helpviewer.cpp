#include "helpviewer.h"

#include "dialogs/programfonts.h"
#include "dialogs/windowplacement.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

HelpViewer::HelpViewer(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_language(u"HelpViewer"_s, LanguageTable::MissingKeys::English)
{
    setWindowTitle(u"Help"_s);
    setFont(ProgramFonts::proportional(11));
    resize(760, 620);
    m_browser = new QTextBrowser(this);
    // Links to the web leave the program: only those, and only when clicked.
    m_browser->setOpenExternalLinks(true);
    m_backButton = new QPushButton(u"&Back"_s, this);
    m_forwardButton = new QPushButton(u"&Forward"_s, this);
    m_externalButton = new QPushButton(u"Open in &browser"_s, this);
    m_closeButton = new QPushButton(u"&Close"_s, this);
    m_backButton->setEnabled(false);
    m_forwardButton->setEnabled(false);
    connect(m_backButton, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forwardButton, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_backButton, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forwardButton, &QWidget::setEnabled);
    connect(m_externalButton, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(m_browser->source()); });
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_browser->documentTitle();
        setWindowTitle(title.isEmpty() ? m_caption : title + u" - "_s + m_caption);
    });
    new QShortcut(QKeySequence::Back, this, [this] { m_browser->backward(); });
    new QShortcut(QKeySequence::Forward, this, [this] { m_browser->forward(); });
    new QShortcut(Qt::Key_Escape, this, [this] { close(); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_backButton);
    buttons->addWidget(m_forwardButton);
    buttons->addStretch();
    buttons->addWidget(m_externalButton);
    buttons->addWidget(m_closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addLayout(buttons);

    m_language.windowTitle(this)
        .caption(u"btnBack"_s, m_backButton)
        .caption(u"btnForward"_s, m_forwardButton)
        .caption(u"btnBrowser"_s, m_externalButton)
        .caption(u"btnClose"_s, m_closeButton);
    WindowPlacement::keepCentred(this);
}

void HelpViewer::applyLanguage()
{
    m_language.applyProgramLanguage();
}

void HelpViewer::showPage(const QString &path)
{
    applyLanguage();
    m_caption = windowTitle();
    const qsizetype hash = path.indexOf(u'#');
    QUrl url = QUrl::fromLocalFile(hash < 0 ? path : path.left(hash));
    if (hash >= 0)
        url.setFragment(path.mid(hash + 1));
    m_browser->setSource(url);
    show();
    raise();
    activateWindow();
}
