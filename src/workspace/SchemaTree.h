// The schema tree of a workspace without its widget: one node per schema,
// below it its tables and views, below those their columns, indexes and
// triggers. Built from each schema's catalogue (engine/Catalogue.h) read
// once; node texts, hints, fonts and pictures; the name a double-click puts
// into the editor.
#pragma once

#include <QList>
#include <QString>
#include <memory>

namespace sky {

class TSQLite3Database;

enum TDBObjKind { okTable, okView, okIndex, okTrigger, okColumn };

// The kinds of tree nodes, with the values of the node record.
enum class TreeNodeKind : int { Database = 0, TableOrView = 1, Column = 2, IndexOrTrigger = 3 };

// The order of the tables below each schema ("Sort Tables by"): creation
// order (by root page), by name, or by size, which builds like creation order.
enum class TreeOrder : int { Creation = 0, Alphabetical = 1, Size = 2 };

// The record of one tree node. The node itself is the SchemaNode holding it.
struct TDBObjRec {
    int Lvl = 0;
    TreeNodeKind NodeKind = TreeNodeKind::Database;
    int iID = 0;   // tables and views: running number n from 0; below them: the parent's iSeq
    int iSeq = 0;  // tables and views: n + 1; others: position within the table from 0
    int pkSeq = 0; // 1 for a primary-key column
    int colCount = 0;
    TDBObjKind dbObjKind = okTable;
    bool bUnique = false;
    bool bPartial = false;
    bool bKey = false;
    bool bDesc = false;
    bool bNULL = false; // columns: NULL allowed; triggers: temporary
    // Tables and views whose layout could not be read: the node holds only
    // the stored statement (Text().sCreate) and the reason (sComment).
    bool bNoLayout = false;
    QString sName; // object name (the schema name for database nodes)
    QString sType; // declared column type with its size part
    QString sAffinity;
    QString sDefault;
    QString sDataBase;  // schema name
    QString sTableName; // the table or view the node belongs to
    QString sRefTables; // views: the tables read (CSV); columns: the foreign-key clause
    QString sComment;
    // The texts only views, indexes, triggers and unreadable objects have,
    // kept apart: column nodes, most of a tree, carry none of them.
    struct Texts {
        QString sCreate;  // views: the statement rebuilt from the view's layout
        QString sSelect;  // views: the SELECT part
        QString sRefCols; // indexes: indexed columns; triggers: UPDATE OF columns
        QString sRefIdxs; // indexes: sort orders; triggers: WHEN condition
    };
    std::shared_ptr<const Texts> texts; // null: all empty
    const Texts& Text() const {
        static const Texts none;
        return texts ? *texts : none;
    }
};

struct SchemaNode {
    TDBObjRec rec;
    QList<SchemaNode> children;
};
} // namespace sky
// Nodes hold only implicitly shared Qt values: a list of them grows by moving
// its memory rather than copying each node.
Q_DECLARE_TYPEINFO(sky::TDBObjRec, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(sky::SchemaNode, Q_RELOCATABLE_TYPE);
namespace sky {

// Rebuilds the nodes (tables by name for Alphabetical, else in creation
// order) and returns the number of tables and views found. A table or view whose layout
// cannot be read still gets its node, marked (bNoLayout). When the database
// cannot be read, error (if given) receives the reason; the schemas read so
// far are kept.
int BuildSchemaTree(TSQLite3Database& db, TreeOrder order, QList<SchemaNode>& roots,
                    QString* error = nullptr);

// Two schema names for the same schema: equal ignoring case, an empty name
// meaning main.
bool SameSchema(const QString& a, const QString& b);

// The node's text, its hint (without the surrounding spaces) and its font.
QString NodeText(const TDBObjRec& r);
QString NodeHint(const TDBObjRec& r);
struct NodeFont {
    int pointSize;
    bool bold, italic;
    quint32 rgb;
};
NodeFont NodeFontOf(const TDBObjRec& r);
enum class NodeImage {
    Database,
    Table,
    View,
    PrimaryKey,
    Key,
    ColInteger,
    ColReal,
    ColNumeric,
    ColText,
    ColBlob,
    ColOther,
    Index,
    Trigger
};
NodeImage NodeImageOf(const TDBObjRec& r);
inline const QString kNoDatabaseObjects = QStringLiteral("No Database Objects...");
// Shown after the name of a table or view whose layout could not be read.
inline const QString kLayoutNotRead = QStringLiteral("[layout not readable]");

// The editor after a double-click inserts name at the selection
// [selStart, selEnd): the new text, the caret, and the end of the selected
// suffix (equal to the caret when there is none).
struct NameInsertion {
    QString text;
    qsizetype caret;
    qsizetype selEnd;
};
NameInsertion InsertNodeName(const QString& text, qsizetype selStart, qsizetype selEnd,
                             const QString& name);

} // namespace sky
