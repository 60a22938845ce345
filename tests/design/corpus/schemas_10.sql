-- Fitness tracker and home sensor hub: devices, readings, workouts, heart rate zones, goals.

CREATE TABLE devices (
    id          INTEGER PRIMARY KEY,
    serial      TEXT NOT NULL UNIQUE,
    model       TEXT NOT NULL,
    firmware    TEXT DEFAULT '0.0.0',
    mac         BLOB CHECK (mac IS NULL OR length(mac) = 6),
    paired_at   TEXT DEFAULT CURRENT_TIMESTAMP,
    battery_pct INTEGER CHECK (battery_pct BETWEEN 0 AND 100),
    poll_ms     INTEGER NOT NULL DEFAULT 0x3E8,          -- 1000 ms
    flags       INTEGER NOT NULL DEFAULT 0x0,
    enabled     BOOLEAN NOT NULL DEFAULT TRUE
);

CREATE TABLE sensors (
    device_id   INTEGER NOT NULL REFERENCES devices ON DELETE CASCADE,
    channel     INTEGER NOT NULL,
    quantity    TEXT NOT NULL CHECK (quantity IN ('temperature', 'humidity', 'pressure', 'heart rate', 'steps', 'co2')),
    unit        TEXT NOT NULL,
    scale       REAL NOT NULL DEFAULT 1.0,
    offset      REAL NOT NULL DEFAULT 0.0,
    min_valid   REAL DEFAULT -1e5,
    max_valid   REAL DEFAULT 1e5,
    resolution  REAL DEFAULT 1.5E-3,
    PRIMARY KEY (device_id, channel)
) WITHOUT ROWID;

CREATE TABLE readings (
    device_id  INTEGER NOT NULL,
    channel    INTEGER NOT NULL,
    ts         INTEGER NOT NULL,     -- unix epoch milliseconds
    raw        REAL NOT NULL,
    value      REAL,
    quality    INTEGER NOT NULL DEFAULT 100,
    PRIMARY KEY (device_id, channel, ts DESC),
    FOREIGN KEY (device_id, channel) REFERENCES sensors (device_id, channel) ON DELETE CASCADE
) STRICT, WITHOUT ROWID;

CREATE TABLE hourly (
    device_id INTEGER NOT NULL,
    channel   INTEGER NOT NULL,
    hour      INTEGER NOT NULL,
    n         INTEGER NOT NULL DEFAULT 0,
    sum       REAL NOT NULL DEFAULT 0,
    min       REAL,
    max       REAL,
    avg       REAL GENERATED ALWAYS AS (CASE WHEN n > 0 THEN sum / n END) VIRTUAL,
    "24h_avg" REAL,
    PRIMARY KEY (device_id, channel, hour),
    FOREIGN KEY (device_id, channel) REFERENCES sensors ON DELETE CASCADE
) STRICT;

CREATE TABLE profile (
    id            INTEGER PRIMARY KEY CHECK (id = 1),
    name          TEXT,
    birth_year    INTEGER CHECK (birth_year > 1900),
    sex           TEXT CHECK (sex IN ('f', 'm', 'd')),
    height_cm     REAL,
    weight_kg     REAL,
    rest_hr       INTEGER DEFAULT 60,
    max_hr        INTEGER GENERATED ALWAYS AS (220 - (2024 - birth_year)) STORED,
    step_goal     INTEGER DEFAULT 10000,
    units         TEXT NOT NULL DEFAULT 'metric' CHECK (units IN ('metric', 'imperial'))
);

CREATE TABLE workouts (
    id           INTEGER PRIMARY KEY AUTOINCREMENT,
    device_id    INTEGER REFERENCES devices (id) ON DELETE SET NULL,
    sport        TEXT NOT NULL DEFAULT 'run',
    started_at   INTEGER NOT NULL,
    ended_at     INTEGER,
    duration_s   INTEGER AS (ended_at - started_at),
    distance_m   DOUBLE PRECISION DEFAULT .0,
    ascent_m     FLOAT DEFAULT 0.,
    kcal         INTEGER,
    avg_hr       SMALLINT,
    pace_s_km    REAL GENERATED ALWAYS AS (CASE WHEN distance_m > 0 THEN (ended_at - started_at) / (distance_m / 1000.0) END) VIRTUAL,
    gpx          BLOB,
    title        TEXT DEFAULT (strftime('%d.%m.%Y', 'now') || ' workout'),
    CHECK (ended_at IS NULL OR ended_at >= started_at)
);

