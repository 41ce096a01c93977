// The commit's test fixture: a cell with its path, telephone numbers on DPs, standard addresses on
// them and unlinked ones, what the wizard hands over for it, and readings of the result.
#pragma once

#include "commit/InnerTreeCommit.h"
#include "tests/support/TestSupport.h"

#include <algorithm>

namespace CommitFixture {

using namespace Qt::Literals::StringLiterals;

inline std::vector<AddressEntry> Entries(std::initializer_list<AddressEntry> entries) {
    return entries;
}

inline const CellPathNames ExistingPath = {u"北京市"_s, u"海淀区"_s, QString(),    u"学院路"_s,
                                    QString(),   u"5号"_s,    u"阳光小区"_s};

// The cell's path (ids 1 to 7, two levels without a name), telephone numbers on DPs, and standard
// addresses linked to them: some on the cell's DPs (to be moved), some not.
inline QStringList Fixture() {
    return {
        u"insert into addr (id,name,grade,parentid) values(1,'北京市',1,0)"_s,
        u"insert into addr (id,name,grade,parentid) values(2,'海淀区',2,1)"_s,
        u"insert into addr (id,name,grade,parentid) values(3,null,3,2)"_s,
        u"insert into addr (id,name,grade,parentid) values(4,'学院路',4,3)"_s,
        u"insert into addr (id,name,grade,parentid) values(5,null,5,4)"_s,
        u"insert into addr (id,name,grade,parentid) values(6,'5号',6,5)"_s,
        u"insert into addr (id,name,grade,parentid) values(7,'阳光小区',7,6)"_s,
        // Standard addresses of the cell's DPs' telephone numbers, and one of another DP.
        u"insert into addr (id,name,grade,parentid) values(201,'学院路5号301室',7,6)"_s,
        u"insert into addr (id,name,grade,parentid) values(202,'3-2-101',7,6)"_s,
        u"insert into addr (id,name,grade,parentid) values(203,'A座12号',7,6)"_s,
        u"insert into addr (id,name,grade,parentid) values(204,'一单元',7,6)"_s,
        u"insert into addr (id,name,grade,parentid) values(207,'远方9号',7,6)"_s,
        // Unlinked standard addresses of the cell (the address page's entries).
        u"insert into addr (id,name,grade,parentid) values(100,'阳光小区1栋4单元',7,6)"_s,
        u"insert into addr (id,name,grade,parentid) values(101,'阳光小区1栋2单元',7,6)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(201,'T1',0)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(202,'T2',0)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(203,'T3',0)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(204,'T4',0)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(207,'T7',0)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(100,'T9',0)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(100,'T10',0)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(101,'T8',0)"_s,
        u"insert into telnum_dp97 (telnum,dpid) values('T1','DP1')"_s,
        u"insert into telnum_dp97 (telnum,dpid) values('T2','DP1')"_s,
        u"insert into telnum_dp97 (telnum,dpid) values('T3','DP2')"_s,
        u"insert into telnum_dp97 (telnum,dpid) values('T4','DP3')"_s,
        u"insert into telnum_dp97 (telnum,dpid) values('T7','DP9')"_s,
    };
}

// A "DP" numbered like the telephone number T1, with a standard address on it: a reading of the
// cell's subtree that saw the moved address 201 (whose link is T1) would move 206 below 201 in the
// same run. The next run does move it, since 201 is then part of the subtree.
inline QStringList SubtreeCoincidence() {
    return {
        u"insert into addr (id,name,grade,parentid) values(206,'X楼9号',7,6)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(206,'T6',0)"_s,
        u"insert into telnum_dp97 (telnum,dpid) values('T6','T1')"_s,
    };
}

// What the wizard hands over for the fixture: both pages split with 栋 / 元.
struct Inputs {
    std::vector<AddressEntry> dpEntries = Entries({
        {u"1栋2单元", u"DP1", 0},
        {u"1栋3单元", u"DP2", 0},
        {u"2栋1单元", u"DP3", 0},
        {u"1栋2单元", u"DP4", 0}, // same path as DP1: only DP1 is linked
        {u"无法拆分", u"DP5", 0}, // no pattern takes it
    });
    std::vector<AddressEntry> addrEntries = Entries({
        {u"1栋4单元", u"T9", 100}, {u"1栋2单元", u"T8", 101}, // lands on the DP tree's node
    });
    SplitPatternSet patterns = BuildPatternSet({{u"栋", u"元"}});
    ResultTree dpTree;
    ResultTree addrTree;

    explicit Inputs(std::u16string_view cell = u"阳光小区") { Rebuild(cell); }
    void Rebuild(std::u16string_view cell) {
        dpTree = BuildResultTree(cell, dpEntries, patterns);
        addrTree = BuildResultTree(cell, addrEntries, patterns);
    }
    InnerTreeCommit Commit(const CellPathNames& path = ExistingPath) const {
        return InnerTreeCommit(path, dpTree, dpEntries, addrTree, addrEntries);
    }
};


// The subtree below a node: name:grade, the node's links (oldid/refflag, sorted), children by id.
inline QString InnerTree(TestDatabase& database, const QString& nodeId) {
    QStringList parts;
    for (const QStringList& row :
         database.Rows(u"select id,name,grade from addr where parentid=%1 order by id"_s.arg(nodeId))) {
        QString part = row[1] + u':' + row[2];
        QStringList links;
        for (const QStringList& link :
             database.Rows(u"select oldid,refflag from addr_ref where stdaddrid=%1"_s.arg(row[0])))
            links << link[0] + u'/' + link[1];
        links.sort();
        if (!links.isEmpty())
            part += u'[' + links.join(u' ') + u']';
        const QString below = InnerTree(database, row[0]);
        if (!below.isEmpty())
            part += u'{' + below + u'}';
        parts << part;
    }
    return parts.join(u' ');
}

// Everything the commit may touch, in a fixed order.
inline QList<QStringList> Snapshot(TestDatabase& database) {
    QList<QStringList> rows = database.Rows(u"select id,name,grade,parentid from addr order by id"_s);
    QList<QStringList> links = database.Rows(u"select stdaddrid,oldid,refflag from addr_ref"_s);
    std::sort(links.begin(), links.end());
    return rows + QList<QStringList>{{u"--"_s}} + links;
}

} // namespace CommitFixture
