#include "pagefacts.h"

#include <QRegularExpression>

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <unicode/ucnv.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

using namespace Qt::StringLiterals;

namespace {

using Converter = std::unique_ptr<UConverter, decltype(&ucnv_close)>;

// Labels as browsers read them: Shift_JIS is Windows' CP932, Latin-1 and ASCII are Windows-1252.
QByteArray converterName(QByteArray label)
{
    label = label.trimmed().toLower();
    static const std::pair<const char *, const char *> aliases[] = {
        {"shift_jis", "windows-31j"}, {"shift-jis", "windows-31j"}, {"sjis", "windows-31j"},
        {"x-sjis", "windows-31j"},    {"ms_kanji", "windows-31j"},  {"ms932", "windows-31j"},
        {"cp932", "windows-31j"},     {"csshiftjis", "windows-31j"}, {"iso-8859-1", "windows-1252"},
        {"latin1", "windows-1252"},   {"us-ascii", "windows-1252"}, {"ascii", "windows-1252"},
        {"x-euc-jp", "EUC-JP"},       {"csiso2022jp", "ISO-2022-JP"}};
    for (const auto &[alias, name] : aliases) {
        if (label == alias)
            return name;
    }
    // A page that calls itself UTF-16 in its own bytes cannot be: it is read as UTF-8.
    if (label.startsWith("utf-16") || label.startsWith("unicode"))
        return "UTF-8";
    return label;
}

// The bytes as text in `charset`; with `strict`, nothing when a byte does not decode.
std::optional<QString> decode(QByteArrayView bytes, const QByteArray &charset, bool strict)
{
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(charset.constData(), &status), &ucnv_close);
    if (U_FAILURE(status))
        return std::nullopt;
    if (strict)
        ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    // A stateful encoding (ISO-2022-JP) never takes more units than bytes, nor does any other.
    QString text(bytes.size() + 1, Qt::Uninitialized);
    const int32_t length = ucnv_toUChars(converter.get(), reinterpret_cast<UChar *>(text.data()), int32_t(text.size()),
                                         bytes.data(), int32_t(bytes.size()), &status);
    if (U_FAILURE(status) && (strict || status != U_STRING_NOT_TERMINATED_WARNING))
        return strict ? std::nullopt : std::optional(QString());
    text.truncate(length);
    // What did not decode stands as U+FFFD, or as the charset's own substitute (a control character), which
    // a title must not hold either.
    return text.replace(QChar(0x1A), QChar::ReplacementCharacter);
}

void initialise()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

// One pass of libxml2's HTML tokenizer over a page's head, calling `sink` for what it meets, until the
// sink stops it.
struct HeadSink
{
    virtual ~HeadSink() = default;
    virtual void element(const char *name, const xmlChar **attributes) = 0;
    virtual void endElement(const char *) { }
    virtual void text(const char *, int) { }
    virtual void comment(const char *) { }
    htmlParserCtxtPtr parser = nullptr;
    void stop() { xmlStopParser(parser); }
};

void parseHead(QByteArrayView bytes, xmlCharEncoding encoding, HeadSink &sink)
{
    initialise();
    htmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.startElement = [](void *context, const xmlChar *name, const xmlChar **attributes) {
        static_cast<HeadSink *>(static_cast<htmlParserCtxtPtr>(context)->_private)
            ->element(reinterpret_cast<const char *>(name), attributes);
    };
    sax.endElement = [](void *context, const xmlChar *name) {
        static_cast<HeadSink *>(static_cast<htmlParserCtxtPtr>(context)->_private)
            ->endElement(reinterpret_cast<const char *>(name));
    };
    sax.characters = [](void *context, const xmlChar *text, int length) {
        static_cast<HeadSink *>(static_cast<htmlParserCtxtPtr>(context)->_private)
            ->text(reinterpret_cast<const char *>(text), length);
    };
    sax.comment = [](void *context, const xmlChar *text) {
        static_cast<HeadSink *>(static_cast<htmlParserCtxtPtr>(context)->_private)
            ->comment(reinterpret_cast<const char *>(text));
    };
    const std::unique_ptr<htmlParserCtxt, decltype(&htmlFreeParserCtxt)> parser(
        htmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, nullptr, encoding), &htmlFreeParserCtxt);
    if (!parser)
        return;
    parser->_private = &sink;
    sink.parser = parser.get();
    htmlCtxtUseOptions(parser.get(), HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET
                                         | HTML_PARSE_IGNORE_ENC | HTML_PARSE_NOBLANKS);
    htmlParseChunk(parser.get(), bytes.data(), int(bytes.size()), 1);
}

const char *attribute(const xmlChar **attributes, const char *name)
{
    for (const xmlChar **a = attributes; a && a[0]; a += 2) {
        if (std::strcmp(reinterpret_cast<const char *>(a[0]), name) == 0)
            return a[1] ? reinterpret_cast<const char *>(a[1]) : "";
    }
    return nullptr;
}

bool endsTheHead(const char *name)
{
    return std::strcmp(name, "body") == 0;
}

// The charset a page declares in its head: <meta charset>, or the content type of http-equiv.
struct CharsetSink : HeadSink
{
    QByteArray charset;

