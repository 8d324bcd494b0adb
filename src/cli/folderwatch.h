#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

class QSocketNotifier;

#include <functional>

// Watches a folder for files that have come to rest: a file (and the companion folder beside it) whose
// size and times have not changed for the settling time is handed on, once; it is handed on again only
// when it changes, or when forget() is called.
class FolderWatch : public QObject
{
    Q_OBJECT

public:
    /// `folders`: the folders beside the files, as the folder was listed.
    using Handler = std::function<void(const QStringList &files, const QSet<QString> &folders)>;

    FolderWatch(const QString &folder, int settleMilliseconds, Handler handler, QObject *parent = nullptr);

    /// Looks now and then every `interval` milliseconds.
    void start(int interval);

    /// Files handed on before may be handed on again (the rules they were filed by have changed).
    void forget() { m_handedOn.clear(); }

private:
    struct Seen
    {
        QByteArray signature;
        qint64 since = 0; ///< when the signature was first seen, on m_clock
    };

    void look();

    QString m_folder;
    int m_settle;
    Handler m_handler;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QHash<QString, Seen> m_seen; ///< files not at rest yet, by path
    QHash<QString, QByteArray> m_handedOn; ///< files handed on, with the signature they had
};

// Ends the event loop cleanly at SIGINT or SIGTERM.
class QuitOnSignals : public QObject
{
    Q_OBJECT

public:
    explicit QuitOnSignals(QObject *parent = nullptr);
    ~QuitOnSignals() override;

private:
    QSocketNotifier *m_notifier = nullptr;
};
