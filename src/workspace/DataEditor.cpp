#include "workspace/DataEditor.h"

#include "design/TableLayout.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLexer.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/Csv.h"
#include "support/TextUtil.h"
#include "workspace/SchemaTree.h"

#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <sqlite3.h>
#include <type_traits>

namespace sky {
namespace {

const QString kLineEnd = QStringLiteral("\r\n");
const QString kStatementEnd = QStringLiteral("; \r\n");
const QString kOwnTransaction =
    QStringLiteral("The editor commits in a transaction of its own: this statement is not run");
const QString kNoRowChanged = QStringLiteral("The row was not found: no row changed");
const QString kRowsChanged = QStringLiteral("%1 rows would change instead of one");
const QString kPragmaColumns = QStringLiteral(
    "SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(?1, ?2) ORDER BY cid;");

bool IsIntegerAffinity(const TEditFieldSpec& f) {
    return f.Affinity.startsWith(QLatin1String("INT"));
}
bool IsRealAffinity(const TEditFieldSpec& f) {
    return f.Affinity.startsWith(QLatin1String("REA"));
}

// A string literal through the one literal routine (NUL and CR as char()).
QString TextLiteral(const QString& value) {
    if (!value.contains(QChar(0)) && !value.contains(QLatin1Char('\r')))
        return QuoteSqlString(value);
    const QByteArray utf8 = value.toUtf8();
    std::string out;
    AppendSqlText(out, utf8.constData(), utf8.size());
    return QString::fromUtf8(out.data(), qsizetype(out.size()));
}

// A plain number text (blanks around allowed) as a double; false otherwise.
bool NumberText(const QString& text, double& v) {
    bool ok = false;
    v = TrimText(text).toDouble(&ok);
    return ok;
}
bool IntegerText(const QString& text, qint64& v) {
    bool ok = false;
    v = TrimText(text).toLongLong(&ok);
    return ok;
}

// "+12.5" read exactly as an integer rounded half away from zero; false when
// the text is not such a decimal or its integer part does not fit 64 bits.
bool RoundDecimal(const QString& t, qint64& v) {
    static const QRegularExpression re(QStringLiteral("^([+-]?)(\\d+)\\.(\\d*)$"));
    const QRegularExpressionMatch m = re.match(t);
    if (!m.hasMatch()) return false;
    bool ok = false;
    const qint64 whole = m.captured(2).toLongLong(&ok);
    if (!ok) return false;
    const QString frac = m.captured(3);
    const bool up = !frac.isEmpty() && frac[0] >= QLatin1Char('5');
    if (up && whole == std::numeric_limits<qint64>::max()) return false;
    const qint64 magnitude = whole + (up ? 1 : 0);
    v = m.captured(1) == QLatin1String("-") ? -magnitude : magnitude;
    return true;
}

QString IntegerNormal(const QString& t) {
    qint64 exact = 0;
    if (IntegerText(t, exact) || RoundDecimal(t, exact)) return QString::number(exact);
    const long double v = NumberOf(t);
    if (std::isnan(v)) return QStringLiteral("0");
    if (std::isinf(v)) return SqlRealLiteral(double(v));
    const long double r = std::round(v);
    if (r >= -9.2233720368547758e18L && r < 9.2233720368547758e18L)
        return QString::number(qint64(r));
    return QString::number(double(r), 'f', 0);
}

QString RealNormal(const QString& t) {
    const double v = double(NumberOf(t));
    if (std::isnan(v)) return QStringLiteral("0");
    if (std::isinf(v)) return SqlRealLiteral(v);
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

// The first word of a statement (after blanks and comments).
QStringView FirstWord(QStringView sql) {
    SqlLexer lex(sql);
    SqlToken tok;
    while (lex.Next(tok)) {
        if (tok.kind == SqlTokKind::Word) return sql.mid(tok.pos, tok.len);
        if (tok.kind != SqlTokKind::Space && tok.kind != SqlTokKind::LineBreak &&
            tok.kind != SqlTokKind::LineComment && tok.kind != SqlTokKind::BlockComment)
            break;
    }
    return {};
}

// A statement that would begin or end a transaction (the editor's own).
bool IsTransactionStatement(QStringView sql) {
    const QStringView w = FirstWord(sql);
    for (const char* k : {"BEGIN", "COMMIT", "END", "ROLLBACK"})
        if (SqlWordIs(w, k)) return true;
    return false;
}

// A REAL as the grid shows it: the shortest text that reads back to the
// same double, with a decimal point or an exponent.
QString RealShown(double v) {
    if (!std::isfinite(v)) return SqlRealLiteral(v);
    char buf[40];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf - 2, v);
    char* e = ec == std::errc() ? end : buf;
    if (std::find_if(buf, e, [](char c) { return c == '.' || c == 'e'; }) == e) {
        *e++ = '.';
        *e++ = '0';
    }
    return QString::fromLatin1(buf, qsizetype(e - buf));
}

// The text of a column value as the grid shows it, and its size as CSV.
QString ShownValue(sqlite3_stmt* st, int col, qint64& bytes) {
    switch (sqlite3_column_type(st, col)) {
    case SQLITE_INTEGER: {
        const QString s = QString::number(sqlite3_column_int64(st, col));
        bytes += s.size();
        return s;
    }
    case SQLITE_FLOAT: {
        const QString s = RealShown(sqlite3_column_double(st, col));
        bytes += s.size();
        return s;
    }
    case SQLITE_TEXT: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
        const int n = sqlite3_column_bytes(st, col);
        bytes += n;
        return QString::fromUtf8(p, n);
    }
    case SQLITE_BLOB: {
        const int n = sqlite3_column_bytes(st, col);
        bytes += 2 * qint64(n) + 2;
        return QString::fromLatin1(BlobToHexText(sqlite3_column_blob(st, col), n));
    }
    default:
        bytes += 4;
        return QStringLiteral("NULL");
    }
}

} // namespace

