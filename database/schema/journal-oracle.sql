-- The journal of Finish on Oracle: what each Finish that wrote changed, written in the Finish's
-- own transaction (a crash keeps both or neither), enough for `tessel undo` to put every row back
-- as it was. `tessel init-db` creates these with the address tables; `tessel init-db URL
-- --journal` adds them alone to an existing database. Without them Finish writes no journal.
--
-- journal_run: one row a Finish. at: the database's time (UTC); db_user: the session's user.
-- patterns: the pattern rows of both split pages as text. The figures are those Finish reports.
-- journal_node, journal_link: addr and addr_ref rows the run inserted, as inserted.
-- journal_move: addresses the run moved, as they were after (name, grade, parentid) and before.
-- journal_gone_addr, journal_gone_link: addresses the run replaced, whole, and all their links.
-- journal_undo: runs taken back, when and by whom.

create table journal_run (
    run number(10) primary key,
    at varchar2(19 char) default to_char(sys_extract_utc(systimestamp), 'YYYY-MM-DD HH24:MI:SS') not null,
    db_user varchar2(128 char) default user,
    os_user varchar2(128 char),
    host varchar2(128 char),
    version varchar2(128 char),
    cell_id number(10) not null,
    cell_name varchar2(400 char),
    patterns varchar2(4000 char),
    nodes_new number(10) not null,
    links_new number(10) not null,
    moved number(10) not null,
    replaced number(10) not null
);

create sequence seq_journal start with 1 increment by 1 nocycle nocache;

create table journal_node (
    run number(10) not null,
    id number(10) not null,
    name varchar2(400 char),
    grade number(3) not null,
    parentid number(10) not null
);

create table journal_link (
    run number(10) not null,
    stdaddrid number(10) not null,
    oldid varchar2(40 char) not null,
    refflag number(1) not null
);

create table journal_move (
    run number(10) not null,
    id number(10) not null,
    name varchar2(400 char),
    grade number(3) not null,
    parentid number(10) not null,
    old_name varchar2(400 char),
    old_grade number(3) not null,
    old_parentid number(10) not null
);

create table journal_gone_addr (
    run number(10) not null,
    id number(10) not null,
    name varchar2(400 char),
    grade number(3) not null,
    parentid number(10) not null
);

create table journal_gone_link (
    run number(10) not null,
    stdaddrid number(10) not null,
    oldid varchar2(40 char) not null,
    refflag number(1) not null
);

create table journal_undo (
    run number(10) primary key,
    at varchar2(19 char) default to_char(sys_extract_utc(systimestamp), 'YYYY-MM-DD HH24:MI:SS') not null,
    db_user varchar2(128 char) default user,
    os_user varchar2(128 char),
    host varchar2(128 char),
    version varchar2(128 char)
);

-- a run's rows (undo), and which run made a node, a link or a move (undo's refusals, page 1)
create index journal_run_cell on journal_run (cell_id, run);
create index journal_run_cell_name on journal_run (cell_name, run);
create index journal_node_run on journal_node (run, id);
create index journal_node_id on journal_node (id, run);
create index journal_link_run on journal_link (run, stdaddrid, oldid);
create index journal_link_node on journal_link (stdaddrid, oldid, run);
create index journal_move_run on journal_move (run, id);
create index journal_move_id on journal_move (id, run);
create index journal_gone_addr_run on journal_gone_addr (run, id);
create index journal_gone_link_run on journal_gone_link (run, stdaddrid);
