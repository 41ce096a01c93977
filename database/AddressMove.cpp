#include "database/AddressMove.h"

#include "database/SqlStatement.h"
#include "database/Statements.h"

QString FormatAddressMoves(const std::vector<AddressMove>& moves) {
    std::vector<std::vector<SqlArg>> names, grades, parents;
    std::vector<uint32_t> ids;
    for (const AddressMove& move : moves) {
        names.push_back({move.address, SqlText::Quote(move.name)});
        grades.push_back({move.address, move.grade});
        parents.push_back({move.address, move.parent});
        ids.push_back(move.address);
    }
    using namespace Statements;
    return FormatStatement(MoveAddrs,
                           {FormatList(WhenIdText, names, Space), FormatList(WhenIdGrade, grades, Space),
                            FormatList(WhenIdId, parents, Space), FormatIdList(ids)});
}
