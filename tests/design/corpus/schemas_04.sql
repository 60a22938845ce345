-- Music player library: artists, albums, tracks, playlists and play statistics.

CREATE TABLE IF NOT EXISTS Artists (
    ArtistId    INTEGER PRIMARY KEY,
    Name        TEXT NOT NULL COLLATE NOCASE,
    SortName    TEXT COLLATE NOCASE,          -- "Beatles, The"
    Country     TEXT,
    MBID        TEXT UNIQUE,                  /* MusicBrainz-style id, 36 chars */
    CONSTRAINT ArtistName_UQ UNIQUE (Name, Country)
);

CREATE TABLE IF NOT EXISTS Albums (
    AlbumId     INTEGER PRIMARY KEY,
    ArtistId    INTEGER REFERENCES Artists (ArtistId) ON DELETE CASCADE,
    Title       TEXT NOT NULL,
    Year        INTEGER CHECK (Year IS NULL OR Year BETWEEN 1877 AND 2100),
    Genre       TEXT,
    Compilation BOOLEAN DEFAULT FALSE,
    Cover       BLOB,
    DiscCount   INT DEFAULT 1
);

CREATE TABLE Tracks (
    TrackId     INTEGER PRIMARY KEY AUTOINCREMENT,
    AlbumId     INTEGER REFERENCES Albums ON DELETE SET NULL,
    DiscNo      INTEGER DEFAULT 1,
    TrackNo     INTEGER,
    Title       TEXT NOT NULL ON CONFLICT REPLACE DEFAULT 'Unknown title',
    Path        TEXT NOT NULL UNIQUE ON CONFLICT IGNORE,   -- absolute file path
    DurationMs  INTEGER NOT NULL DEFAULT 0 CHECK (DurationMs >= 0),
    Duration    TEXT AS (printf('%d:%02d', DurationMs / 60000, (DurationMs / 1000) % 60)),
    Bitrate     SMALLINT,
    SampleRate  MEDIUMINT DEFAULT 44100,
    Rating      TINYINT DEFAULT NULL CHECK (Rating IN (1, 2, 3, 4, 5)),
    Bpm         REAL,
    ReplayGain  DOUBLE PRECISION DEFAULT -6.5,
    AddedAt     INTEGER DEFAULT (strftime('%s', 'now')),
    Lyrics      TEXT
);

CREATE TABLE TrackArtists (
    TrackId   INTEGER NOT NULL REFERENCES Tracks (TrackId) ON DELETE CASCADE,
    ArtistId  INTEGER NOT NULL REFERENCES Artists (ArtistId) ON DELETE CASCADE,
    Role      TEXT NOT NULL DEFAULT 'main' CHECK (Role IN ('main', 'featuring', 'remixer', 'composer')),
    PRIMARY KEY (TrackId, ArtistId, Role)
) WITHOUT ROWID;

CREATE TABLE Playlists (
    PlaylistId  INTEGER PRIMARY KEY,
    Name        TEXT NOT NULL UNIQUE,
    Smart       BOOLEAN NOT NULL DEFAULT 0,
    Rule        TEXT,                      -- e.g. 'Rating >= 4 AND Genre = ''Jazz'''
    ParentId    INTEGER REFERENCES Playlists ON DELETE CASCADE,
    CHECK (Smart = 0 OR Rule IS NOT NULL)
);

CREATE TABLE PlaylistEntries (
    PlaylistId INTEGER NOT NULL,
    Position   INTEGER NOT NULL,
    TrackId    INTEGER NOT NULL,
    PRIMARY KEY (PlaylistId, Position),
    FOREIGN KEY (PlaylistId) REFERENCES Playlists (PlaylistId) ON DELETE CASCADE,
    FOREIGN KEY (TrackId) REFERENCES Tracks (TrackId) ON DELETE CASCADE
) WITHOUT ROWID;

