#include "desktopnotifier.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QProcess>
#include <QVariantMap>

using namespace Qt::StringLiterals;

namespace {

const QString service = u"org.freedesktop.Notifications"_s;
const QString path = u"/org/freedesktop/Notifications"_s;
constexpr int mostNamesShown = 5;

} // namespace

DesktopNotifier::DesktopNotifier(QObject *parent)
    : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    m_connected = true;
    bus.connect(service, path, service, u"ActionInvoked"_s, this, SLOT(actionInvoked(uint, QString)));
}

void DesktopNotifier::roundDone(int filed, const QStringList &waiting)
{
    if (!m_connected || (filed == 0 && waiting.isEmpty()))
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    // No service: nobody to tell, and no need to wait for the bus to try starting one.
    if (!bus.interface() || !bus.interface()->isServiceRegistered(service).value())
        return;
    const QString summary = waiting.isEmpty()
        ? u"Marrowdale filed %1 pages"_s.arg(filed)
        : u"Marrowdale filed %1 pages; %2 wait for you"_s.arg(filed).arg(waiting.size());
    QStringList shown = waiting.mid(0, mostNamesShown);
    if (waiting.size() > mostNamesShown)
        shown.append(u"…"_s);
    QDBusMessage notify = QDBusMessage::createMethodCall(service, path, service, u"Notify"_s);
    notify << u"Marrowdale"_s << uint(0) << u"marrowdale"_s << summary << shown.join(u'\n')
           << (waiting.isEmpty() ? QStringList() : QStringList {u"default"_s, u"Open Marrowdale"_s})
           << QVariantMap {{u"desktop-entry"_s, u"marrowdale"_s}} << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        const QDBusPendingReply<uint> reply = *call;
        if (reply.isValid())
            m_sent.append(reply.value());
        call->deleteLater();
    });
}

void DesktopNotifier::actionInvoked(uint id, const QString &)
{
    // The window lists the source folder of the settings, where the pages wait.
    if (m_sent.contains(id))
        QProcess::startDetached(QCoreApplication::applicationFilePath(), {});
}
