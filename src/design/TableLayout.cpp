// Reading a stored CREATE TABLE into a table layout and writing a layout
// back as SQL.
#include "design/TableLayout.h"

#include "design/DefTokens.h"
#include "engine/CsvFields.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/Csv.h"
#include "support/TextUtil.h"

#include <QHash>
#include <QRegularExpression>
#include <sqlite3.h>

namespace sky {
namespace {

// Keywords that end a column's type.
bool EndsType(const DefToken& t) {
    for (const char* k : {"CONSTRAINT", "PRIMARY", "NOT", "NULL", "UNIQUE", "CHECK", "DEFAULT",
                          "COLLATE", "REFERENCES", "GENERATED", "AS"})
        if (t.Is(k)) return true;
    return t.kind != DefKind::Word;
}

QString Src(QStringView text, const DefToken& from, const DefToken& to) {
    return text.mid(from.pos, to.end() - from.pos).toString();
}

// Reads "ON CONFLICT word" at i; returns the conflict index (and moves i).
int ReadOnConflict(const QList<DefToken>& t, qsizetype& i) {
    if (i + 2 < t.size() && t[i].Is("ON") && t[i + 1].Is("CONFLICT")) {
        const int c = ReadConflictWord(t[i + 2].value);
        if (c > 0) {
            i += 3;
            return c;
        }
    }
    return 0;
}

struct Fail {
    QString why;
};

// A foreign key clause after REFERENCES starting at i: fills k and returns
// the index after the clause.
qsizetype ReadFkClause(const QList<DefToken>& t, qsizetype i, TFKeyLayout& k) {
    if (i >= t.size() || !(t[i].IsName() || t[i].kind == DefKind::Quoted))
        throw Fail{QStringLiteral("REFERENCES without a table")};
    QString parent = t[i].value;
    ++i;
    if (i + 1 < t.size() && t[i].kind == DefKind::Other && t[i].value == QLatin1String(".")) {
        parent += QLatin1Char('.') + t[i + 1].value;
        i += 2;
    }
    k.TableParent = parent;
    if (i < t.size() && t[i].kind == DefKind::Group) {
        QStringList cols;
        QList<DefToken> inner = DefTokenize(t[i].value);
        for (const DefToken& c : inner)
            if (c.kind != DefKind::Comma && c.kind != DefKind::Comment) cols << c.value;
        k.FKFields = JoinCSVLine(cols, QLatin1Char(','));
        ++i;
    }
    auto action = [&](qsizetype& j) -> int {
        if (j < t.size() && t[j].Is("CASCADE")) return ++j, 5;
        if (j < t.size() && t[j].Is("RESTRICT")) return ++j, 2;
        if (j + 1 < t.size() && t[j].Is("SET") && t[j + 1].Is("NULL")) return j += 2, 3;
        if (j + 1 < t.size() && t[j].Is("SET") && t[j + 1].Is("DEFAULT")) return j += 2, 4;
        if (j + 1 < t.size() && t[j].Is("NO") && t[j + 1].Is("ACTION")) return j += 2, 1;
        throw Fail{QStringLiteral("unknown foreign key action")};
    };
    while (i < t.size()) {
        if (t[i].Is("ON") && i + 1 < t.size() && (t[i + 1].Is("DELETE") || t[i + 1].Is("UPDATE"))) {
            const bool del = t[i + 1].Is("DELETE");
            i += 2;
            (del ? k.iDelAction : k.iUpdAction) = action(i);
        } else if (t[i].Is("MATCH") && i + 1 < t.size()) {
            k.MatchName = t[i + 1].value;
            i += 2;
        } else if (t[i].Is("NOT") && i + 1 < t.size() && t[i + 1].Is("DEFERRABLE")) {
            k.iDeferrable = DeferMode::NotDeferrable;
            i += 2;
        } else if (t[i].Is("DEFERRABLE")) {
            k.iDeferrable = DeferMode::Deferrable;
            ++i;
        } else if (t[i].Is("INITIALLY") && i + 1 < t.size() &&
                   (t[i + 1].Is("DEFERRED") || t[i + 1].Is("IMMEDIATE"))) {
            k.iInitially = t[i + 1].Is("DEFERRED") ? InitialMode::Deferred : InitialMode::Immediate;
            k.bDeferred =
                k.iInitially == InitialMode::Deferred && k.iDeferrable == DeferMode::Deferrable;
            i += 2;
        } else {
            break;
        }
    }
    return i;
}

// Splits tokens at top-level commas; comments go with the item they belong
// to (a comment on the line of a comma belongs to the item before it).
QList<QList<DefToken>> SplitItems(const QList<DefToken>& all) {
    QList<QList<DefToken>> items(1);
    for (qsizetype i = 0; i < all.size(); ++i) {
        const DefToken& d = all[i];
        if (d.kind == DefKind::Comma) {
            items.append(QList<DefToken>());
            continue;
        }
        if (d.kind == DefKind::Comment && !d.lineBefore && items.size() > 1 &&
            items.last().isEmpty()) {
            items[items.size() - 2].append(d);
            continue;
        }
        items.last().append(d);
    }
    // Trailing comments after the last item stay with it; an empty last item
    // holding only comments joins the one before.
    if (items.size() > 1) {
        bool onlyComments = true;
        for (const DefToken& d : items.last())
            onlyComments &= d.kind == DefKind::Comment;
        if (onlyComments) {
            items[items.size() - 2].append(items.last());
            items.removeLast();
        }
    }
    return items;
}

void ReadColumn(QStringView text, const QList<DefToken>& t, TFieldLayout& f) {
    qsizetype i = 0;
    if (t.isEmpty() || !(t[0].kind == DefKind::Word || t[0].kind == DefKind::Quoted))
        throw Fail{QStringLiteral("column without a name")};
    f.fName = t[0].value;
    i = 1;
    QStringList typeWords;
    while (i < t.size() && !EndsType(t[i]))
        typeWords << t[i++].value;
    f.fType = typeWords.join(QLatin1Char(' '));
    if (!typeWords.isEmpty() && i < t.size() && t[i].kind == DefKind::Group) {
        f.fVarSpec = QLatin1Char('(') + t[i].value.trimmed() + QLatin1Char(')');
        ++i;
    }
    if (!typeWords.isEmpty()) {
        f.fTypeRaw = Src(text, t[1], t[i - 1]);
        f.fTypeReadAs = f.fType + f.fVarSpec;
    }
    // A constraint the layout holds once, given twice, cannot be written back
    // as it was: such a column is refused rather than changed.
    QStringList seen;
    auto once = [&](const char* what) {
        const QString w = QLatin1String(what);
        if (seen.contains(w))
            throw Fail{QStringLiteral("column ") + f.fName + QStringLiteral(" has more than one ") +
                       w};
        seen << w;
    };
    while (i < t.size()) {
        const DefToken& k = t[i];
        for (const char* w :
             {"PRIMARY", "UNIQUE", "CHECK", "DEFAULT", "COLLATE", "REFERENCES", "GENERATED", "AS"})
            if (k.Is(w)) {
                once(k.Is("AS") ? "GENERATED" : w);
                f.fConstraintOrder << QLatin1String(k.Is("AS") ? "GENERATED" : w);
            }
        if (k.Is("NOT") && i + 1 < t.size() && t[i + 1].Is("NULL") &&
            !f.fConstraintOrder.contains(QLatin1String("NOTNULL")))
            f.fConstraintOrder << QStringLiteral("NOTNULL");
        if (k.Is("CONSTRAINT") && i + 1 < t.size()) {
            f.fConstraintName = t[i + 1].value;
            i += 2;
            if (i < t.size() && t[i].Is("CHECK")) f.fCheckName = f.fConstraintName;
        } else if (k.Is("PRIMARY") && i + 1 < t.size() && t[i + 1].Is("KEY")) {
            f.isPK = true;
            i += 2;
            if (i < t.size() && (t[i].Is("ASC") || t[i].Is("DESC"))) f.isAscend = t[i++].Is("ASC");
            f.fPrimConflict = ReadOnConflict(t, i);
            if (i < t.size() && t[i].Is("AUTOINCREMENT")) {
                f.isAutoInc = true;
                ++i;
            }
        } else if (k.Is("NOT") && i + 1 < t.size() && t[i + 1].Is("NULL")) {
            f.allowNull = false;
            i += 2;
            f.fNotNullConflict = ReadOnConflict(t, i);
        } else if (k.Is("NULL")) {
            ++i;
        } else if (k.Is("UNIQUE")) {
            f.isUnique = true;
            ++i;
            f.fUniqueConflict = ReadOnConflict(t, i);
        } else if (k.Is("CHECK") && i + 1 < t.size() && t[i + 1].kind == DefKind::Group) {
            f.fCheckFunc = t[i + 1].value;
            i += 2;
        } else if (k.Is("DEFAULT") && i + 1 < t.size()) {
            ++i;
            const qsizetype start = i;
            if (t[i].kind == DefKind::Other && (t[i].value == u"-" || t[i].value == u"+")) ++i;
            if (i >= t.size()) throw Fail{QStringLiteral("DEFAULT without a value")};
            qsizetype last = i;
            if (t[i].kind == DefKind::Word && (t[i].value == u"X" || t[i].value == u"x") &&
                i + 1 < t.size() && t[i + 1].kind == DefKind::Quoted &&
                t[i + 1].pos == t[i].end()) {
                last = i + 1;
            } else if (t[i].kind == DefKind::Word ||
                       (t[i].kind == DefKind::Other && t[i].value == u".")) {
                // A number runs over adjacent digits, "." and a signed exponent.
                while (last + 1 < t.size() && t[last + 1].pos == t[last].end()) {
                    const DefToken& n = t[last + 1];
                    const bool sign =
                        n.kind == DefKind::Other && (n.value == u"-" || n.value == u"+") &&
                        t[last].kind == DefKind::Word && t[last].value.back().toUpper() == u'E';
                    if (n.kind == DefKind::Word || (n.kind == DefKind::Other && n.value == u".") ||
                        sign)
                        ++last;
                    else
                        break;
                }
            } else if (t[i].kind != DefKind::Quoted && t[i].kind != DefKind::Group) {
                throw Fail{QStringLiteral("unknown DEFAULT value")};
            }
            f.fDefRaw = Src(text, t[start], t[last]);
            if (start == i && last == i && t[i].kind == DefKind::Quoted && t[i].quote == u'\'')
                f.fDefVal = t[i].value;
            else
                f.fDefVal = f.fDefRaw;
            i = last + 1;
        } else if (k.Is("COLLATE") && i + 1 < t.size()) {
            f.fCollation = t[i + 1].value; // as written: the engine reports it so
            i += 2;
        } else if (k.Is("REFERENCES")) {
            TFKeyLayout fk;
            const qsizetype end = ReadFkClause(t, i + 1, fk);
            f.fForeignKey = Src(text, t[i + 1], t[end - 1]);
            i = end;
        } else if ((k.Is("GENERATED") && i + 2 < t.size() && t[i + 1].Is("ALWAYS") &&
                    t[i + 2].Is("AS")) ||
                   k.Is("AS")) {
            f.fGenAlways = k.Is("GENERATED");
            i += f.fGenAlways ? 3 : 1;
            if (i >= t.size() || t[i].kind != DefKind::Group)
                throw Fail{QStringLiteral("generated column without an expression")};
            f.fGenerated = t[i++].value;
            if (i < t.size() && (t[i].Is("STORED") || t[i].Is("VIRTUAL")))
                f.fGenStorage = t[i++].value.toUpper();
        } else {
            throw Fail{QStringLiteral("column ") + f.fName + QStringLiteral(": unexpected ") +
                       k.value};
        }
    }
    f.OldName = f.fName;
    f.OldType = f.fType;
    f.OldCollation = f.fCollation;
    f.OldDefVal = f.fDefVal;
    f.OldCheckFunc = f.fCheckFunc;
    f.OldComment = f.fComment;
    f.OldForeignKey = f.fForeignKey;
}

void ReadTableItem(QStringView text, const QList<DefToken>& item, TTableLayout& t) {
    QList<DefToken> toks;
    QString comment;
    for (const DefToken& d : item) {
        if (d.kind == DefKind::Comment)
            comment = d.value;
        else
            toks << d;
    }
    if (toks.isEmpty()) return;
    qsizetype i = 0;
    QString name;
    if (toks[0].Is("CONSTRAINT")) {
        if (toks.size() < 3) throw Fail{QStringLiteral("incomplete CONSTRAINT")};
        name = toks[1].value;
        i = 2;
    }
    const DefToken& first = toks[i];
    auto table = [&](KeyKind kind) -> TFKeyLayout& {
        addFKey(t.FKeys, kind);
        TFKeyLayout& k = t.FKeys.last();
        k.bIsTableConstraint = true;
        k.TableSelf = t.tblName;
        k.ConstrName = name;
        k.Comment = comment;
        return k;
    };
    if ((first.Is("PRIMARY") && i + 2 < toks.size() && toks[i + 1].Is("KEY") &&
         toks[i + 2].kind == DefKind::Group) ||
        (first.Is("UNIQUE") && i + 1 < toks.size() && toks[i + 1].kind == DefKind::Group)) {
        const bool pk = first.Is("PRIMARY");
        TFKeyLayout& k = table(pk ? KeyKind::PrimaryKey : KeyKind::Unique);
        qsizetype j = i + (pk ? 2 : 1);
        k.OwnFields = toks[j].value;
        ++j;
        k.iConflictClause = ReadOnConflict(toks, j);
        if (j != toks.size()) throw Fail{QStringLiteral("unexpected text after a key")};
        return;
    }
    if (first.Is("CHECK") && i + 1 < toks.size() && toks[i + 1].kind == DefKind::Group) {
        TFKeyLayout& k = table(KeyKind::Check);
        k.FKFields = toks[i + 1].value;
        if (i + 2 != toks.size()) throw Fail{QStringLiteral("unexpected text after CHECK")};
        return;
    }
    if (first.Is("FOREIGN") && i + 3 < toks.size() && toks[i + 1].Is("KEY") &&
        toks[i + 2].kind == DefKind::Group && toks[i + 3].Is("REFERENCES")) {
        TFKeyLayout& k = table(KeyKind::ForeignKey);
        QStringList own;
        for (const DefToken& c : DefTokenize(toks[i + 2].value))
            if (c.kind != DefKind::Comma && c.kind != DefKind::Comment) own << c.value;
        k.OwnFields = JoinCSVLine(own, QLatin1Char(','));
        const qsizetype end = ReadFkClause(toks, i + 4, k);
        if (end != toks.size()) throw Fail{QStringLiteral("unexpected text after a foreign key")};
        k.RawText = Src(text, toks[i + 4], toks[end - 1]);
        k.ReadText = ConstraintText(k, false);
        return;
    }
    if (!name.isEmpty()) throw Fail{QStringLiteral("unknown table constraint ") + name};
    TFieldLayout f;
    ReadColumn(text, toks, f);
    f.fComment = comment;
    f.OldComment = comment;
    t.Cols.append(std::move(f));
}

void ColumnsFromSpecs(const QStringList& colSpecs, TTableLayout& t) {
    QStringList fields;
    for (const QString& line : colSpecs) {
        if (TrimText(line).isEmpty()) continue;
        SplitCSVFields(line, fields, QLatin1Char(','));
        while (fields.size() < 6)
            fields << QString();
        TFieldLayout f;
        f.allowNull = TrimText(fields[3]) == QLatin1String("0");
        f.isPK = TrimText(fields[5]).toInt() > 0;
        f.fName = fields[1];
        f.fType = fields[2];
        f.fDefVal = fields[4];
        f.OldName = f.fName;
        f.OldType = f.fType;
        f.OldDefVal = f.fDefVal;
        t.Cols.append(f);
    }
}

QString Quoted(const QString& name) {
    return QuoteIdent(name, false, true);
}

bool BareDefault(const QString& v) {
    for (const char* k :
         {"NULL", "CURRENT_TIMESTAMP", "CURRENT_DATE", "CURRENT_TIME", "TRUE", "FALSE"})
        if (v.compare(QLatin1String(k), Qt::CaseInsensitive) == 0) return true;
    return false;
}

} // namespace

bool IsNumericLiteral(const QString& text) {
    if (text.isEmpty()) return false;
    int digits = 0, dots = 0, signs = 0;
    for (QChar c : text) {
        if (c.isDigit() && c.unicode() < 128) {
            ++digits;
        } else if (c == u'.') {
            ++dots;
        } else if (c == u'+' || c == u'-') {
            if (digits > 0) return false;
            ++signs;
        } else if (c != u' ' && c != u',') {
            return false;
        }
    }
    return digits > 0 && digits <= 18 && dots <= 1 && signs <= 1;
}

bool IsStrictNumericLiteral(const QString& text) {
    static const QRegularExpression dec(
        QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?$"));
    static const QRegularExpression hex(QStringLiteral("^[+-]?0[xX][0-9a-fA-F]{1,16}$"));
    if (hex.match(text).hasMatch()) return true;
    const QRegularExpressionMatch m = dec.match(text);
    if (!m.hasMatch()) return false;
    int digits = 0;
    for (QChar c : m.captured(1))
        digits += c.isDigit() ? 1 : 0;
    return digits <= 18;
}

void clrTableLayout(TTableLayout& t) {
    t.isTemp = t.isVirtual = t.noRowID = t.isStrict = false;
    t.ifNotEx = true;
    t.dbName.clear();
    t.tblName.clear();
    t.OldName.clear();
    t.virtualType.clear();
    t.virtualArgs.clear();
    t.colReassigns.clear();
    t.Cols.clear();
    t.Idxs.clear();
    t.Trigs.clear();
}

int checkPKeyKind(const TTableLayout& t) {
    for (const TFieldLayout& f : t.Cols)
        if (f.isPK) return 1;
    return 0;
}

void addCol(TTableLayout& t, TFieldLayout col, int position) {
    auto key = [](const QString& s) { return QString(s).remove(QLatin1Char(' ')).toUpper(); };
    auto taken = [&](const QString& n) {
        for (const TFieldLayout& f : t.Cols)
            if (key(f.fName) == key(n)) return true;
        return false;
    };
    if (TrimText(col.fName).isEmpty())
        col.fName = QStringLiteral("Field_") + QString::number(t.Cols.size() + 1);
    while (taken(col.fName)) {
        // Increment the trailing number, keeping its width.
        qsizetype d = col.fName.size();
        while (d > 0 && col.fName[d - 1].isDigit())
            --d;
        const QString digits = col.fName.mid(d);
        if (digits.isEmpty()) {
            col.fName += QLatin1Char('1');
        } else {
            const QString next = QString::number(digits.toLongLong() + 1);
            col.fName = col.fName.left(d) + next.rightJustified(digits.size(), QLatin1Char('0'));
        }
    }
    if (t.isVirtual && !t.virtualType.isEmpty()) col.fType.clear();
    if (col.isPK && checkPKeyKind(t)) col.isPK = false;
    if (position < 0 || position > t.Cols.size())
        t.Cols.append(col);
    else
        t.Cols.insert(position, col);
}

bool parseTable(const QString& text, const QStringList& colSpecs, TTableLayout& t, QString* why) {
    t = TTableLayout();
    t.ifNotEx = false;
    try {
        QList<DefToken> all = DefTokenize(text), top;
        for (const DefToken& d : all)
            if (d.kind != DefKind::Comment) top << d;
        qsizetype i = 0;
        auto word = [&](const char* k) {
            if (i < top.size() && top[i].Is(k)) {
                ++i;
                return true;
            }
            return false;
        };
        if (!word("CREATE")) throw Fail{QStringLiteral("not a CREATE statement")};
        if (word("TEMP") || word("TEMPORARY")) t.isTemp = true;
        if (word("VIRTUAL")) t.isVirtual = true;
        if (!word("TABLE")) throw Fail{QStringLiteral("not a CREATE TABLE statement")};
        if (i + 2 < top.size() && top[i].Is("IF") && top[i + 1].Is("NOT") &&
            top[i + 2].Is("EXISTS")) {
            t.ifNotEx = true;
            i += 3;
        }
        if (i >= top.size() || !(top[i].kind == DefKind::Word || top[i].kind == DefKind::Quoted))
            throw Fail{QStringLiteral("no table name")};
        t.tblName = top[i++].value;
        if (i + 1 < top.size() && top[i].kind == DefKind::Other && top[i].value == u".") {
            t.dbName = t.tblName;
            t.tblName = top[i + 1].value;
            i += 2;
        }
        t.OldName = t.tblName;
        if (t.isVirtual) {
            if (!word("USING") || i >= top.size()) throw Fail{QStringLiteral("no module")};
            t.virtualType = top[i++].value;
            if (i < top.size() && top[i].kind == DefKind::Group) t.virtualArgs = top[i++].value;
            ColumnsFromSpecs(colSpecs, t);
            return true;
        }
        if (i < top.size() && top[i].Is("AS")) {
            ColumnsFromSpecs(colSpecs, t);
            if (t.Cols.isEmpty()) throw Fail{QStringLiteral("no columns")};
            return true;
        }
        if (i >= top.size() || top[i].kind != DefKind::Group || !top[i].closed)
            throw Fail{QStringLiteral("no column list")};
        const QString inner = top[i].value;
        ++i;
        for (; i < top.size(); ++i) {
            if (top[i].kind == DefKind::Comma) continue;
            if (top[i].Is("WITHOUT") && i + 1 < top.size() && top[i + 1].Is("ROWID")) {
                t.noRowID = true;
                ++i;
            } else if (top[i].Is("STRICT")) {
                t.isStrict = true;
            } else if (top[i].kind == DefKind::Other && top[i].value == u";") {
                break;
            } else {
                throw Fail{QStringLiteral("unexpected ") + top[i].value +
                           QStringLiteral(" after the columns")};
            }
        }
        for (const QList<DefToken>& item : SplitItems(DefTokenize(inner)))
            ReadTableItem(inner, item, t);
        if (t.Cols.isEmpty()) throw Fail{QStringLiteral("no columns")};
        return true;
    } catch (const Fail& f) {
        if (why) *why = f.why;
        return false;
    }
}

QString convTableLayoutToSQL(const TTableLayout& t) {
    QStringList lines;
    QString error;
    int pk = 0;
    for (const TFKeyLayout& k : t.FKeys)
        if (k.iKeyKind == KeyKind::PrimaryKey) pk = 2;
    QString name = TrimText(t.tblName);
    if (name.isEmpty()) name = QStringLiteral("NewTable");
    const QString qName = Quoted(name);
    QString prefix = t.dbName.isEmpty() ? QString() : Quoted(t.dbName) + QLatin1Char('.');
    if (t.Cols.isEmpty()) error = QStringLiteral("Table has Zero columns");
    QString script;
    if (error.isEmpty()) {
        if (t.dropExisting)
            lines << QStringLiteral("DROP TABLE IF EXISTS ") + prefix + qName + QLatin1Char(';');
        QString kind, suffix = QStringLiteral(" ");
        if (t.isVirtual && !t.virtualType.isEmpty()) {
            kind = QStringLiteral("VIRTUAL ");
            suffix = QStringLiteral(" USING ") + t.virtualType;
            if (t.isTemp) prefix = QStringLiteral("temp.");
        } else if (t.isTemp) {
            kind = QStringLiteral("TEMPORARY ");
        }
        const QString ifNot =
            t.ifNotEx && !t.dropExisting ? QStringLiteral("IF NOT EXISTS ") : QString();
        if (t.isVirtual && !t.virtualType.isEmpty()) {
            // A virtual table is its module and arguments.
            lines << QStringLiteral("CREATE ") + kind + QStringLiteral("TABLE ") + ifNot + prefix +
                         qName + suffix +
                         (t.virtualArgs.isEmpty()
                              ? QString()
                              : QLatin1Char('(') + t.virtualArgs + QLatin1Char(')')) +
                         QLatin1Char(';');
            script = lines.join(QStringLiteral("\r\n"));
        } else {
            lines << QStringLiteral("CREATE ") + kind + QStringLiteral("TABLE ") + ifNot + prefix +
                         qName + suffix + QLatin1Char('(');
            for (const TFieldLayout& f : t.Cols) {
                QString type = f.fType + f.fVarSpec;
                if (!f.fTypeRaw.isEmpty() && type == f.fTypeReadAs) type = f.fTypeRaw;
                if (f.isPK && (f.isAutoInc || (TrimText(type).isEmpty() && f.OldName.isEmpty())))
                    type = QStringLiteral("INTEGER");
                // Each constraint's text; they are written in the order they
                // were read (the engine numbers its automatic indexes by it),
                // new ones in the usual order after them.
                QHash<QString, QString> parts;
                if (!f.allowNull)
                    parts.insert(QStringLiteral("NOTNULL"),
                                 (QStringLiteral("NOT NULL ") + ConflictClause(f.fNotNullConflict))
                                     .trimmed());
                if (f.isUnique)
                    parts.insert(
                        QStringLiteral("UNIQUE"),
                        (QStringLiteral("UNIQUE ") + ConflictClause(f.fUniqueConflict)).trimmed());
                if (!TrimText(f.fCheckFunc).isEmpty())
                    parts.insert(QStringLiteral("CHECK"),
                                 (f.fCheckName.isEmpty()
                                      ? QString()
                                      : QStringLiteral("CONSTRAINT ") + QuoteIdent(f.fCheckName) +
                                            QLatin1Char(' ')) +
                                     QStringLiteral("CHECK(") + TrimText(f.fCheckFunc) +
                                     StatementTail(TrimText(f.fCheckFunc)) + QLatin1Char(')'));
                const QString def = TrimText(f.fDefVal);
                if (!f.fDefRaw.isEmpty() && f.fDefVal == f.OldDefVal) {
                    parts.insert(QStringLiteral("DEFAULT"), QStringLiteral("DEFAULT ") + f.fDefRaw);
                } else if (!def.isEmpty()) {
                    const QChar c = def.front();
                    const bool bare = BareDefault(def) || c == u'"' || c == u'\'' || c == u'(' ||
                                      c == u'[' || c == u'`' || IsStrictNumericLiteral(def);
                    parts.insert(QStringLiteral("DEFAULT"),
                                 QStringLiteral("DEFAULT ") + (bare ? def : QuoteSqlString(def)));
                }
                if (!TrimText(f.fCollation).isEmpty())
                    parts.insert(QStringLiteral("COLLATE"),
                                 QStringLiteral("COLLATE ") + TrimText(f.fCollation));
                if (!f.fGenerated.isEmpty())
                    parts.insert(QStringLiteral("GENERATED"),
                                 (f.fGenAlways ? QStringLiteral("GENERATED ALWAYS AS (")
                                               : QStringLiteral("AS (")) +
                                     f.fGenerated + QLatin1Char(')') +
                                     (f.fGenStorage.isEmpty() ? QString()
                                                              : QLatin1Char(' ') + f.fGenStorage));
                if (f.isPK && pk == 0) {
                    QString p = QStringLiteral("PRIMARY KEY");
                    if (!f.isAscend) p += QStringLiteral(" DESC");
                    if (f.fPrimConflict > 0)
                        p += QLatin1Char(' ') + ConflictClause(f.fPrimConflict);
                    if (f.isAutoInc) p += QStringLiteral(" AUTOINCREMENT");
                    parts.insert(QStringLiteral("PRIMARY"), p);
                    pk = 1;
                }
                if (!TrimText(f.fForeignKey).isEmpty())
                    parts.insert(QStringLiteral("REFERENCES"),
                                 QStringLiteral("REFERENCES ") + TrimText(f.fForeignKey));
                QStringList order = f.fConstraintOrder;
                for (const char* k : {"NOTNULL", "UNIQUE", "CHECK", "DEFAULT", "COLLATE",
                                      "GENERATED", "PRIMARY", "REFERENCES"})
                    if (!order.contains(QLatin1String(k))) order << QLatin1String(k);
                QString line =
                    QStringLiteral("  ") + TrimText(Quoted(f.fName) + QLatin1Char(' ') + type);
                for (const QString& k : order)
                    if (parts.contains(k)) line += QLatin1Char(' ') + parts.value(k);
                if (!TrimText(f.fComment).isEmpty())
                    line += CommentClause(f.fComment) + QStringLiteral(", ");
                else
                    line += QStringLiteral(", ");
                lines << line;
            }
            for (const TFKeyLayout& k : t.FKeys)
                lines << QStringLiteral("  ") + ConstraintText(k, true) + QStringLiteral(", ");
            QString body = TrimText(lines.join(QStringLiteral("\r\n")));
            body.chop(1);
            QStringList options;
            if (t.noRowID && pk > 0) options << QStringLiteral("WITHOUT ROWID");
            if (t.isStrict) options << QStringLiteral("STRICT");
            body += QStringLiteral("\r\n)") +
                    (options.isEmpty() ? QString()
                                       : QLatin1Char(' ') + options.join(QStringLiteral(", "))) +
                    QLatin1Char(';');
            script = body;
        }
        QStringList rest;
        for (const TIndexLayout& ix : t.Idxs) {
            rest << QStringLiteral("DROP INDEX IF EXISTS ") + prefix + QuoteIdent(ix.IdxName) +
                        QLatin1Char(';');
            rest << sqlFrom(ix);
        }
        for (const TTriggerLayout& tr : t.Trigs) {
            rest << QString();
            rest << QStringLiteral("DROP TRIGGER IF EXISTS ") + prefix + QuoteIdent(tr.trigName) +
                        QLatin1Char(';');
            rest << sqlFrom(tr);
        }
        if (!rest.isEmpty()) script += QStringLiteral("\r\n") + rest.join(QStringLiteral("\r\n"));
        script += QStringLiteral("\r\n");
    }
    if (!error.isEmpty()) script += QStringLiteral("/*  ") + error + QStringLiteral("  */");
    return script;
}

QString convTableAlteredCols(TTableLayout& t) {
    QStringList lines;
    for (const TFieldLayout& f : t.Cols)
        if (!f.OldName.isEmpty()) lines << f.OldName + QLatin1Char('=') + f.fName;
    t.colReassigns = lines.join(QStringLiteral("\r\n"));
    return t.colReassigns;
}

} // namespace sky
