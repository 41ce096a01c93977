// The translation cache gives, for every statement, what the translator gives for it: the same
// text, loop checks and sequence draws, or the same refusal. Statements are the shapes the system
// sends, their literals swapped for awkward ones and their text mutated at random (a fixed seed),
// the cases that once went wrong, and the fuzzer's corpus (tests/platform/corpus/translation_cache,
// see fuzz_translation_cache.cpp), each through one cache per dialect that lives across them.
#include "tests/support/TranslationAgreement.h"

#include "database/SqlStatement.h"
#include "database/Statements.h"
#include "platform/dataaccess/SqlTokenizer.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <random>

using namespace Qt::Literals::StringLiterals;
using dataaccess::SqlDialect;

namespace {

// The statements the system sends, and the other forms the translator knows or refuses.
QStringList Seeds() {
    using namespace Statements;
    const SqlText name = SqlText::Quote(u"O'Neil路3号"_s);
    const SqlText like = SqlText::LikeLiteral(u"阳光_花园%1"_s);
    QStringList seeds = {
        FormatStatement(CountInnerNodes, {name}),
        FormatStatement(CandidateCellParents, {like, 7}),
        FormatStatement(TopNodeName, {}),
        FormatStatement(AddressPathUp, {uint32_t(12)}),
        FormatStatement(DpAddresses, {like}),
        FormatStatement(UnlinkedAddresses, {like, like}),
        FormatStatement(UnlinkedAddressesAmong, {like, like, FormatIdList({3, 4, 5})}),
        FormatStatement(AddressNamesOf, {FormatIdList({1, 22})}),
        FormatStatement(FindPathNodeUnnamed, {uint32_t(4)}),
        FormatStatement(FindPathNode, {uint32_t(5), name}),
        FormatStatement(SubtreeLinks, {uint32_t(7)}),
        FormatStatement(LockAddrRow, {uint32_t(7)}),
        FormatStatement(LockAddrTable, {}),
        FormatStatement(NextAddrIds, {5}),
        FormatStatement(ChildrenOfParents, {8, FormatIdList({7, 50})}),
        FormatStatement(InsertAddrRows, {FormatList(AddrRow,
                                                    {{50u, SqlText::Quote(u"1栋"_s), 8, 7u},
                                                     {51u, SqlText::Quote(QString()), 9, 50u}},
                                                    Space)}),
        FormatStatement(InsertLinkRows, {FormatList(LinkRow, {{50u, SqlText::Quote(u"DP'1"_s), 1}}, Space)}),
        FormatStatement(LinksOfNodes, {FormatIdList({8, 1000})}),
        FormatStatement(DeleteAddrs, {FormatIdList({10, 11})}),
        FormatStatement(DeleteLinksOf, {FormatIdList({10})}),
        FormatStatement(StandardAddressesOfDps,
                        {FormatList(TextItem, {{SqlText::Quote(u"DP1"_s)}, {SqlText::Quote(u"DP2"_s)}}, Comma)}),
        FormatStatement(MoveAddrs, {FormatList(WhenIdText, {{100u, SqlText::Quote(u"X5"_s)}}, Space),
                                    FormatList(WhenIdGrade, {{100u, 9}}, Space),
                                    FormatList(WhenIdId, {{100u, 50u}}, Space), FormatIdList({100})}),
    };
    seeds << u"select decode(grade, 1, 'a', 2, '', 'c'), nvl(name, 'x') || '-' || 3 from addr order by 1 desc"_s
          << u"select id from addr where id=3 minus select id from addr where grade ^= 1.5"_s
          << u"select id, level from addr start with parentid=0 connect by nocycle prior id=parentid and level<4"_s
          << u"select id from addr where id in (select id from addr start with id=7 connect by id=prior parentid)"_s
          << u"insert into addr (id,name) values(seq_addr.nextval,'x')"_s
          << u"select seq_addr.nextval from dual"_s
          << u"select rownum, 'a' from addr where id=1"_s
          << u"merge into addr using dual on (1=1) when matched then update set grade=2"_s
          << u"select /* 1 'x' */ id -- 2 'y'\nfrom addr where name like n'%a' and id=.5"_s
          << u"select 1 from dual where 'x' = q'[y]'"_s;
    return seeds;
}

// Literals that the translator reads, that look like a marker, or that tokenize in more than one way.
const QStringList kOddLiterals = {
    u"0"_s, u"1"_s, u"1.5"_s, u"007"_s, u"2147483647"_s, u"2147483648"_s, u"99999999999999999999"_s,
    u".5"_s, u"1."_s, u"1e5"_s, u"1..2"_s, u"1.2.3"_s, u"98765432"_s, u"987654320"_s, u"-1"_s,
    u"''"_s, u"'%'"_s, u"'%x'"_s, u"'a''b'"_s, u"'98765432'"_s, u"'\uE000'"_s, u"'\uE0011\uE001'"_s,
    u"n'x'"_s, u"q'[x]'"_s, u"'x"_s, u"\"q\""_s, u"level"_s, u"'\U00020000'"_s,
};
// Characters that start, end or change a token.
const QString kOddChars = u"'\".0123456789-/*()%e,;|<=^ \n\uE000\uE001\u4E00_$#n"_s;

// The positions and lengths of the seed's literals, as the tokenizer reads them.
std::vector<std::pair<qsizetype, qsizetype>> Literals(const QString& statement) {
    std::vector<std::pair<qsizetype, qsizetype>> found;
    try {
        for (const dataaccess::SqlToken& t : dataaccess::SqlTokenizer::Tokenize(statement))
            if (t.kind == dataaccess::SqlToken::Kind::Number || t.kind == dataaccess::SqlToken::Kind::String)
                found.emplace_back(t.position, t.text.size());
    } catch (const dataaccess::TranslationError&) {
        // q'...' and the like: the other mutations still apply
    }
    return found;
}

QString Mutated(QString statement, std::mt19937& random) {
    const auto pick = [&](qsizetype n) { return qsizetype(std::uniform_int_distribution<qsizetype>(0, n - 1)(random)); };
    const auto literals = Literals(statement);
    const int changes = 1 + int(pick(3));
    for (int k = 0; k < changes; ++k) {
        switch (pick(4)) {
        case 0:
        case 1: { // a literal swapped (from the end, so earlier positions hold)
            if (literals.empty())
                break;
            const auto& [at, size] = literals[size_t(pick(qsizetype(literals.size())))];
            if (at + size <= statement.size())
                statement.replace(at, size, kOddLiterals[pick(kOddLiterals.size())]);
            break;
        }
        case 2:
            statement.insert(pick(statement.size() + 1), kOddChars[pick(kOddChars.size())]);
            break;
        default:
            if (!statement.isEmpty())
                statement.remove(pick(statement.size()), 1 + pick(3));
            break;
        }
    }
    return statement;
}

class Agreement : public ::testing::TestWithParam<SqlDialect> {
protected:
    void Expect(const QString& statement) {
        if (const auto difference = m_pair.Disagreement(statement))
            ADD_FAILURE() << "statement: " << statement.toStdString() << "\n" << difference->toStdString();
    }
    translation_agreement::Pair m_pair{GetParam()};
};

// Each mutation right after its seed, so that the cache holds the seed's shape when it comes.
TEST_P(Agreement, OnTheSystemsStatementsAndTheirMutations) {
    std::mt19937 random(20);
    for (const QString& seed : Seeds()) {
        for (int k = 0; k < 300; ++k) {
            Expect(seed);
            Expect(Mutated(seed, random));
        }
    }
}

// A sequence range's count is read by the translator: a shape kept from another count decides
// nothing. Counts are whole numbers that fit 32 bits.
TEST_P(Agreement, OnSequenceRangeCounts) {
    const QString range = u"select seq_addr.nextval from dual connect by level<=%1"_s;
    for (const char* count : {"5", "0", "5", "1.5", "5", "99999999999999999999", "2147483648", "2147483647", "1"}) {
        SCOPED_TRACE(count);
        Expect(range.arg(QLatin1StringView(count)));
    }
    dataaccess::TranslationCache cache;
    const dataaccess::OracleTranslator translator(GetParam());
    const auto translate = [&](const QString& text) { return translator.Translate(text); };
    cache.Translate(range.arg(5), translate);
    for (const char* count : {"0", "1.5", "99999999999999999999", "2147483648"})
        EXPECT_THROW(cache.Translate(range.arg(QLatin1StringView(count)), translate), dataaccess::TranslationError)
            << count;
}

// More literals than any fixed width of numbering holds, numbers and strings. The numbering is the
// same for every dialect: one is enough.
TEST(AgreementOnLiterals, AMillionAndMore) {
    translation_agreement::Pair pair(SqlDialect::SQLite);
    const auto expect = [&](const QString& statement) {
        const auto difference = pair.Disagreement(statement);
        EXPECT_FALSE(difference) << difference->left(2000).toStdString();
    };
    constexpr int count = 1'000'001;
    QString numbers, strings;
    numbers.reserve(count * 8);
    strings.reserve(count * 10);
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(i);
        if (i) {
            numbers += u',';
            strings += u',';
        }
        numbers += n;
        strings += u'\'' + n + u'\'';
    }
    expect(u"select count(*) from addr where id in ("_s + numbers + u") and grade=1"_s);
    expect(u"select count(*) from addr where name in ("_s + strings + u") and grade=1"_s);
}

// What the fuzzer found worth keeping: each file holds statements separated by NUL characters.
TEST_P(Agreement, OnTheFuzzCorpus) {
    const QDir corpus(QStringLiteral(TESSEL_SOURCE_DIR "/tests/platform/corpus/translation_cache"));
    const QStringList files = corpus.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty()) << corpus.path().toStdString();
    for (const QString& name : files) {
        QFile file(corpus.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        SCOPED_TRACE(name.toStdString());
        for (const QByteArray& statement : file.readAll().split('\0'))
            Expect(QString::fromUtf8(statement));
    }
}

INSTANTIATE_TEST_SUITE_P(Dialects, Agreement, ::testing::Values(SqlDialect::SQLite, SqlDialect::PostgreSQL),
                         [](const ::testing::TestParamInfo<SqlDialect>& p) {
                             return p.param == SqlDialect::SQLite ? "SQLite" : "PostgreSQL";
                         });

} // namespace
