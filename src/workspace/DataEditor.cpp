#include "workspace/DataEditor.h"

#include "design/TableLayout.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/Csv.h"
#include "support/TextUtil.h"
#include "workspace/SchemaTree.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <sqlite3.h>

namespace sky {
namespace {

const QString kLineEnd = QStringLiteral("\r\n");
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

QString DataEditorModel::GridText() const {
    auto line = [](const QStringList& cells) {
        QString l;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (i > 0) l += QLatin1Char('\t');
            l += QuoteCSVValue(cells[i], u'\t');
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
