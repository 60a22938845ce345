-- header; with 'quote
SELECT a, /* block; comment */ b
  FROM t -- trailing
  WHERE x = 4/2 - 1;/* open comment at the end