#include "pathcodec.h"

#include <QFile>

namespace PathCodec {

namespace {

// Copies the units into `out` as they are and tells whether all were ASCII, in one pass without a branch
// per unit, so that the compiler takes many at once; what was copied counts only then.
template<typename From, typename To> bool copyAscii(const From *units, qsizetype size, To *out)
{
    From high = 0;
    for (qsizetype i = 0; i < size; ++i) {
        high |= From(units[i] >= 0x80);
        out[i] = To(units[i]);
    }
    return high == 0;
}

} // namespace

QByteArray encode(const QString &path)
{
    QByteArray bytes(path.size(), Qt::Uninitialized);
    if (copyAscii(reinterpret_cast<const char16_t *>(path.constData()), path.size(), bytes.data()))
        return bytes;
    return QFile::encodeName(path);
}

QString decode(QByteArrayView path)
{
    QString text(path.size(), Qt::Uninitialized);
    if (copyAscii(reinterpret_cast<const unsigned char *>(path.data()), path.size(),
                  reinterpret_cast<char16_t *>(text.data())))
        return text;
    return QFile::decodeName(path.toByteArray());
}

} // namespace PathCodec
