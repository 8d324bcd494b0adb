#pragma once

#include <QString>

// One move of the classification log: the line it shows and what Undo needs. On this platform a name
// may itself hold "->" and a name or folder may end in blanks, so the line alone does not give them back.
struct LoggedMove
{
    QString line;
    QString fileName;
    QString destination; ///< the folder the file was moved into, exactly
    QString journalId; ///< the move's id in the journal; empty when it was not recorded
    QString made; ///< the topmost folder the move made on its way; empty when it made none

    friend bool operator==(const LoggedMove &, const LoggedMove &) = default;
};

// Thrown by a view from setProgress(), between two files of a pass, once the user has asked to stop
// after the current file: the pass ends there as at an Abort, with every file before it settled.
struct PassStopped
{
};

// What the core's commands change in the main window besides asking questions.
class MainView
{
public:
    virtual ~MainView() = default;

    /// One move of the classification log.
    virtual void appendMove(const LoggedMove &move) = 0;
    virtual void refreshFileList() = 0;
    virtual void appendKeywordLine(const QString &line) = 0;

    /// The main window's progress bar under the keyword list caption. setProgress() comes before each
    /// file of a pass and may throw PassStopped.
    virtual void setProgressVisible(bool visible) = 0;
    virtual void setProgress(int percent) = 0;

    /// Comes often while a pass works (after each move, after every piece of a long copy): a window
    /// repaints here now and then and hears the user, so that long work does not freeze it.
    virtual void keepAlive() { }
    /// The user asked for a long pass to stop after the move in hand.
    virtual bool stopRequested() const { return false; }

    /// The wait window shown while destination folders are created.
    virtual void showWait(int percent) = 0;
    virtual void hideWait() = 0;
};

// A view for work done without a window to show it in (the command line, a pass taken back): it shows
// nothing; a subclass picks out what it wants to hear of.
class QuietView : public MainView
{
public:
    void appendMove(const LoggedMove &) override { }
    void refreshFileList() override { }
    void appendKeywordLine(const QString &) override { }
    void setProgressVisible(bool) override { }
    void setProgress(int) override { }
    void showWait(int) override { }
    void hideWait() override { }
};
