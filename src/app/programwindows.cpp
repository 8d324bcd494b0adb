#include "programwindows.h"

#include "mainwindow.h"

#include "dialogs/keywordchoicedialog.h"
#include "dialogs/messagedialog.h"
#include "dialogs/optionsdialog.h"
#include "dialogs/waitwindow.h"
#include "help/helpkeyfilter.h"
#include "help/helpwindow.h"

#include <QApplication>

ProgramWindows ProgramWindows::create()
{
    ProgramWindows w;
    w.main = new MainWindow;
    w.keywordChoiceDialog = new KeywordChoiceDialog(w.main);
    w.helpWindow = new HelpWindow;
    w.waitWindow = new WaitWindow(w.main);
    w.optionsDialog = new OptionsDialog(w.main);
    w.messageDialog = new MessageDialog(w.main);
    w.optionsDialog->setMessageDialog(w.messageDialog);
    HelpWindow *help = w.helpWindow;
    OptionsDialog *options = w.optionsDialog;
    w.optionsDialog->setHelpHook([help, options] { help->showContentsModal(options); });
    // F1 in every window but the main one asks the help tree for that window's page.
    HelpKeyFilter::install(qApp, w.helpWindow);
    w.main->attachWindows(w.keywordChoiceDialog, w.helpWindow, w.waitWindow, w.optionsDialog, w.messageDialog);
    return w;
}

void ProgramWindows::destroy()
{
    delete helpWindow;
    delete main; // owns the dialogs
    *this = {};
}