bool IsNullText(QStringView text) {
    return TrimmedView(text).compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0;
}

QString EditFieldDefault(const QString& declaredDefault, bool notNull, bool quoted) {
    QString t = declaredDefault;
    // Comments are no part of the value.
    for (qsizetype at = t.indexOf(QLatin1String("/*")); at >= 0;
         at = t.indexOf(QLatin1String("/*"), at)) {
        const qsizetype end = t.indexOf(QLatin1String("*/"), at + 2);
        t.remove(at, end < 0 ? t.size() - at : end + 2 - at);
    }
    t = TrimText(t);
    if (IsNullText(t)) t.clear();
    const bool has = !t.isEmpty();
    // A string literal gives its text.
    if (t.size() >= 2 && t.startsWith(QLatin1Char('\'')) && t.endsWith(QLatin1Char('\'')) &&
        !QStringView(t)
             .mid(1, t.size() - 2)
             .toString()
             .remove(QLatin1String("''"))
             .contains(QLatin1Char('\'')))
        t = t.mid(1, t.size() - 2).replace(QLatin1String("''"), QLatin1String("'"));
    if (has) return t;
    if (notNull) return quoted ? QString() : QStringLiteral("0");
    return QStringLiteral("NULL");
}

TEditFieldSpec EditFieldOf(const QString& name, const QString& declaredType, bool notNull,
                           bool isPK, const QString& declaredDefault) {
    TEditFieldSpec f;
    f.Name = name;
    f.SafeName = QuoteIdent(name);
    f.VarType = declaredType;
    f.Affinity = ColumnAffinity(declaredType);
    f.isQuoted = !IsIntegerAffinity(f) && !IsRealAffinity(f);
    f.notNull = notNull;
    f.isPK = isPK;
    f.isRowID = name.compare(QLatin1String("rowid"), Qt::CaseInsensitive) == 0;
    f.ValDefault = EditFieldDefault(declaredDefault, notNull, f.isQuoted);
    return f;
}

QString NormaliseEditValue(const TEditFieldSpec& f, const QString& typed) {
    if (IsNullText(typed)) return QStringLiteral("NULL");
    if (IsIntegerAffinity(f)) return IntegerNormal(TrimText(typed));
    if (IsRealAffinity(f)) return RealNormal(TrimText(typed));
    return typed;
}

bool EditValueChanged(const TEditFieldSpec& f, const QString& oldValue, const QString& newValue) {
    const bool oldNull = IsNullText(oldValue), newNull = IsNullText(newValue);
    if (oldNull || newNull) return oldNull != newNull;
    const bool integer = IsIntegerAffinity(f);
    if (integer || IsRealAffinity(f)) {
        qint64 a = 0, b = 0;
        if (integer && IntegerText(oldValue, a) && IntegerText(newValue, b)) return a != b;
        double x = 0, y = 0;
        if (NumberText(oldValue, x) && NumberText(newValue, y))
            return std::fabs(x - y) > (integer ? 0.5 : 1e-12);
    }
    return oldValue != newValue;
}

QString EditValueSql(const TEditFieldSpec& f, const QString& value) {
    if (IsNullText(value)) return QStringLiteral("NULL");
    if (f.isQuoted) return TextLiteral(value);
    const QString t = TrimText(value);
    if (t.isEmpty()) return QStringLiteral("0");
    if (IsStrictNumericLiteral(t)) return t;
    return TextLiteral(value);
}

