#include "folderchooser.h"

#include "apppaths.h"
#include "helpcontext.h"
#include "programfonts.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

std::optional<QString> FolderChooser::choose(QWidget *parent, const QString &startFolder, int helpContext)
{
    FolderChooser chooser(parent, startFolder, helpContext);
    if (chooser.exec() != QDialog::Accepted)
        return std::nullopt;
    return chooser.chosenFolder();
}

FolderChooser::FolderChooser(QWidget *parent, const QString &startFolder, int helpContext)
    : QDialog(parent)
{
    setObjectName(u"FolderChooser"_s);
    setWindowTitle(u"Select a folder"_s);
    setFont(ProgramFonts::proportional(12));
    HelpContext::set(this, helpContext);
    resize(440, 420);

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    m_model->setReadOnly(true);
    m_model->setRootPath(QDir::rootPath());

    m_tree = new QTreeView(this);
    m_tree->setObjectName(u"tree"_s);
    m_tree->setModel(m_model);
    m_tree->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->setUniformRowHeights(true);

    auto *label = new QLabel(u"&Folder:"_s, this);
    m_edFolder = new QLineEdit(this);
    m_edFolder->setObjectName(u"edFolder"_s);
    label->setBuddy(m_edFolder);

    m_btnOK = new QPushButton(u"&OK"_s, this);
    m_btnOK->setObjectName(u"btnOK"_s);
    m_btnOK->setDefault(true);
    m_btnCancel = new QPushButton(u"&Cancel"_s, this);
    m_btnCancel->setObjectName(u"btnCancel"_s);
    m_btnHelp = new QPushButton(u"&Help"_s, this);
    m_btnHelp->setObjectName(u"btnHelp"_s);
    connect(m_btnOK, &QPushButton::clicked, this, &FolderChooser::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &FolderChooser::reject);
    connect(m_btnHelp, &QPushButton::clicked, this, [this] { HelpContext::request(HelpContext::of(this)); });

    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(label);
    folderRow->addWidget(m_edFolder, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnOK);
    buttons->addWidget(m_btnCancel);
    buttons->addWidget(m_btnHelp);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addLayout(folderRow);
    layout->addLayout(buttons);

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this, &FolderChooser::treeCurrentChanged);
    // The model fills in the background: scroll to the start once its folder has been read.
    connect(m_model, &QFileSystemModel::directoryLoaded, this, [this](const QString &folder) {
        const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
        if (!m_startFolder.isEmpty() && (m_startFolder + u'/').startsWith(prefix))
            m_tree->scrollTo(m_model->index(m_startFolder), QAbstractItemView::PositionAtCenter);
    });
    goTo(startFolder);
    m_edFolder->setText(startFolder.isEmpty() ? QDir::homePath() : startFolder);
    m_edFolder->setFocus();
    m_edFolder->selectAll();
}

void FolderChooser::goTo(const QString &folder)
{
    // A start folder that is gone opens at its nearest existing parent.
    QString existing = folder.isEmpty() ? QDir::homePath() : QDir::cleanPath(folder);
    while (!QFileInfo(existing).isDir() && existing != QDir::rootPath()) {
        const QString up = QFileInfo(existing).path();
        existing = up == existing ? QDir::rootPath() : up;
    }
    const QModelIndex index = m_model->index(existing);
    if (!index.isValid())
        return;
    m_startFolder = existing;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        m_tree->expand(up);
    m_tree->setCurrentIndex(index);
    m_tree->expand(index);
    m_tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void FolderChooser::treeCurrentChanged()
{
    const QModelIndex index = m_tree->currentIndex();
    if (index.isValid())
        m_edFolder->setText(m_model->filePath(index));
}

QString FolderChooser::typedFolder() const
{
    const QString typed = m_edFolder->text().trimmed();
    if (typed.isEmpty())
        return {};
    if (QDir::isAbsolutePath(typed))
        return AppPaths::withoutTrailingSlash(QDir::cleanPath(typed));
    const QModelIndex index = m_tree->currentIndex();
    const QString base = index.isValid() ? m_model->filePath(index) : QDir::homePath();
    return AppPaths::withoutTrailingSlash(QDir::cleanPath(base + u'/' + typed));
}

void FolderChooser::accept()
{
    const QString folder = typedFolder();
    if (folder.isEmpty())
        return;
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        QMessageBox::warning(this, windowTitle(), u"\"%1\" is a file, not a folder."_s.arg(folder));
        return;
    }
    if (!info.exists()) {
        const auto answer
            = QMessageBox::question(this, windowTitle(), u"The folder \"%1\" does not exist. Create it?"_s.arg(folder),
                                    QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer != QMessageBox::Yes)
            return;
        if (!QDir().mkpath(folder)) {
            QMessageBox::warning(this, windowTitle(), u"The folder \"%1\" could not be created."_s.arg(folder));
            return;
        }
    }
    m_chosen = folder;
    QDialog::accept();
}
