#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QString>

// What a page is, beyond its name: its title and the address it was saved from, read from the file
// where it can be (an HTML page's head, an MHTML snapshot's headers, a PDF's metadata, a link file, the
// attributes a browser sets on a download). Only the head of a file is read, and a damaged or hostile
// file yields nothing rather than a hang, a crash or a large allocation.
struct PageFacts
{
    QString title; ///< blanks collapsed; empty when none was found
    QString address; ///< as written (an internationalised host may stand in its xn-- form)

    bool isEmpty() const { return title.isEmpty() && address.isEmpty(); }
    friend bool operator==(const PageFacts &, const PageFacts &) = default;
};

namespace PageFactsReading {

/// The facts of one file, read from it now.
PageFacts read(const QString &path);
/// The facts of several files, read several at a time.
QList<PageFacts> readAll(const QStringList &paths);

/// An HTML page's head: the title in the charset the page declares (or the one its bytes are in), and the
/// address of a "saved from url" comment or of a single-file saver's comment block.
PageFacts fromHtml(QByteArrayView head);
/// An MHTML snapshot's head: its location and subject, else the first HTML part's title.
PageFacts fromMhtml(QByteArrayView head);
/// A link file: .url ([InternetShortcut] URL=), .desktop (Type=Link, URL=), .webloc (a property list).
PageFacts fromLinkFile(QByteArrayView head, const QString &suffix);

/// The address a browser set on a download (user.xdg.origin.url, else user.xdg.referrer.url).
QString downloadAddress(const QString &path);

/// How much of a file is read at most, and how much of a title is kept.
inline constexpr qsizetype headSize = 256 * 1024;
inline constexpr qsizetype titleLength = 1024;

} // namespace PageFactsReading
