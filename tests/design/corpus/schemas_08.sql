-- Warehouse inventory, migrated from a legacy desktop database (hence the odd names).

CREATE TABLE [Suppliers] (
	[Supplier ID]	INTEGER PRIMARY KEY AUTOINCREMENT,
	[Company Name]	NVARCHAR(120) NOT NULL,
	[Contact Name]	NVARCHAR(60),
	[Phone No.]	VARCHAR(24),
	[E-Mail]	VARYING CHARACTER(255) COLLATE NOCASE,
	[Payment Terms]	NATIVE CHARACTER(70) DEFAULT 'Net 30 (end of month)',
	[Rating]	TINYINT DEFAULT 3 CHECK ([Rating] BETWEEN 1 AND 5)
);

CREATE TABLE "Product Groups" (
    "Group Code"    CHARACTER(4) PRIMARY KEY,
    "Description"   CHARACTER VARYING(100) NOT NULL,
    "Parent Group"  CHARACTER(4) REFERENCES "Product Groups" ("Group Code") ON DELETE SET NULL
) WITHOUT ROWID;

CREATE TABLE "Items" (
    "Item No."        VARCHAR(20) NOT NULL PRIMARY KEY ON CONFLICT ROLLBACK,
    "Group Code"      CHARACTER(4) REFERENCES "Product Groups" ON UPDATE CASCADE ON DELETE RESTRICT,
    "Description"     NVARCHAR(200) NOT NULL,
    "Unit"            VARCHAR(8) NOT NULL DEFAULT 'pcs.',
    "Unit Price"      DECIMAL(10, 2) DEFAULT 0.00,
    "Weight (kg)"     DECIMAL(8,3),
    "Barcode"         UNSIGNED BIG INT UNIQUE,
    "Serial No. Required" BOOLEAN DEFAULT FALSE,
    "Main Supplier"   INTEGER REFERENCES [Suppliers] ([Supplier ID]) ON DELETE SET NULL,
    "Notes"           CLOB,
    "Discontinued"    BIT DEFAULT 0
);

CREATE TABLE "Locations" (
    "Warehouse"  VARCHAR(10) NOT NULL DEFAULT 'WH1',
    "Aisle"      CHAR(2) NOT NULL,
    "Rack"       SMALLINT NOT NULL,
    "Shelf"      SMALLINT NOT NULL DEFAULT 1,
    "Bin Code"   TEXT GENERATED ALWAYS AS ("Warehouse" || '.' || "Aisle" || '.' || printf('%02d', "Rack") || '.' || "Shelf") STORED,
    "Max Load kg" REAL DEFAULT 250.0,
    PRIMARY KEY ("Warehouse", "Aisle", "Rack", "Shelf"),
    UNIQUE ("Bin Code")
);

CREATE TABLE "Stock.Levels" (           -- a dot in the table name; it is not a schema!
    "Item No."    VARCHAR(20) NOT NULL REFERENCES "Items" ON DELETE CASCADE,
    "Warehouse"   VARCHAR(10) NOT NULL,
    "Aisle"       CHAR(2) NOT NULL,
    "Rack"        SMALLINT NOT NULL,
    "Shelf"       SMALLINT NOT NULL,
    "Qty"         BIGINT NOT NULL DEFAULT 0 CHECK ("Qty" >= 0),
    "Min Qty"     INT8 DEFAULT 0,
    PRIMARY KEY ("Item No.", "Warehouse", "Aisle", "Rack", "Shelf"),
    FOREIGN KEY ("Warehouse", "Aisle", "Rack", "Shelf")
        REFERENCES "Locations" ("Warehouse", "Aisle", "Rack", "Shelf") ON UPDATE CASCADE
);

CREATE TABLE "Goods ""In""" (
    "Receipt #"     INTEGER PRIMARY KEY,
    "Supplier ID"   INTEGER NOT NULL REFERENCES [Suppliers] ON DELETE RESTRICT,
    "Delivery Note" VARCHAR(40),
    "Received"      DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP,
    "Checked By"    VARCHAR(20),
    "Say ""OK""?"   BOOLEAN DEFAULT FALSE        -- legacy column, really called that
);

