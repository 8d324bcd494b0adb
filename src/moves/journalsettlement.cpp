#include "journalsettlement.h"

#include "movejournal.h"
#include "movesteps.h"
#include "programtext.h"

#include <QFile>
#include <QList>
#include <QSet>
#include <QStringList>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

class Settlement
{
public:
    Settlement(MoveJournal &journal, const MessageTable &messages)
        : m_journal(journal)
        , m_messages(messages)
    { }

    QStringList report;

    /// An interrupted move of a file; true when the file is at its destination afterwards.
    bool settleFile(const JournalRecord &intent)
    {
        removeUnfinishedCopy(intent.src, intent.tmp, intent.dst);
        const bool atSource = MoveSteps::exists(intent.src), atTarget = MoveSteps::exists(intent.dst);
        if (atSource && !atTarget) {
            close(intent, false, u"not moved"_s);
            say(Message::SettleNotMoved, {intent.src});
            return false;
        }
        if (!atSource && atTarget) {
            close(intent, true);
            say(Message::SettleArrived, {intent.src, intent.dst});
            return true;
        }
        if (atSource) {
            const QByteArray source = encoded(intent.src), target = encoded(intent.dst);
            // The copy arrived but the original was not removed yet.
            if ((MoveSteps::sameFile(source, target) || MoveSteps::identical(source, target))
                && MoveSteps::removeTree(source) == 0) {
                close(intent, true);
                say(Message::SettleArrivedWhole, {intent.src, intent.dst});
                return true;
            }
            close(intent, false, u"found at both places"_s);
            say(Message::SettleBothKept, {intent.src, intent.dst});
            return false;
        }
        close(intent, false, u"found at neither place"_s);
        say(Message::SettleNeither, {intent.src, intent.dst});
        return false;
    }

    /// An interrupted move of a companion folder: finished, or said why not.
    void settleFolder(const JournalRecord &intent)
    {
        if (intent.merge)
            removeCopiesInMerge(encoded(intent.dst), MoveSteps::nameOf(encoded(intent.tmp)), intent.src);
        else
            removeUnfinishedCopy(intent.src, intent.tmp, intent.dst);
        const bool atSource = MoveSteps::exists(intent.src), atTarget = MoveSteps::exists(intent.dst);
        if (!atSource) {
            close(intent, atTarget, atTarget ? QString() : u"found at neither place"_s);
            if (!atTarget)
                say(Message::SettleFolderNeither, {intent.src, intent.dst});
            return;
        }
        if (!atTarget) {
            const bool moved = moveFolderAfterFile(intent.src, intent.dst, intent.page);
            close(intent, false, moved ? u"moved again by the settlement"_s : u"not moved"_s);
            return;
        }
        QStringList kept;
        if (completeFolder(encoded(intent.src), encoded(intent.dst), intent.merge, &kept)) {
            close(intent, true);
            say(Message::SettleFolderCompleted, {intent.src, intent.dst});
        } else {
            close(intent, false, u"both places hold entries"_s);
            say(Message::SettleFolderNotCompleted, {intent.src, intent.dst, u"    "_s + kept.join(u"\n    "_s)});
        }
    }

    /// A file that arrived while its companion folder had not started to follow it.
    void followFile(const JournalRecord &fileIntent)
    {
        const QString &from = fileIntent.companionSrc, &to = fileIntent.companionDst;
        if (MoveSteps::exists(from) && MoveSteps::exists(to)) {
            say(Message::SettleFolderLeftBehind, {from, fileIntent.dst, to});
        } else if (MoveSteps::exists(from)) {
            moveFolderAfterFile(from, to, fileIntent.dst);
        } else if (!MoveSteps::exists(to)) {
            say(Message::SettleFolderGone, {from, fileIntent.dst});
        }
    }

private:
    void say(Message message, std::vector<ProgramText> fill)
    {
        report.append(ProgramText(message, std::move(fill)).in(m_messages));
    }

    void close(const JournalRecord &intent, bool done, const QString &reason = {})
    {
        if (done)
            m_journal.done(intent.id);
        else
            m_journal.failed(intent.id, u"settled: "_s + reason);
    }

    // A copy under its temporary name is only ever made while the source is there and before the source
    // goes; without its source it may be the only one left, so it stays. Only an entry of the program's own
    // form beside its destination can be such a copy: a damaged or forged line must not name anything else
    // for removal.
    void removeUnfinishedCopy(const QString &source, const QString &temporary, const QString &destination = {})
    {
        if (!MoveSteps::exists(temporary))
            return;
        const QByteArray copy = encoded(temporary);
        const bool beside = destination.isEmpty() || MoveSteps::folderOf(copy) == MoveSteps::folderOf(encoded(destination));
        if (!MoveSteps::isTemporaryName(MoveSteps::nameOf(copy)) || !beside) {
            say(Message::SettleNotOurs, {temporary});
            return;
        }
        if (MoveSteps::exists(source)) {
            MoveSteps::removeTree(encoded(temporary));
            say(Message::SettleCopyRemoved, {source});
        } else {
            say(Message::SettleCopyKept, {source, temporary});
        }
    }

