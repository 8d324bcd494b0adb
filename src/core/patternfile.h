#pragma once

#include <QString>

// Pattern files hold the keyword list's text; lines end in CR LF on disk and "\n" in the text box.
namespace PatternFile {

/// Every CR LF, lone CR and lone LF becomes one line break. Throws MarrowdaleError naming the file.
QString load(const QString &path);

/// Writes the text with CR LF breaks, replacing the file; a failure throws and keeps the old file.
void save(const QString &path, const QString &text);

/// "\r\n", lone "\r" and lone "\n" as "\n".
QString normalizeBreaks(const QString &text);

} // namespace PatternFile
