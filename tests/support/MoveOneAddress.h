// The commit's set-wise move (Statements::MoveAddrs) for a single address, for the tests that run
// its statements one row at a time.
#pragma once

#include "database/SqlStatement.h"
#include "database/Statements.h"

#include <QString>

#include <cstdint>

inline QString MoveOneAddress(uint32_t address, const QString& name, int grade, uint32_t parent) {
    using namespace Statements;
    return FormatStatement(MoveAddrs, {FormatList(WhenIdText, {{address, SqlText::Quote(name)}}, Space),
                                       FormatList(WhenIdGrade, {{address, grade}}, Space),
                                       FormatList(WhenIdId, {{address, parent}}, Space), FormatIdList({address})});
}
