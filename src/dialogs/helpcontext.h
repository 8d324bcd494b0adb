#pragma once

#include <functional>

class QWidget;

// Help context numbers travel on widgets as a property, as they do on the forms they come from.
namespace HelpContext {

void set(QWidget *widget, int context);

/// The widget's own context, 0 when it has none.
int of(const QWidget *widget);

/// The context of a help request in `window`: its focused control's when above 0, else the window's;
/// 0 counts as 1.
int forRequest(const QWidget *window);

/// Where help requests go (the help tree installs itself); nothing happens while none is installed.
void setHandler(std::function<void(int context)> handler);
void request(int context);

} // namespace HelpContext
