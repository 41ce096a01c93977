// The Oracle dialect translator on its own: statements in Oracle's forms, translated and run on a
// real SQLite file and a real PostgreSQL database through plain Qt SQL, must give Oracle's rows;
// forms the translator does not know are refused with a message naming them; loops in
// hierarchical data fail instead of recursing forever.
#include "tests/platform/test_dataaccess_fixture.h"

#include "platform/dataaccess/ConnectByRewriter.h"
#include "platform/dataaccess/OracleTranslator.h"
#include "platform/dataaccess/TranslationError.h"

#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using namespace dataaccess_test;
using dataaccess::OracleTranslator;
using dataaccess::TranslatedStatement;
using dataaccess::TranslationError;

using Rows = std::vector<std::vector<QString>>;

struct LoopInData : std::runtime_error {
    LoopInData() : std::runtime_error("CONNECT BY loop in user data") {}
};

// Tables are made anew for every test in the program's scratch databases.
ScratchDatabases& Databases() {
    return ScratchDatabases::Get();
}

class OracleDialect : public ::testing::TestWithParam<SqlDialect> {
protected:
    void SetUp() override {
        QString url;
        if (GetParam() == SqlDialect::PostgreSQL) {
            if (!Databases().postgres.Available())
                GTEST_SKIP() << "TESSEL_TEST_PG_URL is not set";
            url = Databases().postgres.Url();
        } else {
            url = Databases().sqlite.Url();
        }
        m_name = NewQtConnectionName();
        m_db = OpenRaw(url, m_name);
        // The connection object sets this for every SQLite connection it opens or wraps.
        if (GetParam() == SqlDialect::SQLite)
            Exec(m_db, QStringLiteral("PRAGMA case_sensitive_like=ON"));
        for (const char* table : {"addr", "addr_ref", "dpaddr97", "telnum_dp97"})
            Exec(m_db, QStringLiteral("drop table if exists %1").arg(QLatin1StringView(table)));
        Exec(m_db, GetParam() == SqlDialect::PostgreSQL ? QStringLiteral("drop sequence if exists seq_addr")
                                                        : QStringLiteral("drop table if exists seq_addr"));
        for (const QString& ddl : TinySchema(GetParam()))
            Exec(m_db, ddl);
        // 1 上海市 > 2 浦东新区 > 3 张江镇 > 4 ABC路 > 5..8 (8 has no name)
        Exec(m_db,
             QStringLiteral("insert into addr values (1, '上海市', 1, 0), (2, '浦东新区', 2, 1), "
                            "(3, '张江镇', 3, 2), (4, 'ABC路', 4, 3), (5, 'a\\b', 5, 4), (6, 'a%x', 5, 4), "
                            "(7, 'abx', 5, 4), (8, NULL, 6, 4)"));
    }
    void TearDown() override {
        if (m_name.isEmpty())
            return;
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }

    // Runs a statement of the Oracle dialect as the connection object does: loop checks, sequence
    // draws, then the statement, whose failure at a loop reads as the connection reads it. NULL reads as "NULL".
    Rows Run(const QString& oracle) {
        OracleTranslator translator(GetParam());
        TranslatedStatement translated = translator.Translate(oracle);
        for (const QString& check : translated.loopChecks) {
            QSqlQuery probe(m_db);
            if (!probe.exec(check))
                throw std::runtime_error(probe.lastError().text().toStdString());
            if (probe.next())
                throw LoopInData();
        }
        if (!translated.sequences.isEmpty()) {
            QStringList values;
            for (const QString& draw : translated.sequenceDraws) {
                QSqlQuery q(m_db);
                if (!q.exec(draw) || !q.next())
                    throw std::runtime_error(q.lastError().text().toStdString());
                values << q.value(0).toString();
            }
            translated = translator.Translate(oracle, values);
        }
        QSqlQuery query(m_db);
        if (!query.exec(translated.text)) {
            // PostgreSQL fails the statement itself at a loop.
            if (query.lastError().databaseText().contains(QLatin1String(dataaccess::LoopInDataMessage)))
                throw LoopInData();
            throw std::runtime_error((translated.text + u'\n' + query.lastError().text()).toStdString());
        }
        Rows rows;
        while (query.next()) {
            std::vector<QString> row;
            for (int i = 0; i < query.record().count(); ++i)
                row.push_back(query.isNull(i) ? QStringLiteral("NULL") : query.value(i).toString());
            rows.push_back(row);
        }
        return rows;
    }
    QString One(const QString& oracle) {
        const Rows rows = Run(oracle);
        return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0] : QStringLiteral("<not one value>");
    }

    QString m_name;
    QSqlDatabase m_db;
};