    void removeCopiesInMerge(const QByteArray &folder, const QByteArray &name, const QString &source)
    {
        if (!MoveSteps::isTemporaryName(name))
            return;
        for (const QByteArray &entry : MoveSteps::entries(folder)) {
            const QByteArray path = MoveSteps::child(folder, entry);
            if (entry == name)
                removeUnfinishedCopy(source, QFile::decodeName(path));
            else if (MoveSteps::isFolder(path))
                removeCopiesInMerge(path, name, source);
        }
    }

    bool moveFolderAfterFile(const QString &from, const QString &to, const QString &page)
    {
        if (!page.isEmpty() && !MoveSteps::exists(page)) {
            say(Message::SettleFolderStays, {from, page});
            return false;
        }
        JournalRecord intent;
        intent.kind = u"folder"_s;
        intent.src = from;
        intent.dst = to;
        intent.page = page;
        MoveSteps::CopyPlan plan;
        plan.temporary = MoveSteps::temporaryName(MoveSteps::folderOf(encoded(to)));
        plan.beforeCopy = [this] { m_journal.sync(); };
        plan.messages = &m_messages;
        intent.tmp = QFile::decodeName(plan.temporary);
        const QString id = m_journal.intent(intent);
        if (!m_journal.lastRecordWritten()) {
            say(Message::SettleFolderNotFollowed, {from, to, m_journal.reason()});
            return false;
        }
        const int e = MoveSteps::moveEntry(encoded(from), encoded(to), plan);
        if (e != 0) {
            m_journal.failed(id, MoveSteps::errorText(e));
            say(Message::SettleFolderNotFollowed, {from, to, MoveSteps::errorText(e)});
            return false;
        }
        m_journal.done(id);
        say(Message::SettleFolderFollowed, {from, to});
        return true;
    }

    // What is left of `from` beside the folder `to` that it went to: entries that arrived whole are
    // removed; in a merge the user agreed to, the others are moved in where nothing is in their way.
    // True when `from` is gone; *kept names what stays.
    bool completeFolder(const QByteArray &from, const QByteArray &to, bool merge, QStringList *kept)
    {
        for (const QByteArray &name : MoveSteps::entries(from)) {
            const QByteArray source = MoveSteps::child(from, name), target = MoveSteps::child(to, name);
            MoveSteps::CopyPlan plan;
            bool stays = false;
            if (!MoveSteps::exists(target))
                stays = !merge || MoveSteps::moveEntry(source, target, plan) != 0;
            else if (MoveSteps::isFolder(source) && MoveSteps::isFolder(target))
                completeFolder(source, target, merge, kept);
            else
                stays = !MoveSteps::identical(source, target) || MoveSteps::removeTree(source) != 0;
            if (stays)
                kept->append(QFile::decodeName(source));
        }
        return ::rmdir(from.constData()) == 0;
    }

    MoveJournal &m_journal;
    const MessageTable &m_messages;
};

} // namespace

QString settleJournal(const QString &journalPath, const MessageTable &messages)
{
    MoveJournal journal(journalPath);
    // A journal that is not the user's alone is not acted on: that is said, every time.
    if (!journal.isOpen())
        return journal.error().in(messages);
    if (!journal.tryLockExclusive())
        return {};
    qint64 end = 0;
    qsizetype damaged = 0;
    const QList<JournalRecord> records = MoveJournal::read(journalPath, journal.settledUpTo(), &end, &damaged);

    QList<JournalRecord> intents;
    QSet<QString> done, failed, followed; // followed: pass + companion folder that got an intent
    for (const JournalRecord &record : records) {
        if (record.op == u"intent"_s) {
            intents.append(record);
            if (record.kind == u"folder"_s)
                followed.insert(record.pass + u'\n' + record.src);
        } else if (record.op == u"done"_s) {
            done.insert(record.id);
        } else if (record.op == u"failed"_s) {
            failed.insert(record.id);
        }
    }
    const auto leftBehind = [&](const JournalRecord &intent) {
        return intent.kind == u"file"_s && !intent.companionSrc.isEmpty()
            && !followed.contains(intent.pass + u'\n' + intent.companionSrc);
    };

    Settlement settlement(journal, messages);
    bool passBegun = false;
    for (const JournalRecord &intent : std::as_const(intents)) {
        const bool open = !done.contains(intent.id) && !failed.contains(intent.id);
        if (!open && !(done.contains(intent.id) && leftBehind(intent)))
            continue;
        if (!passBegun) {
            journal.beginPass(u"settle"_s, QString());
            passBegun = true;
        }
        bool fileArrived = !open;
        if (open && intent.kind == u"folder"_s)
            settlement.settleFolder(intent);
        else if (open)
            fileArrived = settlement.settleFile(intent);
        if (fileArrived && leftBehind(intent))
            settlement.followFile(intent);
    }
    if (passBegun)
        journal.endPass();
    journal.setSettledUpTo(passBegun ? journal.size() : end);
    QStringList said;
    if (!settlement.report.isEmpty())
        said.append(ProgramText(Message::SettleReport, {settlement.report.join(u'\n')}).in(messages));
    if (damaged > 0)
        said.append(ProgramText(Message::JournalLinesSkipped, {QString::number(damaged), journalPath}).in(messages));
    return said.join(u'\n');
}
