-- ExampleData.sql: builds ExampleData.Tarndb, the example database shipped with Skylark.
-- Build: sqlite3 -bail ExampleData.Tarndb < ExampleData.sql
-- The data describes "Highmoor Outdoor Rentals", an invented outdoor-equipment rental
-- company with five branches. Bulk rows come from recursive CTEs and plain arithmetic
-- on the counter, so the file is identical on every build. "Today" in the data is
-- 2024-11-30, all money amounts are in EUR.

PRAGMA foreign_keys = ON;
PRAGMA application_id = 1413567054;  -- 0x5441524E, "TARN"
PRAGMA user_version = 1;

BEGIN;

-- Rental branches. The logo is a small image blob (not every branch has one).
CREATE TABLE branch (
    id        INTEGER PRIMARY KEY,
    code      TEXT NOT NULL UNIQUE CHECK (length(code) = 3 AND code = upper(code)),
    name      TEXT NOT NULL,
    address   TEXT NOT NULL,
    city      TEXT NOT NULL,
    country   TEXT NOT NULL DEFAULT 'NO' CHECK (length(country) = 2),
    opened_on TEXT NOT NULL CHECK (date(opened_on) IS opened_on),
    phone     TEXT,
    logo      BLOB
);

-- Equipment categories with the base daily rate and the deposit asked per item.
CREATE TABLE category (
    code        TEXT PRIMARY KEY,
    name        TEXT NOT NULL UNIQUE,
    daily_rate  REAL NOT NULL CHECK (daily_rate > 0),
    deposit     REAL NOT NULL DEFAULT 0 CHECK (deposit >= 0),
    description TEXT
) WITHOUT ROWID;

-- Employees. Every employee belongs to one branch, and a branch with staff cannot be deleted.
CREATE TABLE staff (
    id          INTEGER PRIMARY KEY,
    branch_id   INTEGER NOT NULL REFERENCES branch (id) ON UPDATE CASCADE ON DELETE RESTRICT,
    full_name   TEXT NOT NULL,
    email       TEXT NOT NULL UNIQUE COLLATE NOCASE,
    role        TEXT NOT NULL DEFAULT 'clerk' CHECK (role IN ('manager', 'clerk', 'technician', 'guide')),
    hired_on    TEXT NOT NULL,
    hourly_wage REAL NOT NULL CHECK (hourly_wage >= 0),
    photo       BLOB
);

-- Customers. E-mail addresses are unique regardless of case, updated_at is kept by a trigger.
CREATE TABLE customer (
    id             INTEGER PRIMARY KEY,
    full_name      TEXT NOT NULL,
    email          TEXT UNIQUE COLLATE NOCASE,
    phone          TEXT,
    city           TEXT,
    country        TEXT NOT NULL DEFAULT 'NO' CHECK (length(country) = 2),
    born_on        TEXT,
    member_since   TEXT NOT NULL,
    loyalty_points INTEGER NOT NULL DEFAULT 0 CHECK (loyalty_points >= 0),
    notes          TEXT,
    updated_at     TEXT NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%S', 'now'))
);

-- Individual rentable items, each with its own serial number, stocked at one branch.
CREATE TABLE equipment (
    id             INTEGER PRIMARY KEY,
    category_code  TEXT NOT NULL REFERENCES category (code) ON UPDATE CASCADE ON DELETE RESTRICT,
    branch_id      INTEGER NOT NULL REFERENCES branch (id) ON UPDATE CASCADE ON DELETE CASCADE,
    serial         TEXT NOT NULL UNIQUE,
    model          TEXT NOT NULL,
    purchased_on   TEXT NOT NULL,
    purchase_price REAL NOT NULL CHECK (purchase_price >= 0),
    weight_kg      REAL CHECK (weight_kg > 0),
    condition      TEXT NOT NULL DEFAULT 'good' CHECK (condition IN ('new', 'good', 'worn', 'repair')),
    retired        INTEGER NOT NULL DEFAULT 0 CHECK (retired IN (0, 1)),
    label_image    BLOB
);

