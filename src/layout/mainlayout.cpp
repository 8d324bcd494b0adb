#include "mainlayout.h"

namespace {

// Rounds up to the next whole pixel; exact in integers so that 579 * 0.4 gives 232, 580 * 0.4 gives 232.
int upTimes(int x, int numerator, int denominator)
{
    const long long product = static_cast<long long>(x) * numerator;
    long long q = product / denominator;
    if (product % denominator != 0 && product > 0)
        ++q;
    return static_cast<int>(q);
}

} // namespace

MainLayout computeMainLayout(int w, int h, bool firstShowDone)
{
    using namespace MainGeometry;
    MainLayout l;
    const int groupWidth = w - 40;
    l.fileListWidth = groupWidth - fileListLeft - 20;
    const int groupHeight = upTimes(h, 2, 5);
    l.sourceGroup = QRect(20, sourceGroupTop, groupWidth, groupHeight);
    const int bottom = sourceGroupTop + groupHeight;
    l.buttonTop = bottom - 35;
    l.folderListHeight = bottom - 110;
    if (firstShowDone)
        l.fileListHeight = l.buttonTop + buttonHeight - folderListTop;
    const int captionTop = bottom + 15;
    const int listTop = captionTop + captionHeight + 10;
    const int rowTop = h - 75;
    const int listHeight = rowTop - listTop - 10;
    const int half = upTimes(w, 1, 2);
    const int listLeft = 24;
    const int listWidth = half - listLeft - 10;
    const int logLeft = half + 10;
    l.keywordList = QRect(listLeft, listTop, listWidth, listHeight);
    l.log = QRect(logLeft, listTop, listWidth, listHeight);
    l.keywordCaption = QPoint(upTimes(w, 1, 4) - upTimes(keywordCaptionWidth, 1, 2), captionTop);
    l.logCaption = QPoint(upTimes(w, 3, 4) - upTimes(logCaptionWidth, 1, 2), captionTop);
    // Centred under the list: Up(left + width / 2), with the half width exact in halves.
    l.listButtonRow = QPoint(upTimes(2 * listLeft + listWidth, 1, 2) - upTimes(listButtonRowWidth, 1, 2), rowTop);
    l.logButtonRow = QPoint(upTimes(2 * logLeft + listWidth, 1, 2) - upTimes(logButtonRowWidth, 1, 2), rowTop);
    l.progressBar = QPoint(half - upTimes(progressWidth, 1, 2), captionTop + 5);
    return l;
}