QString EditHistoryKey(const QString& table) {
    return QStringLiteral("dbt_") + table + QStringLiteral("_EditHist");
}

QStringList EditHistoryWith(const QStringList& history, const QString& where) {
    QStringList h{where};
    for (const QString& w : history)
        if (w != where && h.size() < kEditHistoryMax) h << w;
    return h;
}

QString EditCommitSummary(int failures, int successes) {
    QString s = failures == 0   ? QStringLiteral("Success -")
                : failures == 1 ? QStringLiteral("Error: One update failed and")
                                : QStringLiteral("Error: %1 updates failed and").arg(failures);
    s += QLatin1Char(' ');
    s += successes == 0   ? QStringLiteral("no updates")
         : successes == 1 ? QStringLiteral("one update")
                          : QStringLiteral("%1 updates").arg(successes);
    s += QStringLiteral(" succeeded");
    if (failures > 0) s += kEditorRolledBack;
    return s;
}

QString EditCommitNotice(int failures) {
    return QStringLiteral("There ") +
           (failures == 1 ? QStringLiteral("was an Error")
                          : QStringLiteral("were %1 Errors").arg(failures)) +
           QStringLiteral(" during the previous updates.\r\r"
                          "The errors and Queries are shown in the Editor's query box. You may:\r"
                          " - Copy them to edit/execute elsewhere, \r"
                          " - Edit/fix them inside the same Query box and try to commit again, "
                          "or \r"
                          " - Discard them by Refreshing the Editor.");
}

// --- loading

void DataEditorModel::Clear() {
    track.KeyFields.clear();
    track.EditFields.clear();
    fLoaded = 0;
    fKeys.clear();
    fOld.clear();
    fState.clear();
    fEdits.clear();
    fOrder.clear();
    fScript.clear();
    fGenerated = true;
    fDirty = false;
}

bool DataEditorModel::ReadColumns(TSQLite3Database& db, QString& status) {
    Clear();
    const QString schema = TrimText(track.cur.Schema);
    track.edt.Schema = IsMainSchema(schema) ? QString()
                       : schema.compare(QLatin1String("temp"), Qt::CaseInsensitive) == 0
                           ? QStringLiteral("temp.")
                           : QuoteIdent(schema) + QLatin1Char('.');
    track.edt.Table = QuoteIdent(track.cur.Table);
    struct Column {
        TEditFieldSpec f;
        int pk;
    };
    // A default is the value of its expression, as the engine gives it: a
    // literal its value, CURRENT_TIMESTAMP the time of loading.
    auto evaluated = [&db](TEditFieldSpec& f, const QString& declared) {
        if (TrimText(declared).isEmpty()) return;
        db.ClearError();
        auto st = db.Prepare(QStringLiteral("SELECT ") + declared + QStringLiteral("\n;"));
        if (!st || st->Step() != SQLITE_ROW) return;
        qint64 size = 0;
        const QString value = ShownValue(st->Handle(), 0, size);
        f.ValDefault = sqlite3_column_type(st->Handle(), 0) == SQLITE_NULL
                           ? EditFieldDefault(QString(), f.notNull, f.isQuoted)
                           : value;
    };
    QList<Column> cols;
    QStringList defaults;
    if (auto st = db.Prepare(kPragmaColumns)) {
        st->BindText(1, track.cur.Table);
        st->BindText(2, IsMainSchema(schema) ? QStringLiteral("main") : schema);
        int rc;
        while ((rc = st->Step()) == SQLITE_ROW) {
            const int pk = st->ColumnInt(4);
            cols << Column{EditFieldOf(st->ColumnText(0), st->ColumnText(1), st->ColumnInt(2) > 0,
                                       pk > 0, st->ColumnText(3)),
                           pk};
            defaults << st->ColumnText(3);
        }
        if (rc != SQLITE_DONE) db.CheckResult(rc);
    }
    for (qsizetype i = 0; i < cols.size(); ++i)
        evaluated(cols[i].f, defaults[i]);
    // The key: the whole primary key in key order, or rowid when there is
    // none or a key column is left out (BLOB affinity).
    QList<Column> keys;
    bool whole = true;
    for (const Column& c : std::as_const(cols)) {
        if (c.pk <= 0) continue;
        keys << c;
        whole = whole && c.f.Affinity != QLatin1String("BLOB");
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const Column& a, const Column& b) { return a.pk < b.pk; });
    if (!whole) keys.clear();
    for (const Column& k : std::as_const(keys)) {
        TEditFieldSpec f = k.f;
        f.notNull = f.isPK = true;
        track.KeyFields << f;
    }
    if (track.KeyFields.isEmpty()) {
        db.ClearError();
        bool found = false;
        if (auto st = db.Prepare(QStringLiteral("SELECT rowid FROM ") + track.edt.Schema +
                                 track.edt.Table + QStringLiteral(" LIMIT 1;"))) {
            const int rc = st->Step();
            found = rc == SQLITE_ROW;
            if (rc != SQLITE_ROW && rc != SQLITE_DONE) db.CheckResult(rc);
        }
        if (!found) {
            status = kEditorNoSchema + db.LastError();
            return false;
        }
        TEditFieldSpec f =
            EditFieldOf(QStringLiteral("rowid"), QStringLiteral("INTEGER"), true, true, QString());
        track.KeyFields << f;
    }
    for (const Column& c : std::as_const(cols))
        if (c.f.Affinity != QLatin1String("BLOB")) track.EditFields << c.f;
    fKeys.resize(size_t(track.KeyFields.size()));
    fOld.resize(size_t(track.EditFields.size()));
    return true;
}

