#include "database/AddressPathByNames.h"

#include "database/SqlStatement.h"
#include "database/Statements.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

AddressPathByNames::AddressPathByNames(const Names& names, int from, uint32_t parentId)
    : m_names(names), m_from(from), m_parentId(parentId) {
    if (from < 1 || from > LastGrade)
        throw std::logic_error("a path walk starts at a grade from 1 to 7");
}

QString AddressPathByNames::Statement() const {
    using namespace Statements;
    std::vector<std::vector<SqlArg>> selects;
    std::optional<SqlList> above; // the ids found for the grade above, as a select
    for (int grade = m_from; grade <= LastGrade; ++grade) {
        const QString& name = m_names[grade];
        const bool named = !name.isEmpty();
        if (m_knownParents) {
            const uint32_t parent = (*m_knownParents)[grade - 1];
            selects.push_back({named ? FormatList(PathWalkFirst, {{grade, parent, SqlText::Quote(name)}}, Space)
                                     : FormatList(PathWalkFirstUnnamed, {{grade, parent}}, Space)});
            continue;
        }
        SqlList select = above ? (named ? FormatList(PathWalkNext, {{grade, *above, SqlText::Quote(name)}}, Space)
                                        : FormatList(PathWalkNextUnnamed, {{grade, *above}}, Space))
                               : (named ? FormatList(PathWalkFirst, {{grade, m_parentId, SqlText::Quote(name)}}, Space)
                                        : FormatList(PathWalkFirstUnnamed, {{grade, m_parentId}}, Space));
        selects.push_back({std::move(select)});
        if (grade == LastGrade)
            break;
        above = above ? (named ? FormatList(PathWalkSetNext, {{*above, SqlText::Quote(name)}}, Space)
                               : FormatList(PathWalkSetNextUnnamed, {{*above}}, Space))
                      : (named ? FormatList(PathWalkSetFirst, {{m_parentId, SqlText::Quote(name)}}, Space)
                               : FormatList(PathWalkSetFirstUnnamed, {{m_parentId}}, Space));
    }
    return FormatStatement(PathWalk, {FormatList(u"%l", selects, UnionAll)});
}

void AddressPathByNames::Add(int grade, uint32_t id, uint32_t parentId) {
    std::vector<uint32_t>& ids = m_children[{grade, parentId}];
    ids.insert(std::upper_bound(ids.begin(), ids.end(), id), id);
}

std::vector<uint32_t> AddressPathByNames::Below(int grade, uint32_t parentId) const {
    const auto found = m_children.find({grade, parentId});
    return found == m_children.end() ? std::vector<uint32_t>{} : found->second;
}
