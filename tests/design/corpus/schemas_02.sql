-- Online shop back office: catalogue, customers, orders, payments and stock.

CREATE TABLE customers (
    customer_id   INTEGER PRIMARY KEY,
    email         VARCHAR(255) NOT NULL UNIQUE ON CONFLICT ABORT COLLATE NOCASE,
    first_name    VARCHAR(100),
    last_name     VARCHAR(100),
    full_name     TEXT GENERATED ALWAYS AS (trim(coalesce(first_name, '') || ' ' || coalesce(last_name, ''))) VIRTUAL,
    phone         VARCHAR(32) DEFAULT NULL,
    vip           BOOLEAN DEFAULT FALSE,
    discount_pct  NUMERIC DEFAULT 0 CHECK (discount_pct >= 0 AND discount_pct < 100),
    created       TIMESTAMP DEFAULT CURRENT_TIMESTAMP
);

CREATE TABLE addresses (
    customer_id INTEGER NOT NULL REFERENCES customers ON DELETE CASCADE,
    kind        TEXT NOT NULL CHECK (kind IN ('billing', 'shipping')),
    street      TEXT NOT NULL,
    city        TEXT NOT NULL,
    zip         VARCHAR(16),
    country     CHAR(2) NOT NULL DEFAULT 'DE' COLLATE NOCASE,
    PRIMARY KEY (customer_id, kind)
) WITHOUT ROWID;

CREATE TABLE categories (
    id INTEGER PRIMARY KEY,
    parent_id INTEGER REFERENCES categories (id) ON DELETE RESTRICT,	-- tree
    slug TEXT NOT NULL UNIQUE,
    title TEXT NOT NULL,
    sort_order INTEGER DEFAULT 100
);

CREATE TABLE products (
    sku          VARCHAR(32) PRIMARY KEY,    -- e.g. 'ABC-007'
    category_id  INTEGER REFERENCES categories(id) ON DELETE SET NULL,
    name         VARCHAR(255) NOT NULL,
    description  LONG VARCHAR,
    price        DECIMAL(10, 2) NOT NULL CHECK (price >= 0),
    vat_rate     DECIMAL(4,2) NOT NULL DEFAULT 19.00,
    gross_price  DECIMAL(10, 2) GENERATED ALWAYS AS (round(price * (1 + vat_rate / 100), 2)) STORED,
    weight_g     INT DEFAULT 0,
    active       BOOLEAN NOT NULL DEFAULT TRUE,
    image        BLOB
);

CREATE TABLE "order" (
    id            INTEGER PRIMARY KEY AUTOINCREMENT,
    customer_id   INTEGER NOT NULL REFERENCES customers (customer_id) ON DELETE RESTRICT ON UPDATE CASCADE,
    placed_at     TEXT NOT NULL DEFAULT CURRENT_TIMESTAMP,
    state         TEXT NOT NULL DEFAULT 'cart'
                  CONSTRAINT order_state_valid CHECK (state IN ('cart', 'placed', 'paid', 'shipped', 'cancelled (by customer)', 'cancelled (by shop)')),
    shipping_kind TEXT DEFAULT 'shipping',
    note          TEXT DEFAULT '',
    total         DECIMAL(10, 2) DEFAULT 0.00,
    FOREIGN KEY (customer_id, shipping_kind) REFERENCES addresses (customer_id, kind)
        MATCH SIMPLE ON DELETE SET DEFAULT DEFERRABLE INITIALLY DEFERRED
);

CREATE TABLE order_lines (
    order_id   INTEGER NOT NULL REFERENCES "order"(id) ON DELETE CASCADE,
    line_no    INTEGER NOT NULL,
    sku        VARCHAR(32) NOT NULL REFERENCES products(sku) ON UPDATE CASCADE ON DELETE NO ACTION,
    quantity   INTEGER NOT NULL DEFAULT 1 CHECK (quantity > 0),
    unit_price DECIMAL(10, 2) NOT NULL,
    line_total DECIMAL(10, 2) AS (quantity * unit_price),
    PRIMARY KEY (order_id, line_no)
);

CREATE TABLE payments (
    id         INTEGER PRIMARY KEY,
    order_id   INTEGER NOT NULL REFERENCES "order" ON DELETE CASCADE NOT DEFERRABLE,
    method     TEXT NOT NULL CHECK (method IN ('card', 'paypal', 'invoice', 'cash on delivery')),
    amount     DECIMAL(10, 2) NOT NULL CHECK (amount <> 0),   -- negative = refund
    currency   CHAR(3) NOT NULL DEFAULT 'EUR',
    reference  TEXT UNIQUE,
    paid_at    TEXT DEFAULT (datetime('now', 'localtime'))
);

