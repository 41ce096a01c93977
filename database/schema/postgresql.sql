-- The standard-address database on PostgreSQL.
--
-- Indexes: every statement the system issues finds its rows through one of these, except the
-- like '%...%' searches on addr.name and dpaddr97.addr, which read the whole column by nature.
-- addr.name is indexed with text_pattern_ops so that "name like 'x%'" can use the index whatever
-- the database's collation; the same index serves "name='x'".

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

create index addr_parent_name on addr (parentid, name);
create index addr_name_grade on addr (name text_pattern_ops, grade);
create index addr_ref_std_old on addr_ref (stdaddrid, oldid);
create index addr_ref_old on addr_ref (oldid);
create index telnum_dp97_dpid on telnum_dp97 (dpid, telnum);
create index telnum_dp97_telnum on telnum_dp97 (telnum, dpid);
