#pragma once

#include <QRect>

#include <optional>

// Geometry of the main window's controls for an outer window size. Positions inside the group box are
// relative to it; everything else is relative to the window's outer frame.
struct MainLayout
{
    QRect groupBox;
    int fileListWidth = 0;
    std::optional<int> fileListHeight; ///< set only once the first show is done
    int directoryListHeight = 0;
    int buttonTop = 0; ///< Classify and Move
    QPoint panel1; ///< "Keyword and Destination" caption
    QPoint panel2; ///< "Class. Log" caption
    QRect keywordList;
    QRect log;
    QPoint panel3; ///< lower left button row
    QPoint panel4; ///< lower right button row
    QPoint progressBar;
};

// Fixed geometry the layout relies on.
namespace MainGeometry {
constexpr int groupBoxTop = 15;
constexpr int driveLeft = 16, driveTop = 21, driveWidth = 129;
constexpr int directoryLeft = 16, directoryTop = 45, directoryWidth = 217;
constexpr int fileListLeft = 248, fileListTop = 23, fileListInitialHeight = 186;
constexpr int button1Left = 40, button2Left = 152, buttonWidth = 100, buttonHeight = 24;
constexpr int panel1Width = 145, panel2Width = 89, captionPanelHeight = 22;
constexpr int panel3Width = 345, panel4Width = 353, rowPanelHeight = 33;
constexpr int progressWidth = 150, progressHeight = 16;
constexpr int rowButtonTop = 8, rowButtonWidth = 80, rowButtonHeight = 22;
constexpr int panel3ButtonLefts[4] = {2, 89, 177, 264};
constexpr int panel4ButtonLefts[4] = {2, 91, 181, 270};
constexpr int initialWidth = 770, initialHeight = 579;
} // namespace MainGeometry

// The resize rule for outer width w and height h.
MainLayout computeMainLayout(int w, int h, bool firstShowDone);
