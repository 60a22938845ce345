// The documentation renderers.
#include "analysis/DocRender.h"

#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "support/HeldFiles.h"
#include "support/TextUtil.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace sky {

namespace {

bool AsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

QString Dashes(int n) {
    return QString(n, u'-');
}

QString Num(qint64 n, int width) {
    return QString::number(n).rightJustified(width);
}

// An empty text for 0.
QString CountOrEmpty(qsizetype n) {
    return n == 0 ? QString() : QString::number(n);
}

const char* KindName(KeyKind k) {
    switch (k) {
    case KeyKind::PrimaryKey:
        return "Primary Key";
    case KeyKind::Unique:
        return "Unique Index";
    case KeyKind::Check:
        return "Check";
    case KeyKind::ForeignKey:
        return "Foreign Key";
    }
    return "";
}

} // namespace

// --- text rules

bool HasWholeWord(const QString& text, const QString& word) {
    const QString w = TrimText(word);
    if (w.isEmpty()) return false;
    for (qsizetype at = text.indexOf(w, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(w, at + 1, Qt::CaseInsensitive)) {
        const qsizetype end = at + w.size();
        if ((at == 0 || !AsciiLetter(text[at - 1])) &&
            (end >= text.size() || !AsciiLetter(text[end])))
            return true;
    }
    return false;
}

QString CountPhrase(int count, const QString& one, const QString& many, const QString& zero) {
    if (count == 1) return one;
    if (count > 1) return QString(many).replace(QLatin1String("%d"), QString::number(count));
    return zero;
}

QString GroupedNumber(qint64 value, const QString& zero) {
    if (value == 0) return zero;
    QString digits = QString::number(value < 0 ? -value : value);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, u' ');
    return value < 0 ? u'-' + digits : digits;
}

QString Pad(const QString& text, int width) {
    return width >= 0 ? text.rightJustified(width) : text.leftJustified(-width);
}

QString PrimaryKeyText(const TTableLayout& t) {
    for (qsizetype k = t.FKeys.size() - 1; k >= 0; --k)
        if (t.FKeys[k].iKeyKind == KeyKind::PrimaryKey) return t.FKeys[k].OwnFields;
    for (qsizetype k = t.Cols.size() - 1; k >= 0; --k)
        if (t.Cols[k].isPK) return t.Cols[k].fName;
    return QString();
}

QString DocFileName(const QString& file) {
    return QFileInfo(file).completeBaseName();
}

QString NotLoadedLine(const TDBLayout& l) {
    return QStringLiteral("#ERROR: Database File not loaded (") + l.dHdr.StatusText +
           QLatin1Char(')');
}

QList<QPair<QString, QString>> PropertyRows(const TDBLayout& l, bool withSchemaVersion,
                                            bool withUnits) {
    const TSQLite3FileHeader& h = l.dHdr;
    const QString b = withUnits ? QStringLiteral(" b") : QString();
    QList<QPair<QString, QString>> out;
    auto row = [&out](const char* name, const QString& value) {
        out.append({QString::fromLatin1(name), value});
    };
    row("Application ID",
        QStringLiteral("%1").arg(h.ApplicationID, 8, 16, QLatin1Char('0')).toUpper());
    row("Incremental-Vacuum",
        h.IncrementalVacuumMode == 0 ? QStringLiteral("-") : QStringLiteral("Yes"));
    const qint64 pageSize = h.PageSize == 1 ? 65536 : h.PageSize;
    row("Page Size", GroupedNumber(pageSize, QStringLiteral("0")) + b);
    row("Pages in DB", GroupedNumber(h.PagesInDB, QStringLiteral("0")));
    row("File Size", GroupedNumber(h.FileSize, QStringLiteral("0")) + b);
    row("Default Page Cache", GroupedNumber(h.DefaultPageCache, QStringLiteral("0")) + b);
    row("SQLite Version", GroupedNumber(h.SQLiteVersionNo, QStringLiteral("Error")));
    row("User version", QString::number(h.UserVersion));
    if (withSchemaVersion) row("Schema Version", l.Prop(QStringLiteral("schema_version")));
    row("Schema Format", QString::number(h.SchemaFormat));
    static const QStringList encodings{"UTF-8", "UTF-16-le", "UTF-16-be"};
    row("Text Encoding", h.DBTextEncoding >= 1 && h.DBTextEncoding <= 3
                             ? encodings[int(h.DBTextEncoding) - 1]
                             : QStringLiteral("None [ANSI]"));
    return out;
}

