#include "classifyplan.h"

#include "fileops.h"
#include "pagefactscache.h"
#include "pathcodec.h"

#include <QCollator>
#include <QVarLengthArray>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// The path without the extension of its last name, as FileOps::companionPath() takes it.
QStringView stemOf(const QString &path)
{
    const qsizetype nameStart = path.lastIndexOf(u'/') + 1;
    const qsizetype dot = path.lastIndexOf(u'.');
    return QStringView(path).first(dot < nameStart ? path.size() : dot);
}

size_t companionKeyBit(QStringView stem)
{
    return qHash(stem) & 0xFFFF;
}

} // namespace

ClassifyPlanner::ClassifyPlanner(const QString &rootFolder, QSet<QString> foldersBeside, PageFactsUse facts)
    : m_root(rootFolder)
    , m_rootLower(rootFolder.toLower())
    , m_facts(facts)
    , m_foldersBeside(std::move(foldersBeside))
{
    // Most files have no companion: one look-up by the name without extension tells. "_files" comes
    // last, so that it wins where a file has both.
    for (const QString &suffix : {u".files"_s, u"_files"_s}) {
        for (const QString &folder : std::as_const(m_foldersBeside)) {
            if (folder.endsWith(suffix)) {
                const QString stem = folder.chopped(suffix.size());
                m_companions.insert(stem, folder);
                m_companionKeys[companionKeyBit(stem)] = true;
            }
        }
    }
}

ClassifyPlanner::~ClassifyPlanner()
{
    if (m_facts.cache)
        m_facts.cache->save();
}

bool ClassifyPlanner::readsFacts(const KeywordTable &table)
{
    return m_facts.cache && (m_facts.plainKeywords || !probeIndex(table).ofPages.isEmpty());
}

void ClassifyPlanner::prefetch(const KeywordTable &table, const QStringList &paths)
{
    if (readsFacts(table))
        m_facts.cache->prefetch(paths);
}

