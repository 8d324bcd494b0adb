#include "plaintext.h"

#include <QPlainTextEdit>
#include <QTextDocument>

QString exactPlainText(const QPlainTextEdit *edit)
{
    QString text = edit->document()->toRawText();
    for (QChar &c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u'\n';
    }
    return text;
}
