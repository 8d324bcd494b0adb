#pragma once

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// What a page says about its subject, as suggestions read it: its name, its title and the host it was
// saved from. The text is folded (full width to half width, lower case) and cut into features that serve
// Japanese and English alike: character n-grams need no word boundaries, which Japanese does not write.
struct PageText
{
    QString name; ///< the file's name
    QString title; ///< empty when unknown
    QString host; ///< lower case, in its Unicode form; empty when unknown

    friend bool operator==(const PageText &, const PageText &) = default;
};

namespace PageWords {

/// Features (hashed) with how often the page has each, sorted by feature.
using Counts = std::vector<std::pair<quint32, float>>;

Counts featuresOf(const PageText &page);

/// Words of the page that may say why it belongs somewhere: folded, each once, in the order met. A run of
/// CJK characters gives its two-character pieces, as no word boundary can be told in it.
QStringList wordsOf(const PageText &page);

/// Whether the text has the word of wordsOf() (as a whole word, unless it is a CJK piece).
bool hasWord(const QString &text, const QString &word);

/// The feature of a word of wordsOf(), and of a site of sitesOf().
quint32 wordFeature(const QString &word);
quint32 siteFeature(const QString &site);

/// The host and the domains above it that still name one site ("news.example.co.jp" gives itself and
/// "example.co.jp"), most particular first.
QStringList sitesOf(const QString &host);

/// The host of an address, lower case and in its Unicode form; empty when it has none.
QString hostOf(const QString &address);

} // namespace PageWords
