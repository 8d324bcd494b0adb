#pragma once

#include "helpfiles.h"

#include <QIcon>
#include <QList>
#include <QTreeWidget>

#include <functional>

// The help tree: shows the table of contents, the keyword index or the pages found by a search,
// opens the page of a double-clicked entry in the browser, and answers the program's help requests.
class HelpTree : public QTreeWidget
{
    Q_OBJECT

public:
    enum IconIndex { BookShut = 0, BookOpen = 1, Page = 2 };

    explicit HelpTree(QWidget *parent = nullptr);

    /// "Help" means the program's help folder; another relative name lies beside the executable,
    /// an absolute one is taken as it is. helpFolder() is its subfolder for the program's language when
    /// that holds a translation of the pages.
    void setHelpDir(const QString &dir) { m_helpDir = dir; }
    QString helpFolder() const;

    void showContents();
    /// Throws MarrowdaleError when the index cannot be read; the tree is then empty.
    void showIndex();
    /// The pages whose text holds `text`, as the Find tab lists them.
    void showPagesContaining(const QString &text);
    /// Selects the last shown entry whose title holds `text`.
    void selectIndexEntry(const QString &text);
    /// The page mapped to a help context, in the browser.
    void openPageForContext(int context);

    /// Shows a page (a file, "#anchor" allowed) in the program's help viewer.
    static void openInBrowser(const QString &path);
    /// Replaces the browser (an empty function restores the desktop's); for tests.
    static void setBrowser(std::function<void(const QString &path)> browser);

    /// The page file of an entry, empty for a heading.
    static QString pageOf(const QTreeWidgetItem *item);
    /// Every entry in display order, with its depth.
    QList<HelpEntry> shownEntries() const;

    const QList<QIcon> &icons() const { return m_icons; }
    /// True while the tree draws lines and expand buttons in place of missing icons.
    bool showsLines() const { return m_showLines; }

protected:
    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openEntry(QTreeWidgetItem *item);
    void loadIcons();
    /// A help folder without a table of contents gets one from what the tree shows.
    void saveShownContentsIfMissing();
    void fillList(const QList<HelpEntry> &entries);
    void applyIcons();
    void setChapterIcon(QTreeWidgetItem *item);
    void drawLines(QPainter *painter, const QRect &rect, const QModelIndex &index) const;

    QString m_helpDir;
    QList<QIcon> m_icons;
    bool m_showLines = false;
};
