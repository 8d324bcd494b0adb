#pragma once

#include <QString>

class UserPrompts;
class MessageTable;

// Delete in the file list: the file and its companion folders go to the desktop's trash after a
// question that names the file. What the trash will not take (no trash on that file system, no room
// for it) is deleted for good only after a second question that says so.
namespace Trash {

void deleteWithCompanions(UserPrompts &prompts, const MessageTable &messages, const QString &filePath);

} // namespace Trash