-- Rental contracts. days is computed from the booked period (both ends inclusive).
CREATE TABLE rental (
    id          INTEGER PRIMARY KEY,
    customer_id INTEGER NOT NULL REFERENCES customer (id) ON DELETE CASCADE,
    branch_id   INTEGER NOT NULL REFERENCES branch (id) ON UPDATE CASCADE,
    staff_id    INTEGER REFERENCES staff (id) ON DELETE SET NULL,
    start_date  TEXT NOT NULL,
    due_date    TEXT NOT NULL,
    returned_on TEXT,
    status      TEXT NOT NULL DEFAULT 'reserved'
                CHECK (status IN ('reserved', 'open', 'returned', 'overdue', 'cancelled')),
    days        INTEGER GENERATED ALWAYS AS (CAST(julianday(due_date) - julianday(start_date) AS INTEGER) + 1) VIRTUAL,
    note        TEXT,
    CHECK (due_date >= start_date),
    CHECK (returned_on IS NULL OR returned_on >= start_date)
);

-- Items on a rental contract, with the daily rate agreed for that item.
CREATE TABLE rental_item (
    rental_id    INTEGER NOT NULL REFERENCES rental (id) ON DELETE CASCADE,
    equipment_id INTEGER NOT NULL REFERENCES equipment (id) ON UPDATE CASCADE ON DELETE RESTRICT,
    daily_rate   REAL NOT NULL CHECK (daily_rate >= 0),
    discount_pct REAL NOT NULL DEFAULT 0 CHECK (discount_pct BETWEEN 0 AND 50),
    PRIMARY KEY (rental_id, equipment_id)
);

-- Payments and refunds (negative amounts) booked against a rental.
CREATE TABLE payment (
    id        INTEGER PRIMARY KEY,
    rental_id INTEGER NOT NULL REFERENCES rental (id) ON DELETE CASCADE,
    paid_on   TEXT NOT NULL,
    amount    REAL NOT NULL CHECK (amount <> 0),
    method    TEXT NOT NULL CHECK (method IN ('card', 'cash', 'invoice', 'voucher')),
    reference TEXT UNIQUE
);

-- Change history written by the triggers below. Ids are never reused.
CREATE TABLE audit_log (
    id         INTEGER PRIMARY KEY AUTOINCREMENT,
    table_name TEXT NOT NULL,
    row_id     INTEGER NOT NULL,
    action     TEXT NOT NULL CHECK (action IN ('INSERT', 'UPDATE', 'DELETE')),
    old_value  TEXT,
    new_value  TEXT,
    changed_at TEXT NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%S', 'now'))
);

CREATE INDEX staff_branch_idx ON staff (branch_id);
CREATE INDEX customer_name_idx ON customer (lower(full_name));
CREATE INDEX equipment_available_idx ON equipment (branch_id, category_code) WHERE retired = 0;
CREATE INDEX rental_customer_idx ON rental (customer_id, start_date);
CREATE INDEX rental_pending_idx ON rental (due_date) WHERE status IN ('open', 'overdue');
CREATE INDEX rental_item_equipment_idx ON rental_item (equipment_id);
CREATE INDEX payment_rental_idx ON payment (rental_id);
CREATE INDEX payment_month_idx ON payment (substr(paid_on, 1, 7));
CREATE INDEX audit_log_row_idx ON audit_log (table_name, row_id);

-- Keep customer.updated_at current unless the update sets it explicitly.
CREATE TRIGGER customer_touch_updated_at AFTER UPDATE ON customer
FOR EACH ROW WHEN NEW.updated_at IS OLD.updated_at BEGIN
    UPDATE customer SET updated_at = strftime('%Y-%m-%dT%H:%M:%S', 'now') WHERE id = NEW.id;
END;
-- Record every status change of a rental.
CREATE TRIGGER rental_status_audit AFTER UPDATE OF status ON rental
FOR EACH ROW WHEN NEW.status IS NOT OLD.status BEGIN
    INSERT INTO audit_log (table_name, row_id, action, old_value, new_value)
    VALUES ('rental', NEW.id, 'UPDATE', 'status=' || OLD.status, 'status=' || NEW.status);
END;
-- Record deleted payments so that the cash book can be reconciled.
CREATE TRIGGER payment_delete_audit AFTER DELETE ON payment
FOR EACH ROW BEGIN
    INSERT INTO audit_log (table_name, row_id, action, old_value, new_value)
    VALUES ('payment', OLD.id, 'DELETE', printf('%.2f %s %s', OLD.amount, OLD.method, OLD.paid_on), NULL);
