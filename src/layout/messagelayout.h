#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Geometry of the message and input dialog and of the options dialog's Sift row, kept apart from
// the widgets so that the pixel rules can be checked without a screen. All values are pixels.
namespace MessageLayout {

constexpr int MessageDialogWidth = 440;
constexpr int ButtonSlot = 85;
constexpr int HelpSlot = 65;
constexpr int ButtonWidth = 65;
constexpr int ButtonHeight = 22;
constexpr int ButtonBarHeight = 40;
// The message text box.
constexpr int TextLeft = 24;
constexpr int TextTop = 16;
constexpr int TextWidth = 350;
constexpr int LinePitch = 11;

/// Which of the five buttons a word set such as "YesNo" asks for (case-sensitive substring tests).
struct ButtonSet
{
    bool yes = false;
    bool no = false;
    bool ok = false;
    bool cancel = false;
    bool help = false;

    static ButtonSet fromWords(const QString &words);
    friend bool operator==(const ButtonSet &, const ButtonSet &) = default;
};

/// Left edges inside the button bar; -1 for a button that is not shown.
struct ButtonLefts
{
    int yes = -1;
    int no = -1;
    int ok = -1;
    int cancel = -1;
    int help = -1;

    friend bool operator==(const ButtonLefts &, const ButtonLefts &) = default;
};

ButtonLefts buttonLefts(const ButtonSet &buttons, int dialogWidth = MessageDialogWidth);

int textHeight(int lines);
int buttonBarTop(int lines);
int dialogHeight(int lines);

/// The pitch the text is set at in a box of `lines` lines: the font's own line spacing while it fits the
/// box's 11 pixels a line (plus the spare 21), tighter beyond, so that no line is ever cut off.
int textLinePitch(int lines, int naturalPitch, int margin);

/// Wraps the message at a box width and gives the displayed lines.
using WrapFunction = std::function<QStringList(int width)>;

struct WrappedMessage
{
    int width = TextWidth;
    QStringList lines;
};

/// Widens the box while a continuation line starts with a punctuation mark that should close the line
/// before it: 6 for "," "." and the double quote, 12 for the ideographic marks. The line count is taken
/// once; every widening re-wraps before the next line is read.
WrappedMessage widenForPunctuation(int width, const WrapFunction &wrap);

/// Placement of the input dialog's controls.
struct InputLayout
{
    int promptLeft = 24;
    int promptTop = 16;
    int promptWidth = 500;
    int inputLeft = 0;
    int inputTop = 18;
    int inputWidth = 0;
    bool hasSuffix = false;
    int suffixLeft = 0;
    int suffixTop = 16;
    int suffixWidth = 40;
    int dialogWidth = 0;
    int buttonBarTop = 0;
    int okLeft = 0;
    int cancelLeft = 0;
    int helpLeft = 0;
    int dialogHeight = 0;
};

/// `inputWidth` counts only with a suffix; without one the input takes the dialog's current width, so
/// the dialog grows by 40 at each such call. Prompt and input heights are those of the edit controls.
InputLayout inputLayout(bool hasSuffix, int inputWidth, int currentDialogWidth, int promptHeight, int inputHeight);

/// The options dialog's Sift row, one sentence: check box, its caption, threshold box, the sentence's end.
struct SentenceLayout
{
    int thresholdBoxLeft = 0;
    int thresholdLabelLeft = 0;
};

constexpr int ThresholdBoxWidth = 57;

SentenceLayout sentenceLayout(int siftLabelLeft, int siftLabelWidth, int thresholdBoxWidth = ThresholdBoxWidth);

} // namespace MessageLayout
