#pragma once

#include <QString>

// What the core's commands change in the main window besides asking questions.
class MainView
{
public:
    virtual ~MainView() = default;

    /// One line of the classification log, for the file of that name (kept for Undo: on this platform a
    /// name may itself hold "->" or end in blanks, so the line alone does not give it back).
    virtual void appendLog(const QString &line, const QString &fileName) = 0;
    virtual void refreshFileList() = 0;
    virtual void appendKeywordLine(const QString &line) = 0;

    /// The main window's progress bar under the keyword list caption.
    virtual void setProgressVisible(bool visible) = 0;
    virtual void setProgress(int percent) = 0;

    /// The wait window shown while destination folders are created.
    virtual void showWait(int percent) = 0;
    virtual void hideWait() = 0;
};
