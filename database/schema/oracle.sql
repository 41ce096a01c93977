-- The standard-address database on Oracle, the dialect the system's statements are written in.
-- An empty string is NULL here, as the system expects. The indexes serve every statement the
-- system issues except the like '%...%' searches on addr.name and dpaddr97.addr.

create table addr (
    id number(10) primary key,
    name varchar2(400 char),         -- NULL where a level of a path has no name
    grade number(3) not null,
    parentid number(10) not null
);

create table addr_ref (
    stdaddrid number(10) not null,
    oldid varchar2(40 char) not null,
    refflag number(1) not null
);

create table dpaddr97 (
    num varchar2(40 char) primary key,
    addr varchar2(400 char)
);

create table telnum_dp97 (
    telnum varchar2(40 char) not null,
    dpid varchar2(40 char) not null
);

create sequence seq_addr start with 1 increment by 1 maxvalue 4294967295 nocycle nocache;

-- Both addr indexes hold parent, grade and name, so a look-up by all three reads one row through
-- either; the same holds for a link looked up by node and number.
create index addr_parent_name_grade on addr (parentid, name, grade);
create index addr_name_grade_parent on addr (name, grade, parentid);
create index addr_ref_std_old on addr_ref (stdaddrid, oldid);
create index addr_ref_old_std on addr_ref (oldid, stdaddrid);
create index telnum_dp97_dpid on telnum_dp97 (dpid, telnum);
create index telnum_dp97_telnum on telnum_dp97 (telnum, dpid);