END;
-- Retired equipment must not be put on a new rental.
CREATE TRIGGER rental_item_not_retired BEFORE INSERT ON rental_item
FOR EACH ROW WHEN (SELECT retired FROM equipment WHERE id = NEW.equipment_id) = 1 BEGIN
    SELECT RAISE(ABORT, 'equipment item is retired and cannot be rented');
END;

-- Amount due and amount paid per rental.
CREATE VIEW rental_totals AS
SELECT r.id AS rental_id, r.customer_id, r.branch_id, r.start_date, r.due_date, r.returned_on,
       r.status, r.days, count(ri.equipment_id) AS item_count,
       CASE WHEN r.status = 'cancelled' THEN 0.0
            ELSE round(coalesce(sum(ri.daily_rate * (100 - ri.discount_pct) / 100.0), 0) * r.days, 2)
       END AS amount_due,
       (SELECT round(coalesce(sum(p.amount), 0), 2) FROM payment p WHERE p.rental_id = r.id) AS amount_paid
FROM rental r
LEFT JOIN rental_item ri ON ri.rental_id = r.id
GROUP BY r.id;

-- Rentals whose customer still owes money (built on rental_totals).
CREATE VIEW outstanding_balances AS
SELECT t.rental_id, c.full_name AS customer, c.email, c.phone, b.name AS branch,
       t.status, t.due_date, t.amount_due, t.amount_paid,
       round(t.amount_due - t.amount_paid, 2) AS balance
FROM rental_totals t
JOIN customer c ON c.id = t.customer_id
JOIN branch b ON b.id = t.branch_id
WHERE t.status IN ('open', 'overdue', 'returned') AND t.amount_due - t.amount_paid > 0.005;

-- Money received per branch and calendar month.
CREATE VIEW branch_monthly_revenue AS
SELECT b.code AS branch, substr(p.paid_on, 1, 7) AS month,
       count(*) AS payments, round(sum(p.amount), 2) AS revenue, round(avg(p.amount), 2) AS avg_payment
FROM payment p
JOIN rental r ON r.id = p.rental_id
JOIN branch b ON b.id = r.branch_id
GROUP BY b.code, substr(p.paid_on, 1, 7);

-- How often each item went out and what it earned, ignoring cancelled rentals.
CREATE VIEW equipment_utilisation AS
SELECT e.id AS equipment_id, e.serial, e.model, c.name AS category, b.code AS branch,
       e.condition, e.retired, count(r.id) AS times_rented, coalesce(sum(r.days), 0) AS days_rented,
       round(coalesce(sum(ri.daily_rate * (100 - ri.discount_pct) / 100.0 * r.days), 0), 2) AS income,
       round(coalesce(sum(ri.daily_rate * (100 - ri.discount_pct) / 100.0 * r.days), 0) - e.purchase_price, 2) AS net
FROM equipment e
JOIN category c ON c.code = e.category_code
JOIN branch b ON b.id = e.branch_id
LEFT JOIN rental_item ri ON ri.equipment_id = e.id
LEFT JOIN rental r ON r.id = ri.rental_id AND r.status <> 'cancelled'
GROUP BY e.id;

-- Lookup data ---------------------------------------------------------------

INSERT INTO branch (id, code, name, address, city, country, opened_on, phone, logo) VALUES
    (1, 'BGN', 'Highmoor Bergen Harbour', 'Bryggekaien 12, 5003 Bergen', 'Bergen', 'NO', '2015-04-01', '+47 55 10 20 30',
     X'89504E470D0A1A0A0000000D49484452000000010000000108060000001F15C4890000000A49444154789C63000100000500010D0A2DB40000000049454E44AE426082'),
    (2, 'TOS', 'Highmoor Tromsø Nord', 'Storgata 88, 9008 Tromsø', 'Tromsø', 'NO', '2017-11-15', '+47 77 60 12 00',
     X'47494638396101000100800000FFFFFF00000021F90401000000002C00000000010001000002024401003B'),
    (3, 'ANC', 'Highmoor Annecy Lac', '4 quai de l''Évêché, 74000 Annecy', 'Annecy', 'FR', '2019-05-02', '+33 4 50 12 34 56', NULL),
    (4, 'OBS', 'Highmoor Oberstdorf Allgäu', 'Bahnhofstraße 7, 87561 Oberstdorf', 'Oberstdorf', 'DE', '2020-03-20',
     '+49 8322 555 010', NULL),
    (5, 'KES', 'Highmoor Keswick Fells', '3 Lake Road, Keswick CA12 5BZ', 'Keswick', 'GB', '2021-06-11', NULL, NULL);

