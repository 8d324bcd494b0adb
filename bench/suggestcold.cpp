// The first (cold) build of the suggestions' index against reading every archived page's head once.
//
// Usage: bench_suggestcold PARENT SOURCE CACHE_FILE read|build. "read" reads the title and address of
// every page below PARENT (not in SOURCE) as the index does; "build" builds the index and learns from it
// with no cache. Prints the seconds it took.

#include "archiveindex.h"
#include "pagefacts.h"
#include "suggester.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 5) {
        std::fprintf(stderr, "usage: bench_suggestcold PARENT SOURCE CACHE_FILE read|build\n");
        return 2;
    }
    const QString parent = arguments.at(1), source = arguments.at(2), cache = arguments.at(3);

    QElapsedTimer timer;
    timer.start();
    if (arguments.at(4) == u"build") {
        QFile::remove(cache);
        Suggester suggester({parent, {source}, true, cache});
        suggester.prepare();
        std::printf("pages %lld folders %lld seconds %.3f\n", qlonglong(suggester.pageCount()),
                    qlonglong(suggester.folderCount()), double(timer.nsecsElapsed()) / 1e9);
        return 0;
    }
    QStringList pages;
    QDirIterator it(parent, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.startsWith(source + u'/') && it.fileInfo().path() != parent)
            pages.append(path);
    }
    const QList<PageFacts> facts = PageFactsReading::readAll(pages);
    std::printf("pages %lld seconds %.3f\n", qlonglong(facts.size()), double(timer.nsecsElapsed()) / 1e9);
    return 0;
}
