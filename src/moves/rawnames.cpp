#include "rawnames.h"

#include "movesteps.h"
#include "programtext.h"

#include <QFile>
#include <QUtf8StringView>

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

bool validUtf8(const QByteArray &bytes)
{
    return QUtf8StringView(bytes).isValidUtf8();
}

QStringList describe(const QList<RawNames::UndecodableName> &names, bool withReading)
{
    QStringList lines;
    for (const RawNames::UndecodableName &entry : names) {
        if (entry.reading.has_value() != withReading)
            continue;
        const QString shown = RawNames::printable(entry.name) + (entry.folder ? u"/"_s : QString());
        lines.append(withReading ? u"    %1  ->  %2"_s.arg(shown, *entry.reading) : u"    "_s + shown);
    }
    return lines;
}

ProgramText entriesWhoseNames(qsizetype count)
{
    return count == 1 ? ProgramText(Message::OneRawName) : ProgramText(Message::RawNames, {QString::number(count)});
}

const QByteArray companionSuffixes[] = {"_files"_ba, ".files"_ba};

// The name without its extension, as a companion folder's name repeats it.
QByteArray stemOf(const QByteArray &name)
{
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? name : name.left(dot);
}

// The page a companion folder belongs to among the names, or none: a folder whose name ends like one and
// whose stem some file of the list has.
const RawNames::UndecodableName *pageOf(const RawNames::UndecodableName &folder,
                                        const QList<RawNames::UndecodableName> &names)
{
    if (!folder.folder)
        return nullptr;
    for (const QByteArray &suffix : companionSuffixes) {
        if (!folder.name.endsWith(suffix))
            continue;
        const QByteArray stem = folder.name.chopped(suffix.size());
        for (const RawNames::UndecodableName &entry : names) {
            if (!entry.folder && stemOf(entry.name) == stem)
                return &entry;
        }
    }
    return nullptr;
}

qsizetype readable(const QList<RawNames::UndecodableName> &names)
{
    return std::count_if(names.begin(), names.end(),
                         [](const RawNames::UndecodableName &entry) { return entry.reading.has_value(); });
}

} // namespace

namespace RawNames {

QList<UndecodableName> undecodableNames(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder);
    QList<UndecodableName> found;
    for (const QByteArray &name : MoveSteps::entries(path)) {
        if (!validUtf8(name))
            found.append({name, cp932Reading(name), MoveSteps::isFolder(MoveSteps::child(path, name))});
    }
    std::sort(found.begin(), found.end(),
              [](const UndecodableName &a, const UndecodableName &b) { return a.name < b.name; });
    // A companion folder reads as its page does, or not at all: its name may read where the page's does not
    // (a lead byte at the end of the stem takes the "_" for its second byte), and the two would part.
    for (UndecodableName &entry : found) {
        if (const UndecodableName *page = pageOf(entry, found)) {
            const QByteArray stem = stemOf(page->name);
            const std::optional<QString> stemReading = page->reading ? cp932Reading(stem) : std::nullopt;
            entry.reading = stemReading ? std::optional(*stemReading + QString::fromLatin1(entry.name.mid(stem.size())))
                                        : std::nullopt;
        }
    }
    return found;
}

std::optional<QString> cp932Reading(const QByteArray &name)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(ucnv_open("windows-31j", &status), &ucnv_close);
    if (U_FAILURE(status))
        return std::nullopt;
    // Stop at the first byte that is invalid or maps to nothing, rather than putting a substitute there.
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    QString text(name.size() + 1, Qt::Uninitialized);
    const int32_t length = ucnv_toUChars(converter.get(), reinterpret_cast<UChar *>(text.data()), int32_t(text.size()),
                                         name.constData(), int32_t(name.size()), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    text.truncate(length);
    const bool usable = !text.isEmpty() && text != u"."_s && text != u".."_s
        && std::none_of(text.begin(), text.end(), [](QChar c) { return c == u'/' || c.unicode() < 0x20; });
    return usable ? std::optional(text) : std::nullopt;
}

QString printable(const QByteArray &name)
{
    QString text;
    qsizetype i = 0;
    while (i < name.size()) {
        const uchar lead = uchar(name.at(i));
        const qsizetype length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        const QByteArray sequence = name.mid(i, length);
        if (length > 0 && sequence.size() == length && validUtf8(sequence)) {
            text += QString::fromUtf8(sequence);
            i += length;
        } else {
            text += u"\\x"_s + QString::fromLatin1(name.mid(i, 1).toHex().toUpper());
            ++i;
        }
    }
    return text;
}

bool renameRaw(const QString &folder, const QByteArray &name, const QString &newName, ProgramText *error)
{
    const QByteArray path = QFile::encodeName(folder);
    const int e = MoveSteps::renameExclusive(MoveSteps::child(path, name), MoveSteps::child(path, newName.toUtf8()));
    if (e != 0 && error) {
        *error = ProgramText(Message::RawNameNotRenamed, {printable(name), newName, MoveSteps::errorText(e)});
    }
    return e == 0;
}

QString renameQuestion(const QString &folder, const QList<UndecodableName> &names, const MessageTable &messages)
{
    const qsizetype count = readable(names);
    if (count == 0)
        return {};
    const QStringList others = describe(names, false);
    const ProgramText kept
        = others.isEmpty() ? ProgramText() : ProgramText(Message::RawNamesKept, {others.join(u'\n')});
    return ProgramText(Message::RenameRawNames,
                       {folder, entriesWhoseNames(names.size()), QString::number(count),
                        describe(names, true).join(u'\n'), kept})
        .in(messages);
}

QString notice(const QString &folder, const QList<UndecodableName> &names, const MessageTable &messages)
{
    return ProgramText(Message::RawNamesNotice,
                       {folder, entriesWhoseNames(names.size()), describe(names, false).join(u'\n')})
        .in(messages);
}

QStringList renameToReadings(const QString &folder, const QList<UndecodableName> &names, const MessageTable &messages)
{
    QStringList failures;
    const auto rename = [&](const UndecodableName &entry) {
        ProgramText error;
        if (renameRaw(folder, entry.name, *entry.reading, &error))
            return true;
        failures.append(error.in(messages));
        return false;
    };
    for (const UndecodableName &entry : names) {
        if (!entry.reading || pageOf(entry, names))
            continue; // a companion folder goes with its page
        if (!rename(entry))
            continue;
        for (const UndecodableName &companion : names) {
            if (pageOf(companion, names) != &entry || !companion.reading || rename(companion))
                continue;
            // The folder stays under its name: so does the page, or the two would part.
            const QByteArray path = QFile::encodeName(folder);
            MoveSteps::renameExclusive(MoveSteps::child(path, entry.reading->toUtf8()), MoveSteps::child(path, entry.name));
        }
    }
    return failures;
}

} // namespace RawNames
