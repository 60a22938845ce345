#include "workspace/TablePageModel.h"

#include "engine/Database.h"
#include "support/Csv.h"
#include "support/TextUtil.h"

#include <QLocale>

namespace sky {
namespace {

const QString kRowCountLabelHint = QStringLiteral(" Table Size (Row-count) - Click to refresh \r ");
const QString kRowCountButtonHint =
    QStringLiteral(" Update the Row-count (this may take a while on large tables) \r ");
const QString kLastCheck = QStringLiteral("Last check: ");
const QString kNever = QStringLiteral("Never");
const QString kAutoIndex = QStringLiteral("sqlite_autoindex_");
// A long comment line is cut to this many characters + "...".
constexpr qsizetype kCommentChars = 22;

// A field of an object button's command line, CSV-quoted where needed.
QString CsvField(const QString& value) {
    return value.isEmpty() ? value : JoinCSVLine({value}, QLatin1Char(','));
}

// "a Trigger" / n + " Triggers" and the like.
QString CountOf(int n, const QString& one, const QString& many) {
    return n == 1 ? one : QString::number(n) + many;
}

// The count after a constraint letter ("I2 " gives 2); 0 when absent.
int LetterCount(const QString& constraints, QChar letter) {
    for (const QString& word : constraints.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        if (word.size() > 1 && word[0] == letter) return word.mid(1).toInt();
    return 0;
}

QList<CellLine> ConstraintLines(const QString& cons) {
    QList<CellLine> lines(4);
    const int idx = LetterCount(cons, QLatin1Char('I'));
    if (cons.contains(QLatin1Char('P')))
        lines[0] = {QString(), QStringLiteral("Primary Key "), LineKind::Key};
    else if (idx > 0)
        lines[0] = {QStringLiteral("Used in "),
                    CountOf(idx, QStringLiteral("an Index"), QStringLiteral(" Indices"))};
    QString second;
    if (cons.contains(QLatin1Char('U'))) second += QStringLiteral("Unique ");
    if (cons.contains(QLatin1Char('N'))) second += QStringLiteral("Not Null");
    lines[1].value = second;
    if (const int e = LetterCount(cons, QLatin1Char('E')); e > 0)
        lines[2] = {QStringLiteral("Used in "),
                    CountOf(e, QStringLiteral("a Trigger"), QStringLiteral(" Triggers"))};
    if (const int t = LetterCount(cons, QLatin1Char('T')); t > 0)
        lines[3] = {QStringLiteral("Activates "),
                    CountOf(t, QStringLiteral("a Trigger"), QStringLiteral(" Triggers"))};
    return lines;
}

} // namespace

RowTint FieldRowTint(const QString& constraints) {
    if (constraints.contains(QLatin1Char('P'))) return RowTint::PrimaryKey;
    if (constraints.contains(QLatin1Char('I'))) return RowTint::Index;
    if (constraints.contains(QLatin1Char('T'))) return RowTint::Trigger;
    if (constraints.contains(QLatin1Char('E'))) return RowTint::Mention;
    return RowTint::None;
}

RowTint ObjectRowTint(const ObjectRow& row) {
    if (row.name.contains(kAutoIndex)) return RowTint::PrimaryKey;
    if (row.type.contains(QLatin1String("IND"), Qt::CaseInsensitive)) return RowTint::Index;
    if (row.type.contains(QLatin1String("TRI"), Qt::CaseInsensitive)) return RowTint::Trigger;
    return RowTint::None;
}

QStringList CellParts(const QString& cell) {
    QStringList parts = cell.split(QStringLiteral("; "));
    for (QString& p : parts)
        p = TrimText(p);
    return parts;
}

QList<CellLine> FieldCellLines(int column, const QString& cell) {
    const QStringList p = CellParts(cell);
    auto part = [&p](int i) { return p.value(i); };
    QList<CellLine> lines;
    switch (column) {
    case 0:
        lines << CellLine{QString(), TrimText(cell), LineKind::Large};
        break;
    case 1:
        lines << CellLine{QString(), part(0), LineKind::Large}
              << CellLine{QStringLiteral("Type:"), part(1)};
        if (!part(2).isEmpty()) lines << CellLine{QStringLiteral("Collate:"), part(2)};
        break;
    case 2:
        lines = ConstraintLines(cell);
        break;
    case 3: {
        QString comment = part(0);
        if (comment.size() > kCommentChars)
            comment = comment.left(kCommentChars) + QStringLiteral("...");
        lines << CellLine{QString(), comment, LineKind::Large};
        if (!part(1).isEmpty()) lines << CellLine{QStringLiteral("Default:"), part(1)};
        break;
    }
    case 4:
        if (!part(0).isEmpty()) lines << CellLine{QStringLiteral("Const:"), part(0)};
        if (!part(1).isEmpty()) lines << CellLine{QStringLiteral("F/Key:"), part(1)};
        if (!part(2).isEmpty()) lines << CellLine{QStringLiteral("Check:"), part(2)};
        break;
    case 5:
        lines << CellLine{QString(), part(0), LineKind::IndexRefs}
              << CellLine{QString(), part(1), LineKind::UpdateRefs}
              << CellLine{QString(), part(2), LineKind::MentionRefs};
        break;
    default:
        break;
    }
    while (!lines.isEmpty() && lines.last().label.isEmpty() && lines.last().value.isEmpty())
        lines.removeLast();
    return lines;
}

ObjectButtons ObjectRowButtons(const ObjectRow* row) {
    ObjectButtons b;
    if (!row) return b;
    const QString kind = TrimText(row->type).toUpper();
    b.showSqlEnabled = !TrimText(row->sql).isEmpty();
    if (kind != QLatin1String("INDEX") && kind != QLatin1String("TRIGGER")) {
        b.removeCaption = QStringLiteral("Remove Item");
        b.editCaption = QStringLiteral("Edit Item");
        return b;
    }
    const QString named = row->type + QStringLiteral(" \"") + row->name + QLatin1Char('"');
    const QString fields = CsvField(row->type) + QStringLiteral(", ") + CsvField(row->name) +
                           QStringLiteral(", ") + CsvField(row->sql);
    b.removeCaption = QStringLiteral("Remove ") + named;
    b.removeHint = QStringLiteral("Remove, ") + fields;
    b.removeEnabled = true;
    b.editCaption = QStringLiteral("Edit ") + named;
    b.editHint = QStringLiteral("Alter, ") + fields;
    b.editEnabled = b.showSqlEnabled;
    return b;
}

int ObjectRowOfReferences(const QList<ObjectRow>& rows, const QString& referencesCell) {
    // The first name of the three lists, each name followed by ", ".
    QString first;
    for (const QString& list : CellParts(referencesCell)) {
        first = TrimText(list.section(QLatin1Char(','), 0, 0));
        if (!first.isEmpty()) break;
    }
    if (first.isEmpty()) return -1;
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (rows[i].name.compare(first, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

QString LastCheckText(const QDateTime& checked) {
    if (!checked.isValid()) return kLastCheck + kNever + QLatin1Char(' ');
    const QDate d = checked.date();
    return kLastCheck + QStringLiteral("%1 ").arg(d.day(), 2, 10, QLatin1Char('0')) +
           QLocale::c().monthName(d.month(), QLocale::LongFormat) + QStringLiteral(" '") +
           QStringLiteral("%1").arg(d.year() % 100, 2, 10, QLatin1Char('0')) + QLatin1Char(' ');
}

QString RowCountLabelHint(const QDateTime& checked) {
    return kRowCountLabelHint + LastCheckText(checked);
}

QString RowCountButtonHint(const QDateTime& checked) {
    return kRowCountButtonHint + LastCheckText(checked);
}

QString ColumnMetadataTitle(const QString& table, const QString& column) {
    return QStringLiteral("Column Metadata for \"") + table + QStringLiteral("\".\"") + column +
           QLatin1Char('"');
}

QString ColumnMetadataText(const TSQLiteColumnMetaData& md) {
    if (!md.isValidColumn) return kInvalidColumn;
    QString text = QStringLiteral("Type: ") + md.sDataType + QStringLiteral(";   Colation: ") +
                   md.sCollation + QLatin1Char('\r');
    if (md.isNotNull) text += QStringLiteral("Not Null;  ");
    if (md.isPrimaryKey) text += QStringLiteral("Primary Key;  ");
    if (md.isAutoInc) text += QStringLiteral("Auto-Incrememnt;");
    return text;
}

QString ObjectSqlForEditor(const QString& sql) {
    QString text = TrimText(sql);
    if (text.isEmpty()) return text;
    text.replace(QStringLiteral("  "), QStringLiteral("\r\n"));
    return text + QLatin1Char(';');
}

QString TableHelpText(const QString& table) {
    return QStringLiteral("Select Columns in this table (") + table +
           QStringLiteral(") below (Middle section) to enable Column-specific functions.\r\r"
                          "Select the Table, Triggers or Indices (Right section) to enable the "
                          "functions (Bottom-Right) for displaying (SQL), altering or deleteing "
                          "them.\r\rTo Import new Tables, use the buttons to the Left of the large "
                          "\"Query\" button at the top.");
}

} // namespace sky
