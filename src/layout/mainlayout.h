#pragma once

#include <QRect>

#include <optional>

// Geometry of the main window's controls for an outer window size. Positions inside the source group are
// relative to it; everything else is relative to the window's outer frame.
struct MainLayout
{
    QRect sourceGroup; ///< the source folder's volume, folders and files
    int fileListWidth = 0;
    std::optional<int> fileListHeight; ///< set only once the first show is done
    int folderListHeight = 0;
    int buttonTop = 0; ///< Classify and Move
    QPoint keywordCaption; ///< "Keyword and Destination"
    QPoint logCaption; ///< "Class. Log"
    QRect keywordList;
    QRect log;
    QPoint listButtonRow; ///< under the keyword list: Replace, New List, Load, Option
    QPoint logButtonRow; ///< under the log: Undo, Explorer, Exit, Help
    QPoint progressBar;
};

// Fixed geometry the layout relies on.
namespace MainGeometry {
constexpr int sourceGroupTop = 15;
constexpr int volumeLeft = 16, volumeTop = 21, volumeWidth = 129;
constexpr int folderListLeft = 16, folderListTop = 45, folderListWidth = 217;
constexpr int fileListLeft = 248, fileListTop = 23, fileListInitialHeight = 186;
constexpr int classifyLeft = 40, moveLeft = 152, buttonWidth = 100, buttonHeight = 24;
constexpr int keywordCaptionWidth = 145, logCaptionWidth = 89, captionHeight = 22;
constexpr int listButtonRowWidth = 345, logButtonRowWidth = 353, buttonRowHeight = 33;
constexpr int progressWidth = 150, progressHeight = 16;
constexpr int rowButtonTop = 8, rowButtonWidth = 80, rowButtonHeight = 22;
constexpr int listButtonLefts[4] = {2, 89, 177, 264};
constexpr int logButtonLefts[4] = {2, 91, 181, 270};
constexpr int initialWidth = 770, initialHeight = 579;
} // namespace MainGeometry

// The resize rule for outer width w and height h.
MainLayout computeMainLayout(int w, int h, bool firstShowDone);
