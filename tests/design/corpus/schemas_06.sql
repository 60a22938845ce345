-- Medical practice scheduler: patients, staff, rooms, appointments, prescriptions and invoices.

CREATE TABLE staff (
    staff_id    INTEGER CONSTRAINT staff_pk PRIMARY KEY,
    initials    VARCHAR(4) CONSTRAINT staff_initials_nn NOT NULL CONSTRAINT staff_initials_uq UNIQUE,
    name        VARCHAR(120) NOT NULL,
    role        VARCHAR(20) NOT NULL
                CONSTRAINT staff_role_ck CHECK (role IN ('doctor', 'nurse', 'reception', 'lab')),
    licence_no  VARCHAR(30),
    active      BOOLEAN DEFAULT TRUE,
    CONSTRAINT staff_licence_ck CHECK (role <> 'doctor' OR licence_no IS NOT NULL)
);

CREATE TABLE patients (
    patient_id   INTEGER PRIMARY KEY AUTOINCREMENT,
    mrn          CHAR(10) NOT NULL UNIQUE,               -- medical record number, e.g. '0000012345'
    surname      VARCHAR(80) NOT NULL ON CONFLICT ABORT,
    given_names  VARCHAR(120),
    birth_date   DATE NOT NULL CHECK (birth_date = date(birth_date)),
    sex          CHAR(1) CHECK (sex IN ('F', 'M', 'X', 'U')) DEFAULT 'U',
    phone        VARCHAR(30),
    insurer      TEXT,
    policy_no    TEXT,
    notes        TEXT,   /* free text: allergies, "difficult veins", etc. (not coded) */
    consent_sms  BOOLEAN NOT NULL DEFAULT 0,
    registered   DATE DEFAULT CURRENT_DATE,
    CONSTRAINT patients_policy_ck CHECK ((insurer IS NULL) = (policy_no IS NULL))
);

CREATE TABLE rooms (
    code     TEXT PRIMARY KEY NOT NULL,
    label    TEXT NOT NULL,
    floor    INTEGER DEFAULT 0,
    capacity INTEGER DEFAULT 1 CHECK (capacity > 0)
) WITHOUT ROWID;

CREATE TABLE appointment_types (
    code        TEXT PRIMARY KEY,
    description TEXT NOT NULL,
    minutes     INTEGER NOT NULL DEFAULT 15 CHECK (minutes % 5 = 0),
    colour      TEXT DEFAULT '#88aaff',
    fee         DECIMAL(8, 2) DEFAULT 0
);

CREATE TABLE appointments (
    id            INTEGER PRIMARY KEY,
    patient_id    INTEGER NOT NULL REFERENCES patients (patient_id) ON DELETE RESTRICT,
    staff_id      INTEGER NOT NULL REFERENCES staff (staff_id) ON DELETE RESTRICT DEFERRABLE,
    room          TEXT REFERENCES rooms (code) ON UPDATE CASCADE ON DELETE SET NULL,
    type          TEXT NOT NULL REFERENCES appointment_types (code),
    starts_at     TEXT NOT NULL,     -- local time 'YYYY-MM-DD HH:MM'
    minutes       INTEGER NOT NULL DEFAULT 15,
    ends_at       TEXT GENERATED ALWAYS AS (strftime('%Y-%m-%d %H:%M', starts_at, '+' || minutes || ' minutes')) VIRTUAL,
    status        TEXT NOT NULL DEFAULT 'booked'
                  CONSTRAINT appt_status CHECK (status IN ('booked', 'arrived', 'in room', 'done', 'no-show', 'cancelled')),
    reason        TEXT,
    booked_by     INTEGER REFERENCES staff (staff_id) ON DELETE SET NULL NOT DEFERRABLE INITIALLY IMMEDIATE,
    CONSTRAINT appt_length CHECK (minutes BETWEEN 5 AND 240),
    CONSTRAINT appt_slot UNIQUE (staff_id, starts_at) ON CONFLICT ABORT
);

CREATE TABLE vitals (
    appointment_id INTEGER NOT NULL REFERENCES appointments ON DELETE CASCADE,
    measured_at    TEXT NOT NULL DEFAULT CURRENT_TIME,
    systolic       SMALLINT CHECK (systolic BETWEEN 40 AND 300),
    diastolic      SMALLINT CHECK (diastolic BETWEEN 20 AND 200),
    pulse          SMALLINT,
    temp_c         DECIMAL(3, 1) CHECK (temp_c BETWEEN 30.0 AND 45.0),
    weight_kg      REAL,
    height_cm      REAL,
    bmi            REAL AS (CASE WHEN height_cm > 0 THEN round(weight_kg / ((height_cm / 100.0) * (height_cm / 100.0)), 1) END),
    PRIMARY KEY (appointment_id, measured_at)
);

CREATE TABLE medications (
    atc_code    VARCHAR(7) NOT NULL,
    name        VARCHAR(200) NOT NULL,
    strength    VARCHAR(40) NOT NULL DEFAULT '',
    form        TEXT CHECK (form IN ('tablet', 'capsule', 'syrup', 'injection', 'cream, ointment')),
    PRIMARY KEY (atc_code, name, strength)
);

