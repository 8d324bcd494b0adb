#include "windowplacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

QMargins frameOf(const QWidget *window)
{
    const QWindow *handle = window->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

// By the frame as known now.
void centre(QWidget *window)
{
    QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QSize outer = window->size().grownBy(frameOf(window));
    // move() places the frame's corner; without a frame, the window's own.
    window->move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, outer, screen->availableGeometry()).topLeft());
}

// Watches one window: centres it at each show and looks for its frame for a short while after.
class Centring : public QObject
{
public:
    Centring(QWidget *window, std::function<void(const QMargins &)> whenFramed)
        : QObject(window)
        , m_window(window)
        , m_whenFramed(std::move(whenFramed))
    {
        window->installEventFilter(this);
        m_poll.setInterval(20);
        connect(&m_poll, &QTimer::timeout, this, [this] { lookForFrame(); });
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Show && !event->spontaneous()) {
            centre(m_window);
            m_centredBy = frameOf(m_window);
            m_polls = 0;
            m_poll.start();
        } else if (watched == m_window && event->type() == QEvent::Hide) {
            m_poll.stop();
        }
        return false;
    }

private:
    void lookForFrame()
    {
        // Window managers frame a window within a few hundred milliseconds, or never.
        constexpr int lookFor = 100;
        const QMargins frame = frameOf(m_window);
        if (frame == m_centredBy) {
            if (++m_polls >= lookFor)
                m_poll.stop();
            return;
        }
        m_poll.stop();
        if (m_whenFramed) {
            m_whenFramed(frame);
            m_whenFramed = {}; // once: the frame stays what it is
        }
        centre(m_window);
        m_centredBy = frame;
    }

    QWidget *m_window;
    std::function<void(const QMargins &)> m_whenFramed;
    QTimer m_poll;
    QMargins m_centredBy;
    int m_polls = 0;
};

} // namespace

namespace WindowPlacement {

void keepCentred(QWidget *window, std::function<void(const QMargins &)> whenFramed)
{
    new Centring(window, std::move(whenFramed));
}

} // namespace WindowPlacement
