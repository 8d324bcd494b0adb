#pragma once

#include <QHash>
#include <QString>

#include <array>
#include <optional>

// Texts the program shows beyond the numbered messages 1 to 23: each has a key of its own in the
// language file's section "Messages" and an English default, which also stands when a language file
// lacks the key (a translation made for an older version still shows every text). "%1", "%2" ... are
// filled in by the caller; "<br>" starts a new line.
enum class Message {
    // Texts of every window: buttons of the message boxes, errors, questions and notices of the logic.
    YesButton,
    NoButton,
    OkButton,
    CancelButton,
    AbortButton,
    HelpButton,
    UnexpectedError,
    NotAnInteger,
    NotANumber,
    FileNotRead,
    FileNotWritten,
    ReasonFolderExists,
    ReasonNotRegularFile,
    ReasonReadOnly,
    ReasonNoFolder,
    ReasonBadSection,
    ReasonBadKey,
    ReasonLineBreak,
    FolderMissing,
    FolderIsAFile,
    CreateFolder,
    FolderNotCreated,
    PatternFileFilter,
    ContentsNotLoaded,
    ContentsTooDeep,
    CountUnreadable,
    KeywordNotAdded,
    FolderNotAddable,
    RetiredNoPatternFile,
    RetiredLinesStay,
    JournalNotOpened,
    JournalNotWritten,
    JournalWriteFailed,
    ReasonDiskFull,
    MoveFailed,
    MoveFolderTitle,
    FolderNotThere,
    FolderIntoItself,
    FolderBlocked,
    MergeFolder,
    FolderMergedInPart,
    FolderNotMoved,
    FolderMovedWithNote,
    SameFileNothingMoved,
    AttributesLost,
    FolderNotReadable,
    EntryBlocksFolder,
    FolderBlocksFile,
    SameFileLeft,
    ReplaceInMerge,
    ChangedWhileCopied,
    SourceLeftBehind,
    SettleReport,
    SettleNotMoved,
    SettleArrived,
    SettleArrivedWhole,
    SettleBothKept,
    SettleNeither,
    SettleFolderNeither,
    SettleFolderCompleted,
    SettleFolderNotCompleted,
    SettleFolderLeftBehind,
    SettleFolderGone,
    SettleCopyRemoved,
    SettleCopyKept,
    SettleFolderStays,
    SettleFolderNotFollowed,
    SettleFolderFollowed,
    OneRawName,
    RawNames,
    RenameRawNames,
    RawNamesKept,
    RawNamesNotice,
    RawNameNotRenamed,

    DiscardChanges, ///< a pattern file could not be written before switching
    ListChangedOnDisk, ///< the close found the pattern file changed by another program
    MoveBusy, ///< a file changed while it was copied to another disk: it stays
    // preview and history
    PreviewNoKeyword,
    PreviewSeveralKeywords,
    PreviewAsksEachTime,
    UndoPassProblems,
    UndoAlreadyTakenBack,
    UndoNeverHappened,
    UndoInterrupted,
    UndoGone,
    UndoPlaceTaken,
    UndoFolderNotMade,
    UndoNotMovedBack,
    UndoCompanionStayed,
    // keyboard and safer commands
    TrashFile, ///< Delete in the file list: the question that names the file
    TrashFileAndFolders, ///< the same for a file with a companion folder
    TrashUnavailable, ///< what the trash did not take, and whether to delete it for good
    DeleteFailed, ///< what could not be deleted for good either
    NoTrashFolder, ///< why the trash did not take an entry: no trash folder could be set up
    StopPass, ///< Escape while files are being moved
    StopPassAndClose, ///< the main window closed while files are being moved
    ListUnreadable, ///< the keyword list file could not be read and would be replaced
    ChangedAfterCopy, ///< a folder copied to another disk gained or changed entries before its source went
    PassNotRecorded, ///< records of a pass's moves could not be written to the journal
    MergedFolderStays, ///< a folder merged into another could not be removed afterwards

