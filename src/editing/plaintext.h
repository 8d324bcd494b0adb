#pragma once

#include <QString>

class QPlainTextEdit;

/// The text box's text exactly as it holds it, lines separated by "\n". Unlike toPlainText(), a no-break
/// space stays a no-break space, so a keyword list goes back to its file as it came.
QString exactPlainText(const QPlainTextEdit *edit);
