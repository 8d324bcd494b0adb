#pragma once

#include "dialogs/languagetable.h"

#include <QDialog>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class HelpTree;

// The help window: contents, index and full-text search over one help tree.
class HelpWindow : public QDialog
{
    Q_OBJECT

public:
    explicit HelpWindow(QWidget *parent = nullptr);

    /// From the main window: on the contents tab, not modal; an open window comes to the front.
    void showContents();
    /// From the options dialog: modal over `parent`, on the contents tab; a window already open comes
    /// back that way too.
    void showContentsModal(QWidget *parent);

    HelpTree *tree() const { return m_tree; }
    QTabBar *tabBar() const { return m_tabBar; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyLanguage();
    /// Fills the tree for the chosen tab and sets the search controls and help context to match.
    void showCurrentTab();
    void searchIndexAsTyped(QKeyEvent *event);
    void searchPages();
    void bringToFrontOnContents();

    QWidget *m_tabArea = nullptr;
    QTabBar *m_tabBar = nullptr;
    QLineEdit *m_searchEdit = nullptr;
    QPushButton *m_searchButton = nullptr;
    QLabel *m_prompt = nullptr;
    HelpTree *m_tree = nullptr;
    LanguageTable m_language;
};
