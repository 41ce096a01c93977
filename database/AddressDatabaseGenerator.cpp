#include "database/AddressDatabaseGenerator.h"

#include "database/AddressGrade.h"
#include "database/AddressSchema.h"
#include "database/AddressTextForms.h"
#include "database/BatchInserter.h"
#include "database/EmbeddedFiles.h"
#include "database/QtSqlConnection.h"
#include "database/SqliteFileMode.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>

#include <algorithm>
#include <memory>
#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace {

// splitmix64: small, fast and the same on every platform (the standard distributions are not).
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t Next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint32_t Below(uint32_t n) { return uint32_t((uint64_t(uint32_t(Next() >> 32)) * n) >> 32); }
    int Between(int low, int high) { return low + int(Below(uint32_t(high - low + 1))); }
    bool Chance(double p) { return double(Next() >> 11) * 0x1.0p-53 < p; }
    template <class T, size_t N> const T& Pick(const T (&items)[N]) { return items[Below(uint32_t(N))]; }

private:
    uint64_t m_state;
};

const char16_t* const kRoadRoots[] = {u"人民", u"解放", u"中山", u"建设", u"和平", u"新华", u"胜利", u"友谊",
                                      u"文化", u"长江", u"黄河", u"光明", u"东风", u"复兴", u"延安", u"天山",
                                      u"湖滨", u"滨江", u"学院", u"工业", u"科技", u"青年", u"健康", u"幸福",
                                      u"团结", u"振兴", u"迎宾", u"体育", u"公园", u"车站", u"沿河", u"环城",
                                      u"北京", u"南京", u"广州", u"西湖", u"金融", u"丰收", u"育英", u"长安",
                                      u"建国", u"民主", u"劳动", u"红旗", u"先锋", u"朝晖", u"新港", u"望江"};
const char16_t* const kRoadSuffixes[] = {u"路",   u"路",   u"路",   u"大道", u"大街",
                                         u"东路", u"西路", u"南路", u"北路", u"中路"};
const char16_t* const kStreetRoots[] = {u"幸福", u"平安", u"永安", u"育才", u"光华", u"迎春",
                                        u"丁香", u"长青", u"福寿", u"太平", u"仁和", u"吉祥",
                                        u"槐树", u"柳荫", u"井儿", u"三元"};
const char16_t* const kStreetSuffixes[] = {u"巷", u"里", u"街", u"胡同", u"弄", u"一巷", u"二巷"};
// Compound names. 阳光 and 金色 are kept for the demo compounds, so that no other compound's name
// contains theirs.
const char16_t* const kCompoundRoots[] = {
    u"碧水", u"翠湖", u"锦绣", u"华府", u"绿城", u"海棠", u"紫荆", u"枫林", u"丽景", u"明珠", u"御景",
    u"春晖", u"怡和", u"康乐", u"龙湖", u"金桂", u"银杏", u"梧桐", u"香樟", u"玉兰", u"桃源", u"东方",
    u"天宁", u"瑞祥", u"蓝湾", u"星河", u"泰和", u"安居", u"和谐", u"祥和", u"新城", u"盛世", u"世纪",
    u"百合", u"丰泽", u"书香", u"文苑", u"望江", u"临江", u"观澜", u"山水", u"水岸", u"湖畔", u"林荫",
    u"月桂", u"芳草", u"青松", u"松鹤", u"凤凰", u"麒麟", u"瑞景", u"鑫苑", u"宏达", u"北辰", u"南湖",
    u"西溪", u"东湖", u"荷塘", u"梅园", u"兰亭", u"竹林", u"菊香", u"嘉禾", u"润泽", u"万象", u"恒信",
    u"滨河", u"朝阳", u"清风", u"明月", u"翡翠", u"珍珠"};
const char16_t* const kCompoundSuffixes[] = {u"花园", u"小区", u"家园", u"新村", u"公寓", u"苑",  u"园",
                                             u"雅居", u"名苑", u"华庭", u"嘉园", u"佳苑", u"府",  u"城",
                                             u"山庄", u"广场", u"里",   u"花园", u"小区", u"家园"};
const char16_t* const kCompoundPhases[] = {u"",     u"",     u"",     u"",     u"",     u"一期",
                                           u"二期", u"三期", u"东区", u"西区", u"南区", u"北区"};

struct Town {
    QString city;
    QString districtCode;
    QString district;
    QString town;
};

