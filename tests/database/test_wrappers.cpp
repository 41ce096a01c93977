// The database wrappers against real databases: how columns read, how rows are counted, what a
// failure shows and what it throws, transactions, and the connection the dealer attaches.
#include "database/CADORecordset.h"
#include "database/AddressMove.h"
#include "database/SqlStatement.h"
#include "database/Statements.h"
#include "tests/support/TestSupport.h"
#include "platform/automation/ComError.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

QString Text(const char16_t* s) {
    return QString::fromUtf16(s);
}

// A small tree: a city, an unnamed district, names that are numbers or letters, an id above 2^31.
const QStringList kFixture = {
    u"insert into addr (id,name,grade,parentid) values(1,'北京市',1,0)"_s,
    u"insert into addr (id,name,grade,parentid) values(2,'',2,1)"_s,
    u"insert into addr (id,name,grade,parentid) values(3,'123',3,2)"_s,
    u"insert into addr (id,name,grade,parentid) values(4,'abc',3,2)"_s,
    u"insert into addr (id,name,grade,parentid) values(3000000000,'大道',4,3)"_s,
    u"insert into addr_ref (stdaddrid,oldid,refflag) values(3,'65001234',0)"_s,
};

class Wrappers : public BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (IsSkipped())
            return;
        Database().Load(kFixture);
        m_attached = std::make_unique<AttachedDatabase>(Database());
    }
    void TearDown() override {
        m_attached.reset();
        BackendTest::TearDown();
    }

    // The one-value idiom: a reading taken over from RunQuery, column 0 of its first row.
    template <class T, class D> T OneValue(const QString& statement, D defaultValue) {
        CADORecordset reading(g_pDatabase->RunQuery(statement, 0));
        T value{};
        reading.ReadColumn(0, value, defaultValue);
        reading.CloseQuery();
        return value;
    }

    std::unique_ptr<AttachedDatabase> m_attached;
};

TEST_P(Wrappers, ReadsEachFormAndNullAsTheDefault) {
    MessageBoxRecorder boxes;
    EXPECT_EQ(OneValue<int>(u"select count(*) from addr"_s, 0), 5);
    EXPECT_EQ(OneValue<long>(u"select count(*) from addr where grade=3"_s, 0L), 2L);
    EXPECT_EQ(OneValue<uint32_t>(u"select id from addr where grade=4"_s, 0u), 3000000000u);
    EXPECT_EQ(OneValue<int>(u"select name from addr where id=3"_s, 0), 123); // digits in a text column
    EXPECT_EQ(OneValue<QString>(u"select id from addr where id=3"_s, nullptr), u"3"_s);
    EXPECT_EQ(OneValue<QString>(u"select name from addr where id=1"_s, nullptr), u"北京市"_s);
    // NULL (an empty string is NULL, as in Oracle) reads as the caller's default.
    EXPECT_EQ(OneValue<int>(u"select name from addr where id=2"_s, 7), 7);
    EXPECT_EQ(OneValue<long>(u"select name from addr where id=2"_s, -3L), -3L);
    EXPECT_EQ(OneValue<uint32_t>(u"select name from addr where id=2"_s, 9u), 9u);
    EXPECT_EQ(OneValue<QString>(u"select name from addr where id=2"_s, nullptr), QString());
    EXPECT_EQ(OneValue<QString>(u"select name from addr where id=2"_s, u"默认"), u"默认"_s);
    EXPECT_EQ(boxes.Count(), 0);
}

