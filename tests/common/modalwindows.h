#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Answers the next modal window of a test: the window layer runs its own event loop while a dialog is
// open, so the test can only act from a timer.
namespace ModalWindows {

enum class Then {
    Close, ///< the dialog is rejected (another window closed) after `act`
    Leave, ///< `act` closes it itself
};

/// Runs `act` on the next visible modal window not named `skip`. The watch lasts as long as the returned
/// handle: a window that never came cannot be taken for a later test's.
[[nodiscard]] inline std::shared_ptr<void> whenShown(std::function<void(QWidget *)> act, Then then = Then::Close,
                                                     const QString &skip = QString())
{
    auto alive = std::make_shared<bool>(true);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act = std::move(act), then, skip, weakAlive = std::weak_ptr<bool>(alive),
             weakPoll = std::weak_ptr<std::function<void()>>(poll)] {
        if (weakAlive.expired())
            return;
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && (skip.isEmpty() || modal->objectName() != skip)) {
            act(modal);
            if (then == Then::Close) {
                if (auto *dialog = qobject_cast<QDialog *>(modal))
                    dialog->reject();
                else
                    modal->close();
            }
            return;
        }
        if (auto next = weakPoll.lock())
            QTimer::singleShot(10, *next);
    };
    QTimer::singleShot(0, *poll);
    // The handle keeps the poll alive too.
    return std::shared_ptr<void>(alive.get(), [alive, poll](void *) {});
}

} // namespace ModalWindows
