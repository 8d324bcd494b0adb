#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>


// Keyword lines that a rewrite of the list retires are kept beside the pattern file, so that a user whose
// lines were retired by an unlucky Denominator can paste them back. The file is "<name>.retired.dat" for
// the pattern file "<name>.dat" ("Default.retired.dat" for "Default.dat"), written like a pattern file
// (CR LF breaks, the encoding it was read in). Each rewrite that retires lines appends one block:
//
//     # retired 2024-05-01 14:03:05
//     <each retired line exactly as it stood in the list, counters included>
//     <an empty line>
//
// The heading holds no "->", so a block pasted back whole adds no keyword of its own.
namespace RetiredLines {

/// The file beside `patternFile`; empty when there is no pattern file.
QString fileFor(const QString &patternFile);

/// Appends one block, replacing the file as a whole. The old blocks keep their text, not always their
/// bytes: every line break is written as CR LF, and a new line with a character the file's encoding
/// lacks turns the whole file UTF-8. Nothing happens for no lines. Throws MarrowdaleError naming the file
/// when it cannot be read or written.
void append(const QString &patternFile, const QStringList &lines, const QDateTime &when);

} // namespace RetiredLines