QList<Town> LoadTowns() {
    QList<Town> towns;
    const QStringList lines =
        QString::fromUtf8(EmbeddedFile("data/divisions.csv")).split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i) { // the first line names the columns
        const QStringList f = lines[i].trimmed().split(u',');
        if (f.size() == 4)
            towns.append({f[0], f[1], f[2], f[3]});
    }
    if (towns.isEmpty())
        throw std::runtime_error("the place names are missing from the build");
    return towns;
}

QString Null() {
    return QString();
}
QVariant Text(const QString& s) {
    return s.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(s);
}

// Where a compound sits, by name; a null name is a level without a name.
struct CompoundPath {
    QString city, district, districtCode, town, road, street, number;
};

struct FormWeight {
    InnerForm form;
    int weight;
};

struct CompoundPlan {
    QString name;
    CompoundPath path;
    int buildings = 6, units = 2, floors = 6, roomsPerFloor = 2;
    int households = 30;
    QList<FormWeight> forms;
    bool innerTree = false;
    double onDp = 0.7;          // share of households with a DP record
    double standardOnDp = 0.45; // of those, share with a standard address linked to its number
    double standardOffDp = 0.8; // of the others, share with a standard address (unlinked)
    double misspelledDp = 0.03; // DP addresses with the compound's name mistyped
};

InnerForm PickForm(const QList<FormWeight>& forms, Random& random) {
    int total = 0;
    for (const FormWeight& f : forms)
        total += f.weight;
    int at = int(random.Below(uint32_t(total)));
    for (const FormWeight& f : forms) {
        if (at < f.weight)
            return f.form;
        at -= f.weight;
    }
    return forms.last().form;
}

class GeneratorRun {
public:
    GeneratorRun(QSqlDatabase& database, const AddressDatabaseGenerator::Options& options)
        : m_addr(database, u"addr"_s, {u"id"_s, u"name"_s, u"grade"_s, u"parentid"_s}),
          m_ref(database, u"addr_ref"_s, {u"stdaddrid"_s, u"oldid"_s, u"refflag"_s}),
          m_dp(database, u"dpaddr97"_s, {u"num"_s, u"addr"_s}),
          m_tel(database, u"telnum_dp97"_s, {u"telnum"_s, u"dpid"_s}), m_options(options),
          m_random(options.seed * 0x2545F4914F6CDD1Dull + 0x1234567ull), m_towns(LoadTowns()) {}

    void Run() {
        DemoCompounds();
        ChooseTowns();
        while (m_lastId < m_options.size) {
            Compound(RandomCompound(), m_random);
            if (m_options.progress)
                m_options.progress(m_lastId);
        }
        m_addr.Flush();
        m_ref.Flush();
        m_dp.Flush();
        m_tel.Flush();
    }

    AddressDatabaseGenerator::Figures Figures() const {
        return {m_addr.Rows(), m_ref.Rows(), m_dp.Rows(), m_tel.Rows(), m_compounds, 0};
    }

private:
    struct StreetPlan {
        QString name;
        int lastNumber = 0;
    };
    struct RoadPlan {
        QString name;
        QList<StreetPlan> streets;
    };
    struct TownPlan {
        Town town;
        QList<RoadPlan> roads;
    };

    // --- rows -----------------------------------------------------------------------------
    uint32_t Node(const QString& name, int grade, uint32_t parent) {
        const uint32_t id = ++m_lastId;
        m_addr.Add({id, Text(name), grade, parent});
        return id;
    }
    void Link(uint32_t node, const QString& oldId, int refflag) { m_ref.Add({node, oldId, refflag}); }

    // A public node, shared by every compound below it.
    uint32_t PathNode(uint32_t parent, const QString& name, int grade) {
        const QString key = QString::number(parent) + (name.isNull() ? u"\x01"_s : u"|"_s + name);
        if (auto it = m_pathNodes.constFind(key); it != m_pathNodes.constEnd())
            return *it;
        const uint32_t id = Node(name, grade, parent);
        m_pathNodes.insert(key, id);
        return id;
    }
    // A name under a parent that several compounds share; false when it is taken.
    bool Claim(uint32_t parent, const QString& name) {
        const QString key = QString::number(parent) + u'|' + name;
        if (m_claimed.contains(key))
            return false;
        m_claimed.insert(key);
        return true;
    }

