// What decomposing costs in statements: compounds of a generated database taken one after another on
// one connection, as `tessel decompose --cells` takes them (half named by id, half by name), each
// through the page rules and its own commit, counted by the connection layer. The count per written
// compound stays the same however many compounds a run takes: path look-ups and searches are one
// statement each, and the commit's grow with the depth of the trees.
//
// The goal is 15 statements per written compound. On PostgreSQL the commit sends its writes in
// blocks (one round trip each) and reads what it must under its locks: about 16 of the 22 reached
// are the commit's (begin and commit, the locks, the look-ups between its writes, three blocks). The
// ceilings are what is reached (SQLite sends each write on its own and draws each sequence value by
// a statement of its own), so that a change that sends more fails here.
#include "pages/rules/CompoundDecomposition.h"
#include "pages/rules/CompoundReference.h"
#include "platform/dataaccess/Connection.h"
#include "tests/support/GeneratedCompounds.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Compounds = 30;

double StatementsPerWrittenCompound(Backend backend) {
    return backend == Backend::SQLite ? 40 : 23;
}

using GeneratedCompounds::Row;

// The rows an operator sets up for the generator's forms (3栋2单元501室, 12号楼3单元, A座5层503, ...).
CompoundDecomposition::Options DemoOptions() {
    CompoundDecomposition::Options options;
    options.dpRows = {Row({u"栋", u"元", u"室"}), Row({u"[n]", u"号楼", u"[n]", u"单元", u"[n]"}),
                      Row({u"[c]", u"座", u"[n]", u"层", u"[n]"}), Row({u"[n]", u"-", u"[n]", u"-", u"[n]"})};
    options.addrRows = {Row({u"栋", u"元", u"室"})};
    return options;
}

class DecomposeStatementCount : public BackendTest {};

TEST_P(DecomposeStatementCount, EachWrittenCompoundStaysWithinTheCeiling) {
    Database().Generate(4000);
    // Half named by id, half by name.
    std::vector<CompoundReference> compounds;
    for (const auto& [id, name] : GeneratedCompounds::Distinct(Database(), Compounds))
        compounds.push_back(compounds.size() % 2 ? CompoundReference::Named(name) : CompoundReference::ById(id));
    ASSERT_EQ(static_cast<int>(compounds.size()), Compounds);

    AttachedDatabase attached(Database());
    MessageBoxRecorder boxes;
    const dataaccess::Connection* connection = dataaccess::Connection::From(Database().Connection());
    ASSERT_NE(connection, nullptr);
    const CompoundDecomposition decomposition(DemoOptions(), CompoundDecomposition::Scope::ManyCompounds);
    const long long before = connection->StatementsSent();
    int written = 0;
    for (const CompoundReference& compound : compounds) {
        const CompoundDecomposition::Outcome outcome = decomposition.Run(compound);
        written += outcome.status == CompoundDecomposition::Status::Written;
    }
    const double perWritten = static_cast<double>(connection->StatementsSent() - before) / std::max(written, 1);

    EXPECT_GE(written, Compounds * 2 / 3);
    EXPECT_LE(perWritten, StatementsPerWrittenCompound(GetParam()));
    EXPECT_EQ(boxes.Count(), 0);
    std::cout << "statements per written compound: " << perWritten << " (" << written << " written)" << std::endl;
}

INSTANTIATE_BACKENDS(DecomposeStatementCount);

} // namespace
