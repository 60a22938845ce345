-- Blog / small CMS: authors, posts, revisions, comments, menus, redirects and a job queue.

CREATE /* authors of posts */ TABLE authors (
    id            INTEGER PRIMARY KEY AUTOINCREMENT,
    username      VARCHAR(/* max */ 40) NOT NULL UNIQUE ON CONFLICT FAIL,
    display_name  VARCHAR ( 100 ),
    email         VARCHAR(255) NOT NULL COLLATE NOCASE,
    password_hash BLOB NOT NULL,
    "2fa_secret"  BLOB DEFAULT NULL,          -- NULL = two-factor login disabled
    role          TEXT NOT NULL DEFAULT 'editor' CHECK (role IN ('admin', 'editor', 'author', 'guest')),
    bio           TEXT DEFAULT 'Writes about (mostly) SQL, "databases" and other things.'
);

CREATE TABLE posts (
    id          INTEGER PRIMARY KEY,
    author_id   INTEGER NOT NULL REFERENCES authors (id) ON DELETE RESTRICT MATCH FULL,
    slug        TEXT NOT NULL UNIQUE CHECK (slug = lower(slug) AND slug NOT LIKE '% %'),
    title       TEXT NOT NULL,
    excerpt     TEXT,
    body        TEXT NOT NULL DEFAULT '',
    status      TEXT NOT NULL DEFAULT 'draft' /* draft, scheduled, published, trash */
                CHECK (status IN ('draft', 'scheduled', 'published', 'trash')),
    publish_at  TEXT,
    updated_at  TEXT DEFAULT CURRENT_TIMESTAMP,
    views       UNSIGNED BIG INT DEFAULT 0,
    allow_comments BOOLEAN DEFAULT TRUE,
    CONSTRAINT posts_schedule CHECK (status <> 'scheduled' OR publish_at IS NOT NULL)
);

CREATE TABLE post_revisions (
    post_id   INTEGER NOT NULL REFERENCES posts ON DELETE CASCADE,
    saved_at  TEXT NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%f', 'now')),
    author_id INTEGER REFERENCES authors ON DELETE SET NULL,
    title     TEXT,
    body      TEXT,
    PRIMARY KEY (post_id, saved_at)
) WITHOUT ROWID;

CREATE TABLE comments (
    id         INTEGER PRIMARY KEY,
    post_id    INTEGER NOT NULL REFERENCES posts (id) ON DELETE CASCADE,
    parent_id  INTEGER REFERENCES comments (id) ON DELETE CASCADE,   -- threaded comments
    name       TEXT NOT NULL DEFAULT 'Anonymous',
    email      TEXT,
    url        TEXT CHECK (url IS NULL OR url LIKE 'http://%' OR url LIKE 'https://%'),
    body       TEXT NOT NULL CHECK (length(body) <= 10000),
    ip         BLOB,
    approved   INTEGER NOT NULL DEFAULT 0 CHECK (approved IN (-1, 0, 1)),   /* -1 = spam */
    posted_at  TEXT DEFAULT CURRENT_TIMESTAMP
);

CREATE TABLE "select" (            -- "select" = editor's picks (name chosen by the customer)
    post_id     INTEGER PRIMARY KEY REFERENCES posts ON DELETE CASCADE,
    "order"     INTEGER NOT NULL UNIQUE,
    "default"   BOOLEAN DEFAULT FALSE,
    picked_by   INTEGER REFERENCES authors DEFERRABLE
);

CREATE TABLE taxonomy (
    id        INTEGER PRIMARY KEY,
    kind      TEXT NOT NULL CHECK (kind IN ('category', 'tag')),
    name      TEXT NOT NULL,
    slug      TEXT NOT NULL,
    parent_id INTEGER,
    UNIQUE (kind, slug) ON CONFLICT ROLLBACK,
    FOREIGN KEY (parent_id) REFERENCES taxonomy (id) ON DELETE SET NULL
);

CREATE TABLE post_terms (post_id INTEGER NOT NULL REFERENCES posts ON DELETE CASCADE, term_id INTEGER NOT NULL REFERENCES taxonomy ON DELETE CASCADE, PRIMARY KEY (post_id, term_id)) WITHOUT ROWID; -- one line

CREATE TABLE menu_items (
    id        INTEGER PRIMARY KEY,
    menu      TEXT NOT NULL DEFAULT 'main',
    parent_id INTEGER REFERENCES menu_items ON DELETE CASCADE,
    position  INTEGER NOT NULL DEFAULT 0,
    label     TEXT NOT NULL,
    post_id   INTEGER REFERENCES posts (id) ON DELETE SET NULL,
    href      TEXT,
    target    TEXT DEFAULT '_self' CHECK (target IN ('_self', '_blank')),
    CHECK ((post_id IS NULL) <> (href IS NULL))    -- exactly one of them; no CONSTRAINT name needed
);

