#include "pagewords.h"

#include "keywordtable.h"

#include <QUrl>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Each kind of feature hashes apart, so that a word and a three-letter gram of the same letters differ.
enum Seed : quint32 { Gram = 0x9e3779b9u, Word = 0x85ebca6bu, WordPair = 0xc2b2ae35u, Site = 0x27d4eb2fu };

quint32 hashOf(QStringView text, quint32 seed)
{
    quint32 hash = 2166136261u ^ seed;
    for (const QChar c : text) {
        hash ^= c.unicode();
        hash *= 16777619u;
    }
    return hash;
}

bool isIdeographic(QChar c)
{
    // Kana, CJK ideographs and their compatibility forms, Hangul syllables: written without spaces.
    const char16_t u = c.unicode();
    return (u >= 0x3040 && u <= 0x30ff) || (u >= 0x3400 && u <= 0x9fff) || (u >= 0xac00 && u <= 0xd7af)
        || (u >= 0xf900 && u <= 0xfaff) || (u >= 0xff66 && u <= 0xff9f) || c.isSurrogate();
}

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c.isMark() || c.isSurrogate();
}

// The characters of a folded text that words are made of; every run of others becomes one space.
QString normalised(const QString &text)
{
    const QString folded = toLowerCase(toHalfWidth(text));
    QString words;
    words.reserve(folded.size() + 2);
    words += u' ';
    for (const QChar c : folded) {
        if (isWordCharacter(c))
            words += c;
        else if (!words.endsWith(u' '))
            words += u' ';
    }
    if (!words.endsWith(u' '))
        words += u' ';
    return words;
}

// The name without its extension and the title, each once: a browser names a page after its title.
QString foldedText(const PageText &page)
{
    QString name = page.name;
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0 && name.size() - dot <= 6)
        name.truncate(dot);
    const QString words = normalised(name);
    if (page.title.isEmpty())
        return words;
    const QString title = normalised(page.title);
    if (title.contains(words))
        return title;
    if (words.contains(title))
        return words;
    return words + title.sliced(1);
}

// The runs of word characters of a folded text; CJK characters and others written together
// ("python入門") make runs of their own, as they are words of their own.
QList<QStringView> runsOf(QStringView text)
{
    QList<QStringView> runs;
    for (qsizetype i = 0; i < text.size();) {
        while (i < text.size() && text[i] == u' ')
            ++i;
        const qsizetype start = i;
        while (i < text.size() && text[i] != u' ' && isIdeographic(text[i]) == isIdeographic(text[start]))
            ++i;
        if (i > start)
            runs.append(text.sliced(start, i - start));
    }
    return runs;
}

} // namespace

namespace PageWords {

Counts featuresOf(const PageText &page)
{
    const QString text = foldedText(page);
    std::vector<quint32> features;
    features.reserve(text.size() * 3 + 16);
    const QStringView view(text);
    // Grams of three to five characters (blanks included, so that they know where words begin and end);
    // of two where a CJK character takes part, as two characters often make a Japanese word.
    // One hash grows along each gram (as hashOf() would compute it), giving the gram of every length.
    for (qsizetype i = 0; i + 2 <= view.size(); ++i) {
        quint32 hash = 2166136261u ^ Gram;
        for (qsizetype n = 1; n <= 5 && i + n <= view.size(); ++n) {
            hash = (hash ^ view[i + n - 1].unicode()) * 16777619u;
            if (n >= 3 || (n == 2 && (isIdeographic(view[i]) || isIdeographic(view[i + 1]))))
                features.push_back(hash);
        }
    }
    const QList<QStringView> runs = runsOf(view);
    for (qsizetype i = 0; i < runs.size(); ++i) {
        features.push_back(hashOf(runs.at(i), Word));
        if (i > 0) {
            const QStringView pair(runs.at(i - 1).data(), runs.at(i).data() + runs.at(i).size());
            features.push_back(hashOf(pair, WordPair));
        }
    }
    for (const QString &site : sitesOf(page.host))
        features.push_back(siteFeature(site));

    std::sort(features.begin(), features.end());
    Counts counts;
    counts.reserve(features.size());
    for (const quint32 feature : features) {
        if (!counts.empty() && counts.back().first == feature)
            counts.back().second += 1;
        else
            counts.emplace_back(feature, 1.0f);
    }
    return counts;
}

QStringList wordsOf(const PageText &page)
{
    const QString text = foldedText(page);
    QStringList words;
    for (const QStringView run : runsOf(text)) {
        if (std::any_of(run.begin(), run.end(), isIdeographic)) {
            for (qsizetype i = 0; i + 2 <= run.size(); ++i) {
                if (isIdeographic(run[i]) && isIdeographic(run[i + 1]))
                    words.append(run.sliced(i, 2).toString());
            }
        } else if (run.size() >= 2) {
            words.append(run.toString());
        }
    }
    words.removeDuplicates();
    return words;
}

bool hasWord(const QString &text, const QString &word)
{
    // Most texts need no folding to be searched: only one with characters beyond ASCII is folded first.
    const bool plain = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    const QString searched = plain ? text : toHalfWidth(text);
    const bool piece = std::any_of(word.begin(), word.end(), isIdeographic);
    for (qsizetype at = searched.indexOf(word, 0, Qt::CaseInsensitive); at >= 0;
         at = searched.indexOf(word, at + 1, Qt::CaseInsensitive)) {
        const qsizetype end = at + word.size();
        const auto apart = [&](qsizetype i, qsizetype inside) {
            return !isWordCharacter(searched[i]) || isIdeographic(searched[i]) != isIdeographic(searched[inside]);
        };
        if (piece || ((at == 0 || apart(at - 1, at)) && (end == searched.size() || apart(end, end - 1))))
            return true;
    }
    return false;
}

quint32 wordFeature(const QString &word)
{
    // A CJK piece of wordsOf() is a two-character gram; another word is a word.
    return std::any_of(word.begin(), word.end(), isIdeographic) ? hashOf(word, Gram) : hashOf(word, Word);
}

quint32 siteFeature(const QString &site)
{
    return hashOf(site, Site);
}

QStringList sitesOf(const QString &host)
{
    QStringList sites;
    if (host.isEmpty())
        return sites;
    const QStringList labels = host.split(u'.', Qt::SkipEmptyParts);
    // The site's own name is the last two labels, or three below a two-letter country's "co", "ac",
    // "or", "com" and the like.
    qsizetype siteLabels = 2;
    if (labels.size() >= 3 && labels.constLast().size() == 2 && labels.at(labels.size() - 2).size() <= 3)
        siteLabels = 3;
    for (qsizetype from = 0; from <= labels.size() - siteLabels; ++from)
        sites.append(labels.sliced(from).join(u'.'));
    if (sites.isEmpty())
        sites.append(labels.join(u'.')); // "localhost"
    return sites;
}

QString hostOf(const QString &address)
{
    const QString host = QUrl(address.trimmed()).host(QUrl::FullyEncoded).toLower();
    if (host.isEmpty())
        return {};
    return QUrl::fromAce(host.toLatin1()).toLower();
}

} // namespace PageWords