TEST_P(Wrappers, AConversionThatFailsThrowsWithoutABox) {
    MessageBoxRecorder boxes;
    struct Case {
        const char16_t* statement;
        int reader; // 0 int, 1 long, 2 unsigned
    };
    const Case cases[] = {
        {u"select name from addr where id=4", 0},        // letters as a number
        {u"select name from addr where id=4", 2},        // letters as unsigned
        {u"select grade-10 from addr where id=1", 2},    // a negative value as unsigned
        {u"select id from addr where id=3000000000", 1}, // above the 32-bit signed range
    };
    for (const Case& c : cases) {
        CADORecordset reading(g_pDatabase->RunQuery(Text(c.statement), 0));
        int i = 0;
        long l = 0;
        uint32_t u = 0;
        switch (c.reader) {
        case 0:
            EXPECT_THROW(reading.ReadColumn(0, i, 0), ComError)
                << QString::fromUtf16(c.statement).toStdString();
            break;
        case 1:
            EXPECT_THROW(reading.ReadColumn(0, l, 0L), ComError)
                << QString::fromUtf16(c.statement).toStdString();
            break;
        default:
            EXPECT_THROW(reading.ReadColumn(0, u, 0u), ComError)
                << QString::fromUtf16(c.statement).toStdString();
            break;
        }
    }
    EXPECT_EQ(boxes.Count(), 0);
}

TEST_P(Wrappers, ReadingRowsAndCountingThem) {
    MessageBoxRecorder boxes;
    const struct {
        LONG cursorType, cursorLocation;
    } options[] = {
        {adOpenForwardOnly, adUseServer}, {adOpenDynamic, adUseClient}, {adOpenForwardOnly, adUseClient}};
    for (const auto& o : options) {
        CADORecordset reading(g_pDatabase);
        reading.m_cursorType = o.cursorType;
        reading.m_cursorLocation = o.cursorLocation;
        reading.m_lockType = adLockReadOnly;
        ASSERT_TRUE(reading.OpenQuery(u"select id,name from addr where parentid=2 order by id"_s));
        if (o.cursorLocation == adUseClient) {
            EXPECT_EQ(reading.CountRows(), 2u);
        }
        QStringList names;
        while (!reading.AtEnd()) {
            long id = 0;
            QString name;
            reading.ReadColumn(0, id, 0L);
            reading.ReadColumn(1, name, nullptr);
            names << QString::number(id) + u':' + name;
            reading.Next();
        }
        EXPECT_EQ(names, (QStringList{u"3:123"_s, u"4:abc"_s}));
        reading.CloseQuery();
    }

    CADORecordset none(g_pDatabase);
    ASSERT_TRUE(none.OpenQuery(u"select id from addr where id=99"_s));
    EXPECT_TRUE(none.AtEnd());
    EXPECT_EQ(none.CountRows(), 0u);
    EXPECT_EQ(boxes.Count(), 0);
}

TEST_P(Wrappers, CountRowsWalksAReadingThatCannotTellAndComesBackToTheFirstRow) {
    CADORecordset reading(g_pDatabase);
    reading.m_cursorType = adOpenForwardOnly;
    reading.m_cursorLocation = adUseServer; // a streaming reading: SQLite cannot count it unread
    reading.m_lockType = adLockReadOnly;
    ASSERT_TRUE(reading.OpenQuery(u"select id from addr order by id"_s));
    LONG reported = 0;
    ASSERT_EQ(reading.Reading()->get_RecordCount(&reported), S_OK);
    if (GetParam() == Backend::SQLite) {
        EXPECT_EQ(reported, -1);
    }
    EXPECT_EQ(reading.CountRows(), 5u);
    long first = 0;
    reading.ReadColumn(0, first, 0L);
    EXPECT_EQ(first, 1L);
    reading.Next();
    reading.ReadColumn(0, first, 0L);
    EXPECT_EQ(first, 2L);
}

TEST_P(Wrappers, AFailingStatementShowsTheDatabaseBoxAndGoesOn) {
    MessageBoxRecorder boxes;
    EXPECT_FALSE(g_pDatabase->RunStatement(u"insert into nowhere (x) values(1)"_s, 0));
    ASSERT_EQ(boxes.Count(), 1);
    const MessageBoxRequest box = boxes.Last();
    EXPECT_EQ(box.caption, u"tessel"_s);
    EXPECT_EQ(box.flags, MB_OK);
    static const QRegularExpression format(
        u"^CADODatabase Error\n\tCode = 80040e14\n\tCode meaning = IDispatch error #3092\n\tSource = [^\n]+\n"
        u"\tDescription = [^\n]*nowhere(.|\n)*\n$"_s); // the database's message may run over lines
    EXPECT_TRUE(format.match(box.text).hasMatch()) << box.text.toStdString();
    EXPECT_EQ(g_pDatabase->GetLastErrorText(), box.text);
    EXPECT_EQ(uint32_t(g_pDatabase->GetLastErrorCode()), 0x80040E14u);

    // The object stays usable.
    EXPECT_TRUE(g_pDatabase->RunStatement(u"update addr set grade=1 where id=1"_s, 0));
    EXPECT_EQ(boxes.Count(), 1);
}

