#pragma once

class MainWindow;
class KeywordChoiceDialog;
class HelpWindow;
class WaitWindow;
class OptionsDialog;
class MessageDialog;

// The six windows of one run, each created once, in this order.
struct ProgramWindows
{
    MainWindow *main = nullptr;
    KeywordChoiceDialog *keywordChoiceDialog = nullptr;
    HelpWindow *helpWindow = nullptr;
    WaitWindow *waitWindow = nullptr;
    OptionsDialog *optionsDialog = nullptr;
    MessageDialog *messageDialog = nullptr;

    static ProgramWindows create();
    void destroy();
};
