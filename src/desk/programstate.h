#pragma once

#include "classifypass.h"
#include "keywordtable.h"
#include "messagetable.h"
#include "patternfile.h"

#include <QString>

// State the whole program shares for one run.
struct ProgramState
{
    QString patternFile;
    PatternFileState patternFileState; ///< how the current pattern file was read or last written
    QString documentsFolder;
    QString currentDestination;
    MessageTable messages;
    KeywordTable table;
    PassSummary lastPass; ///< what the last Classify did
    bool firstShowDone = false;
    bool firstRun = false;
};
