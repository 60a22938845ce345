create table t(a);
insert into t values('Ã¼');
insert into t values('ÿ');
