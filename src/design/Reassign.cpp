// Rename rewrites of constraints, indexes and triggers, and the dependants
// check and repair of a table layout.
#include "design/Reassign.h"

#include "design/DefTokens.h"
#include "engine/CsvFields.h"
#include "engine/Identifiers.h"
#include "engine/SqlLexer.h"
#include "support/Csv.h"
#include "support/TextUtil.h"

#include <QHash>

namespace sky {
namespace {

QHash<QString, QString> ConversionMap(const QStringList& conversions) {
    QHash<QString, QString> map;
    for (const QString& line : conversions) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) continue;
        const QString from = TrimText(line.left(eq)), to = TrimText(line.mid(eq + 1));
        if (!from.isEmpty() && !to.isEmpty() && !map.contains(from.toUpper()))
            map.insert(from.toUpper(), to);
    }
    return map;
}

QString Rename(const QString& text, const QHash<QString, QString>& map) {
    if (map.isEmpty() || text.isEmpty()) return text;
    QString out;
    SqlLexer lex(text);
    SqlToken t;
    qsizetype copied = 0;
    while (lex.Next(t)) {
        const QStringView s = QStringView(text).mid(t.pos, t.len);
        QString name;
        bool quoted = false;
        if (t.kind == SqlTokKind::Word) {
            name = s.toString();
        } else if (t.kind == SqlTokKind::Quoted && s.front() != u'\'' && t.closed) {
            name = UnquoteIdent(s.toString());
            quoted = true;
        } else {
            continue;
        }
        const auto it = map.constFind(name.toUpper());
        if (it == map.constEnd()) continue;
        out += QStringView(text).mid(copied, t.pos - copied);
        out += QuoteIdent(*it, false, quoted);
        copied = t.end();
    }
    out += QStringView(text).mid(copied);
    return out;
}

QStringList NameList(const QString& list) {
    QStringList f;
    if (!TrimText(list).isEmpty()) SplitCSVFields(list, f, QLatin1Char(','));
    return f;
}

QString RenameNames(const QString& list, const QHash<QString, QString>& map) {
    QStringList names = NameList(list);
    for (QString& n : names) {
        const auto it = map.constFind(TrimText(n).toUpper());
        if (it != map.constEnd()) n = *it;
    }
    return JoinCSVLine(names, QLatin1Char(','));
}

bool UsesName(const QString& text, const QString& name) {
    const QString key = TrimText(name).toUpper();
    if (key.isEmpty()) return false;
    for (const DefToken& d : DefTokenize(text))
        if (d.IsName() && d.value.toString().toUpper() == key) return true;
    return false;
}

} // namespace

QString RenameIdentifiers(const QString& text, const QStringList& conversions) {
    return Rename(text, ConversionMap(conversions));
}

bool reassignIndex(TIndexLayout& ix, const QString& newTable, const QStringList& conversions) {
    if (TrimText(newTable).isEmpty()) return false;
    QStringList conv = conversions;
    if (ix.IdxTable != newTable) conv.prepend(ix.IdxTable + QLatin1Char('=') + newTable);
    const QHash<QString, QString> map = ConversionMap(conv);
    for (QString& e : ix.Entries)
        e = Rename(e, map);
    ix.IdxFields = Rename(ix.IdxFields, map);
    ix.IdxWhere = Rename(ix.IdxWhere, map);
    ix.IdxTable = newTable;
    return true;
}

bool reassignTrigger(TTriggerLayout& tr, const QString& newTable, const QStringList& conversions) {
    if (TrimText(newTable).isEmpty()) return false;
    QStringList conv = conversions;
    if (tr.trigTable != newTable) conv.prepend(tr.trigTable + QLatin1Char('=') + newTable);
    const QHash<QString, QString> map = ConversionMap(conv);
    tr.trigFields = Rename(tr.trigFields, map);
    tr.trigWhen = Rename(tr.trigWhen, map);
    tr.trigExecCode = Rename(tr.trigExecCode, map);
    tr.trigTable = newTable;
    return true;
}

