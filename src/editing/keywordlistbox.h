#pragma once

#include <QPlainTextEdit>
#include <QTimer>

// The text box of the keyword list, the list's master copy. An edit holds Classify back until the list has
// been parsed again: the first change after a parse starts the parse timer (2 seconds), and later
// changes do not restart it.
class KeywordListBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit KeywordListBox(QWidget *parent = nullptr);

    /// The text exactly as the box holds it (no-break spaces included), lines separated by "\n".
    QString exactText() const;
    /// A new last line, ended like the rest: the list may or may not end in a line break.
    void appendLine(const QString &line);
    /// A new text with the caret at its end, as a rewrite of the list leaves it.
    void replaceText(const QString &text);
    /// Lines that hold only blanks at the end are dropped; a list of one such line keeps it.
    void dropTrailingBlankLines();

    QTimer *parseTimer() { return &m_parseTimer; }
    /// Starts the parse timer unless it already runs.
    void startParseTimer();

Q_SIGNALS:
    /// An edit waits for its parse: Classify waits with it.
    void edited();
    /// The parse timer has run out.
    void parseDue();

private:
    QTimer m_parseTimer;
};