TEST_P(Wrappers, TheOneValueIdiomOnAFailingStatementShowsTwoBoxesAndYieldsZero) {
    MessageBoxRecorder boxes;
    EXPECT_EQ(OneValue<uint32_t>(u"select nothing from nowhere"_s, 0u), 0u);
    ASSERT_EQ(boxes.Count(), 2);
    EXPECT_TRUE(boxes.Boxes()[0].text.startsWith(u"CADODatabase Error\n\tCode = 80040e14\n"_s));
    EXPECT_EQ(boxes.Boxes()[1].text,
              u"CADORecordset Error\n\tCode = 80004003\n\tCode meaning = Invalid pointer\n"
              u"\tSource = (null)\n\tDescription = (null)\n"_s);
}

TEST_P(Wrappers, OpenQueryOnAFailingStatementShowsTheBoxAndTheReadingThenThrows) {
    MessageBoxRecorder boxes;
    CADORecordset reading(g_pDatabase);
    EXPECT_FALSE(reading.OpenQuery(u"select nothing from nowhere"_s));
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_TRUE(boxes.Last().text.startsWith(u"CADORecordset Error\n\tCode = "_s))
        << boxes.Last().text.toStdString();
    EXPECT_THROW(reading.AtEnd(), ComError);
    EXPECT_THROW(reading.Next(), ComError);
    EXPECT_THROW(reading.CountRows(), ComError);
    EXPECT_EQ(boxes.Count(), 1);
}

TEST_P(Wrappers, ReadingPastTheEndShowsTheBoxAndYieldsZeroOrEmpty) {
    MessageBoxRecorder boxes;
    CADORecordset reading(g_pDatabase->RunQuery(u"select id,name from addr where id=99"_s, 0));
    ASSERT_TRUE(reading.AtEnd());
    uint32_t id = 5;
    QString name = u"x"_s;
    EXPECT_TRUE(reading.ReadColumn(0, id, 1u));
    EXPECT_TRUE(reading.ReadColumn(1, name, u"默认"));
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(name, QString());
    ASSERT_EQ(boxes.Count(), 2);
    EXPECT_TRUE(boxes.Last().text.startsWith(u"CADORecordset Error\n"_s));
}

TEST_P(Wrappers, ModeOneStoresTheErrorWithoutABox) {
    MessageBoxRecorder boxes;
    EXPECT_FALSE(g_pDatabase->RunStatement(u"delete nowhere where x=1"_s, 1));
    EXPECT_FALSE(bool(g_pDatabase->RunQuery(u"select x from nowhere"_s, 1)));
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_TRUE(g_pDatabase->GetLastErrorText().startsWith(u"CADODatabase Error\n\tCode = 80040e14\n"_s));
}

