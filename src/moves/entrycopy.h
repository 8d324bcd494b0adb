#pragma once

#include "folderhandle.h"
#include "movesteps.h"

#include <vector>

#include <sys/stat.h>

// The copy half of a move across file systems, by open folders (see folderhandle.h). Inner to the move
// steps; nothing else uses it.
namespace MoveSteps {

/// Runs between the look at an entry and its use, for tests that change the entry right there.
void checkedNow(const QByteArray &path);

// Copies files, links and whole folders to names that must not exist yet, and remembers how each source
// entry was when its copy started, so that a change during the copy is found afterwards.
class EntryCopy
{
public:
    explicit EntryCopy(CopyPlan &plan)
        : m_plan(plan)
    { }

    /// Copies the entry `from` of its folder, as `checked` describes it, to `to`. `path` names the source
    /// for messages. `*created` tells whether `to` was made, and so is ours to clear away.
    int copy(const Place &from, const QByteArray &path, const struct stat &checked, const Place &to, bool *created);

    /// Every source entry still is as it was when its copy started.
    bool unchanged() const;

    /// Once the copy is in place: removes each source entry that is still as it was copied, folders after
    /// what they hold. What changed or arrived since stays, and so do the folders that hold it. Returns the
    /// first reason something stayed; sourceChanged for a change.
    int removeSources() const;

    /// The source entry a failure happened at, when it was not the one copied.
    QByteArray failedAt() const { return m_failedAt; }

private:
    struct Seen
    {
        Place place;
        struct stat st;
    };

    int copyFile(const Place &from, const QByteArray &path, const struct stat &checked, const Place &to);
    int copyLink(const Place &from, const struct stat &checked, const Place &to);
    int copyFolder(const Place &from, const QByteArray &path, const struct stat &checked, const Place &to,
                   bool *created);
    int fail(const QByteArray &path, int error);
    void keepAlive();

    CopyPlan &m_plan;
    std::vector<Seen> m_seen;
    QByteArray m_failedAt;
};

/// Size, kind, identity and modification time are those of `b`.
bool sameState(const struct stat &a, const struct stat &b);

/// Removes the entry and, for a folder, all it holds, below the open folders it is reached by; a folder that
/// is no longer the one looked at is left alone (replacedMeanwhile).
int removeAt(const Place &place);

} // namespace MoveSteps
