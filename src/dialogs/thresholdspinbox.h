#pragma once

#include <QSpinBox>

// The Sift threshold box: arrows step 200 within 100 ... 1000000; a typed value out of range is
// brought into it when the box loses the focus, and text that is no whole number reads as 100.
class ThresholdSpinBox : public QSpinBox
{
    Q_OBJECT

public:
    static constexpr int Minimum = 100;
    static constexpr int Maximum = 1000000;

    explicit ThresholdSpinBox(QWidget *parent = nullptr);

    /// The value the current text stands for, also while it is still being typed.
    int effectiveValue() const;

    /// What a typed text reads as.
    static int interpret(const QString &text);

protected:
    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
};
