#pragma once

#include <QString>

#include <functional>

class QWidget;

// Qt lets no exception cross its event loop: every handler body runs through this guard, which shows
// a failure in the standard error box and keeps the program running. Returns false when the body failed.
bool runGuarded(QWidget *parent, const std::function<void()> &body);

// A slot for connect() that runs `body` through the guard.
template<typename Body> auto guarded(QWidget *parent, Body body)
{
    return [parent, body = std::move(body)] { runGuarded(parent, body); };
}

// The standard error box itself, for failures caught elsewhere.
void showErrorBox(QWidget *parent, const QString &message);
