#pragma once

#include "messagetable.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// A text the program shows, with what fills its "%1", "%2" ...: one of the named texts of the message
// catalogue, or a text that already is what it says (a file name, the system's reason). It is put
// together in the language of the table it meets, so that a text made deep in the logic, far from any
// window, still reaches the user in the user's language.
class ProgramText
{
public:
    ProgramText() = default;
    ProgramText(QString text);
    ProgramText(Message message, std::vector<ProgramText> fill = {});

    QString in(const MessageTable &messages) const;
    /// With the built-in English texts.
    QString english() const;

private:
    std::optional<Message> m_message;
    QString m_text;
    std::vector<ProgramText> m_fill;
};

/// `text` with "%1" ... "%9" replaced by `fill` in one pass: a name that holds "%2" stays as it is.
/// A placeholder without a value stays as written.
QString fillPlaceholders(const QString &text, const QStringList &fill);
