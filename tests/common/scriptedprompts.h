#pragma once

#include "userprompts.h"

#include <QList>
#include <QStringList>

#include <functional>

using namespace Qt::StringLiterals;

// A UserPrompts that answers from queues and records every question, for tests without windows.
// An empty queue answers like a user closing the box.
class ScriptedPrompts : public UserPrompts
{
public:
    QStringList asked; ///< "kind: text" of every question, in order
    QStringList yesNoTitles;

    QList<int> msgBoxAnswers, yesNoAnswers, okCancelAnswers, moveAnswers, keywordAnswers, keywordSelections;
    QStringList stringAnswers, inputAnswers;
    QList<std::optional<QString>> folderAnswers;

    /// Runs before each question is answered: lets a test act "while the dialog is open".
    std::function<void(const QString &kind)> onQuestion;

    int msgBox(const QString &msg, const QString &, const QString &buttons, int) override
    {
        note(u"msgBox"_s, msg);
        return take(msgBoxAnswers, buttons.contains(u"Yes"_s) ? No : Ok);
    }
    QString receiveString(const QString &, const QString &prompt, const QString &, const QString &defaultText, int,
                          int) override
    {
        note(u"receiveString"_s, prompt + u" ["_s + defaultText + u']');
        return stringAnswers.isEmpty() ? QString() : stringAnswers.takeFirst();
    }
    int askYesNo(const QString &text, const QString &title) override
    {
        yesNoTitles.append(title);
        note(u"askYesNo"_s, text);
        return take(yesNoAnswers, No);
    }
    int askOkCancel(const QString &text, const QString &) override
    {
        note(u"askOkCancel"_s, text);
        return take(okCancelAnswers, Cancel);
    }
    int confirmMove(const QString &text) override
    {
        note(u"confirmMove"_s, text);
        return take(moveAnswers, Cancel);
    }
    void notify(const QString &text) override { note(u"notify"_s, text); }
    std::optional<QString> chooseFolder(const QString &start, int) override
    {
        note(u"chooseFolder"_s, start);
        return folderAnswers.isEmpty() ? std::nullopt : folderAnswers.takeFirst();
    }
    int chooseKeyword(const QString &fileName, const QStringList &candidates, int *selected) override
    {
        note(u"chooseKeyword"_s, fileName + u": "_s + candidates.join(u'|'));
        if (!keywordSelections.isEmpty())
            *selected = keywordSelections.takeFirst();
        return take(keywordAnswers, 2);
    }
    QString inputBox(const QString &, const QString &prompt, const QString &defaultText) override
    {
        note(u"inputBox"_s, prompt);
        return inputAnswers.isEmpty() ? defaultText : inputAnswers.takeFirst();
    }

    QStringList askedOf(const QString &kind) const
    {
        QStringList result;
        for (const QString &entry : asked) {
            if (entry.startsWith(kind + u": "_s))
                result.append(entry.mid(kind.size() + 2));
        }
        return result;
    }

private:
    void note(const QString &kind, const QString &text)
    {
        asked.append(kind + u": "_s + text);
        if (onQuestion)
            onQuestion(kind);
    }
    static int take(QList<int> &queue, int whenEmpty) { return queue.isEmpty() ? whenEmpty : queue.takeFirst(); }
};
