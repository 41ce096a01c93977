// Naming a compound without an operator (the decompose command): a line is read as a name, #ID or
// path, and leads to exactly one existing path or to why not, the same on SQLite and PostgreSQL.
// Nothing is guessed: names found under several paths, paths whose levels two nodes of one parent
// share by name, and nodes that are no compound below a full path are told apart.
#include "pages/rules/CompoundLocator.h"
#include "pages/rules/CompoundReference.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>

using namespace Qt::Literals::StringLiterals;

namespace {

// 南京市/鼓楼区/(no town)/北京西路/(no street) with the numbers 10号 and 12号; 南京市/玄武区/(no
// town) with two roads of one name; a loop; a compound below a road.
const QStringList kTree = {
    u"insert into addr (id,name,grade,parentid) values(1,'南京市',1,0)"_s,
    u"insert into addr (id,name,grade,parentid) values(2,'鼓楼区',2,1)"_s,
    u"insert into addr (id,name,grade,parentid) values(3,'',3,2)"_s,
    u"insert into addr (id,name,grade,parentid) values(4,'北京西路',4,3)"_s,
    u"insert into addr (id,name,grade,parentid) values(5,'',5,4)"_s,
    u"insert into addr (id,name,grade,parentid) values(6,'10号',6,5)"_s,
    u"insert into addr (id,name,grade,parentid) values(7,'12号',6,5)"_s,
    // One name below both numbers.
    u"insert into addr (id,name,grade,parentid) values(8,'锦绣华庭',7,6)"_s,
    u"insert into addr (id,name,grade,parentid) values(9,'锦绣华庭',7,7)"_s,
    u"insert into addr (id,name,grade,parentid) values(40,'1栋',8,8)"_s,
    // A name that begins another one found elsewhere.
    u"insert into addr (id,name,grade,parentid) values(10,'明月公寓',7,6)"_s,
    u"insert into addr (id,name,grade,parentid) values(11,'明月公寓二期',7,7)"_s,
    // Only a longer name; and standard addresses of grade 7 named after their compound.
    u"insert into addr (id,name,grade,parentid) values(13,'星河湾二期',7,6)"_s,
    u"insert into addr (id,name,grade,parentid) values(16,'碧水苑3栋101室',7,7)"_s,
    u"insert into addr (id,name,grade,parentid) values(17,'碧水苑',7,7)"_s,
    u"insert into addr (id,name,grade,parentid) values(18,'碧水苑4栋202室',7,7)"_s,
    // Twins: two compounds of one name below one number.
    u"insert into addr (id,name,grade,parentid) values(14,'阳光小区',7,6)"_s,
    u"insert into addr (id,name,grade,parentid) values(15,'阳光小区',7,6)"_s,
    // Two roads of one name below one town: the commit could not tell them apart.
    u"insert into addr (id,name,grade,parentid) values(20,'玄武区',2,1)"_s,
    u"insert into addr (id,name,grade,parentid) values(21,'',3,20)"_s,
    u"insert into addr (id,name,grade,parentid) values(22,'中山路',4,21)"_s,
    u"insert into addr (id,name,grade,parentid) values(23,'中山路',4,21)"_s,
    u"insert into addr (id,name,grade,parentid) values(24,'',5,22)"_s,
    u"insert into addr (id,name,grade,parentid) values(25,'1号',6,24)"_s,
    u"insert into addr (id,name,grade,parentid) values(26,'金陵小区',7,25)"_s,
    // Below a road: no full path; a compound without a name.
    u"insert into addr (id,name,grade,parentid) values(30,'短路小区',7,4)"_s,
    u"insert into addr (id,name,grade,parentid) values(31,'',7,6)"_s,
};

const QString kTen = u"南京市/鼓楼区//北京西路//10号"_s;
const QString kTwelve = u"南京市/鼓楼区//北京西路//12号"_s;

using Status = CompoundLocator::Status;

class CompoundLocatorTest : public BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (IsSkipped())
            return;
        Database().Load(kTree);
    }

    // "path/of/names cellId" for a found compound, "ambiguous: ids", "not-found", "failed: why".
    QString Locate(const QString& line, const CompoundLocator::LevelTexts& levels = {}) {
        QString error;
        const std::optional<CompoundReference> reference = CompoundReference::Parse(line, error);
        if (!reference)
            return u"refused: "_s + error;
        AttachedDatabase attached(Database());
        const CompoundLocator::Location location = CompoundLocator::Locate(*reference, levels);
        switch (location.status) {
        case Status::Found: {
            QStringList names;
            for (int grade = 1; grade <= 7; ++grade)
                names << location.path[grade];
            return names.join(u'/') + u" "_s + QString::number(location.cellId);
        }
        case Status::NotFound:
            return u"not-found"_s;
        case Status::Ambiguous: {
            QStringList ids;
            for (const uint32_t id : location.candidates)
                ids << QString::number(id);
            return u"ambiguous: "_s + ids.join(u',');
        }
        case Status::Failed:
            break;
        }
        return u"failed: "_s + location.message;
    }
};

