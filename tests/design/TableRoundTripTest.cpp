// The table layout against SQLite itself: a table read into a layout and
// written back must be the same table to the engine (columns, keys,
// indexes, foreign keys, options, defaults and CHECK behaviour on probe
// rows), and writing a table read from the written text gives the same
// bytes again.
#include "common/Process.h"
#include "common/TempDb.h"
#include "design/TableLayout.h"
#include "design/Views.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "support/TextFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <sqlite3.h>

namespace sky::test {
namespace {

// Defaults such as strftime('%s','now') must give the same value in both
// databases: every connection of this test reads one fixed clock, through a
// default file system that is the platform's own apart from the time.
int FixedTime(sqlite3_vfs*, double* now) {
    *now = 2461041.5; // 2026-01-01 00:00:00 as a Julian day
    return SQLITE_OK;
}
int FixedTimeInt64(sqlite3_vfs*, sqlite3_int64* now) {
    *now = sqlite3_int64(2461041.5 * 86400000.0);
    return SQLITE_OK;
}
void UseFixedClock() {
    static sqlite3_vfs fixed = [] {
        sqlite3_vfs v = *sqlite3_vfs_find(nullptr);
        v.zName = "fixed-clock";
        v.xCurrentTime = FixedTime;
        if (v.iVersion >= 2) v.xCurrentTimeInt64 = FixedTimeInt64;
        return v;
    }();
    static const bool registered = sqlite3_vfs_register(&fixed, 1) == SQLITE_OK;
    ASSERT_TRUE(registered);
}

QStringList Column(TSQLite3Database& db, const QString& sql) {
    QStringList rows;
    EXPECT_TRUE(db.QuerySingleColumn(rows, sql, 0, false))
        << sql.toStdString() << ": " << db.LastError().toStdString();
    return rows;
}

// Everything the engine says about a table, as comparable lines.
QStringList Facts(TSQLite3Database& db, const QString& table) {
    const QString lit = QuoteSqlString(table);
    QStringList f;
    f << Column(db, "SELECT "
                    "cid||'|'||name||'|'||type||'|'||\"notnull\"||'|'||ifnull(dflt_value,'~')||'|'|"
                    "|pk||'|'||hidden FROM pragma_table_xinfo(" +
                        lit + ")");
    f << Column(db, "SELECT type||'|'||ncol||'|'||wr||'|'||strict FROM pragma_table_list WHERE "
                    "schema='main' AND name=" +
                        lit);
    const QStringList idx = Column(
        db, "SELECT name||'|'||\"unique\"||'|'||origin||'|'||partial FROM pragma_index_list(" +
                lit + ") ORDER BY name");
    f << idx;
    for (const QString& i : idx) {
        const QString name = i.section(QLatin1Char('|'), 0, 0);
        f << Column(
            db, "SELECT seqno||'|'||cid||'|'||ifnull(name,'~')||'|'||\"desc\"||'|'||coll||'|'||key "
                "FROM pragma_index_xinfo(" +
                    QuoteSqlString(name) + ")");
    }
    f << Column(db, "SELECT "
                    "id||'|'||seq||'|'||\"table\"||'|'||\"from\"||'|'||ifnull(\"to\",'~')||'|'||on_"
                    "update||'|'||on_delete||'|'||\"match\" FROM pragma_foreign_key_list(" +
                        lit + ")");
    f << Column(db, "SELECT count(*) FROM sqlite_master WHERE type='table' AND name=" + lit +
                        " AND sql LIKE '%AUTOINCREMENT%'");
    f << Column(db, "SELECT type||'|'||name FROM sqlite_master WHERE tbl_name=" + lit +
                        " AND type='trigger' ORDER BY name");
    return f;
}

// Probe inserts: DEFAULT VALUES and each column alone set to awkward values;
// the outcome (the row written, or the engine's message) per probe.
QStringList Probes(TSQLite3Database& db, const QString& table) {
    QStringList out;
    const QString q = QuoteIdent(table, false, true);
    QStringList cols, shown;
    for (const QString& line : Column(db, "SELECT name||'|'||hidden FROM pragma_table_xinfo(" +
                                              QuoteSqlString(table) + ")")) {
        const QString name = line.section(QLatin1Char('|'), 0, 0);
        shown << "quote(" + QuoteIdent(name, false, true) + ")";
        if (line.section(QLatin1Char('|'), 1) == QLatin1String("0")) cols << name;
    }
    if (shown.isEmpty()) return out;
    const QString select = "SELECT " + shown.join("||','||") + " FROM " + q;
    auto probe = [&](const QString& insert) {
        EXPECT_TRUE(db.Execute("SAVEPOINT probe;")) << db.LastError().toStdString();
        if (db.Execute(insert))
            out << insert + " => " + Column(db, select).join(QLatin1Char(';'));
        else
            out << insert + " => " + db.LastError();
        EXPECT_TRUE(db.Execute("ROLLBACK TO probe; RELEASE probe;"))
            << db.LastError().toStdString();
    };
    probe("INSERT INTO " + q + " DEFAULT VALUES;");
    for (const QString& c : cols)
        for (const char* v : {"NULL", "0", "-1", "1.5", "''", "'x'", "'  Ab '", "X'00'"})
            probe("INSERT INTO " + q + " (" + QuoteIdent(c, false, true) + ") VALUES (" + v + ");");
    return out;
}

struct Outcome {
    int tables = 0;
    int refused = 0;
    bool refusalFails = true; // generated tables may be refused, never changed
    QStringList failures;
};

// Builds database A from the script, then for each table checks it against
// its layout's script run in a fresh database B.
void RoundTrip(const QString& script, const QString& label, Outcome& outcome) {
    UseFixedClock();
    QTemporaryDir dir;
    const QString a = dir.filePath("a.db");
    const ProcessResult made = RunProgram(QStringLiteral(SQLITE3_SHELL_PATH),
                                          {QStringLiteral("-bail"), a}, script.toUtf8());
    if (made.code != 0) {
        outcome.failures << label + ": the sqlite3 shell refused the script: " +
                                QString::fromUtf8(made.err);
        return;
    }
    TSQLite3Database da;
    ASSERT_TRUE(da.Open(a));
    const QStringList tables = Column(da, "SELECT name FROM sqlite_master WHERE type='table' AND "
                                          "name NOT LIKE 'sqlite_%' ORDER BY rowid");
    TSQLite3Database db;
    ASSERT_TRUE(db.Open(dir.filePath("b.db")));
    ASSERT_EQ(Column(db, "SELECT strftime('%s','now')"), QStringList{"1767225600"});
    ASSERT_TRUE(db.Execute("PRAGMA foreign_keys=0;"));
    QStringList scripts;
    for (const QString& t : tables) {
        ++outcome.tables;
        TTableLayout layout;
        QString why;
        if (!convDBTableToLayout(da, QString(), layout, t, &why)) {
            ++outcome.refused;
            if (outcome.refusalFails) outcome.failures << label + " / " + t + ": not read: " + why;
            scripts << QString();
            continue;
        }
        const QString sql = convTableLayoutToSQL(layout);
        scripts << sql;
        if (!db.ExecSQL(sql))
            outcome.failures << label + " / " + t + ": script failed: " + db.LastError() + "\n" +
                                    sql;
    }
    // Read from a catalogue with the engine's column counts, as the schema
    // tree and table-sql --all read them: the same layout, or a refusal.
    TSchemaCatalogue cat;
    QString catWhy;
    ASSERT_TRUE(ReadCatalogue(da, QString(), cat, CatalogueDetail::ColumnCounts, &catWhy))
        << catWhy.toStdString();
    for (qsizetype i = 0; i < tables.size(); ++i) {
        TTableLayout layout;
        QString why;
        const bool read = convDBTableToLayout(da, QString(), layout, tables[i], &why, &cat);
        if (read != !scripts[i].isEmpty() || (read && convTableLayoutToSQL(layout) != scripts[i]))
            outcome.failures << label + " / " + tables[i] +
                                    ": read differently from a catalogue with column counts";
    }
    ASSERT_TRUE(db.Execute("PRAGMA foreign_keys=1;"));
    for (qsizetype i = 0; i < tables.size(); ++i) {
        const QString& t = tables[i];
        if (scripts[i].isEmpty()) continue;
        const QStringList fa = Facts(da, t), fb = Facts(db, t);
        if (fa != fb)
            outcome.failures << label + " / " + t + ": engine facts differ\n  read:    " +
                                    fa.join("\n           ") +
                                    "\n  written: " + fb.join("\n           ") + "\n" + scripts[i];
        const QStringList pa = Probes(da, t), pb = Probes(db, t);
        if (pa != pb) {
            for (qsizetype k = 0; k < std::min(pa.size(), pb.size()); ++k)
                if (pa[k] != pb[k]) {
                    outcome.failures << label + " / " + t + ": probe differs\n  read:    " + pa[k] +
                                            "\n  written: " + pb[k] + "\n" + scripts[i];
                    break;
                }
        }
        // The fixpoint: reading the written table gives the same script.
        TTableLayout again;
        QString why;
        if (!convDBTableToLayout(db, QString(), again, t, &why))
            outcome.failures << label + " / " + t + ": written table not read: " + why;
        else if (convTableLayoutToSQL(again) != scripts[i])
            outcome.failures << label + " / " + t + ": not a fixpoint\n" + scripts[i] + "\n---\n" +
                                    convTableLayoutToSQL(again);
    }
    // Views: read, written, created in B; the engine sees the same columns.
    const QStringList views =
        Column(da, "SELECT name FROM sqlite_master WHERE type='view' ORDER BY rowid");
    QStringList viewSql;
    for (const QString& v : views) {
        TViewLayout layout;
        if (!readView(da, v, layout, QString())) {
            outcome.failures << label + " / view " + v + ": not read: " + layout.Comment;
            viewSql << QString();
            continue;
        }
        viewSql << sqlFrom(layout);
        if (!db.ExecSQL(viewSql.last()))
            outcome.failures << label + " / view " + v + ": failed: " + db.LastError() + "\n" +
                                    viewSql.last();
    }
    for (qsizetype i = 0; i < views.size(); ++i) {
        if (viewSql[i].isEmpty()) continue;
        const QString q =
            "SELECT name||'|'||type FROM pragma_table_xinfo(" + QuoteSqlString(views[i]) + ")";
        if (Column(da, q) != Column(db, q))
            outcome.failures << label + " / view " + views[i] + ": columns differ\n" + viewSql[i];
        TViewLayout again;
        if (!readView(db, views[i], again, QString()) || sqlFrom(again) != viewSql[i])
            outcome.failures << label + " / view " + views[i] + ": not a fixpoint\n" + viewSql[i] +
                                    "\n---\n" + sqlFrom(again);
    }
}

const char* const kCases[] = {
    "CREATE TABLE t(a,b)",
    "CREATE TABLE t (ASSET TEXT, \"AS\" INT)",
    "CREATE TABLE \"my table.x\"(\"unique\" INT, \"constraint\" TEXT, \"check\" REAL)",
    "CREATE TABLE d(a DEFAULT CURRENT_TIMESTAMP, b DEFAULT '007', c DEFAULT 0x1F, e DEFAULT 1e5,"
    " f DEFAULT X'00', g DEFAULT -1, h DEFAULT (1+2), i DEFAULT 'it''s', j DEFAULT TRUE,"
    " k DEFAULT +5, l DEFAULT 1.5e-3, m DEFAULT NULL, n DEFAULT '')",
    "CREATE TABLE c(a INT, -- the first, (with) 'quotes'\n b TEXT /* b, too */, c)",
    "CREATE TABLE ty(a UNSIGNED BIG INT, b VARYING CHARACTER(255), c LONG VARCHAR, d DECIMAL(10, "
    "2),"
    " e NOT NULL, f PRIMARY KEY)",
    "CREATE TABLE g(a INT, b INT GENERATED ALWAYS AS (a*2) VIRTUAL, c AS (a || 'x') STORED)",
    "CREATE TABLE s(id INTEGER PRIMARY KEY, v ANY, t TEXT NOT NULL) STRICT",
    "CREATE TABLE w(k TEXT, n INT, PRIMARY KEY (k DESC, n)) WITHOUT ROWID",
    "CREATE TABLE u(a, b, CONSTRAINT u1 UNIQUE (a COLLATE NOCASE, b) ON CONFLICT IGNORE,"
    " CONSTRAINT ck CHECK (a <> b), CHECK (length(b) < 10))",
    "CREATE TABLE p(id INTEGER PRIMARY KEY DESC, x NOT NULL ON CONFLICT IGNORE UNIQUE ON CONFLICT "
    "REPLACE)",
    "CREATE TABLE ai(id INTEGER PRIMARY KEY AUTOINCREMENT, v)",
    "CREATE TABLE parent(id INTEGER PRIMARY KEY, a, b, UNIQUE(a, b));"
    "CREATE TABLE child(x REFERENCES parent ON DELETE CASCADE, y REFERENCES parent(id)"
    " DEFERRABLE INITIALLY IMMEDIATE, z INT REFERENCES child(x) MATCH FULL NOT DEFERRABLE,"
    " FOREIGN KEY (x, y) REFERENCES parent(a, b) ON UPDATE SET NULL DEFERRABLE INITIALLY DEFERRED)",
    "CREATE TABLE k(a INT CONSTRAINT positive CHECK (a > 0), b TEXT CHECK (b IN ('x,y', ')', "
    "'''')))",
    "CREATE TABLE untyped(id PRIMARY KEY, v)",
    "CREATE TABLE cm(a INT /* ends with */ , b TEXT)",
    "CREATE TABLE [brackets](`back` INT, [sq] TEXT COLLATE RTRIM, 'single' REAL)",
    "CREATE TABLE idx(a TEXT, b INT, c);"
    "CREATE INDEX \"idx one\" ON idx(lower(a), b DESC);"
    "CREATE UNIQUE INDEX idx2 ON idx(substr(a, 1, 3) COLLATE NOCASE) WHERE b > 0;"
    "CREATE TRIGGER tr AFTER UPDATE OF a, b ON idx FOR EACH ROW WHEN new.b > 0 BEGIN"
    " UPDATE idx SET c = 'x; END' WHERE rowid = new.rowid; END;",
};

TEST(TableRoundTrip, HandWrittenCases) {
    Outcome o;
    int n = 0;
    for (const char* c : kCases)
        RoundTrip(QString::fromUtf8(c) + ";", "case " + QString::number(++n), o);
    EXPECT_GE(o.tables, 19);
    EXPECT_TRUE(o.failures.isEmpty()) << o.failures.join("\n\n").toStdString();
}

// A seeded generator of CREATE TABLE texts from the grammar's parts:
// names (bare, quoted, keywords, odd characters), types, every column
// constraint, table constraints and options, with comments in between.
class SchemaGenerator {
public:
    explicit SchemaGenerator(uint32_t seed) : FState(seed ? seed : 1) {}
    uint32_t Next() {
        FState ^= FState << 13;
        FState ^= FState >> 17;
        FState ^= FState << 5;
        return FState;
    }
    int Pick(int n) { return int(Next() % uint32_t(n)); }
    template <size_t N> QString One(const char* const (&items)[N]) {
        return QString::fromUtf8(items[Pick(int(N))]);
    }

