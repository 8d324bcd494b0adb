#include "retiredlines.h"

#include "marrowdaleerror.h"
#include "patternfile.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace RetiredLines {

QString fileFor(const QString &patternFile)
{
    if (patternFile.isEmpty())
        return QString();
    const QFileInfo info(patternFile);
    return info.dir().filePath(info.completeBaseName() + u".retired.dat"_s);
}

void append(const QString &patternFile, const QStringList &lines, const QDateTime &when)
{
    if (lines.isEmpty())
        return;
    const QString path = fileFor(patternFile);
    if (path.isEmpty())
        throw MarrowdaleError(Message::RetiredNoPatternFile);

    PatternFileState state;
    QString text;
    if (QFileInfo::exists(path)) {
        state = PatternFile::read(path);
        text = *state.savedText;
        if (!text.isEmpty() && !text.endsWith(u'\n'))
            text += u'\n';
    }
    text += u"# retired "_s + when.toString(u"yyyy-MM-dd HH:mm:ss"_s) + u'\n';
    for (const QString &line : lines)
        text += line + u'\n';
    text += u'\n';
    PatternFile::write(path, text, state);
}

} // namespace RetiredLines
