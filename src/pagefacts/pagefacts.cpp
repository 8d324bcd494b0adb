#include "pagefacts.h"

#include "apppaths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The head of a regular file, opened without following a link and without waiting on a pipe.
QByteArray headOf(const QString &path, qsizetype size = PageFactsReading::headSize)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray head;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        head.resize(std::min<qsizetype>(size, qsizetype(st.st_size)));
        qsizetype done = 0;
        while (done < head.size()) {
            const ssize_t got = ::read(fd, head.data() + done, size_t(head.size() - done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += got;
        }
        head.truncate(done);
    }
    ::close(fd);
    return head;
}

QString pdfTitle(const QString &path)
{
    const QString helper = AppPaths::helperExecutable(u"marrowdale-pdf-title"_s);
    if (helper.isEmpty())
        return {};
    QProcess process;
    process.start(helper, {path});
    // The helper limits its own time; this is for one that waits on something else.
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput().left(4096)).simplified();
}

} // namespace

namespace PageFactsReading {

PageFacts read(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    PageFacts facts;
    if (suffix == u"htm" || suffix == u"html" || suffix == u"xhtml" || suffix == u"shtml")
        facts = fromHtml(headOf(path));
    else if (suffix == u"mht" || suffix == u"mhtml")
        facts = fromMhtml(headOf(path));
    else if (suffix == u"url" || suffix == u"desktop" || suffix == u"webloc")
        facts = fromLinkFile(headOf(path), suffix);
    else if (suffix == u"pdf" && headOf(path, 1024).contains("%PDF-"))
        facts.title = pdfTitle(path); // a process of its own: only for what looks like a PDF
    // A download keeps the address it came from beside it; a page's own word comes first.
    if (facts.address.isEmpty())
        facts.address = downloadAddress(path);
    return facts;
}

} // namespace PageFactsReading
