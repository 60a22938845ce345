// The schema check.
#include "analysis/SchemaCheck.h"

#include "analysis/DocRender.h"
#include "engine/Identifiers.h"
#include "support/TextUtil.h"

#include <QHash>
#include <QSet>

namespace sky {

namespace {

struct Counts {
    int errors = 0, warnings = 0;
};

// The findings of one object at an indentation.
class Report {
public:
    Report(QStringList& out, int indent) : FOut(out), FIndent(indent, u' ') {}
    void Note(const QString& m) { Line(QStringLiteral("NOTE:"), m); }
    void Warning(const QString& m) {
        Line(QStringLiteral("WARNING:"), m);
        ++counts.warnings;
    }
    void Error(const QString& m) {
        Line(QStringLiteral("ERROR:"), m);
        ++counts.errors;
    }
    void Plain(const QString& text) { FOut << FIndent + text; }
    Counts counts;

private:
    void Line(const QString& level, const QString& m) {
        FOut << FIndent + QStringLiteral("    ") + Pad(level, -9) + u' ' + m + u'.';
    }
    QStringList& FOut;
    QString FIndent;
};

QString CountsPhrase(const Counts& c) {
    QString s = CountPhrase(c.errors, QStringLiteral("one error"), QStringLiteral("%d errors"));
    if (c.errors > 0 && c.warnings > 0) s += QStringLiteral(" and ");
    s += CountPhrase(c.warnings, QStringLiteral("one warning"), QStringLiteral("%d warnings"));
    return s;
}

QString ObjectsPhrase(qsizetype tables, qsizetype views) {
    QString s = CountPhrase(int(tables), QStringLiteral("one table"), QStringLiteral("%d tables"));
    if (tables > 0 && views > 0) s += QStringLiteral(" and ");
    s += CountPhrase(int(views), QStringLiteral("one view"), QStringLiteral("%d views"));
    return s;
}

QString Key(const QString& columns) {
    QString k = columns;
    k.remove(u' ');
    return k.toUpper();
}

QStringList SplitFields(const QString& fields) {
    QStringList out;
    for (const QString& f : fields.split(u',', Qt::SkipEmptyParts))
        if (!TrimText(f).isEmpty()) out << UnquoteIdent(TrimText(f));
    return out;
}

const TFieldLayout* ColumnOf(const TTableLayout& t, const QString& name) {
    for (const TFieldLayout& c : t.Cols)
        if (c.fName == name) return &c;
    return nullptr;
}

Counts CheckTable(QStringList& out, const TTableLayout& t,
                  const QHash<QString, const TTableLayout*>& tables, const QString& collations,
                  int indent) {
    Report r(out, indent);
    QString heading =
        QStringLiteral("Checking ") + (t.isTemp ? QStringLiteral("Temp ") : QString()) +
        QStringLiteral("Table \"") + t.tblName + QStringLiteral("\" ") +
        CountPhrase(int(t.Cols.size()), QStringLiteral("with one column"),
                    QStringLiteral("with %d columns"), QStringLiteral("without columns"));
    const int indices = int(t.Idxs.size() + t.FKeys.size());
    heading += CountPhrase(indices, QStringLiteral(", one Index"), QStringLiteral(", %d Indices"));
    heading += CountPhrase(int(t.Trigs.size()), QStringLiteral(" and one trigger"),
                           QStringLiteral(" and %d triggers"));
    r.Plain(heading + QStringLiteral("..."));
    bool hasPk = false;
    for (const TFKeyLayout& k : t.FKeys)
        hasPk = hasPk || k.iKeyKind == KeyKind::PrimaryKey;
    for (const TFieldLayout& c : t.Cols)
        hasPk = hasPk || c.isPK;
    if (!hasPk) r.Warning(QStringLiteral("No Primary Key defined"));
    if (t.noRowID) r.Note(QStringLiteral("Table has no row-id"));
    const QString& types = SQLWordList(2);
    for (const TFieldLayout& c : t.Cols) {
        const QString col = QStringLiteral("Column \"") + c.fName + u'"';
        QString T = TrimText(c.fType).toUpper();
        if (T == QLatin1String("INT")) T = QStringLiteral("INTEGER");
        if (T == QLatin1String("NULL")) T.clear();
        const QString A = ColumnAffinity(T);
        // The default as written: its quotes tell 'NULL' from NULL.
        QString D = TrimText(c.fDefRaw.isEmpty() ? c.fDefVal : c.fDefRaw).toUpper();
        if (D == QLatin1String("NULL") && !c.allowNull)
            r.Warning(col + QStringLiteral(" has a NOT NULL constraint but a NULL default value"));
        if (D == QLatin1String("'NULL'"))
            r.Warning(col +
                      QStringLiteral(" has its default as the quoted string 'NULL' - The NULL "
                                     "identifier may have been intended"));
        D = UnquoteIdent(D);
        const bool numeric = IsNumericLiteral(D);
        if (!D.isEmpty() && D != QLatin1String("NULL") && !numeric &&
            (A.startsWith(u'I') || A.startsWith(u'N') || A.startsWith(u'R')))
            r.Error(col + QStringLiteral(" has ") + A +
                    QStringLiteral(" affinity but a default value (") + D +
                    QStringLiteral(") that is not numeric"));
        else if (numeric && D != QLatin1String("NULL") && A == QLatin1String("TEXT"))
            r.Warning(col + QStringLiteral(" has ") + A +
                      QStringLiteral(" affinity but a valid NUMERIC default value (") + D +
                      QStringLiteral(") which may not be intended"));
        if (!T.isEmpty() && !HasWholeWord(types, T))
            r.Error(col + QStringLiteral(" has an unknown declared type \"") + T + c.fVarSpec +
                    QStringLiteral("\" - Check spelling and syntax. Affinity will be ") + A);
        else if (!T.isEmpty() && T != A)
            r.Warning(col + QStringLiteral(" has a declared SQL type \"") + T + c.fVarSpec +
                      QStringLiteral("\" that is not used by SQLite - it will have ") + A +
                      QStringLiteral(" affinity"));
        else if (T.isEmpty())
            r.Note(col + QStringLiteral(" has no declared type - it will have ") + A +
                   QStringLiteral(" affinity"));
        const QString coll = TrimText(c.fCollation).toUpper();
        if (A == QLatin1String("TEXT") && !coll.isEmpty() && !HasWholeWord(collations, coll))
            r.Warning(col + QStringLiteral(" has Collation \"") + coll +
                      QStringLiteral(
                          "\" that is not normally used by SQLite - Check spelling and Syntax"));
    }
    // Key layouts that repeat each other.
    QHash<QString, QString> layouts;
    bool pkConstraint = false;
    for (const TFKeyLayout& k : t.FKeys)
        pkConstraint = pkConstraint || k.iKeyKind == KeyKind::PrimaryKey;
    if (!pkConstraint)
        for (const TFieldLayout& c : t.Cols)
            if (c.isPK) {
                layouts.insert(Key(c.fName), QStringLiteral("Primary Key (AutoIndex)"));
                break;
            }
    for (const TFKeyLayout& k : t.FKeys) {
        if (k.iKeyKind != KeyKind::PrimaryKey && k.iKeyKind != KeyKind::Unique) continue;
        QString label = k.iKeyKind == KeyKind::PrimaryKey ? QStringLiteral("Primary Key")
                                                          : QStringLiteral("Unique Index");
        if (!k.ConstrName.isEmpty())
            label += QStringLiteral("  [ ") + k.ConstrName + QStringLiteral(" ]");
        else if (k.iKeyKind == KeyKind::Unique)
            label += QStringLiteral("  [ no-name ]");
        const QString key = Key(k.OwnFields);
        if (layouts.contains(key))
            r.Warning(
                label + QStringLiteral(" duplicates the column layout of \"") + layouts.value(key) +
                QStringLiteral("\" - this is potentially expensive and usually without gain (but "
                               "could have referential use) - Check"));
        else
            layouts.insert(key, label);
    }
    for (const TIndexLayout& i : t.Idxs) {
        const QString label =
            (i.IdxUnique ? QStringLiteral("Unique ") : QString()) + QStringLiteral("Index  [ ") +
            (i.IdxName.isEmpty() ? QStringLiteral("no-name") : i.IdxName) + QStringLiteral(" ]");
        const QString key = Key(i.IdxFields);
        if (layouts.contains(key))
            r.Warning(label + QStringLiteral(" duplicates the column layout of \"") +
                      layouts.value(key) +
                      QStringLiteral("\" - this is expensive and offers no performance gains"));
        else
            layouts.insert(key, label);
    }
    // Foreign keys.
    for (const TFKeyLayout& k : t.FKeys) {
        if (k.iKeyKind != KeyKind::ForeignKey) continue;
        QString label = QStringLiteral("Foreign Key");
        if (!k.ConstrName.isEmpty())
            label += QStringLiteral("  [ ") + k.ConstrName + QStringLiteral(" ]");
        const TTableLayout* parent = tables.value(k.TableParent, nullptr);
        if (!parent)
            r.Error(label + QStringLiteral(" target Parent (") + k.TableParent +
                    QStringLiteral(") not found in DB"));
        const QStringList own = SplitFields(k.OwnFields);
        if (own.isEmpty()) r.Error(label + QStringLiteral(" has no reference fields"));
        // Without a parent column list the key refers to the parent's primary key.
        QString parentText = k.FKFields;
        if (TrimText(parentText).isEmpty() && parent) parentText = PrimaryKeyText(*parent);
        const QStringList par = SplitFields(parentText);
        if (parent && TrimText(k.FKFields).isEmpty() && par.isEmpty()) {
            r.Error(label + QStringLiteral(" refers to the primary key of \"") + k.TableParent +
                    QStringLiteral("\", which has none"));
            continue;
        }
        if (own.size() != par.size()) {
            r.Error(QStringLiteral("%1 has %2 child fields (%3) referencing %4 parent fields (%5)")
                        .arg(label)
                        .arg(own.size())
                        .arg(k.OwnFields)
                        .arg(par.size())
                        .arg(parentText));
            continue;
        }
        for (qsizetype p = 0; p < own.size(); ++p) {
            const TFieldLayout* child = ColumnOf(t, own[p]);
            if (!child)
                r.Error(QStringLiteral(
                            "%1 refers to column \"%2\" which is missing from its table \"%3\"")
                            .arg(label, own[p], t.tblName));
            if (!parent) continue;
            const TFieldLayout* pc = ColumnOf(*parent, par[p]);
            if (!pc) {
                r.Error(
                    QStringLiteral("%1 has child column \"%2\" referencing a missing column \"%3\" "
                                   "in the parent table \"%4\"")
                        .arg(label, own[p], par[p], parent->tblName));
                continue;
            }
            if (child && ColumnAffinity(child->fType) != ColumnAffinity(pc->fType))
                r.Warning(QStringLiteral(
                              "%1 has child column \"%2\" with type \"%3\" (with %4 affinity), "
                              "but the referenced Parent field \"%5\" in table \"%6\" has "
                              "mismatched Type \"%7\" (with %8 affinity)")
                              .arg(label, own[p], child->fType, ColumnAffinity(child->fType),
                                   par[p], parent->tblName, pc->fType, ColumnAffinity(pc->fType)));
        }
    }
    if (r.counts.errors + r.counts.warnings > 0)
        r.Plain(QStringLiteral("    Found ") + CountsPhrase(r.counts) +
                QStringLiteral(" in Table ") + t.tblName + u'.');
    else
        r.Plain(QStringLiteral("    No problems found."));
    return r.counts;
}

Counts CheckView(QStringList& out, const TViewLayout& v, const QSet<QString>& names, int indent) {
    Report r(out, indent);
    if (v.vCols.isEmpty()) {
        if (!v.vError.isEmpty())
            r.Error(QStringLiteral("View failed to compile: ") + v.vError);
        else
            r.Note(QStringLiteral(
                "Unable to fully evaluate - View does not currently produce any rows."));
    } else {
        QString heading = QStringLiteral("Checking ") +
                          (v.isTemp ? QStringLiteral("Temp") : QStringLiteral("Data")) +
                          QStringLiteral(" View \"") + v.vName + QStringLiteral("\" producing ") +
                          CountPhrase(int(v.vCols.size()), QStringLiteral("one column"),
                                      QStringLiteral("%d columns"));
        heading += CountPhrase(
            int(v.vRefs.size()), QStringLiteral(" and referencing one other table or view"),
            QStringLiteral(" and referencing %d tables or views"),
            QStringLiteral(". No referenced objects found (joined sub-queries are "
                           "not currently checked)"));
        r.Plain(heading + QStringLiteral("..."));
        for (const QString& ref : v.vRefs) {
            if (names.contains(UnquoteIdent(TrimText(ref)).toUpper())) continue;
            const QString m =
                QStringLiteral("Referenced table/view \"%1\" does not exist in this Schema")
                    .arg(ref);
            if (v.isTemp)
                r.Warning(m);
            else
                r.Error(m);
        }
        QStringList typed, undefined;
        for (qsizetype k = 0; k < v.vCols.size(); ++k) {
            const QString type = TrimText(UnquoteIdent(v.vTypes.value(k)));
            if (type.isEmpty() || type.toUpper().startsWith(QLatin1String("NULL")))
                undefined << v.vCols[k];
            else
                typed << v.vCols[k] + u':' + type;
        }
        if (!typed.isEmpty())
            r.Note(QStringLiteral("Result field affinities: ") + typed.join(QStringLiteral(", ")));
        if (!undefined.isEmpty())
            r.Warning(
                QStringLiteral("Fields with undefined result Types (will have BLOB affinity): ") +
                undefined.join(QStringLiteral(", ")));
        if (typed.isEmpty())
            r.Note(
                QStringLiteral("All column Types are undefined, possibly due to a current lack of "
                               "output rows"));
    }
    if (r.counts.errors + r.counts.warnings > 0) {
        r.Plain(QStringLiteral("    Found ") + CountsPhrase(r.counts) + u'.');
        if (!v.Comment.isEmpty())
            r.Plain(QStringLiteral("    View Comment: ") + ShortenAtWord(v.Comment, 123));
    } else {
        r.Plain(QStringLiteral("    No problems found."));
    }
    return r.counts;
}

} // namespace

QStringList SchemaCheckLines(const TDBLayout& l, int mode) {
    if (mode != 0) return {kUnsupportedMode};
    if (l.dHdr.Status != 0) return {NotLoadedLine(l)};
    QStringList out;
    const QString objects = ObjectsPhrase(l.aTbl.size(), l.aVws.size());
    out << QStringLiteral("Checking Database ") + DocFileName(l.sFile) +
               (objects.isEmpty() ? QString() : QStringLiteral(" with ") + objects) +
               QStringLiteral("...");
    out << QString();
    out << PropertiesBlock(l, true);
    out << QString();
    // Parents are found by their exact name; views' references ignoring case.
    QHash<QString, const TTableLayout*> tables;
    QSet<QString> names;
    for (const TTableLayout& t : l.aTbl) {
        tables.insert(t.tblName, &t);
        names.insert(t.tblName.toUpper());
    }
    for (const TViewLayout& v : l.aVws)
        names.insert(v.vName.toUpper());
    Counts total;
    auto section = [&out](const QString& title) {
        out << title;
        out << QString(title.size(), u'-');
    };
    if (!l.aTbl.isEmpty()) {
        section(QStringLiteral("Checking ") + CountPhrase(int(l.aTbl.size()),
                                                          QStringLiteral("one Table"),
                                                          QStringLiteral("%d Tables")));
        for (const TTableLayout& t : l.aTbl) {
            const Counts c = CheckTable(out, t, tables, l.collations, 4);
            total.errors += c.errors;
            total.warnings += c.warnings;
            out << QString();
        }
    }
    if (!l.aVws.isEmpty()) {
        section(QStringLiteral("Checking ") + CountPhrase(int(l.aVws.size()),
                                                          QStringLiteral("one View"),
                                                          QStringLiteral("%d Views")));
        for (const TViewLayout& v : l.aVws) {
            const Counts c = CheckView(out, v, names, 4);
            total.errors += c.errors;
            total.warnings += c.warnings;
            out << QString();
        }
    }
    if (total.errors + total.warnings == 0)
        out << QStringLiteral("No problems found - This Schema is perfect.");
    else
        out << QStringLiteral("Found ") + CountsPhrase(total) + QStringLiteral(" in ") +
                   ObjectsPhrase(l.aTbl.size(), l.aVws.size()) + u'.';
    return out;
}

} // namespace sky
