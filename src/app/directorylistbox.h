#pragma once

#include <QListWidget>

// The folder list: the chain of folders from the root down to the current one, then its subfolders.
class DirectoryListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit DirectoryListBox(QWidget *parent = nullptr);

    QString directory() const { return m_directory; }

    /// Moves to an existing folder; throws MarrowdaleError for one that does not exist.
    void setDirectory(const QString &folder);

Q_SIGNALS:
    void directoryChanged(const QString &folder);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openItem(QListWidgetItem *item);
    void fill();

    QString m_directory;
};
