#include "patternfile.h"

#include "textfile.h"

using namespace Qt::StringLiterals;

namespace PatternFile {

QString normalizeBreaks(const QString &text)
{
    QString result = text;
    result.replace(u"\r\n"_s, u"\n"_s);
    result.replace(u'\r', u'\n');
    return result;
}

QString load(const QString &path)
{
    return normalizeBreaks(readTextFile(path));
}

void save(const QString &path, const QString &text)
{
    QString onDisk = normalizeBreaks(text);
    onDisk.replace(u'\n', u"\r\n"_s);
    writeTextFile(path, onDisk);
}

} // namespace PatternFile
