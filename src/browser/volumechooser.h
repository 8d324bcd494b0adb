#pragma once

#include <QComboBox>
#include <QHash>

// The volumes a user browses: "/", the home folder and mounted removable or network volumes.
class VolumeChooser : public QComboBox
{
    Q_OBJECT
public:
    explicit VolumeChooser(QWidget *parent = nullptr);

    /// Reads the mounted volumes again.
    void refreshVolumes();

    /// Shows the volume that holds the folder and remembers the folder as that volume's last one.
    void followFolder(const QString &folder);

    /// The folder to show when the user picks the volume at `index`: its last shown folder, or its root.
    QString folderFor(int index) const;

private:
    QString volumeOf(const QString &folder) const;

    QHash<QString, QString> m_lastFolder;
};
