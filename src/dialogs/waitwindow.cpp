#include "waitwindow.h"

#include "programfonts.h"
#include "windowplacement.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
constexpr int NoticeLeft = 88;
}

WaitWindow::WaitWindow(QWidget *parent)
    : QWidget(parent, Qt::Dialog)
    , m_language(u"WaitWindow"_s)
{
    setObjectName(u"WaitWindow"_s);
    setWindowTitle(u"Just a moment..."_s);
    setFont(ProgramFonts::proportional(12));
    setFixedSize(391, 104);

    m_notice = new QLabel(u"Creating destination folders. Please wait.."_s, this);
    m_notice->setObjectName(u"notice"_s);
    m_notice->setAlignment(Qt::AlignCenter);
    m_notice->adjustSize();
    m_notice->move(NoticeLeft, 16);

    m_language.windowTitle(this).orEnglish().caption(u"notice"_s, m_notice).orEnglish();

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(u"progressBar"_s);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    m_progressBar->setGeometry(88, 40, 217, 17);
    WindowPlacement::keepCentred(this);
}

void WaitWindow::setPosition(int percent)
{
    m_progressBar->setValue(qBound(0, percent, 100));
}

void WaitWindow::showIfHidden()
{
    if (isVisible())
        return;
    m_sincePaint.invalidate(); // the first look at it is painted at once
    if (m_language.applyProgramLanguage()) {
        m_notice->adjustSize();
        // A longer translation moves left as far as it must to stay whole.
        m_notice->move(std::min(NoticeLeft, std::max(0, (width() - m_notice->width()) / 2)), m_notice->y());
    }
    show(); // centred by its placement
}

void WaitWindow::repaintNow()
{
    // Thousands of folders come one after another: a few repaints a second show them all going by.
    if (!isVisible() || (m_sincePaint.isValid() && m_sincePaint.elapsed() < 40))
        return;
    m_sincePaint.start();
    repaint();
    // Only paint work: user input must not reach the windows in the middle of the pass.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void WaitWindow::closeIfVisible()
{
    if (isVisible())
        hide();
}
