-- Issue tracker: projects, users, tickets, comments, labels and an audit log.

CREATE TABLE users (
    id          INTEGER PRIMARY KEY AUTOINCREMENT,
    login       TEXT NOT NULL UNIQUE COLLATE NOCASE,   -- shown in @mentions
    email       VARCHAR(255) NOT NULL,
    full_name   TEXT DEFAULT '',
    is_admin    BOOLEAN NOT NULL DEFAULT FALSE,
    is_active   BOOLEAN NOT NULL DEFAULT TRUE,
    created_at  DATETIME DEFAULT CURRENT_TIMESTAMP
);

CREATE TABLE projects (
	id INTEGER PRIMARY KEY,
	key TEXT NOT NULL UNIQUE CHECK (length(key) BETWEEN 2 AND 10),	-- e.g. 'CORE', 'WEB'
	name TEXT NOT NULL,
	description TEXT,
	owner_id INTEGER REFERENCES users(id) ON DELETE SET NULL,
	archived INT DEFAULT 0
);

/* Tickets.  The status list below must match the enum in the UI code
   (new, open, in progress, resolved, closed); keep them in sync! */
CREATE TABLE tickets (
    id            INTEGER PRIMARY KEY AUTOINCREMENT,
    project_id    INTEGER NOT NULL REFERENCES projects ON DELETE CASCADE,
    number        INTEGER NOT NULL,
    title         TEXT NOT NULL CHECK (title <> ''),
    body          TEXT,
    status        TEXT NOT NULL DEFAULT 'new'
                  CHECK (status IN ('new', 'open', 'in progress', 'resolved', 'closed')),
    priority      INT NOT NULL DEFAULT 3 CHECK (priority BETWEEN 1 AND 5),
    reporter_id   INTEGER REFERENCES users (id) ON DELETE SET NULL ON UPDATE CASCADE,
    assignee_id   INTEGER REFERENCES users (id) ON DELETE SET NULL,
    estimate_h    REAL DEFAULT 0.0,
    created_at    TEXT NOT NULL DEFAULT (datetime('now')),
    updated_at    TEXT,
    UNIQUE (project_id, number)
);

CREATE TABLE comments (
    id INTEGER PRIMARY KEY,
    ticket_id INTEGER NOT NULL
        REFERENCES tickets(id) ON DELETE CASCADE DEFERRABLE INITIALLY DEFERRED,
    author_id INTEGER REFERENCES users(id),
    reply_to INTEGER REFERENCES comments(id) ON DELETE SET NULL,  -- threads (self reference)
    body TEXT NOT NULL,
    edited BOOLEAN DEFAULT 0,
    posted_at TEXT DEFAULT CURRENT_TIMESTAMP
);

CREATE TABLE labels (
    id      INTEGER PRIMARY KEY,
    project_id INTEGER NOT NULL REFERENCES projects(id) ON DELETE CASCADE,
    name    TEXT NOT NULL COLLATE NOCASE,
    colour  CHAR(7) NOT NULL DEFAULT '#cccccc' CHECK (colour GLOB '#[0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F]'),
    CONSTRAINT labels_name_per_project UNIQUE (project_id, name) ON CONFLICT IGNORE
);

CREATE TABLE ticket_labels (
    ticket_id INTEGER NOT NULL REFERENCES tickets(id) ON DELETE CASCADE,
    label_id  INTEGER NOT NULL REFERENCES labels(id) ON DELETE CASCADE,
    PRIMARY KEY (ticket_id, label_id)
) WITHOUT ROWID;

CREATE TABLE watchers (
    ticket_id INTEGER NOT NULL,
    user_id   INTEGER NOT NULL,
    since     TEXT DEFAULT CURRENT_DATE,
    PRIMARY KEY (user_id, ticket_id) ON CONFLICT REPLACE,
    FOREIGN KEY (ticket_id) REFERENCES tickets (id) ON DELETE CASCADE,
    FOREIGN KEY (user_id) REFERENCES users ON DELETE CASCADE
);