TEST_P(Wrappers, ARolledBackTransactionLeavesNothingBehind) {
    MessageBoxRecorder boxes;
    const QString before = Database().Rows(u"select count(*) from addr"_s)[0][0];
    g_pDatabase->TransBegin();
    CADORecordset next(g_pDatabase->RunQuery(FormatStatement(Statements::NextAddrIds, {1}), 0));
    uint32_t id = 0;
    next.ReadColumn(0, id, 0u);
    next.CloseQuery();
    ASSERT_GT(id, 3000000000u); // the sequence starts past the largest id
    using namespace Statements;
    EXPECT_TRUE(g_pDatabase->RunStatement(
        FormatStatement(InsertAddrRows, {FormatList(AddrRow, {{id, SqlText::Quote(u"新节点"_s), 8, 3u}}, Space)}), 0));
    EXPECT_TRUE(g_pDatabase->RunStatement(
        FormatStatement(InsertLinkRows, {FormatList(LinkRow, {{id, SqlText::Quote(u"DP-1"_s), 1}}, Space)}), 0));
    EXPECT_TRUE(g_pDatabase->RunStatement(FormatStatement(DeleteAddrs, {FormatIdList({3})}), 0));
    EXPECT_TRUE(g_pDatabase->RunStatement(FormatAddressMoves({{4, u"改名"_s, 9, 1}}), 0));
    g_pDatabase->TransRollback();

    EXPECT_EQ(Database().Rows(u"select count(*) from addr"_s)[0][0], before);
    EXPECT_TRUE(Database().Rows(u"select * from addr_ref where oldid='DP-1'"_s).isEmpty());
    EXPECT_EQ(Database().Rows(u"select name,grade,parentid from addr where id=4"_s),
              (QList<QStringList>{{u"abc"_s, u"3"_s, u"2"_s}}));
    EXPECT_EQ(Database().Rows(u"select count(*) from addr where id=3"_s)[0][0], u"1"_s);

    // The same steps committed stay.
    g_pDatabase->TransBegin();
    EXPECT_TRUE(g_pDatabase->RunStatement(FormatStatement(Statements::DeleteAddrs, {FormatIdList({3})}), 0));
    g_pDatabase->TransCommit();
    EXPECT_EQ(Database().Rows(u"select count(*) from addr where id=3"_s)[0][0], u"0"_s);
    EXPECT_EQ(boxes.Count(), 0);
}

INSTANTIATE_BACKENDS(Wrappers);

// --- without a database -------------------------------------------------------------------------

