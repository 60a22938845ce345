-- Multilingual recipe collection (imported from several community sites, names kept as they were).

CREATE TABLE langues (
    code    TEXT PRIMARY KEY CHECK (length(code) = 2),   -- 'fr', 'de', 'no', 'zh', ...
    nom     TEXT NOT NULL,
    rtl     BOOLEAN DEFAULT FALSE
) WITHOUT ROWID;

CREATE TABLE recettes (
    id            INTEGER PRIMARY KEY AUTOINCREMENT,
    titre         TEXT NOT NULL,
    langue        TEXT NOT NULL DEFAULT 'fr' REFERENCES langues ON UPDATE CASCADE,
    portions      INTEGER DEFAULT 4 CHECK (portions > 0),
    durée_min     INTEGER,                -- préparation + cuisson
    difficulté    TEXT CHECK (difficulté IN ('facile', 'moyen', 'difficile')),
    créée_le      TEXT DEFAULT CURRENT_TIMESTAMP,
    "Crème fraîche?" BOOLEAN DEFAULT 0
);

CREATE TABLE Zutaten (
    ZutatID      INTEGER PRIMARY KEY,
    Bezeichnung  TEXT NOT NULL UNIQUE COLLATE NOCASE,
    Größe        TEXT,                                 -- Packungsgröße, z. B. '500 g'
    "Kühlung nötig" BOOLEAN NOT NULL DEFAULT FALSE,
    Allergene    TEXT DEFAULT '' CHECK (Allergene NOT LIKE '%;%')   -- comma separated, never ';'
);

CREATE TABLE 'Rezept Zutaten' (
    'Rezept'   INTEGER NOT NULL REFERENCES recettes (id) ON DELETE CASCADE,
    'Zutat'    INTEGER NOT NULL REFERENCES Zutaten (ZutatID) ON DELETE RESTRICT,
    'Menge'    REAL,
    'Einheit'  TEXT DEFAULT 'g',
    'Notiz'    TEXT,
    PRIMARY KEY ('Rezept', 'Zutat')
);

CREATE TABLE oppskrifter_trinn (
    oppskrift   INTEGER NOT NULL REFERENCES recettes ON DELETE CASCADE,
    trinn_nr    INTEGER NOT NULL,
    beskrivelse TEXT NOT NULL,
    varighet_sø INTEGER,                    -- seconds ("sekunder"), the ø is a typo kept for compatibility
    bilde       BLOB,
    PRIMARY KEY (oppskrift, trinn_nr)
) WITHOUT ROWID;

CREATE TABLE "Fødevarer" (
    "Id"           INTEGER PRIMARY KEY,
    "Navn"         TEXT NOT NULL,
    "Kcal/100g"    REAL CHECK ("Kcal/100g" >= 0),
    "Fedt (g)"     REAL DEFAULT 0,
    "Kulhydrat (g)" REAL DEFAULT 0,
    "Protein (g)"  REAL DEFAULT 0,
    "Ø-mærket"     BOOLEAN DEFAULT FALSE,
    zutat          INTEGER UNIQUE REFERENCES Zutaten ON DELETE SET NULL
);

CREATE TABLE 菜谱分类 (
    编号     INTEGER PRIMARY KEY,
    名称     TEXT NOT NULL UNIQUE,
    上级     INTEGER REFERENCES 菜谱分类 (编号) ON DELETE CASCADE,
    "排序"   INTEGER DEFAULT 0,
    描述     TEXT DEFAULT '中文说明（可选）'
);

CREATE TABLE recette_catégories (
    recette   INTEGER NOT NULL REFERENCES recettes (id) ON DELETE CASCADE,
    catégorie INTEGER NOT NULL REFERENCES 菜谱分类 ON DELETE CASCADE,
    UNIQUE (recette, catégorie)
);

CREATE TABLE Bewertungen (
    BewertungID  INTEGER PRIMARY KEY,
    RezeptID     INTEGER NOT NULL REFERENCES recettes (id) ON DELETE CASCADE,
    Sterne       INTEGER NOT NULL CHECK (Sterne BETWEEN 1 AND 5),
    Kommentar    TEXT,
    Autor        TEXT DEFAULT 'anonym',
    ErstelltAm   TEXT DEFAULT (datetime('now')),
    istSpam      BOOLEAN DEFAULT FALSE
);

CREATE TABLE `Übersetzungen` (
    `Schlüssel`   TEXT NOT NULL,
    `Sprache`     TEXT NOT NULL REFERENCES langues (code),
    `Text`        TEXT NOT NULL DEFAULT '',
    `Geprüft`     BOOLEAN DEFAULT FALSE,
    PRIMARY KEY (`Schlüssel`, `Sprache`)
) WITHOUT ROWID;

CREATE INDEX recettes_titre ON recettes (titre COLLATE NOCASE);
CREATE INDEX recettes_rapides ON recettes (durée_min) WHERE durée_min <= 30;
CREATE INDEX "Rezept Zutaten nach Zutat" ON "Rezept Zutaten" ("Zutat");
CREATE INDEX Bewertungen_Rezept ON Bewertungen (RezeptID, Sterne DESC) WHERE NOT istSpam;
CREATE INDEX 菜谱分类_上级 ON 菜谱分类 (上级, "排序");
CREATE UNIQUE INDEX Zutaten_Präfix ON Zutaten (substr(Bezeichnung, 1, 40) COLLATE NOCASE);

CREATE VIEW recettes_notées (id, titre, étoiles, avis) AS
    SELECT r.id, r.titre, round(avg(b.Sterne), 1), count(b.BewertungID)
      FROM recettes r
      LEFT JOIN Bewertungen b ON b.RezeptID = r.id AND NOT b.istSpam
     GROUP BY r.id;

CREATE VIEW "Einkaufsliste" AS
    SELECT z.Bezeichnung AS "Zutat", sum(rz."Menge") AS "Menge", rz."Einheit",
           CASE WHEN z."Kühlung nötig" THEN 'Kühlschrank  (kalt)' ELSE 'Regal' END AS "Lagerung"
      FROM "Rezept Zutaten" rz
      JOIN Zutaten z ON z.ZutatID = rz."Zutat"
     GROUP BY z.ZutatID, rz."Einheit";

CREATE VIEW 分类树 AS
WITH RECURSIVE t (编号, 名称, 层级) AS (
    SELECT 编号, 名称, 0 FROM 菜谱分类 WHERE 上级 IS NULL
    UNION ALL
    SELECT c.编号, t.名称 || ' › ' || c.名称, t.层级 + 1 FROM 菜谱分类 c JOIN t ON c.上级 = t.编号
)
SELECT * FROM t;

CREATE TRIGGER Bewertungen_Spamfilter BEFORE INSERT ON Bewertungen
FOR EACH ROW WHEN (NEW.Kommentar LIKE '%http://%' OR NEW.Kommentar LIKE '%https://%')
                  AND NOT coalesce(NEW.istSpam, FALSE)
BEGIN
    INSERT INTO Bewertungen (RezeptID, Sterne, Kommentar, Autor, istSpam)
        VALUES (NEW.RezeptID, NEW.Sterne, NEW.Kommentar, NEW.Autor, TRUE);
    SELECT RAISE(IGNORE);
END;
