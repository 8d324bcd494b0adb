#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Paths between text and the bytes the system calls take, as QFile::encodeName() and decodeName() turn
// them. Qt's converter for the locale's encoding costs more per path than the rename it serves; most paths
// are ASCII, which every encoding a locale can have writes as it is, so those are copied directly.
namespace PathCodec {

QByteArray encode(const QString &path);
QString decode(QByteArrayView path);

} // namespace PathCodec
