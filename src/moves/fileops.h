#pragma once

#include <QSet>
#include <QCollator>
#include <QHash>
#include <QString>
#include <QStringList>

class UserPrompts;
class MessageTable;
class MainView;
class MoveJournal;
class MovePass;
struct LoggedMove;

// What every move of the user's files needs besides its paths: whom to ask, with which texts, which
// window to tell, and where to record the move so that a crash or a later undo can find it.
struct MoveContext
{
    UserPrompts &prompts;
    const MessageTable &messages;
    MainView &view;
    MoveJournal *journal = nullptr; ///< none: the moves are not recorded
    MovePass *pass = nullptr; ///< set by MovePass for the moves made inside it
};

// One pass of moves (a Classify run, one Move/Send, one Undo): its record in the journal, the journal's
// shared lock while it runs, and at its end one notice naming the folders that could not hold the
// extended attributes or access lists of files copied into them. Inside a pass that is already open it
// adds nothing.
class MovePass
{
public:
    MovePass(const MoveContext &context, const QString &what, const QString &sourceFolder);
    ~MovePass();
    MovePass(const MovePass &) = delete;
    MovePass &operator=(const MovePass &) = delete;

    /// The context the pass's moves take.
    const MoveContext &context() const { return m_context; }
    void noteAttributesLost(const QString &folder);
    /// The pass made `folder`, and `top` was the topmost of those it had to make for it: every move into
    /// it records that, so that the undo that leaves it empty takes it away.
    void noteFolderMade(const QString &folder, const QString &top) { m_context.pass->m_made.insert(folder, top); }
    QString madeFor(const QString &folder) const { return m_context.pass->m_made.value(folder); }

private:
    MoveContext m_context;
    bool m_owner = false;
    int m_exceptions = 0;
    QStringList m_attributesLostIn;
    QHash<QString, QString> m_made; ///< of the pass that owns the journal's pass record
};

// Moves of files and folders. Nothing here ever overwrites silently.
namespace FileOps {

/// How file names are ordered, in the window's file list and in a pass alike: as people count ("page 2"
/// before "page 10"), case aside, in the order of the user's language.
QCollator nameCollator();

/// Final path component.
QString fileName(const QString &path);

/// Folder part of a path: up to its last "/", that "/" dropped unless it is the root.
QString folderOf(const QString &path);

/// folder + "/" + name; "//name" when the folder is the root, as the moves expect to reduce.
QString join(const QString &folder, const QString &name);

/// Reduces a leading "//" to "/".
QString reduceRootJoin(const QString &path);

/// The companion folder name for suffix "_files" or ".files".
QString companionPath(const QString &filePath, const QString &suffix);

/// The name filled with blanks to 40 characters.
QString displayName(const QString &name);

/// The line of the classification log.
QString logLine(const QString &name, const QString &destination, const QString &rootFolder);

/// Renames a file or folder; never replaces an existing one.
bool renameNoReplace(const QString &from, const QString &to, const MessageTable &messages, QString *error);

/// Moves a companion folder (or a link standing for one, moved as the link) to a new full path. When the
/// target exists, asks whether to merge (and before replacing any file inside); entries go by their
/// byte names. Failures are shown through prompts.notify. True when the whole folder arrived. For the
/// journal: `page` is where the file it belongs to now is; `undoes` the move this one takes back.
bool moveFolder(const QString &from, const QString &to, const MoveContext &context, const QString &page = {},
                const QString &undoes = {});

/// The companion folders (or links standing for them) that are there for the file, "_files" first.
QStringList companionFolders(const QString &filePath);

/// Creates the folder with every missing parent. True when it exists afterwards.
bool createFolderPath(const QString &folder);
/// The topmost of the folder and its parents that does not exist; empty when the folder exists.
QString topMissingFolder(const QString &folder);
/// Removes the folder and then its parents while they are empty, up to and with `upTo`: what an undone
/// move had made and left empty goes.
void removeEmptyFolders(const QString &folder, const QString &upTo);

/// Whether a move into `destination` asks first (message 13): neither it nor its top folder exists.
bool parentFolderMissing(const QString &destination);

} // namespace FileOps

// What became of the file of one moveWithCompanions().
enum class MoveOutcome {
    Moved, ///< the file is at its target (its companion folder may have stayed: the user was told)
    ParentDeclined, ///< the destination's parent folder is missing and the user did not want it made
    TargetKept, ///< a file of its name is at the target and the user kept it
    SameFile, ///< source and target are one file under two names
    SourceChanged, ///< it changed while it was copied to another disk: probably still being written
    Gone, ///< it was no longer there: another program (a watch, a second window) filed or removed it
    Failed, ///< it could not be moved; the user was told why
};

// The move Classify makes for one file: questions, the move, the log line, the companion folder.
// False only when the user declined the missing-parent question: the pass stops.
// `knownFolders`, when given, holds the full paths of the folders that stood beside the source when the
// caller listed them: a companion not among them is not looked for on disk. `outcome`, when given, learns
// what became of the file.
bool moveWithCompanions(const QString &source, const QString &destination, const QString &rootFolder,
                        const MoveContext &context, const QSet<QString> *knownFolders = nullptr,
                        MoveOutcome *outcome = nullptr);

// Move / Send: moves the files into the folder with both companion folders, showing its progress; a
// stop asked for between two files ends it there. Returns the names of the files that could not be moved.
QStringList moveFilesWithCompanions(const QStringList &sources, const QString &folder, const MoveContext &context);

// Undo of one logged move: moves the file and its companion back from exactly where they went into the
// return folder. True when the file came back (the caller then removes the line).
bool undoMove(const LoggedMove &move, const QString &currentFolder, const MoveContext &context);
