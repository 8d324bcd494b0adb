#include "tmain.h"

#include "dialogs/handlerguard.h"
#include "editing/editpopupmenu.h"
#include "editing/findreplacecommands.h"
#include "editing/patternfilecommands.h"
#include "filecmds/filelistcommands.h"

#include <QPushButton>

void TMain::attachCommands()
{
    m_patternFileCommands = new PatternFileCommands(this);
    m_findReplaceCommands = new FindReplaceCommands(this);
    m_editPopupMenu = new EditPopupMenu(m_keyWordList, this);
    m_fileListCommands = new FileListCommands(this);

    connect(m_btnNew, &QPushButton::clicked, this, guarded(this, [this] { m_patternFileCommands->btnNewClick(); }));
    connect(m_btnLoad, &QPushButton::clicked, this, guarded(this, [this] { m_patternFileCommands->btnLoadClick(); }));
    connect(m_btnReplace, &QPushButton::clicked, this,
            guarded(this, [this] { m_findReplaceCommands->btnReplaceClick(); }));
    connect(m_editPopupMenu, &EditPopupMenu::replaceRequested, this,
            guarded(this, [this] { m_findReplaceCommands->btnReplaceClick(); }));

    connect(this, &TMain::languageRead, this, [this](const LanguageFile &lng) {
        m_editPopupMenu->readCaptions(lng);
        m_fileListCommands->readCaptions(lng);
    });
    connect(this, &TMain::firstShowDone, this, [this] { m_fileListCommands->resetLastClickedIndex(); });
    connect(this, &TMain::moveCommandDone, this, [this] { m_fileListCommands->resetLastClickedIndex(); });
}
