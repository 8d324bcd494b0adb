#include "volumechooser.h"

#include <QDir>
#include <QSignalBlocker>
#include <QStorageInfo>

using namespace Qt::StringLiterals;

namespace {

bool isUserVolume(const QStorageInfo &volume)
{
    if (!volume.isValid() || !volume.isReady())
        return false;
    const QString root = volume.rootPath();
    if (root.startsWith(u"/media/"_s) || root.startsWith(u"/run/media/"_s) || root.startsWith(u"/mnt/"_s))
        return true;
    const QByteArray type = volume.fileSystemType();
    return type.startsWith("nfs") || type == "cifs" || type.startsWith("smb") || type == "fuse.sshfs";
}

} // namespace

VolumeChooser::VolumeChooser(QWidget *parent)
    : QComboBox(parent)
{
    refreshVolumes();
}

void VolumeChooser::refreshVolumes()
{
    const QSignalBlocker blocker(this);
    const QString current = currentData().toString();
    clear();
    addItem(u"/"_s, u"/"_s);
    addItem(QDir::homePath(), QDir::homePath());
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!isUserVolume(volume))
            continue;
        const QString name = volume.displayName();
        const QString root = volume.rootPath();
        addItem(name == root ? root : u"%1 (%2)"_s.arg(name, root), root);
    }
    const int index = findData(current);
    setCurrentIndex(index >= 0 ? index : 0);
}

QString VolumeChooser::volumeOf(const QString &folder) const
{
    QString best;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        const bool inside = root == u"/"_s || folder == root || folder.startsWith(root + u'/');
        if (inside && root.size() > best.size())
            best = root;
    }
    return best;
}

void VolumeChooser::followFolder(const QString &folder)
{
    const QString volume = volumeOf(folder);
    m_lastFolder.insert(volume, folder);
    const QSignalBlocker blocker(this);
    setCurrentIndex(findData(volume));
}

QString VolumeChooser::folderFor(int index) const
{
    const QString root = itemData(index).toString();
    return m_lastFolder.value(root, root);
}