    QString TelephoneNumber() {
        // A bijection of the counter onto 8-digit numbers from 20000000: unique and scattered.
        const uint64_t n = (m_telCounter++ * 48271ull + 12345678ull) % 80000000ull + 20000000ull;
        return QString::number(n);
    }
    QString DpNumber(const QString& districtCode) {
        int& counter = m_dpCounters[districtCode];
        return districtCode + u'-' + QString::number(++counter).rightJustified(5, u'0');
    }

    // --- places ---------------------------------------------------------------------------
    void ChooseTowns() {
        // Two cities for a demo, all twelve for a million rows; towns spread over the districts.
        QList<QString> cities;
        for (const Town& t : m_towns)
            if (!cities.contains(t.city))
                cities.append(t.city);
        const int cityCount = int(std::clamp<qint64>(2 + m_options.size / 100000, 2, cities.size()));
        const int townsPerCity = int(std::max<qint64>(3, m_options.size / (400ll * cityCount)));
        for (int c = 0; c < cityCount; ++c) {
            QList<QList<Town>> byDistrict;
            QList<QString> districts;
            for (const Town& t : m_towns) {
                if (t.city != cities[c])
                    continue;
                qsizetype d = districts.indexOf(t.districtCode);
                if (d < 0) {
                    districts.append(t.districtCode);
                    byDistrict.append(QList<Town>());
                    d = districts.size() - 1;
                }
                byDistrict[d].append(t);
            }
            int taken = 0;
            for (qsizetype round = 0; taken < townsPerCity; ++round) {
                bool any = false;
                for (const QList<Town>& list : byDistrict) {
                    if (round < list.size() && taken < townsPerCity) {
                        m_townPlans.append(TownPlan{list[round], {}});
                        ++taken;
                        any = true;
                    }
                }
                if (!any)
                    break;
            }
        }
    }

    QString NewRoadName(const TownPlan& town) {
        for (;;) {
            const QString name = QString::fromUtf16(m_random.Pick(kRoadRoots)) +
                                 QString::fromUtf16(m_random.Pick(kRoadSuffixes));
            if (std::none_of(town.roads.begin(), town.roads.end(),
                             [&](const RoadPlan& r) { return r.name == name; }))
                return name;
        }
    }

    CompoundPath RandomPath() {
        TownPlan& town = m_townPlans[qsizetype(m_random.Below(uint32_t(m_townPlans.size())))];
        if (town.roads.isEmpty()) {
            const int roads = m_random.Between(3, 10);
            for (int i = 0; i < roads; ++i) {
                RoadPlan road{NewRoadName(town), {StreetPlan{Null(), 0}}};
                const int streets = m_random.Between(0, 2);
                for (int s = 0; s < streets; ++s) {
                    const QString name = QString::fromUtf16(m_random.Pick(kStreetRoots)) +
                                         QString::fromUtf16(m_random.Pick(kStreetSuffixes));
                    if (std::none_of(road.streets.begin(), road.streets.end(),
                                     [&](const StreetPlan& p) { return p.name == name; }))
                        road.streets.append({name, 0});
                }
                town.roads.append(road);
            }
        }
        RoadPlan& road = town.roads[qsizetype(m_random.Below(uint32_t(town.roads.size())))];
        StreetPlan& street =
            (road.streets.size() > 1 && !m_random.Chance(0.6))
                ? road.streets[1 + qsizetype(m_random.Below(uint32_t(road.streets.size() - 1)))]
                : road.streets[0];
        CompoundPath path{town.town.city,
                          town.town.district,
                          town.town.districtCode,
                          m_random.Chance(0.1) ? Null() : town.town.town,
                          road.name,
                          street.name,
                          Null()};
        if (!m_random.Chance(0.05)) {
            street.lastNumber += m_random.Between(1, 12);
            path.number = QString::number(street.lastNumber) + u"号"_s;
        }
        return path;
    }

