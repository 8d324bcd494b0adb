#pragma once

#include "userprompts.h"

#include <QPointer>

class QWidget;
class KeywordChoiceDialog;
class MessageDialog;

// The questions of the logic, asked with the program's dialogs and the toolkit's stock boxes.
class WidgetPrompts : public UserPrompts
{
public:
    WidgetPrompts(QWidget *parent, MessageDialog *messageDialog, KeywordChoiceDialog *keywordChoiceDialog);

    int msgBox(const QString &msg, const QString &caption, const QString &buttons, int helpContext) override;
    QString receiveString(const QString &caption, const QString &prompt, const QString &suffix,
                          const QString &defaultText, int width, int helpContext) override;
    int askYesNo(const QString &text, const QString &title) override;
    int askOkCancel(const QString &text, const QString &title) override;
    int confirmMove(const QString &text) override;
    void notify(const QString &text) override;
    std::optional<QString> chooseFolder(const QString &startFolder, int helpContext) override;
    int chooseKeyword(const QString &fileName, const QStringList &candidates, int *selected) override;
    QString inputBox(const QString &title, const QString &prompt, const QString &defaultText) override;

private:
    QPointer<QWidget> m_parent;
    QPointer<MessageDialog> m_messageDialog;
    QPointer<KeywordChoiceDialog> m_keywordChoiceDialog;
};
