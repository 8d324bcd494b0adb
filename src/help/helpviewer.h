#pragma once

#include "dialogs/languagetable.h"

#include <QWidget>

class QPushButton;
class QTextBrowser;

// The help pages, shown by the program itself: links and anchors within them, back and forward, and
// the page in the desktop's browser only when the user asks for it.
class HelpViewer : public QWidget
{
    Q_OBJECT

public:
    explicit HelpViewer(QWidget *parent = nullptr);

    /// Shows the page (a file, with "#anchor" or not) and brings the window to the front.
    void showPage(const QString &path);
    /// Takes the texts of the language file, if there is one.
    void applyLanguage();

    QTextBrowser *browser() const { return m_browser; }

private:
    QTextBrowser *m_browser = nullptr;
    QPushButton *m_backButton = nullptr;
    QPushButton *m_forwardButton = nullptr;
    QPushButton *m_externalButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    LanguageTable m_language;
    QString m_caption; ///< the window's own title, after the page's
};