QString DataEditorModel::SelectSql(const QString& where) const {
    QStringList names;
    for (const TEditFieldSpec& f : track.KeyFields)
        names << f.SafeName;
    for (const TEditFieldSpec& f : track.EditFields)
        names << f.SafeName;
    return QStringLiteral("SELECT ") + names.join(QLatin1Char(',')) + QStringLiteral(" FROM ") +
           track.edt.Schema + track.edt.Table + QStringLiteral(" WHERE ") + where;
}

bool DataEditorModel::LoadRows(TSQLite3Database& db, const QString& where, QString& status) {
    fLoaded = 0;
    fState.clear();
    fEdits.clear();
    fOrder.clear();
    fScript.clear();
    fGenerated = true;
    fDirty = false;
    for (TCSVValues& v : fKeys)
        v.clear();
    for (TCSVValues& v : fOld)
        v.clear();
    db.ClearError();
    std::unique_ptr<TSQLite3Statement> st = db.Prepare(SelectSql(where));
    if (!st) {
        status = kEditorLoadError + db.LastError();
        return false;
    }
    const int keys = int(fKeys.size()), cols = int(fOld.size());
    if (sqlite3_column_count(st->Handle()) != keys + cols) {
        status = kEditorLoadError + QStringLiteral("the columns do not match");
        return false;
    }
    qint64 size = 0;
    std::string literal;
    int rc;
    while ((rc = st->Step()) == SQLITE_ROW) {
        sqlite3_stmt* h = st->Handle();
        for (int k = 0; k < keys; ++k) {
            literal.clear();
            size += AppendSqlValue(literal, h, k) + 1;
            fKeys[size_t(k)].append(QString::fromUtf8(literal.data(), qsizetype(literal.size())));
        }
        for (int c = 0; c < cols; ++c) {
            fOld[size_t(c)].append(ShownValue(h, keys + c, size));
            ++size;
        }
        size += 1; // CR LF for the comma not written after the last field
        ++fLoaded;
        if (size >= kEditorResultLimit) break;
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        db.CheckResult(rc);
        status = kEditorLoadError + db.LastError();
        Clear();
        return false;
    }
    fState.assign(size_t(fLoaded), 0);
    status = kEditorLoaded;
    return true;
}

// --- the grid

QString DataEditorModel::CellText(int row, int col) const {
    if (const auto it = fEdits.find(row); it != fEdits.end() && it->second.cells[size_t(col)].has)
        return it->second.cells[size_t(col)].value;
    return row < fLoaded ? fOld[size_t(col)].at(row) : QString();
}

TEditFieldItem DataEditorModel::EditItem(int col, int row) const {
    return {row < fLoaded ? fOld[size_t(col)].at(row) : QString(), CellText(row, col),
            CellChange(row, col)};
}

TEditFieldItem DataEditorModel::KeyItem(int key, int row) const {
    const QString old = row < fLoaded ? fKeys[size_t(key)].at(row) : QString();
    return {old, old, key == 0 ? int(fState[size_t(row)]) : 0};
}

int DataEditorModel::CellChange(int row, int col) const {
    if (const auto it = fEdits.find(row); it != fEdits.end())
        return it->second.cells[size_t(col)].change;
    return 0;
}

QString DataEditorModel::RowLabel(int row) const {
    switch (RowState(row)) {
    case EditRowState::New:
        return kEditorNewRow;
    case EditRowState::Deleted:
        return kEditorDeletedRow;
    default:
        return QString::number(row + 1);
    }
}

