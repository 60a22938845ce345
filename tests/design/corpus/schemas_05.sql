-- Personal wiki / note-taking app: notebooks, pages, revisions, tags, links and settings.

CREATE TABLE notebooks (
    id          INTEGER PRIMARY KEY,
    title       TEXT NOT NULL,
    "group"     TEXT DEFAULT 'default',   -- shown as a folder in the side bar
    "order"     INTEGER DEFAULT 0,        -- manual sort order (drag and drop)
    icon        TEXT DEFAULT '📓',
    UNIQUE ("group", title)
);

CREATE TABLE pages (
    id          INTEGER PRIMARY KEY AUTOINCREMENT,
    notebook_id INTEGER NOT NULL REFERENCES notebooks(id) ON DELETE CASCADE,
    parent_id   INTEGER REFERENCES pages(id) ON DELETE CASCADE,  -- sub pages
    slug        TEXT NOT NULL COLLATE NOCASE,
    title       TEXT NOT NULL DEFAULT 'Untitled',
    body        TEXT NOT NULL DEFAULT '',
    format      TEXT NOT NULL DEFAULT 'markdown' CHECK (format IN ('markdown', 'plain', 'html')),
    pinned      BOOLEAN DEFAULT FALSE,
    created     TEXT DEFAULT CURRENT_TIMESTAMP,
    modified    TEXT DEFAULT CURRENT_TIMESTAMP,
    deleted     TEXT DEFAULT NULL,            /* soft delete: trash can */
    word_count  INTEGER GENERATED ALWAYS AS (length(body) - length(replace(body, ' ', '')) + 1) STORED,
    UNIQUE (notebook_id, slug)
);

CREATE TABLE revisions (
    page_id     INTEGER NOT NULL REFERENCES pages ON DELETE CASCADE,
    rev         INTEGER NOT NULL,
    saved_at    TEXT NOT NULL DEFAULT (datetime('now')),
    body        TEXT,
    diff        BLOB,                       -- zlib compressed, see RevisionStore::pack()
    PRIMARY KEY (page_id, rev DESC)
) WITHOUT ROWID;

CREATE TABLE tags (
    name    TEXT PRIMARY KEY COLLATE NOCASE
            CONSTRAINT tag_name_chars CHECK (name NOT GLOB '*[ ,;()]*'),
    colour  TEXT
) WITHOUT ROWID;

CREATE TABLE page_tags (
    page_id INTEGER REFERENCES pages(id) ON DELETE CASCADE,
    tag     TEXT REFERENCES tags(name) ON DELETE CASCADE ON UPDATE CASCADE,
    PRIMARY KEY (page_id, tag)
);

CREATE TABLE links (
    from_page INTEGER NOT NULL REFERENCES pages(id) ON DELETE CASCADE,
    to_page   INTEGER REFERENCES pages(id) ON DELETE SET NULL,
    target    TEXT NOT NULL,     -- raw link text, e.g. [[Some page|label]]
    broken    AS (to_page IS NULL),
    UNIQUE (from_page, target)
);

/* Key/value settings.  Column names were chosen years ago and collide with
   SQL keywords ("select", "default", "check", "unique", "constraint") --
   they have to be quoted everywhere. */
CREATE TABLE settings (
    "key"        TEXT PRIMARY KEY,
    "select"     TEXT,                      -- allowed values, comma separated: 'a,b,c'
    "default"    TEXT DEFAULT '',
    "check"      TEXT,                      -- validation regex, e.g. '^[0-9]+(px|em)$'
    "unique"     BOOLEAN DEFAULT 0,
    "constraint" TEXT DEFAULT 'none',       -- not a CONSTRAINT, just a label
    value        TEXT
) WITHOUT ROWID;

CREATE TABLE [attachments] (
    [id]          INTEGER PRIMARY KEY,
    [page id]     INTEGER NOT NULL REFERENCES pages ([id]) ON DELETE CASCADE,
    [file name]   TEXT NOT NULL,
    [mime]        TEXT DEFAULT 'application/octet-stream',
    [data]        BLOB NOT NULL DEFAULT X'',
    [size]        INTEGER AS (length([data])) STORED
);

CREATE TABLE `templates` (
    `id`          INTEGER PRIMARY KEY,
    `name`        TEXT NOT NULL UNIQUE,
    `body`        TEXT NOT NULL DEFAULT '# {{title}}',
    `for-notebook` INTEGER REFERENCES notebooks ON DELETE SET NULL,
    `created-at`  TEXT DEFAULT CURRENT_TIMESTAMP
);

CREATE TABLE reminders (
    id       INTEGER PRIMARY KEY,
    page_id  INTEGER NOT NULL REFERENCES pages (id) ON DELETE CASCADE,
    due      TEXT NOT NULL,
    repeat   TEXT CHECK (repeat IS NULL OR repeat IN ('daily', 'weekly', 'monthly')),
    done     BOOLEAN NOT NULL DEFAULT FALSE,
    message  TEXT DEFAULT 'Don''t forget: (see page)'
);

CREATE INDEX pages_notebook ON pages (notebook_id, pinned DESC, modified DESC) WHERE deleted IS NULL;
CREATE INDEX pages_trash ON pages (deleted) WHERE deleted IS NOT NULL;
CREATE INDEX pages_title ON pages (lower(title));
CREATE INDEX links_to ON links (to_page);
CREATE INDEX "notebooks by group" ON notebooks ("group", "order");
CREATE INDEX [attachments by page] ON [attachments] ([page id], [file name] COLLATE NOCASE);
CREATE UNIQUE INDEX `templates by name` ON `templates` (lower(`name`));
CREATE INDEX reminders_due ON reminders (due) WHERE NOT done;

CREATE TRIGGER pages_revision AFTER UPDATE OF body ON pages
FOR EACH ROW WHEN OLD.body IS NOT NEW.body
BEGIN
    INSERT INTO revisions (page_id, rev, body)
        VALUES (OLD.id, coalesce((SELECT max(rev) FROM revisions WHERE page_id = OLD.id), 0) + 1, OLD.body);
    UPDATE pages SET modified = CURRENT_TIMESTAMP WHERE id = NEW.id;
END;

CREATE TRIGGER pages_links_fix AFTER INSERT ON pages
BEGIN
    UPDATE links SET to_page = NEW.id
     WHERE to_page IS NULL AND (target = NEW.slug OR target LIKE NEW.slug || '|%');
END;

CREATE TRIGGER settings_guard BEFORE DELETE ON settings
FOR EACH ROW WHEN OLD."key" LIKE 'core.%'
BEGIN
    SELECT RAISE(FAIL, 'core settings cannot be deleted; reset them instead');
END;

CREATE VIEW page_tree AS
WITH RECURSIVE tree (id, title, depth, path) AS (
    SELECT id, title, 0, title FROM pages WHERE parent_id IS NULL AND deleted IS NULL
    UNION ALL
    SELECT p.id, p.title, t.depth + 1, t.path || ' / ' || p.title
      FROM pages p JOIN tree t ON p.parent_id = t.id
     WHERE p.deleted IS NULL
)
SELECT id, substr('                ', 1, depth * 2) || title AS indented, depth, path FROM tree;

CREATE VIEW tag_cloud (tag, pages) AS
    SELECT t.name, count(pt.page_id)
      FROM tags t LEFT JOIN page_tags pt ON pt.tag = t.name
     GROUP BY t.name;
