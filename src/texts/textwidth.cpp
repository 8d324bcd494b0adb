#include "textwidth.h"

#include <unicode/uchar.h>

namespace TextWidth {

int columns(QStringView text)
{
    int width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        // Most names are ASCII: the property look-up only for what could be wide.
        const int kind = c < 0x1100 ? U_EA_NARROW : u_getIntPropertyValue(UChar32(c), UCHAR_EAST_ASIAN_WIDTH);
        width += kind == U_EA_WIDE || kind == U_EA_FULLWIDTH ? 2 : 1;
    }
    return width;
}

QString padded(const QString &text, int width)
{
    const int used = columns(text);
    return used >= width ? text : text + QString(width - used, u' ');
}

} // namespace TextWidth