FilePlan ClassifyPlanner::plan(const KeywordTable &table, const QString &path)
{
    FilePlan plan;
    plan.path = path;
    const QString from = FileOps::reduceRootJoin(path);
    const QStringView stem = stemOf(from);
    if (m_companionKeys[companionKeyBit(stem)])
        plan.companion = m_companions.value(stem.toString());
    if (readsFacts(table))
        plan.facts = m_facts.cache->factsOf(from);
    const PreparedPage page = preparePage(path, plan.facts.title, plan.facts.address, m_facts.plainKeywords);
    const PreparedPath &prepared = page.path;

    // Only the entries whose group the path holds can match; they are tested in table order, as if every
    // entry were.
    ProbeIndex &index = probeIndex(table);
    const auto entriesOf = [&index](const PathGrams::Group &group) -> const QList<qsizetype> * {
        if (!index.present[group.probe()])
            return nullptr;
        const auto entries = index.entries.constFind(group);
        return entries == index.entries.cend() ? nullptr : &*entries;
    };
    const qsizetype foldedFolder = prepared.folded.lastIndexOf(u'/') + 1;
    const qsizetype lowerFolder = prepared.foldedLower.lastIndexOf(u'/') + 1;
    const QStringView folded = QStringView(prepared.folded).first(foldedFolder);
    const QStringView lower = QStringView(prepared.foldedLower).first(lowerFolder);
    if (!m_folder || m_folder->folded != folded || m_folder->lower != lower) {
        m_folder = FolderGroups {folded.toString(), lower.toString(), index.always};
        const PreparedPath folder {m_folder->folded, m_folder->lower};
        PathGrams::forEachGroup(folder, index.kinds, [&](const PathGrams::Group &group) {
            if (const QList<qsizetype> *entries = entriesOf(group))
                m_folder->entries.append(*entries);
        });
    }
    QVarLengthArray<qsizetype, 64> mayMatch(m_folder->entries.cbegin(), m_folder->entries.cend());
    // A group that begins three units or more before the name lies within the folder part.
    PathGrams::forEachGroup(
        prepared, index.kinds,
        [&](const PathGrams::Group &group) {
            if (const QList<qsizetype> *entries = entriesOf(group))
                mayMatch.append(entries->constData(), entries->size());
        },
        std::max<qsizetype>(0, foldedFolder - 3), std::max<qsizetype>(0, lowerFolder - 3));
    // A page's title and address hold the groups of the plain keywords found there, and the other forms are
    // tried on every page.
    if (page.plainKeywordsToo) {
        const auto collect = [&](const PathGrams::Group &group) {
            if (const QList<qsizetype> *entries = entriesOf(group))
                mayMatch.append(entries->constData(), entries->size());
        };
        PathGrams::forEachGroup(page.title, index.kinds, collect);
        PathGrams::forEachGroup(page.address, index.kinds, collect);
    }
    mayMatch.append(index.ofPages.constData(), index.ofPages.size());
    std::sort(mayMatch.begin(), mayMatch.end());
    mayMatch.erase(std::unique(mayMatch.begin(), mayMatch.end()), mayMatch.end());

    plan.tested = table.size();
    QVarLengthArray<const QString *, 4> keys; // candidates' short forms without regard to case
    for (const qsizetype g : std::as_const(mayMatch)) {
        const KeywordEntry &entry = table.matchingEntry(g);
        MatchedIn where = MatchedIn::Name;
        const MatchResult result = matchKeyword(entry, page, &where);
        if (result == MatchResult::None)
            continue;
        plan.matches.append(
            {g, entry.line + 1, entry.keyword, entry.destination, result != MatchResult::Match, where});
        if (result == MatchResult::ConfirmEachTime) {
            plan.tested = g + 1;
            break;
        }
        const Forms *&forms = index.forms[g];
        if (!forms) {
            auto known = m_forms.find(entry.destination);
            if (known == m_forms.end()) {
                known = m_forms
                            .emplace(entry.destination,
                                     Forms {shortForm(entry.destination, m_root),
                                            shortForm(entry.destination.toLower(), m_rootLower),
                                            parentFolderMissing(entry.destination)})
                            .first;
            }
            forms = &known->second;
        }
        const auto sameKey = [forms](const QString *key) { return *key == forms->key; };
        if (std::none_of(keys.cbegin(), keys.cend(), sameKey)) {
            keys.append(&forms->key);
            plan.candidates.append({entry.destination, forms->shortForm, g, entry.keyword, forms->parentMissing});
        }
    }
    return plan;
}

bool ClassifyPlanner::parentFolderMissing(const QString &destination)
{
    const auto known = m_parentMissing.constFind(destination);
    if (known != m_parentMissing.cend())
        return *known;
    const bool missing = FileOps::parentFolderMissing(destination);
    m_parentMissing.insert(destination, missing);
    return missing;
}

ClassifyPlanner::ProbeIndex &ClassifyPlanner::probeIndex(const KeywordTable &table)
{
    if (m_index && table.parseNumber() == m_index->parseNumber)
        return *m_index;
    m_index = std::make_unique<ProbeIndex>();
    m_folder.reset();
    m_index->parseNumber = table.parseNumber();
    m_index->forms.resize(table.size());
    // Any group of an entry's search text will do; the one the fewest entries share leaves the fewest to
    // test (a list of "[k0001]", "[k0002]", ... would share "[k00").
    QList<PathGrams::Groups> groups(table.size());
    QHash<PathGrams::Group, int> shared;
    for (qsizetype g = 0; g < table.size(); ++g) {
        const KeywordEntry &entry = table.matchingEntry(g);
        if (entry.field != KeywordField::Anywhere)
            continue;
        groups[g] = PathGrams::groupsOf(entry);
        for (const PathGrams::Group &group : std::as_const(groups[g]))
            ++shared[group];
    }
    for (qsizetype g = 0; g < table.size(); ++g) {
        if (table.matchingEntry(g).field != KeywordField::Anywhere) {
            m_index->ofPages.append(g);
            continue;
        }
        if (groups[g].isEmpty()) {
            m_index->always.append(g);
            continue;
        }
        const PathGrams::Group group = *std::min_element(
            groups[g].cbegin(), groups[g].cend(),
            [&shared](const auto &a, const auto &b) { return shared.value(a) < shared.value(b); });
        m_index->present[group.probe()] = true;
        m_index->kinds.add(group);
        m_index->entries[group].append(g);
    }
    return *m_index;
}