    // --- compounds ------------------------------------------------------------------------
    CompoundPlan RandomCompound() {
        CompoundPlan plan;
        plan.name = QString::fromUtf16(m_random.Pick(kCompoundRoots)) +
                    QString::fromUtf16(m_random.Pick(kCompoundSuffixes)) +
                    QString::fromUtf16(m_random.Pick(kCompoundPhases));
        plan.path = RandomPath();
        plan.buildings = m_random.Between(2, 24);
        plan.units = m_random.Between(1, 4);
        plan.floors = m_random.Between(5, 18);
        plan.roomsPerFloor = m_random.Between(2, 4);
        plan.households = m_random.Between(8, 60);
        const FormWeight main[] = {{InnerForm::Dong, 35},   {InnerForm::HaoLou, 18},
                                   {InnerForm::Dash, 15},   {InnerForm::ZuoCeng, 10},
                                   {InnerForm::Zhuang, 10}, {InnerForm::Parenthesised, 12}};
        QList<FormWeight> mains(std::begin(main), std::end(main));
        const InnerForm dominant = PickForm(mains, m_random);
        InnerForm secondary = dominant;
        while (secondary == dominant)
            secondary = PickForm(mains, m_random);
        if (dominant == InnerForm::ZuoCeng || secondary == InnerForm::ZuoCeng)
            plan.buildings = std::min(plan.buildings, 8); // towers named A to H
        plan.forms = {{dominant, 62},
                      {secondary, 20},
                      {InnerForm::FullWidth, 5},
                      {InnerForm::ChineseNumerals, 4},
                      {InnerForm::Typo, 5},
                      {InnerForm::NoPattern, 4}};
        plan.innerTree = m_random.Chance(0.1);
        return plan;
    }

    void DemoCompounds() {
        // Built from a fixed seed so that they are the same in every database.
        Random demo(20240601);
        CompoundPlan sun;
        sun.name = QString::fromUtf16(AddressDatabaseGenerator::DemoCellName);
        sun.path = {u"北京市"_s, u"朝阳区"_s, u"110105"_s, u"建外街道"_s, u"建国路"_s, Null(), u"88号"_s};
        sun.buildings = 6;
        sun.units = 2;
        sun.floors = 6;
        sun.roomsPerFloor = 2;
        sun.households = 60;
        sun.forms = {
            {InnerForm::Dong, 45},     {InnerForm::Dash, 20},           {InnerForm::HaoLou, 8},
            {InnerForm::FullWidth, 6}, {InnerForm::ChineseNumerals, 6}, {InnerForm::Parenthesised, 5},
            {InnerForm::Typo, 5},      {InnerForm::NoPattern, 5}};
        sun.onDp = 0.75;
        sun.standardOnDp = 0.5;
        sun.standardOffDp = 0.9;
        sun.misspelledDp = 0.05;
        Compound(sun, demo);

        CompoundPlan gold;
        gold.name = QString::fromUtf16(AddressDatabaseGenerator::DemoCellWithInnerTree);
        gold.path = {u"北京市"_s,     u"朝阳区"_s, u"110105"_s, u"呼家楼街道"_s,
                     u"东三环中路"_s, Null(),      u"39号"_s};
        gold.buildings = 4;
        gold.units = 3;
        gold.floors = 8;
        gold.roomsPerFloor = 2;
        gold.households = 30;
        gold.forms = {{InnerForm::Dong, 80}, {InnerForm::Dash, 20}};
        gold.innerTree = true;
        Compound(gold, demo);
    }

    QString DpPrefix(const CompoundPath& path, Random& random) {
        const int kind = random.Between(0, 9);
        QString roadAndNumber = path.road + path.number; // a null number adds nothing
        if (kind < 4)
            return {};
        if (kind < 7)
            return roadAndNumber;
        if (kind < 9)
            return path.district + roadAndNumber;
        return path.city + path.district + roadAndNumber;
    }

