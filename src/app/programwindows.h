#pragma once

class TMain;
class TDialog1;
class THelpSearch;
class TWait;
class TOptionDialog;
class TMyMessageDlg;

// The six windows of one run, each created once, in this order.
struct ProgramWindows
{
    TMain *main = nullptr;
    TDialog1 *dialog1 = nullptr;
    THelpSearch *helpSearch = nullptr;
    TWait *wait = nullptr;
    TOptionDialog *optionDialog = nullptr;
    TMyMessageDlg *myMessageDlg = nullptr;

    static ProgramWindows create();
    void destroy();
};
