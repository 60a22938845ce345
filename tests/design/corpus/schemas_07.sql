-- School gradebook: terms, classes, students, enrolments, assignments and grades.

CREATE TABLE IF NOT EXISTS main.terms (
    id      INTEGER,
    name    TEXT NOT NULL UNIQUE,                 -- '2024/25 autumn'
    starts  DATE NOT NULL,
    ends    DATE NOT NULL,
    PRIMARY KEY (id AUTOINCREMENT),
    CHECK (ends > starts)
);

CREATE TABLE teachers (
    id          INTEGER PRIMARY KEY ASC,
    short       NOT NULL UNIQUE,          -- no type: 'MUE', 'SCH', ...
    name        TEXT NOT NULL,
    email       TEXT COLLATE NOCASE,
    room
);

CREATE TABLE subjects (
    code        PRIMARY KEY,              -- untyped primary key, e.g. 'MA', 'DE', 'PH'
    title       TEXT NOT NULL,
    weekly_hours INT DEFAULT 2 CHECK (weekly_hours BETWEEN 1 AND 8),
    colour      DEFAULT 'grey'
);

CREATE TABLE classes (
    id          INTEGER PRIMARY KEY,
    term_id     INTEGER NOT NULL REFERENCES terms (id) ON DELETE CASCADE,
    subject     REFERENCES subjects (code) ON UPDATE CASCADE,
    teacher_id  INTEGER REFERENCES teachers ON DELETE SET NULL,
    grade_level INTEGER NOT NULL CHECK (grade_level BETWEEN 1 AND 13),
    section     CHAR(1) NOT NULL DEFAULT 'a' COLLATE NOCASE,
    label       TEXT GENERATED ALWAYS AS (grade_level || upper(section) || ' ' || subject) VIRTUAL,
    UNIQUE (term_id, subject, grade_level, section)
);

CREATE TABLE students (
    id            INTEGER PRIMARY KEY DESC,   -- NOTE: DESC makes this NOT a rowid alias
    student_no    TEXT NOT NULL UNIQUE,
    last_name     TEXT NOT NULL,
    first_name    TEXT NOT NULL,
    born          DATE,
    guardian      TEXT,
    guardian_tel  TEXT,
    left_school   DATE DEFAULT NULL
);

CREATE TABLE enrolments (
    class_id    INTEGER NOT NULL REFERENCES classes (id) ON DELETE CASCADE,
    student_id  INTEGER NOT NULL REFERENCES students (id) ON DELETE CASCADE,
    joined      DATE DEFAULT CURRENT_DATE,
    PRIMARY KEY (class_id, student_id) ON CONFLICT IGNORE
) WITHOUT ROWID;

/* Grades are stored as numbers 1.0 .. 6.0 (1 = best); the UI shows "2-" as 2.25 and
   "1+" as 0.75, so the CHECK allows 0.75 too.  Do NOT add a CONSTRAINT on the step size. */
CREATE TABLE assignments (
    id          INTEGER PRIMARY KEY,
    class_id    INTEGER NOT NULL REFERENCES classes ON DELETE CASCADE,
    title       TEXT NOT NULL,
    kind        TEXT NOT NULL DEFAULT 'homework'
                CHECK (kind IN ('homework', 'test', 'exam', 'oral', 'project')),
    weight      REAL NOT NULL DEFAULT 1.0 CHECK (weight > 0),
    due         DATE,
    max_points  NUMERIC(5, 1)
);

CREATE TABLE grades (
    assignment_id INTEGER NOT NULL,
    student_id    INTEGER NOT NULL,
    points        REAL,
    grade         REAL CHECK (grade IS NULL OR grade BETWEEN 0.75 AND 6.0),
    comment       TEXT,
    entered_at    TEXT DEFAULT (datetime('now')),
    PRIMARY KEY (assignment_id, student_id),
    FOREIGN KEY (assignment_id) REFERENCES assignments (id) ON DELETE CASCADE,
    FOREIGN KEY (student_id) REFERENCES students ON DELETE CASCADE
) STRICT, WITHOUT ROWID;

CREATE TABLE absences (
    id          INTEGER PRIMARY KEY,
    student_id  INTEGER NOT NULL REFERENCES students ON DELETE CASCADE,
    day         TEXT NOT NULL,
    periods     INTEGER NOT NULL DEFAULT 1,
    excused     INTEGER NOT NULL DEFAULT 0,
    note        TEXT,
    UNIQUE (student_id, day)
) STRICT;

CREATE TABLE timetable (
    class_id  INTEGER NOT NULL REFERENCES classes (id) ON DELETE CASCADE,
    weekday   INTEGER NOT NULL CHECK (weekday BETWEEN 1 AND 5),
    period    INTEGER NOT NULL CHECK (period BETWEEN 1 AND 10),
    room      TEXT,
    PRIMARY KEY (weekday, period, class_id)
) STRICT;

CREATE INDEX classes_teacher ON classes (teacher_id, term_id);
CREATE INDEX students_name ON students (last_name COLLATE NOCASE, first_name COLLATE NOCASE);
CREATE INDEX students_active ON students (student_no) WHERE left_school IS NULL;
CREATE INDEX grades_student ON grades (student_id);
CREATE INDEX assignments_due ON assignments (class_id, due DESC);
CREATE UNIQUE INDEX timetable_room ON timetable (weekday, period, room) WHERE room IS NOT NULL;

CREATE VIEW report_card (student_id, class, average, assignments) AS
    SELECT g.student_id, c.label,
           round(sum(g.grade * a.weight) / sum(a.weight), 2),
           count(*)
      FROM grades g
      JOIN assignments a ON a.id = g.assignment_id
      JOIN classes c ON c.id = a.class_id
     WHERE g.grade IS NOT NULL
     GROUP BY g.student_id, c.id;

CREATE VIEW class_lists AS
    SELECT c.label AS class,
           s.last_name || ',  ' || s.first_name AS student,     -- two spaces on purpose (fixed-width print)
           t.short AS teacher
      FROM enrolments e
      JOIN classes c ON c.id = e.class_id
      JOIN students s ON s.id = e.student_id
      LEFT JOIN teachers t ON t.id = c.teacher_id
     WHERE s.left_school IS NULL;

CREATE TRIGGER grades_from_points BEFORE INSERT ON grades
FOR EACH ROW WHEN NEW.grade IS NULL AND NEW.points IS NOT NULL
BEGIN
    SELECT RAISE(ABORT, 'grade missing; compute it from points first')
     WHERE (SELECT max_points FROM assignments WHERE id = NEW.assignment_id) IS NULL;
END;

CREATE TRIGGER students_leave AFTER UPDATE OF left_school ON students
FOR EACH ROW WHEN NEW.left_school IS NOT NULL AND OLD.left_school IS NULL
BEGIN
    DELETE FROM enrolments
     WHERE student_id = NEW.id
       AND class_id IN (SELECT c.id FROM classes c JOIN terms t ON t.id = c.term_id WHERE t.starts > NEW.left_school);
    DELETE FROM absences WHERE student_id = NEW.id AND day > NEW.left_school;
END;
