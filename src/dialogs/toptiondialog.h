#pragma once

#include "options.h"

#include <QDialog>
#include <QPointer>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TMyMessageDlg;
class ThresholdSpinBox;

// Home of the four options while the program runs: the controls hold them, every change is in force
// at once, and the caller reads them at the moment of use.
class TOptionDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TOptionDialog(QWidget *parent = nullptr);

    /// The box that shows the notice after a folder was chosen; when none is set, the one beside
    /// this dialog under the same parent.
    void setMessageDialog(TMyMessageDlg *dialog);

    /// What the Help button does; without one it asks for the help page of this dialog.
    void setHelpHook(std::function<void()> hook) { m_helpHook = std::move(hook); }

    QString rootFolder() const;
    void setRootFolder(const QString &folder);
    bool sift() const;
    void setSift(bool sift);
    int denominator() const;
    void setDenominator(int value);
    bool confirm() const;
    void setConfirm(bool confirm);
    Options options() const;

    /// Text 1, 2 or 3 as last read (defaults until the dialog is shown with a language file).
    QString text(int n) const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void readLanguageFile();
    void reflowSentence();
    void SpinEditChange();
    void CheckBox1Click();
    void BitBtn1Click();
    void Button2Click();
    TMyMessageDlg *messageDialog();

    QLabel *m_label2 = nullptr;
    QLineEdit *m_edit1 = nullptr;
    QToolButton *m_bitBtn1 = nullptr;
    QCheckBox *m_checkBox1 = nullptr;
    QLabel *m_label3 = nullptr;
    ThresholdSpinBox *m_spinEdit = nullptr;
    QLabel *m_label1 = nullptr;
    QCheckBox *m_checkBox2 = nullptr;
    QPushButton *m_btnOK = nullptr;
    QPushButton *m_button1 = nullptr;
    QPushButton *m_button2 = nullptr;

    std::array<QString, 4> m_texts; // 1..3 used
    QPointer<TMyMessageDlg> m_messageDialog;
    std::function<void()> m_helpHook;
};
