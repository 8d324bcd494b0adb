#include "modalwait.h"

#include "mainview.h"
#include "messagetable.h"
#include "userprompts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QWidget>

#include <exception>

namespace {

constexpr int repaintInterval = 50; // ms; well above five repaints a second

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// Inside the modal window or one of its popups (a combo box's list is a window of its own).
bool belongsTo(const QWidget *widget, const QWidget *modal)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (w == modal)
            return true;
    }
    return false;
}

} // namespace

bool ModalWait::run(std::unique_ptr<ModalWait> &slot, QWidget *mainWindow, UserPrompts &prompts,
                    const MessageTable &messages, const std::function<void()> &body)
{
    slot = std::make_unique<ModalWait>(mainWindow, prompts, messages);
    const auto end = qScopeGuard([&slot] { slot.reset(); });
    try {
        body();
    } catch (const PassStopped &) {
        // The user stopped it between two files; everything before is settled.
    }
    return slot->closeAfterPass();
}

ModalWait::ModalWait(QWidget *mainWindow, UserPrompts &prompts, const MessageTable &messages)
    : m_window(mainWindow)
    , m_prompts(prompts)
    , m_messages(messages)
    , m_exceptions(std::uncaught_exceptions())
{
    m_sinceEvents.start();
    qApp->installEventFilter(this);
    m_window->setCursor(Qt::BusyCursor);
}

ModalWait::~ModalWait()
{
    // Input that arrived since the last repaint is swallowed now, rather than acted on after the pass.
    if (std::uncaught_exceptions() == m_exceptions)
        QCoreApplication::processEvents();
    qApp->removeEventFilter(this);
    m_window->unsetCursor();
}

void ModalWait::keepAlive()
{
    if (m_sinceEvents.elapsed() >= repaintInterval) {
        QCoreApplication::processEvents();
        m_sinceEvents.restart();
    }
    askPending();
}

void ModalWait::requestClose()
{
    request(Question::StopAndClose);
}

bool ModalWait::closeAfterPass() const
{
    return m_closeAfter || m_pending == Question::StopAndClose;
}

void ModalWait::request(Question question)
{
    if (m_stop) {
        // Stopping already: a close needs no second question.
        m_closeAfter = m_closeAfter || question == Question::StopAndClose;
        return;
    }
    if (question == Question::StopAndClose || m_pending == Question::None)
        m_pending = question;
}

void ModalWait::askPending()
{
    if (m_pending == Question::None || m_asking)
        return;
    const bool closing = std::exchange(m_pending, Question::None) == Question::StopAndClose;
    m_asking = true;
    const auto asked = qScopeGuard([this] { m_asking = false; });
    const QString question = m_messages.text(closing ? Message::StopPassAndClose : Message::StopPass);
    if (m_prompts.askYesNo(question, QString()) == UserPrompts::Yes) {
        m_stop = true;
        m_closeAfter = m_closeAfter || closing;
    }
}

bool ModalWait::eventFilter(QObject *watched, QEvent *event)
{
    if (!isUserInput(event->type()))
        return false;
    const QWidget *modal = QApplication::activeModalWidget();
    if (!watched->isWidgetType()) {
        // Shortcuts of actions and QShortcut objects; while a question is open only its window's fire.
        return event->type() == QEvent::Shortcut && !modal;
    }
    if (modal && belongsTo(static_cast<QWidget *>(watched), modal))
        return false; // the pass's own questions, the stop question among them
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept(); // the key is the widget's, so no shortcut acts; its key press is swallowed below
    } else if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat())
            request(Question::Stop);
    }
    return true;
}
