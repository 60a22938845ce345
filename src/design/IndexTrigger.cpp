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
    QString n = t[i++].value;
    if (i + 1 < t.size() && t[i].kind == DefKind::Other && t[i].value == u".") {
        n = t[i + 1].value; // the schema is not part of the record's name
        i += 2;
    }
    return n;
}

QList<DefToken> NoComments(const QList<DefToken>& all, QString& comment) {
    QList<DefToken> t;
    for (const DefToken& d : all) {
        if (d.kind == DefKind::Comment)
            comment = d.value;
        else
            t << d;
    }
    return t;
}

} // namespace

bool parseIndex(const QString& text, TIndexLayout& ix) {
    ix = TIndexLayout();
    const QList<DefToken> t = NoComments(DefTokenize(text), ix.Comment);
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
    const QString inner = t[i].value;
    ++i;
    if (i < t.size() && t[i].Is("WHERE") && i + 1 < t.size()) {
        qsizetype last = t.size() - 1;
        if (t[last].kind == DefKind::Other && t[last].value == u";") --last;
        ix.IdxWhere = Src(text, t[i + 1], t[last]);
    }
    // Entries split at top-level commas: a column (with COLLATE and order)
    // or an expression, kept as written.
    QList<DefToken> entry;
    QStringList fields, collates, sorts;
    auto flush = [&] {
        if (entry.isEmpty()) return;
        ix.Entries << Src(inner, entry.first(), entry.last());
        qsizetype j = 0;
        QString col, coll, sort;
        if (entry[0].IsName()) {
            col = entry[0].value;
            j = 1;
            if (j + 1 < entry.size() && entry[j].Is("COLLATE")) {
                coll = entry[j + 1].value;
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
    for (const DefToken& d : DefTokenize(inner)) {
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
    QString r = QStringLiteral("CREATE") + (ix.IdxUnique ? QStringLiteral(" UNIQUE") : QString()) +
                QStringLiteral(" INDEX ") + QuoteIdent(TrimText(ix.IdxName)) +
                CommentClause(ix.Comment) + QStringLiteral(" ON ") +
                QuoteIdent(TrimText(ix.IdxTable)) + QStringLiteral(" (") +
                ix.Entries.join(QStringLiteral(", ")) + QLatin1Char(')');
    if (!TrimText(ix.IdxWhere).isEmpty()) r += QStringLiteral(" WHERE ") + TrimText(ix.IdxWhere);
    r += QLatin1Char(';');
    // Read and not changed since: the statement as it was written.
    if (!ix.ReadText.isEmpty() && r == ix.ReadText && !ix.RawText.isEmpty())
        return ix.RawText + QLatin1Char(';');
    return r;
}

bool parseTrigger(const QString& text, TTriggerLayout& tr) {
    tr = TTriggerLayout();
    const QList<DefToken> all = DefTokenize(text);
    // Comments inside the body stay in the body; the record's comment is the
    // last one before BEGIN.
    qsizetype i = 0;
    QList<DefToken> t;
    for (const DefToken& d : all)
        if (d.kind != DefKind::Comment) t << d;
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
    for (const DefToken& d : all)
        if (d.kind == DefKind::Comment && d.pos < t[begin].pos) tr.Comment = d.value;
    tr.RawText = text.trimmed();
    if (tr.RawText.endsWith(QLatin1Char(';'))) tr.RawText.chop(1);
    tr.ReadText = sqlFrom(tr);
    return true;
}

QString sqlFrom(const TTriggerLayout& tr) {
    static const char* const timing[] = {"", "BEFORE", "AFTER", "INSTEAD OF"};
    static const char* const event[] = {"", "DELETE", "INSERT", "UPDATE", "UPDATE OF"};
    QString r = QStringLiteral("CREATE") + (tr.isTemp ? QStringLiteral(" TEMPORARY") : QString()) +
                QStringLiteral(" TRIGGER IF NOT EXISTS ") + QuoteIdent(TrimText(tr.trigName)) +
                QStringLiteral("\r\n  ") + QLatin1String(timing[int(tr.trigExecTiming) % 4]) +
                QLatin1Char(' ') + QLatin1String(event[int(tr.trigEvent) % 5]);
    if (tr.trigEvent == TrigEvent::UpdateOf && !TrimText(tr.trigFields).isEmpty())
        r += QLatin1Char(' ') + TrimText(tr.trigFields);
    if (!TrimText(tr.Comment).isEmpty()) r += CommentClause(tr.Comment) + QLatin1Char(' ');
    r += QStringLiteral("\r\n  ON ") + QuoteIdent(TrimText(tr.trigTable)) +
         QStringLiteral(" FOR EACH ROW");
    if (!TrimText(tr.trigWhen).isEmpty()) r += QStringLiteral(" WHEN ") + TrimText(tr.trigWhen);
    r += QStringLiteral("\r\nBEGIN\r\n  ") + tr.trigExecCode + QStringLiteral("\r\nEND;");
    if (!tr.ReadText.isEmpty() && r == tr.ReadText && !tr.RawText.isEmpty())
        return tr.RawText + QLatin1Char(';');
    return r;
}

} // namespace sky
