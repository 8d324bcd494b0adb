#pragma once

#include "archiveindex.h"
#include "pagefacts.h"
#include "programtext.h"
#include "suggestionmodel.h"

#include <QList>
#include <QSet>
#include <QString>

#include <vector>

// A folder a page may belong in, with why.
struct Suggestion
{
    QString folder; ///< full path
    QString shortFolder; ///< as the keyword list writes it (".." for the parent folder)
    float score = 0; ///< between 0 and 1; the scores of all folders together make 1
    ProgramText because;
    /// The keyword of a line that would file such pages there: the site ("site:example.com"), or the
    /// word that spoke most for the folder ("title:word" when only the title has it).
    QString keyword;
};

// Suggests where pages belong, learned from the pages filed in the folders below the parent folder. The
// index of those pages and what was learned from it are kept in the program's cache folder, one file for
// each parent folder, and brought up to date at each prepare().
class Suggester
{
public:
    struct Setup
    {
        QString parentFolder;
        QSet<QString> leaveOut; ///< folders whose pages are not filed yet: the source folder
        bool readPages = true; ///< the filed pages' titles and addresses take part
        QString cacheFile; ///< empty: the program's cache folder's
    };
    explicit Suggester(Setup setup);

    /// Looks at the folders again and learns from what changed; keeps both in the cache. The cache is only
    /// a saving: one that is damaged, from another version or cannot be written is built anew.
    void prepare();

    /// Up to `count` folders for the page, best first; only among `among` (full paths) when given.
    QList<Suggestion> suggest(const QString &path, const PageFacts &facts, int count = 3,
                              const QStringList &among = {}) const;

    qsizetype pageCount() const { return m_index.pageCount(); }
    qsizetype folderCount() const { return m_classes.size(); }
    QString parentFolder() const { return m_setup.parentFolder; }
    QSet<QString> leftOut() const { return m_setup.leaveOut; }

    /// Suggestions below this score are not worth showing.
    static constexpr float leastScore = 0.001f;

private:
    bool load();
    void learn();
    void save() const;
    Suggestion explained(const PageText &page, const QStringList &words, int folder, float score) const;

    Setup m_setup;
    bool m_loaded = false;
    bool m_learned = false; ///< the model was learned from the index as it is now
    ArchiveIndex m_index;
    QList<qsizetype> m_classes; ///< the index's folders that hold pages, as the model numbers them
    SuggestionModel m_model;
    // How many pages of a folder (as the model numbers them) have a word or a site, and up to two of them
    // (their number in m_titleStart; -1 for none): what a reason shows. Sorted by key.
    struct Shown
    {
        quint64 key; ///< the word's or site's feature, and the folder
        qint32 count;
        qint32 pages[2];
    };
    const Shown *shown(quint32 feature, qsizetype folder) const;
    QString titleOf(qint32 page) const;
    std::vector<Shown> m_shown;
    // The title (else the name) of every filed page, one after another: a reason shows them without the
    // index's pages being read.
    QString m_titles;
    std::vector<quint32> m_titleStart; ///< of each page's title in m_titles, and their end
};

/// The cache file of the suggestions for a parent folder (names only, or with the pages' facts).
QString suggestionCacheFile(const QString &parentFolder, bool readPages);
