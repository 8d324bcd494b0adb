#include "suggester.h"

#include "rawvectors.h"

#include "apppaths.h"
#include "atomicwrite.h"
#include "keywordtable.h"
#include "marrowdaleerror.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <numeric>
#include <unordered_map>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 magic = 0x4D445347; // "MDSG"
constexpr quint32 version = 4;
constexpr qint64 largestCache = qint64(1) << 30;

quint64 showKey(quint32 feature, qsizetype folder)
{
    return quint64(feature) << 16 | quint64(folder);
}

} // namespace

QString suggestionCacheFile(const QString &parentFolder, bool readPages)
{
    const QByteArray key = parentFolder.toUtf8() + (readPages ? "\0pages" : "\0names");
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(16);
    return AppPaths::cacheFolder() + u"/suggestions-"_s + QString::fromLatin1(hash) + u".index"_s;
}

Suggester::Suggester(Setup setup)
    : m_setup(std::move(setup))
{
    if (m_setup.cacheFile.isEmpty())
        m_setup.cacheFile = suggestionCacheFile(m_setup.parentFolder, m_setup.readPages);
}

bool Suggester::load()
{
    QFile file(m_setup.cacheFile);
    if (!file.open(QIODevice::ReadOnly) || file.size() > largestCache)
        return false;
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 readMagic = 0, readVersion = 0;
    in >> readMagic >> readVersion;
    if (readMagic != magic || readVersion != version)
        return false;
    ArchiveIndex index;
    QList<qsizetype> classes;
    SuggestionModel model;
    QString titles;
    std::vector<quint32> titleStart;
    in >> index >> classes >> model >> titles;
    if (!RawVectors::read(in, titleStart) || titleStart.empty() || !std::is_sorted(titleStart.begin(), titleStart.end())
        || titleStart.front() != 0 || titleStart.back() != quint32(titles.size()))
        return false;
    std::vector<Shown> shown;
    if (!RawVectors::read(in, shown) || classes.size() != model.folders()
        || std::any_of(classes.begin(), classes.end(), [&](qsizetype f) { return f < 0 || f >= index.folders().size(); }))
        return false;
    // Every page a reason may show must be there.
    const qint32 pages = qint32(titleStart.size() - 1);
    for (const Shown &entry : shown) {
        if (qsizetype(entry.key & 0xffff) >= classes.size()
            || std::any_of(std::begin(entry.pages), std::end(entry.pages), [pages](qint32 p) { return p < -1 || p >= pages; }))
            return false;
    }
    m_shown = std::move(shown);
    m_titles = std::move(titles);
    m_titleStart = std::move(titleStart);
    m_index = std::move(index);
    m_classes = std::move(classes);
    m_model = std::move(model);
    return true;
}

void Suggester::save() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << magic << version << m_index << m_classes << m_model << m_titles;
    RawVectors::write(out, m_titleStart);
    RawVectors::write(out, m_shown);
    try {
        QDir().mkpath(QFileInfo(m_setup.cacheFile).path());
        writeFileAtomically(m_setup.cacheFile, bytes);
    } catch (const MarrowdaleError &) {
        // Not kept: the next run looks at every folder again.
    }
}

void Suggester::prepare()
{
    if (!m_loaded) {
        m_loaded = true;
        m_learned = load();
    }
    const bool changed = m_index.update(m_setup.parentFolder, m_setup.leaveOut, m_setup.readPages);
    if (changed || !m_learned) {
        learn();
        save();
        m_learned = true;
    }
}

void Suggester::learn()
{
    m_classes.clear();
    m_titles.clear();
    m_titleStart.assign(1, 0);
    std::vector<SuggestionModel::Example> examples;
    std::unordered_map<quint64, Shown> byKey;
    const QList<ArchiveIndex::Folder> &folders = m_index.folders();
    for (qsizetype f = 0; f < folders.size(); ++f) {
        if (folders.at(f).pageCount() == 0)
            continue;
        const QList<ArchiveIndex::Page> &pages = folders.at(f).pages();
        for (qsizetype p = 0; p < pages.size(); ++p) {
            const PageText &page = pages.at(p).text;
            const qint32 number = qint32(examples.size());
            examples.push_back({PageWords::featuresOf(page), int(m_classes.size())});
            m_titles += page.title.isEmpty() ? page.name : page.title;
            m_titleStart.push_back(quint32(m_titles.size()));
            const auto count = [&](quint32 feature) {
                Shown &shown = byKey.try_emplace(showKey(feature, m_classes.size()),
                                                 Shown {showKey(feature, m_classes.size()), 0, {-1, -1}}).first->second;
                if (shown.count < 2)
                    shown.pages[shown.count] = number;
                ++shown.count;
            };
            for (const QString &word : PageWords::wordsOf(page))
                count(PageWords::wordFeature(word));
            for (const QString &site : PageWords::sitesOf(page.host))
                count(PageWords::siteFeature(site));
        }
        m_classes.append(f);
    }
    m_model.train(examples, int(m_classes.size()));
    m_shown.clear();
    m_shown.reserve(byKey.size());
    for (const auto &[key, shown] : byKey)
        m_shown.push_back(shown);
    std::sort(m_shown.begin(), m_shown.end(), [](const Shown &a, const Shown &b) { return a.key < b.key; });
}