struct FormCase {
    const char* form;
    const char* statement;
    Rows rows;
    bool ordered;
};

Rows R(std::initializer_list<std::initializer_list<const char*>> rows) {
    Rows result;
    for (auto row : rows) {
        std::vector<QString> r;
        for (const char* v : row)
            r.push_back(QString::fromUtf8(v));
        result.push_back(r);
    }
    return result;
}

TEST_P(OracleDialect, FormsGiveOraclesRows) {
    const std::vector<FormCase> cases = {
        {"dual", "select 1 from dual", R({{"1"}}), true},
        {"dual, upper case", "select count(*) from DUAL", R({{"1"}}), true},
        {"climb to the top, top first",
         "select id,name,parentid from addr start with id=4 connect by id = Prior parentid order by level "
         "desc",
         R({{"1", "上海市", "0"}, {"2", "浦东新区", "1"}, {"3", "张江镇", "2"}, {"4", "ABC路", "3"}}), true},
        {"descend in a derived table",
         "select a.id,a.grade from (select id,grade from addr start with id=3 connect by Prior id=parentid) "
         "A "
         "where a.grade>3",
         R({{"4", "4"}, {"5", "5"}, {"6", "5"}, {"7", "5"}, {"8", "6"}}), false},
        {"level column and order by level",
         "select id, level from addr start with id=3 connect by prior id = parentid order by level, id",
         R({{"3", "1"}, {"4", "2"}, {"5", "3"}, {"6", "3"}, {"7", "3"}, {"8", "3"}}), true},
        {"where filters rows after the hierarchy, without pruning it",
         "select id from addr where grade <> 4 start with id=3 connect by prior id=parentid",
         R({{"3"}, {"5"}, {"6"}, {"7"}, {"8"}}), false},
        {"level in connect by",
         "select id from addr start with id=1 connect by prior id=parentid and level <= 3",
         R({{"1"}, {"2"}, {"3"}}), false},
        {"hierarchy inside in (...)",
         "select count(*) from addr where id in (select id from addr start with id=4 connect by prior "
         "id=parentid)",
         R({{"5"}}), true},
        {"keywords in upper case",
         "SELECT ID FROM ADDR START WITH ID=2 CONNECT BY ID = PRIOR PARENTID ORDER BY LEVEL",
         R({{"2"}, {"1"}}), true},
        {"start with after connect by",
         "select id from addr connect by prior id = parentid start with id = 7", R({{"7"}}), true},
        {"qualified by the table's alias",
         "select t.id from addr t start with t.id=4 connect by prior t.id = t.parentid and t.grade < 6 order "
         "by t.id",
         R({{"4"}, {"5"}, {"6"}, {"7"}}), true},
        {"no start with: every row a root",
         "select count(*) from addr connect by prior id = parentid and level <= 2", R({{"15"}}), true},
        {"'' compares as NULL: =", "select count(*) from addr where name = ''", R({{"0"}}), true},
        {"'' compares as NULL: <>", "select count(*) from addr where name <> ''", R({{"0"}}), true},
        {"|| skips NULL", "select 'a' || '' || 'b' from dual", R({{"ab"}}), true},
        {"|| of nothing is NULL", "select '' || '' from dual", R({{"NULL"}}), true},
        {"|| with a NULL column", "select name || '!' from addr where id = 8", R({{"!"}}), true},
        {"like tells case", "select count(*) from addr where name like 'abc%'", R({{"0"}}), true},
        {"like tells case, matching", "select count(*) from addr where name like 'ABC%'", R({{"1"}}), true},
        {"like without escape: a backslash is itself", "select id from addr where name like 'a\\b'",
         R({{"5"}}), true},
        {"like escape '\\'", "select id from addr where name like 'a\\%%' escape '\\'", R({{"6"}}), true},
        {"like _", "select id from addr where name like 'a_x' order by id", R({{"6"}, {"7"}}), true},
        {"contains search in a join, escaped and case-sensitive",
         "select a.id from addr a, addr p where p.id = a.parentid and a.name like '%\\%x' escape '\\' and "
         "p.name like '%BC%' order by a.id",
         R({{"6"}}), true},
        {"nvl and decode",
         "select nvl(name, 'none'), decode(grade, 5, 'five', 6, 'six', 'other'), decode(name, null, 'null', "
         "'set') "
         "from addr where id in (7, 8) order by id",
         R({{"abx", "five", "set"}, {"none", "six", "null"}}), true},
        {"minus", "select id from addr where grade = 5 minus select id from addr where id = 6",
         R({{"5"}, {"7"}}), false},
        {"unique", "select unique grade from addr where grade >= 5", R({{"5"}, {"6"}}), false},
        {"^=", "select count(*) from addr where grade ^= 5", R({{"5"}}), true},
        {"comments and hints", "select /*+ index(addr) */ id from addr -- the top\n where id = 1", R({{"1"}}),
         true},
        {"national literal", "select count(*) from addr where name = N'上海市'", R({{"1"}}), true},
        {"NULL sorts last going up", "select name from addr where id in (7, 8) order by name",
         R({{"abx"}, {"NULL"}}), true},
        {"NULL sorts first going down", "select name, id from addr where id in (7, 8) order by name desc, 2",
         R({{"NULL", "8"}, {"abx", "7"}}), true},
        {"closing semicolon", "select id from addr where id = 2;", R({{"2"}}), true},
    };
    for (const FormCase& c : cases) {
        SCOPED_TRACE(c.form);
        Rows rows;
        try {
            rows = Run(QString::fromUtf8(c.statement));
        } catch (const std::exception& e) {
            ADD_FAILURE() << c.form << ": " << e.what();
            continue;
        }
        Rows expected = c.rows;
        if (!c.ordered) {
            std::sort(rows.begin(), rows.end());
            std::sort(expected.begin(), expected.end());
        }
        EXPECT_EQ(rows, expected) << c.statement;
    }
}