INSERT INTO category (code, name, daily_rate, deposit, description) VALUES
    ('BIKE',  'Mountain bikes',       35.00, 150.00, 'Full-suspension and hardtail bikes, helmet included'),
    ('CLIMB', 'Climbing gear',        12.50,  60.00, 'Harness, 60 m rope and quickdraw sets'),
    ('KAYAK', 'Kayaks & paddles',     42.00, 200.00, 'Sea and river kayaks.
Spray deck and buoyancy aid are included, dry bags are not.'),
    ('PACK',  'Backpacks',             6.75,  25.00, 'Day packs and trekking packs, rain cover on request'),
    ('SKI',   'Touring skis',         28.90, 120.00, 'Touring skis with skins, "freeride" models on request'),
    ('SLEEP', 'Sleeping bags & mats',  5.50,  20.00, 'Washed after every rental'),
    ('STOVE', 'Stoves & cookware',     4.25,      0, 'Gas canisters are sold, not rented'),
    ('TENT',  'Tents',                18.00,  80.00, '2–4 person tents, footprint included');

-- Name pieces for the generated people, dropped again at the end.
CREATE TEMP TABLE person_name (kind TEXT NOT NULL, i INTEGER NOT NULL, name TEXT NOT NULL, slug TEXT NOT NULL,
                             PRIMARY KEY (kind, i));
INSERT INTO person_name VALUES
    ('first', 0, 'Åsa', 'asa'), ('first', 1, 'Søren', 'soren'), ('first', 2, 'Chloé', 'chloe'),
    ('first', 3, 'Jürgen', 'juergen'), ('first', 4, 'Zoë', 'zoe'), ('first', 5, 'Noël', 'noel'),
    ('first', 6, 'Björn', 'bjoern'), ('first', 7, 'Ingrid', 'ingrid'), ('first', 8, 'Tomás', 'tomas'),
    ('first', 9, 'Aoife', 'aoife'), ('first', 10, 'Marit', 'marit'), ('first', 11, 'Felix', 'felix'),
    ('first', 12, 'Léa', 'lea'), ('first', 13, 'Henrik', 'henrik'), ('first', 14, 'Oona', 'oona'),
    ('first', 15, 'Ravi', 'ravi'),
    ('last', 0, 'Halvorsen', 'halvorsen'), ('last', 1, 'Dubois', 'dubois'), ('last', 2, 'Müller', 'mueller'),
    ('last', 3, 'Østby', 'oestby'), ('last', 4, 'O''Connor', 'oconnor'), ('last', 5, 'Lindqvist', 'lindqvist'),
    ('last', 6, 'Novák', 'novak'), ('last', 7, 'García', 'garcia'), ('last', 8, 'Fairweather', 'fairweather'),
    ('last', 9, 'Kowalczyk', 'kowalczyk'), ('last', 10, 'Brekke', 'brekke'), ('last', 11, 'Lefèvre', 'lefevre'),
    ('last', 12, 'Strand', 'strand'), ('last', 13, 'Ní Bhriain', 'nibhriain'), ('last', 14, 'Achterberg', 'achterberg'),
    ('last', 15, 'Thorsdóttir', 'thorsdottir');

-- Generated data --------------------------------------------------------------

-- 30 employees, six per branch. The first five are the branch managers.
WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 30)
INSERT INTO staff (id, branch_id, full_name, email, role, hired_on, hourly_wage, photo)
SELECT n, (n - 1) % 5 + 1, f.name || ' ' || l.name,
       f.slug || '.' || l.slug || '@highmoor.example',
       CASE WHEN n <= 5 THEN 'manager' WHEN n % 4 = 0 THEN 'technician' WHEN n % 7 = 0 THEN 'guide' ELSE 'clerk' END,
       date('2015-04-01', '+' || ((n * 83) % 3000) || ' days'),
       round(15.0 + ((n * 37) % 140) / 10.0 + CASE WHEN n <= 5 THEN 8.25 ELSE 0 END, 2),
       CASE WHEN n IN (1, 2, 3) THEN zeroblob(48)
            WHEN n = 4 THEN X'47494638396101000100800000FFFFFF00000021F90401000000002C00000000010001000002024401003B'
       END
