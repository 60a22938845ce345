// The schema model: a table's columns, constraints, indexes and triggers as
// records, read from the stored CREATE texts and written back as SQL.
// Reading and writing back never changes what SQLite sees: clauses that
// were read and not edited are written in their original SQL form.
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace sky {

class TSQLite3Database;

// Conflict resolution: 0 none, 1 ROLLBACK, 2 ABORT, 3 FAIL, 4 IGNORE, 5 REPLACE.
QString ConflictWord(int index);
QString ConflictClause(int index); // "ON CONFLICT <word>" or empty
int ReadConflictWord(const QString& text);
// Foreign key actions: 0 none, 1 NO ACTION, 2 RESTRICT, 3 SET NULL, 4 SET DEFAULT, 5 CASCADE.
QString FKActionWords(int index);

// The permissive test used for type analysis: digits (at most 18), spaces
// and commas, at most one ".", one sign before the first digit.
bool IsNumericLiteral(const QString& text);
// A literal SQLite reads as a number: optional sign, digits with at most one
// ".", optional exponent; or hex 0x..; at most 18 digits before the exponent.
bool IsStrictNumericLiteral(const QString& text);

struct TFKeyLayout {
    bool bDeferred = false;
    bool bIsComposite = false;
    bool bIsTableConstraint = false;
    int iKeyKind = 0;    // 0 primary key, 1 unique, 2 check, 3 foreign key
    int iDeferrable = 0; // 0 not stated, 1 NOT DEFERRABLE, 2 DEFERRABLE
    int iInitially = 0;  // 0 not stated, 1 INITIALLY IMMEDIATE, 2 INITIALLY DEFERRED
    int iUpdAction = 0;
    int iDelAction = 0;
    int iConflictClause = 0;
    QString TableSelf;
    QString TableParent;
    QString OwnFields;
    QString FKFields;
    QString ConstrName;
    QString Comment;
    QString MatchName; // foreign key: MATCH name
    // The clause as read and the text the fields gave at that time: while
    // the fields still give that text, the clause is written as read.
    QString RawText;
    QString ReadText;
};
using TFKeyList = QList<TFKeyLayout>;

struct TIndexLayout {
    bool IdxUnique = false;
    bool IfNotExists = false;
    QString IdxName;
    QString IdxTable;
    QString IdxFields; // entries joined by ", " (columns unquoted, expressions verbatim)
    QString IdxWhere;
    QString IdxCollates;
    QString IdxSorts;
    QString Comment;
    QStringList Entries; // each entry as written: column or expression with COLLATE/order
    QString RawText;
    QString ReadText;
};
using TIndexList = QList<TIndexLayout>;

struct TTriggerLayout {
    bool isTemp = false;
    bool IfNotExists = false;
    quint8 trigExecTiming = 0; // 0 none, 1 BEFORE, 2 AFTER, 3 INSTEAD OF
    quint8 trigEvent = 0;      // 0 none, 1 DELETE, 2 INSERT, 3 UPDATE, 4 UPDATE OF
    bool forEachRow = false;
    QString trigName;
    QString trigTable;
    QString trigFields;
    QString trigWhen;
    QString trigExecCode;
    QString Comment;
    QString RawText;
    QString ReadText;
};
using TTriggerList = QList<TTriggerLayout>;

struct TViewLayout {
    bool isTemp = false;
    bool IfNotExists = false;
    QString vName;
    QString vSchema;
    QString vColumns; // the view's own column list, as written (without brackets)
    QString vSelect;  // the SELECT text, line breaks outside literals as CR LF
    QString Comment;  // comment, or the error text of a failed read
    QString vError;
    QStringList vCols;
    QStringList vTypes;
    QStringList vRefs;
};

struct TFieldLayout {
    bool allowNull = true;
    bool isUnique = false;
    bool isPK = false;
    bool isAscend = true;
    bool isAutoInc = false;
    int fNotNullConflict = 0;
    int fUniqueConflict = 0;
    int fPrimConflict = 0;
    QString fName;
    QString fType;
    QString fCollation;
    QString fDefVal;
    QString fCheckFunc;
    QString fComment;
    QString fForeignKey;
    QString fConstraintName;
    QString fCheckName; // the name of the column's CHECK (it shows in its error message)
    // The order its constraints were read in (NOTNULL, UNIQUE, CHECK, DEFAULT,
    // COLLATE, GENERATED, PRIMARY, REFERENCES): the engine numbers its
    // automatic indexes by it, so it is kept.
    QStringList fConstraintOrder;
    QString fVarSpec;
    // Generated column: the expression (without parentheses), "ALWAYS" form
    // and storage word ("STORED", "VIRTUAL" or empty).
    QString fGenerated;
    bool fGenAlways = false;
    QString fGenStorage;
    // The type as written (the engine reports it so) and the fType + fVarSpec
    // it was read as; written back while those are unchanged.
    QString fTypeRaw;
    QString fTypeReadAs;
    // The default as written in SQL (for example '007', 0x1F, -1, (expr)).
    QString fDefRaw;
    QString OldName, OldType, OldCollation, OldDefVal, OldCheckFunc, OldComment, OldForeignKey;
};
using TFieldList = QList<TFieldLayout>;

struct TTableLayout {
    bool isTemp = false;
    bool isVirtual = false;
    bool ifNotEx = true;
    bool dropExisting = false;
    bool noRowID = false;
    bool isStrict = false;
    QString dbName;
    QString tblName;
    QString OldName;
    QString virtualType;
    QString virtualArgs; // module arguments, verbatim
    QString colReassigns;
    TFieldList Cols;
    TFKeyList FKeys;
    TIndexList Idxs;
    TTriggerList Trigs;
};

void clrTableLayout(TTableLayout& t);
int checkPKeyKind(const TTableLayout& t);
void addCol(TTableLayout& t, TFieldLayout col, int position);
int addFKey(TFKeyList& list, int kind);

// Parses one stored CREATE TABLE text. colSpecs (EnumColumns lines) serve the
// CREATE TABLE ... AS SELECT form. False (with why) when the text is not
// understood completely.
bool parseTable(const QString& text, const QStringList& colSpecs, TTableLayout& t,
                QString* why = nullptr);
// One schema's master table read once, in rowid order, with its tables by
// name and each table's index and trigger rows.
struct TSchemaMaster {
    struct Entry {
        QString type, name, tblName, sql;
        qint64 rootpage;
    };
    QList<Entry> entries;
    QHash<QString, qsizetype> tables;
    QHash<QString, QList<qsizetype>> byTable;
};
bool ReadSchemaMaster(TSQLite3Database& db, const QString& schema, TSchemaMaster& m,
                      QString* why = nullptr);
// A table read into a layout; with master, from those rows instead of
// querying the master table again (a whole schema is read this way).
bool convDBTableToLayout(TSQLite3Database& db, const QString& schema, TTableLayout& t,
                         const QString& table, QString* why = nullptr,
                         const TSchemaMaster* master = nullptr);
QString convTableLayoutToSQL(const TTableLayout& t);
QString convTableAlteredCols(TTableLayout& t);

// " /* comment */" (empty for a blank comment); a "*/" inside is defused.
QString CommentClause(const QString& comment);

// Constraint texts.
QString KeyText(const TFKeyLayout& k);   // kinds 0 and 1
QString CheckText(const TFKeyLayout& k); // the check dialog's preview
QString ConstraintText(const TFKeyLayout& k,
                       bool lineBreaks); // any kind, as the table script writes it
bool parseFKey(const QString& text, TFKeyLayout& k);

// Index and trigger statements.
QString sqlFrom(const TIndexLayout& i);
QString sqlFrom(const TTriggerLayout& t);
bool parseIndex(const QString& text, TIndexLayout& i);
bool parseTrigger(const QString& text, TTriggerLayout& t);

// View statements and checks.
QString sqlFrom(const TViewLayout& v);
bool readView(const QString& text, TViewLayout& v);
bool readView(TSQLite3Database& db, const QString& viewName, TViewLayout& v, const QString& schema);
bool readViewFields(TSQLite3Database& db, TViewLayout& v);
bool testViewSQL(TSQLite3Database& db, const TViewLayout& v, QString& message);
// The view's SELECT with a LIMIT added; lines receives its CSV result.
bool testViewSelect(TSQLite3Database& db, const TViewLayout& v, bool showResults, QString& message,
                    QStringList* lines = nullptr);
// The SELECT text with " LIMIT n" placed as the view test runs it.
QString LimitedSelect(const QString& select, int limit);

// Rename rewrites: conversions are lines old=new. Whole identifier tokens
// are replaced (bare or quoted, ignoring case; never inside literals), all
// at once.
QString RenameIdentifiers(const QString& text, const QStringList& conversions);
bool reassignIndex(TIndexLayout& i, const QString& newTable, const QStringList& conversions);
bool reassignTrigger(TTriggerLayout& t, const QString& newTable, const QStringList& conversions);
bool reassignFKey(TFKeyLayout& k, const QString& newTable, const QStringList& conversions);
bool checkTableDependantsDiffer(const TTableLayout& t);
bool convTableDependants(TTableLayout& t);

} // namespace sky
