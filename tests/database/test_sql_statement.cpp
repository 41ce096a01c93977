// The quoting helper: statements are filled only through it, hostile text goes in and comes back
// unchanged, and like patterns built from a name match that name literally.
#include "database/CADORecordset.h"
#include "database/SqlStatement.h"
#include "database/StatementBatches.h"
#include "database/Statements.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace {

QString S(const char16_t* s) {
    return QString::fromUtf16(s);
}

TEST(SqlText, QuotesAndLikeLiterals) {
    const struct {
        const char16_t* raw;
        const char16_t* quoted;
        const char16_t* like;
    } cases[] = {
        {u"阳光花园", u"阳光花园", u"阳光花园"},
        {u"O'Brien", u"O''Brien", u"O''Brien"},
        {u"''", u"''''", u"''''"},
        {u"100%", u"100%", u"100\\%"},
        {u"a_b", u"a_b", u"a\\_b"},
        {u"C:\\dir", u"C:\\dir", u"C:\\\\dir"},
        {u"\\'%_", u"\\''%_", u"\\\\''\\%\\_"},
        {u"", u"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SqlText::Quote(S(c.raw)).Quoted(), S(c.quoted)) << S(c.raw).toStdString();
        EXPECT_EQ(SqlText::LikeLiteral(S(c.raw)).Quoted(), S(c.like)) << S(c.raw).toStdString();
    }
}

TEST(FormatStatement, FillsPlaceholdersInOrder) {
    EXPECT_EQ(FormatStatement(Statements::AddrRow, {4294967295u, SqlText::Quote(u"3栋'"_s), 8, 17u}),
              u"into addr (id,name,grade,parentid) values(4294967295,'3栋''',8,17)"_s);
    EXPECT_EQ(FormatStatement(Statements::WhenIdText, {1u, SqlText::Quote(u""_s)}), u"when 1 then ''"_s);
    EXPECT_EQ(FormatStatement(Statements::WhenIdGrade, {0u, -1}), u"when 0 then -1"_s);
    EXPECT_EQ(FormatStatement(Statements::DpAddresses, {SqlText::LikeLiteral(u"5%_"_s)}),
              u"select num,addr from dpaddr97 where addr like '%5\\%\\_%' escape '\\'"_s);
    EXPECT_EQ(FormatStatement(Statements::TopNodeName, {}), u"select name from addr where parentid=0 order by id"_s);
}

TEST(FormatStatement, RefusesValuesThatDoNotFit) {
    // A text where an id belongs, a plain number where text belongs, too many or too few values.
    EXPECT_THROW(FormatStatement(Statements::LockAddrRow, {SqlText::Quote(u"1 or 1=1"_s)}), std::logic_error);
    EXPECT_THROW(FormatStatement(Statements::FindPathNode, {1u, 2u}), std::logic_error);
    EXPECT_THROW(FormatStatement(Statements::AddrRow, {1u, SqlText::Quote(u"x"_s), 8u, 1u}), std::logic_error);
    EXPECT_THROW(FormatStatement(Statements::LockAddrRow, {}), std::logic_error);
    EXPECT_THROW(FormatStatement(Statements::LockAddrRow, {1u, 2u}), std::logic_error);
    EXPECT_THROW(FormatStatement(u"select %x from addr", {1u}), std::logic_error);
}

// A run of writes goes out as the fewest texts within the block size, in order: a block of two or
// more, a statement that fits with no other as it is.
TEST(FormatStatementBlocks, KeepsOrderAndTheBlockSize) {
    const QStringList three = {u"insert into a values (1)"_s, u"delete from b where x=';end;'"_s,
                               u"update c set y=2"_s};
    const struct {
        const char* what;
        std::size_t blockChars;
        QStringList texts;
    } cases[] = {
        {"all in one", StatementBatches::Unbounded,
         {u"begin\ninsert into a values (1);\ndelete from b where x=';end;';\nupdate c set y=2;\nend;"_s}},
        {"none together", 0, three},
        {"the first two together",
         static_cast<std::size_t>(u"begin\ninsert into a values (1);\ndelete from b where x=';end;';\nend;"_s.size()),
         {u"begin\ninsert into a values (1);\ndelete from b where x=';end;';\nend;"_s, u"update c set y=2"_s}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatStatementBlocks(three, c.blockChars), c.texts) << c.what;
    EXPECT_EQ(FormatStatementBlocks({u"update c set y=2"_s}, StatementBatches::Unbounded),
              QStringList{u"update c set y=2"_s});

    // Oracle's blocks: a Finish's writes of a large tree, none past the size.
    const std::size_t oracle = StatementBatches::Limits::Of(dataaccess::SqlDialect::Oracle).blockChars;
    QStringList writes;
    for (uint32_t batch = 0; batch < 40; ++batch) {
        std::vector<uint32_t> ids;
        for (uint32_t i = 0; i < 1000; ++i)
            ids.push_back(1000000 + batch * 1000 + i);
        writes.append(FormatStatement(Statements::DeleteAddrs, {FormatIdList(ids)}));
    }
    const QStringList blocks = FormatStatementBlocks(writes, oracle);
    EXPECT_GT(blocks.size(), 1);
    for (const QString& block : blocks)
        EXPECT_LE(static_cast<std::size_t>(block.size()), oracle);
    EXPECT_EQ(blocks.join(QString()).count(u"delete addr where"_s), writes.size());
}

class HostileText : public BackendTest {};

TEST_P(HostileText, GoesInAndComesBackUnchanged) {
    Database().Load({u"insert into addr (id,name,grade,parentid) values(1,'北京市',1,0)"_s});
    AttachedDatabase attached(Database());
    MessageBoxRecorder boxes;

    QString longText;
    for (int i = 0; i < 10000; ++i)
        longText += QChar(u"楼'\\%_a-栋 "[i % 9]);
    const QString values[] = {
        u"O'Brien"_s,  u"''"_s,         u"back\\slash"_s, u"\\'"_s,         u"100%"_s,
        u"a_b"_s,      u"%"_s,          u"_"_s,           u"3栋--2单元"_s,  u"a;delete addr"_s,
        u"行\n换\t"_s, u"𠀀补充平面"_s, u"\\"_s,          u"' or '1'='1"_s, longText,
    };
    uint32_t id = 100;
    for (const QString& value : values) {
        ++id;
        ASSERT_TRUE(g_pDatabase->RunStatement(
            FormatStatement(Statements::InsertAddrRows,
                            {FormatList(Statements::AddrRow, {{id, SqlText::Quote(value), 2, 1u}}, Statements::Space)}),
            0))
            << value.left(40).toStdString();
        // Found again by the commit's lookup by name ...
        CADORecordset found(
            g_pDatabase->RunQuery(FormatStatement(Statements::FindPathNode, {1u, SqlText::Quote(value)}), 0));
        ASSERT_FALSE(found.AtEnd()) << value.left(40).toStdString();
        uint32_t foundId = 0;
        found.ReadColumn(0, foundId, 0u);
        EXPECT_EQ(foundId, id);
        found.Next();
        EXPECT_TRUE(found.AtEnd()) << "the name matched more than itself: " << value.left(40).toStdString();
        // ... and read back as it was.
        CADORecordset name(g_pDatabase->RunQuery(u"select name from addr where id=%1"_s.arg(id), 0));
        QString stored;
        name.ReadColumn(0, stored, nullptr);
        EXPECT_EQ(stored, value);
        // As a like pattern without wildcards it matches itself and nothing else that was written.
        CADORecordset like(
            g_pDatabase->RunQuery(FormatStatement(u"select id from addr where name like '%s' escape '\\'",
                                                  {SqlText::LikeLiteral(value)}),
                                  0));
        EXPECT_EQ(like.CountRows(), 1u) << value.left(40).toStdString();
    }
    EXPECT_EQ(boxes.Count(), 0);
}

TEST_P(HostileText, LikePatternsMatchTheNameLiterallyAndCaseSensitively) {
    Database().Load({
        u"insert into dpaddr97 (num,addr) values('1','50%花园3栋')"_s,
        u"insert into dpaddr97 (num,addr) values('2','50X花园3栋')"_s,
        u"insert into dpaddr97 (num,addr) values('3','a_b苑1号')"_s,
        u"insert into dpaddr97 (num,addr) values('4','axb苑1号')"_s,
        u"insert into dpaddr97 (num,addr) values('5','c:\\d苑1号')"_s,
        u"insert into dpaddr97 (num,addr) values('6','c:d苑1号')"_s,
        u"insert into dpaddr97 (num,addr) values('7','ABC苑1号')"_s,
        u"insert into dpaddr97 (num,addr) values('8','abc苑1号')"_s,
    });
    const struct {
        const char16_t* cell;
        const char16_t* nums;
    } cases[] = {{u"50%花园", u"1"}, {u"a_b苑", u"3"}, {u"c:\\d", u"5"},
                 {u"abc苑", u"8"},   {u"%", u"1"},     {u"_", u"3"}};
    for (const auto& c : cases) {
        QStringList nums;
        for (const QStringList& row :
             Database().Rows(FormatStatement(Statements::DpAddresses, {SqlText::LikeLiteral(S(c.cell))})))
            nums << row[0];
        nums.sort();
        EXPECT_EQ(nums.join(u','), S(c.nums)) << S(c.cell).toStdString();
    }
}

INSTANTIATE_BACKENDS(HostileText);

} // namespace
