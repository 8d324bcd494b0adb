#pragma once

#include <QElapsedTimer>

#include "languagetable.h"

#include <QWidget>

class QLabel;
class QProgressBar;

// Modeless notice shown while the classification creates missing destination folders.
class WaitWindow : public QWidget
{
    Q_OBJECT

public:
    explicit WaitWindow(QWidget *parent = nullptr);

    void setPosition(int percent);
    /// Shows the window with its texts from the language file.
    void showIfHidden();
    /// Paints at once: the caller does not return to the event loop while it works.
    void repaintNow();
    void closeIfVisible();

private:
    QLabel *m_notice = nullptr;
    QProgressBar *m_progressBar = nullptr;
    LanguageTable m_language;
    QElapsedTimer m_sincePaint; ///< since the last repaintNow() that painted
};
