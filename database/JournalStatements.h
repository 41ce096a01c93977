// The statements of the journal of Finish and of taking a run back (tables in
// database/schema/journal-*.sql), in the Oracle dialect, as formats for FormatStatement. A run's
// rows are recorded set-wise: copied from addr and addr_ref by id lists before they change (moves,
// replacements) or after they were made (new nodes and their links).
#pragma once

namespace JournalStatements {

// Whether the database has a journal; fails where it has none.
inline constexpr char16_t Present[] = u"select count(*) from journal_run where run=0";
inline constexpr char16_t NextRun[] = u"select seq_journal.nextval from dual";

// Finish. (run, node ids)
inline constexpr char16_t RecordNodes[] =
    u"insert into journal_node (run,id,name,grade,parentid) select %u,id,name,grade,parentid from addr where id "
    u"in (%l)";
inline constexpr char16_t RecordLinksOfNodes[] =
    u"insert into journal_link (run,stdaddrid,oldid,refflag) select %u,stdaddrid,oldid,refflag from addr_ref "
    u"where stdaddrid in (%l)";
// The same for the nodes of one range of ids, each of them new. (run, first id, last id)
inline constexpr char16_t RecordNodesBetween[] =
    u"insert into journal_node (run,id,name,grade,parentid) select %u,id,name,grade,parentid from addr where id "
    u"between %u and %u";
inline constexpr char16_t RecordLinksOfNodesBetween[] =
    u"insert into journal_link (run,stdaddrid,oldid,refflag) select %u,stdaddrid,oldid,refflag from addr_ref "
    u"where stdaddrid between %u and %u";
// Links a run made on nodes that were there before it. (LinkRow items)
inline constexpr char16_t RecordLinkRows[] = u"insert all %l select * from dual";
inline constexpr char16_t LinkRow[] = u"into journal_link (run,stdaddrid,oldid,refflag) values(%u,%u,'%s',%d)";
// Before the moves: each address as it will be and as it was, read under the Finish's lock.
// (MoveRow items)
inline constexpr char16_t RecordMoveRows[] = u"insert all %l select * from dual";
inline constexpr char16_t MoveRow[] = // run, id, name, grade, parent, old name, old grade, old parent
    u"into journal_move (run,id,name,grade,parentid,old_name,old_grade,old_parentid) "
    u"values(%u,%u,'%s',%d,%u,'%s',%d,%u)";
// The moves themselves, as the journal recorded them: one statement for all of them, each row
// found by its id in the journal's index (a case list is searched from its start for every row it
// changes, so its cost grows with the square of its length). (run, run, run, run)
inline constexpr char16_t MoveRecordedAddrs[] =
    u"update addr set name=(select v.name from journal_move v where v.run=%u and v.id=addr.id),"
    u"grade=(select v.grade from journal_move v where v.run=%u and v.id=addr.id),"
    u"parentid=(select v.parentid from journal_move v where v.run=%u and v.id=addr.id) "
    u"where id in (select id from journal_move where run=%u)";
// Before replaced addresses are deleted: their rows and all their links. (run, node ids)
inline constexpr char16_t RecordGoneAddrs[] =
    u"insert into journal_gone_addr (run,id,name,grade,parentid) select %u,id,name,grade,parentid from addr "
    u"where id in (%l)";
inline constexpr char16_t RecordGoneLinks[] =
    u"insert into journal_gone_link (run,stdaddrid,oldid,refflag) select %u,stdaddrid,oldid,refflag from "
    u"addr_ref where stdaddrid in (%l)";
// The run itself, last; the database fills in its time and user.
// (run, os user, host, version, cell id, cell name, patterns, nodes, links, moved, replaced)
inline constexpr char16_t RecordRun[] =
    u"insert into journal_run (run,os_user,host,version,cell_id,cell_name,patterns,nodes_new,links_new,moved,"
    u"replaced) values(%u,'%s','%s','%s',%u,'%s','%s',%d,%d,%d,%d)";

// tessel history: every run, oldest first, or those of one compound name.
inline constexpr char16_t History[] =
    u"select r.run,r.at,r.db_user,r.os_user,r.host,r.cell_name,r.cell_id,r.nodes_new,r.links_new,r.moved,"
    u"r.replaced,(select count(*) from journal_undo u where u.run=r.run) from journal_run r order by r.run";
inline constexpr char16_t HistoryOfCell[] = // cell name
    u"select r.run,r.at,r.db_user,r.os_user,r.host,r.cell_name,r.cell_id,r.nodes_new,r.links_new,r.moved,"
    u"r.replaced,(select count(*) from journal_undo u where u.run=r.run) from journal_run r where "
    u"r.cell_name='%s' order by r.run";
// Page 1: who made the inner tree below a node of this name, the latest run kept. (cell name)
inline constexpr char16_t LatestRunOfCell[] =
    u"select r.run,r.at,r.db_user,r.os_user,r.host from journal_run r where r.cell_name='%s' and not exists "
    u"(select u.run from journal_undo u where u.run=r.run) order by r.run desc";

// tessel undo. (run)
inline constexpr char16_t RunRow[] =
    u"select r.cell_id,r.cell_name,(select count(*) from journal_undo u where u.run=r.run) from journal_run r "
    u"where r.run=%u";
// The parent of the highest path level the run made (to lock, as Finish's path step does). (run)
inline constexpr char16_t PathParentOfRun[] =
    u"select parentid,grade from journal_node where run=%u and grade<8 order by grade";
inline constexpr char16_t LockMovedAddrs[] = // run
    u"select id from addr where id in (select id from journal_move where run=%u) for update";
// What would keep the run from being taken back, the first such row of each kind. (run, ...)
inline constexpr char16_t NodesChanged[] = // run
    u"select n.id from journal_node n where n.run=%u and not exists (select a.id from addr a where a.id=n.id and "
    u"a.grade=n.grade and a.parentid=n.parentid and (a.name=n.name or a.name is null and n.name is null)) "
    u"order by n.id";
inline constexpr char16_t ForeignChildren[] = // run, run, run
    u"select a.id,a.parentid from addr a,journal_node n where n.run=%u and a.parentid=n.id and not exists "
    u"(select m.id from journal_node m where m.run=%u and m.id=a.id) and not exists (select v.id from "
    u"journal_move v where v.run=%u and v.id=a.id) order by a.id";
inline constexpr char16_t ForeignLinks[] = // run, run
    u"select r.stdaddrid,r.oldid from addr_ref r,journal_node n where n.run=%u and r.stdaddrid=n.id and not "
    u"exists (select l.run from journal_link l where l.run=%u and l.stdaddrid=r.stdaddrid and l.oldid=r.oldid "
    u"and l.refflag=r.refflag) order by r.stdaddrid,r.oldid";
inline constexpr char16_t LinksGone[] = // run
    u"select l.stdaddrid,l.oldid from journal_link l where l.run=%u and not exists (select r.stdaddrid from "
    u"addr_ref r where r.stdaddrid=l.stdaddrid and r.oldid=l.oldid and r.refflag=l.refflag) order by "
    u"l.stdaddrid,l.oldid";
inline constexpr char16_t MovesChanged[] = // run
    u"select v.id from journal_move v where v.run=%u and not exists (select a.id from addr a where a.id=v.id and "
    u"a.grade=v.grade and a.parentid=v.parentid and (a.name=v.name or a.name is null and v.name is null)) "
    u"order by v.id";
inline constexpr char16_t GoneIdsInUse[] = // run
    u"select g.id from journal_gone_addr g where g.run=%u and (exists (select a.id from addr a where a.id=g.id) "
    u"or exists (select r.stdaddrid from addr_ref r where r.stdaddrid=g.id)) order by g.id";
// The latest run kept, after `run`, that made or moved an address, or made a link. (run, id)
inline constexpr char16_t LaterRunOfAddr[] =
    u"select max(j.run) from (select run from journal_node where id=%u union all select run from journal_move "
    u"where id=%u union all select run from journal_link where stdaddrid=%u) j where j.run>%u and not exists "
    u"(select u.run from journal_undo u where u.run=j.run)";
// The changes, reversed. (run)
inline constexpr char16_t DeleteRunLinks[] =
    u"delete addr_ref where exists (select l.run from journal_link l where l.run=%u and "
    u"l.stdaddrid=addr_ref.stdaddrid and l.oldid=addr_ref.oldid and l.refflag=addr_ref.refflag)";
inline constexpr char16_t RestoreMoves[] = // run, run, run, run
    u"update addr set name=(select v.old_name from journal_move v where v.run=%u and v.id=addr.id),"
    u"grade=(select v.old_grade from journal_move v where v.run=%u and v.id=addr.id),"
    u"parentid=(select v.old_parentid from journal_move v where v.run=%u and v.id=addr.id) "
    u"where id in (select id from journal_move where run=%u)";
inline constexpr char16_t DeleteRunNodes[] = u"delete addr where id in (select id from journal_node where run=%u)";
inline constexpr char16_t RestoreGoneAddrs[] =
    u"insert into addr (id,name,grade,parentid) select id,name,grade,parentid from journal_gone_addr where run=%u";
inline constexpr char16_t RestoreGoneLinks[] =
    u"insert into addr_ref (stdaddrid,oldid,refflag) select stdaddrid,oldid,refflag from journal_gone_link "
    u"where run=%u";
inline constexpr char16_t CountRunRows[] = // run x5
    u"select (select count(*) from journal_node where run=%u),(select count(*) from journal_link where run=%u),"
    u"(select count(*) from journal_move where run=%u),(select count(*) from journal_gone_addr where run=%u),"
    u"(select count(*) from journal_gone_link where run=%u) from dual";
inline constexpr char16_t RecordUndo[] = // run, os user, host, version
    u"insert into journal_undo (run,os_user,host,version) values(%u,'%s','%s','%s')";

} // namespace JournalStatements
