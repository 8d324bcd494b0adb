#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Every question the logic asks the user. The windows implement it; tests script it.
class UserPrompts
{
public:
    // Answers, numbered as the message dialog returns them.
    enum Answer { Ok = 1, Cancel = 2, Abort = 3, Yes = 6, No = 7 };

    virtual ~UserPrompts() = default;

    /// The program's own message dialog. `buttons` is a word set such as "OK" or "YesNo".
    /// Returns Ok, Cancel (also when closed), Yes or No.
    virtual int msgBox(const QString &msg, const QString &caption, const QString &buttons, int helpContext) = 0;

    /// The program's own input box: the typed text after OK, else the empty text.
    virtual QString receiveString(const QString &caption, const QString &prompt, const QString &suffix,
                                  const QString &defaultText, int width, int helpContext)
        = 0;

    /// The platform's question box with Yes and No; closing it answers No.
    virtual int askYesNo(const QString &text, const QString &title) = 0;

    /// The platform's question box with OK and Cancel; closing it answers Cancel.
    virtual int askOkCancel(const QString &text, const QString &title) = 0;

    /// Classify's move question: Yes, No, Abort, or Cancel when the box is closed. Help context 5.
    virtual int confirmMove(const QString &text) = 0;

    /// The platform's plain message box (notices of folder moves, the toolkit's own messages).
    virtual void notify(const QString &text) = 0;

    /// The shared folder chooser: nothing when cancelled.
    virtual std::optional<QString> chooseFolder(const QString &startFolder, int helpContext) = 0;

    /// The keyword choice dialog titled with the file name: 1 Select (with *selected set to the
    /// chosen row), 2 Neither of them, 3 Abort.
    virtual int chooseKeyword(const QString &fileName, const QStringList &candidates, int *selected) = 0;

    /// The toolkit's text input box: the edited text after OK, `defaultText` after Cancel.
    virtual QString inputBox(const QString &title, const QString &prompt, const QString &defaultText) = 0;
};
