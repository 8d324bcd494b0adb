#include "pagefacts.h"

#include "textfile.h"

#include <QFile>
#include <QXmlStreamReader>

#include <sys/xattr.h>

using namespace Qt::StringLiterals;

namespace {

// "key=value" lines of an ini-style link file: the value of `key` in `section`, names without regard to case.
QString valueIn(const QString &text, const QString &section, const QString &key)
{
    bool inSection = false;
    for (const QString &raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            inSection = line.compare(u'[' + section + u']', Qt::CaseInsensitive) == 0;
        } else if (inSection) {
            const qsizetype equals = line.indexOf(u'=');
            if (equals > 0 && line.first(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0)
                return line.sliced(equals + 1).trimmed();
        }
    }
    return {};
}

// <dict><key>URL</key><string>...</string></dict>
QString webloc(QByteArrayView head)
{
    QXmlStreamReader xml(head.toByteArray());
    bool urlKey = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"key")
            urlKey = xml.readElementText() == u"URL";
        else if (xml.name() == u"string" && urlKey)
            return xml.readElementText().trimmed();
        else
            urlKey = false;
    }
    return {};
}

} // namespace

namespace PageFactsReading {

PageFacts fromLinkFile(QByteArrayView head, const QString &suffix)
{
    PageFacts facts;
    if (suffix == u"webloc") {
        facts.address = webloc(head);
        return facts;
    }
    const QString text = TextFile::decode(head.toByteArray()).text;
    if (suffix == u"url") {
        facts.address = valueIn(text, u"InternetShortcut"_s, u"URL"_s);
    } else if (valueIn(text, u"Desktop Entry"_s, u"Type"_s) == u"Link") {
        facts.address = valueIn(text, u"Desktop Entry"_s, u"URL"_s);
        facts.title = valueIn(text, u"Desktop Entry"_s, u"Name"_s).simplified();
    }
    return facts;
}

QString downloadAddress(const QString &path)
{
    const QByteArray file = QFile::encodeName(path);
    for (const char *name : {"user.xdg.origin.url", "user.xdg.referrer.url"}) {
        char value[8192];
        const ssize_t length = ::lgetxattr(file.constData(), name, value, sizeof value);
        if (length > 0)
            return QString::fromUtf8(value, length).trimmed();
    }
    return {};
}

} // namespace PageFactsReading
