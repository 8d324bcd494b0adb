#include "folderchooser.h"

#include "apppaths.h"
#include "boxtexts.h"
#include "helpcontext.h"
#include "programfonts.h"
#include "programlanguage.h"
#include "programtext.h"

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

bool WithoutCompanionFolders::filterAcceptsRow(int row, const QModelIndex &parent) const
{
    // A page's companion folder travels with its page: no destination of its own.
    const QString name = sourceModel()->index(row, 0, parent).data(QFileSystemModel::FileNameRole).toString();
    return name.size() <= 6
        || !(name.endsWith(u"_files"_s, Qt::CaseInsensitive) || name.endsWith(u".files"_s, Qt::CaseInsensitive));
}

FolderChooser::FolderChooser(QWidget *parent, const QString &startFolder, int helpContext)
    : QDialog(parent)
    , m_messages(ProgramLanguage::messages())
    , m_language(u"FolderChooser"_s, LanguageTable::MissingKeys::English)
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

    m_folders = new WithoutCompanionFolders(this);
    m_folders->setSourceModel(m_model);
    m_tree = new QTreeView(this);
    m_tree->setObjectName(u"tree"_s);
    m_tree->setModel(m_folders);
    m_tree->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->setUniformRowHeights(true);

    auto *label = new QLabel(u"&Folder:"_s, this);
    m_folderEdit = new QLineEdit(this);
    m_folderEdit->setObjectName(u"folderEdit"_s);
    label->setBuddy(m_folderEdit);

    m_okButton = new QPushButton(u"&OK"_s, this);
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(u"&Cancel"_s, this);
    m_helpButton = new QPushButton(u"&Help"_s, this);
    m_language.windowTitle(this)
        .caption(u"folderLabel"_s, label)
        .caption(u"okButton"_s, m_okButton)
        .caption(u"cancelButton"_s, m_cancelButton)
        .caption(u"helpButton"_s, m_helpButton);
    m_language.applyProgramLanguage();
    connect(m_okButton, &QPushButton::clicked, this, &FolderChooser::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &FolderChooser::reject);
    connect(m_helpButton, &QPushButton::clicked, this, [this] { HelpContext::request(HelpContext::of(this)); });

    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(label);
    folderRow->addWidget(m_folderEdit, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_helpButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addLayout(folderRow);
    layout->addLayout(buttons);

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this, &FolderChooser::showCurrentFolder);
    // The model fills in the background: scroll to the start once its folder has been read.
    connect(m_model, &QFileSystemModel::directoryLoaded, this, [this](const QString &folder) {
        const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
        if (!m_startFolder.isEmpty() && (m_startFolder + u'/').startsWith(prefix))
            m_tree->scrollTo(m_folders->mapFromSource(m_model->index(m_startFolder)), QAbstractItemView::PositionAtCenter);
    });
    goTo(startFolder);
    m_folderEdit->setText(startFolder.isEmpty() ? QDir::homePath() : startFolder);
    m_folderEdit->setFocus();
    m_folderEdit->selectAll();
}

QMessageBox::StandardButton FolderChooser::ask(QMessageBox::Icon icon, const QString &text,
                                               QMessageBox::StandardButtons buttons)
{
    return BoxTexts::ask(this, icon, windowTitle(), text, buttons,
                         buttons & QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::NoButton);
}

void FolderChooser::goTo(const QString &folder)
{
    // A start folder that is gone opens at its nearest existing parent.
    QString existing = folder.isEmpty() ? QDir::homePath() : QDir::cleanPath(folder);
    while (!QFileInfo(existing).isDir() && existing != QDir::rootPath()) {
        const QString up = QFileInfo(existing).path();
        existing = up == existing ? QDir::rootPath() : up;
    }
    const QModelIndex index = m_folders->mapFromSource(m_model->index(existing));
    if (!index.isValid())
        return;
    m_startFolder = existing;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        m_tree->expand(up);
    m_tree->setCurrentIndex(index);
    m_tree->expand(index);
    m_tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void FolderChooser::showCurrentFolder()
{
    const QModelIndex index = m_tree->currentIndex();
    if (index.isValid())
        m_folderEdit->setText(m_model->filePath(m_folders->mapToSource(index)));
}

QString FolderChooser::typedFolder() const
{
    const QString typed = m_folderEdit->text().trimmed();
    if (typed.isEmpty())
        return {};
    if (QDir::isAbsolutePath(typed))
        return AppPaths::withoutTrailingSlash(QDir::cleanPath(typed));
    const QModelIndex index = m_tree->currentIndex();
    const QString base = index.isValid() ? m_model->filePath(m_folders->mapToSource(index)) : QDir::homePath();
    return AppPaths::withoutTrailingSlash(QDir::cleanPath(base + u'/' + typed));
}

void FolderChooser::accept()
{
    const QString folder = typedFolder();
    if (folder.isEmpty())
        return;
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        ask(QMessageBox::Warning, ProgramText(Message::FolderIsAFile, {folder}).in(m_messages), QMessageBox::Ok);
        return;
    }
    if (!info.exists()) {
        const QString question = ProgramText(Message::CreateFolder, {folder}).in(m_messages);
        if (ask(QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
            return;
        if (!QDir().mkpath(folder)) {
            ask(QMessageBox::Warning, ProgramText(Message::FolderNotCreated, {folder}).in(m_messages), QMessageBox::Ok);
            return;
        }
    }
    m_chosen = folder;
    QDialog::accept();
}
