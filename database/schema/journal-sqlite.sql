-- The journal of Finish on SQLite: what each Finish that wrote changed, written in the Finish's
-- own transaction (a crash keeps both or neither), enough for `tessel undo` to put every row back
-- as it was. `tessel init-db` creates these with the address tables; `tessel init-db URL
-- --journal` adds them alone to an existing database. Without them Finish writes no journal.
--
-- journal_run: one row a Finish. at: the database's time (UTC); db_user: SQLite has none.
-- patterns: the pattern rows of both split pages as text. The figures are those Finish reports.
-- seq_journal: the run numbers, drawn as seq_addr's are (see sqlite.sql).
-- journal_node, journal_link: addr and addr_ref rows the run inserted, as inserted.
-- journal_move: addresses the run moved, as they were after (name, grade, parentid) and before.
-- journal_gone_addr, journal_gone_link: addresses the run replaced, whole, and all their links.
-- journal_undo: runs taken back, when and by whom.

create table journal_run (
    run integer primary key,
    at text not null default current_timestamp,
    db_user text,
    os_user text,
    host text,
    version text,
    cell_id integer not null,
    cell_name text,
    patterns text,
    nodes_new integer not null,
    links_new integer not null,
    moved integer not null,
    replaced integer not null
);

create table seq_journal (
    last_value integer not null
);
insert into seq_journal (last_value) values (0);

create table journal_node (
    run integer not null,
    id integer not null,
    name text,
    grade integer not null,
    parentid integer not null
);

create table journal_link (
    run integer not null,
    stdaddrid integer not null,
    oldid text not null,
    refflag integer not null
);

create table journal_move (
    run integer not null,
    id integer not null,
    name text,
    grade integer not null,
    parentid integer not null,
    old_name text,
    old_grade integer not null,
    old_parentid integer not null
);

create table journal_gone_addr (
    run integer not null,
    id integer not null,
    name text,
    grade integer not null,
    parentid integer not null
);

create table journal_gone_link (
    run integer not null,
    stdaddrid integer not null,
    oldid text not null,
    refflag integer not null
);

create table journal_undo (
    run integer primary key,
    at text not null default current_timestamp,
    db_user text,
    os_user text,
    host text,
    version text
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
