#pragma once

#include <QByteArray>
#include <QString>

// Text files of the program: UTF-8 on writing; on reading UTF-8 when the bytes are valid
// UTF-8, otherwise Shift-JIS (CP932) as older files were written.
QString decodeText(const QByteArray &bytes);

/// Throws MarrowdaleError naming the file when it cannot be read.
QString readTextFile(const QString &path);

/// Replaces the file as a whole or not at all; throws MarrowdaleError naming the file on failure.
void writeTextFile(const QString &path, const QString &text);