CREATE TABLE "Goods ""In"" Lines" (
    "Receipt #"  INTEGER NOT NULL REFERENCES "Goods ""In""" ("Receipt #") ON DELETE CASCADE,
    "Line"       INTEGER NOT NULL,
    "Item No."   VARCHAR(20) NOT NULL REFERENCES "Items" ("Item No."),
    "Qty"        DECIMAL(12, 3) NOT NULL CHECK ("Qty" > 0),
    "Serial No." VARCHAR(40),
    PRIMARY KEY ("Receipt #", "Line")
);

CREATE TABLE "2nd Hand Returns" (
    "ID"          INTEGER PRIMARY KEY,
    "Item No."    VARCHAR(20) REFERENCES "Items",
    "Reason"      TEXT CHECK ("Reason" IN ('damaged', 'wrong item', 'customer''s mistake', 'other (see notes)')),
    "1st Check"   DATE,
    "2nd Check"   DATE,
    "Restock?"    BOOLEAN,
    CHECK ("2nd Check" IS NULL OR "2nd Check" >= "1st Check")
);

CREATE TABLE "Stock Counts" (
    "Count ID"    INTEGER PRIMARY KEY,
    "Counted On"  DATE DEFAULT CURRENT_DATE,
    "Item No."    VARCHAR(20) NOT NULL,
    "Expected"    BIGINT,
    "Counted"     BIGINT NOT NULL,
    "Difference"  BIGINT AS ("Counted" - "Expected") VIRTUAL,
    "Counter"     VARCHAR(20) DEFAULT 'inventory team, shift A',
    FOREIGN KEY ("Item No.") REFERENCES "Items" ("Item No.") ON DELETE CASCADE DEFERRABLE INITIALLY DEFERRED
);

CREATE TABLE [Sys Counters] (
	[Name]	TEXT PRIMARY KEY,
	[Value]	UNSIGNED BIG INT NOT NULL DEFAULT 0,
	[Step]	INT DEFAULT +1,
	[Format]	TEXT DEFAULT 'R-%06d'
) WITHOUT ROWID;

CREATE INDEX "Items by group" ON "Items" ("Group Code", "Description" COLLATE NOCASE);
CREATE INDEX "Items active" ON "Items" ("Item No.") WHERE NOT "Discontinued";
CREATE INDEX "Items item prefix" ON "Items" (substr("Item No.", 1, 3));
CREATE INDEX [Suppliers by name] ON [Suppliers] (lower([Company Name]));
CREATE INDEX "Stock.Levels low" ON "Stock.Levels" ("Item No.") WHERE "Qty" < "Min Qty";
CREATE INDEX "Goods ""In"" by date" ON "Goods ""In""" ("Received" DESC);

CREATE VIEW "Stock Overview" AS
    SELECT i."Item No.", i."Description", g."Description" AS "Group",
           coalesce(sum(s."Qty"), 0) AS "Total Qty",
           i."Unit"
      FROM "Items" i
      LEFT JOIN "Product Groups" g ON g."Group Code" = i."Group Code"
      LEFT JOIN "Stock.Levels" s ON s."Item No." = i."Item No."
     GROUP BY i."Item No.";

CREATE VIEW "Reorder List" ("Item No.", "Supplier", "Missing") AS
    SELECT s."Item No.", sup.[Company Name], sum(s."Min Qty" - s."Qty")
      FROM "Stock.Levels" s
      JOIN "Items" i ON i."Item No." = s."Item No."
      LEFT JOIN [Suppliers] sup ON sup.[Supplier ID] = i."Main Supplier"
     WHERE s."Qty" < s."Min Qty"
     GROUP BY s."Item No.";

CREATE TRIGGER "Goods In book" AFTER INSERT ON "Goods ""In"" Lines"
FOR EACH ROW
BEGIN
    INSERT OR IGNORE INTO "Stock.Levels" ("Item No.", "Warehouse", "Aisle", "Rack", "Shelf", "Qty")
        VALUES (NEW."Item No.", 'WH1', 'RC', 1, 1, 0);
    UPDATE "Stock.Levels" SET "Qty" = "Qty" + NEW."Qty"
     WHERE "Item No." = NEW."Item No." AND "Warehouse" = 'WH1' AND "Aisle" = 'RC';
END;

CREATE TRIGGER [Serial check] BEFORE INSERT ON "Goods ""In"" Lines"
WHEN NEW."Serial No." IS NULL
 AND (SELECT "Serial No. Required" FROM "Items" WHERE "Item No." = NEW."Item No.")
BEGIN
    SELECT RAISE(ABORT, 'serial no. required for this item; scan it (or type "n/a")');
END;