bool DataEditorModel::RowChanged(int row) const {
    if (row < 0 || row >= RowCount()) return false;
    if (fState[size_t(row)] != 0) return true;
    const auto it = fEdits.find(row);
    return it != fEdits.end() &&
           std::any_of(it->second.cells.begin(), it->second.cells.end(),
                       [](const Cell& c) { return c.change == kCellChanged; });
}

EditRowButtons DataEditorModel::ButtonsFor(int row) const {
    EditRowButtons b;
    if (row < 0 || row >= RowCount()) return b;
    b.remove = true; // every data row has its label
    b.copyGrid = true;
    b.reset = RowChanged(row);
    return b;
}

// --- edits

DataEditorModel::RowEdit& DataEditorModel::Edit(int row) {
    auto it = fEdits.lower_bound(row);
    if (it == fEdits.end() || it->first != row) {
        const size_t cols = size_t(ColumnCount());
        it = fEdits.emplace_hint(it, row, RowEdit());
        it->second.cells.resize(cols);
    }
    return it->second;
}

void DataEditorModel::Changed() {
    fDirty = true;
    if (!fDefer) RebuildScript();
}

void DataEditorModel::DeferScript(bool defer) {
    fDefer = defer;
    if (!defer) RebuildScript();
}

bool DataEditorModel::SetCell(int row, int col, const QString& typed) {
    if (row < 0 || row >= RowCount() || col < 0 || col >= ColumnCount()) return false;
    const TEditFieldSpec& f = track.EditFields[col];
    const QString value = NormaliseEditValue(f, typed);
    const bool inNewRow = RowState(row) == EditRowState::New;
    const auto it = fEdits.find(row);
    const Cell* cell = it != fEdits.end() ? &it->second.cells[size_t(col)] : nullptr;
    const QString old = inNewRow ? QString() : fOld[size_t(col)].at(row);
    const bool mark =
        !inNewRow && (!cell || cell->change != kCellChanged) && EditValueChanged(f, old, value);
    if (!mark && value == (cell && cell->has ? cell->value : old)) return false;
    RowEdit& e = it != fEdits.end() ? it->second : Edit(row);
    Cell& c = e.cells[size_t(col)];
    if (mark) c.change = kCellChanged;
    c.value = value;
    c.has = 1;
    e.stale = true;
    Changed();
    return true;
}

int DataEditorModel::AddRecord() {
    if (track.KeyFields.isEmpty() || track.EditFields.isEmpty()) return -1;
    const int row = RowCount();
    fState.push_back(int(EditRowState::New));
    RowEdit e;
    for (const TEditFieldSpec& f : std::as_const(track.EditFields))
        e.cells.push_back({f.ValDefault, 1, kCellInNewRow});
    fEdits.emplace(row, std::move(e));
    Changed();
    return row;
}

void DataEditorModel::RemoveRow(int row) {
    fEdits.erase(row);
    fState.erase(fState.begin() + row);
    // The rows below move up (only new rows follow a new row).
    for (auto it = fEdits.upper_bound(row); it != fEdits.end();) {
        auto node = fEdits.extract(it++);
        node.key() -= 1;
        fEdits.insert(std::move(node));
    }
}

bool DataEditorModel::DeleteLine(int row) {
    if (row < 0 || row >= RowCount()) return false;
    switch (RowState(row)) {
    case EditRowState::New:
        RemoveRow(row);
        break;
    case EditRowState::Deleted:
        fState[size_t(row)] = int(EditRowState::Unchanged);
        Edit(row).stale = true;
        break;
    default:
        fState[size_t(row)] = int(EditRowState::Deleted);
        Edit(row).stale = true;
        break;
    }
    Changed();
    return true;
}

bool DataEditorModel::ResetLine(int row) {
    if (row < 0 || row >= RowCount()) return false;
    if (RowState(row) == EditRowState::New) {
        RemoveRow(row);
    } else {
        fState[size_t(row)] = int(EditRowState::Unchanged);
        fEdits.erase(row);
    }
    Changed();
    return true;
}

// --- the script

void DataEditorModel::AppendKeyCondition(QString& out, int row) const {
    for (int k = 0; k < track.KeyFields.size(); ++k) {
        if (k > 0) out += QLatin1String(" AND ");
        const TCSVValues& keys = fKeys[size_t(k)];
        out += track.KeyFields[k].SafeName;
        if (keys.length(row) == 4 && keys.at(row) == QLatin1String("NULL")) {
            out += QLatin1String(" IS NULL");
            continue;
        }
        out += QLatin1String(" = ");
        keys.view(row).visit([&out](auto v) {
            if constexpr (std::is_same_v<decltype(v), QUtf8StringView>)
                out += v.toString();
            else
                out += v;
        });
    }
}

