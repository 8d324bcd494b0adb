#include "fileops.h"

#include <QLocale>
#include "mainview.h"
#include "marrowdaleerror.h"
#include "messagetable.h"
#include "movejournal.h"
#include "folderhandle.h"
#include "movesteps.h"
#include "pathcodec.h"
#include "programtext.h"
#include "textwidth.h"
#include "userprompts.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <optional>
#include <utility>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray encoded(const QString &path)
{
    return PathCodec::encode(path);
}

QString decoded(const QByteArray &path)
{
    return PathCodec::decode(path);
}

// The path without the extension of its last name.
qsizetype stemLength(const QString &path)
{
    const qsizetype nameStart = path.lastIndexOf(u'/') + 1;
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot < nameStart ? path.size() : dot;
}

bool isRealDir(const QString &path)
{
    return MoveSteps::isFolder(encoded(path));
}

// A folder or a link to one, as the file list's companion test sees it.
bool isFolder(const QString &path)
{
    struct stat st;
    return ::stat(encoded(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isInside(const QString &path, const QString &folder)
{
    if (folder == u"/"_s)
        return true;
    return path.startsWith(folder + u'/');
}

QString moveFailure(const MessageTable &messages, const QString &source, const QString &target, int error,
                    const QString &detail = {})
{
    QString text = ProgramText(Message::MoveFailed, {source, target, MoveSteps::errorText(error)}).in(messages);
    if (!detail.isEmpty() && detail != source && detail != target)
        text += u" (%1)"_s.arg(detail);
    return text;
}

// One move of a file or companion folder under its intent in the journal: the intent is written before
// anything happens, done or failed after. Without a journal the same steps run unrecorded. What moves is
// always the intent's source to its target.
class JournaledMove
{
public:
    JournaledMove(const MoveContext &context, JournalRecord intent)
        : m_context(context)
        , m_target(intent.dst)
        , m_fromBytes(encoded(intent.src))
        , m_toBytes(encoded(intent.dst))
    {
        // The target's folder is handed over in place where it is a plain prefix of the target, as
        // temporaryName() copies what it needs: one allocation less for every move.
        const qsizetype separator = m_toBytes.lastIndexOf('/');
        m_plan.temporary = MoveSteps::temporaryName(
            separator > 0 ? QByteArray::fromRawData(m_toBytes.constData(), separator) : MoveSteps::folderOf(m_toBytes));
        m_plan.messages = &context.messages;
        m_plan.keepAlive = [view = &context.view] { view->keepAlive(); };
        if (MoveJournal *journal = context.journal) {
            const QString source = intent.src;
            intent.tmp = decoded(m_plan.temporary);
            m_id = journal->intent(std::move(intent));
            // A move that would not be on record could not be taken back: the pass ends before it.
            if (!journal->lastRecordWritten()) {
                throw MarrowdaleError(ProgramText(Message::MoveNotRecorded, {journal->path(), journal->reason(), source}));
            }
            // A copy may take long; what it is about must survive a crash during it.
            m_plan.beforeCopy = [journal] { journal->sync(); };
        }
    }

    ~JournaledMove()
    {
        // Only an exception leaves a move open; say what is known rather than nothing.
        if (m_open)
            failed(u"interrupted; the source may have been moved in part"_s);
    }

    JournaledMove(const JournaledMove &) = delete;
    JournaledMove &operator=(const JournaledMove &) = delete;

    QString id() const { return m_id; }
    MoveSteps::CopyPlan &plan() { return m_plan; }

    int moveEntry()
    {
        m_plan.detail.clear();
        return noteLosses(MoveSteps::moveEntry(m_fromBytes, m_toBytes, m_plan), m_target);
    }

    int replaceFile()
    {
        m_plan.detail.clear();
        return noteLosses(MoveSteps::replaceFile(m_fromBytes, m_toBytes, m_plan), m_target);
    }

    /// For the entries of a merge: the copy of an entry uses the move's temporary name in its own folder.
    int moveEntryInto(const QByteArray &from, const QByteArray &to, bool replace)
    {
        m_plan.temporary = MoveSteps::child(MoveSteps::folderOf(to), MoveSteps::nameOf(m_plan.temporary));
        m_plan.detail.clear();
        const int e = replace ? MoveSteps::replaceFile(from, to, m_plan) : MoveSteps::moveEntry(from, to, m_plan);
        return noteLosses(e, decoded(to));
    }

    void done()
    {
        if (m_open && m_context.journal)
            m_context.journal->done(m_id, m_made);
        m_open = false;
    }
    /// The move made this folder (and those below it) on its way: its undo takes them away once empty.
    void made(const QString &folder) { m_made = folder; }
    const QString &made() const { return m_made; }

    void failed(const QString &reason)
    {
        if (m_open && m_context.journal)
            m_context.journal->failed(m_id, reason);
        m_open = false;
    }

private:
    int noteLosses(int error, const QString &to)
    {
        if (m_plan.attributesLost && m_context.pass)
            m_context.pass->noteAttributesLost(FileOps::folderOf(to));
        m_plan.attributesLost = false;
        return error;
    }

    const MoveContext &m_context;
    QString m_target;
    QByteArray m_fromBytes; ///< converted once for every attempt
    QByteArray m_toBytes;
    MoveSteps::CopyPlan m_plan;
    QString m_made;
    QString m_id;
    bool m_open = true;
};

// A move that is refused before it starts is recorded as such, so that the journal never shows a
// companion folder as left behind when it stayed on purpose.
void recordRefusal(const MoveContext &context, const QString &from, const QString &to, const QString &page,
                   const QString &reason)
{
    if (!context.journal)
        return;
    JournalRecord intent = JournalRecord::intent(u"folder"_s, from, to);
    intent.page = page;
    context.journal->failed(context.journal->intent(intent), reason);
}

QString reasonOf(int error, const MoveSteps::CopyPlan &plan)
{
    return plan.detail.isEmpty() ? MoveSteps::errorText(error) : MoveSteps::errorText(error) + u": "_s + plan.detail;
}

int askMerge(const MoveContext &context, const ProgramText &question)
{
    const MessageTable &messages = context.messages;
    return context.prompts.askYesNo(question.in(messages), messages.text(Message::MoveFolderTitle));
}

// Moves everything of `from` into the existing folder `to`, entry by entry under their byte names;
// asks before any file would be replaced. True when `from` is empty afterwards and gone. Failures are
// collected in *problems.
bool mergeFolder(const QByteArray &from, const QByteArray &to, JournaledMove &move, const MoveContext &context,
                 QStringList *problems)
{
    const auto problem = [&context, problems](Message message, std::vector<ProgramText> fill) {
        problems->append(ProgramText(message, std::move(fill)).in(context.messages));
    };
    const auto moveIn = [&](const QByteArray &source, const QByteArray &target, bool replace) {
        if (const int e = move.moveEntryInto(source, target, replace))
            problems->append(moveFailure(context.messages, decoded(source), decoded(target), e, move.plan().detail));
        else if (!move.plan().detail.isEmpty())
            problems->append(move.plan().detail);
    };
    const qsizetype told = problems->size();
    bool kept = false; // an entry the user chose to keep, or a folder below that stayed and said why
    int listed = 0;
    const QList<QByteArray> names = MoveSteps::entries(from, &listed);
    if (listed != 0)
        problem(Message::FolderNotReadable, {decoded(from), MoveSteps::errorText(listed)});
    for (const QByteArray &name : names) {
        const QByteArray source = MoveSteps::child(from, name);
        const QByteArray target = MoveSteps::child(to, name);
        if (!MoveSteps::exists(target)) {
            moveIn(source, target, false);
        } else if (MoveSteps::isFolder(source)) {
            if (MoveSteps::isFolder(target))
                kept |= !mergeFolder(source, target, move, context, problems);
            else
                problem(Message::EntryBlocksFolder, {decoded(target), decoded(source)});
        } else if (MoveSteps::isFolder(target)) {
            problem(Message::FolderBlocksFile, {decoded(target), decoded(source)});
        } else if (MoveSteps::sameFile(source, target)) {
            problem(Message::SameFileLeft, {decoded(source), decoded(target)});
        } else {
            const ProgramText question(Message::ReplaceInMerge, {decoded(to), decoded(name), decoded(from)});
            if (askMerge(context, question) == UserPrompts::Yes)
                moveIn(source, target, true);
            else
                kept = true;
        }
    }
    if (::rmdir(from.constData()) == 0)
        return true;
    // A folder that kept what the user chose to keep or was told of is no news; one that will not go, or
    // gained something meanwhile, is.
    const int e = errno;
    if (e != ENOTEMPTY || (!kept && problems->size() == told))
        problem(Message::MergedFolderStays, {decoded(from), MoveSteps::errorText(e)});
    return false;
}

const QString companionSuffixes[] = {u"_files"_s, u".files"_s};

void showMoveFailure(UserPrompts &prompts, const MessageTable &messages, const QString &name, int error,
                     const QString &detail = {})
{
    // A file still being written (a download) is not a fault of the name or the disk, nor is a way that
    // another user's link would have led elsewhere.
    QString text = FileOps::displayName(name) + messages.text(15);
    if (error == MoveSteps::sourceChanged)
        text = messages.text(Message::MoveBusy).arg(name);
    else if (error == MoveSteps::foreignLink)
        text = ProgramText(Message::DestinationForeignLink, {name, detail}).in(messages);
    prompts.msgBox(text, QString(), u"OK"_s, 1);
}

// The companion folder of a file that is to follow it: the "_files" one when there, else ".files".
// `knownFolders`, when given, holds what the caller saw beside the file.
std::pair<QString, QString> companionOf(const QString &from, const QString &target,
                                        const QSet<QString> *knownFolders = nullptr)
{
    if (knownFolders && knownFolders->isEmpty())
        return {}; // nothing stood beside the file to look for
    // One string serves for both names: most files have no companion, and this runs for every file.
    const qsizetype stem = stemLength(from);
    QString companion;
    companion.reserve(stem + companionSuffixes[0].size());
    companion.append(QStringView(from).first(stem));
    for (const QString &suffix : companionSuffixes) {
        companion.truncate(stem);
        companion += suffix;
        if ((!knownFolders || knownFolders->contains(companion)) && isFolder(companion))
            return {companion, FileOps::companionPath(target, suffix)};
    }
    return {};
}

} // namespace

MovePass::MovePass(const MoveContext &context, const QString &what, const QString &sourceFolder)
    : m_context(context)
    , m_owner(context.pass == nullptr)
    , m_exceptions(std::uncaught_exceptions())
{
    if (!m_owner)
        return;
    m_context.pass = this;
    if (m_context.journal)
        m_context.journal->beginPass(what, sourceFolder);
}

MovePass::~MovePass()
{
    if (!m_owner)
        return;
    std::optional<ProgramText> unrecorded;
    if (MoveJournal *journal = m_context.journal) {
        journal->endPass();
        if (journal->passWriteError())
            unrecorded = ProgramText(Message::PassNotRecorded, {journal->path(), *journal->passWriteError()});
    }
    // No question while an exception is on its way to the handler's guard.
    if (std::uncaught_exceptions() != m_exceptions)
        return;
    if (!m_attributesLostIn.isEmpty()) {
        m_context.prompts.notify(
            ProgramText(Message::AttributesLost, {m_attributesLostIn.join(u'\n')}).in(m_context.messages));
    }
    if (unrecorded)
        m_context.prompts.notify(unrecorded->in(m_context.messages));
}

void MovePass::noteAttributesLost(const QString &folder)
{
    if (!m_attributesLostIn.contains(folder))
        m_attributesLostIn.append(folder);
}

namespace FileOps {

QCollator nameCollator()
{
    // The C locale has no collation of its own (and would not count): it gets the common one.
    QCollator collator(QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    return collator;
}

QString fileName(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString folderOf(const QString &path)
{
    const qsizetype separator = path.lastIndexOf(u'/');
    if (separator < 0)
        return QString();
    if (separator == 0)
        return u"/"_s;
    return path.left(separator);
}

QString join(const QString &folder, const QString &name)
{
    QString path;
    path.reserve(folder.size() + 1 + name.size()); // one allocation: every move joins a few paths
    path += folder;
    path += u'/';
    path += name;
    return path;
}

QString reduceRootJoin(const QString &path)
{
    return path.size() > 1 && path.at(0) == u'/' && path.at(1) == u'/' ? path.mid(1) : path;
}

QString companionPath(const QString &filePath, const QString &suffix)
{
    const qsizetype stem = stemLength(filePath);
    QString path;
    path.reserve(stem + suffix.size());
    path.append(QStringView(filePath).first(stem));
    path.append(suffix);
    return path;
}

QString displayName(const QString &name)
{
    return TextWidth::padded(name, 40);
}

QString logLine(const QString &name, const QString &destination, const QString &rootFolder)
{
    // Written in place into a string of its final size: a pass makes a line for every file.
    const QStringView file = QStringView(name).sliced(name.lastIndexOf(u'/') + 1);
    const qsizetype blanks = std::max(0, 40 - TextWidth::columns(file));
    const bool underRoot = !rootFolder.isEmpty() && destination.startsWith(rootFolder, Qt::CaseSensitive);
    const QStringView arrow = underRoot ? u"-> .." : u"-> ";
    const QStringView shown = underRoot ? QStringView(destination).sliced(rootFolder.size()) : destination;
    QString line(file.size() + blanks + arrow.size() + shown.size(), Qt::Uninitialized);
    QChar *out = std::copy(file.cbegin(), file.cend(), line.data());
    out = std::fill_n(out, blanks, QChar(u' '));
    out = std::copy(arrow.cbegin(), arrow.cend(), out);
    std::copy(shown.cbegin(), shown.cend(), out);
    return line;
}

bool renameNoReplace(const QString &from, const QString &to, const MessageTable &messages, QString *error)
{
    const int e = MoveSteps::renameExclusive(encoded(from), encoded(to));
    if (e != 0)
        *error = moveFailure(messages, from, to, e);
    return e == 0;
}

bool moveFolder(const QString &from, const QString &to, const MoveContext &outer, const QString &page,
                const QString &undoes)
{
    MovePass pass(outer, u"move"_s, outer.pass ? QString() : folderOf(from));
    const MoveContext &context = pass.context();
    UserPrompts &prompts = context.prompts;
    const auto tell = [&context](Message message, std::vector<ProgramText> fill) {
        context.prompts.notify(ProgramText(message, std::move(fill)).in(context.messages));
    };
    // A link standing for the companion folder moves as the link; what it points to stays where it is.
    struct stat st;
    const bool there = ::lstat(encoded(from).constData(), &st) == 0;
    const bool link = there && S_ISLNK(st.st_mode);
    if (!link && !(there && S_ISDIR(st.st_mode))) {
        recordRefusal(context, from, to, page, u"does not exist"_s);
        tell(Message::FolderNotThere, {from});
        return false;
    }
    if (to == from)
        return true; // already in place: a file classified into its own folder
    if (isInside(to, from)) {
        recordRefusal(context, from, to, page, u"into itself"_s);
        tell(Message::FolderIntoItself, {from});
        return false;
    }
    const bool merge = MoveSteps::exists(encoded(to));
    if (merge) {
        if (link || !isRealDir(to)) {
            recordRefusal(context, from, to, page, u"something else is in the way"_s);
            tell(Message::FolderBlocked, {from, to});
            return false;
        }
        if (askMerge(context, ProgramText(Message::MergeFolder, {to, from})) != UserPrompts::Yes) {
            recordRefusal(context, from, to, page, u"declined: the folder exists"_s);
            return false;
        }
    }

    JournalRecord intent = JournalRecord::intent(u"folder"_s, from, to);
    intent.page = page;
    intent.merge = merge;
    intent.undoes = undoes;
    JournaledMove move(context, std::move(intent));
    if (merge) {
        QStringList problems;
        const bool arrived = mergeFolder(encoded(from), encoded(to), move, context, &problems);
        if (arrived)
            move.done();
        else
            move.failed(u"merged in part: "_s + problems.join(u"; "_s));
        if (!problems.isEmpty()) {
            tell(Message::FolderMergedInPart, {from, to, problems.join(u'\n')});
        }
        return arrived;
    }
    int e = move.moveEntry();
    if (e == ENOENT && createFolderPath(folderOf(to)))
        e = move.moveEntry();
    if (e != 0) {
        move.failed(reasonOf(e, move.plan()));
        prompts.notify(ProgramText(Message::FolderNotMoved, {from, to, MoveSteps::errorText(e)}).in(context.messages)
                       + (move.plan().detail.isEmpty() ? QString() : u" (%1)"_s.arg(move.plan().detail)));
        return false;
    }
    move.done();
    if (!move.plan().detail.isEmpty())
        tell(Message::FolderMovedWithNote, {from, to, move.plan().detail});
    return true;
}

bool parentFolderMissing(const QString &destination)
{
    if (isFolder(destination))
        return false;
    // The destination's top folder: a mount point that is not there, or a mistyped folder.
    const qsizetype separator = destination.indexOf(u'/', 1);
    return !isFolder(separator < 0 ? u"/"_s : destination.left(separator + 1));
}

QStringList companionFolders(const QString &filePath)
{
    QStringList folders;
    for (const QString &suffix : companionSuffixes) {
        const QString companion = companionPath(filePath, suffix);
        if (isFolder(companion))
            folders.append(companion);
    }
    return folders;
}

QString topMissingFolder(const QString &folder)
{
    QString top;
    for (QString f = folder; !f.isEmpty() && f != u"/"_s && !MoveSteps::exists(encoded(f)); f = folderOf(f))
        top = f;
    return top;
}

void removeEmptyFolders(const QString &folder, const QString &upTo)
{
    // Only below or at `upTo`, and rmdir() takes nothing but an empty folder (never a link to one).
    if (upTo.isEmpty() || (folder != upTo && !folder.startsWith(upTo + u'/')))
        return;
    for (QString f = folder;; f = folderOf(f)) {
        if (::rmdir(encoded(f).constData()) != 0 || f == upTo)
            return;
    }
}

bool createFolderPath(const QString &folder)
{
    // Name by name from the root, never through another user's link, never below the working folder.
    int error = 0;
    return !folder.isEmpty() && MoveSteps::folderAt(encoded(folder), &error, nullptr, true) != nullptr;
}

} // namespace FileOps

bool moveWithCompanions(const QString &source, const QString &destination, const QString &rootFolder,
                        const MoveContext &outer, const QSet<QString> *knownFolders, MoveOutcome *outcome)
{
    using namespace FileOps;
    MoveOutcome ignored;
    MoveOutcome &result = outcome ? *outcome : ignored;
    const QString from = reduceRootJoin(source);
    // The folder only names a pass that begins here; most moves are made inside one.
    MovePass pass(outer, u"classify"_s, outer.pass ? QString() : folderOf(from));
    const MoveContext &context = pass.context();
    UserPrompts &prompts = context.prompts;
    const MessageTable &messages = context.messages;
    const QString name = fileName(from);
    const QString target = reduceRootJoin(join(destination, name));
    const auto [companion, companionTarget] = companionOf(from, target, knownFolders);

    JournalRecord intent = JournalRecord::intent(u"file"_s, from, target);
    intent.companionSrc = companion;
    intent.companionDst = companionTarget;
    JournaledMove move(context, std::move(intent));

    // Try the move first: when it succeeds, the destination and its parent existed and nothing was in
    // the way, so none of the questions below would have been asked.
    // The file list named a file here; should a folder have taken its name since, it moves as it is,
    // still never over anything.
    int e = move.moveEntry();
    // Another program filed it meanwhile: nothing to ask or tell about a file that is not here.
    if (e == ENOENT && !MoveSteps::exists(encoded(from))) {
        move.failed(u"gone: the source is no longer there"_s);
        result = MoveOutcome::Gone;
        return true;
    }
    if (e != 0 && e != EEXIST && !isFolder(destination)) {
        if (parentFolderMissing(destination) && prompts.askYesNo(messages.text(13), QString()) != UserPrompts::Yes) {
            move.failed(u"declined: the destination's parent folder does not exist"_s);
            result = MoveOutcome::ParentDeclined;
            return false;
        }
        const QString topMissing = topMissingFolder(destination);
        if (createFolderPath(destination))
            move.made(topMissing);
        e = move.moveEntry();
    }
    if (e == EEXIST && !isRealDir(target)) {
        if (prompts.askYesNo(messages.text(14), name) != UserPrompts::Yes) {
            move.failed(u"declined: a file of that name is in the destination"_s);
            result = MoveOutcome::TargetKept;
            return true;
        }
        // One file under two names: replacing one by the other would only lose a name.
        if (MoveSteps::sameFile(encoded(from), encoded(target))) {
            move.failed(u"source and target are the same file"_s);
            prompts.notify(ProgramText(Message::SameFileNothingMoved, {from, target}).in(messages));
            result = MoveOutcome::SameFile;
            return true;
        }
        e = move.replaceFile();
    }
    if (e != 0) {
        move.failed(reasonOf(e, move.plan()));
        showMoveFailure(prompts, messages, name, e, move.plan().detail);
        result = e == MoveSteps::sourceChanged ? MoveOutcome::SourceChanged : MoveOutcome::Failed;
        return true;
    }
    if (move.made().isEmpty())
        move.made(pass.madeFor(destination));
    move.done();
    result = MoveOutcome::Moved;

    context.view.appendMove({logLine(name, destination, rootFolder), name, destination, move.id(), move.made()});
    if (!companion.isEmpty()) {
        moveFolder(companion, companionTarget, context, target);
        context.view.refreshFileList();
    }
    return true;
}

QStringList moveFilesWithCompanions(const QStringList &sources, const QString &folder, const MoveContext &outer)
{
    using namespace FileOps;
    MovePass pass(outer, u"move"_s, sources.isEmpty() ? QString() : folderOf(reduceRootJoin(sources.first())));
    const MoveContext &context = pass.context();
    QStringList failed;
    context.view.setProgressVisible(true);
    const auto hideProgress = qScopeGuard([&context] { context.view.setProgressVisible(false); });
    const qsizetype n = sources.size();
    for (qsizetype i = 0; i < n; ++i) {
        try {
            context.view.setProgress(int(i * 100 / n));
        } catch (const PassStopped &) {
            break; // the user stopped after the file before: what moved stays moved
        }
        const QString from = reduceRootJoin(sources.at(i));
        const QString target = reduceRootJoin(join(folder, fileName(from)));
        QStringList companions;
        for (const QString &suffix : companionSuffixes) {
            if (isFolder(companionPath(from, suffix)))
                companions.append(suffix);
        }
        JournalRecord intent = JournalRecord::intent(u"file"_s, from, target);
        if (!companions.isEmpty()) {
            intent.companionSrc = companionPath(from, companions.first());
            intent.companionDst = companionPath(target, companions.first());
        }
        JournaledMove move(context, std::move(intent));
        // A file that stayed keeps its companions beside it.
        const int e = isRealDir(from) ? EISDIR : move.moveEntry();
        if (e != 0) {
            move.failed(reasonOf(e, move.plan()));
            failed.append(fileName(from));
            continue;
        }
        move.done();
        for (const QString &suffix : std::as_const(companions))
            moveFolder(companionPath(from, suffix), companionPath(target, suffix), context, target);
    }
    return failed;
}

bool undoMove(const LoggedMove &logged, const QString &currentFolder, const MoveContext &outer)
{
    using namespace FileOps;
    MovePass pass(outer, u"undo"_s, currentFolder);
    const MoveContext &context = pass.context();
    if (logged.fileName.isEmpty())
        return false;
    const QString returnPath = reduceRootJoin(join(currentFolder, logged.fileName));
    const QString current = reduceRootJoin(join(logged.destination, logged.fileName));
    const auto [companion, companionReturn] = companionOf(current, returnPath);

    JournalRecord intent = JournalRecord::intent(u"file"_s, current, returnPath);
    intent.companionSrc = companion;
    intent.companionDst = companionReturn;
    intent.undoes = logged.journalId;
    JournaledMove move(context, std::move(intent));
    // Gone from the logged place, or a namesake already back home: say so and keep the line.
    const int e = isRealDir(current) ? EISDIR : move.moveEntry();
    if (e != 0) {
        move.failed(reasonOf(e, move.plan()));
        showMoveFailure(context.prompts, context.messages, logged.fileName, e);
        return false;
    }
    move.done();
    if (!companion.isEmpty())
        moveFolder(companion, companionReturn, context, returnPath);
    FileOps::removeEmptyFolders(logged.destination, logged.made);
    return true;
}
