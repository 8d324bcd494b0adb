#pragma once

#include "userprompts.h"

#include <QStringList>

// Answers every question the way that changes nothing (No, Cancel, Abort, no folder, no keyword), for work
// done without a user at hand. What was asked and what was told is kept, for the report.
class DecliningPrompts : public UserPrompts
{
public:
    QStringList questions; ///< texts of the questions declined, in order
    QStringList notices; ///< texts of the messages shown, in order

    void clear()
    {
        questions.clear();
        notices.clear();
    }

    int msgBox(const QString &msg, const QString &, const QString &buttons, int) override
    {
        if (buttons.contains(u"Yes"))
            return questions.append(msg), No;
        notices.append(msg);
        return Ok;
    }
    QString receiveString(const QString &, const QString &prompt, const QString &, const QString &, int, int) override
    {
        questions.append(prompt);
        return {};
    }
    int askYesNo(const QString &text, const QString &) override { return questions.append(text), No; }
    int askOkCancel(const QString &text, const QString &) override { return questions.append(text), Cancel; }
    int confirmMove(const QString &text) override { return questions.append(text), Abort; }
    void notify(const QString &text) override { notices.append(text); }
    std::optional<QString> chooseFolder(const QString &startFolder, int) override
    {
        questions.append(startFolder);
        return std::nullopt;
    }
    int chooseKeyword(const QString &fileName, const QStringList &, int *) override
    {
        questions.append(fileName);
        return 3;
    }
    QString inputBox(const QString &, const QString &prompt, const QString &defaultText) override
    {
        questions.append(prompt);
        return defaultText;
    }
};
