// What `tessel decompose --jobs N` and its worker processes say to each other over their pipes: one
// message a line, its fields tab-separated, a backslash, tab, line feed or carriage return inside a
// field written \\, \t, \n, \r, so any compound name and any database message travel whole.
//
//   parent -> worker: compound TEXT | again | go
//   worker -> parent: located [NAME] | outcome FIELDS... | ended WHY
#pragma once

#include "pages/rules/CompoundDecomposition.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class WorkerMessage {
public:
    // The line, its line feed included.
    static QByteArray Encode(const QStringList& fields);
    // One line without its line feed.
    static QStringList Decode(const QByteArray& line);

    // An outcome's fields after the word "outcome" (what the report prints of it: status, figures,
    // ids, message, the rows both lists were split with), and back; nothing when they are not such
    // fields.
    static QStringList OutcomeFields(const CompoundDecomposition::Outcome& outcome);
    static std::optional<CompoundDecomposition::Outcome> OutcomeOf(const QStringList& fields);
};
