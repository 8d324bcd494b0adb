#pragma once

#include "programtext.h"

#include <QString>

#include <exception>

// The one error type of the program: a clear text for the user's error box, put together in the user's
// language where it is shown.
class MarrowdaleError : public std::exception
{
public:
    explicit MarrowdaleError(ProgramText text)
        : m_text(std::move(text))
        , m_message(m_text.english())
        , m_utf8(m_message.toUtf8())
    { }

    /// In English.
    const QString &message() const noexcept { return m_message; }
    QString message(const MessageTable &messages) const { return m_text.in(messages); }
    const ProgramText &text() const noexcept { return m_text; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    ProgramText m_text;
    QString m_message;
    QByteArray m_utf8;
};
