#pragma once

#include <QDialog>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class THelpTreeView;

// The help window: contents, index and full-text search over one help tree.
class THelpSearch : public QDialog
{
    Q_OBJECT

public:
    explicit THelpSearch(QWidget *parent = nullptr);

    /// From the main window: on the contents tab, not modal; an open window comes to the front.
    void showContents();
    /// From the option dialog: modal over `parent`, unless the window is already open, which then
    /// comes to the front on its contents tab.
    void showContentsModal(QWidget *parent);

    THelpTreeView *helpTreeView() const { return m_helpTreeView; }
    QTabBar *tabBar() const { return m_tabBar; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();
    void TabControlChange();
    void edSearchKeyUp(QKeyEvent *event);
    void btnSearchClick();
    void bringToFrontOnContents();

    QWidget *m_tabControl = nullptr;
    QTabBar *m_tabBar = nullptr;
    QLineEdit *m_edSearch = nullptr;
    QPushButton *m_btnSearch = nullptr;
    QLabel *m_lblPrompt = nullptr;
    THelpTreeView *m_helpTreeView = nullptr;
};
