#pragma once

#include "mainview.h"

#include <QString>

#include <functional>

// What the commands of the window need of the window that shows the desk, beyond what a move tells it:
// the keyword list the user edits, the source folder it lists, and the wait while a pass moves files.
// The command groups take the desk and this; never the window itself.
class DeskView : public MainView
{
public:
    /// The keyword list exactly as the user sees it (no-break spaces included).
    virtual QString keywordListText() const = 0;
    /// A new list in the box, as Load and New List put it there: the edit history starts afresh.
    virtual void setKeywordListText(const QString &text) = 0;
    /// Parses the list now when an edit is still waiting for its parse.
    virtual void parseNowIfEdited() = 0;
    /// Lists the source folder's subfolders and files again.
    virtual void rereadSourceFolder() = 0;
    /// Says in the window what a pass or an undo did (the log's last line).
    virtual void showSummary(const QString &text) = 0;
    /// Runs a pass of moves with the window waiting on it: it repaints, takes no input but the pass's own
    /// questions, and asks before it stops. A stop asked for ends the pass quietly between two files.
    virtual void runPass(const std::function<void()> &body) = 0;
};
