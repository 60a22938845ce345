#include "workspace/SchemaTree.h"

#include "design/DefTokens.h"
#include "design/LayoutReads.h"
#include "design/TableLayout.h"
#include "design/Views.h"
#include "engine/Catalogue.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "support/Csv.h"
#include "support/TextUtil.h"

#include <algorithm>
#include <memory>
#include <sqlite3.h>
#include <vector>

namespace sky {
namespace {

const QString kCannotReadSchema = QStringLiteral("Cannot read the schema ");
const QString kCannotReadTable = QStringLiteral("Cannot read ");
const QString kCannotReadDatabase = QStringLiteral("Cannot read the database");
const QString kNoLayoutHint = QStringLiteral(": its layout could not be read (");

// The columns of the table's primary key: marked in the column or named
// by a PRIMARY KEY table constraint. A key has few columns: a list looked
// through beats hashing every column name of the table.
QStringList PrimaryKeyColumns(const TTableLayout& t) {
    QStringList pk;
    for (const TFieldLayout& f : t.Cols)
        if (f.isPK) pk.append(f.fName);
    for (const TFKeyLayout& k : t.FKeys) {
        if (k.iKeyKind != KeyKind::PrimaryKey) continue;
        // Entries "name [COLLATE x] [ASC|DESC]": the first token of each.
        bool first = true;
        for (const DefToken& tok : DefTokenize(k.OwnFields)) {
            if (tok.kind == DefKind::Comma) {
                first = true;
            } else if (first && tok.kind != DefKind::Comment) {
                if (tok.IsName()) pk.append(TokenName(tok));
                first = false;
            }
        }
    }
    return pk;
}

// The node of table or view number n, without its children.
SchemaNode ObjectNode(TDBObjKind kind, const QString& name, const QString& schema, int n) {
    SchemaNode node;
    TDBObjRec& r = node.rec;
    r.Lvl = 1;
    r.NodeKind = TreeNodeKind::TableOrView;
    r.dbObjKind = kind;
    r.iID = n;
    r.iSeq = n + 1;
    r.sName = name;
    r.sDataBase = schema;
    r.sTableName = name;
    return node;
}

// A table or view whose layout could not be read: its stored statement and
// the reason.
SchemaNode NoLayoutNode(TDBObjKind kind, const QString& name, const QString& schema,
                        const QString& sql, const QString& why, int n) {
    SchemaNode node = ObjectNode(kind, name, schema, n);
    node.rec.bNoLayout = true;
    node.rec.texts = std::make_shared<const TDBObjRec::Texts>(TDBObjRec::Texts{sql, {}, {}, {}});
    node.rec.sComment = why;
    return node;
}

// After a failed read: true when the file itself could not be read (locked,
// damaged, not a database), not merely a layout this code cannot model.
bool FileReadFailed(TSQLite3Database& db) {
    if (db.LastError().isEmpty()) return false;
    if (!db.Handle()) return true;
    switch (sqlite3_errcode(db.Handle()) & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_IOERR:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_CANTOPEN:
    case SQLITE_NOMEM:
    case SQLITE_PERM:
    case SQLITE_PROTOCOL:
        return true;
    default:
        return false;
    }
}

// Texts that repeat across the tree (column names, types, defaults) kept
// once: a large schema repeats them in most tables. An open-addressing
// table with the quick hash: Qt's string hash cost more than the whole
// rest of a column's node.
class TextPool {
public:
    const QString& operator()(const QString& s) { return s.isEmpty() ? s : Find(s).text; }
    // A type kept once with its affinity, worked out the first time.
    void Type(const QString& type, QString& kept, QString& affinity) {
        if (type.isEmpty()) {
            kept = type;
            affinity = ColumnAffinity(type);
            return;
        }
        Slot& slot = Find(type);
        if (slot.affinity.isNull()) slot.affinity = ColumnAffinity(type);
        kept = slot.text;
        affinity = slot.affinity;
    }

private:
    struct Slot {
        QString text, affinity;
    };
    // The slot of a text that is not empty (a null text marks a free slot).
    Slot& Find(const QString& s) {
        if (2 * (FCount + 1) > qsizetype(FSlots.size())) Grow();
        const size_t mask = FSlots.size() - 1;
        for (size_t i = FastHash(s, QHashSeed::globalSeed()) & mask;; i = (i + 1) & mask) {
            Slot& slot = FSlots[i];
            if (slot.text.isNull()) {
                slot.text = s;
                ++FCount;
                return slot;
            }
            if (slot.text == s) return slot;
        }
    }
    void Grow() {
        std::vector<Slot> old = std::move(FSlots);
        FSlots = std::vector<Slot>(std::max<size_t>(64, 2 * old.size()));
        FCount = 0;
        for (Slot& o : old)
            if (!o.text.isNull()) Find(o.text).affinity = std::move(o.affinity);
    }

