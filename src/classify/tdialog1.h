#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

// Asks which of several matching destinations a file goes to.
class TDialog1 : public QDialog
{
    Q_OBJECT

public:
    enum Answer { Select = 1, Neither = 2, Abort = 3 };

    explicit TDialog1(QWidget *parent = nullptr);

    /// Shows the candidates for `fileName` modally. 1 Select (with *selected set to the chosen row),
    /// 2 Neither of them (also Esc and the close box), 3 Abort. *selected is -1 unless the answer is 1.
    int choose(const QString &fileName, const QStringList &candidates, int *selected);

    int selectedRow() const;

public Q_SLOTS:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void readLanguageFile();
    void Button1Click();
    void ListBoxDblClick();

    QLabel *m_label1 = nullptr;
    QListWidget *m_listBox = nullptr;
    QPushButton *m_button1 = nullptr;
    QPushButton *m_button2 = nullptr;
    QPushButton *m_button4 = nullptr;
    QPushButton *m_button3 = nullptr;
};
