#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <memory>

class QWidget;
class UserPrompts;
class MessageTable;

// The program while a pass moves files: the windows keep repainting, user input to every window but the
// pass's own questions is swallowed (not kept to act later), and Escape or closing the main window asks
// whether to stop after the current file.
class ModalWait : public QObject
{
public:
    ModalWait(QWidget *mainWindow, UserPrompts &prompts, const MessageTable &messages);

    /// Runs `body` with the window waiting in `slot` as long as it runs; a stop the user asked for ends it
    /// quietly between two files. True when the user wants the window closed once it has ended.
    static bool run(std::unique_ptr<ModalWait> &slot, QWidget *mainWindow, UserPrompts &prompts,
                    const MessageTable &messages, const std::function<void()> &body);
    ~ModalWait() override;
    ModalWait(const ModalWait &) = delete;
    ModalWait &operator=(const ModalWait &) = delete;

    /// Lets the windows repaint (about every 50 ms, however often it is called) and asks the stop
    /// question the user has called for.
    void keepAlive();

    /// The user answered the stop question with Yes.
    bool stopRequested() const { return m_stop; }

    /// The main window was asked to close: the question comes at the next keepAlive().
    void requestClose();
    /// The user wants the program closed once the pass has ended (or closed it too late to be asked).
    bool closeAfterPass() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Question { None, Stop, StopAndClose };
    void request(Question question);
    void askPending();

    QWidget *m_window;
    UserPrompts &m_prompts;
    const MessageTable &m_messages;
    QElapsedTimer m_sinceEvents;
    Question m_pending = Question::None;
    bool m_asking = false;
    bool m_stop = false;
    bool m_closeAfter = false;
    int m_exceptions = 0;
};
