CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, n INT DEFAULT 0);
CREATE TRIGGER t_count AFTER INSERT ON t BEGIN
  UPDATE t SET n = (SELECT count(*) FROM t) WHERE id = new.id;
END;
INSERT INTO t(name) VALUES ('one; with a semicolon'), ('two -- not a comment');
