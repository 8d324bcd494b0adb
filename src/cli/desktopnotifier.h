#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// Tells the desktop what a watch filed, through the freedesktop notification service on the session bus:
// one notification per round, with an action that opens the window. Without a session bus or a
// notification service nothing is sent and nothing fails.
class DesktopNotifier : public QObject
{
    Q_OBJECT

public:
    explicit DesktopNotifier(QObject *parent = nullptr);

    /// `filed` pages moved; `waiting`: the names of those left for the user to see to.
    void roundDone(int filed, const QStringList &waiting);

private Q_SLOTS:
    void actionInvoked(uint id, const QString &action);

private:
    bool m_connected = false;
    QList<uint> m_sent; ///< ids of this watch's notifications, whose actions it answers
};
