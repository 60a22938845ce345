INSERT INTO t VALUES('a

   b
c', 2);
  
	  SELECT  x  
  FROM t;
