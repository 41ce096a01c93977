-- The journal of Finish on PostgreSQL: what each Finish that wrote changed, written in the Finish's
-- own transaction (a crash keeps both or neither), enough for `tessel undo` to put every row back
-- as it was. `tessel init-db` creates these with the address tables; `tessel init-db URL
-- --journal` adds them alone to an existing database. Without them Finish writes no journal.
--
-- journal_run: one row a Finish. at: the database's time (UTC); db_user: the connection's user.
-- patterns: the pattern rows of both split pages as text. The figures are those Finish reports.
-- journal_node, journal_link: addr and addr_ref rows the run inserted, as inserted.
-- journal_move: addresses the run moved, as they were after (name, grade, parentid) and before.
-- journal_gone_addr, journal_gone_link: addresses the run replaced, whole, and all their links.
-- journal_undo: runs taken back, when and by whom.

create table journal_run (
    run bigint primary key,
    at text not null default to_char(now() at time zone 'UTC', 'YYYY-MM-DD HH24:MI:SS'),
    db_user text default current_user,
    os_user text,
    host text,
    version text,
    cell_id bigint not null,
    cell_name text,
    patterns text,
    nodes_new integer not null,
    links_new integer not null,
    moved integer not null,
    replaced integer not null
);

create sequence seq_journal minvalue 1 no cycle;

create table journal_node (
    run bigint not null,
    id bigint not null,
    name text,
    grade integer not null,
    parentid bigint not null
);

create table journal_link (
    run bigint not null,
    stdaddrid bigint not null,
    oldid text not null,
    refflag integer not null
);

create table journal_move (
    run bigint not null,
    id bigint not null,
    name text,
    grade integer not null,
    parentid bigint not null,
    old_name text,
    old_grade integer not null,
    old_parentid bigint not null
);

create table journal_gone_addr (
    run bigint not null,
    id bigint not null,
    name text,
    grade integer not null,
    parentid bigint not null
);

create table journal_gone_link (
    run bigint not null,
    stdaddrid bigint not null,
    oldid text not null,
    refflag integer not null
);

create table journal_undo (
    run bigint primary key,
    at text not null default to_char(now() at time zone 'UTC', 'YYYY-MM-DD HH24:MI:SS'),
    db_user text default current_user,
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
