#pragma once

#include <QString>

#include <array>

// The message catalogue: messages 1 to 23 of section "Main" of the language file.
class MessageTable
{
public:
    static constexpr int Count = 23;

    /// English defaults in every slot.
    MessageTable();

    /// Message n (1..23); any other number gives the empty text.
    QString text(int n) const;
    void setText(int n, const QString &text);

    /// Every message empty: a language file exists but has not been read yet.
    void clear();

    static QString defaultText(int n);

private:
    std::array<QString, Count + 1> m_texts;
};
