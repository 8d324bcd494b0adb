#include "messagetable.h"

#include <iterator>

using namespace Qt::StringLiterals;

MessageTable::MessageTable()
{
    for (int n = 1; n <= Count; ++n)
        m_texts[n] = defaultText(n);
}

QString MessageTable::text(int n) const
{
    return n >= 1 && n <= Count ? m_texts[n] : QString();
}

void MessageTable::setText(int n, const QString &text)
{
    if (n >= 1 && n <= Count)
        m_texts[n] = text;
}

void MessageTable::clear()
{
    for (QString &text : m_texts)
        text.clear();
    m_named.clear();
}

namespace {

struct NamedText
{
    Message message;
    const char16_t *key;
    const char16_t *english;
};

// One line a text, in the order of the enum: the key a translator writes and what the program says
// without one.
constexpr NamedText namedTexts[] = {
    // Texts of every window.
    {Message::YesButton, u"YesButton", u"&Yes"},
    {Message::NoButton, u"NoButton", u"&No"},
    {Message::OkButton, u"OkButton", u"&OK"},
    {Message::CancelButton, u"CancelButton", u"&Cancel"},
    {Message::AbortButton, u"AbortButton", u"&Abort"},
    {Message::HelpButton, u"HelpButton", u"&Help"},
    {Message::UnexpectedError, u"UnexpectedError", u"An unexpected error occurred."},
    {Message::NotAnInteger, u"NotAnInteger", u"'%1' is not a valid integer value."},
    {Message::NotANumber, u"NotANumber", u"'%1' is not a valid floating point value."},
    {Message::FileNotRead, u"FileNotRead", u"The file \"%1\" cannot be read: %2"},
    {Message::FileNotWritten, u"FileNotWritten", u"The file \"%1\" cannot be written: %2"},
    {Message::ReasonFolderExists, u"ReasonFolderExists", u"a folder of that name exists"},
    {Message::ReasonNotRegularFile, u"ReasonNotRegularFile", u"it is not a regular file"},
    {Message::ReasonReadOnly, u"ReasonReadOnly", u"the file is read-only"},
    {Message::ReasonNoFolder, u"ReasonNoFolder", u"its folder cannot be created"},
    {Message::ReasonBadSection, u"ReasonBadSection", u"\"%1\" is not a valid section name"},
    {Message::ReasonBadKey, u"ReasonBadKey", u"\"%1\" is not a valid key name"},
    {Message::ReasonLineBreak, u"ReasonLineBreak", u"the value of \"%1\" holds a line break"},
    {Message::FolderMissing, u"FolderMissing", u"The folder \"%1\" does not exist."},
    {Message::FolderIsAFile, u"FolderIsAFile", u"\"%1\" is a file, not a folder."},
    {Message::CreateFolder, u"CreateFolder", u"The folder \"%1\" does not exist. Create it?"},
    {Message::FolderNotCreated, u"FolderNotCreated", u"The folder \"%1\" could not be created."},
    {Message::PatternFileFilter, u"PatternFileFilter", u"Sorting pattern files"},
    {Message::ContentsNotLoaded, u"ContentsNotLoaded", u"Sorry, failed to load contents file."},
    {Message::ContentsTooDeep, u"ContentsTooDeep",
     u"Line %1 of the contents file is indented more than one level below the line before it."},
    {Message::CountUnreadable, u"CountUnreadable",
     u"Line %1 of the keyword list has a count that is not two whole numbers around \"/\": \"%2\". The list was "
     u"read up to the line before it."},
    {Message::KeywordNotAdded, u"KeywordNotAdded",
     u"The keyword \"%1\" cannot be added: a keyword must not contain \"->\", \"<<\" or a line break."},
    {Message::FolderNotAddable, u"FolderNotAddable",
     u"No keyword line can be added for the folder \"%1\": a folder whose name holds \"->\", \"<<\" or a line "
     u"break cannot be written into the keyword list."},
    {Message::RetiredNoPatternFile, u"RetiredNoPatternFile",
     u"The retired keyword lines cannot be kept: there is no current pattern file."},
    {Message::RetiredLinesStay, u"RetiredLinesStay",
     u"%1<br><br>The keyword lines that would have been retired stay in the list."},
    {Message::JournalNotOpened, u"JournalNotOpened", u"The move journal \"%1\" cannot be opened: %2"},
    {Message::JournalNotWritten, u"JournalNotWritten", u"The move journal \"%1\" cannot be written."},
    {Message::JournalWriteFailed, u"JournalWriteFailed", u"The move journal \"%1\" cannot be written: %2"},
    {Message::ReasonDiskFull, u"ReasonDiskFull", u"the disk is full"},
    {Message::MoveFailed, u"MoveFailed", u"Cannot move \"%1\" to \"%2\": %3"},
    {Message::MoveFolderTitle, u"MoveFolderTitle", u"Move Folder"},
    {Message::FolderNotThere, u"FolderNotThere", u"The folder \"%1\" cannot be moved: it does not exist."},
    {Message::FolderIntoItself, u"FolderIntoItself", u"The folder \"%1\" cannot be moved into itself."},
    {Message::FolderBlocked, u"FolderBlocked",
     u"The folder \"%1\" cannot be moved to \"%2\": something of that name is in the way."},
    {Message::MergeFolder, u"MergeFolder", u"The folder \"%1\" already exists. Merge the folder \"%2\" into it?"},
    {Message::FolderMergedInPart, u"FolderMergedInPart",
     u"The folder \"%1\" could not be merged completely into \"%2\":<br>%3"},
    {Message::FolderNotMoved, u"FolderNotMoved", u"The folder \"%1\" could not be moved to \"%2\": %3"},
    {Message::FolderMovedWithNote, u"FolderMovedWithNote", u"The folder \"%1\" was moved to \"%2\". %3"},
    {Message::SameFileNothingMoved, u"SameFileNothingMoved",
     u"\"%1\" and \"%2\" are the same file; nothing was moved."},
    {Message::AttributesLost, u"AttributesLost",
     u"These folders cannot hold extended attributes or access control lists. The files moved into them arrived "
     u"whole, but without those (such as the address a saved page came from):<br>%1"},
    {Message::FolderNotReadable, u"FolderNotReadable", u"\"%1\" cannot be read: %2"},
    {Message::EntryBlocksFolder, u"EntryBlocksFolder", u"\"%1\" is in the way of the folder \"%2\"."},
    {Message::FolderBlocksFile, u"FolderBlocksFile", u"The folder \"%1\" is in the way of the file \"%2\"."},
    {Message::SameFileLeft, u"SameFileLeft", u"\"%1\" and \"%2\" are the same file; it was left as it is."},
    {Message::ReplaceInMerge, u"ReplaceInMerge",
     u"The folder \"%1\" already holds a file named \"%2\". Replace it with the one from \"%3\"?"},
    {Message::ChangedWhileCopied, u"ChangedWhileCopied",
     u"\"%1\" changed while it was copied; it is probably still being written."},
    {Message::SourceLeftBehind, u"SourceLeftBehind",
     u"The copy is complete, but \"%1\" could not be removed completely: %2"},
    {Message::SettleReport, u"SettleReport",
     u"The program was stopped while it was moving files. What was found and done:<br>%1"},
    {Message::SettleNotMoved, u"SettleNotMoved", u"\"%1\" had not been moved; it is where it was."},
    {Message::SettleArrived, u"SettleArrived", u"\"%1\" had arrived at \"%2\"."},
    {Message::SettleArrivedWhole, u"SettleArrivedWhole",
     u"\"%1\" had arrived whole at \"%2\"; the original was removed."},
    {Message::SettleBothKept, u"SettleBothKept", u"\"%1\" and \"%2\" both exist and are not the same; both were kept."},
    {Message::SettleNeither, u"SettleNeither", u"\"%1\" is neither where it was nor at \"%2\"."},
    {Message::SettleFolderNeither, u"SettleFolderNeither", u"The folder \"%1\" is neither where it was nor at \"%2\"."},
    {Message::SettleFolderCompleted, u"SettleFolderCompleted", u"The folder \"%1\" was completed at \"%2\"."},
    {Message::SettleFolderNotCompleted, u"SettleFolderNotCompleted",
     u"The folder \"%1\" was not completed at \"%2\"; these entries differ and were kept where they were:<br>%3"},
    {Message::SettleFolderLeftBehind, u"SettleFolderLeftBehind",
     u"The folder \"%1\" was left behind by \"%2\": \"%3\" already exists, so it was not merged without asking. "
     u"Move it by hand."},
    {Message::SettleFolderGone, u"SettleFolderGone", u"The folder \"%1\" that belonged to \"%2\" is gone."},
    {Message::SettleCopyRemoved, u"SettleCopyRemoved",
     u"An unfinished copy of \"%1\" was removed; the original is where it was."},
    {Message::SettleCopyKept, u"SettleCopyKept", u"A copy of \"%1\" was kept as \"%2\": the original is gone."},
    {Message::SettleFolderStays, u"SettleFolderStays",
     u"The folder \"%1\" was left where it was: its file is no longer at \"%2\"."},
    {Message::SettleFolderNotFollowed, u"SettleFolderNotFollowed",
     u"The folder \"%1\" could not follow its file to \"%2\": %3"},
    {Message::SettleFolderFollowed, u"SettleFolderFollowed", u"The folder \"%1\" was moved to \"%2\", after its file."},
    {Message::OneRawName, u"OneRawName", u"1 entry whose name is"},
    {Message::RawNames, u"RawNames", u"%1 entries whose names are"},
    {Message::RenameRawNames, u"RenameRawNames",
     u"The folder \"%1\" holds %2 not UTF-8; such entries are not listed and cannot be classified.<br><br>%3 of "
     u"them can be read as Japanese (Shift-JIS) names:<br>%4<br><br>%5Rename them to these names?"},
    {Message::RawNamesKept, u"RawNamesKept", u"These cannot be read and keep their names:<br>%1<br><br>"},
    {Message::RawNamesNotice, u"RawNamesNotice",
     u"The folder \"%1\" holds %2 not UTF-8 and cannot be read as Shift-JIS either; such entries are not listed and "
     u"cannot be classified:<br>%3"},
    {Message::RawNameNotRenamed, u"RawNameNotRenamed", u"\"%1\" cannot be renamed to \"%2\": %3"},
    {Message::DiscardChanges, u"DiscardChanges",
     u"%1<br><br>Discard the changes made to the keyword list since it was loaded or saved?"},
    {Message::ListChangedOnDisk, u"ListChangedOnDisk",
     u"The keyword list \"%1\" was changed by another program since it was loaded.<br>Replace it with the list "
     u"shown here? (No keeps the file as it is; the list shown here is then not saved.)"},
    {Message::MoveBusy, u"MoveBusy",
     u"\"%1\" changed while it was copied, so it is probably still being written (a download, say). It stays "
     u"where it is; classify it again once it is complete."},
    // preview and history
    {Message::PreviewNoKeyword, u"PreviewNoKeyword", u"no keyword"},
    {Message::PreviewSeveralKeywords, u"PreviewSeveralKeywords", u"several keywords: %1"},
    {Message::PreviewAsksEachTime, u"PreviewAsksEachTime", u"asks each time, from %1"},
    {Message::UndoPassProblems, u"UndoPassProblems", u"%1 of the pass's moves could not be taken back:<br>%2"},
    {Message::UndoAlreadyTakenBack, u"UndoAlreadyTakenBack", u"It was taken back already."},
    {Message::UndoNeverHappened, u"UndoNeverHappened", u"It never happened."},
    {Message::UndoInterrupted, u"UndoInterrupted", u"It was interrupted; the next start of the program settles it."},
    {Message::UndoGone, u"UndoGone", u"\"%1\" is no longer there."},
    {Message::UndoPlaceTaken, u"UndoPlaceTaken", u"\"%1\" is taken; nothing is overwritten."},
    {Message::UndoFolderNotMade, u"UndoFolderNotMade", u"The folder \"%1\" cannot be made."},
    {Message::UndoNotMovedBack, u"UndoNotMovedBack", u"\"%1\" could not be moved back."},
    {Message::UndoCompanionStayed, u"UndoCompanionStayed", u"Its companion folder stayed: %1"},
    // keyboard and safer commands
    {Message::TrashFile, u"TrashFile", u"Move \"%1\" to the trash?"},
    {Message::TrashFileAndFolders, u"TrashFileAndFolders", u"Move \"%1\" and its companion folder to the trash?"},
    {Message::TrashUnavailable, u"TrashUnavailable",
     u"The trash cannot take these:<br>%1<br><br>Delete them permanently instead? They cannot be brought back."},
    {Message::DeleteFailed, u"DeleteFailed", u"These could not be deleted:<br>%1"},
    {Message::NoTrashFolder, u"NoTrashFolder", u"no trash folder can be set up for it"},
    {Message::StopPass, u"StopPass", u"Files are still being moved. Stop after the current file?"},
    {Message::StopPassAndClose, u"StopPassAndClose",
     u"Files are still being moved. Stop after the current file and close Marrowdale?"},
    {Message::ListUnreadable, u"ListUnreadable",
     u"%2<br>Replace the keyword list \"%1\" with the list shown here? (No keeps the file as it is; the list "
     u"shown here is then not saved.)"},
    {Message::ChangedAfterCopy, u"ChangedAfterCopy",
     u"The copy is complete, but \"%1\" changed after it was copied; what changed or was added since stays "
     u"there."},
    {Message::PassNotRecorded, u"PassNotRecorded",
     u"Not every move of this pass could be recorded in the move journal \"%1\": %2<br>The history may not be "
     u"able to take all of them back."},
    {Message::MergedFolderStays, u"MergedFolderStays", u"\"%1\" could not be removed after its entries were moved: %2"},
    {Message::RelativeDestination, u"RelativeDestination",
     u"Line %1 of the keyword list is not used: its destination \"%2\" is neither a full path "
     u"nor a folder below the parent folder written with \"..\"."},
    {Message::ClassifyWithoutRefused, u"ClassifyWithoutRefused",
     u"%1<br><br>Classify with the other lines?"},
    {Message::MoveNotRecorded, u"MoveNotRecorded",
     u"The move journal \"%1\" cannot be written: %2<br>So that every move can be taken back, "
     u"nothing more is moved: \"%3\" stays where it is. The moves before it are recorded."},
    {Message::JournalLinesSkipped, u"JournalLinesSkipped",
     u"%1 lines of the move journal \"%2\" are damaged and were passed over."},
    {Message::ReasonForeignLink, u"ReasonForeignLink",
     u"the way there leads through a link that belongs to another user"},
    {Message::ReasonReplacedMeanwhile, u"ReasonReplacedMeanwhile",
     u"it was replaced by something else while it was being moved"},
    {Message::SettleNotOurs, u"SettleNotOurs",
     u"\"%1\" was left as it is: the journal names it as an unfinished copy, but it is not one "
     u"of the program's own (their names start with \".marrowdale-\" and lie beside their "
     u"destination)."},
    {Message::JournalNotSafe, u"JournalNotSafe",
     u"The move journal \"%1\" is not used: %2. Nothing is moved and no interrupted move is "
     u"settled until that is mended (a folder or file that others may write can be mended with "
     u"\"chmod go-w\")."},
    {Message::ReasonIsLink, u"ReasonIsLink",
     u"it is a link"},
    {Message::ReasonOtherOwner, u"ReasonOtherOwner",
     u"it belongs to another user"},
    {Message::ReasonOthersWrite, u"ReasonOthersWrite",
     u"others can write to it"},
    {Message::DestinationForeignLink, u"DestinationForeignLink",
     u"\"%1\" stays where it is: the way to its destination leads through \"%2\", a link that "
     u"belongs to another user."},
    {Message::PreviewInTitle, u"PreviewInTitle",
     u"%1 (in the title)"},
    {Message::PreviewInAddress, u"PreviewInAddress",
     u"%1 (in the address)"},
    {Message::SuggestSameSite, u"SuggestSameSite",
     u"same site as %1 pages here (%2)"},
    {Message::SuggestSimilarTitles, u"SuggestSimilarTitles",
     u"%1 similar titles here (\"%2\"): %3"},
    {Message::SuggestLikePages, u"SuggestLikePages",
     u"most like the %1 pages here"},
    {Message::PreviewCounts, u"PreviewCounts",
     u"%1 files: %2 to a destination, %3 without a keyword (%4 with a suggestion), %5 with several keywords, %6 asking each time."},
    {Message::SummaryHeading, u"SummaryHeading",
     u"Classify, %1 files: %2."},
    {Message::SummaryMoved, u"SummaryMoved",
     u"%1 moved"},
    {Message::SummaryNoKeyword, u"SummaryNoKeyword",
     u"%1 without a keyword"},
    {Message::SummarySuggested, u"SummarySuggested",
     u"%1 without a keyword, %2 of them with a suggested folder (Ctrl+Shift+P shows them)"},
    {Message::SummaryLeft, u"SummaryLeft",
     u"%1 left for you (%2)"},
    {Message::SummaryFailed, u"SummaryFailed",
     u"%1 failed"},
    {Message::SummaryTaken, u"SummaryTaken",
     u"%1 taken by another program"},
    {Message::LeftNotChosen, u"LeftNotChosen",
     u"%1 with no folder chosen"},
    {Message::LeftNameTaken, u"LeftNameTaken",
     u"%1 whose name is taken there"},
    {Message::LeftStillWritten, u"LeftStillWritten",
     u"%1 still being written"},
    {Message::LeftParentDeclined, u"LeftParentDeclined",
     u"%1 whose top folder was not made"},
    {Message::LeftStopped, u"LeftStopped",
     u"%1 not reached, the pass was stopped"},
    {Message::UndoPassQuestion, u"UndoPassQuestion",
     u"Take back the %1 moves of this pass that are still in place?"},
    {Message::UndoSummary, u"UndoSummary",
     u"Undo: %1 of %2 moves taken back."},
    {Message::KeywordListExample, u"KeywordListExample",
     u"news -> ../News<br>recipe -> ../Cooking"},
    {Message::ClassifyNoKeywordLines, u"ClassifyNoKeywordLines",
     u"There is no keyword line to file by. Write lines such as \"news -> ../News\" into the keyword list: a keyword, an arrow and the folder (\"..\" is the parent folder)."},
    {Message::ClassifyNoFiles, u"ClassifyNoFiles",
     u"There is no file to classify in \"%1\"."},
    {Message::DropNotLocal, u"DropNotLocal",
     u"Only files on this computer can be filed; these are not: %1"},
};

constexpr bool inEnumOrder()
{
    for (std::size_t i = 0; i < std::size(namedTexts); ++i) {
        if (namedTexts[i].message != Message(i))
            return false;
    }
    return true;
}
static_assert(std::size(namedTexts) == std::size_t(Message::Count), "every text has its row");
static_assert(inEnumOrder(), "the rows follow the enum");

const NamedText &named(Message message)
{
    return namedTexts[std::size_t(message)];
}

} // namespace

