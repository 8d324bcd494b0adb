#include "helpkeyfilter.h"

#include "dialogs/helpcontext.h"
#include "help/helptree.h"
#include "help/helpwindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>

HelpKeyFilter *HelpKeyFilter::install(QApplication *app, HelpWindow *helpWindow)
{
    auto *filter = new HelpKeyFilter(app);
    app->installEventFilter(filter);
    QPointer<HelpWindow> target(helpWindow);
    HelpContext::setHandler([target](int context) {
        if (target)
            target->tree()->openPageForContext(context);
    });
    return filter;
}

HelpKeyFilter::HelpKeyFilter(QObject *parent)
    : QObject(parent)
{ }

bool HelpKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    // A key reaches the window system's window first and then the focused widget: answer it once,
    // at the widget.
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_F1)
        return false;
    QWidget *active = QApplication::activeWindow();
    if (!active || active->property("marrowdaleMainWindow").toBool())
        return false;
    if (!key->isAutoRepeat())
        HelpContext::request(HelpContext::forRequest(active));
    return true;
}
