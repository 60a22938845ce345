// The table page's rules without the window: the tint of a field-grid or
// object-grid row, the lines a field-grid cell is drawn as, the captions,
// hints and enabling of the object buttons, the row-count hints, the column
// metadata notice and the page's help text. The widget only maps tints to
// colours and lines to fonts.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace sky {

struct TSQLiteColumnMetaData;

// Headings of the table page's object grid.
inline const QStringList kObjectHeadings = {
    QStringLiteral("-"), QStringLiteral("DB Object Name and Definition"), QStringLiteral("sql")};

// One row of the object grid: the table itself, an index or a trigger.
struct ObjectRow {
    QString type, name, sql;
};

// A row's tint: primary key or automatic index (30 % toward light red),
// index (light cyan), UPDATE OF trigger / trigger row (light green),
// mentioning trigger (light yellow), or the grid's own colour.
enum class RowTint { None, PrimaryKey, Index, Trigger, Mention };
// Field grid, by the "Constraints" text; the first of P, I, T, E wins.
RowTint FieldRowTint(const QString& constraints);
// Object grid, by name ("sqlite_autoindex_") then type ("IND", "TRI").
RowTint ObjectRowTint(const ObjectRow& row);

// How a drawn line of a cell looks.
enum class LineKind {
    Large,       // the column name, a comment
    Plain,       // a label and its value
    Key,         // "Primary Key " (purple)
    IndexRefs,   // the three name lists of the references cell,
    UpdateRefs,  // each in its own colour
    MentionRefs, //
};
struct CellLine {
    QString label; // drawn small before the value ("Type:"); may be empty
    QString value;
    LineKind kind = LineKind::Plain;
    bool operator==(const CellLine&) const = default;
};
// The cell's text split into its "; " parts, each trimmed.
QStringList CellParts(const QString& cell);
// The up to four lines of a field-grid cell (column 0..5); empty lines keep
// their place. Column 0 is the number alone.
QList<CellLine> FieldCellLines(int column, const QString& cell);

// The two object buttons and "Show selected SQL" for the chosen object row;
// with none chosen (nullptr) their own captions, disabled.
struct ObjectButtons {
    QString removeCaption = QStringLiteral("Remove Index from Table..."), removeHint;
    QString editCaption = QStringLiteral("Edit Index"), editHint;
    bool removeEnabled = false, editEnabled = false, showSqlEnabled = false;
};
ObjectButtons ObjectRowButtons(const ObjectRow* row);

// The object row whose name equals (ignoring case) the first name in a
// field row's references cell; -1 when none.
int ObjectRowOfReferences(const QList<ObjectRow>& rows, const QString& referencesCell);

// The hints of the row-count label and button: their fixed text, then
// "Last check: " + the counting time ("dd" + full month + " '" + "yy") or
// "Never", and a space. An invalid time counts as never.
QString LastCheckText(const QDateTime& checked);
QString RowCountLabelHint(const QDateTime& checked);
QString RowCountButtonHint(const QDateTime& checked);

// The column metadata notice: its title and text (valid metadata), or the
// text for a column the metadata does not know.
QString ColumnMetadataTitle(const QString& table, const QString& column);
QString ColumnMetadataText(const TSQLiteColumnMetaData& md);
inline const QString kInvalidColumn = QStringLiteral("Invalid Column...");
inline const QString kRequestError = QStringLiteral("Request Error: ");

// The chosen object's SQL as the editor gets it: trimmed, every double
// space a line break, ";" appended; empty when there is no SQL.
QString ObjectSqlForEditor(const QString& sql);

// The help panel of the table page.
inline const QString kTableHelpTitle = QStringLiteral("Table-Specific Actions");
QString TableHelpText(const QString& table);

} // namespace sky
