#include "patternfilecommands.h"

#include "apppaths.h"
#include "patternfile.h"
#include "programlanguage.h"
#include "userprompts.h"

#include "app/mainwindow.h"

#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

// A typed name need not exist yet. The save dialog asks before it names an existing file: New List
// replaces that file's content with the new list at the next save.
QString askForFile(QWidget *parent, const QString &folder, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(PatternFileCommands::fileFilter());
    dialog.setDefaultSuffix(u"dat"_s);
    dialog.setDirectory(folder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace

PatternFileCommands::PatternFileCommands(MainWindow *main)
    : QObject(main)
    , m_main(main)
    , m_chooseSave(
          [](QWidget *parent, const QString &folder) { return askForFile(parent, folder, QFileDialog::AcceptSave); })
    , m_chooseOpen(
          [](QWidget *parent, const QString &folder) { return askForFile(parent, folder, QFileDialog::AcceptOpen); })
{ }

QString PatternFileCommands::fileFilter()
{
    return ProgramLanguage::messages().text(Message::PatternFileFilter) + u" (*.dat)"_s;
}

bool PatternFileCommands::saveCurrentList()
{
    ProgramState &state = m_main->state();
    return PatternFile::saveBeforeSwitching(m_main->prompts(), state.messages, state.patternFile,
                                            m_main->keywordListText(), state.patternFileState);
}

void PatternFileCommands::startNewList()
{
    m_main->prompts().notify(m_main->state().messages.text(21));
    const QString chosen = m_chooseSave(m_main, AppPaths::withoutTrailingSlash(AppPaths::configFolder()));
    if (chosen.isEmpty())
        return;
    if (!saveCurrentList())
        return;
    // The chosen file is written with whatever the list holds at the next save.
    m_main->keywordList()->clear();
    m_main->state().patternFile = chosen;
    m_main->state().patternFileState = {};
}

void PatternFileCommands::loadList()
{
    const QString chosen = m_chooseOpen(m_main, AppPaths::withoutTrailingSlash(AppPaths::configFolder()));
    if (chosen.isEmpty())
        return;
    // A changed list that cannot be written stays unless the user lets it go.
    if (!saveCurrentList())
        return;
    m_main->keywordList()->clear();
    ProgramState &state = m_main->state();
    state.patternFile = chosen;
    state.patternFileState = {};
    state.patternFileState = PatternFile::read(chosen);
    m_main->keywordList()->setPlainText(*state.patternFileState.savedText);
    m_main->classifyButton()->setEnabled(false);
    m_main->startParseTimer();
}
