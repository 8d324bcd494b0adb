#pragma once

#include "textfile.h"

#include <QString>

#include <optional>

class MessageTable;
class UserPrompts;

// The current pattern file as the program last read or wrote it: the encoding to write it back in and
// the list it holds, so that a list nobody changed can be let go when its file cannot be written.
struct PatternFileState
{
    TextEncoding encoding; ///< new files are UTF-8
    std::optional<QString> savedText; ///< the list as the file holds it ("\n" breaks); nothing when not known

    /// Whether `listText` holds anything the file does not. Where the file's list is not known (never read,
    /// missing, just chosen by New List) only an empty list holds nothing.
    bool isModified(const QString &listText) const;
};

// Pattern files hold the keyword list's text; lines end in CR LF on disk and "\n" in the text box.
namespace PatternFile {

/// Every CR LF, lone CR and lone LF becomes one line break; `savedText` of the result is the list.
/// Throws MarrowdaleError naming the file.
PatternFileState read(const QString &path);

/// Writes the text with CR LF breaks in `state`'s encoding, replacing the file as a whole; `state` then
/// holds the text and the encoding written. A failure throws and keeps the old file and `state`.
void write(const QString &path, const QString &text, PatternFileState &state);

/// New List and Load write the list before another file becomes current. When that fails, a list unchanged
/// since it was loaded or saved is let go without a word; otherwise the user is asked whether to discard
/// the changes. A file this run could not read is replaced only when the user says so. Returns whether the
/// command goes on.
bool saveBeforeSwitching(UserPrompts &prompts, const MessageTable &messages, const QString &path, const QString &text,
                         PatternFileState &state);

/// The save at the close. The list is not written over a file that another program changed since it was
/// loaded or saved, nor over one this run could not read, unless the user says so; a file that already holds
/// this very list may stay as it is when it cannot be written. Throws when a list that differs from the file's cannot
/// be written.
void saveAtClose(UserPrompts &prompts, const MessageTable &messages, const QString &path, const QString &text,
                 PatternFileState &state);

/// "\r\n", lone "\r" and lone "\n" as "\n".
QString normalizeBreaks(const QString &text);

} // namespace PatternFile
