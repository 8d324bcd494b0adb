#include "pagefacts.h"

#include <gmime/gmime.h>

#include <mutex>

namespace {

template<typename T> struct Unref
{
    void operator()(T *object) const { g_object_unref(object); }
};
template<typename T> using Owned = std::unique_ptr<T, Unref<T>>;

QString header(GMimeObject *object, const char *name)
{
    const char *value = g_mime_object_get_header(object, name);
    return value ? QString::fromUtf8(value).trimmed() : QString();
}

// The first HTML part of a snapshot: the page itself.
GMimePart *firstHtmlPart(GMimeObject *object)
{
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart *multipart = GMIME_MULTIPART(object);
        const int count = g_mime_multipart_get_count(multipart);
        for (int i = 0; i < count; ++i) {
            if (GMimePart *part = firstHtmlPart(g_mime_multipart_get_part(multipart, i)))
                return part;
        }
        return nullptr;
    }
    GMimeContentType *type = g_mime_object_get_content_type(object);
    return GMIME_IS_PART(object) && type && g_mime_content_type_is_type(type, "text", "html") ? GMIME_PART(object)
                                                                                              : nullptr;
}

} // namespace

namespace PageFactsReading {

PageFacts fromMhtml(QByteArrayView head)
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
    PageFacts facts;
    // GMime reads the buffer where it is; a copy keeps it alive as long as the stream.
    const QByteArray bytes = head.toByteArray();
    Owned<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.constData(), size_t(bytes.size())));
    Owned<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    Owned<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
    if (!message)
        return facts;
    // The subject's encoded words are joined before they are decoded: a browser splits them anywhere,
    // also inside one character.
    if (const char *subject = g_mime_message_get_subject(message.get()))
        facts.title = QString::fromUtf8(subject).simplified();
    facts.address = header(GMIME_OBJECT(message.get()), "Snapshot-Content-Location");
    GMimePart *page = firstHtmlPart(g_mime_message_get_mime_part(message.get()));
    if (facts.address.isEmpty() && page)
        facts.address = header(GMIME_OBJECT(page), "Content-Location");
    if (facts.title.isEmpty() && page) {
        // The page's own bytes, quoted-printable undone; its charset may stand only in its <meta>.
        if (GMimeDataWrapper *content = g_mime_part_get_content(page)) {
            Owned<GMimeStream> decoded(g_mime_stream_mem_new());
            g_mime_data_wrapper_write_to_stream(content, decoded.get());
            const GByteArray *data = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(decoded.get()));
            facts.title = fromHtml(QByteArrayView(reinterpret_cast<const char *>(data->data), qsizetype(data->len))).title;
        }
    }
    return facts;
}

} // namespace PageFactsReading