CREATE TABLE redirects (
    from_path  TEXT PRIMARY KEY CHECK (substr(from_path, 1, 1) = '/'),
    to_path    TEXT NOT NULL,
    code       INTEGER NOT NULL DEFAULT 301 CHECK (code IN (301, 302, 307, 308)),
    hits       INTEGER DEFAULT 0,
    created    TEXT DEFAULT CURRENT_DATE
) WITHOUT ROWID;

CREATE TABLE IF NOT EXISTS jobs (
    id          INTEGER PRIMARY KEY AUTOINCREMENT,
    queue       TEXT NOT NULL DEFAULT 'default',
    payload     TEXT NOT NULL CHECK (json_valid(payload)),
    job_type    TEXT GENERATED ALWAYS AS (json_extract(payload, '$.type')) STORED NOT NULL,
    priority    INTEGER NOT NULL DEFAULT 0,
    attempts    INTEGER NOT NULL DEFAULT 0,
    run_after   TEXT NOT NULL DEFAULT (datetime('now')),
    locked_by   TEXT,
    error       TEXT
); CREATE INDEX jobs_ready ON jobs (queue, priority DESC, run_after) WHERE locked_by IS NULL;

CREATE INDEX posts_published ON posts (publish_at DESC) WHERE status = 'published';
CREATE INDEX posts_author ON posts (author_id, updated_at DESC);
CREATE INDEX comments_post ON comments (post_id, posted_at) WHERE approved = 1;
CREATE INDEX comments_moderation ON comments (posted_at) WHERE approved = 0;
CREATE UNIQUE INDEX authors_email ON authors (email COLLATE NOCASE);
CREATE INDEX menu_tree ON menu_items (menu, parent_id, position);
CREATE INDEX taxonomy_name ON taxonomy (kind, lower(name));

CREATE VIEW published_posts AS
    SELECT p.id, p.slug, p.title, a.display_name AS author, p.publish_at,
           (SELECT count(*) FROM comments c WHERE c.post_id = p.id AND c.approved = 1) AS comment_count
      FROM posts p JOIN authors a ON a.id = p.author_id
     WHERE p.status = 'published' AND p.publish_at <= datetime('now');

CREATE VIEW comment_queue (id, post, author, excerpt) AS
    SELECT c.id, p.title, c.name || '  <' || coalesce(c.email, '?') || '>', substr(c.body, 1, 60)
      FROM comments c JOIN posts p ON p.id = c.post_id
     WHERE c.approved = 0
     ORDER BY c.posted_at;

CREATE TRIGGER comment_queue_update INSTEAD OF UPDATE ON comment_queue
BEGIN
    UPDATE comments SET body = NEW.excerpt || substr(body, 61) WHERE id = OLD.id;
END;

CREATE TRIGGER comment_queue_delete INSTEAD OF DELETE ON comment_queue
FOR EACH ROW
BEGIN
    UPDATE comments SET approved = -1 WHERE id = OLD.id;   -- mark as spam; END of story
END;

CREATE TRIGGER posts_revision BEFORE UPDATE OF title, body ON posts
FOR EACH ROW WHEN OLD.title IS NOT NEW.title OR OLD.body IS NOT NEW.body
BEGIN
    INSERT INTO post_revisions (post_id, author_id, title, body)
        VALUES (OLD.id, OLD.author_id, OLD.title, OLD.body);
    UPDATE posts SET updated_at = CURRENT_TIMESTAMP WHERE id = OLD.id;
END;

CREATE TRIGGER posts_publish AFTER UPDATE OF status ON posts
FOR EACH ROW WHEN NEW.status = 'published' AND OLD.status <> 'published'
BEGIN
    UPDATE posts SET publish_at = coalesce(publish_at, datetime('now')) WHERE id = NEW.id;
    INSERT INTO jobs (queue, payload)
        VALUES ('mail', json_object('type', 'notify', 'post', NEW.id, 'note', 'BEGIN; ... END;'));
    INSERT OR REPLACE INTO redirects (from_path, to_path, code)
        SELECT '/?p=' || NEW.id, '/' || NEW.slug, 302;
END;

CREATE TRIGGER authors_protect_last_admin BEFORE DELETE ON authors
FOR EACH ROW WHEN OLD.role = 'admin' AND (SELECT count(*) FROM authors WHERE role = 'admin') = 1
BEGIN
    SELECT RAISE(ABORT, 'cannot delete the last admin (create another one first)');
END;