    RelativeDestination, ///< a keyword line whose destination is neither a full path nor below the parent folder
    ClassifyWithoutRefused, ///< Classify asks whether to go on without such lines
    MoveNotRecorded, ///< the journal could not take a move's record: the pass ends before the move
    JournalLinesSkipped, ///< lines of the move journal that are not whole records were passed over
    ReasonForeignLink, ///< why a move did not go where a link leads: the link is another user's
    ReasonReplacedMeanwhile, ///< an entry was replaced between the look at it and its use
    SettleNotOurs, ///< a journal line names something as an unfinished copy that cannot be one of this program's
    JournalNotSafe, ///< the journal or its folder could be changed by someone else: it is not used
    ReasonIsLink,
    ReasonOtherOwner,
    ReasonOthersWrite,
    DestinationForeignLink, ///< a file stays: the way to its destination leads through another user's link
    PreviewInTitle, ///< a keyword line of the preview that matched the page's title
    PreviewInAddress, ///< a keyword line of the preview that matched the page's address
    SuggestSameSite, ///< why a folder is suggested: pages from the same site are there
    SuggestSimilarTitles, ///< why a folder is suggested: pages with a word of the page's name or title are there
    SuggestLikePages, ///< why a folder is suggested: its pages are the most like this one, without one word to show for it
    PreviewCounts, ///< the preview's counts of files by outcome, above its table
    SummaryHeading, ///< the summary a pass leaves in the log: how many files, and what became of them
    SummaryMoved, ///< files the pass moved
    SummaryNoKeyword, ///< files without a keyword
    SummarySuggested, ///< files without a keyword, and how many of them have a suggested folder
    SummaryLeft, ///< files left for the user, with why
    SummaryFailed, ///< files that could not be moved
    SummaryTaken, ///< files another program moved or removed meanwhile
    LeftNotChosen, ///< why files stayed: no folder was chosen
    LeftNameTaken, ///< why files stayed: their name is taken at the destination
    LeftStillWritten, ///< why files stayed: they were still being written
    LeftParentDeclined, ///< why files stayed: their destination's top folder was not to be made
    LeftStopped, ///< why files stayed: the pass was stopped before them
    UndoPassQuestion, ///< Undo whole pass asks first, naming how many moves it takes back
    UndoSummary, ///< the line an undo leaves in the log: how many moves came back, how many could not
    KeywordListExample, ///< the greyed example an empty keyword list shows (two lines, not saved)
    ClassifyNoKeywordLines, ///< Classify with no keyword line it can file by says why
    ClassifyNoFiles, ///< Classify with no file in the source folder says so
    DropNotLocal, ///< something dropped onto the window that is not a file on this computer
    // New texts go above, their rows at the end of the table in messagetable.cpp.
    Count ///< not a text: how many there are
};

// The message catalogue: messages 1 to 23 of section "Main" of the language file.
class MessageTable
{
public:
    static constexpr int Count = 23;

    /// English defaults in every slot.
    MessageTable();

    /// Message n (1..23); any other number gives the empty text.
    QString text(int n) const;
    void setText(int n, const QString &text);

    /// Every message empty: a language file exists but has not been read yet.
    void clear();

    static QString defaultText(int n);

    /// One of the named texts: the language file's, else the English default.
    QString text(Message message) const;
    /// The text a language file gave, nothing when it gave none: for the toolkit's own boxes, whose
    /// buttons otherwise speak the toolkit's translation.
    std::optional<QString> translated(Message message) const;
    void setText(Message message, const QString &text);

    /// The language-file key and the English default of a named text.
    static QString key(Message message);
    static QString defaultText(Message message);
    /// Every named text, for readers of the language file.
    static QList<Message> namedMessages();

private:
    std::array<QString, Count + 1> m_texts;
    QHash<Message, QString> m_named; ///< only those a language file gave
};