QString MessageTable::text(Message message) const
{
    return m_named.value(message, defaultText(message));
}

std::optional<QString> MessageTable::translated(Message message) const
{
    const auto found = m_named.constFind(message);
    return found == m_named.cend() ? std::nullopt : std::optional(*found);
}

void MessageTable::setText(Message message, const QString &text)
{
    m_named.insert(message, text);
}

QString MessageTable::key(Message message)
{
    return QString::fromUtf16(named(message).key);
}

QString MessageTable::defaultText(Message message)
{
    return QString::fromUtf16(named(message).english).replace(u"<br>"_s, u"\n"_s);
}

QList<Message> MessageTable::namedMessages()
{
    QList<Message> messages;
    for (const NamedText &text : namedTexts)
        messages.append(text.message);
    return messages;
}

QString MessageTable::defaultText(int n)
{
    switch (n) {
    case 1:
        return u"Welcome to Marrowdale! First, please select the parent folder of the destination folders."_s;
    case 2:
        return u"Please select destination folder"_s;
    case 3:
        return u"To confirm each time, add '?' at the tail."_s;
    case 4:
        return u"Please extract a keyword, then click [OK]."_s;
    case 5:
        return u"Is this a current keyword, one for a topic of the moment?"_s;
    case 6:
        return u"Please select the destination folder of "_s;
    case 7:
        return u"."_s;
    case 8:
        return u"Destination folder of "_s;
    case 9:
        return u"."_s;
    case 10:
        return u"May [ "_s;
    case 11:
        return u" ] be moved to \n< "_s;
    case 12:
        return u" >?"_s;
    case 13:
        return u"The parent folder does not exist. Do you really want to move the file onto this disk?"_s;
    case 14:
        return u"There is a file with the same name. Overwrite?"_s;
    case 15:
        return u"could not be moved. Please check the name or status of the disk."_s;
    case 16:
        return u"Are you sure you want to delete this file?"_s;
    case 17:
        return u"Confirmation"_s;
    case 18:
        return u"(path name is not required)"_s;
    case 19:
        return u"Please input the new name"_s;
    case 20:
        return u"is not ready now. Please change the name of the parent folder or prepare the drive"_s;
    case 21:
        return u"Please input the name of the pattern file."_s;
    case 22:
        return u" strings were replaced."_s;
    case 23:
        return u"No target word is found below the current cursor."_s;
    default:
        return {};
    }
}