const Suggester::Shown *Suggester::shown(quint32 feature, qsizetype folder) const
{
    const quint64 key = showKey(feature, folder);
    const auto found = std::lower_bound(m_shown.begin(), m_shown.end(), key,
                                        [](const Shown &shown, quint64 k) { return shown.key < k; });
    return found != m_shown.end() && found->key == key ? &*found : nullptr;
}

QString Suggester::titleOf(qint32 page) const
{
    return m_titles.sliced(m_titleStart[page], m_titleStart[page + 1] - m_titleStart[page]);
}

QList<Suggestion> Suggester::suggest(const QString &path, const PageFacts &facts, int count,
                                     const QStringList &among) const
{
    QList<Suggestion> suggestions;
    // With one folder there is nothing to choose between.
    if (m_model.folders() < 2)
        return suggestions;
    const PageText page {path.mid(path.lastIndexOf(u'/') + 1), facts.title, PageWords::hostOf(facts.address)};
    const std::vector<float> scores = m_model.scores(PageWords::featuresOf(page));
    if (scores.empty())
        return suggestions;
    std::vector<int> order(scores.size());
    std::iota(order.begin(), order.end(), 0);
    if (!among.isEmpty()) {
        std::erase_if(order, [&](int c) { return !among.contains(m_index.folders().at(m_classes.at(c)).path); });
    } else {
        std::erase_if(order, [&](int c) { return scores[c] < leastScore; });
    }
    const size_t shown = std::min(order.size(), size_t(std::max(count, 0)));
    std::partial_sort(order.begin(), order.begin() + shown, order.end(),
                      [&](int a, int b) { return scores[a] > scores[b]; });
    const QStringList words = PageWords::wordsOf(page);
    for (size_t i = 0; i < shown; ++i)
        suggestions.append(explained(page, words, order[i], scores[order[i]]));
    return suggestions;
}

Suggestion Suggester::explained(const PageText &page, const QStringList &words, int folder, float score) const
{
    const ArchiveIndex::Folder &filed = m_index.folders().at(m_classes.at(folder));
    Suggestion suggestion {filed.path, shortForm(filed.path, m_setup.parentFolder), score, {}, {}};

    // The site says most, where pages of it are filed there: the most particular of its domains that is.
    const QStringList sites = PageWords::sitesOf(page.host);
    for (const QString &site : sites) {
        if (const Shown *same = shown(PageWords::siteFeature(site), folder)) {
            suggestion.because = ProgramText(Message::SuggestSameSite, {QString::number(same->count), ProgramText(site)});
            suggestion.keyword = u"site:"_s + sites.constLast();
            return suggestion;
        }
    }

    // Else the word of the page that pulls most towards the folder, shown with titles that have it.
    QString best;
    const Shown *bestShown = nullptr;
    float bestPull = 0;
    for (const QString &word : words) {
        const quint32 feature = PageWords::wordFeature(word);
        const Shown *here = shown(feature, folder);
        if (!here)
            continue;
        if (const float pull = m_model.pullOf(feature, folder); pull > bestPull) {
            bestPull = pull;
            best = word;
            bestShown = here;
        }
    }
    if (!bestShown) {
        suggestion.because = ProgramText(Message::SuggestLikePages, {QString::number(filed.pageCount())});
        return suggestion;
    }
    QStringList examples;
    for (const qint32 p : bestShown->pages) {
        if (p >= 0)
            examples.append(u'"' + titleOf(p) + u'"');
    }
    suggestion.because = ProgramText(Message::SuggestSimilarTitles, {QString::number(bestShown->count), ProgramText(best),
                                                                     ProgramText(examples.join(u", "_s))});
    // A keyword matches the path; a word only the title has needs the title: form.
    suggestion.keyword = PageWords::hasWord(page.name, best) ? best : u"title:"_s + best;
    return suggestion;
}
