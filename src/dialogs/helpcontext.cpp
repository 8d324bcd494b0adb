#include "helpcontext.h"

#include <QWidget>

namespace HelpContext {

namespace {
const char *const propertyName = "helpContext";

std::function<void(int)> &handler()
{
    static std::function<void(int)> h;
    return h;
}
} // namespace

void set(QWidget *widget, int context)
{
    widget->setProperty(propertyName, context);
}

int of(const QWidget *widget)
{
    return widget ? widget->property(propertyName).toInt() : 0;
}

int forRequest(const QWidget *window)
{
    if (!window)
        return 1;
    int context = 0;
    if (QWidget *focused = window->focusWidget(); focused && focused->window() == window)
        context = of(focused);
    if (context <= 0)
        context = of(window);
    return context <= 0 ? 1 : context;
}

void setHandler(std::function<void(int)> h)
{
    handler() = std::move(h);
}

void request(int context)
{
    if (handler())
        handler()(context);
}

} // namespace HelpContext
