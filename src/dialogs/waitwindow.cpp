#include "waitwindow.h"

#include "programfonts.h"
#include "windowplacement.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

using namespace Qt::StringLiterals;

WaitWindow::WaitWindow(QWidget *parent)
    : QWidget(parent, Qt::Dialog)
{
    setObjectName(u"WaitWindow"_s);
    setWindowTitle(u"Just a moment..."_s);
    setFont(ProgramFonts::proportional(12));
    setFixedSize(391, 104);

    m_notice = new QLabel(u"Creating destination folders. Please wait.."_s, this);
    m_notice->setObjectName(u"notice"_s);
    m_notice->setAlignment(Qt::AlignCenter);
    m_notice->adjustSize();
    m_notice->move(88, 16);

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

int WaitWindow::position() const
{
    return m_progressBar->value();
}

void WaitWindow::showIfHidden()
{
    if (!isVisible())
        show();
}

void WaitWindow::repaintNow()
{
    if (!isVisible())
        return;
    repaint();
    // Only paint work: user input must not reach the windows in the middle of the pass.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void WaitWindow::closeIfVisible()
{
    if (isVisible())
        hide();
}