CREATE TABLE stock (
    sku       TEXT NOT NULL,
    warehouse TEXT NOT NULL DEFAULT 'main',
    on_hand   INTEGER NOT NULL DEFAULT 0,
    reserved  INTEGER NOT NULL DEFAULT 0,
    available INTEGER GENERATED ALWAYS AS (on_hand - reserved) VIRTUAL,
    PRIMARY KEY (sku, warehouse),
    FOREIGN KEY (sku) REFERENCES products (sku) ON DELETE CASCADE,
    CHECK (reserved <= on_hand)
) STRICT;

CREATE TABLE coupons (
    code        TEXT PRIMARY KEY COLLATE NOCASE,
    percent_off INTEGER CHECK (percent_off BETWEEN 1 AND 100),
    amount_off  DECIMAL(10,2),
    valid_from  DATE DEFAULT CURRENT_DATE,
    valid_until DATE,
    max_uses    INTEGER DEFAULT -1,      -- -1 means unlimited
    CHECK ((percent_off IS NULL) <> (amount_off IS NULL)),
    CHECK (valid_until IS NULL OR valid_until >= valid_from)
) WITHOUT ROWID;

CREATE TABLE order_coupons (
    order_id INTEGER NOT NULL REFERENCES "order"(id) ON DELETE CASCADE,
    code     TEXT NOT NULL REFERENCES coupons(code) ON DELETE RESTRICT DEFERRABLE INITIALLY IMMEDIATE,
    UNIQUE (order_id, code) ON CONFLICT IGNORE
);

CREATE INDEX products_category ON products (category_id, name COLLATE NOCASE);
CREATE INDEX products_sku_prefix ON products (substr(sku, 1, 3));
CREATE INDEX order_customer ON "order" (customer_id, placed_at DESC);
CREATE INDEX open_orders ON "order" (state) WHERE state IN ('placed', 'paid');
CREATE UNIQUE INDEX payments_ref ON payments (method, reference) WHERE reference IS NOT NULL;

CREATE VIEW order_summary AS
WITH lines AS (
    SELECT order_id, count(*) AS n, sum(line_total) AS amount
      FROM order_lines
     GROUP BY order_id
), paid AS (
    SELECT order_id, sum(amount) AS amount FROM payments GROUP BY order_id
)
SELECT o.id, c.full_name AS customer, o.state,
       coalesce(l.n, 0) AS line_count,
       coalesce(l.amount, 0) AS amount,
       coalesce(p.amount, 0) AS paid,
       coalesce(l.amount, 0) - coalesce(p.amount, 0) AS outstanding
  FROM "order" o
  JOIN customers c USING (customer_id)
  LEFT JOIN lines l ON l.order_id = o.id
  LEFT JOIN paid p ON p.order_id = o.id;

CREATE VIEW low_stock (sku, name, available) AS
    SELECT s.sku, p.name, s.available
      FROM stock s JOIN products p ON p.sku = s.sku
     WHERE s.available < 5 AND p.active;

CREATE VIEW cart_entry AS
    SELECT ol.order_id, ol.sku, ol.quantity FROM order_lines ol
      JOIN "order" o ON o.id = ol.order_id WHERE o.state = 'cart';

CREATE TRIGGER cart_entry_insert INSTEAD OF INSERT ON cart_entry
BEGIN
    INSERT INTO order_lines (order_id, line_no, sku, quantity, unit_price)
    VALUES (NEW.order_id,
            (SELECT coalesce(max(line_no), 0) + 1 FROM order_lines WHERE order_id = NEW.order_id),
            NEW.sku, NEW.quantity,
            (SELECT price FROM products WHERE sku = NEW.sku));
    UPDATE "order" SET total = (SELECT sum(line_total) FROM order_lines WHERE order_id = NEW.order_id)
     WHERE id = NEW.order_id;
END;

CREATE TRIGGER order_lines_recalc AFTER DELETE ON order_lines
FOR EACH ROW
BEGIN
    UPDATE "order" SET total = coalesce((SELECT sum(line_total) FROM order_lines WHERE order_id = OLD.order_id), 0)
     WHERE id = OLD.order_id;
END;

CREATE TRIGGER order_no_edit_after_ship BEFORE UPDATE OF customer_id, total ON "order"
WHEN OLD.state IN ('shipped', 'cancelled (by customer)', 'cancelled (by shop)')
BEGIN
    SELECT RAISE(ABORT, 'order is closed; create a correction instead');
END;
