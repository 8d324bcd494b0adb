#pragma once

#include <QString>

class MessageTable;

// Settles, at a start of the program, the moves of the journal (movejournal.h) that a crash or a kill
// left unfinished: an unfinished copy under its temporary name is removed while its source is still
// there (kept and named otherwise); a move that had arrived but not yet removed its source is finished
// once the two are found identical; a companion folder left behind by its file is moved after it, or
// the text says why not (nothing is merged or replaced without the user). What it does is recorded in
// the journal as a pass of its own.
//
// Returns a text in the language of `messages` listing what was found and done, to show once; empty when
// there was nothing to settle, and also when another running program has a pass open (its moves are
// settled at a later start).
QString settleJournal(const QString &journalPath, const MessageTable &messages);
