// Fuzzes the statements shown for a result row: an arbitrary heading and
// value in a column of each affinity. Every shown statement must be one
// statement, and run on an in-memory database it must write back exactly
// what the bound execution of the same action writes.
#include "design/TableLayout.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/ResultTable.h"
#include "engine/SqlLiteral.h"
#include "workspace/ResultsActions.h"
#include "workspace/SchemaTree.h"
#include "workspace/SqlTemplate.h"

#include <QString>
#include <cstddef>
#include <cstdint>

namespace {

QString Stored(sky::TSQLite3Database& db, const QString& col, int key) {
    QString v;
    db.QuerySingleValue(v, QStringLiteral("SELECT quote(") + col + QStringLiteral(") || typeof(") +
                               col + QStringLiteral(") FROM t WHERE k = ") + QString::number(key));
    return v;
}

QString Applied(const QString& tmpl) {
    sky::TemplateResult r;
    if (!sky::ApplyTemplate(tmpl, {}, r)) __builtin_trap();
    if (r.selStart < 0 || r.selStart > r.selEnd || r.selEnd > r.text.size()) __builtin_trap();
    return r.text;
}

// Runs a shown statement: it must be exactly one.
void RunOne(sky::TSQLite3Database& db, const QString& sql) {
    sky::TSQLiteStatementArray parts;
    QString tail;
    db.SQLReduceToStatements(sql, parts, true, &tail);
    if (parts.size() != 1 || !tail.trimmed().isEmpty()) __builtin_trap();
    if (!db.Execute(sql)) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static const char* const types[] = {"TEXT", "INTEGER", "REAL", "NUMERIC", "BLOB", ""};
    const char* type = types[data[0] % 6];
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const qsizetype cut = input.indexOf(QChar(u'\n'));
    const QString heading = cut < 0 ? QStringLiteral("c") : input.left(cut);
    const QString value = cut < 0 ? input : input.mid(cut + 1);
    // "k" is the key; a column without a name is refused by the value actions.
    if (heading.isEmpty() || heading.compare(QLatin1String("k"), Qt::CaseInsensitive) == 0)
        return 0;

    sky::TSQLite3Database db;
    if (!db.Open(QStringLiteral(":memory:"))) return 0;
    const QString col = sky::QuoteIdent(heading);
    if (!db.Execute(QStringLiteral("CREATE TABLE t(k INTEGER PRIMARY KEY, ") + col +
                    QLatin1Char(' ') + QLatin1String(type) + QLatin1Char(')')))
        return 0; // a name the engine refuses (a duplicate of k, ...)
    const sky::CellValue typed =
        sky::TypedAnswer(value, sky::ColumnAffinity(QString::fromLatin1(type)));
    db.Execute(QStringLiteral("INSERT INTO t(k) VALUES (1), (2)"));
    const sky::ActionTable t = sky::ReadActionTable(db, QString(), QStringLiteral("t"));
    sky::TResultTable rows;
    if (!db.QueryToResults(rows, QStringLiteral("SELECT * FROM t ORDER BY k"), -1, -1))
        __builtin_trap();
    const sky::RowTarget r1 = sky::ResolveRow(t, rows, 0), r2 = sky::ResolveRow(t, rows, 1);
    if (!r1.why.isEmpty() || !r2.why.isEmpty()) __builtin_trap();
    const QString name = t.names.value(heading.toUpper());
    if (name.isEmpty()) __builtin_trap();

    // The shown edit of row 1 and the bound edit of row 2 store the same.
    RunOne(db, Applied(sky::ShowEditSql(t, r1, name, typed)));
    QString status;
    if (!sky::ExecuteValueEdit(db, t, r2, name, heading, typed, status)) __builtin_trap();
    const QString stored = Stored(db, col, 1);
    if (stored != Stored(db, col, 2)) __builtin_trap();

    // The row's UPDATE changes nothing; DELETE and INSERT give the row back.
    if (!db.QueryToResults(rows, QStringLiteral("SELECT * FROM t ORDER BY k"), -1, -1))
        __builtin_trap();
    const sky::RowTarget again = sky::ResolveRow(t, rows, 0);
    RunOne(db, Applied(sky::RowUpdateSql(t, again, rows, 0)));
    if (Stored(db, col, 1) != stored) __builtin_trap();
    const QString insert = Applied(sky::RowInsertSql(t, again, rows, 0));
    RunOne(db, Applied(sky::RowDeleteSql(t, again)));
    RunOne(db, insert);
    QString count;
    db.QuerySingleValue(count, QStringLiteral("SELECT count(*) FROM t WHERE ") + col +
                                   QStringLiteral(" IS (SELECT ") + col +
                                   QStringLiteral(" FROM t WHERE k = 2)"));
    if (count != QLatin1String("2")) __builtin_trap();
    return 0;
}
