// For tests and benchmarks that decompose many compounds of a generated database: which compounds
// to take, and pattern rows written as an operator types them.
#pragma once

#include "pages/rules/CompoundReference.h"
#include "splitting/LevelNames.h"
#include "splitting/Splitting.h"
#include "tests/support/TestDatabase.h"

#include <QStringList>

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

namespace GeneratedCompounds {

// Up to `count` compounds, (node id, name), in id order: grade-7 nodes whose names hold no digit (a
// grade-7 standard address is named after its compound with the inner part, 3栋2单元501室, behind),
// one of each name.
inline std::vector<std::pair<uint32_t, QString>> Distinct(TestDatabase& db, int count) {
    std::vector<std::pair<uint32_t, QString>> compounds;
    QStringList names;
    for (const QStringList& row : db.Rows(QStringLiteral("select id,name from addr where grade=7 order by id"))) {
        if (static_cast<int>(compounds.size()) == count)
            break;
        if (std::any_of(row[1].begin(), row[1].end(), [](QChar c) { return c.isDigit(); }) || names.contains(row[1]))
            continue;
        names << row[1];
        compounds.emplace_back(row[0].toUInt(), row[1]);
    }
    return compounds;
}

// The same compounds named by node id.
inline std::vector<CompoundReference> ById(TestDatabase& db, int count) {
    std::vector<CompoundReference> references;
    for (const auto& [id, name] : Distinct(db, count))
        references.push_back(CompoundReference::ById(id));
    return references;
}

// A pattern row without names from its level texts as typed ([n], [c] included).
inline NamedPatternRow Row(std::initializer_list<const char16_t*> levels) {
    NamedPatternRow row;
    std::size_t k = 0;
    for (const char16_t* level : levels)
        row.levels[k++] = ToInternalForm(level);
    return row;
}

} // namespace GeneratedCompounds
