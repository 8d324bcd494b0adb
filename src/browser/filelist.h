#pragma once

#include <QListWidget>

// The files of the source folder: not folders, not hidden files, sorted by name, several selectable.
class FileList : public QListWidget
{
    Q_OBJECT
public:
    explicit FileList(QWidget *parent = nullptr);

    QString folder() const { return m_folder; }
    void setFolder(const QString &folder);

    /// Lists the folder again; the files that were selected and focused stay so.
    void reread();

    /// Full paths of every listed file, in list order.
    QStringList filePaths() const;

    /// The focused item's path when it is selected, else the empty text.
    QString currentFilePath() const;

    /// The full path of a listed name.
    QString pathOf(const QString &name) const;

Q_SIGNALS:
    void keyReleased(int key);

protected:
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    QString m_folder;
};
