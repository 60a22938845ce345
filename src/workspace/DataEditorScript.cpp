// The data editor's script: the statements of the touched rows, the script
// rebuilt from them, and the commit in one transaction (the generated
// statements with their values bound, a script edited by hand as written).
#include "workspace/DataEditor.h"

#include "design/TableLayout.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLexer.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <QHash>
#include <cstdio>
#include <memory>
#include <sqlite3.h>
#include <type_traits>
#include <unordered_map>

namespace sky {
namespace {

const QString kLineEnd = QStringLiteral("\r\n");
const QString kStatementEnd = QStringLiteral("; \r\n");
const QString kOwnTransaction =
    QStringLiteral("The editor commits in a transaction of its own: this statement is not run");

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

} // namespace

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

int DataEditorModel::GroupOf(int row, const RowEdit& e) const {
    const EditRowState state = RowState(row);
    if (state == EditRowState::New) return 1;
    if (state == EditRowState::Deleted) return 3;
    for (int c = 0; c < ColumnCount(); ++c)
        if (e.cells[size_t(c)].change == kCellChanged) return 2;
    return 0;
}

void DataEditorModel::StatementOf(int row, RowEdit& e) const {
    QString& s = e.stmt;
    s.clear();
    e.group = GroupOf(row, e);
    if (e.group == 0) return;
    s.reserve(128);
    if (e.group == 1) {
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
    } else if (e.group == 3) {
        s += QLatin1String("DELETE FROM ");
        s += track.edt.Schema;
        s += track.edt.Table;
        s += QLatin1String(" WHERE ");
        AppendKeyCondition(s, row);
    } else {
        s += QLatin1String("UPDATE ");
        s += track.edt.Schema;
        s += track.edt.Table;
        s += QLatin1String(" SET ");
        bool first = true;
        for (int c = 0; c < ColumnCount(); ++c) {
            if (e.cells[size_t(c)].change != kCellChanged) continue;
            if (!first) s += QLatin1String(", ");
            first = false;
            s += track.EditFields[c].SafeName;
            s += QLatin1String(" = ");
            s += EditValueSql(track.EditFields[c], e.cells[size_t(c)].value);
        }
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
    int row = -1;         // a generated statement's row
    void* edit = nullptr; // and its edit (the model's own type)
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
    // Called for every row of a commit: the shape is appended in place (its
    // room kept from row to row), without temporaries.
    values.clear();
    shape.resize(0);
    std::pair<int, QString> v;
    auto param = [&](QString& to) {
        char digits[24];
        const int n = std::snprintf(digits, sizeof digits, "?%zu", values.size());
        to += QLatin1StringView(digits, n);
    };
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
            shape += QLatin1String(" = ");
            param(shape);
        }
        return true;
    };
    auto table = [&] {
        shape += track.edt.Schema;
        shape += track.edt.Table;
    };
    if (e.group == 1) {
        shape += QLatin1String("INSERT INTO ");
        table();
        shape += QLatin1Char('(');
        QString params;
        for (int c = 0; c < ColumnCount(); ++c) {
            if (!CellBound(track.EditFields[c], e.cells[size_t(c)].value, v)) return false;
            values.push_back(v);
            if (c > 0) {
                shape += QLatin1Char(',');
                params += QLatin1Char(',');
            }
            shape += track.EditFields[c].SafeName;
            param(params);
        }
        shape += QLatin1String(") VALUES (");
        shape += params;
        shape += QLatin1Char(')');
        return true;
    }
    if (e.group == 3) {
        shape += QLatin1String("DELETE FROM ");
        table();
        return condition();
    }
    shape += QLatin1String("UPDATE ");
    table();
    shape += QLatin1String(" SET ");
    bool first = true;
    for (int c = 0; c < ColumnCount(); ++c) {
        if (e.cells[size_t(c)].change != kCellChanged) continue;
        if (!CellBound(track.EditFields[c], e.cells[size_t(c)].value, v)) return false;
        values.push_back(v);
        if (!first) shape += QLatin1String(", ");
        first = false;
        shape += track.EditFields[c].SafeName;
        shape += QLatin1String(" = ");
        param(shape);
    }
    return condition();
}

void DataEditorModel::RebuildScript() {
    // One walk over the touched rows sorts their statements into the groups.
    qsizetype size = 0;
    std::vector<std::pair<int, RowEdit*>> groups[4];
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
        // Their texts are made only where needed (a row without a bound
        // form, the failure report): an edit deferred since the last build
        // leaves them unmade.
        std::vector<std::pair<int, RowEdit*>> order;
        if (fDirty) {
            std::vector<std::pair<int, RowEdit*>> groups[4];
            for (auto& [row, e] : fEdits) {
                if (e.stale) e.group = GroupOf(row, e);
                if (e.group != 0) groups[e.group].emplace_back(row, &e);
            }
            for (int g = 1; g < 4; ++g)
                order.insert(order.end(), groups[g].begin(), groups[g].end());
        } else {
            order = fOrder;
        }
        items.reserve(order.size());
        for (const auto& [row, e] : order)
            items.push_back({{}, 0, e->group >= 2, true, {}, row, e});
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
    auto editOf = [](const CommitItem& item) -> RowEdit& {
        return *static_cast<RowEdit*>(item.edit);
    };
    // A generated statement's text, made once.
    auto textOf = [&](CommitItem& item) {
        RowEdit& e = editOf(item);
        if (e.stale) {
            StatementOf(item.row, e);
            e.stale = false;
        }
        item.text = e.stmt;
        item.shown = e.stmt.size() - kStatementEnd.size() + 1;
    };
    QString whole; // a failure of the transaction itself
    bool ended = false;
    if (!db.BeginTransaction()) {
        whole = db.LastError();
        ended = true;
    }
    // A generated statement runs with its values bound to the statement of
    // its shape, prepared once for all rows of that shape; it reads the same
    // values as its literals. Other statements run as written.
    struct ShapeKey {
        QString text;
        bool operator==(const ShapeKey& o) const { return text == o.text; }
    };
    struct ShapeHash {
        size_t operator()(const ShapeKey& k) const {
            return FastHash(k.text, QHashSeed::globalSeed());
        }
    };
    std::unordered_map<ShapeKey, std::shared_ptr<TSQLite3Statement>, ShapeHash> shapes;
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
            if (item.generated && BoundFormOf(item.row, editOf(item), shape, values)) {
                auto it = shapes.find(ShapeKey{shape});
                if (it == shapes.end())
                    it = shapes
                             .emplace(ShapeKey{shape},
                                      std::shared_ptr<TSQLite3Statement>(db.Prepare(shape)))
                             .first;
                st = it->second;
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
                if (item.generated) textOf(item);
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
    for (CommitItem& item : items) {
        if (item.generated) textOf(item);
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

} // namespace sky
