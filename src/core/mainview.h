#pragma once

#include <QString>

// What the core's commands change in the main window besides asking questions.
class MainView
{
public:
    virtual ~MainView() = default;

    virtual void appendLog(const QString &line) = 0;
    virtual void refreshFileList() = 0;
    virtual void appendKeywordLine(const QString &line) = 0;

    /// The main window's progress bar under the keyword list caption.
    virtual void setProgressVisible(bool visible) = 0;
    virtual void setProgress(int percent) = 0;

    /// The wait window shown while destination folders are created.
    virtual void showWait(int percent) = 0;
    virtual void hideWait() = 0;
};
