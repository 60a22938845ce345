// The analyzer report, its run and its import.
#include "workspace/Analyzer.h"

#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/ScriptSplitter.h"
#include "engine/SqlLexer.h"
#include "engine/SqlLiteral.h"
#include "support/Folders.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>

namespace sky {

namespace {

bool NameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

// word (ignoring case) in text with no name character around it.
bool HasName(const QString& text, const QString& word, qsizetype from = 0) {
    if (word.isEmpty()) return false;
    for (qsizetype at = text.indexOf(word, from, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(word, at + 1, Qt::CaseInsensitive)) {
        const qsizetype end = at + word.size();
        if ((at == 0 || !NameChar(text[at - 1])) && (end >= text.size() || !NameChar(text[end])))
            return true;
    }
    return false;
}

// A heading's text: from the fifth character, cut before " *".
QString HeadingText(const QString& line) {
    QString t = line.mid(4);
    const qsizetype cut = t.indexOf(QLatin1String(" *"));
    if (cut > 1) t = t.left(cut);
    return TrimText(t);
}

// The report read once into its parts.
struct Parts {
    QStringList part[4];
    int reached = 0;
};

Parts Split(const QStringList& lines) {
    Parts p;
    int n = 0;
    for (const QString& line : lines) {
        if (n == 4) break;
        const QString t = TrimText(line);
        switch (n) {
        case 0:
            if (t.toUpper().contains(QLatin1String("*** DEFINITIONS ***"))) {
                n = 1;
                p.part[1] << t;
            } else if (line.contains(QLatin1String("** "))) {
                p.part[0] << u'>' + HeadingText(line);
            } else if (!t.isEmpty()) {
                p.part[0] << line;
            }
            break;
        case 1:
            if (t.isEmpty()) break;
            if (line.startsWith(QLatin1String("  "))) {
                p.part[1] << t;
            } else if (t.contains(QLatin1String("***"))) {
                n = 2;
                p.part[2] << t;
            } else {
                p.part[1] << u'>' + t;
            }
            break;
        case 2:
            // The SQL part is the whole line "BEGIN;" to the whole line "COMMIT;".
            if (t.compare(QLatin1String("BEGIN;"), Qt::CaseInsensitive) == 0) {
                n = 3;
                p.part[3] << t;
            } else if (!t.isEmpty()) {
                p.part[2] << t;
            }
            break;
        default:
            if (!t.isEmpty()) p.part[3] << t;
            if (t.compare(QLatin1String("COMMIT;"), Qt::CaseInsensitive) == 0) n = 4;
            break;
        }
        p.reached = std::max(p.reached, std::min(n, 3));
    }
    return p;
}

} // namespace

AnalyzerReport::AnalyzerReport(QStringList lines) : FLines(std::move(lines)) {
    Parts p = Split(FLines);
    for (int k = 0; k < 4; ++k)
        FParts[k] = std::move(p.part[k]);
    FReached = p.reached;
}

bool AnalyzerReport::Part(int n, QStringList& out) const {
    if (n < 0 || n > 3 || FReached < n) return false;
    out = FParts[n];
    return out.size() > 1;
}

QStringList AnalyzerReport::Sections() const {
    QStringList part, out;
    Part(0, part);
    for (const QString& l : part) {
        if (!l.startsWith(u'>')) continue;
        QString s = l.mid(1);
        if (s.contains(QLatin1String("Disk-Space Utilization Report"))) s = s.left(30);
        out << TrimText(s);
    }
    return out;
}

QList<AnalyzerFigure> AnalyzerReport::Figures(const QString& section) const {
    QStringList part;
    Part(0, part);
    QList<AnalyzerFigure> out;
    bool in = false;
    for (const QString& l : part) {
        if (l.startsWith(u'>')) {
            QString s = TrimText(l.mid(1));
            if (s.contains(QLatin1String("Disk-Space Utilization Report")))
                s = TrimText(s.left(30));
            if (in) break;
            in = s.compare(TrimText(section), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!in) continue;
        const qsizetype dot = l.indexOf(u'.');
        if (dot <= 0) continue;
        qsizetype v = dot;
        while (v < l.size() && (l[v] == u'.' || l[v] == u' '))
            ++v;
        if (v >= l.size()) continue;
        qsizetype e = l.indexOf(u' ', v);
        if (e < 0) e = l.size();
        out.append({TrimText(l.left(dot)), TrimText(l.mid(v, e - v)), TrimText(l.mid(e))});
    }
    return out;
}

QString AnalyzerReport::Explain(const QString& item) const {
    QStringList part;
    if (!Part(1, part) || TrimText(item).isEmpty()) return QString();
    for (qsizetype k = 0; k < part.size(); ++k) {
        if (!part[k].startsWith(u'>') || !HasName(part[k].mid(1), TrimText(item))) continue;
        QStringList text;
        for (qsizetype j = k + 1; j < part.size() && !part[j].startsWith(u'>'); ++j)
            text << part[j];
        return part[k].mid(1) + QStringLiteral(": \r\n") + text.join(u' ');
    }
    return QString();
}

QString AnalyzerReport::SectionOf(const QString& name) const {
    const QString n = TrimText(name.section(u',', 0, 0));
    for (const QString& s : Sections())
        if (HasName(s, n)) return s;
    return QString();
}

bool AnalyzerReport::Statements(QStringList& out, QString& why) const {
    QStringList part;
    out.clear();
    if (!Part(3, part)) {
        why = QStringLiteral("SQL section not found");
        return false;
    }
    if (part.size() < 3) {
        why = QStringLiteral("SQL section incomplete");
        return false;
    }
    const QString sql = part.join(QStringLiteral("\r\n"));
    bool ok = true;
    QString tail; // a last statement without ";" is not run
    SplitSqlScriptEach(
        QStringView(sql), true,
        [&](QString&& s) {
            QString text = TrimText(s);
            QString word = text;
            while (word.endsWith(u';') || word.endsWith(u' '))
                word.chop(1);
            // The import's own transaction holds the statements.
            if (SqlWordIs(word, "BEGIN") || SqlWordIs(word, "COMMIT")) return true;
            out << text;
            return true;
        },
        &tail);
    if (out.isEmpty()) {
        why = QStringLiteral("SQL section incomplete");
        ok = false;
    }
    // INSERTs of more than 15 values: bare words become strings.
    for (QString& st : out) {
        const qsizetype at = st.indexOf(QLatin1String("VALUES("), 0, Qt::CaseInsensitive);
        if (at < 0 || !st.endsWith(QLatin1String(");"))) continue;
        const QString inner = st.mid(at + 7, st.size() - at - 9);
        QStringList fields;
        QString field;
        SqlLexer lex(inner);
        SqlToken t;
        bool bare = true;
        QList<bool> bareness;
        while (lex.Next(t)) {
            const QStringView v = QStringView(inner).mid(t.pos, t.len);
            if (t.kind == SqlTokKind::Other && v == u",") {
                fields << TrimText(field);
                bareness << bare;
                field.clear();
                bare = true;
                continue;
            }
            if (t.kind != SqlTokKind::Word && t.kind != SqlTokKind::Space &&
                t.kind != SqlTokKind::Other)
                bare = false;
            if (t.kind == SqlTokKind::Other && v != u"-" && v != u"+" && v != u".") bare = false;
            field += v;
        }
        fields << TrimText(field);
        bareness << bare;
        if (fields.size() <= 15) continue;
        for (qsizetype k = 0; k < fields.size(); ++k) {
            const QString& f = fields[k];
            bool numeric = false;
            f.toDouble(&numeric);
            if (bareness[k] && !numeric && f.compare(QLatin1String("NULL"), Qt::CaseInsensitive))
                fields[k] = QuoteSqlString(f);
        }
        st = st.left(at + 7) + fields.join(u',') + QStringLiteral(");");
    }
    return ok;
}

QString FindAnalyzer() {
    const QString beside = QDir(ProgramDir()).filePath(QStringLiteral("sqlite3_analyzer"));
    if (QFileInfo(beside).isExecutable()) return beside;
    return QStandardPaths::findExecutable(QStringLiteral("sqlite3_analyzer"));
}

bool RunAnalyzer(const QString& program, const QString& dbFile, QStringList& lines, QString& status,
                 ProgressSink* sink, int startMs, int finishMs) {
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        status = kAnalyzerNotFound;
        return false;
    }
    QProcess p;
    p.setProgram(program);
    p.setArguments({dbFile}); // one argument, no shell
    p.setProcessChannelMode(QProcess::SeparateChannels);
    if (sink) sink->Advance(QStringLiteral("Requesting Database Analysis..."), 0, -1);
    p.start(QIODevice::ReadOnly);
    if (!p.waitForStarted(startMs)) {
        status = p.error() == QProcess::FailedToStart ? kAnalyzerNotFound : kAnalyzerNoStart;
        return false;
    }
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    int step = 0;
    while (p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(100);
        out += p.readAllStandardOutput();
        ++step;
        if (sink) {
            sink->Advance(QStringLiteral("Reading Database Analysis (This may take a while)"),
                          double(step) / (step + 100), -1);
            if (sink->IsCancelled()) {
                p.kill();
                p.waitForFinished(2000);
                status = QStringLiteral("Analysis cancelled.");
                return false;
            }
        }
        if (clock.elapsed() > finishMs) {
            p.kill();
            p.waitForFinished(2000);
            status = kAnalyzerNoEnd;
            return false;
        }
    }
    out += p.readAllStandardOutput();
    const QString text = QString::fromUtf8(out);
    QStringList got = text.split(u'\n');
    for (QString& l : got)
        if (l.endsWith(u'\r')) l.chop(1);
    while (!got.isEmpty() && got.last().isEmpty())
        got.removeLast();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0 || got.size() < 2 ||
        !got[0].startsWith(QLatin1String("/** Disk-Space Utilization Report For"))) {
        const QString first = got.isEmpty() ? QString::fromUtf8(p.readAllStandardError()).trimmed()
                                            : TrimText(got[0]);
        status = kAnalyzerBadOutput + (first.isEmpty() ? QString() : u' ' + first.left(200));
        return false;
    }
    lines = got;
    return true;
}

int SpaceUsedKind(TSQLite3Database& db) {
    QList<QStringList> rows;
    if (!db.QueryTextRows(QStringLiteral("SELECT name FROM pragma_table_info('space_used');"),
                          rows) ||
        rows.isEmpty())
        return 0;
    static const QStringList columns{
        "name",         "tblname",     "is_index",   "is_without_rowid", "nentry",
        "leaf_entries", "depth",       "payload",    "ovfl_payload",     "ovfl_cnt",
        "mx_payload",   "int_pages",   "leaf_pages", "ovfl_pages",       "int_unused",
        "leaf_unused",  "ovfl_unused", "gap_cnt",    "compressed_size"};
    QSet<QString> have;
    for (const QStringList& r : rows)
        have.insert(r.value(0).toLower());
    for (const QString& c : columns)
        if (!have.contains(c)) return 2;
    return 1;
}

bool ImportSpaceUsed(TSQLite3Database& db, const AnalyzerReport& report, QString& status) {
    QStringList statements;
    QString why;
    if (!report.Statements(statements, why)) {
        status = QStringLiteral("Import Error: ") + why;
        return false;
    }
    if (!db.BeginTransaction()) {
        status = QStringLiteral("Import Error: ") + db.LastError();
        return false;
    }
    bool ok = db.Execute(QStringLiteral("DROP TABLE IF EXISTS \"space_used\";"));
    for (const QString& s : statements) {
        if (!ok) break;
        ok = db.Execute(s);
    }
    if (ok && db.Commit()) {
        status = QStringLiteral("Analysis Table Import Success");
        return true;
    }
    const QString error = db.LastError();
    status = QStringLiteral("Import Error: ") + error;
    if (db.TransactionOpen() && !db.Rollback())
        status += QStringLiteral(";  ROLLBACK failed - ") + db.LastError();
    return false;
}

QList<GraphRow> ReadGraph(TSQLite3Database& db) {
    QList<GraphRow> out;
    if (SpaceUsedKind(db) != 1) return out;
    QList<QStringList> rows;
    if (!db.QueryTextRows(
            QStringLiteral("SELECT \"name\",(\"is_index\"*(-1)) AS \"I\",\"payload\","
                           "\"leaf_unused\",\"gap_cnt\",\"leaf_pages\","
                           "\"compressed_size\",\"tblname\" FROM \"space_used\" WHERE 1;"),
            rows))
        return out;
    for (const QStringList& r : rows) {
        GraphRow g;
        g.name = r.value(0);
        g.index = r.value(1).toInt() == -1;
        g.payload = r.value(2).toLongLong();
        g.leafUnused = r.value(3).toLongLong();
        g.gapCount = r.value(4).toLongLong();
        g.leafPages = r.value(5).toLongLong();
        g.compressed = r.value(6).toLongLong();
        g.table = r.value(7);
        out << g;
    }
    return out;
}

} // namespace sky