CREATE TABLE prescriptions (
    id              INTEGER PRIMARY KEY,
    appointment_id  INTEGER NOT NULL REFERENCES appointments (id) ON DELETE CASCADE,
    atc_code        VARCHAR(7) NOT NULL,
    med_name        VARCHAR(200) NOT NULL,
    strength        VARCHAR(40) NOT NULL DEFAULT '',
    dosage          TEXT NOT NULL DEFAULT '1-0-1 (morning, evening)',
    days            INTEGER CHECK (days > 0),
    repeats         INTEGER NOT NULL DEFAULT 0,
    CONSTRAINT rx_med FOREIGN KEY (atc_code, med_name, strength)
        REFERENCES medications (atc_code, name, strength) ON UPDATE CASCADE ON DELETE NO ACTION
        DEFERRABLE INITIALLY DEFERRED
);

CREATE TABLE invoices (
    invoice_no    TEXT PRIMARY KEY CHECK (invoice_no LIKE 'INV-%'),
    patient_id    INTEGER NOT NULL REFERENCES patients ON DELETE RESTRICT,
    issued        DATE NOT NULL DEFAULT CURRENT_DATE,
    due           DATE,
    amount        DECIMAL(10, 2) NOT NULL DEFAULT 0.00,
    paid          DECIMAL(10, 2) NOT NULL DEFAULT 0.00,
    balance       DECIMAL(10, 2) GENERATED ALWAYS AS (amount - paid) STORED,
    text_footer   TEXT DEFAULT 'Payable within 14 days (no cash); thank you!',
    CHECK (paid <= amount)
) WITHOUT ROWID;

CREATE TABLE invoice_items (
    invoice_no     TEXT NOT NULL REFERENCES invoices ON DELETE CASCADE,
    appointment_id INTEGER REFERENCES appointments (id) ON DELETE SET NULL,
    description    TEXT NOT NULL,
    amount         DECIMAL(10, 2) NOT NULL
);

CREATE TABLE staff_shifts (
    staff_id   INTEGER NOT NULL DEFAULT 0 REFERENCES staff ON DELETE SET DEFAULT ON UPDATE CASCADE,
    day        DATE NOT NULL,
    shift      TEXT NOT NULL COLLATE BINARY CHECK (shift IN ('E', 'L', 'N')),   -- early, late, night
    room       TEXT COLLATE RTRIM REFERENCES rooms ON DELETE SET NULL,
    PRIMARY KEY (staff_id, day, shift)
);

CREATE INDEX appt_patient ON appointments (patient_id, starts_at DESC);
CREATE INDEX appt_day ON appointments (substr(starts_at, 1, 10), staff_id);
CREATE INDEX appt_active ON appointments (starts_at) WHERE status IN ('booked', 'arrived', 'in room');
CREATE INDEX patients_name ON patients (surname COLLATE NOCASE, given_names COLLATE NOCASE);
CREATE INDEX invoices_open ON invoices (patient_id, due) WHERE balance > 0;
CREATE INDEX invoice_items_inv ON invoice_items (invoice_no);

CREATE VIEW today (time, patient, doctor, room, status) AS
    SELECT substr(a.starts_at, 12, 5),
           p.surname || ', ' || coalesce(p.given_names, ''),
           s.initials, a.room, a.status
      FROM appointments a
      JOIN patients p USING (patient_id)
      JOIN staff s ON s.staff_id = a.staff_id
     WHERE substr(a.starts_at, 1, 10) = date('now', 'localtime')
     ORDER BY a.starts_at;

CREATE VIEW overdue_invoices AS
    SELECT i.invoice_no, p.mrn, p.surname, i.due, i.balance,
           CAST(julianday('now') - julianday(i.due) AS INTEGER) AS days_overdue
      FROM invoices i JOIN patients p ON p.patient_id = i.patient_id
     WHERE i.balance > 0 AND i.due < date('now');

CREATE TRIGGER appt_default_length BEFORE INSERT ON appointments
FOR EACH ROW WHEN NEW.minutes IS NULL
BEGIN
    SELECT RAISE(ABORT, 'minutes must be given (see appointment_types.minutes)');
END;

CREATE TRIGGER appt_no_overlap BEFORE INSERT ON appointments
FOR EACH ROW
WHEN EXISTS (SELECT 1 FROM appointments x
              WHERE x.room = NEW.room AND x.status NOT IN ('cancelled', 'no-show')
                AND x.starts_at < strftime('%Y-%m-%d %H:%M', NEW.starts_at, '+' || NEW.minutes || ' minutes')
                AND x.ends_at > NEW.starts_at)
BEGIN
    SELECT RAISE(ABORT, 'room is already booked; pick another slot');
END;

CREATE TRIGGER invoice_items_total AFTER INSERT ON invoice_items
BEGIN
    UPDATE invoices SET amount = amount + NEW.amount WHERE invoice_no = NEW.invoice_no;
END;