CREATE TABLE attachments (
    id          INTEGER PRIMARY KEY AUTOINCREMENT,
    ticket_id   INTEGER NOT NULL REFERENCES tickets(id) ON DELETE CASCADE,
    file_name   VARCHAR(255) NOT NULL,
    mime_type   VARCHAR(100) DEFAULT 'application/octet-stream',
    size_bytes  UNSIGNED BIG INT NOT NULL DEFAULT 0 CHECK (size_bytes >= 0),
    sha1        BLOB CHECK (sha1 IS NULL OR length(sha1) = 20),
    content     BLOB,
    uploaded_by INTEGER REFERENCES users
);

CREATE TABLE time_entries (
    id INTEGER PRIMARY KEY,
    ticket_id INTEGER NOT NULL REFERENCES tickets(id) ON DELETE CASCADE,
    user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE RESTRICT,
    started TEXT NOT NULL,
    minutes INTEGER NOT NULL CHECK (minutes > 0 AND minutes <= 24*60),
    hours REAL GENERATED ALWAYS AS (round(minutes / 60.0, 2)) VIRTUAL,
    note TEXT DEFAULT NULL
);

CREATE TABLE IF NOT EXISTS audit_log (
    id INTEGER PRIMARY KEY,
    at TEXT NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ', 'now')),
    user_id INTEGER,            -- no FK on purpose: log survives user deletion
    action TEXT NOT NULL,       -- 'create', 'update', 'delete'
    entity TEXT NOT NULL,
    entity_id INTEGER,
    details TEXT
);

/* Saved filters of the ticket list; "query" holds the filter text as typed,
   e.g. status:open, label:(ui OR "crash report") -- no CONSTRAINT on its syntax. */
CREATE TABLE saved_searches (
    id         INTEGER PRIMARY KEY,
    owner_id   INTEGER NOT NULL DEFAULT 1 REFERENCES users (id) ON DELETE SET DEFAULT,  -- 1 = admin
    name       VARCHAR(60) NOT NULL COLLATE RTRIM,
    query      TEXT NOT NULL COLLATE BINARY,
    columns    INTEGER DEFAULT 0x1F,          -- bit mask of visible list columns
    shared     BOOLEAN DEFAULT FALSE,
    greeting   TEXT DEFAULT 'it''s',
    UNIQUE (owner_id, name)
);

CREATE UNIQUE INDEX users_email_idx ON users (lower(email));
CREATE INDEX tickets_status_idx ON tickets (project_id, status) WHERE status <> 'closed';
CREATE INDEX tickets_assignee_idx ON tickets (assignee_id, priority DESC);
CREATE INDEX comments_ticket_idx ON comments (ticket_id, posted_at);
CREATE INDEX saved_searches_name ON saved_searches (name COLLATE RTRIM, owner_id);
CREATE INDEX IF NOT EXISTS audit_entity_idx ON audit_log (entity, entity_id);

CREATE TRIGGER tickets_touch AFTER UPDATE OF title, body, status, priority, assignee_id ON tickets
FOR EACH ROW
BEGIN
    UPDATE tickets SET updated_at = datetime('now') WHERE id = NEW.id;
    INSERT INTO audit_log (user_id, action, entity, entity_id, details)
        VALUES (NEW.assignee_id, 'update', 'ticket', NEW.id, 'status: ' || OLD.status || ' -> ' || NEW.status || ';');
END;

CREATE TRIGGER tickets_number BEFORE INSERT ON tickets
WHEN NEW.number IS NULL OR NEW.number <= 0
BEGIN
    SELECT RAISE(ABORT, 'ticket number must be positive; use the next free one');
END;

CREATE TRIGGER comments_delete AFTER DELETE ON comments
BEGIN
    INSERT INTO audit_log (action, entity, entity_id, details)
        VALUES ('delete', 'comment', OLD.id, 'removed; END of thread?');
END;

CREATE VIEW open_tickets AS
    SELECT t.id, p.key || '-' || t.number AS ref, t.title, t.priority,
           u.login AS assignee
      FROM tickets t
      JOIN projects p ON p.id = t.project_id
      LEFT JOIN users u ON u.id = t.assignee_id
     WHERE t.status NOT IN ('resolved', 'closed');

CREATE VIEW ticket_hours (ticket_id, total_hours, entries) AS
    SELECT ticket_id, sum(hours), count(*) FROM time_entries GROUP BY ticket_id;
