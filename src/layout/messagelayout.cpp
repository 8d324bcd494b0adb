#include "messagelayout.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace MessageLayout {

ButtonSet ButtonSet::fromWords(const QString &words)
{
    ButtonSet set;
    set.yes = words.contains(u"Yes"_s, Qt::CaseSensitive);
    set.no = words.contains(u"No"_s, Qt::CaseSensitive);
    set.ok = words.contains(u"OK"_s, Qt::CaseSensitive);
    set.cancel = words.contains(u"Cancel"_s, Qt::CaseSensitive);
    set.help = words.contains(u"Help"_s, Qt::CaseSensitive);
    return set;
}

ButtonLefts buttonLefts(const ButtonSet &buttons, int dialogWidth)
{
    int sum = 0;
    for (bool shown : {buttons.yes, buttons.no, buttons.ok, buttons.cancel})
        sum += shown ? ButtonSlot : 0;
    if (buttons.help)
        sum += HelpSlot;

    // C++ division truncates toward zero, as the layout rule wants.
    int x = (dialogWidth - sum) / 2 - ButtonSlot;
    ButtonLefts lefts;
    const auto place = [&x](bool shown, int &left) {
        if (shown) {
            x += ButtonSlot;
            left = x;
        }
    };
    place(buttons.yes, lefts.yes);
    place(buttons.no, lefts.no);
    place(buttons.ok, lefts.ok);
    place(buttons.cancel, lefts.cancel);
    place(buttons.help, lefts.help);
    return lefts;
}

int textHeight(int lines)
{
    return LinePitch * lines + 21;
}

int buttonBarTop(int lines)
{
    return TextTop + textHeight(lines) + 10;
}

int dialogHeight(int lines)
{
    return buttonBarTop(lines) + ButtonBarHeight + 20;
}

int textLinePitch(int lines, int naturalPitch, int margin)
{
    if (lines <= 0)
        return naturalPitch;
    return qMax(1, qMin(naturalPitch, (textHeight(lines) - 2 * margin) / lines));
}

namespace {

int widening(const QString &line)
{
    if (line.isEmpty())
        return 0;
    const QChar first = line.front();
    if (first == u',' || first == u'.' || first == u'"')
        return 6;
    static const QString ideographicMarks = u"\u3002\uFF0C\u3001\u300C\u300D"_s; // 。，、「」
    if (ideographicMarks.contains(first))
        return 12;
    return 0;
}

} // namespace

WrappedMessage widenForPunctuation(int width, const WrapFunction &wrap)
{
    WrappedMessage result {width, wrap(width)};
    const qsizetype count = result.lines.size();
    for (qsizetype i = 1; i < count; ++i) {
        // A re-wrap can shorten the text: an index past the end reads as an empty line.
        const int extra = widening(result.lines.value(i));
        if (extra > 0) {
            result.width += extra;
            result.lines = wrap(result.width);
        }
    }
    return result;
}

InputLayout inputLayout(bool hasSuffix, int inputWidth, int currentDialogWidth, int promptHeight, int inputHeight)
{
    InputLayout l;
    l.hasSuffix = hasSuffix;
    if (hasSuffix) {
        l.inputLeft = l.promptLeft + l.promptWidth + 5;
        l.inputWidth = inputWidth;
        l.suffixLeft = l.inputLeft + l.inputWidth + 5;
        l.dialogWidth = l.suffixLeft + l.suffixWidth + 24;
    } else {
        l.inputLeft = 16;
        l.inputWidth = currentDialogWidth;
        l.inputTop = l.promptTop + promptHeight + 8;
        l.dialogWidth = l.inputLeft + l.inputWidth + 24;
    }
    l.buttonBarTop = l.inputTop + inputHeight + 15;
    l.okLeft = static_cast<int>(std::lround((l.dialogWidth - 3 * ButtonWidth - 40) * 0.5));
    l.cancelLeft = l.okLeft + ButtonWidth + 20;
    l.helpLeft = l.cancelLeft + ButtonWidth + 20;
    l.dialogHeight = l.buttonBarTop + ButtonBarHeight + 22;
    return l;
}

SentenceLayout sentenceLayout(int siftLabelLeft, int siftLabelWidth, int thresholdBoxWidth)
{
    SentenceLayout s;
    s.thresholdBoxLeft = siftLabelLeft + siftLabelWidth + 3;
    s.thresholdLabelLeft = s.thresholdBoxLeft + thresholdBoxWidth + 3;
    return s;
}

} // namespace MessageLayout
