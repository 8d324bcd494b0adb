#include "programwindows.h"

#include "tmain.h"

#include "classify/tdialog1.h"
#include "dialogs/tmymessagedlg.h"
#include "dialogs/toptiondialog.h"
#include "dialogs/twait.h"
#include "help/helpkeyfilter.h"
#include "help/thelpsearch.h"

#include <QApplication>

ProgramWindows ProgramWindows::create()
{
    ProgramWindows w;
    w.main = new TMain;
    w.dialog1 = new TDialog1(w.main);
    w.helpSearch = new THelpSearch;
    w.wait = new TWait(w.main);
    w.optionDialog = new TOptionDialog(w.main);
    w.myMessageDlg = new TMyMessageDlg(w.main);
    w.optionDialog->setMessageDialog(w.myMessageDlg);
    THelpSearch *help = w.helpSearch;
    TOptionDialog *options = w.optionDialog;
    w.optionDialog->setHelpHook([help, options] { help->showContentsModal(options); });
    // F1 in every window but the main one asks the help tree for that window's page.
    HelpKeyFilter::install(qApp, w.helpSearch);
    w.main->attachWindows(w.dialog1, w.helpSearch, w.wait, w.optionDialog, w.myMessageDlg);
    return w;
}

void ProgramWindows::destroy()
{
    delete helpSearch;
    delete main; // owns the dialogs
    *this = {};
}
