#pragma once

#include "batchclassifier.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringEncoder>

#include <algorithm>
#include <utility>
#include <cstdio>

// What a command-line pass tells: one line (or one JSON object) per file as it is settled, and a summary.
class ClassifyReport
{
public:
    enum class Style { Plain, Explain, Json };

    ClassifyReport(Style style, const QString &rootFolder, bool dryRun);

    void file(const FileOutcome &outcome);
    /// `passId` empty when nothing was moved; `counters` says whether they were written into the list.
    void summary(const QString &passId, bool countersWritten);
    /// Files of the folder that were not looked at: their names are not UTF-8.
    void unreadableNames(const QString &folder, int count);

    /// Some moves could not be recorded in the journal, so the history cannot take them all back.
    void notAllRecorded() { m_allRecorded = false; }
    /// Lines of the keyword list that file nothing (their destinations cannot be used).
    void linesRefused(int count) { m_refusedLines = std::max(m_refusedLines, count); }

    /// Every file was moved, would be moved or had no keyword, with nothing left to see to.
    bool allHandled() const
    {
        return m_skipped == 0 && m_failed == 0 && m_withProblems == 0 && m_unreadable == 0 && m_allRecorded
            && m_refusedLines == 0;
    }

    static QJsonObject toJson(const FileOutcome &outcome, const QString &rootFolder);

    /// What the files reported since the last call came to: how many moved, which were left for the user.
    struct Round
    {
        int moved = 0;
        QStringList waiting;
    };
    Round takeRound() { return std::exchange(m_round, {}); }

private:
    void write(QStringView text);

    Style m_style;
    QString m_root;
    bool m_dryRun;
    int m_files = 0;
    int m_moved = 0;
    int m_wouldMove = 0;
    int m_noKeyword = 0;
    int m_skipped = 0;
    int m_failed = 0;
    int m_taken = 0;
    int m_withProblems = 0;
    int m_unreadable = 0;
    int m_refusedLines = 0;
    bool m_allRecorded = true;
    Round m_round;
    QString m_line;
    QByteArray m_bytes;
    QStringEncoder m_encoder {QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
};

/// Writes a line to stdout or stderr (stdout is flushed when the program ends, or by a watching command
/// after each round). On stderr, a message of several lines has every line after its first indented, and
/// other control characters shown escaped, so that a name cannot pose as a message of its own.
void printLine(std::FILE *stream, const QString &text);

/// One line of a report: a name with a line break or another control character in it stays on its line,
/// shown as `ls -b` shows it ("\n", "\t", "\x1b"; a backslash as "\\").
QString reportLine(QStringView text);
