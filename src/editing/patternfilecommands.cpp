#include "patternfilecommands.h"

#include "apppaths.h"
#include "desk.h"
#include "deskview.h"
#include "marrowdaleerror.h"
#include "patternfile.h"
#include "programlanguage.h"
#include "userprompts.h"

#include <QFileDialog>
#include <QFileInfo>

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

PatternFileCommands::PatternFileCommands(Desk &desk, DeskView &view, QWidget *window)
    : QObject(window)
    , m_desk(desk)
    , m_view(view)
    , m_window(window)
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
    ProgramState &state = m_desk.state();
    return PatternFile::saveBeforeSwitching(m_desk.prompts(), state.messages, state.patternFile,
                                            m_view.keywordListText(), state.patternFileState);
}

void PatternFileCommands::startNewList()
{
    m_desk.prompts().notify(m_desk.state().messages.text(21));
    const QString chosen = m_chooseSave(m_window, AppPaths::withoutTrailingSlash(AppPaths::configFolder()));
    if (chosen.isEmpty())
        return;
    if (!saveCurrentList())
        return;
    // The chosen file is written with whatever the list holds at the next save.
    m_view.setKeywordListText(QString());
    m_desk.state().patternFile = chosen;
    m_desk.state().patternFileState = {};
}

void PatternFileCommands::loadList()
{
    const QString chosen = m_chooseOpen(m_window, AppPaths::withoutTrailingSlash(AppPaths::configFolder()));
    if (chosen.isEmpty())
        return;
    // Read before anything changes: a file that is there but cannot be read leaves the list and the
    // current file as they are, or the close would write the empty list over it.
    std::optional<PatternFileState> loaded;
    std::optional<MarrowdaleError> missing;
    try {
        loaded = PatternFile::read(chosen);
    } catch (const MarrowdaleError &error) {
        if (QFileInfo::exists(chosen))
            throw;
        missing = error; // a new name: the next save creates it with whatever the list holds then
    }
    // A changed list that cannot be written stays unless the user lets it go.
    if (!saveCurrentList())
        return;
    ProgramState &state = m_desk.state();
    // The save may just have written the chosen file itself: the box shows what is on disk now.
    if (loaded && QFileInfo(chosen) == QFileInfo(state.patternFile))
        loaded = PatternFile::read(chosen);
    state.patternFile = chosen;
    state.patternFileState = loaded.value_or(PatternFileState {});
    m_view.setKeywordListText(loaded ? *loaded->savedText : QString());
    if (missing)
        throw *missing;
}
