// The table layout: a table's columns, constraints, indexes and triggers as
// one record, read from the stored CREATE TABLE text and written back as a
// script. Reading and writing back never changes what SQLite sees: clauses
// that were read and not edited are written in their original SQL form, and
// a text the reader does not understand completely is refused rather than
// modelled wrongly.
#pragma once

#include "design/Constraints.h"
#include "design/IndexTrigger.h"
#include "engine/Catalogue.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace sky {

class TSQLite3Database;

struct TFieldLayout {
    bool allowNull = true;
    bool isUnique = false;
    bool isPK = false;
    bool isAscend = true;
    bool isAutoInc = false;
    int fNotNullConflict = 0; // the conflict indexes of ConflictWord
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

// Resets flags, names and lists; dropExisting and FKeys are left alone.
void clrTableLayout(TTableLayout& t);
// 1 when a column is the primary key, else 0.
int checkPKeyKind(const TTableLayout& t);
// Inserts the column at position (appends when out of range), renaming it
// while its name is taken.
void addCol(TTableLayout& t, TFieldLayout col, int position);

// The affinity of a declared type by SQLite's rules (INTEGER, TEXT, BLOB,
// REAL, NUMERIC).
QString ColumnAffinity(const QString& declaredType);

// The permissive test used for type analysis: digits (at most 18), spaces
// and commas, at most one ".", one sign before the first digit.
bool IsNumericLiteral(const QString& text);
// A literal SQLite reads as a number: optional sign, digits with at most one
// ".", optional exponent; or hex 0x..; at most 18 digits before the exponent.
bool IsStrictNumericLiteral(const QString& text);

// Parses one stored CREATE TABLE text. colSpecs (EnumColumns lines) serve the
// CREATE TABLE ... AS SELECT form. False (with why) when the text is not
// understood completely.
bool parseTable(const QString& text, const QStringList& colSpecs, TTableLayout& t,
                QString* why = nullptr);
// The create script: table, then each index and trigger with its DROP.
QString convTableLayoutToSQL(const TTableLayout& t);
// Lines OldName=fName joined by CR LF, also stored in colReassigns.
QString convTableAlteredCols(TTableLayout& t);

// A table read into a layout: its stored text parsed and its columns
// checked against the engine's. With a catalogue (ReadCatalogue, with its
// columns for speed), from it: readers of many tables read the catalogue
// once. Without, the table's own part of the catalogue is read.
bool convDBTableToLayout(TSQLite3Database& db, const QString& schema, TTableLayout& t,
                         const QString& table, QString* why = nullptr,
                         const TSchemaCatalogue* catalogue = nullptr);
// The way without the engine, for an ordinary table of a catalogue read
// with column counts: its text parsed, its columns counted against the
// engine's, its indexes and triggers parsed. False when the table needs
// convDBTableToLayout (another form of text, a count that differs, no
// count). Touches neither the database nor the catalogue's state, so
// tables of one catalogue may be read side by side.
bool LayoutFromCatalogue(const TSchemaCatalogue& cat, const TCatalogueEntry& entry,
                         const QString& schema, TTableLayout& t);

} // namespace sky

// Records of implicitly shared Qt values only: lists of them grow by moving
// their memory instead of copying each record.
Q_DECLARE_TYPEINFO(sky::TFieldLayout, Q_RELOCATABLE_TYPE);
