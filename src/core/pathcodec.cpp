#include "pathcodec.h"

#include <QFile>

namespace PathCodec {

namespace {

// Written without a branch per unit, so that the compiler takes many at once.
template<typename Unit> bool isAscii(const Unit *units, qsizetype size)
{
    Unit high = 0;
    for (qsizetype i = 0; i < size; ++i)
        high |= Unit(units[i] >= 0x80);
    return high == 0;
}

} // namespace

QByteArray encode(const QString &path)
{
    if (isAscii(reinterpret_cast<const char16_t *>(path.constData()), path.size()))
        return path.toLatin1();
    return QFile::encodeName(path);
}

QString decode(QByteArrayView path)
{
    if (isAscii(reinterpret_cast<const unsigned char *>(path.data()), path.size()))
        return QString::fromLatin1(path);
    return QFile::decodeName(path.toByteArray());
}

} // namespace PathCodec
