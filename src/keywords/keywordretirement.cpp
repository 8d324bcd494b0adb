#include "keywordretirement.h"

#include "keywordtable.h"
#include "marrowdaleerror.h"
#include "retiredlines.h"
#include "userprompts.h"

namespace RetiredLines {

QString rewriteKeepingRetired(UserPrompts &prompts, const MessageTable &messages, const QString &patternFile,
                              const QString &text, const KeywordTable &table, const RewriteOptions &options,
                              const QDateTime &when)
{
    QStringList retired;
    const QString rewritten = rewriteKeywordList(text, table, options, &retired);
    try {
        append(patternFile, retired, when);
        return rewritten;
    } catch (const MarrowdaleError &error) {
        prompts.notify(ProgramText(Message::RetiredLinesStay, {error.message(messages)}).in(messages));
        // A Denominator of 0 retires nothing and writes every line as the rewrite would.
        RewriteOptions keepingAll = options;
        keepingAll.denominator = 0;
        return rewriteKeywordList(text, table, keepingAll);
    }
}

} // namespace RetiredLines
