#pragma once

#include "dialogs/languagetable.h"

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

// Asks which of several matching destinations a file goes to.
class KeywordChoiceDialog : public QDialog
{
    Q_OBJECT

public:
    enum Answer { Select = 1, Neither = 2, Abort = 3 };

    explicit KeywordChoiceDialog(QWidget *parent = nullptr);

    /// Shows the candidates for `fileName` modally, the first one selected. 1 Select (with *selected set
    /// to the chosen row), 2 Neither of them (also Esc and the close box), 3 Abort. *selected is -1
    /// unless the answer is 1.
    int choose(const QString &fileName, const QStringList &candidates, int *selected);

    int selectedRow() const;

public Q_SLOTS:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void applyLanguage();
    /// Select, Enter and a double click: the pass needs a chosen entry, so without one the dialog stays.
    void selectChosenRow();

    QLabel *m_question = nullptr;
    QListWidget *m_destinations = nullptr;
    QPushButton *m_selectButton = nullptr;
    QPushButton *m_neitherButton = nullptr;
    QPushButton *m_abortButton = nullptr;
    QPushButton *m_helpButton = nullptr;
    LanguageTable m_language;
};
