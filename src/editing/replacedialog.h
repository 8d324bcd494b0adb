#pragma once

#include "dialogs/languagetable.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The modeless find-and-replace dialog of the keyword list. Searching runs downwards only and never
// by whole words, so those choices are shown but fixed. Texts and match case stay between uses.
class ReplaceDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ReplaceDialog(QWidget *parent = nullptr);

    QString findText() const;
    QString replaceText() const;
    bool matchCase() const;

    void setFindText(const QString &text);
    void setReplaceText(const QString &text);
    void setMatchCase(bool on);

    QPushButton *findNextButton() const { return m_findNext; }
    QPushButton *replaceButton() const { return m_replace; }
    QPushButton *replaceAllButton() const { return m_replaceAll; }

    /// Shows the dialog in the language of the language file, or raises it when it is already open.
    void showDialog();

Q_SIGNALS:
    void findNext();
    void replace();
    void replaceAll();

private:
    void updateButtons();

    QLineEdit *m_findEdit = nullptr;
    QLineEdit *m_replaceEdit = nullptr;
    QCheckBox *m_wholeWord = nullptr;
    QCheckBox *m_matchCase = nullptr;
    QRadioButton *m_up = nullptr;
    QRadioButton *m_down = nullptr;
    QPushButton *m_findNext = nullptr;
    QPushButton *m_replace = nullptr;
    QPushButton *m_replaceAll = nullptr;
    QPushButton *m_cancel = nullptr;
    LanguageTable m_language;
};