TEST_P(OracleDialect, ChangesTakeOraclesForms) {
    // '' is stored as NULL and found again with "is null".
    Run(QStringLiteral("insert into addr (id,name,grade,parentid) values(20,'',7,4)"));
    EXPECT_EQ(One(QStringLiteral("select count(*) from addr where id=20 and name is null")), u"1");
    // delete without from
    Run(QStringLiteral("delete addr where id=20"));
    EXPECT_EQ(One(QStringLiteral("select count(*) from addr where id=20")), u"0");
    // update with ''
    Run(QStringLiteral("update addr set name='',grade=9,parentid=3 where id=7"));
    EXPECT_EQ(One(QStringLiteral("select count(*) from addr where id=7 and name is null and parentid=3")),
              u"1");
}

TEST_P(OracleDialect, SequenceValuesComeOneAfterAnother) {
    const qint64 first = One(QStringLiteral("select seq_addr.nextval from dual")).toLongLong();
    EXPECT_EQ(first, 1000);
    Run(QStringLiteral("insert into addr (id,name,grade,parentid) values(seq_addr.nextval,'新',8,4)"));
    EXPECT_EQ(One(QStringLiteral("select id from addr where name='新'")).toLongLong(), first + 1);
    EXPECT_EQ(One(QStringLiteral("select SEQ_ADDR.NEXTVAL from dual")).toLongLong(), first + 2);
}

