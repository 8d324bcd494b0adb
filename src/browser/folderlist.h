#pragma once

#include <QListWidget>

// The folder list: the chain of folders from the root down to the current one, then its subfolders.
class FolderList : public QListWidget
{
    Q_OBJECT
public:
    explicit FolderList(QWidget *parent = nullptr);

    QString folder() const { return m_folder; }

    /// Moves to an existing folder; throws MarrowdaleError for one that does not exist.
    void setFolder(const QString &folder);

    /// Lists the folder's subfolders again; when the folder itself has gone, moves to the nearest
    /// folder above it that is still there.
    void reread();

Q_SIGNALS:
    void folderChanged(const QString &folder);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openItem(QListWidgetItem *item);
    void fill();

    QString m_folder;
};