FROM seq
JOIN person_name f ON f.kind = 'first' AND f.i = (n + 3) % 16
JOIN person_name l ON l.kind = 'last' AND l.i = (n * 5 + n / 16) % 16;

-- 420 customers from ten home towns, some without e-mail, phone or birth date.
WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 420),
town(i, city, country, prefix) AS (VALUES
    (0, 'Bergen', 'NO', '+47'), (1, 'Tromsø', 'NO', '+47'), (2, 'Ålesund', 'NO', '+47'),
    (3, 'Annecy', 'FR', '+33'), (4, 'Grenoble', 'FR', '+33'), (5, 'München', 'DE', '+49'),
    (6, 'Oberstdorf', 'DE', '+49'), (7, 'Keswick', 'GB', '+44'), (8, 'Kendal', 'GB', '+44'),
    (9, 'Göteborg', 'SE', '+46'))
INSERT INTO customer (id, full_name, email, phone, city, country, born_on, member_since, loyalty_points, notes, updated_at)
SELECT n, f.name || ' ' || l.name,
       CASE WHEN n % 17 = 0 THEN NULL
            ELSE f.slug || '.' || l.slug || n || '@' ||
                 CASE n % 4 WHEN 0 THEN 'mail.example' WHEN 1 THEN 'post.example.no'
                            WHEN 2 THEN 'courriel.example.fr' ELSE 'Inbox.Example.DE' END
       END,
       CASE WHEN n % 9 = 0 THEN NULL
            ELSE printf('%s %03d %02d %03d', t.prefix, (n * 37) % 1000, (n * 13) % 100, (n * 101) % 1000) END,
       t.city, t.country,
       CASE WHEN n % 11 = 0 THEN NULL ELSE date('1950-01-01', '+' || ((n * 2719) % 20000) || ' days') END,
       date('2019-03-01', '+' || ((n * 97) % 1400) || ' days'),
       (n * 53) % 900,
       CASE n % 13
           WHEN 0 THEN 'Prefers pickup before 08:00, calls ahead'
           WHEN 5 THEN 'Group leader for the "Fjellklubben" weekend trips'
           WHEN 8 THEN 'Allergic to latex.' || char(10) || 'Offer nitrile gloves with climbing kit.'
           WHEN 11 THEN 'Returned a damaged tent in 2022, deposit kept.' || char(10) ||
                        'Settled, no further action.' || char(10) || '– M.B.'
       END,
       date('2019-03-01', '+' || ((n * 97) % 1400) || ' days') || printf('T%02d:%02d:%02d', 8 + n % 10, n % 60, (n * 7) % 60)
FROM seq
JOIN town t ON t.i = (n * 3) % 10
JOIN person_name f ON f.kind = 'first' AND f.i = (n * 7) % 16
JOIN person_name l ON l.kind = 'last' AND l.i = (n * 11 + n / 16) % 16;

-- 300 items, 60 per branch. Slots 57-59 of every branch hold retired items.
WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 300),
model(m, cat, name, price, weight) AS (VALUES
    (0, 'BIKE', 'Ridgeline 29 Trail', 2890.00, 14.2), (1, 'BIKE', 'Ridgeline 27.5 Hardtail', 1450.00, 12.8), (2, 'BIKE', 'Fjordkatt E-Trail', 4990.00, 23.5),
    (3, 'CLIMB', 'Kestrel Harness Set', 189.90, 1.1), (4, 'CLIMB', 'Aurora Dry Rope 60 m', 239.00, 3.9), (5, 'CLIMB', 'Crux Quickdraw ×12', 215.00, 1.3),
    (6, 'KAYAK', 'Skerry 480 Sea', 2150.00, 24.0), (7, 'KAYAK', 'Rapid 270 River', 1290.00, 18.5), (8, 'KAYAK', 'Tandem Øyfarer 520', 2780.00, 34.0),
    (9, 'PACK', 'Trailhawk 45 L', 179.00, 1.6), (10, 'PACK', 'Trailhawk 65 L', 229.00, 2.1), (11, 'PACK', 'Day Scout 25 L', 89.50, 0.8),
    (12, 'SKI', 'Hvitfjell Tour 172', 749.00, 3.2), (13, 'SKI', 'Hvitfjell Tour 180', 769.00, 3.4), (14, 'SKI', 'Couloir Freeride 184', 899.00, 3.9),
    (15, 'SLEEP', 'Polar Down −15 °C', 389.00, 1.4), (16, 'SLEEP', 'Summer Synth +5 °C', 119.00, 1.1), (17, 'SLEEP', 'Self-inflating Mat 5 cm', 84.90, 0.9),
    (18, 'STOVE', 'Kjele Gas Stove', 64.90, 0.3), (19, 'STOVE', 'Titanium Pot Set', 79.00, 0.4), (20, 'STOVE', 'Multifuel Expedition', 169.00, 0.6),
    (21, 'TENT', 'Lavvo Dome 2', 349.00, 2.6), (22, 'TENT', 'Lavvo Dome 3', 429.00, 3.3), (23, 'TENT', 'Basecamp Tunnel 4', 689.00, 5.2)),
