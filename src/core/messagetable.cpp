#include "messagetable.h"

using namespace Qt::StringLiterals;

MessageTable::MessageTable()
{
    for (int n = 1; n <= Count; ++n)
        m_texts[n] = defaultText(n);
}

QString MessageTable::text(int n) const
{
    return n >= 1 && n <= Count ? m_texts[n] : QString();
}

void MessageTable::setText(int n, const QString &text)
{
    if (n >= 1 && n <= Count)
        m_texts[n] = text;
}

void MessageTable::clear()
{
    for (QString &text : m_texts)
        text.clear();
    m_named.clear();
}

namespace {

struct NamedText
{
    Message message;
    const char16_t *key;
    const char16_t *english;
};

// One line a text: the key a translator writes and what the program says without one.
constexpr NamedText namedTexts[] = {
    {Message::DiscardChanges, u"DiscardChanges",
     u"%1<br><br>Discard the changes made to the keyword list since it was loaded or saved?"},
    // keyboard and safer commands
    {Message::TrashFile, u"TrashFile", u"Move \"%1\" to the trash?"},
    {Message::TrashFileAndFolders, u"TrashFileAndFolders", u"Move \"%1\" and its companion folder to the trash?"},
    {Message::TrashUnavailable, u"TrashUnavailable",
     u"The trash cannot take these:<br>%1<br><br>Delete them permanently instead? They cannot be brought back."},
    {Message::DeleteFailed, u"DeleteFailed", u"These could not be deleted:<br>%1"},
    {Message::NoTrashFolder, u"NoTrashFolder", u"no trash folder can be set up for it"},
    {Message::StopPass, u"StopPass", u"Files are still being moved. Stop after the current file?"},
    {Message::StopPassAndClose, u"StopPassAndClose",
     u"Files are still being moved. Stop after the current file and close Marrowdale?"},
};

const NamedText &named(Message message)
{
    for (const NamedText &text : namedTexts) {
        if (text.message == message)
            return text;
    }
    Q_UNREACHABLE();
}

} // namespace

QString MessageTable::text(Message message) const
{
    return m_named.value(message, defaultText(message));
}

void MessageTable::setText(Message message, const QString &text)
{
    m_named.insert(message, text);
}

QString MessageTable::key(Message message)
{
    return QString::fromUtf16(named(message).key);
}

QString MessageTable::defaultText(Message message)
{
    return QString::fromUtf16(named(message).english).replace(u"<br>"_s, u"\n"_s);
}

QList<Message> MessageTable::namedMessages()
{
    QList<Message> messages;
    for (const NamedText &text : namedTexts)
        messages.append(text.message);
    return messages;
}

QString MessageTable::defaultText(int n)
{
    switch (n) {
    case 1:
        return u"Welcome to Marrowdale! At first, please select the parent folder of destination folders"_s;
    case 2:
        return u"Please select destination folder"_s;
    case 3:
        return u"To confirm each time, add '?' at the tail."_s;
    case 4:
        return u"Please extract a key word, then click [OK]."_s;
    case 5:
        return u"Is this a current key word?"_s;
    case 6:
        return u"Please select the destination folder of "_s;
    case 7:
        return u"."_s;
    case 8:
        return u"Destination folder of "_s;
    case 9:
        return u"."_s;
    case 10:
        return u"May [ "_s;
    case 11:
        return u" ] be moved to \n< "_s;
    case 12:
        return u" >?"_s;
    case 13:
        return u"Parent folder does not exists. Do you really want to move the file into this disk?"_s;
    case 14:
        return u"There is a file with same name. Overwrite?"_s;
    case 15:
        return u"could not be moved. Please check the name or status of the disk."_s;
    case 16:
        return u"Are you sure to delete this file?"_s;
    case 17:
        return u"Confirmation"_s;
    case 18:
        return u"(path name is not required)"_s;
    case 19:
        return u"Please input the new name"_s;
    case 20:
        return u"is not ready now. Please change the name of the parent folder or prepare the drive"_s;
    case 21:
        return u"Please input the name of the pattern file."_s;
    case 22:
        return u" strings were replaced."_s;
    case 23:
        return u"No target word is found below the current cursor."_s;
    default:
        return {};
    }
}
