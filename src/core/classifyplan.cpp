#include "classifyplan.h"

#include "fileops.h"

#include <QDir>

using namespace Qt::StringLiterals;

ClassifyPlanner::ClassifyPlanner(const QString &rootFolder, QSet<QString> foldersBeside)
    : m_root(rootFolder)
    , m_rootLower(rootFolder.toLower())
    , m_foldersBeside(std::move(foldersBeside))
{ }

FilePlan ClassifyPlanner::plan(const KeywordTable &table, const QString &path)
{
    FilePlan plan;
    plan.path = path;
    plan.companion = travellingCompanion(FileOps::reduceRootJoin(path), m_foldersBeside);
    const PreparedPath prepared = preparePath(path);
    m_grams.assign(prepared);

    QStringList keys; // candidates' short forms without regard to case
    for (qsizetype g = 0; g < table.size(); ++g) {
        const KeywordEntry &entry = table[g];
        plan.tested = g + 1;
        if (!m_grams.mayMatch(entry))
            continue;
        const MatchResult result = matchKeyword(entry, prepared);
        if (result == MatchResult::None)
            continue;
        plan.matches.append({g, entry.line + 1, entry.keyword, entry.destination, result != MatchResult::Match});
        if (result == MatchResult::ConfirmEachTime) {
            plan.asksEachTime = true;
            break;
        }
        const QString key = shortForm(entry.destination.toLower(), m_rootLower);
        if (!keys.contains(key)) {
            keys.append(key);
            plan.candidates.append({entry.destination, shortForm(entry.destination, m_root), g, entry.keyword});
        }
    }
    return plan;
}

QSet<QString> foldersBeside(const QStringList &files)
{
    QSet<QString> folders;
    QSet<QString> listed;
    for (const QString &path : files) {
        const QString folder = FileOps::folderOf(FileOps::reduceRootJoin(path));
        if (listed.contains(folder))
            continue;
        listed.insert(folder);
        const QStringList names = QDir(folder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QString &name : names)
            folders.insert(FileOps::reduceRootJoin(FileOps::join(folder, name)));
    }
    return folders;
}

QString travellingCompanion(const QString &filePath, const QSet<QString> &folders)
{
    for (const QString &suffix : {u"_files"_s, u".files"_s}) {
        const QString companion = FileOps::companionPath(filePath, suffix);
        if (folders.contains(companion))
            return companion;
    }
    return QString();
}

QStringList sourceFiles(const QString &folder)
{
    QStringList paths;
    const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    paths.reserve(names.size());
    for (const QString &name : names)
        paths.append(FileOps::join(folder, name));
    return paths;
}

void countSearches(KeywordTable &table, const FilePlan &plan)
{
    const qsizetype end = std::min(plan.tested, table.size());
    for (qsizetype g = 0; g < end; ++g) {
        if (table[g].counted())
            ++table[g].searchCount;
    }
}

void countUse(KeywordTable &table, qsizetype index, const QString &keyword, const QString &destination)
{
    if (index < 0 || index >= table.size())
        return;
    KeywordEntry &entry = table[index];
    if (entry.keyword == keyword && entry.destination == destination)
        ++entry.usedCount;
}
