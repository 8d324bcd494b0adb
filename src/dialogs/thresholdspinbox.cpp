#include "thresholdspinbox.h"

ThresholdSpinBox::ThresholdSpinBox(QWidget *parent)
    : QSpinBox(parent)
{
    setRange(Minimum, Maximum);
    setSingleStep(200);
    setValue(2000);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

int ThresholdSpinBox::interpret(const QString &text)
{
    bool ok = false;
    const qlonglong number = text.trimmed().toLongLong(&ok);
    if (!ok)
        return Minimum;
    return static_cast<int>(qBound(qlonglong(Minimum), number, qlonglong(Maximum)));
}

int ThresholdSpinBox::effectiveValue() const
{
    return interpret(cleanText());
}

QValidator::State ThresholdSpinBox::validate(QString &input, int &) const
{
    // Anything may be typed; only a whole number in range stands as it is.
    bool ok = false;
    const qlonglong number = input.trimmed().toLongLong(&ok);
    if (ok && number >= Minimum && number <= Maximum)
        return QValidator::Acceptable;
    return QValidator::Intermediate;
}

void ThresholdSpinBox::fixup(QString &input) const
{
    input = QString::number(interpret(input));
}