TEST(ErrorText, CodeMeanings) {
    const struct {
        uint32_t code;
        const char16_t* meaning;
    } cases[] = {
        {0x80004003, u"Invalid pointer"}, // the system's text
        {0x80004002, u"No such interface supported"},
        {0x80040E14, u"IDispatch error #3092"}, // a provider code without a text
        {0x80040200, u"IDispatch error #0"},
        {0x8004FFFF, u"IDispatch error #65023"},
        {0x800401FF, u"Unknown error 0x800401FF"}, // just below the range
        {0x80050000, u"Unknown error 0x80050000"}, // just above it
        {0x800A0E78, u"Unknown error 0x800A0E78"},
        {0x00000001, u"Unknown error 0x1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CADOBase::CodeMeaning(HRESULT(c.code)), QString::fromUtf16(c.meaning))
            << std::hex << c.code;
}

TEST(ErrorText, SourceAndDescriptionAsGivenOrNull) {
    MessageBoxRecorder boxes;
    CADORecordset reading;
    reading.ReportError(
        ComError(HRESULT(0x80040E14), u"Provider (QSQLITE)", u"第1行: 100% 错误 %1", true, true), 0);
    reading.ReportError(ComError(E_FAIL, u"", u"", true, false), 0);
    ASSERT_EQ(boxes.Count(), 2);
    EXPECT_EQ(boxes.Boxes()[0].text,
              u"CADORecordset Error\n\tCode = 80040e14\n\tCode meaning = IDispatch error #3092\n"
              u"\tSource = Provider (QSQLITE)\n\tDescription = 第1行: 100% 错误 %1\n"_s);
    EXPECT_EQ(boxes.Boxes()[1].text,
              u"CADORecordset Error\n\tCode = 80004005\n\tCode meaning = Unspecified error\n"
              u"\tSource = \n\tDescription = (null)\n"_s);
    EXPECT_EQ(reading.GetLastErrorCode(), E_FAIL);
    EXPECT_EQ(reading.GetLastErrorText(), boxes.Boxes()[1].text);
}

TEST(Recordset, AnEmptyReadingThrowsFromEveryMoveButReportsFromReads) {
    MessageBoxRecorder boxes;
    CADORecordset reading{RowSource()};
    EXPECT_THROW(reading.AtEnd(), ComError);
    EXPECT_THROW(reading.Next(), ComError);
    EXPECT_THROW(reading.CountRows(), ComError);
    EXPECT_NO_THROW(reading.CloseQuery()); // an empty reading is simply left alone
    EXPECT_EQ(boxes.Count(), 0);
    int value = 4;
    reading.ReadColumn(0, value, 1);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(boxes.Count(), 1);
}

// --- the connection the dealer attaches ---------------------------------------------------------

TEST(Connection, AnObjectThatIsNotAConnectionLeavesNoneAndStatementsReportInvalidPointer) {
    TestDatabase db;
    MessageBoxRecorder boxes;
    ComPtr<_Recordset> notAConnection;
    ASSERT_EQ(CreateRecordset(notAConnection.Put()), S_OK);
    for (IDispatch* host :
         {static_cast<IDispatch*>(nullptr), static_cast<IDispatch*>(notAConnection.Get())}) {
        CADODatabase database;
        database.AttachConnection(host);
        EXPECT_FALSE(database.IsConnected());
        EXPECT_FALSE(bool(database.RunQuery(u"select id from addr"_s, 0)));
        ASSERT_EQ(boxes.Count(), 1);
        EXPECT_EQ(boxes.Last().text,
                  u"CADODatabase Error\n\tCode = 80004003\n\tCode meaning = Invalid pointer\n"
                  u"\tSource = (null)\n\tDescription = (null)\n"_s);
        EXPECT_THROW(database.TransBegin(), ComError);
        EXPECT_EQ(boxes.Count(), 1); // transactions throw, they do not report
        boxes.Clear();
        database.DetachConnection();
    }
}

TEST(Connection, TheHostsConnectionsAreReleasedNeverClosed) {
    TestDatabase first, second;
    {
        CADODatabase database;
        EXPECT_FALSE(database.IsConnected()); // its own connection is not open
        database.AttachConnection(first.Connection());
        EXPECT_TRUE(database.IsConnected());
        database.AttachConnection(second.Connection()); // a second SetConnection on the same dealer
        EXPECT_TRUE(database.IsConnected());
        database.DetachConnection();
        EXPECT_FALSE(database.IsConnected()); // its own, unopened connection is current again
    }
    for (TestDatabase* db : {&first, &second}) {
        LONG state = adStateClosed;
        ASSERT_EQ(db->Connection()->get_State(&state), S_OK);
        EXPECT_EQ(state, adStateOpen);
        EXPECT_EQ(db->Rows(u"select count(*) from addr"_s)[0][0], u"0"_s);
    }
}

TEST(Connection, TransactionFailuresThrow) {
    TestDatabase db;
    AttachedDatabase attached(db);
    MessageBoxRecorder boxes;
    EXPECT_THROW(g_pDatabase->TransCommit(), ComError); // no transaction is active
    EXPECT_THROW(g_pDatabase->TransRollback(), ComError);
    EXPECT_EQ(boxes.Count(), 0);
}

TEST(Recordset, SharesItsReadingWithCopiesAndCloseQueryLeavesATakenOverReadingOpen) {
    TestDatabase db;
    db.Load(kFixture);
    AttachedDatabase attached(db);
    CADORecordset reading; // constructed without arguments, then assigned
    reading = CADORecordset(g_pDatabase->RunQuery(u"select id from addr order by id"_s, 0));
    CADORecordset copy(reading.Reading()); // a second wrapper on the same reading (wrappers are not copied)
    copy.Next();
    long id = 0;
    reading.ReadColumn(0, id, 0L);
    EXPECT_EQ(id, 2L); // one reading, one position
    reading.CloseQuery();
    EXPECT_FALSE(copy.AtEnd()); // still open: it holds no connection

    CADORecordset opened(g_pDatabase);
    ASSERT_TRUE(opened.OpenQuery(u"select id from addr"_s));
    opened.CloseQuery();
    LONG state = adStateOpen;
    ASSERT_EQ(opened.Reading()->get_State(&state), S_OK);
    EXPECT_EQ(state, adStateClosed);
}

} // namespace
