#include "windowplacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

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
    const QMargins frame = frameOf(window);
    const QSize outer = window->size().grownBy(frame);
    const QPoint corner = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, outer, screen->availableGeometry()).topLeft();
    // The window itself goes inside the frame the window system reports now: QWidget::move() goes by the
    // frame the widget last heard of, which may still be none while the window is already framed.
    window->setGeometry(QRect(corner + QPoint(frame.left(), frame.top()), window->size()));
}

// Watches one window: centres it at each show and looks for its frame for a short while after.
class Centring : public QObject
{
public:
    static QString name() { return QStringLiteral("marrowdaleCentring"); }

    Centring(QWidget *window, std::function<void(const QMargins &)> whenFramed)
        : QObject(window)
        , m_window(window)
        , m_whenFramed(std::move(whenFramed))
    {
        setObjectName(name());
        window->installEventFilter(this);
        m_poll.setInterval(20);
        connect(&m_poll, &QTimer::timeout, this, [this] { lookForFrame(); });
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Show && !event->spontaneous()) {
            // A frame known at once (offscreen, or shown before) counts like one that comes later.
            m_centredBy = frameOf(m_window);
            if (!m_centredBy.isNull())
                framed(m_centredBy);
            centre(m_window);
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
        framed(frame);
        centre(m_window);
        m_centredBy = frame;
    }

    void framed(const QMargins &frame)
    {
        if (m_whenFramed) {
            m_whenFramed(frame);
            m_whenFramed = {}; // once: the frame stays what it is
        }
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

bool restore(QWidget *window, const QRect &geometry)
{
    if (!geometry.isValid())
        return false;
    // Its top edge, where the title bar is taken hold of, must show on one screen, and the whole window fit it.
    const QRect top(geometry.topLeft(), QSize(geometry.width(), 30));
    const auto fits = [&](const QScreen *screen) {
        const QRect room = screen->availableGeometry();
        return room.intersected(top).width() >= std::min(100, geometry.width()) && geometry.width() <= room.width()
            && geometry.height() <= room.height();
    };
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (std::none_of(screens.cbegin(), screens.cend(), fits))
        return false;
    // Centring has no meta-object of its own: it is found by its name.
    for (QObject *centring : window->findChildren<QObject *>(Centring::name(), Qt::FindDirectChildrenOnly))
        delete centring;
    window->setGeometry(geometry);
    return true;
}

} // namespace WindowPlacement