TEST_P(OracleDialect, LoopsInTheDataFailInsteadOfRecursing) {
    // 40 -> 41 -> 42 -> 40 by parentid, and 50 its own parent. 41 has a link, so that the join below
    // needs the hierarchy's rows (a server may end a join with an empty table without walking it).
    Exec(m_db, QStringLiteral("insert into addr values (40, 'x', 1, 42), (41, 'y', 2, 40), (42, 'z', 3, 41), "
                              "(50, 's', 1, 50)"));
    Exec(m_db, QStringLiteral("insert into addr_ref values (41, 'T41', 0)"));
    const char* const loops[] = {
        "select id from addr start with id=40 connect by prior id=parentid",
        "select id,name,parentid from addr start with id=41 connect by id = Prior parentid order by level "
        "desc",
        "select id from addr start with id=50 connect by prior id=parentid",
        "select id from addr start with id=50 connect by id = prior parentid",
        "select a.id from (select id,grade from addr start with id=40 connect by Prior id=parentid) A, "
        "addr_ref B "
        "where B.stdaddrid=A.id",
    };
    for (const char* statement : loops)
        EXPECT_THROW(Run(QString::fromUtf8(statement)), LoopInData) << statement;
    // Data without a loop next to it is untouched by the check.
    EXPECT_EQ(Run(QStringLiteral("select id from addr start with id=4 connect by prior id=parentid")).size(),
              5u);
    // nocycle leaves the closing row out instead.
    Rows rows =
        Run(QStringLiteral("select id from addr start with id=40 connect by nocycle prior id=parentid"));
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, R({{"40"}, {"41"}, {"42"}}));
}

INSTANTIATE_TEST_SUITE_P(Backends, OracleDialect,
                         ::testing::Values(SqlDialect::SQLite, SqlDialect::PostgreSQL),
                         [](const ::testing::TestParamInfo<SqlDialect>& p) {
                             return std::string(DialectName(p.param));
                         });

struct Rejected {
    const char* statement;
    const char* named; // what the message must name
};

TEST(OracleDialectRefuses, FormsItDoesNotKnow) {
    const Rejected cases[] = {
        {"select rownum from addr", "rownum"},
        {"select rowid from addr", "rowid"},
        {"select sysdate from dual", "sysdate"},
        {"select a.id from addr a, addr_ref r where a.id = r.stdaddrid(+)", "(+)"},
        {"select seq_addr.currval from dual", "currval"},
        {"select connect_by_root id from addr start with id=1 connect by prior id=parentid",
         "connect_by_root"},
        {"select id from addr start with id=1 connect by prior id=parentid order siblings by name",
         "siblings"},
        {"select id from addr start with id=1 connect by id=parentid", "without prior"},
        {"select id from addr start with id=1", "start with without connect by"},
        {"select a.id from addr a, addr_ref r start with a.id=1 connect by prior a.id=a.parentid", "join"},
        {"select id from (select id, parentid from addr) start with id=1 connect by prior id=parentid",
         "derived table"},
        {"select id from addr union select id from addr start with id=1 connect by prior id=parentid",
         "union"},
        {"insert into addr select id,name,grade,parentid from addr start with id=1 connect by prior "
         "id=parentid",
         "insert"},
        {"select * from addr start with id=1 connect by prior id=parentid", "select *"},
        {"select id from addr start with id=1 connect by prior id=parentid and parentid in (select id from "
         "addr)",
         "subquery"},
        {"select id from addr start with id=1 connect by prior id=r.parentid", "r.parentid"},
        {"select level from addr", "level outside"},
        {"select prior id from addr", "prior outside"},
        {"select id from addr; delete addr", "more than one statement"},
        {"select q'[it's]' from dual", "q'"},
        {"select 'abc from dual", "unterminated"},
        {"select 1 + 'a' || 'b' from dual", "arithmetic"},
        {"select seq_addr.nextval, seq_addr.nextval from dual", "more than once"},
        {"merge into addr a using dpaddr97 d on (a.name = d.addr) when matched then update set grade = 1",
         "merge"},
        {"  ", "empty"},
        {"select id from addr where (id = 1))", "unmatched )"},
        {"select id from addr where id = 1) or (id = 2", "unmatched )"},
        {"select (1 from dual", "unbalanced"},
    };
    for (SqlDialect dialect : {SqlDialect::SQLite, SqlDialect::PostgreSQL}) {
        const OracleTranslator translator(dialect);
        for (const Rejected& c : cases) {
            try {
                const TranslatedStatement t = translator.Translate(QString::fromUtf8(c.statement));
                ADD_FAILURE() << DialectName(dialect) << " translated " << c.statement << "\n  as "
                              << t.text.toStdString();
            } catch (const TranslationError& e) {
                EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.named), Qt::CaseInsensitive))
                    << c.statement << "\n  gave: " << e.what();
            }
        }
    }
}

