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
class MessageDialog : public QDialog
{
    Q_OBJECT

public:
    // Modal results, as the callers compare them.
    enum Result { ResultOk = 1, ResultCancel = 2, ResultYes = 6, ResultNo = 7 };

    explicit MessageDialog(QWidget *parent = nullptr);

    /// `buttons` is a word set ("OK", "YesNo", ...). Gives 1, 2 (also when closed), 6 or 7.
    int showMessage(const QString &msg, const QString &caption, const QString &buttons, int helpContext);

    /// The input's text after OK, otherwise the empty text. `width` counts only with a suffix.
    QString askText(const QString &caption, const QString &prompt, const QString &suffix, const QString &defaultText,
                    int width, int helpContext);

    /// Throws MarrowdaleError when the answer is not a whole number (Cancel included).
    int askInteger(const QString &caption, const QString &prompt, const QString &suffix, int defaultValue, int width,
                   int helpContext);

    /// Throws MarrowdaleError when the answer is not a number (Cancel included).
    double askNumber(const QString &caption, const QString &prompt, const QString &suffix, double defaultValue,
                     int width, int helpContext);

    int helpContext() const;

public Q_SLOTS:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    /// Each call: the buttons' captions from the language file, or the English ones.
    void applyLanguage();
    void showHelp();
    /// A second box for a call that comes while this one is open.
    std::unique_ptr<MessageDialog> spare() const;
    /// The message's displayed lines at a box width, as the text box itself breaks them.
    QStringList wrappedLines(int width);
    QLineEdit *createLabelEdit();
    void setDialogSize(int width, int height);
    void applyLineFormat(int lines, bool centred);

    QTextEdit *m_messageText = nullptr;
    QWidget *m_buttonBar = nullptr;
    QPushButton *m_yesButton = nullptr;
    QPushButton *m_noButton = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_helpButton = nullptr;
    QLineEdit *m_promptText = nullptr;
    QLineEdit *m_input = nullptr;
    QLineEdit *m_suffixText = nullptr;
};
