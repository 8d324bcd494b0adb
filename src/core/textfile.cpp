#include "textfile.h"

#include "marrowdaleerror.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <unicode/ucnv.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString decodeShiftJis(const QByteArray &bytes)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(ucnv_open("windows-31j", &status), &ucnv_close);
    if (U_FAILURE(status) || !converter)
        return QString::fromLatin1(bytes); // keeps every byte visible rather than losing the text

    // Each byte yields at most one UTF-16 unit (plus the terminator ICU may want to write).
    QString result(bytes.size() + 1, Qt::Uninitialized);
    const int32_t length = ucnv_toUChars(converter.get(), reinterpret_cast<UChar *>(result.data()),
                                         int32_t(result.size()), bytes.constData(), int32_t(bytes.size()), &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING)
        return QString::fromLatin1(bytes);
    result.truncate(length);
    return result;
}

} // namespace

QString decodeText(const QByteArray &bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);

    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return text;
    return decodeShiftJis(view.toByteArray());
}

QString readTextFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw MarrowdaleError(u"The file \"%1\" cannot be read: %2"_s.arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw MarrowdaleError(u"The file \"%1\" cannot be read: %2"_s.arg(path, file.errorString()));
    return decodeText(bytes);
}

void writeTextFile(const QString &path, const QString &text)
{
    const auto fail = [&path](const QString &reason) {
        return MarrowdaleError(u"The file \"%1\" cannot be written: %2"_s.arg(path, reason));
    };

    // QSaveFile replaces the file through its folder, so it would overwrite a read-only file.
    const QFileInfo info(path);
    if (info.exists() && !info.isWritable())
        throw fail(u"the file is read-only"_s);
    if (info.isDir())
        throw fail(u"a folder of that name exists"_s);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw fail(file.errorString());
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size())
        throw fail(file.errorString());
    if (!file.commit())
        throw fail(file.errorString());
}
