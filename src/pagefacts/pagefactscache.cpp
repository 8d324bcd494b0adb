#include "pagefactscache.h"

#include "apppaths.h"
#include "atomicwrite.h"
#include "marrowdaleerror.h"

#include <QDataStream>
#include <QFile>

#include <algorithm>
#include <optional>
#include <thread>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 magic = 0x4D445046; // "MDPF"
constexpr quint32 version = 1;
constexpr qsizetype mostEntries = 200000;
constexpr qint64 largestFile = qint64(64) << 20;

std::optional<PageFactsCache::Key> keyOf(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return PageFactsCache::Key {quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
                                qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

} // namespace

PageFactsCache::PageFactsCache(const QString &file)
    : m_file(file)
{ }

void PageFactsCache::load()
{
    m_loaded = true;
    if (m_file.isEmpty())
        m_file = AppPaths::cacheFolder() + u"/pagefacts.cache"_s;
    QFile file(m_file);
    if (!file.open(QIODevice::ReadOnly) || file.size() > largestFile)
        return;
    QDataStream in(&file);
    quint32 readMagic = 0, readVersion = 0, count = 0;
    in >> readMagic >> readVersion >> count;
    if (readMagic != magic || readVersion != version)
        return; // another version's, or not a cache at all: built anew
    QHash<Key, Entry> entries;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        Key key;
        Entry entry;
        in >> key.device >> key.inode >> key.size >> key.modified >> entry.facts.title >> entry.facts.address;
        entries.insert(key, entry);
    }
    if (in.status() == QDataStream::Ok)
        m_entries = std::move(entries);
}

PageFacts PageFactsCache::factsOf(const QString &path)
{
    if (!m_loaded)
        load();
    // The prefetch of this pass looked at the file a moment ago.
    const auto looked = m_prefetched.constFind(path);
    const std::optional<Key> key = looked != m_prefetched.cend() ? std::optional<Key>(*looked) : keyOf(path);
    if (!key)
        return {};
    const auto known = m_entries.find(*key);
    if (known != m_entries.end()) {
        known->used = true;
        return known->facts;
    }
    const PageFacts facts = PageFactsReading::read(path);
    m_entries.insert(*key, Entry {facts, true});
    m_changed = true;
    return facts;
}

QList<PageFacts> PageFactsReading::readAll(const QStringList &paths)
{
    // Reading is mostly waiting for the disk and for a helper: a few at once, each into its own slot.
    QList<PageFacts> read(paths.size());
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    std::vector<std::thread> readers;
    for (unsigned t = 0; t < threads && t < unsigned(paths.size()); ++t) {
        readers.emplace_back([&, t] {
            for (qsizetype i = t; i < paths.size(); i += threads)
                read[i] = PageFactsReading::read(paths.at(i));
        });
    }
    for (std::thread &reader : readers)
        reader.join();
    return read;
}

void PageFactsCache::prefetch(const QStringList &paths)
{
    if (!m_loaded)
        load();
    QList<std::pair<Key, QString>> missing;
    m_prefetched.clear();
    m_prefetched.reserve(paths.size());
    for (const QString &path : paths) {
        const std::optional<Key> key = keyOf(path);
        if (!key)
            continue;
        m_prefetched.insert(path, *key);
        if (!m_entries.contains(*key))
            missing.append({*key, path});
    }
    if (missing.isEmpty())
        return;
    QStringList unread;
    unread.reserve(missing.size());
    for (const auto &[key, path] : std::as_const(missing))
        unread.append(path);
    const QList<PageFacts> read = PageFactsReading::readAll(unread);
    for (qsizetype i = 0; i < missing.size(); ++i)
        m_entries.insert(missing.at(i).first, Entry {read.at(i), true});
    m_changed = true;
}

void PageFactsCache::save()
{
    m_prefetched.clear(); // the next pass looks again
    if (!m_changed)
        return;
    if (m_entries.size() > mostEntries)
        m_entries.removeIf([](const auto &entry) { return !entry.value().used; });
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << magic << version << quint32(m_entries.size());
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        const Key &key = it.key();
        out << key.device << key.inode << key.size << key.modified << it->facts.title << it->facts.address;
    }
    try {
        writeFileAtomically(m_file, bytes);
        m_changed = false;
    } catch (const MarrowdaleError &) {
        // Not kept: the next run reads the pages again.
    }
}