void DataEditorModel::StatementOf(int row, RowEdit& e) const {
    QString& s = e.stmt;
    s.clear();
    s.reserve(128);
    e.group = 0;
    const EditRowState state = RowState(row);
    if (state == EditRowState::New) {
        e.group = 1;
        s += QLatin1String("INSERT INTO ");
        s += track.edt.Schema;
        s += track.edt.Table;
        s += QLatin1Char('(');
        for (int c = 0; c < ColumnCount(); ++c) {
            if (c > 0) s += QLatin1Char(',');
            s += track.EditFields[c].SafeName;
        }
        s += QLatin1String(") VALUES (");
        for (int c = 0; c < ColumnCount(); ++c) {
            if (c > 0) s += QLatin1Char(',');
            s += EditValueSql(track.EditFields[c], e.cells[size_t(c)].value);
        }
        s += QLatin1Char(')');
    } else if (state == EditRowState::Deleted) {
        e.group = 3;
        s += QLatin1String("DELETE FROM ");
        s += track.edt.Schema;
        s += track.edt.Table;
        s += QLatin1String(" WHERE ");
        AppendKeyCondition(s, row);
    } else {
        bool any = false;
        for (int c = 0; c < ColumnCount(); ++c) {
            if (e.cells[size_t(c)].change != kCellChanged) continue;
            if (!any) {
                s += QLatin1String("UPDATE ");
                s += track.edt.Schema;
                s += track.edt.Table;
                s += QLatin1String(" SET ");
            } else {
                s += QLatin1String(", ");
            }
            any = true;
            s += track.EditFields[c].SafeName;
            s += QLatin1String(" = ");
            s += EditValueSql(track.EditFields[c], e.cells[size_t(c)].value);
        }
        if (!any) return;
        e.group = 2;
        s += QLatin1String(" WHERE ");
        AppendKeyCondition(s, row);
    }
    s += kStatementEnd;
}

namespace {
// One statement of a commit: its text, whether it must change exactly one
// row, and why it failed (empty when it ran or was not tried).
struct CommitItem {
    QString text;
    qsizetype shown = 0; // the length of its text as the script shows it
    bool check = false;
    bool generated = false;
    QString error;
    int row = -1;               // a generated statement's row
    const void* edit = nullptr; // and its edit
    QString Shown() const { return text.left(shown); }
};

// Bound values: 0 NULL, 1 an integer (its decimal text), 2 text.
constexpr int kBindNull = 0, kBindInteger = 1, kBindText = 2;

// "-12" and "+7": decimal digits with an optional sign, as the engine reads
// such a literal (a 64-bit integer).
bool DecimalInteger(QStringView t, qint64& v) {
    qsizetype i = t.startsWith(u'-') || t.startsWith(u'+') ? 1 : 0;
    if (i == t.size()) return false;
    for (qsizetype k = i; k < t.size(); ++k)
        if (t[k] < u'0' || t[k] > u'9') return false;
    bool ok = false;
    v = t.toLongLong(&ok);
    return ok;
}

// A key literal as the stored value it was written from: an integer, or
// text in plain quotes. False for other forms (a REAL, a blob, text with
// char() or a CAST), which run as written.
bool KeyBound(QStringView literal, std::pair<int, QString>& v) {
    qint64 i = 0;
    if (DecimalInteger(literal, i)) {
        v = {kBindInteger, literal.toString()};
        return true;
    }
    if (literal.size() < 2 || !literal.startsWith(u'\'') || !literal.endsWith(u'\'')) return false;
    QString inner = literal.mid(1, literal.size() - 2).toString();
    if (QString(inner).remove(QLatin1String("''")).contains(QLatin1Char('\''))) return false;
    v = {kBindText, inner.replace(QLatin1String("''"), QLatin1String("'"))};
    return true;
}

// A cell value as what its literal (EditValueSql) reads as: NULL, an
// integer or text. False for other numbers, which run as written.
bool CellBound(const TEditFieldSpec& f, const QString& value, std::pair<int, QString>& v) {
    if (IsNullText(value)) {
        v = {kBindNull, QString()};
        return true;
    }
    if (f.isQuoted) {
        v = {kBindText, value};
        return true;
    }
    const QStringView t = TrimmedView(value);
    if (t.isEmpty()) {
        v = {kBindInteger, QStringLiteral("0")};
        return true;
    }
    qint64 i = 0;
    if (DecimalInteger(t, i)) {
        v = {kBindInteger, QString::number(i)};
        return true;
    }
    if (IsStrictNumericLiteral(t.toString())) return false;
    v = {kBindText, value};
    return true;
}
} // namespace