// Nesting is followed by recursion: a limit far above real statements, refused beyond it.
TEST(OracleDialectRefuses, NestingBeyondTheLimit) {
    const auto nested = [](int depth) {
        return QStringLiteral("select ") + QString(depth, u'(') + u'1' + QString(depth, u')') +
               QStringLiteral(" from dual");
    };
    for (SqlDialect dialect : {SqlDialect::SQLite, SqlDialect::PostgreSQL}) {
        const OracleTranslator translator(dialect);
        EXPECT_NO_THROW(translator.Translate(nested(200))) << DialectName(dialect);
        for (int depth : {201, 20000}) {
            try {
                translator.Translate(nested(depth));
                ADD_FAILURE() << DialectName(dialect) << " translated a nesting of " << depth;
            } catch (const TranslationError& e) {
                EXPECT_TRUE(e.Message().contains(u"nested deeper than 200")) << e.what();
            }
        }
    }
}

TEST(OracleDialectRefuses, SequenceOverManyRowsOnSQLiteOnly) {
    // SQLite draws one value per statement; Oracle would give every row its own.
    const QString perRow =
        QStringLiteral("insert into addr select seq_addr.nextval, name, grade, parentid from addr");
    EXPECT_THROW(OracleTranslator(SqlDialect::SQLite).Translate(perRow), TranslationError);
    EXPECT_TRUE(
        OracleTranslator(SqlDialect::PostgreSQL).Translate(perRow).text.contains(u"nextval('seq_addr')"));
}

TEST(OracleDialectPassesThrough, ToOracleUntouched) {
    const QString statement =
        QStringLiteral("select rownum, a.id from addr a, addr_ref r where a.id = r.stdaddrid(+)");
    const TranslatedStatement t = OracleTranslator(SqlDialect::Oracle).Translate(statement);
    EXPECT_EQ(t.text, statement);
    EXPECT_TRUE(t.loopChecks.isEmpty());
    EXPECT_TRUE(t.sequences.isEmpty());
}

TEST(OracleDialectPassesThrough, TextLiteralsAndQuotedNamesUnchanged) {
    // Words inside literals are data, not forms: "dual", "rownum", "''" and "--" stay as written.
    const QString statement =
        QStringLiteral("select \"Name\" from addr where name = 'from dual -- rownum ''x'' /* */' and id = 1");
    const QString text = OracleTranslator(SqlDialect::SQLite).Translate(statement).text;
    EXPECT_TRUE(text.contains(u"'from dual -- rownum ''x'' /* */'")) << text.toStdString();
    EXPECT_TRUE(text.contains(u"\"Name\"")) << text.toStdString();
}

TEST(OracleDialectPassesThrough, ContainsSearchesMarkedRareForSQLitesPlanner) {
    // A search anywhere in a column matches few rows; SQLite is told so, or it may start a join from
    // the other table and run every sub-query once per row of it.
    const QString statement = QStringLiteral("select a.id from addr a where a.name like '%x%' escape '\\' and "
                                             "name like 'x%'");
    const QString sqlite = OracleTranslator(SqlDialect::SQLite).Translate(statement).text;
    EXPECT_TRUE(sqlite.contains(u"likelihood(a.name like '%x%' escape '\\', 0.001)")) << sqlite.toStdString();
    EXPECT_FALSE(sqlite.contains(u"likelihood(name")) << sqlite.toStdString();
    const QString postgres = OracleTranslator(SqlDialect::PostgreSQL).Translate(statement).text;
    EXPECT_FALSE(postgres.contains(u"likelihood")) << postgres.toStdString();
}

} // namespace