QStringList PropertiesBlock(const TDBLayout& l, bool withSchemaVersion) {
    QStringList out;
    out << Pad(QStringLiteral("Database Properties"), 20) + QStringLiteral("  |  ") +
               QStringLiteral("Value");
    out << Dashes(20) + QStringLiteral("--+--") + Dashes(40);
    for (const auto& [name, value] : PropertyRows(l, withSchemaVersion, true))
        out << Pad(name, 20) + QStringLiteral("  :  ") + value;
    return out;
}

namespace {

QString TableRow(const QString& prefix, int no, const TTableLayout& t) {
    return prefix +
           QStringLiteral("%1 %2  %3  %4   %5   %6    %7     %8")
               .arg(Num(no, 4), Pad(ShortenAtWord(t.tblName, 40), 40),
                    Pad(ShortenAtWord(PrimaryKeyText(t), 20), -20),
                    Pad(CountOrEmpty(t.Cols.size()), 5), Pad(CountOrEmpty(t.FKeys.size()), 4),
                    Pad(CountOrEmpty(t.Idxs.size()), 5), Pad(CountOrEmpty(t.Trigs.size()), 5),
                    t.noRowID ? QStringLiteral("No") : QStringLiteral("Yes"));
}

void TableIndex(QStringList& out, const QString& prefix, const QList<const TTableLayout*>& tables) {
    out << prefix.left(2) + QStringLiteral(" No. ") + Pad(QStringLiteral("Schema Table Name"), 40) +
               QStringLiteral("  ") + Pad(QStringLiteral("Primary Key"), -20) +
               QStringLiteral(" Columns  Keys  Indices  Triggers  RowID");
    out << prefix + QStringLiteral("---- ") + Dashes(40) + QStringLiteral("  ") + Dashes(20) +
               QStringLiteral(" -------  ----  -------  --------  -----");
    int no = 0;
    for (const TTableLayout* t : tables)
        out << TableRow(prefix, ++no, *t);
}

void ViewIndex(QStringList& out, const QString& prefix, const QList<TViewLayout>& views) {
    out << prefix.left(2) + QStringLiteral(" No. ") + Pad(QStringLiteral("Schema View Name"), 40) +
               QStringLiteral("   Kind    Columns  Refs  ") + QStringLiteral("Comment");
    out << prefix + QStringLiteral("---- ") + Dashes(40) +
               QStringLiteral("  -------  -------  ----  ") + Dashes(40);
    int no = 0;
    for (const TViewLayout& v : views)
        out << prefix +
                   QStringLiteral("%1 %2  %3   %4   %5  %6")
                       .arg(Num(++no, 4), Pad(ShortenAtWord(v.vName, 40), 40),
                            Pad(v.isTemp ? QStringLiteral("TEMP") : QStringLiteral("Persist"), 7),
                            Pad(CountOrEmpty(v.vCols.size()), 5),
                            Pad(CountOrEmpty(v.vRefs.size()), 4), ShortenAtWord(v.Comment, 40));
}

} // namespace

QString ConstraintDescription(const TFKeyLayout& k, bool withName) {
    const QString name = k.ConstrName.isEmpty() || !withName
                             ? QString()
                             : QStringLiteral(" \"") + k.ConstrName + u'"';
    switch (k.iKeyKind) {
    case KeyKind::PrimaryKey:
        return QStringLiteral("Primary Key") + name + QStringLiteral(" on (") + k.OwnFields + u')';
    case KeyKind::Unique:
        return QStringLiteral("Unique Index") + name + QStringLiteral(" on (") + k.OwnFields + u')';
    case KeyKind::Check:
        return QStringLiteral("Check constraint") + name + QStringLiteral(" (") + k.FKFields + u')';
    case KeyKind::ForeignKey:
        return QStringLiteral("Foreign Key") + name + QStringLiteral(" on (") + k.OwnFields +
               QStringLiteral(") referencing table \"") + k.TableParent + u'"';
    }
    return QString();
}

