select 1; -- commentDROP TABLE t;
