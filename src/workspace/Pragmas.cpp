// The pragma page's table, reading and updates.
#include "workspace/Pragmas.h"

#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "support/TextUtil.h"

#include <sqlite3.h>

namespace sky {

namespace {

const QStringList kOffOn{"0 - Off", "1 - On"};
const QStringList kSizes{"1024 - 1KB",        "2048 - 2KB",        "4096 - 4KB",
                         "16384 - 16KB",      "65536 - 64KB",      "131072 - 128KB",
                         "262144 - 256KB",    "524288 - 512KB",    "1048576 - 1MB",
                         "8388608 - 8MB",     "16777216 - 16MB",   "134217728 - 128MB",
                         "268435456 - 256MB", "536870912 - 512MB", "1073741824 - 1GB"};

QList<PragmaDef> MakeTable() {
    const QString none;
    return {
        {"application_id", 1, " = x", "", {"0"}},
        {"auto_vacuum", 4, " = x", "", {"0 - None", "1 - Full", "2 - Incremental"}},
        {"automatic_index", 4, " = x", "", kOffOn},
        {"busy_timeout",
         1,
         " = x",
         "ms",
         {"", "20", "50", "100", "200", "500", "750", "1000 - 1sec", "2000 - 2sec", "5000 - 5sec",
          "10000 - 10sec"}},
        {"cache_size", 1, " = x", "Pages", {"1000", "2000", "4000", "6000", "8000", "10000"}},
        {"cache_spill", 4, " = x", "", kOffOn},
        {"case_sensitive_like", 4, " = x", "", kOffOn},
        {"cell_size_check", 4, " = x", "", kOffOn},
        {"checkpoint_fullfsync", 4, " = x", "", kOffOn},
        {"collation_list", 0, "", "", {"0"}},
        {"compile_options", 0, "", "", {"0"}},
        {"data_version", 0, "", "", {"0"}},
        {"database_list", 0, "", "", {"0"}},
        {"defer_foreign_keys", 4, " = x", "", kOffOn},
        {"encoding", 4, " = x", "", {"UTF-8", "UTF-16", "UTF-16le", "UTF-16be"}},
        {"foreign_key_check", 0, "(x)", "", {"", "TABLE"}},
        {"foreign_key_list", 0, "(x)", "", {"", "TABLE"}},
        {"foreign_keys", 4, " = x", "", kOffOn},
        {"freelist_count", 0, "", "", {""}},
        {"fullfsync", 4, " = x", "", kOffOn},
        {"ignore_check_constraints", 4, " = x", "", kOffOn},
        {"incremental_vacuum", 1, "(x)", "Pages", {"512", "1024", "2048", "4096", "8192"}},
        {"index_info", 0, "(x)", "", {"INDEX"}},
        {"index_xinfo", 0, "(x)", "", {"INDEX"}},
        {"index_list", 0, "(x)", "", {"TABLE"}},
        {"integrity_check", 0, "(x)", "", {"100"}},
        {"journal_mode", 4, " = x", "", {"Delete", "Truncate", "Persist", "Memory", "WAL", "Off"}},
        {"journal_size_limit", 1, " = x", "Bytes",
         QStringList{"-1 - Unlimited", "0 - Minimum"} + kSizes},
        {"legacy_file_format", 4, " = x", "", kOffOn},
        {"locking_mode", 4, " = x", "", {"Normal - Unlocked", "Exclusive - Locked"}},
        {"max_page_count", 1, " = x", "Pages", {"65535", "4294967295"}},
        {"mmap_size", 1, " = x", "Bytes", kSizes},
        {"page_count", 0, "", "", {""}},
        {"page_size",
         4,
         " = x; VACUUM",
         "Bytes",
         {"512", "1024 - 1KB", "2048 - 2KB", "4096 - 4KB", "16384 - 16KB", "65536 - 64KB"}},
        {"query_only", 4, " = x", "", kOffOn},
        {"quick_check", 0, "(x)", "", {"100"}},
        {"read_uncommitted", 4, " = x", "", kOffOn},
        {"recursive_triggers", 4, " = x", "", kOffOn},
        {"reverse_unordered_selects", 4, " = x", "", kOffOn},
        {"schema_version", 1, " = x", "", {"1"}},
        {"secure_delete", 4, " = x", "", kOffOn},
        {"shrink_memory", 0, "", "", {""}},
        {"soft_heap_limit", 4, " = x", "Bytes",
         QStringList{"0 - Not Limited"} + kSizes.mid(0, kSizes.size() - 2)},
        {"stats", 0, "", "", {""}},
        {"synchronous", 4, " = x", "", {"0 - Off", "1 - Normal", "2 - Full"}},
        {"table_info", 0, "(x)", "", {"TABLE"}},
        {"temp_store", 4, " = x", "", {"0 - Default", "1 - File", "2 - Memory"}},
        {"threads", 1, " = x", "", {"0 - Off", "2", "4", "8", "12", "16", "32", "64"}},
        {"user_version", 1, " = x", "", {"1"}},
        {"wal_autocheckpoint",
         1,
         " = x",
         "Pages",
         {"0", "500", "1000", "2000", "5000", "10000", "20000"}},
        {"wal_checkpoint", 0, "(x)", "", {"", "Passive", "Full", "Restart", "Truncate"}},
        {"writable_schema", 4, " = x", "", kOffOn},
    };
}

// A read value reduced to its number (sign and leading digits).
QString LeadingNumber(const QString& text) {
    const QString t = TrimText(text);
    qsizetype k = 0;
    if (k < t.size() && (t[k] == u'-' || t[k] == u'+')) ++k;
    const qsizetype digits = k;
    while (k < t.size() && t[k].isDigit())
        ++k;
    return k == digits ? QString() : t.left(k);
}

bool IsInteger(const QString& v) {
    bool ok = false;
    v.toLongLong(&ok);
    return ok && !v.isEmpty();
}

QString Fill(const QString& templ, const QString& value) {
    QString t = templ;
    const qsizetype x = t.indexOf(u'x');
    if (x >= 0)
        t.replace(x, 1, value);
    else
        t += value;
    return t;
}

// The statement's value: a number bare, anything else as a string.
QString SqlValue(const QString& v) {
    return IsInteger(v) ? v : QuoteSqlString(v);
}

bool TransactionOpen(TSQLite3Database& db) {
    return db.Handle() && sqlite3_get_autocommit(db.Handle()) == 0;
}

} // namespace

QString PragmaDef::Title() const {
    QStringList words = QString::fromLatin1(name).replace(u'_', u' ').toLower().split(u' ');
    for (QString& w : words)
        if (!w.isEmpty()) w[0] = w[0].toUpper();
    return words.join(u' ');
}

QString PragmaDef::Link() const {
    return kPragmaDocBase + QStringLiteral("#pragma_") + QLatin1String(name);
}

const QList<PragmaDef>& PragmaTable() {
    static const QList<PragmaDef> table = MakeTable();
    return table;
}

const PragmaDef* FindPragma(const QString& name) {
    for (const PragmaDef& d : PragmaTable())
        if (name.compare(QLatin1String(d.name), Qt::CaseInsensitive) == 0) return &d;
    return nullptr;
}

QString OptionValue(const QString& option) {
    const qsizetype at = option.indexOf(QLatin1String(" - "));
    return TrimText(at < 0 ? option : option.left(at));
}

PragmaController::PragmaController() {
    int i = 0;
    for (const PragmaDef& d : PragmaTable()) {
        if (d.kind == 0) continue;
        TPragmaSettingItem r;
        r.iIdx = i++;
        r.iKind = d.kind;
        r.iOptCount = int(d.options.size());
        r.sName = QLatin1String(d.name);
        r.sParamTempl = QLatin1String(d.templ);
        r.sUnits = QLatin1String(d.units);
        r.sLink = d.Link();
        r.sTitle = d.Title();
        r.options = d.options;
        r.def = &d;
        prg << r;
    }
}

TPragmaSettingItem* PragmaController::Find(const QString& name) {
    for (TPragmaSettingItem& r : prg)
        if (r.sName.compare(name, Qt::CaseInsensitive) == 0) return &r;
    return nullptr;
}

void PragmaController::ReadAll(TSQLite3Database& db) {
    pageSize = cacheSize = 0;
    for (TPragmaSettingItem& r : prg) {
        // Running incremental_vacuum would free pages: it has no value to read.
        if (r.sName == QLatin1String("incremental_vacuum")) {
            r.read.clear();
            r.shown.clear();
            r.sVal.clear();
            continue;
        }
        QList<QStringList> rows;
        if (!db.QueryTextRows(QStringLiteral("PRAGMA ") + r.sName + u';', rows)) {
            r.sVal = r.shown;
            continue;
        }
        QString v = rows.isEmpty() ? QString() : TrimText(rows[0].value(0)).left(256);
        if (r.iKind == 4 && v.isEmpty()) v = QStringLiteral("0");
        if (r.iKind == 1) v = LeadingNumber(v);
        r.read = v;
        QString shown;
        for (const QString& o : r.options)
            if (OptionValue(o).compare(v, Qt::CaseInsensitive) == 0) {
                shown = o;
                break;
            }
        if (shown.isEmpty() && !v.isEmpty()) {
            r.options << v;
            shown = v;
        }
        r.shown = r.sVal = shown;
        if (r.sName == QLatin1String("page_size")) pageSize = v.toInt();
        if (r.sName == QLatin1String("cache_size")) cacheSize = v.toInt();
    }
}

bool PragmaController::Validate(const TPragmaSettingItem& row, const QString& text, QString& value,
                                QString& why) {
    const QString v = OptionValue(text);
    if (v.isEmpty()) {
        why = QStringLiteral("no value");
        return false;
    }
    if (row.iKind == 4) {
        for (const QString& o : row.options)
            if (OptionValue(o).compare(v, Qt::CaseInsensitive) == 0) {
                value = OptionValue(o);
                return true;
            }
        why = QStringLiteral("\"") + v + QStringLiteral("\" is not one of its values");
        return false;
    }
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (!ok) {
        why = QStringLiteral("\"") + v + QStringLiteral("\" is not a whole number");
        return false;
    }
    value = QString::number(n);
    return true;
}

QString PragmaController::Statement(const TPragmaSettingItem& row, const QString& text,
                                    bool withTail, QString* why) {
    QString value, reason;
    if (!Validate(row, text, value, reason)) {
        if (why) *why = reason;
        return QString();
    }
    QString tail;
    if (withTail) {
        const qsizetype at = text.indexOf(QLatin1String(" - "));
        const QString comment =
            at < 0 ? QString() : QStringLiteral("  ") + TrimText(text.mid(at + 3));
        QString units;
        for (QChar c : row.sUnits)
            if (c.isLetterOrNumber() || c == u' ') units += c;
        units = TrimText(units);
        if (!units.isEmpty()) units = QStringLiteral("  (") + units + u')';
        if (!comment.isEmpty() || !units.isEmpty())
            tail = QStringLiteral("   --") + units + comment;
    }
    return QStringLiteral("PRAGMA ") + row.sName + Fill(row.sParamTempl, SqlValue(value)) + u';' +
           tail;
}

bool PragmaController::UpdateAll(TSQLite3Database& db, QString& status) {
    struct Change {
        TPragmaSettingItem* row;
        QString value;
    };
    QList<Change> changes;
    for (TPragmaSettingItem& r : prg) {
        if (!r.Changed()) continue;
        QString value, why;
        if (!Validate(r, r.shown, value, why)) {
            status = QStringLiteral("Error: pragma ") + r.sName + QStringLiteral(": ") + why;
            return false;
        }
        changes.append({&r, value});
    }
    if (changes.isEmpty()) {
        status = QStringLiteral("No pragma values needed updating.");
        return true;
    }
    // What the engine only does outside a transaction.
    if (TransactionOpen(db))
        for (const Change& c : changes)
            if (QStringList{"journal_mode", "page_size", "auto_vacuum", "foreign_keys"}.contains(
                    c.row->sName)) {
                status = QStringLiteral("Error: pragma ") + c.row->sName +
                         QStringLiteral(" cannot change while a transaction is open.");
                return false;
            }
    bool vacuum = false;
    QString journal, leaveWal;
    QStringList lines;
    for (const Change& c : changes) {
        // incremental_vacuum(N) frees pages when asked to; page_size's
        // VACUUM is the batch's one.
        const QString templ = c.row->sName == QLatin1String("incremental_vacuum")
                                  ? QStringLiteral("(x)")
                                  : QStringLiteral(" = x");
        const QString line =
            QStringLiteral("PRAGMA ") + c.row->sName + Fill(templ, SqlValue(c.value)) + u';';
        if (c.row->sName == QLatin1String("page_size")) vacuum = true;
        // Between none and full/incremental the file must be rebuilt.
        if (c.row->sName == QLatin1String("auto_vacuum") &&
            (c.row->read == QLatin1String("0")) != (c.value == QLatin1String("0")))
            vacuum = true;
        if (c.row->sName == QLatin1String("journal_mode")) {
            journal = line;
            if (c.row->read.compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
                leaveWal = line;
            continue;
        }
        lines << line;
    }
    // One VACUUM: after leaving WAL, before entering it.
    QStringList batch;
    if (!leaveWal.isEmpty()) batch << leaveWal;
    batch << lines;
    if (vacuum) batch << QStringLiteral("VACUUM;");
    if (!journal.isEmpty() && leaveWal.isEmpty()) batch << journal;
    const bool ran = db.ExecuteList(batch);
    const QString error = db.LastError();
    ReadAll(db);
    if (!ran) {
        status = QStringLiteral("Error: ") + error;
        return false;
    }
    for (const Change& c : changes) {
        const TPragmaSettingItem* r = Find(c.row->sName);
        if (r && r->sName != QLatin1String("incremental_vacuum") &&
            r->read.compare(c.value, Qt::CaseInsensitive) != 0) {
            status = QStringLiteral("Error: pragma ") + r->sName + QStringLiteral(" is ") +
                     (r->read.isEmpty() ? QStringLiteral("(none)") : r->read) +
                     QStringLiteral(", not ") + c.value +
                     QStringLiteral(": the change did not take.");
            return false;
        }
    }
    status = changes.size() == 1
                 ? QStringLiteral("Success updating pragma ") + changes[0].row->sName + u'.'
                 : QStringLiteral("Success updating %1 pragmas.").arg(changes.size());
    return true;
}

bool PragmaController::UpdateOne(TSQLite3Database& db, const QString& name, QString& status) {
    // Only this row counts as changed for the batch.
    QStringList pending; // the other rows' choices not applied yet
    for (TPragmaSettingItem& r : prg) {
        const bool other = r.sName.compare(name, Qt::CaseInsensitive) != 0;
        pending << (other && r.Changed() ? r.shown : QString());
        if (other) r.shown = r.sVal;
    }
    const bool ok = UpdateAll(db, status);
    for (qsizetype k = 0; k < prg.size(); ++k)
        if (!pending[k].isEmpty()) prg[k].shown = pending[k];
    return ok;
}

QString PragmaController::ActionCaption(const PragmaDef& d, const QString& option) {
    // An empty template takes no argument; an empty option drops the template.
    const QString t =
        option.isEmpty() || !*d.templ ? QString() : Fill(QLatin1String(d.templ), option);
    return t.isEmpty() ? d.Title() : d.Title() + u' ' + TrimText(t);
}

QString PragmaController::ActionStatement(const PragmaDef& d, const QString& option,
                                          const QString& table, const QString& index,
                                          const QString& trigger, int* selStart, int* selLength) {
    QString s = QStringLiteral("PRAGMA ") + QLatin1String(d.name) +
                (option.isEmpty() || !*d.templ ? QString() : Fill(QLatin1String(d.templ), option)) +
                u';';
    if (selStart) *selStart = -1;
    if (selLength) *selLength = 0;
    if (s.indexOf(u'(') > 0) {
        const struct {
            const char* word;
            QString name;
        } words[] = {{"(TABLE", table},
                     {"(INDEX", index.isEmpty() ? QStringLiteral("Index") : index},
                     {"(TRIGGER", trigger.isEmpty() ? QStringLiteral("Trigger") : trigger}};
        for (const auto& w : words) {
            const qsizetype at = s.indexOf(QLatin1String(w.word), 0, Qt::CaseInsensitive);
            if (at < 0) continue;
            const QString name = QuoteIdent(w.name);
            s.replace(at + 1, qsizetype(qstrlen(w.word)) - 1, name);
            if (selStart) *selStart = int(at + 1);
            if (selLength) *selLength = int(name.size());
            break;
        }
    }
    return s;
}

} // namespace sky
