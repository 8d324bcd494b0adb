#include "programfonts.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace ProgramFonts {

QFont proportional(int pixelSize)
{
    QFont font(u"Noto Sans CJK JP"_s);
    font.setFamilies(QStringList {u"Noto Sans CJK JP"_s, u"sans-serif"_s});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

QFont fixed(int pixelSize)
{
    QFont font(u"Noto Sans Mono CJK JP"_s);
    font.setFamilies(QStringList {u"Noto Sans Mono CJK JP"_s, u"monospace"_s});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace ProgramFonts
