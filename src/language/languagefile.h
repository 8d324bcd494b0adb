#pragma once

#include "inifile.h"

#include <QString>

#include <optional>

class MessageTable;

// A translation of the program's texts. When the file exists, a key it lacks reads as the
// empty text; the English defaults apply only when there is no file at all.
class LanguageFile
{
public:
    explicit LanguageFile(const QString &path);

    /// A file that cannot be read counts as none: the built-in texts stay rather than every caption going blank.
    bool exists() const { return m_ini.readable(); }

    QString text(const QString &section, const QString &key) const;
    /// Like text(), with every "<br>" turned into a line feed.
    QString message(const QString &section, const QString &key) const;

    /// Like text(), but nothing when the file lacks the key.
    std::optional<QString> textIfPresent(const QString &section, const QString &key) const;

    /// Messages 1-23 of section "Main" and the named texts of section "Messages" (each of those only when
    /// the file has it); without a file the table keeps what it holds.
    void readMessages(MessageTable &table) const;

private:
    IniFile m_ini;
};

/// The option dialog's own texts 1-3 in English; any other number gives the empty text.
QString optionDialogDefaultText(int n);