    void Compound(const CompoundPlan& plan, Random& random) {
        ++m_compounds;
        const uint32_t city = PathNode(0, plan.path.city, 1);
        const uint32_t district = PathNode(city, plan.path.district, 2);
        const uint32_t town = PathNode(district, plan.path.town, 3);
        const uint32_t road = PathNode(town, plan.path.road, 4);
        const uint32_t street = PathNode(road, plan.path.street, 5);
        CompoundPath path = plan.path;
        uint32_t number = PathNode(street, path.number, 6);
        // A compound's name is unique below its number; an unnamed number is shared by several.
        while (!Claim(number, plan.name)) {
            path.number = QString::number(random.Between(200, 999)) + u"号"_s;
            number = PathNode(street, path.number, 6);
        }
        const uint32_t cell = Node(plan.name, 7, number);

        // Distinct households, in a random order.
        const int places = plan.buildings * plan.units * plan.floors * plan.roomsPerFloor;
        const int households = std::min(plan.households, places / 2);
        QSet<int> taken;
        QList<HouseholdPlace> chosen;
        while (chosen.size() < households) {
            const int at = int(random.Below(uint32_t(places)));
            if (taken.contains(at))
                continue;
            taken.insert(at);
            int rest = at;
            HouseholdPlace p;
            p.building = 1 + rest % plan.buildings;
            rest /= plan.buildings;
            p.unit = 1 + rest % plan.units;
            rest /= plan.units;
            p.floor = 1 + rest % plan.floors;
            rest /= plan.floors;
            p.room = p.floor * 100 + 1 + rest;
            chosen.append(p);
        }

        QHash<QString, uint32_t> innerNodes; // "b", "b/u", "b/u/r" -> id
        auto innerNode = [&](const QString& key, const QString& name, int grade, uint32_t parent) {
            if (auto it = innerNodes.constFind(key); it != innerNodes.constEnd())
                return *it;
            const uint32_t id = Node(name, grade, parent);
            innerNodes.insert(key, id);
            return id;
        };
        QString shopDp; // a DP outside the compound's name, serving some of its numbers

        for (const HouseholdPlace& place : chosen) {
            const InnerForm form = PickForm(plan.forms, random);
            const uint64_t choice = random.Next();
            QStringList numbers;
            if (random.Chance(plan.onDp)) {
                const QString dp = DpNumber(plan.path.districtCode);
                const QString name = random.Chance(plan.misspelledDp)
                                         ? AddressTextForms::Misspelled(plan.name, choice)
                                         : plan.name;
                QString inner = AddressTextForms::Inner(form, place, choice);
                if (random.Chance(0.03))
                    inner.prepend(u' ');
                m_dp.Add({dp, DpPrefix(path, random) + name + inner});
                const int phones = random.Chance(0.05) ? 0 : (random.Chance(0.15) ? 2 : 1);
                for (int i = 0; i < phones; ++i) {
                    numbers.append(TelephoneNumber());
                    m_tel.Add({numbers.last(), dp});
                }
                if (plan.innerTree && form != InnerForm::NoPattern && form != InnerForm::Typo) {
                    // Split before: building, unit and room below the cell, linked to the DP.
                    const QString b = QString::number(place.building), unit = QString::number(place.unit),
                                  room = QString::number(place.room);
                    const uint32_t bn = innerNode(b, b + u"栋"_s, 8, cell);
                    const uint32_t un = innerNode(b + u'/' + unit, unit + u"单元"_s, 9, bn);
                    const uint32_t rn = innerNode(b + u'/' + unit + u'/' + room, room + u"室"_s, 10, un);
                    Link(rn, dp, 1);
                    if (!numbers.isEmpty() && random.Chance(0.5))
                        Link(rn, numbers.first(), 0);
                    continue;
                }
                if (numbers.isEmpty() || !random.Chance(plan.standardOnDp))
                    continue;
            } else {
                if (!random.Chance(plan.standardOffDp))
                    continue;
                numbers.append(TelephoneNumber());
                if (random.Chance(0.4)) {
                    // On a DP whose address does not name the compound: still unlinked to its DPs.
                    if (shopDp.isNull()) {
                        shopDp = DpNumber(plan.path.districtCode);
                        m_dp.Add({shopDp, path.road + path.number + u"沿街商铺"_s});
                    }
                    m_tel.Add({numbers.last(), shopDp});
                }
                if (random.Chance(0.05))
                    numbers.append(TelephoneNumber()); // a second line, never on a DP
            }
            // The standard address of the household, as a clerk entered it.
            QString name =
                plan.name + (random.Chance(0.8) ? AddressTextForms::Standard(place)
                                                : AddressTextForms::Inner(InnerForm::Dash, place, 0));
            uint32_t parent = number;
            int grade = AddressGrade::Cell;
            if (random.Chance(0.1) && !path.road.isNull() && !path.number.isNull())
                name.prepend(path.road + path.number);
            if (random.Chance(0.1) && Claim(street, name)) {
                parent = street;
                grade = AddressGrade::Number;
            }
            const uint32_t node = Node(name, grade, parent);
            for (const QString& n : numbers)
                Link(node, n, 0);
        }
    }