/* Play statistics are written by the audio thread, so this table is STRICT
   to catch type mistakes (e.g. a float where INT was meant). */
CREATE TABLE Plays (
    PlayId    INTEGER PRIMARY KEY,
    TrackId   INTEGER NOT NULL REFERENCES Tracks (TrackId) ON DELETE CASCADE,
    PlayedAt  INT NOT NULL,
    Seconds   REAL NOT NULL DEFAULT 0.0,
    Skipped   INT NOT NULL DEFAULT 0 CHECK (Skipped IN (0, 1)),
    Device    TEXT,
    Extra     ANY
) STRICT;

CREATE TABLE Artwork (
    Hash    BLOB PRIMARY KEY,
    Width   INT NOT NULL,
    Height  INT NOT NULL,
    Format  TEXT NOT NULL DEFAULT 'jpeg',
    Data    BLOB NOT NULL,
    Pixels  INT GENERATED ALWAYS AS (Width * Height) VIRTUAL
) WITHOUT ROWID, STRICT;

CREATE TABLE Équaliseur (
    Préréglage  TEXT PRIMARY KEY,            -- preset names come from the French UI
    Bänder      TEXT NOT NULL DEFAULT '0,0,0,0,0,0,0,0,0,0',
    Vorverstärkung REAL DEFAULT 0,
    "Größe (dB)" REAL DEFAULT 12.0
);

CREATE TABLE "Scan Folders" (
    "Folder Path"   TEXT PRIMARY KEY,
    "Watch?"        BOOLEAN DEFAULT TRUE,
    "Last Scan"     DATETIME,
    "Exclude Glob"  TEXT DEFAULT '*.tmp'
);

CREATE INDEX Tracks_Album ON Tracks (AlbumId, DiscNo, TrackNo);
CREATE INDEX Tracks_Title ON Tracks (Title COLLATE NOCASE);
CREATE INDEX Tracks_Rated ON Tracks (Rating DESC) WHERE Rating IS NOT NULL;
CREATE INDEX Plays_Track_Time ON Plays (TrackId, PlayedAt DESC);
CREATE INDEX Albums_Year ON Albums (Year DESC, Title);
CREATE INDEX "Scan Folders by time" ON "Scan Folders" ("Last Scan" DESC);

CREATE VIEW TrackList AS
    SELECT t.TrackId, a.Title AS Album, ar.Name AS Artist, t.TrackNo, t.Title, t.Duration
      FROM Tracks t
      LEFT JOIN Albums a ON a.AlbumId = t.AlbumId
      LEFT JOIN Artists ar ON ar.ArtistId = a.ArtistId
     ORDER BY ar.SortName, a.Year, t.DiscNo, t.TrackNo;

CREATE VIEW TopTracks (TrackId, Title, PlayCount, LastPlayed) AS
    WITH counted AS (
        SELECT TrackId, count(*) AS n, max(PlayedAt) AS last
          FROM Plays WHERE Skipped = 0 GROUP BY TrackId
    )
    SELECT t.TrackId, t.Title, c.n, datetime(c.last, 'unixepoch')
      FROM counted c JOIN Tracks t USING (TrackId)
     WHERE c.n >= (SELECT avg(n) FROM counted)
     ORDER BY c.n DESC LIMIT 100;

CREATE TRIGGER Playlist_Renumber AFTER DELETE ON PlaylistEntries
FOR EACH ROW
BEGIN
    UPDATE PlaylistEntries SET Position = Position - 1
     WHERE PlaylistId = OLD.PlaylistId AND Position > OLD.Position;
END;

CREATE TRIGGER Tracks_Rating_Guard BEFORE UPDATE OF Rating ON Tracks
FOR EACH ROW WHEN NEW.Rating = 0
BEGIN
    SELECT CASE WHEN OLD.Rating IS NULL THEN RAISE(IGNORE)
                ELSE RAISE(ABORT, 'use NULL instead of 0 to clear a rating')
           END;
END;