    void element(const char *name, const xmlChar **attributes) override
    {
        if (endsTheHead(name))
            return stop();
        if (std::strcmp(name, "meta") != 0)
            return;
        if (const char *declared = attribute(attributes, "charset"))
            charset = declared;
        const char *equiv = attribute(attributes, "http-equiv");
        const char *content = attribute(attributes, "content");
        if (equiv && content && QByteArrayView(equiv).compare("content-type", Qt::CaseInsensitive) == 0) {
            const QByteArray type(content);
            const qsizetype at = type.toLower().indexOf("charset=");
            if (at >= 0)
                charset = type.mid(at + 8).split(';').value(0).replace('"', "").replace('\'', "");
        }
        if (!charset.isEmpty())
            stop();
    }
    void endElement(const char *name) override
    {
        if (std::strcmp(name, "head") == 0)
            stop();
    }
};

// The title and the address a saver wrote into a comment.
struct FactsSink : HeadSink
{
    PageFacts facts;
    QByteArray title;
    bool inTitle = false;
    bool titleSeen = false;

    void element(const char *name, const xmlChar **) override
    {
        if (endsTheHead(name))
            return stop();
        if (!titleSeen && std::strcmp(name, "title") == 0)
            inTitle = true;
    }
    void endElement(const char *name) override
    {
        if (inTitle && std::strcmp(name, "title") == 0) {
            inTitle = false;
            titleSeen = true;
        }
        if (std::strcmp(name, "head") == 0 || (titleSeen && !facts.address.isEmpty()))
            stop();
    }
    void text(const char *text, int length) override
    {
        if (inTitle && title.size() < 16384)
            title.append(text, length);
    }
    void comment(const char *text) override
    {
        if (facts.address.isEmpty())
            facts.address = savedFrom(QString::fromUtf8(text));
    }

    // "saved from url=(0041)https://..." (the number is the address's length), or a block with "url:"
    // and "saved date:" lines.
    static QString savedFrom(const QString &comment)
    {
        static const QRegularExpression browser(u"saved from url=\\((\\d+)\\)(\\S+)"_s);
        if (const QRegularExpressionMatch m = browser.match(comment); m.hasMatch())
            return m.captured(2).left(m.captured(1).toInt());
        static const QRegularExpression saver(u"^\\s*url:\\s*(\\S+)\\s*$"_s, QRegularExpression::MultilineOption);
        static const QRegularExpression saved(u"^\\s*saved date:"_s, QRegularExpression::MultilineOption);
        if (const QRegularExpressionMatch m = saver.match(comment); m.hasMatch() && saved.match(comment).hasMatch())
            return m.captured(1);
        return {};
    }
};

bool containsCharsetWord(QByteArrayView bytes)
{
    static constexpr std::string_view word = "charset";
    const auto same = [](char a, char b) { return (a | 0x20) == b; };
    return std::search(bytes.cbegin(), bytes.cend(), word.cbegin(), word.cend(), same) != bytes.cend();
}

// The charset of a page: its byte-order mark, what its head declares, else what its bytes are.
QByteArray charsetOf(QByteArrayView &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes = bytes.sliced(3);
        return "UTF-8";
    }
    if (bytes.startsWith("\xFE\xFF") || bytes.startsWith("\xFF\xFE")) {
        const bool big = bytes.startsWith("\xFE\xFF");
        bytes = bytes.sliced(2);
        return big ? "UTF-16BE" : "UTF-16LE";
    }
    if (containsCharsetWord(bytes)) {
        CharsetSink sink; // byte for byte: every byte is a character of Latin-1
        parseHead(bytes, XML_CHAR_ENCODING_8859_1, sink);
        if (!sink.charset.isEmpty()) {
            const QByteArray name = converterName(sink.charset);
            UErrorCode status = U_ZERO_ERROR;
            if (Converter(ucnv_open(name.constData(), &status), &ucnv_close); U_SUCCESS(status))
                return name;
        }
    }
    // Undeclared: UTF-8 when the bytes are (a character cut at the end of the head aside), else Shift-JIS
    // when they decode as that alone, else the Western default.
    const QByteArrayView whole = bytes.first(std::max<qsizetype>(0, bytes.size() - 3));
    if (whole.isValidUtf8())
        return "UTF-8";
    if (decode(whole, "windows-31j", true))
        return "windows-31j";
    return "windows-1252";
}

} // namespace

namespace PageFactsReading {

PageFacts fromHtml(QByteArrayView head)
{
    QByteArrayView bytes = head;
    const QByteArray charset = charsetOf(bytes);
    FactsSink sink;
    if (charset == "UTF-8") {
        parseHead(bytes, XML_CHAR_ENCODING_UTF8, sink);
    } else {
        const QByteArray utf8 = decode(bytes, charset, false).value_or(QString()).toUtf8();
        parseHead(utf8, XML_CHAR_ENCODING_UTF8, sink);
    }
    // A title in bytes that did not decode is no title: it would match nothing the user typed.
    const QString title = QString::fromUtf8(sink.title).simplified();
    if (!title.contains(QChar::ReplacementCharacter))
        sink.facts.title = title.left(titleLength);
    sink.facts.address = sink.facts.address.trimmed();
    return sink.facts;
}

} // namespace PageFactsReading