QString TriggerEventText(const TTriggerLayout& g) {
    QString timing, event;
    switch (g.trigExecTiming) {
    case TrigTiming::Before:
        timing = QStringLiteral("Before ");
        break;
    case TrigTiming::After:
        timing = QStringLiteral("After ");
        break;
    case TrigTiming::InsteadOf:
        timing = QStringLiteral("instead of ");
        break;
    default:
        break;
    }
    switch (g.trigEvent) {
    case TrigEvent::Delete:
        event = QStringLiteral("Delete ");
        break;
    case TrigEvent::Insert:
        event = QStringLiteral("Insert ");
        break;
    case TrigEvent::Update:
    case TrigEvent::UpdateOf:
        event = QStringLiteral("Update ");
        break;
    default:
        break;
    }
    return timing + event;
}

QStringList ColumnReferences(const TTableLayout& t, const TFieldLayout& c, bool html) {
    const QString sep = html ? QStringLiteral("  -  ") : QString();
    QStringList refs;
    for (const TFKeyLayout& k : t.FKeys)
        if (HasWholeWord(k.OwnFields, c.fName)) {
            const QString kind = QLatin1String(KindName(k.iKeyKind));
            if (html)
                refs << QStringLiteral("Used in ") + kind + QStringLiteral(" constraint") +
                            (k.ConstrName.isEmpty() ? QString() : sep + k.ConstrName);
            else
                refs << QStringLiteral("Used in a ") + kind + QStringLiteral(" constraint") +
                            (k.ConstrName.isEmpty()
                                 ? QString()
                                 : QStringLiteral("  [ ") + k.ConstrName + QStringLiteral(" ]"));
        }
    const QString index = html ? QStringLiteral("Index  -  ") : QStringLiteral("Index: ");
    for (const TIndexLayout& i : t.Idxs) {
        const QString unique = i.IdxUnique ? QStringLiteral("Unique ") : QString();
        if (HasWholeWord(i.IdxWhere, c.fName))
            refs << QStringLiteral("Referenced in ") + unique + index + i.IdxName;
        else if (HasWholeWord(i.IdxFields, c.fName))
            refs << QStringLiteral("Used in ") + unique + index + i.IdxName;
    }
    const QString trig = html ? QStringLiteral(" Trigger  -  ") : QStringLiteral(" Trigger: ");
    for (const TTriggerLayout& g : t.Trigs) {
        if (HasWholeWord(g.trigExecCode, c.fName))
            refs << QStringLiteral("Used in") + trig + g.trigName;
        else if (HasWholeWord(g.trigWhen, c.fName))
            refs << QStringLiteral("Referenced in") + trig + g.trigName;
        else if (HasWholeWord(g.trigFields, c.fName))
            refs << QStringLiteral("Invokes") + trig + g.trigName;
    }
    return refs;
}

QStringList TextLines(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    if (t.endsWith(u'\n')) t.chop(1);
    return t.split(u'\n');
}