    QString Name() {
        static const char* const names[] = {
            "a",       "b",       "Id",        "x_1",        "\"sp ace\"", "\"we\"\"ird\"",
            "[br]",    "`bq`",    "\"order\"", "\"unique\"", "\"check\"",  "é",
            "\"1st\"", "\"a.b\"", "\"key\"",   "Name",       "n2"};
        return One(names);
    }
    QString Comment() {
        static const char* const c[] = {"", "", "", " /* a, (b) 'c' */ ", " -- end, CONSTRAINT\n"};
        return One(c);
    }
    QString Column(const QString& name, bool& pkUsed) {
        static const char* const types[] = {"",
                                            "INTEGER",
                                            "INT",
                                            "TEXT",
                                            "REAL",
                                            "BLOB",
                                            "NUMERIC",
                                            "VARCHAR(20)",
                                            "DECIMAL(10, 2)",
                                            "UNSIGNED BIG INT",
                                            "DOUBLE PRECISION",
                                            "VARYING CHARACTER ( 255 )"};
        static const char* const defaults[] = {"0",
                                               "-1",
                                               "+5",
                                               "1.5",
                                               "1e5",
                                               "0x1F",
                                               "'007'",
                                               "'it''s'",
                                               "''",
                                               "X'00FF'",
                                               "NULL",
                                               "TRUE",
                                               "CURRENT_TIMESTAMP",
                                               "(1 + 2)",
                                               "(datetime('now'))",
                                               "'a,b'",
                                               "\"dq\""};
        static const char* const colls[] = {"NOCASE", "RTRIM", "BINARY", "nocase"};
        static const char* const conflicts[] = {"", " ON CONFLICT IGNORE", " ON CONFLICT REPLACE",
                                                " ON CONFLICT ABORT"};
        QString c = name;
        const QString type = One(types);
        if (!type.isEmpty()) c += " " + type;
        const int parts = Pick(4);
        for (int k = 0; k < parts; ++k) {
            c += Comment();
            switch (Pick(9)) {
            case 0:
                c += " NOT NULL" + One(conflicts);
                break;
            case 1:
                c += " UNIQUE" + One(conflicts);
                break;
            case 2:
                c += " DEFAULT " + One(defaults);
                break;
            case 3:
                c += " COLLATE " + One(colls);
                break;
            case 4:
                c += QStringLiteral(" CONSTRAINT ck%1 CHECK (length(%2) < %1)")
                         .arg(Pick(100))
                         .arg(name);
                break;
            case 5:
                c += " CHECK (" + name + " IN ('x', 'y)', 1))";
                break;
            case 6:
                c +=
                    " REFERENCES parent" +
                    One(std::array<const char*, 3>{"", "(id)", "(id) ON DELETE CASCADE"}.data(), 3);
                break;
            case 7:
                if (!pkUsed) {
                    pkUsed = true;
                    c += Pick(2) ? " PRIMARY KEY" : " PRIMARY KEY DESC";
                }
                break;
            default:
                c += " NULL";
                break;
            }
        }
        return c;
    }
    QString One(const char* const* items, int n) { return QString::fromUtf8(items[Pick(n)]); }
    QString Table(int index) {
        QStringList items, names;
        bool pk = false;
        const int cols = 1 + Pick(5);
        for (int i = 0; i < cols; ++i) {
            QString n;
            do
                n = Name();
            while (names.contains(n.toUpper()));
            names << n.toUpper();
            items << Comment() + Column(n, pk);
        }
        if (Pick(3) == 0)
            items << "UNIQUE (" + names.first().toLower() + ")" +
                         (Pick(2) ? " ON CONFLICT IGNORE" : "");
        if (Pick(4) == 0) items << "CONSTRAINT \"t ck\" CHECK (1 = 1)";
        if (Pick(4) == 0)
            items << "FOREIGN KEY (" + names.last().toLower() +
                         ") REFERENCES parent(id) DEFERRABLE";
        bool rowidless = false;
        if (!pk && Pick(4) == 0) {
            items << "PRIMARY KEY (" + names.first().toLower() + (Pick(2) ? " DESC" : "") + ")";
            rowidless = Pick(2) == 0;
        }
        return QStringLiteral("CREATE TABLE \"g%1\" (").arg(index) + items.join(",\n") + ")" +
               (rowidless ? " WITHOUT ROWID" : "") + ";";
    }

private:
    uint32_t FState;
};

TEST(TableRoundTrip, GeneratedTables) {
    const uint32_t seed = uint32_t(qEnvironmentVariableIntValue("SKYLARK_SCHEMA_SEED")) + 20261209u;
    SchemaGenerator gen(seed);
    Outcome o;
    o.refusalFails = false;
    int accepted = 0;
    for (int batch = 0; batch < 20; ++batch) {
        QString script = "CREATE TABLE parent(id INTEGER PRIMARY KEY);\n";
        TSQLite3Database probe;
        ASSERT_TRUE(probe.Open(":memory:"));
        for (int i = 0; i < 150; ++i) {
            const QString t = gen.Table(batch * 1000 + i);
            // Only what the engine accepts.
            if (probe.ExecSQL(t)) {
                script += t + "\n";
                ++accepted;
            }
        }
        RoundTrip(script, QStringLiteral("seed %1 batch %2").arg(seed).arg(batch), o);
    }
    EXPECT_GT(accepted, 2000);
    EXPECT_LT(o.refused, accepted / 4) << "refused " << o.refused << " of " << accepted;
    EXPECT_TRUE(o.failures.isEmpty())
        << "seed " << seed << ", " << o.failures.size() << " failures\n"
        << o.failures.mid(0, 5).join("\n\n").toStdString();
}

TEST(TableRoundTrip, Corpus) {
    QDir corpus(QStringLiteral(DESIGN_CORPUS_DIR));
    const QStringList files = corpus.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    Outcome o;
    for (const QString& f : files) {
        QString text;
        ASSERT_TRUE(ReadTextFile(corpus.filePath(f), text));
        RoundTrip(text, f, o);
    }
    EXPECT_GE(o.tables, 100);
    EXPECT_TRUE(o.failures.isEmpty()) << o.failures.size() << " failures\n"
                                      << o.failures.join("\n\n").toStdString();
}

} // namespace
} // namespace sky::test
