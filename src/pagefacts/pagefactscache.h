#pragma once

#include "pagefacts.h"

#include <QHash>
#include <QString>
#include <QStringList>

// The facts of pages already read, by the identity of their file (device, inode, size, modification
// time), kept in $XDG_CACHE_HOME/marrowdale/pagefacts.cache: a Preview followed by a Classify, and every
// round of a watch, read a page once. A cache that is damaged, from another version or cannot be written
// only makes the reading slower.
class PageFactsCache
{
public:
    /// `file` empty: the cache of the program's cache folder.
    explicit PageFactsCache(const QString &file = {});

    /// The facts of the file, read now when it is new or changed.
    PageFacts factsOf(const QString &path);
    /// Reads the facts of the files not known yet, several at a time. Until save(), factsOf() takes the
    /// files as they were then.
    void prefetch(const QStringList &paths);
    /// Writes the cache when it learned something; nothing happens when it cannot. Ends a pass.
    void save();

    QString file() const { return m_file; }

    struct Key
    {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modified = 0; ///< nanoseconds
        friend bool operator==(const Key &, const Key &) = default;
        friend size_t qHash(const Key &key, size_t seed = 0)
        {
            return qHashMulti(seed, key.device, key.inode, key.size, key.modified);
        }
    };

private:
    struct Entry
    {
        PageFacts facts;
        bool used = false; ///< asked for in this run
    };
    void load();

    QString m_file;
    bool m_loaded = false;
    bool m_changed = false;
    QHash<Key, Entry> m_entries;
    QHash<QString, Key> m_prefetched; ///< the files of the pass, as its prefetch found them
};
