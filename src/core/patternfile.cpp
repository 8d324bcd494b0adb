#include "patternfile.h"

#include "messagetable.h"

#include "marrowdaleerror.h"
#include "userprompts.h"


using namespace Qt::StringLiterals;

bool PatternFileState::isModified(const QString &listText) const
{
    const QString text = PatternFile::normalizeBreaks(listText);
    return savedText ? text != *savedText : !text.isEmpty();
}

namespace PatternFile {

QString normalizeBreaks(const QString &text)
{
    QString result = text;
    result.replace(u"\r\n"_s, u"\n"_s);
    result.replace(u'\r', u'\n');
    return result;
}

PatternFileState read(const QString &path)
{
    TextFileContent content = TextFile::read(path);
    return PatternFileState {std::move(content.encoding), normalizeBreaks(content.text)};
}

void write(const QString &path, const QString &text, PatternFileState &state)
{
    const QString list = normalizeBreaks(text);
    QString onDisk = list;
    onDisk.replace(u'\n', u"\r\n"_s);
    state.encoding = TextFile::write(path, onDisk, state.encoding);
    state.savedText = list;
}

bool saveBeforeSwitching(UserPrompts &prompts, const MessageTable &messages, const QString &path, const QString &text,
                         PatternFileState &state)
{
    try {
        write(path, text, state);
        return true;
    } catch (const MarrowdaleError &error) {
        if (!state.isModified(text))
            return true;
        return prompts.askYesNo(messages.text(Message::DiscardChanges).arg(error.message(messages)), QString())
            == UserPrompts::Yes;
    }
}

} // namespace PatternFile
