#pragma once

#include <QDataStream>
#include <QIODevice>

#include <vector>

// Vectors of plain values in the cache files, as their bytes: the cache is this machine's own, and reading
// a model of some megabytes value by value would cost more than the rest of a run.
namespace RawVectors {

template<typename T>
void write(QDataStream &out, const std::vector<T> &values)
{
    out << quint64(values.size());
    out.writeRawData(reinterpret_cast<const char *>(values.data()), int(values.size() * sizeof(T)));
}

/// False when the stream does not hold as many values as it says (a damaged or cut file).
template<typename T>
bool read(QDataStream &in, std::vector<T> &values)
{
    quint64 size = 0;
    in >> size;
    const qint64 left = in.device() ? in.device()->bytesAvailable() : 0;
    if (in.status() != QDataStream::Ok || size > quint64(left) / sizeof(T))
        return false;
    values.resize(size);
    const int bytes = int(size * sizeof(T));
    return in.readRawData(reinterpret_cast<char *>(values.data()), bytes) == bytes;
}

} // namespace RawVectors
