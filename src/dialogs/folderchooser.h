#pragma once

#include "languagetable.h"
#include "messagetable.h"

#include <QDialog>
#include <QSortFilterProxyModel>
#include <QMessageBox>
#include <QString>

#include <optional>

class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTreeView;

// The program's one folder chooser: starts at a given folder, and lets the user type the name or the
// path of a folder that does not exist yet, which it creates (with its parents) after asking.
// The folders of the file system without the companion folders of pages ("x_files", "x.files").
class WithoutCompanionFolders : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override;
};

class FolderChooser : public QDialog
{
    Q_OBJECT

public:
    /// The chosen folder, without a trailing "/" (except "/" itself), or nothing when cancelled.
    static std::optional<QString> choose(QWidget *parent, const QString &startFolder, int helpContext);

    FolderChooser(QWidget *parent, const QString &startFolder, int helpContext);

    QString chosenFolder() const { return m_chosen; }

    /// What the typed text names: a path as it stands, a name inside the folder selected in the tree.
    QString typedFolder() const;

public Q_SLOTS:
    void accept() override;

private:
    /// A box over the chooser: the button that ended it.
    QMessageBox::StandardButton ask(QMessageBox::Icon icon, const QString &text, QMessageBox::StandardButtons buttons);
    void goTo(const QString &folder);
    void showCurrentFolder();

    QFileSystemModel *m_model = nullptr;
    WithoutCompanionFolders *m_folders = nullptr;
    QTreeView *m_tree = nullptr;
    QLineEdit *m_folderEdit = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_helpButton = nullptr;
    MessageTable m_messages;
    LanguageTable m_language; ///< English where the language file has no text
    QString m_startFolder;
    QString m_chosen;
};