    BatchInserter m_addr, m_ref, m_dp, m_tel;
    AddressDatabaseGenerator::Options m_options;
    Random m_random;
    QList<Town> m_towns;
    QList<TownPlan> m_townPlans;
    QHash<QString, uint32_t> m_pathNodes;
    QSet<QString> m_claimed;
    QHash<QString, int> m_dpCounters;
    uint32_t m_lastId = 0;
    uint64_t m_telCounter = 0;
    qint64 m_compounds = 0;
};

} // namespace

namespace {

// What the schema's table statements create (tables, virtual tables, the sequence), dropped last
// first, where it exists; the indexes go with their tables.
QStringList DropStatements(std::optional<SqlDialect> dialect) {
    if (dialect != SqlDialect::SQLite && dialect != SqlDialect::PostgreSQL)
        throw std::runtime_error("replacing an existing schema works on SQLite and PostgreSQL only");
    static const QRegularExpression create(
        u"^\\s*create\\s+(?:virtual\\s+)?(table|sequence)\\s+(?:if\\s+not\\s+exists\\s+)?(\\w+)"_s,
        QRegularExpression::CaseInsensitiveOption);
    QStringList drops;
    for (const QString& statement : AddressSchema::TableStatements(*dialect)) {
        const QRegularExpressionMatch match = create.match(statement);
        if (!match.hasMatch())
            continue;
        const QString kind = match.captured(1).toLower();
        const QString name = match.captured(2);
        drops.prepend(dialect == SqlDialect::PostgreSQL && kind == u"table"
                          ? u"drop table if exists %1 cascade"_s.arg(name)
                          : u"drop %1 if exists %2"_s.arg(kind, name));
    }
    return drops;
}

} // namespace

AddressDatabaseGenerator::Figures AddressDatabaseGenerator::Generate(QSqlDatabase& database) const {
    QElapsedTimer timer;
    timer.start();
    if (!database.transaction())
        throw std::runtime_error("cannot begin a transaction");
    Figures figures;
    try {
        GeneratorRun run(database, m_options);
        run.Run();
        figures = run.Figures();
        AddressSchema::ResetSequence(database);
    } catch (...) {
        database.rollback();
        throw;
    }
    if (!database.commit())
        throw std::runtime_error("cannot commit the generated rows");
    figures.milliseconds = timer.elapsed();
    return figures;
}

AddressDatabaseGenerator::Figures AddressDatabaseGenerator::CreateDatabase(QSqlDatabase& database,
                                                                           bool withData) const {
    QElapsedTimer timer;
    timer.start();
    const auto step = [&](qint64 rows) {
        if (m_options.progress)
            m_options.progress(rows);
    };
    if (!database.transaction())
        throw std::runtime_error("cannot begin a transaction: " + database.lastError().text().toStdString());
    Figures figures;
    try {
        if (m_options.replaceExisting)
            for (const QString& statement : DropStatements(AddressSchema::DialectOf(database)))
                QtSqlConnection::Exec(database, statement);
        AddressSchema::CreateTables(database);
        step(0);
        if (withData) {
            GeneratorRun run(database, m_options);
            run.Run();
            figures = run.Figures();
        }
        AddressSchema::ResetSequence(database);
        step(figures.addr);
        AddressSchema::CreateIndexes(database);
        step(figures.addr);
        // The planner's statistics for the new rows, of these tables only (a database-wide analyze
        // warns about every catalog a user who is not a superuser may not analyze).
        if (withData && AddressSchema::DialectOf(database) != SqlDialect::Oracle)
            for (const QString& table : {u"addr"_s, u"addr_ref"_s, u"dpaddr97"_s, u"telnum_dp97"_s})
                QtSqlConnection::Exec(database, u"analyze "_s + table);
        step(figures.addr);
        if (!database.commit())
            throw std::runtime_error("cannot commit: " + database.lastError().text().toStdString());
    } catch (...) {
        database.rollback();
        throw;
    }
    figures.milliseconds = timer.elapsed();
    return figures;
}

AddressDatabaseGenerator::Figures AddressDatabaseGenerator::CreateSqliteFile(const QString& path) const {
    QFile::remove(path);
    try {
        auto connection = std::make_unique<QtSqlConnection>(u"sqlite:"_s + path);
        QtSqlConnection::Exec(connection->Database(), u"pragma journal_mode=off"_s);
        QtSqlConnection::Exec(connection->Database(), u"pragma synchronous=off"_s);
        const Figures figures = CreateDatabase(connection->Database());
        SqliteFileMode::UseWriteAheadLog(connection->Database()); // as tessel init-db leaves its files
        return figures;
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}
