#include "archiveindex.h"

#include "pagefacts.h"

#include <QFile>
#include <QHash>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

qint64 nanoseconds(const timespec &time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

std::optional<ArchiveIndex::Stamp> stampOf(const QString &folder)
{
    struct stat st;
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return ArchiveIndex::Stamp {quint64(st.st_dev), quint64(st.st_ino), nanoseconds(st.st_mtim),
                                nanoseconds(st.st_ctim)};
}

// A folder "x_files" or "x.files" beside a file "x.<extension>" travels with that file: it is part of the
// page, not a subject.
bool isCompanion(const QString &name, const QSet<QString> &stems)
{
    for (const QStringView suffix : {u"_files", u".files"}) {
        if (name.size() > suffix.size() && name.endsWith(suffix, Qt::CaseInsensitive)
            && stems.contains(name.first(name.size() - suffix.size()).toLower()))
            return true;
    }
    return false;
}

struct Listing
{
    QStringList subfolders;
    QList<ArchiveIndex::Page> pages;
};

// The folder's pages and subfolders, as they are now; the pages keep what `before` knew of them when
// their file did not change.
Listing list(const QString &folder, const QList<ArchiveIndex::Page> &before)
{
    Listing listing;
    const int handle = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (handle < 0)
        return listing;
    DIR *const dir = ::fdopendir(handle);
    if (!dir) {
        ::close(handle);
        return listing;
    }
    QHash<QString, const ArchiveIndex::Page *> known;
    for (const ArchiveIndex::Page &page : before)
        known.insert(page.text.name, &page);
    QStringList folders;
    QSet<QString> stems;
    while (const dirent *entry = ::readdir(dir)) {
        // Hidden entries, and the program's own unfinished copies among them, are nobody's subject.
        if (entry->d_name[0] == '.')
            continue;
        const QString name = QFile::decodeName(entry->d_name);
        struct stat st;
        if (::fstatat(handle, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            folders.append(name);
        } else if (S_ISREG(st.st_mode)) {
            const qsizetype dot = name.lastIndexOf(u'.');
            stems.insert((dot > 0 ? name.first(dot) : name).toLower());
            ArchiveIndex::Page page;
            page.text.name = name;
            page.size = st.st_size;
            page.modified = nanoseconds(st.st_mtim);
            if (const ArchiveIndex::Page *was = known.value(name); was && was->size == page.size
                && was->modified == page.modified)
            {
                page.text = was->text;
                page.read = was->read;
            }
            listing.pages.append(page);
        }
    }
    ::closedir(dir);
    for (const QString &name : std::as_const(folders)) {
        if (!isCompanion(name, stems))
            listing.subfolders.append(name);
    }
    listing.subfolders.sort();
    return listing;
}

} // namespace

bool ArchiveIndex::update(const QString &parent, const QSet<QString> &leaveOut, bool readPages)
{
    if (parent != m_parent || readPages != m_readPages) {
        m_folders.clear();
        m_parent = parent;
        m_readPages = readPages;
    }
    QHash<QString, Folder> before;
    for (Folder &folder : m_folders)
        before.insert(folder.path, std::move(folder));
    m_folders.clear();

    bool changed = false;
    qsizetype pages = 0;
    QList<std::pair<QString, int>> waiting {{parent, 0}};
    QList<std::pair<qsizetype, qsizetype>> unread; // folder and page
    for (qsizetype next = 0; next < waiting.size() && m_folders.size() < mostFolders; ++next) {
        const auto [path, depth] = waiting.at(next);
        const std::optional<Stamp> stamp = stampOf(path);
        if (!stamp)
            continue;
        Folder folder;
        folder.path = path;
        folder.stamp = *stamp;
        const auto was = before.find(path);
        if (was != before.end() && was->stamp == *stamp) {
            folder = std::move(*was); // its pages stay as they are stored until needed
        } else {
            changed = true;
            Listing listing = list(path, was != before.end() ? was->pages() : QList<Page>());
            folder.subfolders = std::move(listing.subfolders);
            folder.pages() = std::move(listing.pages);
            if (path == parent)
                folder.pages().clear(); // what lies in the parent folder itself is not filed yet
            for (qsizetype p = 0; p < folder.pages().size(); ++p) {
                const Page &page = folder.pages().at(p);
                if (readPages && !page.read)
                    unread.append({m_folders.size(), p});
            }
        }
        if (was != before.end())
            before.erase(was);
        if (pages + folder.pageCount() > mostPages)
            folder.pages().resize(std::max<qsizetype>(mostPages - pages, 0));
        pages += folder.pageCount();
        if (depth < deepest) {
            for (const QString &name : std::as_const(folder.subfolders)) {
                const QString sub = path == u"/"_s ? u'/' + name : path + u'/' + name;
                if (!leaveOut.contains(sub))
                    waiting.append({sub, depth + 1});
            }
        }
        m_folders.append(std::move(folder));
    }
    changed = changed || !before.isEmpty(); // folders that are gone

    // The titles and addresses of the pages new to the index, read several at a time.
    QStringList paths;
    for (const auto &[f, p] : std::as_const(unread))
        paths.append(m_folders.at(f).path + u'/' + m_folders.at(f).pages().at(p).text.name);
    const QList<PageFacts> facts = PageFactsReading::readAll(paths);
    for (qsizetype i = 0; i < unread.size(); ++i) {
        Page &page = m_folders[unread.at(i).first].pages()[unread.at(i).second];
        page.text.title = facts.at(i).title;
        page.text.host = PageWords::hostOf(facts.at(i).address);
        page.read = true;
    }
    return changed;
}

qsizetype ArchiveIndex::pageCount() const
{
    qsizetype count = 0;
    for (const Folder &folder : m_folders)
        count += folder.pageCount();
    return count;
}

const QList<ArchiveIndex::Page> &ArchiveIndex::Folder::pages() const
{
    if (m_stored.isEmpty())
        return m_pages;
    QDataStream in(m_stored);
    in.setVersion(QDataStream::Qt_6_0);
    QList<Page> pages;
    pages.reserve(m_storedCount);
    for (qsizetype p = 0; p < m_storedCount && in.status() == QDataStream::Ok; ++p) {
        Page page;
        in >> page.text.name >> page.text.title >> page.text.host >> page.size >> page.modified >> page.read;
        pages.append(page);
    }
    // A damaged block would have been refused when the cache was read; this only keeps to what is whole.
    if (in.status() != QDataStream::Ok)
        pages.clear();
    m_pages = std::move(pages);
    m_stored.clear();
    return m_pages;
}

namespace {

QByteArray storedForm(const QList<ArchiveIndex::Page> &pages)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    for (const ArchiveIndex::Page &page : pages)
        out << page.text.name << page.text.title << page.text.host << page.size << page.modified << page.read;
    return bytes;
}

} // namespace

