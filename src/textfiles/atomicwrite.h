#pragma once

#include <QByteArray>
#include <QString>

/// Replaces the file's content with `bytes` as a whole or not at all: the bytes go to a hidden temporary
/// file in the same folder, which is synced, given the old file's mode (and owner where allowed) and
/// renamed over the file. A symbolic link is followed and stays a link. A file without any write
/// permission is refused, also for the superuser. On any failure the old file is untouched and a
/// MarrowdaleError names the file and the reason.
void writeFileAtomically(const QString &path, const QByteArray &bytes);