namespace {

QString TriggerText(const TTriggerLayout& g) {
    const QString code = CollapseWhitespace(TrimText(g.trigExecCode)).trimmed();
    return ShortenAtWord(TriggerEventText(g) + QStringLiteral("Trigger \"") + g.trigName +
                             QStringLiteral("\" { ") + code,
                         137) +
           QStringLiteral(" }");
}

void TableSection(QStringList& out, const TTableLayout& t) {
    const QString pk = PrimaryKeyText(t);
    out << QStringLiteral("Table:        ") + t.tblName;
    out << QStringLiteral("Primary Key:  ") + (pk.isEmpty() ? QStringLiteral("(None)") : pk);
    out << QStringLiteral("   No. ") + Pad(QStringLiteral("Column / Field Name"), 30) +
               QStringLiteral("  ") + Pad(QStringLiteral("Type"), -14) + u' ' +
               Pad(QStringLiteral("Collation"), -10) + u' ' + Pad(QStringLiteral("NULL"), -5) +
               u' ' + Pad(QStringLiteral("Unique"), -6) + u' ' + Pad(QStringLiteral("PK"), -2) +
               QStringLiteral("  ") + Pad(QStringLiteral("Default"), -30) + u' ' +
               Pad(QStringLiteral("Comment"), -30);
    out << QStringLiteral("  ---- ") + Dashes(30) + QStringLiteral("  ") + Pad(Dashes(14), -14) +
               u' ' + Pad(Dashes(10), -10) + u' ' + Pad(Dashes(5), -5) + u' ' + Pad(Dashes(5), -6) +
               u' ' + Pad(Dashes(2), -2) + QStringLiteral("  ") + Dashes(30) + u' ' + Dashes(30);
    QStringList pkParts;
    for (const QString& p : pk.split(u','))
        pkParts << TrimText(p).toUpper();
    int no = 0;
    for (const TFieldLayout& c : t.Cols) {
        const qsizetype pos = pk.isEmpty() ? -1 : pkParts.indexOf(c.fName.toUpper());
        out << QStringLiteral("  %1 %2  %3 %4 %5  %6  %7  %8 %9")
                   .arg(Num(++no, 4), Pad(ShortenAtWord(c.fName, 30), 30),
                        Pad(ShortenAtWord(c.fType + c.fVarSpec, 14), -14),
                        Pad(ShortenAtWord(c.fCollation, 10), -10),
                        Pad(c.allowNull ? QStringLiteral("Allow") : QStringLiteral("NO"), -5),
                        Pad(c.isUnique ? QStringLiteral("Yes") : QString(), -4),
                        Pad(pos < 0 ? QString() : Num(pos + 1, 2), -2),
                        Pad(ShortenAtWord(c.fDefVal, 30), -30),
                        Pad(ShortenAtWord(TrimText(c.fComment), 30), -30));
        const QStringList refs = ColumnReferences(t, c, false);
        if (!refs.isEmpty()) {
            out << QStringLiteral("       References %1 Database Object%2:")
                       .arg(refs.size())
                       .arg(refs.size() > 1 ? QStringLiteral("s") : QString());
            for (const QString& r : refs)
                out << QStringLiteral("       ") + r;
        }
    }
    auto block = [&out](qsizetype n, const char* one, const char* many) {
        out << QString();
        out << QStringLiteral("  %1 Table %2:").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    if (!t.FKeys.isEmpty()) {
        block(t.FKeys.size(), "Constraint", "Constraints");
        for (const TFKeyLayout& k : t.FKeys)
            out << QStringLiteral("    ") + ConstraintDescription(k, true);
    }
    if (!t.Idxs.isEmpty()) {
        block(t.Idxs.size(), "Index", "Indices");
        for (const TIndexLayout& i : t.Idxs)
            out << QStringLiteral("    ") + (i.IdxUnique ? QStringLiteral("Unique ") : QString()) +
                       QStringLiteral("Index \"") + i.IdxName + QStringLiteral("\" on (") +
                       i.IdxFields + u')';
    }
    if (!t.Trigs.isEmpty()) {
        block(t.Trigs.size(), "Trigger", "Triggers");
        for (const TTriggerLayout& g : t.Trigs)
            out << QStringLiteral("    ") + TriggerText(g);
    }
}

void ViewSection(QStringList& out, const TViewLayout& v) {
    out << QStringLiteral("Data View:          ") + v.vName;
    out << QStringLiteral("Referenced Tables:  ") +
               ShortenAtWord(v.vRefs.join(QStringLiteral(", ")), 123);
    out << QStringLiteral("View Comment:       ") + ShortenAtWord(v.Comment, 123);
    out << QStringLiteral("   No. ") +
               Pad(QStringLiteral("View Column / Field Name / SELECT Definition"), 70) +
               QStringLiteral("  ") + Pad(QStringLiteral("Inferred Type"), -20);
    out << QStringLiteral("  ---- ") + Dashes(70) + QStringLiteral("  ") + Dashes(20);
    for (qsizetype k = 0; k < v.vCols.size(); ++k)
        out << QStringLiteral("  %1 %2  %3")
                   .arg(Num(k + 1, 4), Pad(ShortenAtWord(v.vCols[k], 70), 70),
                        Pad(ShortenAtWord(v.vTypes.value(k), 20), -20));
}

// A pragma value as SQL: a plain number or word bare, anything else quoted.
QString PragmaValue(const QString& v) {
    static const QRegularExpression plain(QStringLiteral("^([-+]?[0-9]+|[A-Za-z_][A-Za-z0-9_]*)$"));
    return plain.match(v).hasMatch() ? v : QuoteSqlString(v);
}

void AppendLines(QStringList& out, const QString& text) {
    out << TextLines(text);
}

void ScriptLines(QStringList& out, const TDBLayout& l, const QDateTime& now) {
    QList<const TTableLayout*> tables;
    for (const TTableLayout& t : l.aTbl)
        if (!l.notScripted.contains(t.tblName) &&
            t.tblName.left(7).compare(QLatin1String("sqlite_"), Qt::CaseInsensitive) != 0)
            tables << &t;
    out << QStringLiteral("-- Database:    ") + DocFileName(l.sFile);
    out << QStringLiteral("-- Script Time: ") + now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    out << QStringLiteral("-- The following %1 Tables will be created during this script:")
               .arg(tables.size());
    TableIndex(out, QStringLiteral("-- "), tables);
    if (!l.aVws.isEmpty()) {
        out << QString() << QString();
        out << QStringLiteral("-- The following %1 Views will be created during this script:")
                   .arg(l.aVws.size());
        ViewIndex(out, QStringLiteral("-- "), l.aVws);
    }
    out << QString() << QString();
    out << QStringLiteral("-- Non connection-specific Database Pragma settings:");
    // The file's layout first (page size, auto-vacuum and encoding only take
    // effect in an empty file), the journal mode last.
    static const QStringList prefixes{"APPL", "AUTO", "DEFE", "ENCO", "FORE",
                                      "JOUR", "READ", "RECU", "SECU"};
    static const QStringList first{"page_size", "auto_vacuum", "encoding"};
    QStringList pragmas;
    for (const QString& name : first)
        if (!l.Prop(name).isEmpty()) pragmas << name;
    for (const QString& line : l.sProps) {
        const QString name = line.left(line.indexOf(u'='));
        if (first.contains(name) || name == QLatin1String("journal_mode")) continue;
        if (prefixes.contains(name.left(4).toUpper())) pragmas << name;
    }
    if (!l.Prop(QStringLiteral("journal_mode")).isEmpty())
        pragmas << QStringLiteral("journal_mode");
    for (const QString& name : pragmas)
        out << QStringLiteral("PRAGMA %1 = %2;").arg(name, PragmaValue(l.Prop(name)));
    for (const TTableLayout* t : tables) {
        out << QString() << QString();
        out << QStringLiteral("-- SQL Create Script for Table: ") + t->tblName;
        const QString sql = convTableLayoutToSQL(*t);
        if (TrimText(sql).isEmpty())
            out << QStringLiteral("(No valid Table Schema)");
        else
            AppendLines(out, sql);
    }
    for (const TViewLayout& v : l.aVws) {
        out << QString() << QString();
        out << QStringLiteral("-- SQL Create Script for Data View: ") + v.vName;
        QStringList lines;
        AppendLines(lines, sqlFrom(v));
        if (lines.size() < 2) {
            out << QStringLiteral("(No valid View Schema)");
        } else {
            // The statement ends before the view's triggers follow it.
            if (!TrimText(lines.last()).endsWith(u';')) lines.last() += u';';
            out << lines;
        }
        for (const auto& [view, sql] : l.viewTriggers)
            if (view == v.vName) AppendLines(out, sql + u';');
    }
    // Nothing is left out silently: what could not be read, as stored.
    for (const auto& [name, sql] : l.unreadable) {
        out << QString() << QString();
        out << QStringLiteral("-- Stored SQL (layout not readable) for: ") + name;
        AppendLines(out, sql);
    }
}

} // namespace

QStringList DocumentationLines(const TDBLayout& l, int mode, const QDateTime& now) {
    QStringList out;
    if (mode != 0 && mode != 1) return {kUnsupportedMode};
    if (l.dHdr.Status != 0) return {NotLoadedLine(l)};
    if (mode == 1) {
        ScriptLines(out, l, now);
        return out;
    }
    out << QStringLiteral("Database:    ") + DocFileName(l.sFile);
    out << QStringLiteral("Data Tables: %1").arg(l.aTbl.size());
    QList<const TTableLayout*> tables;
    for (const TTableLayout& t : l.aTbl)
        tables << &t;
    TableIndex(out, QString(), tables);
    if (!l.aVws.isEmpty()) {
        out << QString() << QString();
        out << QStringLiteral("Data Views:  %1").arg(l.aVws.size());
        ViewIndex(out, QString(), l.aVws);
    }
    out << QString() << QString();
    out << Pad(QStringLiteral("Pragma Setting"), 20) + QStringLiteral("  |  ") +
               QStringLiteral("Value");
    out << Dashes(20) + QStringLiteral("--+--") + Dashes(40);
    for (const QString& line : l.sProps) {
        const qsizetype eq = line.indexOf(u'=');
        out << Pad(line.left(eq), 20) + QStringLiteral("  :  ") + line.mid(eq + 1);
    }
    out << QString() << QString();
    out << PropertiesBlock(l, false);
    for (const TTableLayout& t : l.aTbl) {
        out << QString() << QString();
        TableSection(out, t);
    }
    for (const TViewLayout& v : l.aVws) {
        out << QString() << QString();
        ViewSection(out, v);
    }
    return out;
}

QStringList PrototypeLines(const TDBLayout& l) {
    if (l.dHdr.Status != 0) return {NotLoadedLine(l)};
    QStringList out;
    out << QStringLiteral("Database:  ") + DocFileName(l.sFile);
    auto isKey = [](const TTableLayout& t, const TFieldLayout& c) {
        if (c.isPK) return true;
        for (const TFKeyLayout& k : t.FKeys)
            if (k.iKeyKind == KeyKind::PrimaryKey && HasWholeWord(k.OwnFields, c.fName))
                return true;
        return false;
    };
    auto tableLine = [&](const TTableLayout& t, bool typed) {
        QStringList entries;
        for (const TFieldLayout& c : t.Cols) {
            QString e = QuoteIdent(c.fName) + (isKey(t, c) ? QStringLiteral("*") : QString());
            const QString type = TrimText(c.fType);
            if (typed && !type.isEmpty() && type.toUpper() != QLatin1String("NULL"))
                e += QStringLiteral(" : ") + c.fType + c.fVarSpec + QStringLiteral(" [") +
                     ColumnAffinity(c.fType) + u']';
            entries << e;
        }
        return QStringLiteral("    ") + QuoteIdent(t.tblName, true) + QStringLiteral(" (") +
               entries.join(QStringLiteral(",  ")) + u')';
    };
    auto viewLine = [](const TViewLayout& v, bool typed) {
        QStringList entries;
        for (qsizetype k = 0; k < v.vCols.size(); ++k) {
            QString e = QuoteIdent(v.vCols[k]);
            const QString type = TrimText(v.vTypes.value(k));
            if (typed && !type.isEmpty() && type.toUpper() != QLatin1String("NULL"))
                e += u':' + type;
            entries << e;
        }
        return QStringLiteral("    ") + v.vName + QStringLiteral(" (") +
               entries.join(QStringLiteral(", ")) + u')';
    };
    if (!l.aTbl.isEmpty()) {
        out << QStringLiteral("Tables with Fields:");
        for (const TTableLayout& t : l.aTbl)
            out << tableLine(t, false);
        out << QStringLiteral("    [An Asterisk (*) denotes a Primary Key field]") << QString();
    }
    if (!l.aVws.isEmpty()) {
        out << QStringLiteral("Views with Fields:");
        for (const TViewLayout& v : l.aVws)
            out << viewLine(v, false);
        out << QString();
    }
    if (!l.aTbl.isEmpty()) {
        out << QStringLiteral("Tables with Fields, Types and Affinities (Format: Table( Field : "
                              "Type [Affinity], ...):");
        for (const TTableLayout& t : l.aTbl)
            out << tableLine(t, true);
        out << QStringLiteral("    [An Asterisk (*) denotes a Primary Key field.]") << QString();
    }
    if (!l.aVws.isEmpty()) {
        out << QStringLiteral("Views with Fields and Affinities:");
        for (const TViewLayout& v : l.aVws)
            out << viewLine(v, true);
        out << QString();
    }
    return out;
}

bool WriteDocLines(const QStringList& lines, QIODevice& out) {
    QByteArray piece;
    piece.reserve(1 << 20);
    for (const QString& line : lines) {
        piece += line.toUtf8();
        piece += "\r\n";
        if (piece.size() >= (1 << 20)) {
            if (out.write(piece) != piece.size()) return false;
            piece.clear();
        }
    }
    return out.write(piece) == piece.size();
}

QByteArray DocBytes(const QStringList& lines) {
    QByteArray out;
    for (const QString& line : lines) {
        out += line.toUtf8();
        out += "\r\n";
    }
    return out;
}

bool SaveDocLines(const QStringList& lines, const QString& file, QString& message) {
    // A database of ours is only ever written through the engine.
    if (IsHeldDatabaseFile(file)) {
        message = HeldFileError(file);
        return false;
    }
    QSaveFile out(file);
    const bool opened = out.open(QIODevice::WriteOnly);
    if (opened && WriteDocLines(lines, out) && out.commit()) return true;
    message = QStringLiteral("Exception creating output file \"") + QFileInfo(file).fileName() +
              QStringLiteral("\" (") +
              (opened ? QStringLiteral("WriteError") : QStringLiteral("OpenError")) +
              QStringLiteral("): ") + out.errorString();
    return false;
}

} // namespace sky