bool DataEditorModel::BoundFormOf(int row, const RowEdit& e, QString& shape,
                                  std::vector<std::pair<int, QString>>& values) const {
    values.clear();
    shape.clear();
    std::pair<int, QString> v;
    auto param = [&] { return QLatin1Char('?') + QString::number(values.size()); };
    auto condition = [&]() -> bool {
        shape += QLatin1String(" WHERE ");
        for (int k = 0; k < track.KeyFields.size(); ++k) {
            if (k > 0) shape += QLatin1String(" AND ");
            shape += track.KeyFields[k].SafeName;
            const QString literal = fKeys[size_t(k)].at(row);
            if (literal == QLatin1String("NULL")) {
                shape += QLatin1String(" IS NULL");
                continue;
            }
            if (!KeyBound(literal, v)) return false;
            values.push_back(v);
            shape += QLatin1String(" = ") + param();
        }
        return true;
    };
    const QString table = track.edt.Schema + track.edt.Table;
    if (e.group == 1) {
        shape = QLatin1String("INSERT INTO ") + table + QLatin1Char('(');
        QString params;
        for (int c = 0; c < ColumnCount(); ++c) {
            if (!CellBound(track.EditFields[c], e.cells[size_t(c)].value, v)) return false;
            values.push_back(v);
            if (c > 0) {
                shape += QLatin1Char(',');
                params += QLatin1Char(',');
            }
            shape += track.EditFields[c].SafeName;
            params += param();
        }
        shape += QLatin1String(") VALUES (") + params + QLatin1Char(')');
        return true;
    }
    if (e.group == 3) {
        shape = QLatin1String("DELETE FROM ") + table;
        return condition();
    }
    shape = QLatin1String("UPDATE ") + table + QLatin1String(" SET ");
    bool first = true;
    for (int c = 0; c < ColumnCount(); ++c) {
        if (e.cells[size_t(c)].change != kCellChanged) continue;
        if (!CellBound(track.EditFields[c], e.cells[size_t(c)].value, v)) return false;
        values.push_back(v);
        if (!first) shape += QLatin1String(", ");
        first = false;
        shape += track.EditFields[c].SafeName + QLatin1String(" = ") + param();
    }
    return condition();
}

void DataEditorModel::RebuildScript() {
    // One walk over the touched rows sorts their statements into the groups.
    qsizetype size = 0;
    std::vector<std::pair<int, const RowEdit*>> groups[4];
    for (auto& [row, e] : fEdits) {
        if (e.stale) {
            StatementOf(row, e);
            e.stale = false;
        }
        if (e.group == 0) continue;
        groups[e.group].emplace_back(row, &e);
        size += e.stmt.size();
    }
    fScript.clear();
    fScript.reserve(size + 4);
    fOrder.clear();
    fOrder.reserve(groups[1].size() + groups[2].size() + groups[3].size());
    // The groups in order, an empty line between those that hold statements.
    for (int g = 1; g < 4; ++g) {
        if (groups[g].empty()) continue;
        if (!fScript.isEmpty()) fScript += kLineEnd;
        for (const auto& item : groups[g]) {
            fScript += item.second->stmt;
            fOrder.push_back(item);
        }
    }
    fGenerated = true;
    fDirty = false;
}

void DataEditorModel::SetScript(const QString& text) {
    if (text == fScript) return;
    fScript = text;
    fGenerated = false;
}

QSet<QString> DataEditorModel::GeneratedChecks() const {
    QSet<QString> checks;
    for (const auto& [row, e] : fEdits) {
        RowEdit fresh;
        const RowEdit* r = &e;
        if (e.stale) {
            fresh = e;
            StatementOf(row, fresh);
            r = &fresh;
        }
        // As the splitter gives it: the "; " + CR LF ending becomes ";".
        if (r->group >= 2) checks.insert(r->stmt.left(r->stmt.size() - kStatementEnd.size() + 1));
    }
    return checks;
}

// --- the commit

