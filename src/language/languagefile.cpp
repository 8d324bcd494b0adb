#include "languagefile.h"

#include "messagetable.h"

using namespace Qt::StringLiterals;

namespace {

QString withLineBreaks(QString text)
{
    return text.replace(u"<br>"_s, u"\n"_s);
}

} // namespace

LanguageFile::LanguageFile(const QString &path)
    : m_ini(path)
{ }

QString LanguageFile::text(const QString &section, const QString &key) const
{
    return m_ini.readString(section, key, QString());
}

QString LanguageFile::message(const QString &section, const QString &key) const
{
    return withLineBreaks(text(section, key));
}

std::optional<QString> LanguageFile::textIfPresent(const QString &section, const QString &key) const
{
    return m_ini.value(section, key);
}

void LanguageFile::readMessages(MessageTable &table) const
{
    if (!exists())
        return;
    for (int n = 1; n <= MessageTable::Count; ++n)
        table.setText(n, message(u"Main"_s, u"Msg%1"_s.arg(n)));
    for (const Message named : MessageTable::namedMessages()) {
        if (const auto text = textIfPresent(u"Messages"_s, MessageTable::key(named)))
            table.setText(named, withLineBreaks(*text));
    }
}

QString optionDialogDefaultText(int n)
{
    switch (n) {
    case 1:
        return u"and used count is less than 1/"_s;
    case 2:
        return u", the current keyword is abandoned."_s;
    case 3:
        return u"The parent folder of the destination folders has been changed. To change it again, please click the "
               u"[select folder] button again."_s;
    default:
        return {};
    }
}