item(n, branch_id, slot, bought) AS (
    SELECT n, (n - 1) % 5 + 1, (n - 1) / 5, date('2020-02-01', '+' || ((n * 131) % 1500) || ' days') FROM seq)
INSERT INTO equipment (id, category_code, branch_id, serial, model, purchased_on, purchase_price, weight_kg,
                       condition, retired, label_image)
SELECT i.n, m.cat, i.branch_id, printf('HM%d-%s-%04d', i.branch_id, m.cat, i.n), m.name, i.bought,
       round(m.price * (0.90 + (i.n % 5) * 0.05), 2),
       CASE WHEN m.cat = 'STOVE' AND i.n % 3 = 0 THEN NULL ELSE m.weight END,
       CASE WHEN i.slot >= 57 THEN 'repair' WHEN i.n % 11 = 0 THEN 'worn'
            WHEN i.bought >= '2024-01-01' THEN 'new' ELSE 'good' END,
       i.slot >= 57,
       CASE i.n WHEN 1 THEN X'89504E470D0A1A0A0000000D49484452000000010000000108060000001F15C4890000000A49444154789C63000100000500010D0A2DB40000000049454E44AE426082'
                WHEN 2 THEN X'FFD8FFE000104A46494600010100000100010000FFD9'
                WHEN 3 THEN zeroblob(16) END
FROM item i
JOIN model m ON m.m = (i.slot * 7 + i.branch_id * 5) % 24;

-- 1200 rentals from January 2023 to early December 2024. Customers 1-60 are regulars.
WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 1200),
base(n, branch_id, start_date, len) AS (
    SELECT n, (n * 3) % 5 + 1,
           date('2023-01-02', '+' || ((n * 700) / 1200 + (n * 17) % 5) || ' days'),
           1 + (n * 13) % 9 + CASE WHEN n % 10 = 0 THEN 7 ELSE 0 END
    FROM seq),
dated(n, branch_id, start_date, due_date) AS (
    SELECT n, branch_id, start_date, date(start_date, '+' || (len - 1) || ' days') FROM base),
stated(n, branch_id, start_date, due_date, status) AS (
    SELECT n, branch_id, start_date, due_date,
           CASE WHEN n % 41 = 0 THEN 'cancelled'
                WHEN start_date > '2024-11-30' THEN 'reserved'
                WHEN due_date >= '2024-11-30' THEN 'open'
                WHEN n % 29 = 0 THEN 'overdue'
                ELSE 'returned' END
    FROM dated)
INSERT INTO rental (id, customer_id, branch_id, staff_id, start_date, due_date, returned_on, status, note)
SELECT n, CASE WHEN n % 3 = 0 THEN (n * 31) % 60 + 1 ELSE (n * 7919) % 420 + 1 END, branch_id,
       CASE WHEN n % 19 = 0 THEN NULL ELSE branch_id + 5 * ((n * 7) % 6) END,
       start_date, due_date,
       CASE WHEN status = 'returned' THEN date(due_date, CASE WHEN n % 8 = 0 THEN '+1 day' ELSE '+0 days' END) END,
       status,
       CASE n % 23
           WHEN 0 THEN 'Customer asked for extra tent pegs, added free of charge'
           WHEN 7 THEN 'Picked up by a friend, ID checked ("M. Brekke")'
           WHEN 14 THEN 'Roof rack fitted by staff.' || char(10) || 'Check the straps on return.'
       END
