#pragma once

#include <QString>

#include <exception>

// The one error type of the program: a clear text for the user's error box.
class MarrowdaleError : public std::exception
{
public:
    explicit MarrowdaleError(QString message)
        : m_message(std::move(message))
        , m_utf8(m_message.toUtf8())
    { }

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