CREATE TABLE laps (
    workout_id  INTEGER NOT NULL REFERENCES workouts ON DELETE CASCADE,
    lap         INTEGER NOT NULL CHECK (lap > 0),
    split_s     REAL NOT NULL,
    distance_m  REAL NOT NULL DEFAULT 1000,
    avg_hr      INTEGER,
    PRIMARY KEY (workout_id, lap)
) STRICT, WITHOUT ROWID;

CREATE TABLE hr_zones (
    zone    INTEGER PRIMARY KEY CHECK (zone BETWEEN 1 AND 5),
    name    TEXT NOT NULL UNIQUE,
    lo_pct  REAL NOT NULL,
    hi_pct  REAL NOT NULL,
    colour  TEXT DEFAULT 'grey',
    CONSTRAINT zone_range CHECK (lo_pct < hi_pct AND hi_pct <= 1.0)
);

CREATE TABLE goals (
    id       INTEGER PRIMARY KEY,
    metric   TEXT NOT NULL CHECK (metric IN ('steps', 'distance', 'kcal', 'workouts')),
    period   TEXT NOT NULL DEFAULT 'week' CHECK (period IN ('day', 'week', 'month')),
    target   REAL NOT NULL CHECK (target > 0),
    since    DATE NOT NULL DEFAULT CURRENT_DATE,
    until    DATE DEFAULT NULL,
    UNIQUE (metric, period, since) ON CONFLICT REPLACE
);

CREATE TABLE alerts (
    id         INTEGER PRIMARY KEY,
    device_id  INTEGER NOT NULL,
    channel    INTEGER NOT NULL,
    op         TEXT NOT NULL CHECK (op IN ('<', '<=', '>', '>=', '=', '<>')),
    threshold  REAL NOT NULL,
    hysteresis REAL DEFAULT 0.5,
    message    TEXT NOT NULL DEFAULT 'Value out of range: check the sensor (and its battery)',
    active     BOOLEAN DEFAULT 1,
    last_fired INTEGER,
    FOREIGN KEY (device_id, channel) REFERENCES sensors (device_id, channel)
        ON DELETE CASCADE ON UPDATE CASCADE DEFERRABLE INITIALLY IMMEDIATE
);

CREATE INDEX readings_ts ON readings (ts);
CREATE INDEX workouts_start ON workouts (started_at DESC);
CREATE INDEX workouts_sport ON workouts (sport COLLATE NOCASE, started_at DESC);
CREATE INDEX devices_low_battery ON devices (battery_pct) WHERE battery_pct < 20 AND enabled;
CREATE INDEX hourly_day ON hourly (device_id, channel, hour / 24);
CREATE UNIQUE INDEX alerts_unique ON alerts (device_id, channel, op, threshold) WHERE active;

CREATE VIEW daily_steps (day, steps) AS
    SELECT date(h.hour * 3600, 'unixepoch'), sum(h.sum)
      FROM hourly h
      JOIN sensors s ON s.device_id = h.device_id AND s.channel = h.channel
     WHERE s.quantity = 'steps'
     GROUP BY 1;

CREATE VIEW workout_stats AS
WITH w AS (
    SELECT sport, duration_s, distance_m,
           row_number() OVER (PARTITION BY sport ORDER BY distance_m DESC) AS rank_dist
      FROM workouts WHERE ended_at IS NOT NULL
)
SELECT sport, count(*) AS sessions, sum(duration_s) AS total_s,
       max(CASE WHEN rank_dist = 1 THEN distance_m END) AS longest_m
  FROM w GROUP BY sport;

CREATE TRIGGER readings_scale AFTER INSERT ON readings
FOR EACH ROW WHEN NEW.value IS NULL
BEGIN
    UPDATE readings
       SET value = NEW.raw * (SELECT scale FROM sensors WHERE device_id = NEW.device_id AND channel = NEW.channel)
                 + (SELECT offset FROM sensors WHERE device_id = NEW.device_id AND channel = NEW.channel)
     WHERE device_id = NEW.device_id AND channel = NEW.channel AND ts = NEW.ts;
    INSERT INTO hourly (device_id, channel, hour, n, sum, min, max)
         VALUES (NEW.device_id, NEW.channel, NEW.ts / 3600000, 1, NEW.raw, NEW.raw, NEW.raw)
    ON CONFLICT (device_id, channel, hour) DO UPDATE
         SET n = n + 1, sum = sum + excluded.sum,
             min = min(min, excluded.min), max = max(max, excluded.max);
END;

CREATE TRIGGER devices_disable AFTER UPDATE OF enabled ON devices
FOR EACH ROW WHEN NOT NEW.enabled
BEGIN
    UPDATE alerts SET active = 0
     WHERE device_id = NEW.id;
END;