EditCommitResult DataEditorModel::Commit(TSQLite3Database& db) {
    EditCommitResult r;
    std::vector<CommitItem> items;
    QString tail, tailError;
    QSet<QString> checks = fKeptChecks;
    if (fGenerated) {
        // The script is the generated one: its statements are the rows'
        // own, in the order of the script (what the splitter would give).
        if (fDirty) RebuildScript();
        items.reserve(fOrder.size());
        for (const auto& [row, e] : fOrder)
            items.push_back({e->stmt, e->stmt.size() - kStatementEnd.size() + 1, e->group >= 2,
                             true, QString(), row, e});
    } else {
        TSQLiteStatementArray statements;
        db.SQLReduceToStatements(fScript, statements, true, &tail);
        tailError = db.LastError();
        checks += GeneratedChecks();
        items.reserve(size_t(statements.size()));
        for (QString& s : statements) {
            const bool check = checks.contains(s);
            const qsizetype shown = s.size();
            items.push_back({std::move(s), shown, check, false, QString()});
        }
    }
    if (items.empty() && tail.isEmpty()) {
        r.summary = kEditorNoItems;
        return r;
    }
    r.ran = true;
    QString whole; // a failure of the transaction itself
    bool ended = false;
    if (!db.BeginTransaction()) {
        whole = db.LastError();
        ended = true;
    }
    // A generated statement runs with its values bound to the statement of
    // its shape, prepared once for all rows of that shape; it reads the same
    // values as its literals. Other statements run as written.
    QHash<QString, std::shared_ptr<TSQLite3Statement>> shapes;
    QString shape;
    std::vector<std::pair<int, QString>> values;
    for (size_t i = 0; i < items.size() && !ended; ++i) {
        CommitItem& item = items[i];
        QString& error = item.error;
        if (!item.generated && IsTransactionStatement(item.text)) {
            error = kOwnTransaction;
        } else {
            db.ClearError();
            std::shared_ptr<TSQLite3Statement> st;
            if (item.generated &&
                BoundFormOf(item.row, *static_cast<const RowEdit*>(item.edit), shape, values)) {
                auto it = shapes.find(shape);
                if (it == shapes.end())
                    it =
                        shapes.insert(shape, std::shared_ptr<TSQLite3Statement>(db.Prepare(shape)));
                st = it.value();
                for (size_t k = 0; st && k < values.size(); ++k) {
                    const int n = int(k) + 1;
                    if (values[k].first == kBindNull)
                        st->BindNull(n);
                    else if (values[k].first == kBindInteger)
                        st->BindInt64(n, values[k].second.toLongLong());
                    else
                        st->BindText(n, values[k].second);
                }
            } else {
                st = db.Prepare(item.text);
            }
            if (!st) {
                error = db.LastError();
                if (error.isEmpty()) continue; // a comment alone
            } else {
                int rc;
                while ((rc = st->Step()) == SQLITE_ROW) {
                }
                if (rc != SQLITE_DONE) {
                    db.CheckResult(rc);
                    error = db.LastError();
                } else if (item.check) {
                    const qint64 n = sqlite3_changes64(db.Handle());
                    if (n != 1) error = n == 0 ? kNoRowChanged : kRowsChanged.arg(n);
                }
                st->Reset();
                st->ClearBindings();
            }
        }
        if (error.isEmpty()) {
            ++r.successes;
        } else {
            ++r.failures;
            // A conflict that ended the transaction stops the commit.
            if (sqlite3_get_autocommit(db.Handle())) ended = true;
        }
    }
    shapes.clear();
    if (!tail.isEmpty()) ++r.failures;
    if (whole.isEmpty() && r.failures == 0) {
        if (!db.Commit()) whole = db.LastError(); // the engine's Commit rolled back
    } else if (whole.isEmpty()) {
        db.Rollback();
    }
    if (!whole.isEmpty()) ++r.failures;
    r.summary = EditCommitSummary(r.failures, r.successes);
    fKeptChecks.clear();
    if (r.failures == 0) return r;
    if (!whole.isEmpty()) r.script += kEditorItemFailed + CommentSafeText(whole) + kLineEnd;
    for (const CommitItem& item : items) {
        if (!item.error.isEmpty())
            r.script += kEditorItemFailed + CommentSafeText(item.error) + kLineEnd;
        const QString shown = item.Shown();
        r.script += shown + kLineEnd;
        if (!item.error.isEmpty()) r.script += kLineEnd;
        if (item.check) fKeptChecks.insert(shown);
    }
    if (!tail.isEmpty())
        r.script += kEditorItemFailed + CommentSafeText(tailError) + kLineEnd + tail + kLineEnd;
    fKeptChecks += checks;
    return r;
}

QString DataEditorModel::GridText() const {
    auto line = [](const QStringList& cells) {
        QString l;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (i > 0) l += QLatin1Char('\t');
            l += QuoteCSVValue(cells[i], u',');
        }
        return l;
    };
    QStringList heads{kEditorRowHeading};
    for (const TEditFieldSpec& f : track.EditFields)
        heads << f.Name;
    QString text = line(heads);
    for (int row = 0; row < RowCount(); ++row) {
        QStringList cells{RowLabel(row)};
        for (int c = 0; c < ColumnCount(); ++c)
            cells << CellText(row, c);
        text += kLineEnd + line(cells);
    }
    return text;
}

} // namespace sky
