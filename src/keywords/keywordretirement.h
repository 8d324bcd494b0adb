#pragma once

#include <QDateTime>
#include <QString>

class KeywordTable;
class MessageTable;
class UserPrompts;
struct RewriteOptions;

// The rewrite of the keyword list that keeps what it retires (retiredlines.h).
namespace RetiredLines {

/// rewriteKeywordList() with the lines it retires appended to the file beside `patternFile`. When they
/// cannot be kept there, the user is told why and this rewrite retires nothing.
QString rewriteKeepingRetired(UserPrompts &prompts, const MessageTable &messages, const QString &patternFile,
                              const QString &text, const KeywordTable &table, const RewriteOptions &options,
                              const QDateTime &when);

} // namespace RetiredLines
