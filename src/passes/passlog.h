#pragma once

#include "mainview.h"

#include <QListWidget>
#include <QMetaType>

Q_DECLARE_METATYPE(LoggedMove)

// The classification log: a line for every move (keeping the move, for undo), and a line of its own look
// for what a pass or an undo did, which nothing can select.
class PassLog : public QListWidget
{
    Q_OBJECT

public:
    /// Where a line keeps the move it shows.
    static constexpr int LoggedMoveRole = Qt::UserRole;

    explicit PassLog(QWidget *parent = nullptr);

    void appendMove(const LoggedMove &move);
    void appendSummary(const QString &text);
};
