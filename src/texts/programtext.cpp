#include "programtext.h"

ProgramText::ProgramText(QString text)
    : m_text(std::move(text))
{ }

ProgramText::ProgramText(Message message, std::vector<ProgramText> fill)
    : m_message(message)
    , m_fill(std::move(fill))
{ }

QString ProgramText::in(const MessageTable &messages) const
{
    if (!m_message)
        return m_text;
    QStringList fill;
    for (const ProgramText &part : m_fill)
        fill.append(part.in(messages));
    return fillPlaceholders(messages.text(*m_message), fill);
}

QString ProgramText::english() const
{
    return in(MessageTable());
}

QString fillPlaceholders(const QString &text, const QStringList &fill)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'%' && i + 1 < text.size()) {
            const int n = text.at(i + 1).digitValue();
            if (n >= 1 && n <= fill.size()) {
                result += fill.at(n - 1);
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}
