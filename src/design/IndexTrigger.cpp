// Index and trigger statements: read from their stored text, written back.
#include "design/IndexTrigger.h"

#include "design/Constraints.h"
#include "design/DefTokens.h"
#include "engine/Identifiers.h"
#include "support/TextUtil.h"

namespace sky {
namespace {

QString Src(QStringView text, const DefToken& from, const DefToken& to) {
    return text.mid(from.pos, to.end() - from.pos).toString();
}

// Reads [schema.]name at i.
QString ReadName(const QList<DefToken>& t, qsizetype& i) {
    if (i >= t.size()) return QString();
    QString n = t[i++].Text();
    if (i + 1 < t.size() && t[i].kind == DefKind::Other && t[i].value == u".") {
        n = t[i + 1].Text(); // the schema is not part of the record's name
        i += 2;
    }
    return n;
}

// Tokenizes text into t without its comments; comments receives them.
// The lists keep their room: a schema's indexes and triggers are read one
// after another.
void TokensAndComments(const QString& text, QList<DefToken>& t, QList<DefToken>& comments) {
    DefTokenizeInto(text, t);
    comments.clear();
    for (const DefToken& d : t)
        if (d.kind == DefKind::Comment) comments << d;
    if (!comments.isEmpty()) DropComments(t);
}

} // namespace

bool parseIndex(const QString& text, TIndexLayout& ix) {
    ix = TIndexLayout();
    thread_local QList<DefToken> t, comments, parts, entry;
    TokensAndComments(text, t, comments);
    if (!comments.isEmpty()) ix.Comment = comments.last().Text();
    qsizetype i = 0;
    if (i >= t.size() || !t[i++].Is("CREATE")) return false;
    if (i < t.size() && t[i].Is("UNIQUE")) {
        ix.IdxUnique = true;
        ++i;
    }
    if (i >= t.size() || !t[i++].Is("INDEX")) return false;
    if (i + 2 < t.size() && t[i].Is("IF") && t[i + 1].Is("NOT") && t[i + 2].Is("EXISTS")) {
        ix.IfNotExists = true;
        i += 3;
    }
    ix.IdxName = ReadName(t, i);
    if (ix.IdxName.isEmpty() || i >= t.size() || !t[i++].Is("ON")) return false;
    ix.IdxTable = ReadName(t, i);
    if (i >= t.size() || t[i].kind != DefKind::Group) return false;
    const QStringView inner = t[i].value;
    ++i;
    if (i < t.size() && t[i].Is("WHERE") && i + 1 < t.size()) {
        qsizetype last = t.size() - 1;
        if (t[last].kind == DefKind::Other && t[last].value == u";") --last;
        ix.IdxWhere = Src(text, t[i + 1], t[last]);
    }
    // Entries split at top-level commas: a column (with COLLATE and order)
    // or an expression, kept as written.
    entry.clear();
    QStringList fields, collates, sorts;
    auto flush = [&] {
        if (entry.isEmpty()) return;
        ix.Entries << Src(inner, entry.first(), entry.last());
        qsizetype j = 0;
        QString col, coll, sort;
        if (entry[0].IsName()) {
            col = entry[0].Text();
            j = 1;
            if (j + 1 < entry.size() && entry[j].Is("COLLATE")) {
                coll = entry[j + 1].Text();
                j += 2;
            }
            if (j < entry.size() && (entry[j].Is("ASC") || entry[j].Is("DESC"))) {
                sort = entry[j].Is("DESC") ? QStringLiteral("DESC") : QString();
                ++j;
            }
        }
        if (j != entry.size()) {
            col = ix.Entries.last(); // an expression
            coll.clear();
            sort.clear();
        }
        fields << col;
        collates << coll;
        sorts << sort;
        entry.clear();
    };
    DefTokenizeInto(inner, parts);
    for (const DefToken& d : parts) {
        if (d.kind == DefKind::Comment) continue;
        if (d.kind == DefKind::Comma)
            flush();
        else
            entry << d;
    }
    flush();
    ix.IdxFields = fields.join(QStringLiteral(", "));
    ix.IdxCollates = collates.join(QStringLiteral(", "));
    ix.IdxSorts = sorts.join(QStringLiteral(", "));
    ix.RawText = text.trimmed();
    if (ix.RawText.endsWith(QLatin1Char(';'))) ix.RawText.chop(1);
    ix.ReadText = sqlFrom(ix);
    return !ix.Entries.isEmpty();
}

QString sqlFrom(const TIndexLayout& ix) {
    if (ix.Entries.isEmpty()) return QString();
    // Composed in one string: a table's indexes are composed as it is read.
    const QString where = TrimText(ix.IdxWhere);
    qsizetype size = 40 + ix.IdxName.size() + ix.IdxTable.size() + ix.Comment.size() + where.size();
    for (const QString& e : ix.Entries)
        size += e.size() + 2;
    QString r;
    r.reserve(size);
    r += QLatin1String(ix.IdxUnique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ");
    r += QuoteIdent(TrimText(ix.IdxName));
    r += CommentClause(ix.Comment);
    r += QLatin1String(" ON ");
    r += QuoteIdent(TrimText(ix.IdxTable));
    r += QLatin1String(" (");
    for (qsizetype i = 0; i < ix.Entries.size(); ++i) {
        if (i > 0) r += QLatin1String(", ");
        r += ix.Entries[i];
    }
    r += QLatin1Char(')');
    if (!where.isEmpty()) {
        r += QLatin1String(" WHERE ");
        r += where;
    }
    r += QLatin1Char(';');
    // Read and not changed since: the statement as it was written.
    if (!ix.ReadText.isEmpty() && r == ix.ReadText && !ix.RawText.isEmpty())
        return ix.RawText + QLatin1Char(';');
    return r;
}

bool parseTrigger(const QString& text, TTriggerLayout& tr) {
    tr = TTriggerLayout();
    // Comments inside the body stay in the body; the record's comment is the
    // last one before BEGIN.
    thread_local QList<DefToken> t, comments;
    TokensAndComments(text, t, comments);
    qsizetype i = 0;
    if (i >= t.size() || !t[i++].Is("CREATE")) return false;
    if (i < t.size() && (t[i].Is("TEMP") || t[i].Is("TEMPORARY"))) {
        tr.isTemp = true;
        ++i;
    }
    if (i >= t.size() || !t[i++].Is("TRIGGER")) return false;
    if (i + 2 < t.size() && t[i].Is("IF") && t[i + 1].Is("NOT") && t[i + 2].Is("EXISTS")) {
        tr.IfNotExists = true;
        i += 3;
    }
    tr.trigName = ReadName(t, i);
    if (tr.trigName.isEmpty() || i >= t.size()) return false;
    if (t[i].Is("BEFORE")) {
        tr.trigExecTiming = TrigTiming::Before;
        ++i;
    } else if (t[i].Is("AFTER")) {
        tr.trigExecTiming = TrigTiming::After;
        ++i;
    } else if (t[i].Is("INSTEAD") && i + 1 < t.size() && t[i + 1].Is("OF")) {
        tr.trigExecTiming = TrigTiming::InsteadOf;
        i += 2;
    }
    if (i >= t.size()) return false;
    if (t[i].Is("DELETE"))
        tr.trigEvent = TrigEvent::Delete;
    else if (t[i].Is("INSERT"))
        tr.trigEvent = TrigEvent::Insert;
    else if (t[i].Is("UPDATE"))
        tr.trigEvent = TrigEvent::Update;
    else
        return false;
    ++i;
    if (tr.trigEvent == TrigEvent::Update && i < t.size() && t[i].Is("OF")) {
        tr.trigEvent = TrigEvent::UpdateOf;
        const qsizetype from = ++i;
        while (i < t.size() && !t[i].Is("ON"))
            ++i;
        if (i == from || i >= t.size()) return false;
        tr.trigFields = Src(text, t[from], t[i - 1]);
    }
    if (i >= t.size() || !t[i++].Is("ON")) return false;
    tr.trigTable = ReadName(t, i);
    if (tr.trigTable.isEmpty()) return false;
    if (i + 2 < t.size() && t[i].Is("FOR") && t[i + 1].Is("EACH") && t[i + 2].Is("ROW")) {
        tr.forEachRow = true;
        i += 3;
    }
    qsizetype begin = i;
    while (begin < t.size() && !t[begin].Is("BEGIN"))
        ++begin;
    if (begin >= t.size()) return false;
    if (i < begin && t[i].Is("WHEN") && i + 1 < begin)
        tr.trigWhen = Src(text, t[i + 1], t[begin - 1]);
    qsizetype end = t.size() - 1;
    while (end > begin && !t[end].Is("END"))
        --end;
    if (end <= begin) return false;
    tr.trigExecCode = text.mid(t[begin].end(), t[end].pos - t[begin].end()).trimmed();
    for (const DefToken& d : comments)
        if (d.pos < t[begin].pos) tr.Comment = d.Text();
    tr.RawText = text.trimmed();
    if (tr.RawText.endsWith(QLatin1Char(';'))) tr.RawText.chop(1);
    tr.ReadText = sqlFrom(tr);
    return true;
}

QString sqlFrom(const TTriggerLayout& tr) {
    static const char* const timing[] = {"", "BEFORE", "AFTER", "INSTEAD OF"};
    static const char* const event[] = {"", "DELETE", "INSERT", "UPDATE", "UPDATE OF"};
    // Composed in one string: a table's triggers are composed as it is read.
    const QString fields = TrimText(tr.trigFields), when = TrimText(tr.trigWhen),
                  comment = CommentClause(tr.Comment);
    QString r;
    r.reserve(100 + tr.trigName.size() + tr.trigTable.size() + fields.size() + when.size() +
              comment.size() + tr.trigExecCode.size());
    r += QLatin1String(tr.isTemp ? "CREATE TEMPORARY TRIGGER IF NOT EXISTS "
                                 : "CREATE TRIGGER IF NOT EXISTS ");
    r += QuoteIdent(TrimText(tr.trigName));
    r += QLatin1String("\r\n  ");
    r += QLatin1String(timing[int(tr.trigExecTiming) % 4]);
    r += QLatin1Char(' ');
    r += QLatin1String(event[int(tr.trigEvent) % 5]);
    if (tr.trigEvent == TrigEvent::UpdateOf && !fields.isEmpty()) {
        r += QLatin1Char(' ');
        r += fields;
    }
    if (!comment.isEmpty()) {
        r += comment;
        r += QLatin1Char(' ');
    }
    r += QLatin1String("\r\n  ON ");
    r += QuoteIdent(TrimText(tr.trigTable));
    r += QLatin1String(" FOR EACH ROW");
    if (!when.isEmpty()) {
        r += QLatin1String(" WHEN ");
        r += when;
    }
    r += QLatin1String("\r\nBEGIN\r\n  ");
    r += tr.trigExecCode;
    r += QLatin1String("\r\nEND;");
    if (!tr.ReadText.isEmpty() && r == tr.ReadText && !tr.RawText.isEmpty())
        return tr.RawText + QLatin1Char(';');
    return r;
}

TIndexLayout DefaultIndexFor(const QString& table, const QString& column) {
    TIndexLayout ix;
    ix.IdxName = QStringLiteral("Idx_") + table + u'_' + column;
    ix.IdxTable = table;
    ix.IdxFields = column;
    ix.Entries = QStringList{QuoteIdent(column)};
    return ix;
}

TTriggerLayout DefaultTriggerFor(const QString& table, const QString& column, bool updateOf) {
    TTriggerLayout tr;
    tr.trigName = QStringLiteral("Trig_") + table + u'_' + column;
    tr.trigTable = table;
    tr.trigExecTiming = TrigTiming::After;
    tr.trigEvent = updateOf ? TrigEvent::UpdateOf : TrigEvent::Update;
    tr.trigFields = column;
    tr.trigExecCode = QStringLiteral("UPDATE ") + QuoteIdent(table, true) +
                      QStringLiteral(" SET \"< col >\" = '< new-val >' WHERE ID = NEW.ID;");
    return tr;
}

} // namespace sky