FROM stated;

-- One to three items per rental, always from the rental's own branch and never retired.
WITH k(j) AS (VALUES (0), (1), (2))
INSERT INTO rental_item (rental_id, equipment_id, daily_rate, discount_pct)
SELECT r.id, e.id,
       CASE WHEN e.condition = 'worn' THEN round(c.daily_rate * 0.8, 2) ELSE c.daily_rate END,
       CASE WHEN r.days >= 7 THEN 15 WHEN r.id % 12 = 0 THEN 10 ELSE 0 END
FROM rental r
JOIN k ON k.j <= r.id % 3
JOIN equipment e ON e.id = r.branch_id + 5 * ((r.id * 13 + k.j * 19) % 57)
JOIN category c ON c.code = e.category_code
ORDER BY r.id, e.id;

-- Payments: full payment at pickup, or a 30 % deposit a week ahead and the rest on return.
-- Overdue and open rentals may still owe money, cancelled ones were refunded.
INSERT INTO payment (rental_id, paid_on, amount, method, reference)
SELECT rental_id, paid_on, amount, method,
       CASE WHEN method = 'cash' THEN NULL
            ELSE printf('HM%s-%05d-%d', substr(paid_on, 3, 2), rental_id, seq) END
FROM (
    SELECT rental_id, 1 AS seq,
           CASE WHEN rental_id % 4 = 0 OR status IN ('reserved', 'overdue')
                THEN date(start_date, '-7 days') ELSE start_date END AS paid_on,
           CASE WHEN rental_id % 4 = 0 OR status IN ('reserved', 'overdue')
                THEN round(amount_due * 0.3, 2) ELSE amount_due END AS amount,
           CASE rental_id % 7 WHEN 0 THEN 'cash' WHEN 3 THEN 'invoice' WHEN 5 THEN 'voucher' ELSE 'card' END AS method
    FROM rental_totals WHERE status <> 'cancelled'
    UNION ALL
    SELECT rental_id, 2, returned_on, round(amount_due - round(amount_due * 0.3, 2), 2), 'card'
    FROM rental_totals WHERE status = 'returned' AND rental_id % 4 = 0
    UNION ALL
    SELECT t.rental_id, s.seq, date(t.start_date, CASE s.seq WHEN 1 THEN '-20 days' ELSE '-6 days' END),
           CASE s.seq WHEN 1 THEN 1 ELSE -1 END * round(sum(c.deposit), 2), 'card'
    FROM rental_totals t
    JOIN (SELECT 1 AS seq UNION ALL SELECT 2) s
    JOIN rental_item ri ON ri.rental_id = t.rental_id
    JOIN equipment e ON e.id = ri.equipment_id
    JOIN category c ON c.code = e.category_code
    WHERE t.status = 'cancelled' AND c.deposit > 0
    GROUP BY t.rental_id, s.seq
)
ORDER BY paid_on, rental_id, seq;

-- History from before the audit triggers existed, imported from the old booking system.
INSERT INTO audit_log (table_name, row_id, action, old_value, new_value, changed_at)
SELECT 'rental' AS table_name, id AS row_id, 'UPDATE', 'status=open', 'status=returned',
       returned_on || printf('T%02d:%02d:00', 9 + id % 9, (id * 7) % 60) AS changed_at
FROM rental WHERE status = 'returned' AND id % 12 = 0
UNION ALL
SELECT 'rental', id, 'UPDATE', 'status=reserved', 'status=cancelled', date(start_date, '-6 days') || 'T10:15:00'
FROM rental WHERE status = 'cancelled'
UNION ALL
SELECT 'customer', id, 'UPDATE', 'email=NULL', 'email=' || email, updated_at
FROM customer WHERE id % 50 = 0 AND email IS NOT NULL
UNION ALL
SELECT 'payment', 90001, 'DELETE', '45.00 cash 2023-06-14', NULL, '2023-06-14T18:02:11'
UNION ALL
SELECT 'payment', 90002, 'DELETE', '129.50 card 2024-02-03', NULL, '2024-02-03T11:47:39'
ORDER BY changed_at, table_name, row_id;

DROP TABLE temp.person_name;

COMMIT;

PRAGMA foreign_key_check;
PRAGMA integrity_check;

ANALYZE;
