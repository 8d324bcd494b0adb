#include "keywordlistbox.h"

#include "keywordtable.h"
#include "plaintext.h"

#include "dialogs/programfonts.h"

#include <QTextCursor>

using namespace Qt::StringLiterals;

KeywordListBox::KeywordListBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setFont(ProgramFonts::fixed(11));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_parseTimer.setInterval(2000);
    m_parseTimer.setSingleShot(true);
    connect(&m_parseTimer, &QTimer::timeout, this, &KeywordListBox::parseDue);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        Q_EMIT edited();
        startParseTimer();
    });
}

QString KeywordListBox::exactText() const
{
    return exactPlainText(this);
}

void KeywordListBox::appendLine(const QString &line)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const QString text = exactText();
    cursor.insertText((text.isEmpty() || text.endsWith(u'\n') ? QString() : u"\n"_s) + line + u'\n');
}

void KeywordListBox::replaceText(const QString &text)
{
    setPlainText(text);
    moveCursor(QTextCursor::End);
}

void KeywordListBox::dropTrailingBlankLines()
{
    const QString text = exactText();
    QStringList lines = keywordListLines(text);
    const qsizetype before = lines.size();
    while (lines.size() > 1 && QString(lines.last()).remove(u' ').isEmpty())
        lines.removeLast();
    if (lines.size() != before)
        setPlainText(lines.join(u'\n') + (text.endsWith(u'\n') ? u"\n"_s : QString()));
}

void KeywordListBox::startParseTimer()
{
    if (!m_parseTimer.isActive())
        m_parseTimer.start();
}
