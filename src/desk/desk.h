#pragma once

#include "classifypass.h"
#include "classifypreview.h"
#include "fileops.h"
#include "movehistory.h"
#include "movejournal.h"
#include "options.h"
#include "pagefactscache.h"
#include "programstate.h"
#include "settings.h"

#include <QString>
#include <QStringList>

#include <functional>

class UserPrompts;

// The document of one run: what the window and the command line share and do alike, without a widget.
// It holds the program's state (settings, the pattern file and its keyword table, the journal) and does
// the work of their commands; a view shows it and asks the user (DeskView for the window, a quiet one for
// the command line). The keyword list's text is the view's: the desk is handed it when it needs it.
class Desk
{
public:
    /// `journalPath` is where moves are recorded (the default place when empty).
    explicit Desk(const QString &journalPath = {});

    ProgramState &state() { return m_state; }
    const ProgramState &state() const { return m_state; }
    /// Opened at the first use: a run that moves nothing (a dry run) leaves no journal behind.
    MoveJournal &journal();
    /// The facts of pages read so far (titles, addresses), kept between runs in the cache folder.
    PageFactsCache &pageFacts() { return m_pageFacts; }
    /// How pages' facts take part as the options say; `namesOnly` leaves them out for one run.
    PageFactsUse pageFactsUse(bool namesOnly = false)
    {
        return namesOnly ? PageFactsUse {} : PageFactsUse {&m_pageFacts, options().pageFacts};
    }

    /// Whom the desk's work asks; the view sets it.
    void setPrompts(UserPrompts *prompts) { m_prompts = prompts; }
    UserPrompts &prompts() const { return *m_prompts; }

    /// The four options at the moment of use: those the source gives (the option dialog), else the fixed ones.
    void setOptionsSource(std::function<Options()> source) { m_optionsSource = std::move(source); }
    void setOptions(const Options &options) { m_options = options; }
    Options options() const { return m_optionsSource ? m_optionsSource() : m_options; }

    /// Whom the moves of `view` ask, with which texts, recorded where.
    MoveContext moveContext(MainView &view);

    // ---- Settings and the keyword list ----

    /// The settings file read as the window's first show reads it (`formOptions`: the option dialog's
    /// values before the read); the current destination and the pattern file are taken over.
    StartupSettings readSettings(const Options &formOptions);
    /// The close: the settings file written with `sourceFolder` and the options.
    void writeSettings(const QString &sourceFolder, const QRect &window = {});

    /// Reads the current pattern file; the list's text ("\n" breaks). Throws MarrowdaleError naming the file.
    QString loadList();
    /// Reads another pattern file, which becomes the current one.
    QString loadList(const QString &path);
    /// Parses the list into the table; a bad count trailer throws, the lines before it staying parsed.
    void parseList(const QString &text);
    /// The list with the counters written into its lines, Sift applied, sorted; lines retired are kept in
    /// the retired-lines file beside the pattern file. The first run's counting afresh ends here.
    QString rewriteList(const QString &text);
    /// The close's save of the list; throws when a changed list cannot be written.
    void saveListAtClose(const QString &text);
    /// The command line's: the list written back with its counters unless the file changed since it was
    /// read (then nothing is written and false returned). Throws MarrowdaleError when it cannot be written.
    bool writeCountersBack(const QString &text);

    // ---- The journal ----

    /// Finishes or explains what an interrupted run left half-moved; the text to show, empty when nothing.
    QString settleJournal();

    // ---- Passes ----

    /// Classify over the files, in order; what it did.
    PassSummary classify(const QStringList &files, MainView &view);
    /// What Classify would do with the files; with `sourceFolder`, suggestions for the files without a
    /// keyword (and for those with several) too.
    QList<PreviewRow> preview(const QStringList &files, const QString &sourceFolder = {});
    /// Suggestions learned from the pages filed below the parent folder, brought up to date; the files of
    /// `sourceFolder` are not filed yet and take no part.
    const Suggester &suggester(const QString &sourceFolder);
    /// How many of the files have a suggested folder.
    int suggestedCount(const QStringList &files, const QString &sourceFolder);
    /// Files the file into the suggested folder as Classify does (logged and undoable), then offers a
    /// keyword line drawn from the suggestion; true when the file moved.
    bool fileAsSuggested(const QString &file, const Suggestion &suggestion, MainView &view);
    /// Move / Send into the folder; the names of the files that stayed.
    QStringList moveFiles(const QStringList &files, const QString &folder, MainView &view);
    /// Undo of one line of the log; true when the file came back.
    bool undoMove(const LoggedMove &move, const QString &currentFolder, MainView &view);
    /// How many moves of the pass the journal's move belongs to are still in place; -1 when the journal has
    /// no such move.
    int movesToTakeBack(const QString &moveId);
    /// Undo of every move of the pass the journal's move belongs to; none when the journal has no such move.
    std::optional<UndoReport> undoPassOf(const QString &moveId, MainView &view);

private:
    ProgramState m_state;
    QString m_journalPath;
    std::optional<MoveJournal> m_journal;
    PageFactsCache m_pageFacts;
    std::optional<Suggester> m_suggester;
    UserPrompts *m_prompts = nullptr;
    std::function<Options()> m_optionsSource;
    Options m_options;
};
