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

    friend bool operator==(const LoggedMove &, const LoggedMove &) = default;
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

    /// The main window's progress bar under the keyword list caption.
    virtual void setProgressVisible(bool visible) = 0;
    virtual void setProgress(int percent) = 0;

    /// The wait window shown while destination folders are created.
    virtual void showWait(int percent) = 0;
    virtual void hideWait() = 0;
};
