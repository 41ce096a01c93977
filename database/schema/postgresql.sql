-- The standard-address database on PostgreSQL.
--
-- Indexes: every statement the system issues finds its rows through one of these. addr.name is
-- indexed with text_pattern_ops so that "name like 'x%'" can use the index whatever the database's
-- collation; the same index serves "name='x'". A look-up by parent, grade and name finds its row
-- through either addr index, since both hold all three columns, so no statistics can send it
-- through every node of a common name; the same holds for a link looked up by node and number.
-- The searches for a name anywhere in addr.name and dpaddr97.addr (like '%...%', pages 3 and 5)
-- use trigram indexes (pg_trgm, which ships with the server): on a million addresses they find a
-- compound's rows without reading the whole column. A pattern of fewer than three characters
-- still finds every row (the index hands it back to a recheck). addr's trigram index keeps a short
-- list of rows not yet merged (128 kB, not 4 MB): every search reads that list from start to end,
-- and every commit adds to it.

create extension if not exists pg_trgm;

create table addr (
    id bigint primary key,           -- unsigned 32-bit values
    name text,                       -- NULL where a level of a path has no name
    grade integer not null,
    parentid bigint not null
);

create table addr_ref (
    stdaddrid bigint not null,
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

create sequence seq_addr minvalue 1 maxvalue 4294967295 no cycle;

create index addr_parent_name_grade on addr (parentid, name, grade);
create index addr_name_grade_parent on addr (name text_pattern_ops, grade, parentid);
create index addr_ref_std_old on addr_ref (stdaddrid, oldid);
create index addr_ref_old_std on addr_ref (oldid, stdaddrid);
create index telnum_dp97_dpid on telnum_dp97 (dpid, telnum);
create index telnum_dp97_telnum on telnum_dp97 (telnum, dpid);
create index addr_name_trgm on addr using gin (name gin_trgm_ops) with (gin_pending_list_limit = 128);
create index dpaddr97_addr_trgm on dpaddr97 using gin (addr gin_trgm_ops);
