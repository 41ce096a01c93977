// Compounds whose names contain each other (明月公寓, 明月公寓二期, 明月公寓二期东区), finished at
// once: the shorter name's pages load the longer names' addresses too, and the DPs of a longer name
// are DPs of the shorter ones. Three families below three number nodes of one road, eight compounds
// in all; each family's rows stay below its own number node, so families never meet.
//
// For each compound and building b (1, 2): a DP "<compound>b栋1单元" with one telephone number and a
// standard address on it (moved by whichever compound takes it first), and an unlinked standard
// address "<compound>b栋2单元" with a number on no DP (replaced by whichever takes it first). Both
// split with 栋/元.
#pragma once

#include "tests/support/TestDatabase.h"

#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <vector>

namespace NestedCompounds {

using namespace Qt::Literals::StringLiterals;

struct Family {
    QString number;    // the name of its number node (grade 6)
    QStringList cells; // shortest name first
};

inline const std::vector<Family>& Families() {
    static const std::vector<Family> families = {
        {u"1号"_s, {u"明月公寓"_s, u"明月公寓二期"_s, u"明月公寓二期东区"_s}},
        {u"2号"_s, {u"星河湾"_s, u"星河湾北区"_s, u"星河湾北区三期"_s}},
        {u"3号"_s, {u"翠苑"_s, u"翠苑一区"_s}},
    };
    return families;
}

// The path names of grades 1 to 6 above a family's compounds.
inline std::array<QString, 6> PathAbove(const Family& family) {
    return {u"北京市"_s, u"海淀区"_s, QString(), u"学院路"_s, QString(), family.number};
}

inline QStringList Fixture() {
    QStringList statements = {
        u"insert into addr (id,name,grade,parentid) values(1,'北京市',1,0)"_s,
        u"insert into addr (id,name,grade,parentid) values(2,'海淀区',2,1)"_s,
        u"insert into addr (id,name,grade,parentid) values(3,null,3,2)"_s,
        u"insert into addr (id,name,grade,parentid) values(4,'学院路',4,3)"_s,
        u"insert into addr (id,name,grade,parentid) values(5,null,5,4)"_s,
    };
    int cellId = 100;
    int addressId = 1000;
    for (int f = 0; f < static_cast<int>(Families().size()); ++f) {
        const Family& family = Families()[f];
        const int numberId = 6 + f;
        statements << u"insert into addr (id,name,grade,parentid) values(%1,'%2',6,5)"_s.arg(numberId).arg(family.number);
        for (int c = 0; c < family.cells.size(); ++c) {
            const QString& cell = family.cells[c];
            statements << u"insert into addr (id,name,grade,parentid) values(%1,'%2',7,%3)"_s.arg(cellId++).arg(cell).arg(numberId);
            for (int b = 1; b <= 2; ++b) {
                const QString key = u"F%1C%2B%3"_s.arg(f).arg(c).arg(b);
                statements << u"insert into dpaddr97 (num,addr) values('D%1','%2%3栋1单元')"_s.arg(key, cell).arg(b)
                           << u"insert into telnum_dp97 (telnum,dpid) values('T%1','D%1')"_s.arg(key)
                           << u"insert into addr (id,name,grade,parentid) values(%1,'%2%3栋1单元10%3',7,%4)"_s
                                  .arg(addressId).arg(cell).arg(b).arg(numberId)
                           << u"insert into addr_ref (stdaddrid,oldid,refflag) values(%1,'T%2',0)"_s.arg(addressId).arg(key)
                           << u"insert into addr (id,name,grade,parentid) values(%1,'%2%3栋2单元',7,%4)"_s
                                  .arg(addressId + 1).arg(cell).arg(b).arg(numberId)
                           << u"insert into addr_ref (stdaddrid,oldid,refflag) values(%1,'U%2',0)"_s.arg(addressId + 1).arg(key);
                addressId += 2;
            }
        }
    }
    return statements;
}

// The eight compounds one after another, for the permutation `order` (0 to 5) of a family's three
// places; a family of two takes its two compounds in the order the permutation gives them.
inline QStringList SerialOrder(int order) {
    std::array<int, 3> places = {0, 1, 2};
    for (int i = 0; i < order; ++i)
        std::next_permutation(places.begin(), places.end());
    QStringList cells;
    for (int place : places)
        for (const Family& family : Families())
            if (place < family.cells.size())
                cells << family.cells[place];
    return cells;
}
inline constexpr int SerialOrders = 6;

// A family's rows, without the ids the sequence gave: every node below its number node as its path
// of names, its grade and its links, sorted.
inline QStringList FamilyState(TestDatabase& database, const Family& family) {
    QStringList lines;
    const auto walk = [&](const auto& self, const QString& id, const QString& path) -> void {
        for (const QStringList& row :
             database.Rows(u"select id,name,grade from addr where parentid=%1"_s.arg(id))) {
            const QString here = path + u'/' + row[1];
            QStringList links;
            for (const QStringList& link :
                 database.Rows(u"select oldid,refflag from addr_ref where stdaddrid=%1"_s.arg(row[0])))
                links << link.join(u'/');
            links.sort();
            lines << here + u':' + row[2] + u'[' + links.join(u' ') + u']';
            self(self, row[0], here);
        }
    };
    const QString numberId =
        database.Rows(u"select id from addr where grade=6 and name='%1'"_s.arg(family.number)).value(0).value(0);
    walk(walk, numberId, family.number);
    lines.sort();
    return lines;
}

// Telephone numbers linked to more than one address: no serial order makes any.
inline QList<QStringList> DoublyLinkedNumbers(TestDatabase& database) {
    return database.Rows(u"select oldid,count(*) from addr_ref where refflag=0 group by oldid having count(*)>1 "
                         u"order by oldid"_s);
}

// PostgreSQL only: a moment on every new node widens the window an unlocked look-up would be
// overtaken in. False when the server refused it.
inline bool SlowNodeInserts(TestDatabase& database) {
    QSqlQuery query(database.Native());
    return query.exec(u"create or replace function slow_node() returns trigger language plpgsql as "
                      u"$$ begin perform pg_sleep(0.01); return new; end $$"_s) &&
           query.exec(u"create trigger slow_node before insert on addr for each row execute function slow_node()"_s);
}

} // namespace NestedCompounds