QDataStream &operator<<(QDataStream &out, const ArchiveIndex &index)
{
    out << index.m_parent << index.m_readPages << quint32(index.m_folders.size());
    for (const ArchiveIndex::Folder &folder : index.m_folders) {
        const ArchiveIndex::Stamp &stamp = folder.stamp;
        out << folder.path << stamp.device << stamp.inode << stamp.modified << stamp.changed << folder.subfolders
            << quint32(folder.pageCount()) << (folder.m_stored.isEmpty() ? storedForm(folder.m_pages) : folder.m_stored);
    }
    return out;
}

QDataStream &operator>>(QDataStream &in, ArchiveIndex &index)
{
    ArchiveIndex read;
    quint32 folders = 0;
    in >> read.m_parent >> read.m_readPages >> folders;
    qsizetype pages = 0;
    for (quint32 f = 0; f < folders && f < ArchiveIndex::mostFolders && in.status() == QDataStream::Ok; ++f) {
        ArchiveIndex::Folder folder;
        ArchiveIndex::Stamp &stamp = folder.stamp;
        quint32 count = 0;
        in >> folder.path >> stamp.device >> stamp.inode >> stamp.modified >> stamp.changed >> folder.subfolders
            >> count >> folder.m_stored;
        folder.m_storedCount = count;
        pages += count;
        // Each page takes at least 29 bytes (three empty texts, its size, time and mark).
        if (qsizetype(count) * 29 > folder.m_stored.size() || pages > ArchiveIndex::mostPages)
            in.setStatus(QDataStream::ReadCorruptData);
        read.m_folders.append(std::move(folder));
    }
    if (in.status() == QDataStream::Ok && read.m_folders.size() == qsizetype(folders))
        index = std::move(read);
    else
        in.setStatus(QDataStream::ReadCorruptData);
    return in;
}
