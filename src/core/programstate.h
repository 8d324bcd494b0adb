#pragma once

#include "keywordtable.h"
#include "messagetable.h"

#include <QString>

// State the whole program shares for one run.
struct ProgramState
{
    QString patternFile;
    QString documentsFolder;
    QString currentDestination;
    MessageTable messages;
    KeywordTable table;
    bool firstShowDone = false;
    bool firstRun = false;
};