TEST_P(CompoundLocatorTest, LeadsToOneExistingPathOrSaysWhyNot) {
    MessageBoxRecorder boxes;
    const struct {
        QString line;
        QString expected;
    } cases[] = {
        // Names.
        {u"锦绣华庭"_s, u"ambiguous: 8,9"_s},
        {u"明月公寓"_s, kTen + u"/明月公寓 10"_s}, // 明月公寓二期 elsewhere does not count
        {u"明月"_s, u"ambiguous: 10,11"_s},       // only beginnings: each path counts
        {u"星河湾"_s, kTen + u"/星河湾 0"_s},     // one path, the compound new below it
        {u"碧水苑"_s, kTwelve + u"/碧水苑 17"_s}, // its standard addresses stand on its own path
        {u"阳光小区"_s, u"ambiguous: 14,15"_s},   // twins below one number
        {u"金陵小区"_s, u"ambiguous: 22,23"_s},   // its road has a twin
        {u"短路小区"_s, u"not-found"_s},
        {u"没有这个小区"_s, u"not-found"_s},
        {u"锦绣%"_s, u"not-found"_s}, // % is no wildcard
        // Ids.
        {u"#8"_s, kTen + u"/锦绣华庭 8"_s},
        {u"#9"_s, kTwelve + u"/锦绣华庭 9"_s},
        {u"#15"_s, u"ambiguous: 14,15"_s},
        {u"#30"_s, u"not-found"_s},
        {u"#999"_s, u"not-found"_s},
        {u"#2"_s, u"failed: #2 is no compound: its grade is 2"_s},
        {u"#31"_s, u"failed: #31 has no name"_s},
        // Paths.
        {kTwelve + u"/锦绣华庭"_s, kTwelve + u"/锦绣华庭 9"_s},
        {kTwelve + u"/新小区"_s, kTwelve + u"/新小区 0"_s},
        {u"南京市/鼓楼区/某镇/北京西路//12号/锦绣华庭"_s, u"not-found"_s},
        {u"南京市/鼓楼区//北京西路/12号/锦绣华庭"_s, u"refused: a path names seven levels, "
                                                  u"city/district/town/road/street/number/compound, the "
                                                  u"compound not empty"_s},
        {u"南京市/玄武区//中山路//1号/金陵小区"_s, u"ambiguous: 22,23"_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Locate(c.line), c.expected) << c.line.toStdString();
    EXPECT_EQ(boxes.Count(), 0);
}

TEST_P(CompoundLocatorTest, LevelsGivenChangeSingleGradesOfTheOnePath) {
    MessageBoxRecorder boxes;
    CompoundLocator::LevelTexts number;
    number[6] = u"12号"_s;
    CompoundLocator::LevelTexts newNumber;
    newNumber[6] = u"99号"_s;
    CompoundLocator::LevelTexts road;
    road[4] = u"中山路"_s; // below 鼓楼区 there is no 中山路: the path from there on is new
    const struct {
        QString line;
        CompoundLocator::LevelTexts levels;
        QString expected;
    } cases[] = {
        {u"#8"_s, number, kTwelve + u"/锦绣华庭 9"_s},
        {u"#8"_s, newNumber, u"南京市/鼓楼区//北京西路//99号/锦绣华庭 0"_s},
        {u"明月公寓"_s, road, u"南京市/鼓楼区//中山路//10号/明月公寓 0"_s},
        {u"锦绣华庭"_s, number, u"ambiguous: 8,9"_s}, // a level given does not choose among paths
        {u"#9"_s, number, kTwelve + u"/锦绣华庭 9"_s}, // the same name as found
    };
    for (const auto& c : cases)
        EXPECT_EQ(Locate(c.line, c.levels), c.expected) << c.line.toStdString();
    EXPECT_EQ(boxes.Count(), 0);
}

TEST_P(CompoundLocatorTest, AFailingReadingFailsTheCompound) {
    // A loop above a compound: the path query fails.
    Database().Load({u"insert into addr (id,name,grade,parentid) values(51,'环',6,52)"_s,
                     u"insert into addr (id,name,grade,parentid) values(52,'环',5,51)"_s,
                     u"insert into addr (id,name,grade,parentid) values(53,'环形小区',7,51)"_s});
    MessageBoxRecorder boxes;
    EXPECT_EQ(Locate(u"环形小区"_s), u"failed: "_s);
    EXPECT_EQ(Locate(u"#53"_s), u"failed: "_s);
    ASSERT_EQ(boxes.Count(), 2); // the database's own error, once each
    EXPECT_TRUE(boxes.Last().text.startsWith(u"CADORecordset Error"_s)) << boxes.Last().text.toStdString();
}

INSTANTIATE_BACKENDS(CompoundLocatorTest);

TEST(CompoundReference, ReadsANameAnIdOrAPath) {
    const struct {
        QString line;
        QString expected; // kind and what it holds, or the error
    } cases[] = {
        {u"锦绣华庭"_s, u"name 锦绣华庭"_s},
        {u" 锦绣 华庭 "_s, u"name  锦绣 华庭 "_s}, // taken as it is
        {u"c\\d"_s, u"name c\\d"_s},
        {u"#12345"_s, u"id 12345"_s},
        {u"#4294967295"_s, u"id 4294967295"_s},
        {u"#4294967296"_s, u"#ID needs a whole number from 1 to 4294967295"_s},
        {u"#0"_s, u"#ID needs a whole number from 1 to 4294967295"_s},
        {u"#"_s, u"#ID needs a whole number from 1 to 4294967295"_s},
        {u"#+12"_s, u"#ID needs a whole number from 1 to 4294967295"_s},
        {u"#12 "_s, u"#ID needs a whole number from 1 to 4294967295"_s},
        {u"#１２"_s, u"#ID needs a whole number from 1 to 4294967295"_s}, // full-width digits
        {u"南京市/鼓楼区//北京西路//10号/锦绣华庭"_s, u"path 南京市|鼓楼区||北京西路||10号|锦绣华庭"_s},
        {u"//////x"_s, u"path ||||||x"_s},
        {u"南京市/鼓楼区//北京西路//10号/"_s, u"a path names seven levels, city/district/town/road/street/number/"
                                            u"compound, the compound not empty"_s},
        {u"a/b"_s, u"a path names seven levels, city/district/town/road/street/number/compound, the compound "
                   u"not empty"_s},
        {u"a\tb"_s, u"name holds a control character"_s},
        {u"a\rb"_s, u"name holds a control character"_s},
        {u"a\nb"_s, u"name holds a control character"_s},
        {QString::fromUtf16(u"a\0b", 3), u"name holds a control character"_s},
        {QString::fromUtf16(u"a\x1b" u"b"), u"name holds a control character"_s},
        {QString::fromUtf16(u"a\x7f" u"b"), u"name holds a control character"_s},
        {QString::fromUtf16(u"a\x85" u"b"), u"name holds a control character"_s},
        {u"#1\t"_s, u"name holds a control character"_s},
        {u"a\u3000b"_s, u"name a\u3000b"_s}, // the ideographic space is no control character
    };
    for (const auto& c : cases) {
        QString error;
        const std::optional<CompoundReference> reference = CompoundReference::Parse(c.line, error);
        QString got = error;
        if (reference) {
            EXPECT_TRUE(error.isEmpty());
            switch (reference->GetKind()) {
            case CompoundReference::Kind::Name:
                got = u"name "_s + reference->Name();
                break;
            case CompoundReference::Kind::Id:
                got = u"id "_s + QString::number(reference->Id());
                break;
            case CompoundReference::Kind::Path:
                QStringList names;
                for (int grade = 1; grade <= 7; ++grade)
                    names << reference->PathNames()[grade];
                got = u"path "_s + names.join(u'|');
                EXPECT_EQ(reference->Name(), names.last());
                break;
            }
        }
        EXPECT_EQ(got, c.expected) << c.line.toStdString();
    }
}

} // namespace
