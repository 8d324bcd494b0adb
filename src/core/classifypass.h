#pragma once

#include "fileops.h"
#include "options.h"

#include <QString>
#include <QStringList>

#include <functional>

class KeywordTable;

// The Classify pass over the files of the source folder.
class ClassifyPass
{
public:
    /// `table` is re-read at every step: the keyword list may be parsed again while a question is open.
    /// `options` gives the option dialog's values at the moment they are needed.
    ClassifyPass(KeywordTable &table, const MoveContext &context, std::function<Options()> options);

    /// Runs the pass over full file paths, in list order.
    void run(const QStringList &files);

    /// The folder the last chooser of the pass started from or handed back.
    QString currentDestination() const { return m_currentDestination; }
    void setCurrentDestination(const QString &folder) { m_currentDestination = folder; }

private:
    KeywordTable &m_table;
    MoveContext m_context;
    std::function<Options()> m_options;
    QString m_currentDestination;
};