bool reassignFKey(TFKeyLayout& k, const QString& newTable, const QStringList& conversions) {
    if (TrimText(newTable).isEmpty()) return false;
    const QHash<QString, QString> map = ConversionMap(conversions);
    const bool selfRef =
        k.iKeyKind == KeyKind::ForeignKey &&
        TrimText(k.TableParent).compare(TrimText(k.TableSelf), Qt::CaseInsensitive) == 0;
    switch (k.iKeyKind) {
    case KeyKind::PrimaryKey:
    case KeyKind::Unique:
        k.OwnFields = Rename(k.OwnFields, map);
        break;
    case KeyKind::Check:
        k.FKFields = Rename(k.FKFields, map);
        break;
    case KeyKind::ForeignKey:
        k.OwnFields = RenameNames(k.OwnFields, map);
        if (selfRef) {
            k.FKFields = RenameNames(k.FKFields, map);
            k.TableParent = newTable;
        }
        break;
    default:
        break;
    }
    k.TableSelf = newTable;
    return true;
}

bool checkTableDependantsDiffer(const TTableLayout& t) {
    const QString table = TrimText(t.tblName).toUpper();
    QStringList renamed;
    for (const TFieldLayout& f : t.Cols)
        if (!TrimText(f.OldName).isEmpty() && f.OldName != f.fName) renamed << f.OldName;
    for (const TIndexLayout& ix : t.Idxs) {
        if (TrimText(ix.IdxTable).toUpper() != table) return true;
        for (const QString& old : renamed)
            if (UsesName(ix.Entries.join(QStringLiteral(", ")) + QLatin1Char(' ') + ix.IdxWhere,
                         old))
                return true;
    }
    for (const TTriggerLayout& tr : t.Trigs) {
        if (TrimText(tr.trigTable).toUpper() != table) return true;
        for (const QString& old : renamed)
            if (UsesName(tr.trigFields + QLatin1Char(' ') + tr.trigWhen + QLatin1Char(' ') +
                             tr.trigExecCode,
                         old))
                return true;
    }
    return false;
}

bool convTableDependants(TTableLayout& t) {
    QStringList conv;
    for (const TFieldLayout& f : t.Cols) {
        const QString o = TrimText(f.OldName), n = TrimText(f.fName);
        if (!o.isEmpty() && !n.isEmpty() && o != n) conv << o + QLatin1Char('=') + n;
    }
    QStringList withTable = conv;
    if (!TrimText(t.OldName).isEmpty() && t.OldName != t.tblName)
        withTable.prepend(t.OldName + QLatin1Char('=') + t.tblName);
    const QHash<QString, QString> map = ConversionMap(conv);
    bool ok = true;
    for (TFieldLayout& f : t.Cols) {
        f.fCheckFunc = Rename(f.fCheckFunc, map);
        f.fGenerated = Rename(f.fGenerated, map);
        // A self reference names this table and its columns.
        TFKeyLayout ref;
        if (!f.fForeignKey.isEmpty() &&
            parseFKey(QStringLiteral("REFERENCES ") + f.fForeignKey, ref) &&
            TrimText(ref.TableParent)
                    .compare(TrimText(t.OldName.isEmpty() ? t.tblName : t.OldName),
                             Qt::CaseInsensitive) == 0)
            f.fForeignKey = RenameIdentifiers(f.fForeignKey, withTable);
    }
    for (TFKeyLayout& k : t.FKeys) {
        if (k.iKeyKind == KeyKind::ForeignKey && !t.OldName.isEmpty() &&
            TrimText(k.TableParent).compare(TrimText(t.OldName), Qt::CaseInsensitive) == 0)
            k.TableSelf = t.OldName; // lets reassignFKey see the self reference
        ok &= reassignFKey(k, t.tblName, conv);
    }
    for (TIndexLayout& ix : t.Idxs)
        ok &= reassignIndex(ix, t.tblName, conv);
    for (TTriggerLayout& tr : t.Trigs)
        ok &= reassignTrigger(tr, t.tblName, conv);
    return ok;
}

} // namespace sky
