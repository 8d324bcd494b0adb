#pragma once

#include <QDialog>

#include <memory>

class QLineEdit;
class QPushButton;
class QTextEdit;
class QWidget;

// The program's own box for messages, yes/no questions and one-line input. One instance serves every
// call; each call lays the box out afresh with fixed pixel geometry. Its help context is the one thing
// that carries over from call to call.
class TMyMessageDlg : public QDialog
{
    Q_OBJECT

public:
    // Modal results, as the callers compare them.
    enum Result { ResultOk = 1, ResultCancel = 2, ResultYes = 6, ResultNo = 7 };

    explicit TMyMessageDlg(QWidget *parent = nullptr);

    /// `buttons` is a word set ("OK", "YesNo", ...). Gives 1, 2 (also when closed), 6 or 7.
    int MsgBox(const QString &msg, const QString &caption, const QString &buttons, int helpContext);

    /// The input's text after OK, otherwise the empty text. `width` counts only with a suffix.
    QString ReceiveString(const QString &caption, const QString &prompt, const QString &suffix,
                          const QString &defaultText, int width, int helpContext);

    /// Throws MarrowdaleError when the answer is not a whole number (Cancel included).
    int ReceiveInteger(const QString &caption, const QString &prompt, const QString &suffix, int defaultValue,
                       int width, int helpContext);

    /// Throws MarrowdaleError when the answer is not a number (Cancel included).
    double ReceiveFloat(const QString &caption, const QString &prompt, const QString &suffix, double defaultValue,
                        int width, int helpContext);

    int helpContext() const;

public Q_SLOTS:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void btnHelpClick();
    /// A second box for a call that comes while this one is open.
    std::unique_ptr<TMyMessageDlg> spare() const;
    /// The message's displayed lines at a box width, as the text box itself breaks them.
    QStringList wrappedLines(int width);
    QLineEdit *createLabelEdit();
    void centreOnScreen();
    void setDialogSize(int width, int height);
    void applyLineFormat(int lines, bool centred);

    QTextEdit *m_memMessage = nullptr;
    QWidget *m_pnlButtons = nullptr;
    QPushButton *m_btnYes = nullptr;
    QPushButton *m_btnNo = nullptr;
    QPushButton *m_btnOK = nullptr;
    QPushButton *m_btnCancel = nullptr;
    QPushButton *m_btnHelp = nullptr;
    QLineEdit *m_edPrompt = nullptr;
    QLineEdit *m_edInput = nullptr;
    QLineEdit *m_edSuffix = nullptr;
};
