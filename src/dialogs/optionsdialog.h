#pragma once

#include "languagetable.h"
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
class MessageDialog;
class ThresholdSpinBox;

// Home of the four options while the program runs: the controls hold them, every change is in force
// at once, and the caller reads them at the moment of use.
class OptionsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit OptionsDialog(QWidget *parent = nullptr);

    /// The box that shows the notice after a folder was chosen; when none is set, the one beside
    /// this dialog under the same parent.
    void setMessageDialog(MessageDialog *dialog);

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
    bool pageFacts() const;
    void setPageFacts(bool on);
    Options options() const;

    /// Text 1, 2 or 3 as last read (defaults until the dialog is shown with a language file).
    QString text(int n) const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    /// Every show: the texts from the language file, or the English ones, and the Sift row laid out anew.
    void refreshTexts();
    void applyLanguage();
    void reflowSentence();
    /// "... 1/<threshold>, ..." from texts 1 and 2 around the threshold as it stands.
    void updateThresholdSentence();
    void enableThreshold();
    void chooseRootFolder();
    void showHelp();
    MessageDialog *messageDialog();

    QLabel *m_rootFolderLabel = nullptr;
    QLineEdit *m_rootFolderEdit = nullptr;
    QToolButton *m_chooseFolderButton = nullptr;
    QCheckBox *m_siftCheck = nullptr;
    QLabel *m_siftLabel = nullptr;
    ThresholdSpinBox *m_thresholdBox = nullptr;
    QLabel *m_thresholdLabel = nullptr;
    QCheckBox *m_confirmCheck = nullptr;
    QCheckBox *m_pageFactsCheck = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_helpButton = nullptr;

    std::array<QString, 4> m_texts; // 1..3 used
    LanguageTable m_language;
    QPointer<MessageDialog> m_messageDialog;
    std::function<void()> m_helpHook;
};
