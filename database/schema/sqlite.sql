-- The standard-address database on SQLite.
--
-- seq_addr: SQLite has no sequences. The data-access layer draws "seq_addr.nextval" from the
-- one-row table seq_addr: its column last_value holds the last number given out, and drawing adds
-- 1 and returns the new value in one statement (update seq_addr set last_value = last_value + 1
-- returning last_value). A database whose addr rows were loaded with their own ids sets
-- last_value to max(addr.id).
--
-- Indexes: every statement the system issues finds its rows through one of these, except the
-- like '%...%' searches on addr.name and dpaddr97.addr, which read the whole column by nature (a
-- decompose run over a list of compounds reads the two columns once and searches them in memory).
-- The data-access layer turns case_sensitive_like on, so "name like 'x%'" uses
-- addr_name_grade_parent.
--
-- A look-up that names a node by parent, grade and name finds it through either addr index, since
-- both hold all three columns: whatever the statistics make the planner choose, the search reads
-- the one row it wants (with a (name, grade) index, a database where a name is common under many
-- parents sent such look-ups through every node of that name, and Finish became quadratic). The
-- same holds for a link looked up by node and number.

create table addr (
    id integer primary key,          -- the rowid: lookups by id need no other index
    name text,                       -- NULL where a level of a path has no name
    grade integer not null,
    parentid integer not null
);

create table addr_ref (
    stdaddrid integer not null,
    oldid text not null,
    refflag integer not null
);

create table dpaddr97 (
    num text primary key,
    addr text
);

create table telnum_dp97 (
    telnum text not null,
    dpid text not null
);

create table seq_addr (
    last_value integer not null
);
insert into seq_addr (last_value) values (0);

-- children of a node: path nodes by (parentid, name) or name is null, inner nodes by (parentid,
-- grade, name), a level's children by parentid; also the subtree walk, the top node (parentid=0),
-- the inner-tree count's outer test
create index addr_parent_name_grade on addr (parentid, name, grade);
-- nodes by name (the inner-tree count), by name prefix and grade (the candidate cells), and inner
-- nodes by name, grade and parent
create index addr_name_grade_parent on addr (name, grade, parentid);
-- links of a node (subtree walk, link lookup, deleting a node's links)
create index addr_ref_std_old on addr_ref (stdaddrid, oldid);
-- links by telephone number (the standard addresses of a DP), and by number and node
create index addr_ref_old_std on addr_ref (oldid, stdaddrid);
-- numbers on a DP, and the DP of a number (the unlinked-address exclusion)
create index telnum_dp97_dpid on telnum_dp97 (dpid, telnum);
create index telnum_dp97_telnum on telnum_dp97 (telnum, dpid);
