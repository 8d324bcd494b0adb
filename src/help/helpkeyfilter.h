#pragma once

#include <QObject>

class QApplication;
class HelpWindow;

// F1 in every window of the program but the main window, which opens the help window itself:
// the page of the active window's help context opens in the browser.
class HelpKeyFilter : public QObject
{
    Q_OBJECT

public:
    /// Filters the whole application's keys and routes help requests to the help window's tree.
    static HelpKeyFilter *install(QApplication *app, HelpWindow *helpWindow);

    explicit HelpKeyFilter(QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
