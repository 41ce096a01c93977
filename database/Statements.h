// Every statement the system issues, in the Oracle dialect, as formats for FormatStatement. The
// connection translates them for the database it runs on. Like patterns carry escape '\' so a cell
// name matches literally (see SqlText::LikeLiteral).
#pragma once

namespace Statements {

// Cell name page: inner tree already below a node of this name? (cell name)
inline constexpr char16_t CountInnerNodes[] =
    u"select count(*) from addr where grade>7 and parentid in(select id from addr where name='%s')";

// Cell verification page. Both in id order, so that the outline and the names it proposes are the
// same on every database and from one run to the next.
inline constexpr char16_t CandidateCellParents[] = // cell name (like), 7
    u"select distinct parentid from addr where name like '%s%%' escape '\\' and grade=%d order by parentid";
inline constexpr char16_t TopNodeName[] = u"select name from addr where parentid=0 order by id";
inline constexpr char16_t AddressPathUp[] = // node id
    u"select id,name,parentid from addr start with id=%u connect by id = Prior parentid order by level desc";

// Naming a compound without an operator (decompose): the grade-7 nodes whose names begin with a
// name, by id (cell name (like), 7); one node by its id; the inner nodes right below one node.
inline constexpr char16_t CompoundsNamedLike[] =
    u"select id,name,parentid from addr where name like '%s%%' escape '\\' and grade=%d order by id";
inline constexpr char16_t NodeById[] = u"select name,grade,parentid from addr where id=%u";
inline constexpr char16_t CountInnerNodesBelow[] = u"select count(*) from addr where grade>7 and parentid=%u";

// DP split page. (cell name, like)
inline constexpr char16_t DpAddresses[] =
    u"select num,addr from dpaddr97 where addr like '%%%s%%' escape '\\'";

// Unlinked-address split page. (cell name, like; twice)
inline constexpr char16_t UnlinkedAddresses[] =
    u"select a.id,a.name,r.oldid from addr a,addr_ref r where r.stdaddrid=a.id and a.name like '%%%s%%' "
    u"escape '\\' and not exists (select t1.telnum from telnum_dp97 t1,dpaddr97 d1 where t1.dpid=d1.num and "
    u"d1.addr like '%%%s%%' escape '\\' and t1.telnum=r.oldid) and not exists(select a1.id from addr a1 "
    u"where "
    u"a1.parentid=a.id)";
// The same, with the search limited to some addresses. (cell name, like; twice; address ids)
inline constexpr char16_t UnlinkedAddressesAmong[] =
    u"select a.id,a.name,r.oldid from addr a,addr_ref r where r.stdaddrid=a.id and a.name like '%%%s%%' "
    u"escape '\\' and not exists (select t1.telnum from telnum_dp97 t1,dpaddr97 d1 where t1.dpid=d1.num and "
    u"d1.addr like '%%%s%%' escape '\\' and t1.telnum=r.oldid) and not exists(select a1.id from addr a1 "
    u"where a1.parentid=a.id) and a.id in (%l)";

// Decomposing many compounds in one run: the texts the two split pages search, read once, in the
// order the searches read them; and addresses read again after a commit wrote them. (address ids)
inline constexpr char16_t AllDpAddresses[] = u"select num,addr from dpaddr97";
inline constexpr char16_t AllAddressNames[] = u"select id,name from addr";
inline constexpr char16_t AddressNamesOf[] = u"select id,name from addr where id in (%l)";
inline constexpr char16_t DpAddressesNumbered[] = u"select num,addr from dpaddr97 where num in (%l)"; // TextItem
// SQLite only, where those texts are read once: a number that moves whenever another connection
// commits (this connection's own commits leave it as it was).
inline constexpr char16_t SqliteDataVersion[] = u"pragma data_version";
// SQLite only: a run over many compounds on a database in WAL mode syncs the log at its checkpoints
// and at the run's end rather than at every commit (synchronous 1 NORMAL, 2 FULL).
inline constexpr char16_t SqliteJournalMode[] = u"pragma journal_mode";
inline constexpr char16_t SqliteSynchronous[] = u"pragma synchronous";
inline constexpr char16_t SqliteSetSynchronous[] = u"pragma synchronous=%u";
inline constexpr char16_t SqliteCheckpoint[] = u"pragma wal_checkpoint(passive)";

// Commit: the path step, a node at a time (at most six), and the links below the cell. Where two
// children of one node share a name, the first by id is taken, on every database.
inline constexpr char16_t FindPathNodeUnnamed[] =
    u"select id from addr where parentid=%u and name is null order by id";
inline constexpr char16_t FindPathNode[] = u"select id from addr where parentid=%u and name='%s' order by id";
// The same walk in one statement (see AddressPathByNames): per grade, the nodes bearing its name
// below any node found for the grade above. The first grade's nodes (grade, parent id, name), a
// later grade's (grade, the grade above's set, name), that set itself (below, name), the whole.
inline constexpr char16_t PathWalkFirst[] = u"select %d as grade,id,parentid from addr where parentid=%u and name='%s'";
inline constexpr char16_t PathWalkFirstUnnamed[] =
    u"select %d as grade,id,parentid from addr where parentid=%u and name is null";
inline constexpr char16_t PathWalkNext[] =
    u"select %d,id,parentid from addr where parentid in (%l) and name='%s'";
inline constexpr char16_t PathWalkNextUnnamed[] =
    u"select %d,id,parentid from addr where parentid in (%l) and name is null";
inline constexpr char16_t PathWalkSetFirst[] = u"select id from addr where parentid=%u and name='%s'";
inline constexpr char16_t PathWalkSetFirstUnnamed[] = u"select id from addr where parentid=%u and name is null";
inline constexpr char16_t PathWalkSetNext[] = u"select id from addr where parentid in (%l) and name='%s'";
inline constexpr char16_t PathWalkSetNextUnnamed[] = u"select id from addr where parentid in (%l) and name is null";
inline constexpr char16_t PathWalk[] = u"%l order by 1,2"; // the grades' selects, joined by union all
inline constexpr char16_t UnionAll[] = u" union all ";
inline constexpr char16_t SubtreeLinks[] = // cell id
    u"select a.id,a.grade,b.oldid as dpid from (select id,grade from addr start with id=%u connect by Prior "
    u"id=parentid) A, addr_ref B where B.stdaddrid=A.id";

// Commit, the forms it sends: a level of a tree, or a batch of rows, per statement. Lists (%l) are
// made by FormatList from the item formats below; see StatementBatches for their sizes.
inline constexpr char16_t LockAddrRow[] = u"select id from addr where id=%u for update"; // node id
// The standard addresses a Finish may move or replace, locked in id order (two Finishes never wait
// for each other in a circle) and read as they are under the lock. (address ids)
inline constexpr char16_t LockAddrRows[] =
    u"select id,name,grade,parentid from addr where id in (%l) order by id for update";
// A new top level has no parent row to lock: the table, for the moment of the path step.
inline constexpr char16_t LockAddrTable[] = u"lock table addr in exclusive mode";
inline constexpr char16_t NextAddrIds[] = u"select seq_addr.nextval from dual connect by level<=%d"; // count
inline constexpr char16_t ChildrenOfParents[] = // grade, parent ids
    u"select id,parentid,name from addr where grade=%d and parentid in (%l)";
inline constexpr char16_t InsertAddrRows[] = u"insert all %l select * from dual"; // AddrRow items
inline constexpr char16_t AddrRow[] = u"into addr (id,name,grade,parentid) values(%u,'%s',%d,%u)";
inline constexpr char16_t LinksOfNodes[] = // node ids
    u"select stdaddrid,oldid,refflag from addr_ref where stdaddrid in (%l)";
inline constexpr char16_t InsertLinkRows[] = u"insert all %l select * from dual"; // LinkRow items
inline constexpr char16_t LinkRow[] = u"into addr_ref (stdaddrid,oldid,refflag) values(%u,'%s',%d)";
inline constexpr char16_t DeleteAddrs[] = u"delete addr where id in (%l)";          // node ids
inline constexpr char16_t DeleteLinksOf[] = u"delete addr_ref where stdaddrid in (%l)"; // node ids
// The DPs' numbers lead: SQLite, given a list of DPs that is large beside telnum_dp97, would
// otherwise scan addr_ref and try every DP of the list for each of its rows (minutes for a
// 100,000-leaf Finish); cross join keeps the order as written there, others plan it as a join.
inline constexpr char16_t StandardAddressesOfDps[] = // DP numbers (TextItem)
    u"select t.dpid,A.id,A.name,A.grade,A.parentid from telnum_dp97 t cross join addr_ref R cross join addr A "
    u"where A.grade<8 and R.stdaddrid=A.id and R.refflag=0 and R.oldid=t.telnum and t.dpid in (%l)";
inline constexpr char16_t MoveAddrs[] = // WhenIdText, WhenIdGrade, WhenIdId items, node ids
    u"update addr set name=case id %l end,grade=case id %l end,parentid=case id %l end where id in (%l)";
inline constexpr char16_t IdItem[] = u"%u";
inline constexpr char16_t TextItem[] = u"'%s'";
inline constexpr char16_t WhenIdText[] = u"when %u then '%s'";
inline constexpr char16_t WhenIdGrade[] = u"when %u then %d";
inline constexpr char16_t WhenIdId[] = u"when %u then %u";
inline constexpr char16_t Comma[] = u",";
inline constexpr char16_t Space[] = u" ";

} // namespace Statements
