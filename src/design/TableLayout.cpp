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
        const int c = ReadConflictWord(t[i + 2].Text());
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
    QString parent = t[i].Text();
    ++i;
    if (i + 1 < t.size() && t[i].kind == DefKind::Other && t[i].value == QLatin1String(".")) {
        parent += QLatin1Char('.') + t[i + 1].Text();
        i += 2;
    }
    k.TableParent = parent;
    if (i < t.size() && t[i].kind == DefKind::Group) {
        QStringList cols;
        QList<DefToken> inner = DefTokenize(t[i].value);
        for (const DefToken& c : inner)
            if (c.kind != DefKind::Comma && c.kind != DefKind::Comment) cols << c.Text();
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
            k.MatchName = t[i + 1].Text();
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

// The items of a column list, split at top-level commas: item k is
// all[order[starts[k]]], ... up to the next item's start. Comments go with
// the item they belong to (a comment on the line of a comma belongs to the
// item before it), so order is not always ascending.
struct Items {
    QList<qsizetype> order;
    QList<qsizetype> starts;
    qsizetype End(qsizetype k) const {
        return k + 1 < starts.size() ? starts[k + 1] : order.size();
    }
};

Items SplitItems(const QList<DefToken>& all) {
    Items items;
    items.order.reserve(all.size());
    items.starts.reserve(all.size() / 2 + 1);
    items.starts.append(0);
    for (qsizetype i = 0; i < all.size(); ++i) {
        const DefToken& d = all[i];
        if (d.kind == DefKind::Comma) {
            items.starts.append(items.order.size());
            continue;
        }
        items.order.append(i);
        // A comment before anything else of its item joins the item before:
        // that item ends where this one starts.
        if (d.kind == DefKind::Comment && !d.lineBefore && items.starts.size() > 1 &&
            items.starts.last() == items.order.size() - 1)
            ++items.starts.last();
    }
    // Trailing comments after the last item stay with it; an empty last item
    // holding only comments joins the one before.
    if (items.starts.size() > 1) {
        bool onlyComments = true;
        for (qsizetype j = items.starts.last(); j < items.order.size(); ++j)
            onlyComments &= all[items.order[j]].kind == DefKind::Comment;
        if (onlyComments) items.starts.removeLast();
    }
    return items;
}

// The names of the constraints a column holds once, in the order
// fConstraintOrder records them; AS is the short form of GENERATED.
constexpr const char* kOnceWords[] = {"PRIMARY", "UNIQUE",     "CHECK",     "DEFAULT",
                                      "COLLATE", "REFERENCES", "GENERATED", "AS"};
const QString kOnceNames[] = {QStringLiteral("PRIMARY"),   QStringLiteral("UNIQUE"),
                              QStringLiteral("CHECK"),     QStringLiteral("DEFAULT"),
                              QStringLiteral("COLLATE"),   QStringLiteral("REFERENCES"),
                              QStringLiteral("GENERATED"), QStringLiteral("GENERATED")};
const QString kNotNullName = QStringLiteral("NOTNULL");

void ReadColumn(QStringView text, const QList<DefToken>& t, TFieldLayout& f) {
    qsizetype i = 0;
    if (t.isEmpty() || !(t[0].kind == DefKind::Word || t[0].kind == DefKind::Quoted))
        throw Fail{QStringLiteral("column without a name")};
    f.fName = t[0].Text();
    i = 1;
    // The type's words, joined by single spaces.
    while (i < t.size() && !EndsType(t[i])) {
        if (i > 1) f.fType += QLatin1Char(' ');
        f.fType += t[i++].value;
    }
    const bool typed = i > 1;
    if (typed && i < t.size() && t[i].kind == DefKind::Group) {
        f.fVarSpec = QLatin1Char('(') + t[i].value.trimmed().toString() + QLatin1Char(')');
        ++i;
    }
    if (typed) {
        // Shared with the type when it was written as it reads (the usual case).
        f.fTypeReadAs = f.fVarSpec.isEmpty() ? f.fType : f.fType + f.fVarSpec;
        const QStringView raw = text.mid(t[1].pos, t[i - 1].end() - t[1].pos);
        f.fTypeRaw = raw == f.fTypeReadAs ? f.fTypeReadAs : raw.toString();
    }
    // A constraint the layout holds once, given twice, cannot be written back
    // as it was: such a column is refused rather than changed.
    unsigned seen = 0; // bits of kOnceNames (AS and GENERATED share one)
    bool notNullSeen = false;
    while (i < t.size()) {
        const DefToken& k = t[i];
        if (k.kind == DefKind::Word)
            for (int w = 0; w < 8; ++w)
                if (k.Is(kOnceWords[w])) {
                    const unsigned bit = 1u << (w == 7 ? 6 : w);
                    if (seen & bit)
                        throw Fail{QStringLiteral("column ") + f.fName +
                                   QStringLiteral(" has more than one ") + kOnceNames[w]};
                    seen |= bit;
                    f.fConstraintOrder << kOnceNames[w];
                    break;
                }
        if (!notNullSeen && k.Is("NOT") && i + 1 < t.size() && t[i + 1].Is("NULL")) {
            notNullSeen = true;
            f.fConstraintOrder << kNotNullName;
        }
        if (k.Is("CONSTRAINT") && i + 1 < t.size()) {
            f.fConstraintName = t[i + 1].Text();
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
            f.fCheckFunc = t[i + 1].Text();
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
                f.fDefVal = t[i].Text();
            else
                f.fDefVal = f.fDefRaw;
            i = last + 1;
        } else if (k.Is("COLLATE") && i + 1 < t.size()) {
            f.fCollation = t[i + 1].Text(); // as written: the engine reports it so
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
            f.fGenerated = t[i++].Text();
            if (i < t.size() && (t[i].Is("STORED") || t[i].Is("VIRTUAL")))
                f.fGenStorage = t[i++].Text().toUpper();
        } else {
            throw Fail{QStringLiteral("column ") + f.fName + QStringLiteral(": unexpected ") +
                       k.Text()};
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

// Reads item k of the column list; toks is room for its tokens without
// comments, reused from item to item.
void ReadTableItem(QStringView text, const QList<DefToken>& all, const Items& items, qsizetype k,
                   QList<DefToken>& toks, TTableLayout& t) {
    toks.clear();
    const DefToken* commentToken = nullptr;
    for (qsizetype j = items.starts[k]; j < items.End(k); ++j) {
        const DefToken& d = all[items.order[j]];
        if (d.kind == DefKind::Comment)
            commentToken = &d;
        else
            toks << d;
    }
    if (toks.isEmpty()) return;
    const QString comment = commentToken ? commentToken->Text() : QString();
    qsizetype i = 0;
    QString name;
    if (toks[0].Is("CONSTRAINT")) {
        if (toks.size() < 3) throw Fail{QStringLiteral("incomplete CONSTRAINT")};
        name = toks[1].Text();
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
        k.OwnFields = toks[j].Text();
        ++j;
        k.iConflictClause = ReadOnConflict(toks, j);
        if (j != toks.size()) throw Fail{QStringLiteral("unexpected text after a key")};
        return;
    }
    if (first.Is("CHECK") && i + 1 < toks.size() && toks[i + 1].kind == DefKind::Group) {
        TFKeyLayout& k = table(KeyKind::Check);
        k.FKFields = toks[i + 1].Text();
        if (i + 2 != toks.size()) throw Fail{QStringLiteral("unexpected text after CHECK")};
        return;
    }
    if (first.Is("FOREIGN") && i + 3 < toks.size() && toks[i + 1].Is("KEY") &&
        toks[i + 2].kind == DefKind::Group && toks[i + 3].Is("REFERENCES")) {
        TFKeyLayout& k = table(KeyKind::ForeignKey);
        QStringList own;
        for (const DefToken& c : DefTokenize(toks[i + 2].value))
            if (c.kind != DefKind::Comma && c.kind != DefKind::Comment) own << c.Text();
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

// True when the text is empty after TrimText.
bool Blank(QStringView s) {
    for (const QChar c : s)
        if (c.unicode() > 32) return false;
    return true;
}

// A column's constraint parts in their usual order, by the names
// fConstraintOrder records.
constexpr int kPartCount = 8;
constexpr const char* kPartNames[kPartCount] = {"NOTNULL", "UNIQUE",    "CHECK",   "DEFAULT",
                                                "COLLATE", "GENERATED", "PRIMARY", "REFERENCES"};
int PartIndex(const QString& name) {
    for (int at = 0; at < kPartCount; ++at)
        if (name == QLatin1String(kPartNames[at])) return at;
    return -1;
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
    // A fresh layout that keeps the column list's room: readers of many
    // tables pass the same layout again and again.
    TFieldList cols = std::move(t.Cols);
    cols.clear();
    t = TTableLayout();
    t.Cols = std::move(cols);
    t.ifNotEx = false;
    try {
        // Token lists kept from table to table: a schema's tables are read
        // one after another.
        thread_local QList<DefToken> top, parts, toks;
        DefTokenizeInto(text, top);
        DropComments(top);
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
        t.tblName = top[i++].Text();
        if (i + 1 < top.size() && top[i].kind == DefKind::Other && top[i].value == u".") {
            t.dbName = t.tblName;
            t.tblName = top[i + 1].Text();
            i += 2;
        }
        t.OldName = t.tblName;
        if (t.isVirtual) {
            if (!word("USING") || i >= top.size()) throw Fail{QStringLiteral("no module")};
            t.virtualType = top[i++].Text();
            if (i < top.size() && top[i].kind == DefKind::Group) t.virtualArgs = top[i++].Text();
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
        const QStringView inner = top[i].value;
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
                throw Fail{QStringLiteral("unexpected ") + top[i].Text() +
                           QStringLiteral(" after the columns")};
            }
        }
        DefTokenizeInto(inner, parts);
        const Items items = SplitItems(parts);
        t.Cols.reserve(items.starts.size());
        for (qsizetype k = 0; k < items.starts.size(); ++k)
            ReadTableItem(inner, parts, items, k, toks, t);
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
                QString type = f.fVarSpec.isEmpty() ? f.fType : f.fType + f.fVarSpec;
                if (!f.fTypeRaw.isEmpty() && type == f.fTypeReadAs) type = f.fTypeRaw;
                if (f.isPK && (f.isAutoInc || (Blank(type) && f.OldName.isEmpty())))
                    type = QStringLiteral("INTEGER");
                // Each constraint's text; they are written in the order they
                // were read (the engine numbers its automatic indexes by it),
                // new ones in the usual order after them.
                // Each constraint's text at its place in kPartNames.
                QString parts[kPartCount];
                bool has[kPartCount] = {};
                auto put = [&](int at, QString text) {
                    parts[at] = std::move(text);
                    has[at] = true;
                };
                if (!f.allowNull)
                    put(0, (QStringLiteral("NOT NULL ") + ConflictClause(f.fNotNullConflict))
                               .trimmed());
                if (f.isUnique)
                    put(1,
                        (QStringLiteral("UNIQUE ") + ConflictClause(f.fUniqueConflict)).trimmed());
                if (!Blank(f.fCheckFunc)) {
                    const QString check = TrimText(f.fCheckFunc);
                    put(2,
                        (f.fCheckName.isEmpty() ? QString()
                                                : QStringLiteral("CONSTRAINT ") +
                                                      QuoteIdent(f.fCheckName) + QLatin1Char(' ')) +
                            QStringLiteral("CHECK(") + check + StatementTail(check) +
                            QLatin1Char(')'));
                }
                if (!f.fDefRaw.isEmpty() && f.fDefVal == f.OldDefVal) {
                    put(3, QStringLiteral("DEFAULT ") + f.fDefRaw);
                } else if (!Blank(f.fDefVal)) {
                    const QString def = TrimText(f.fDefVal);
                    const QChar c = def.front();
                    const bool bare = BareDefault(def) || c == u'"' || c == u'\'' || c == u'(' ||
                                      c == u'[' || c == u'`' || IsStrictNumericLiteral(def);
                    put(3, QStringLiteral("DEFAULT ") + (bare ? def : QuoteSqlString(def)));
                }
                if (!Blank(f.fCollation))
                    put(4, QStringLiteral("COLLATE ") + TrimText(f.fCollation));
                if (!f.fGenerated.isEmpty())
                    put(5, (f.fGenAlways ? QStringLiteral("GENERATED ALWAYS AS (")
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
                    put(6, p);
                    pk = 1;
                }
                if (!Blank(f.fForeignKey))
                    put(7, QStringLiteral("REFERENCES ") + TrimText(f.fForeignKey));
                QString head = Quoted(f.fName);
                head += QLatin1Char(' ');
                head += type;
                QString line;
                line.reserve(head.size() + 64);
                line += QLatin1String("  ");
                line += TrimmedView(head);
                // In the order they were read, then the others in the usual order.
                unsigned listed = 0;
                for (const QString& k : f.fConstraintOrder) {
                    const int at = PartIndex(k);
                    if (at < 0) continue;
                    listed |= 1u << at;
                    if (has[at]) {
                        line += QLatin1Char(' ');
                        line += parts[at];
                    }
                }
                for (int at = 0; at < kPartCount; ++at)
                    if (!(listed & (1u << at)) && has[at]) {
                        line += QLatin1Char(' ');
                        line += parts[at];
                    }
                if (!Blank(f.fComment)) line += CommentClause(f.fComment);
                line += QLatin1String(", ");
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

namespace {
// The affinity rule on an upper-case type (QString or QLatin1String).
template <typename Text> QString AffinityOfUpper(const Text& t) {
    if (t.contains(QLatin1String("INT"))) return QStringLiteral("INTEGER");
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) ||
        t.contains(QLatin1String("TEXT")))
        return QStringLiteral("TEXT");
    if (t.contains(QLatin1String("BLOB")) || t.isEmpty()) return QStringLiteral("BLOB");
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) ||
        t.contains(QLatin1String("DOUB")))
        return QStringLiteral("REAL");
    return QStringLiteral("NUMERIC");
}
} // namespace

QString ColumnAffinity(const QString& declaredType) {
    // A short ASCII type is upper-cased on the stack, without a copy.
    const QStringView t = TrimmedView(declaredType);
    char up[64];
    bool ascii = t.size() <= qsizetype(sizeof up);
    for (qsizetype i = 0; ascii && i < t.size(); ++i) {
        const char16_t u = t[i].unicode();
        ascii = u < 128;
        up[i] = u >= 'a' && u <= 'z' ? char(u - 32) : char(u);
    }
    if (ascii) return AffinityOfUpper(QLatin1String(up, t.size()));
    return AffinityOfUpper(t.toString().toUpper());
}

} // namespace sky