    std::vector<Slot> FSlots;
    qsizetype FCount = 0;
};

SchemaNode TableNode(const TTableLayout& t, const QString& schema, int n, TextPool& pool) {
    SchemaNode node = ObjectNode(okTable, t.tblName, schema, n);
    TDBObjRec& r = node.rec;
    r.colCount = int(t.Cols.size());
    node.children.reserve(t.Cols.size() + t.Idxs.size() + t.Trigs.size());
    const QStringList pk = PrimaryKeyColumns(t);
    int seq = 0;
    auto child = [&](TDBObjKind kind, TreeNodeKind nodeKind) {
        SchemaNode c;
        c.rec.Lvl = 2;
        c.rec.NodeKind = nodeKind;
        c.rec.dbObjKind = kind;
        c.rec.iID = r.iSeq;
        c.rec.iSeq = seq++;
        c.rec.sDataBase = schema;
        c.rec.sTableName = t.tblName;
        return c;
    };
    for (const TFieldLayout& f : t.Cols) {
        SchemaNode c = child(okColumn, TreeNodeKind::Column);
        c.rec.sName = pool(f.fName);
        pool.Type(f.fVarSpec.isEmpty() ? f.fType : f.fType + f.fVarSpec, c.rec.sType,
                  c.rec.sAffinity);
        c.rec.pkSeq = pk.contains(f.fName) ? 1 : 0;
        c.rec.bUnique = f.isUnique;
        c.rec.bNULL = f.allowNull;
        c.rec.sDefault = pool(f.fDefVal);
        c.rec.sRefTables = f.fForeignKey;
        c.rec.sComment = f.fComment;
        node.children.append(std::move(c));
    }
    for (const TIndexLayout& i : t.Idxs) {
        SchemaNode c = child(okIndex, TreeNodeKind::IndexOrTrigger);
        c.rec.sName = i.IdxName;
        c.rec.bUnique = i.IdxUnique;
        c.rec.texts = std::make_shared<const TDBObjRec::Texts>(
            TDBObjRec::Texts{{}, {}, i.IdxFields, i.IdxSorts});
        c.rec.bPartial = !TrimText(i.IdxWhere).isEmpty();
        c.rec.sComment = i.Comment;
        node.children.append(std::move(c));
    }
    for (const TTriggerLayout& tr : t.Trigs) {
        SchemaNode c = child(okTrigger, TreeNodeKind::IndexOrTrigger);
        c.rec.sName = tr.trigName;
        c.rec.bNULL = tr.isTemp;
        c.rec.texts = std::make_shared<const TDBObjRec::Texts>(
            TDBObjRec::Texts{{}, {}, tr.trigFields, tr.trigWhen});
        c.rec.sComment = tr.Comment;
        node.children.append(std::move(c));
    }
    return node;
}

// The tables the catalogue alone gives, read side by side; each run keeps
// its own pool and its own copy of the schema name (every node holds it, and
// a count shared by all runs would be contended).
std::vector<SchemaNode> ReadTables(const TSchemaCatalogue& cat,
                                   const QList<const TCatalogueEntry*>& tables,
                                   const QString& schema, int firstN, std::vector<char>& read) {
    std::vector<SchemaNode> nodes(size_t(tables.size()));
    read = ReadLayoutsSideBySide(cat, tables, schema, [&]() -> TLayoutSink {
        auto pool = std::make_shared<TextPool>();
        const QString own(schema.constData(), schema.size());
        return [&nodes, pool, own, firstN](qsizetype k, TTableLayout& t) {
            nodes[size_t(k)] = TableNode(t, own, firstN + int(k), *pool);
        };
    });
    return nodes;
}

// A view read by readView: its node, and below it its columns as the engine
// reports them (a failure to read those because the file cannot be read is
// a problem).
SchemaNode ViewNode(TSQLite3Database& db, TViewLayout& v, const QString& name,
                    const QString& schema, int n, QStringList& problems) {
    v.vName = name;
    const QString lower = TrimText(schema).toLower();
    v.vSchema = lower == QLatin1String("main") ? QString() : schema;
    SchemaNode view = ObjectNode(okView, name, schema, n);
    TDBObjRec& r = view.rec;
    r.texts =
        std::make_shared<const TDBObjRec::Texts>(TDBObjRec::Texts{sqlFrom(v), v.vSelect, {}, {}});
    r.sRefTables = JoinCSVLine(v.vRefs, QLatin1Char(','));
    r.sComment = v.Comment;
    db.ClearError();
    if (readViewFields(db, v)) {
        view.children.reserve(v.vCols.size());
        for (qsizetype i = 0; i < v.vCols.size(); ++i) {
            SchemaNode c;
            c.rec.Lvl = 2;
            c.rec.NodeKind = TreeNodeKind::Column;
            c.rec.dbObjKind = okColumn;
            c.rec.iID = r.iSeq;
            c.rec.iSeq = int(i);
            c.rec.sName = v.vCols[i];
            c.rec.sType = v.vTypes.value(i);
            c.rec.sAffinity = c.rec.sType;
            c.rec.bNULL = true;
            c.rec.sDataBase = schema;
            c.rec.sTableName = name;
            view.children.append(std::move(c));
        }
    } else if (FileReadFailed(db)) {
        problems << kCannotReadTable + schema + QLatin1Char('.') + name + QStringLiteral(": ") +
                        db.LastError();
    }
    r.colCount = int(view.children.size());
    return view;
}

} // namespace

int BuildSchemaTree(TSQLite3Database& db, TreeOrder order, QList<SchemaNode>& roots,
                    QString* error) {
    roots.clear();
    QStringList problems;
    QStringList schemas;
    db.ClearError();
    if (!db.QuerySingleColumn(schemas, QStringLiteral("SELECT name FROM pragma_database_list;"), 0,
                              false)) {
        if (error)
            *error = kCannotReadDatabase +
                     (db.LastError().isEmpty() ? QString() : QStringLiteral(": ") + db.LastError());
        return 0;
    }
    int count = 0, n = 0;
    for (const QString& schema : schemas) {
        SchemaNode dbNode;
        dbNode.rec.NodeKind = TreeNodeKind::Database;
        dbNode.rec.sName = schema;
        dbNode.rec.sDataBase = schema;
        TSchemaCatalogue cat;
        QString why;
        if (!ReadCatalogue(db, schema, cat, CatalogueDetail::ColumnCounts, &why)) {
            problems << kCannotReadSchema + schema + QStringLiteral(": ") + why;
            roots.append(std::move(dbNode));
            continue;
        }
        const QList<const TCatalogueEntry*> tables =
            cat.OfKind(CatalogueKind::Table, order == TreeOrder::Alphabetical
                                                 ? TSchemaCatalogue::Order::Name
                                                 : TSchemaCatalogue::Order::RootPage);
        const QList<const TCatalogueEntry*> views = cat.OfKind(CatalogueKind::View);
        dbNode.children.reserve(tables.size() + views.size());
        std::vector<char> read;
        std::vector<SchemaNode> nodes = ReadTables(cat, tables, schema, n, read);
        TTableLayout t; // one for all: its column list keeps its room
        TextPool pool;
        for (qsizetype k = 0; k < tables.size(); ++k, ++n) {
            ++count;
            if (read[size_t(k)]) {
                dbNode.children.append(std::move(nodes[size_t(k)]));
                continue;
            }
            // The tables the catalogue alone does not give, read with the
            // engine's help.
            const TCatalogueEntry* e = tables[k];
            const QString name = e->Name();
            why.clear();
            db.ClearError();
            if (!convDBTableToLayout(db, schema, t, name, &why, &cat)) {
                if (FileReadFailed(db))
                    problems << kCannotReadTable + schema + QLatin1Char('.') + name +
                                    QStringLiteral(": ") + why;
                dbNode.children.append(NoLayoutNode(okTable, name, schema, e->Sql(), why, n));
                continue;
            }
            t.tblName = name; // as stored
            dbNode.children.append(TableNode(t, schema, n, pool));
        }
        for (const TCatalogueEntry* e : views) {
            ++count;
            const QString name = e->Name();
            const QString sql = e->Sql();
            TViewLayout v;
            if (sql.isEmpty() || !readView(sql, v)) {
                dbNode.children.append(NoLayoutNode(okView, name, schema, sql, v.Comment, n++));
                continue;
            }
            dbNode.children.append(ViewNode(db, v, name, schema, n++, problems));
        }
        roots.append(std::move(dbNode));
    }
    if (error) *error = problems.join(QLatin1Char('\n'));
    return count;
}

bool SameSchema(const QString& a, const QString& b) {
    auto norm = [](const QString& s) {
        const QString t = TrimText(s).toLower();
        return t.isEmpty() ? QStringLiteral("main") : t;
    };
    return norm(a) == norm(b);
}

namespace {
bool ShownType(const QString& type) {
    const QString t = TrimText(type);
    return !t.isEmpty() && t.compare(QLatin1String("NULL"), Qt::CaseInsensitive) != 0;
}
} // namespace

QString NodeText(const TDBObjRec& r) {
    QString text = r.sName;
    if (r.NodeKind == TreeNodeKind::TableOrView && r.bNoLayout)
        return text + QStringLiteral("   ") + kLayoutNotRead;
    if (r.NodeKind == TreeNodeKind::TableOrView && r.colCount > 0)
        text += QStringLiteral("   (") + QString::number(r.colCount) + QLatin1Char(')');
    if (r.NodeKind == TreeNodeKind::Column) {
        if (ShownType(r.sType)) text += QStringLiteral("  -  ") + TrimText(r.sType);
        if (!TrimText(r.sComment).isEmpty()) text += QStringLiteral("  -- ") + TrimText(r.sComment);
    }
    return text;
}

QString NodeHint(const TDBObjRec& r) {
    if (r.NodeKind == TreeNodeKind::TableOrView) {
        const QString kind = r.dbObjKind == okTable  ? QStringLiteral("Table")
                             : r.dbObjKind == okView ? QStringLiteral("View")
                                                     : QStringLiteral("Unkown DB Object");
        if (r.bNoLayout)
            return kind + QStringLiteral(" \"") + r.sName + QLatin1Char('"') + kNoLayoutHint +
                   r.sComment + QStringLiteral(").");
        const QString cols = r.colCount == 0 ? QStringLiteral("No Columns")
                             : r.colCount == 1
                                 ? QStringLiteral("One Column")
                                 : QString::number(r.colCount) + QStringLiteral(" Columns");
        return kind + QStringLiteral(" \"") + r.sName + QStringLiteral("\" with ") + cols +
               QLatin1Char('.');
    }
    if (r.NodeKind == TreeNodeKind::Column) {
        QString h = r.sName + QStringLiteral("  -  ") +
                    (r.pkSeq > 0 ? QStringLiteral("Primary Key")
                     : r.bNULL   ? QStringLiteral("Normal")
                                 : QStringLiteral("Not Null")) +
                    QStringLiteral(" column");
        if (ShownType(r.sType) && TrimText(r.sType).compare(r.sAffinity, Qt::CaseInsensitive) != 0)
            h += QStringLiteral(" of type ") + r.sType;
        if (!r.sAffinity.isEmpty())
            h += QStringLiteral(" with ") + r.sAffinity + QStringLiteral(" affinity");
        h += QLatin1Char('.');
        if (!TrimText(r.sComment).isEmpty()) h += QStringLiteral("\r\n --  ") + r.sComment;
        return h;
    }
    return r.sName;
}

NodeFont NodeFontOf(const TDBObjRec& r) {
    if (r.NodeKind == TreeNodeKind::Database) return {11, true, true, 0x606060};
    if (r.NodeKind == TreeNodeKind::TableOrView)
        return r.dbObjKind == okView ? NodeFont{10, false, false, 0x206080}
                                     : NodeFont{10, false, false, 0x404040};
    return {9, false, false, 0x202020};
}

NodeImage NodeImageOf(const TDBObjRec& r) {
    switch (r.NodeKind) {
    case TreeNodeKind::Database:
        return NodeImage::Database;
    case TreeNodeKind::TableOrView:
        return r.dbObjKind == okView ? NodeImage::View : NodeImage::Table;
    case TreeNodeKind::Column: {
        if (r.pkSeq > 0) return NodeImage::PrimaryKey;
        if (r.bKey) return NodeImage::Key;
        const QString a = r.sAffinity.left(3).toUpper();
        if (a == QLatin1String("INT")) return NodeImage::ColInteger;
        if (a == QLatin1String("REA")) return NodeImage::ColReal;
        if (a == QLatin1String("NUM")) return NodeImage::ColNumeric;
        if (a == QLatin1String("TEX")) return NodeImage::ColText;
        if (a == QLatin1String("BLO")) return NodeImage::ColBlob;
        return NodeImage::ColOther;
    }
    case TreeNodeKind::IndexOrTrigger:
        break;
    }
    return r.dbObjKind == okTrigger ? NodeImage::Trigger : NodeImage::Index;
}

NameInsertion InsertNodeName(const QString& text, qsizetype selStart, qsizetype selEnd,
                             const QString& name) {
    if (TrimText(text).isEmpty()) return {name, name.size(), name.size()};
    const qsizetype p = std::clamp<qsizetype>(selStart, 0, text.size());
    const qsizetype end = std::clamp<qsizetype>(selEnd, p, text.size());
    auto blank = [](QChar c) { return c.unicode() >= 1 && c.unicode() <= 32; };
    const QString prefix = p == 0 || blank(text[p - 1]) ? QString() : QStringLiteral(", ");
    const QString suffix = end < text.size() && !blank(text[end]) ? QStringLiteral(" ") : QString();
    const QString out = text.left(p) + prefix + name + suffix + text.mid(end);
    const qsizetype caret = p + prefix.size() + name.size();
    return {out, caret, caret + suffix.size()};
}

} // namespace sky
