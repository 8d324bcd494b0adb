#pragma once

#include <QMargins>
#include <QRect>

#include <functional>

class QWidget;

// Windows open in the middle of their screen by their outer frame. The frame is known only once a
// window manager has framed the window, a moment after it is shown: the window is centred by what is
// known when it shows, and once more when its frame appears.
namespace WindowPlacement {

/// From now on, every time `window` is shown by the program (not when it comes back from being
/// minimised), it is centred. `whenFramed` runs once the frame is known, before the window is centred
/// by it; without a window manager there is no frame and it never runs.
void keepCentred(QWidget *window, std::function<void(const QMargins &frame)> whenFramed = {});

/// Puts `window` where it was before (`geometry` without its frame) and no longer centres it; false, and
/// nothing changes, when that place no longer fits any screen (a screen unplugged, a smaller one).
bool restore(QWidget *window, const QRect &geometry);

} // namespace WindowPlacement