namespace {

// The full paths of the files in a folder (not hidden; unsorted) when `files` is given, and those of the
// folders in it, hidden ones included.
QSet<QString> readFolder(const QString &folder, QStringList *files, int *unreadable = nullptr)
{
    QSet<QString> folders;
    DIR *dir = ::opendir(PathCodec::encode(folder).constData());
    if (!dir)
        return folders;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        // The folder says what most entries are; a link is taken for what it points to.
        bool isFolder = entry->d_type == DT_DIR;
        bool isFile = entry->d_type == DT_REG;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(::dirfd(dir), name, &st, 0) != 0)
                continue;
            isFolder = S_ISDIR(st.st_mode);
            isFile = S_ISREG(st.st_mode);
        }
        // A name that is not valid UTF-8 would come back from its text as another name: such entries are
        // counted, not listed (moves of companion folders carry them by their bytes).
        if (!QByteArrayView(name).isValidUtf8()) {
            if (unreadable && isFile && name[0] != '.')
                ++*unreadable;
            continue;
        }
        const QString decoded = PathCodec::decode(name);
        if (isFolder)
            folders.insert(FileOps::reduceRootJoin(FileOps::join(folder, decoded)));
        else if (files && isFile && name[0] != '.')
            files->append(FileOps::join(folder, decoded));
    }
    ::closedir(dir);
    return folders;
}

} // namespace

QSet<QString> foldersBeside(const QStringList &files)
{
    QSet<QString> folders;
    QSet<QString> listed;
    for (const QString &path : files) {
        const QString folder = FileOps::folderOf(FileOps::reduceRootJoin(path));
        if (listed.contains(folder))
            continue;
        listed.insert(folder);
        folders.unite(readFolder(folder, nullptr));
    }
    return folders;
}

SourceFolder listSourceFolder(const QString &folder)
{
    SourceFolder listing;
    QStringList paths;
    listing.folders = readFolder(folder, &paths, &listing.unreadableNames);
    const qsizetype nameStart = folder.size() + 1; // after the one "/" join() puts in

    // Sort keys: comparing each pair afresh would cost the collator most of the time spent here. The
    // names are handed over in place, without a copy.
    const QCollator collator = FileOps::nameCollator();
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(paths.size()));
    for (const QString &path : std::as_const(paths)) {
        const QString name = QString::fromRawData(path.constData() + nameStart, path.size() - nameStart);
        keys.push_back(collator.sortKey(toLowerCase(name)));
    }
    std::vector<qsizetype> order(size_t(paths.size()));
    std::iota(order.begin(), order.end(), 0);
    // Paths in one folder compare as their names do.
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const int byKey = keys[size_t(a)].compare(keys[size_t(b)]);
        return byKey != 0 ? byKey < 0 : paths.at(a) < paths.at(b);
    });
    listing.files.reserve(paths.size());
    for (const qsizetype i : order)
        listing.files.append(std::move(paths[i]));
    return listing;
}

void countUse(KeywordTable &table, qsizetype index, const QString &keyword, const QString &destination)
{
    if (index < 0 || index >= table.size())
        return;
    const KeywordEntry &entry = table.matchingEntry(index);
    if (entry.keyword == keyword && entry.destination == destination)
        table.countUse(index);
}
