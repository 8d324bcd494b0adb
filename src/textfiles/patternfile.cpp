#include "patternfile.h"

#include "marrowdaleerror.h"
#include "messagetable.h"
#include "userprompts.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

bool PatternFileState::isModified(const QString &listText) const
{
    const QString text = PatternFile::normalizeBreaks(listText);
    return savedText ? text != *savedText : !text.isEmpty();
}

namespace PatternFile {

namespace {

// A file that is there but that this run could neither read nor has read holds a list nobody has seen:
// it is replaced only when the user says so. True when it must stay as it is.
bool keepUnreadable(UserPrompts &prompts, const MessageTable &messages, const QString &path,
                    const PatternFileState &state)
{
    if (state.savedText || !QFileInfo::exists(path))
        return false;
    try {
        read(path);
        return false;
    } catch (const MarrowdaleError &error) {
        return prompts.askYesNo(messages.text(Message::ListUnreadable).arg(path, error.message(messages)), QString())
            != UserPrompts::Yes;
    }
}

} // namespace

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
    if (keepUnreadable(prompts, messages, path, state))
        return true;
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

void saveAtClose(UserPrompts &prompts, const MessageTable &messages, const QString &path, const QString &text,
                 PatternFileState &state)
{
    if (keepUnreadable(prompts, messages, path, state))
        return;
    // What the file holds now: another program (the command line, a second window) may have written
    // it since; its counters and lines are not overwritten without asking.
    std::optional<QString> onDisk;
    try {
        if (QFileInfo::exists(path))
            onDisk = read(path).savedText;
    } catch (const MarrowdaleError &) {
        // Read before by this run but unreadable now: the write below tells whether it can be replaced.
    }
    if (onDisk && onDisk != state.savedText
        && prompts.askYesNo(messages.text(Message::ListChangedOnDisk).arg(path), QString()) != UserPrompts::Yes) {
        return;
    }
    try {
        write(path, text, state);
    } catch (const MarrowdaleError &) {
        // A file that already holds this very list loses nothing by not being written: a read-only list
        // nobody changed does not keep the program from ending.
        if (onDisk != normalizeBreaks(text))
            throw;
    }
}

} // namespace PatternFile
