#include "transfer/ui/CsvSheetModel.h"

#include "transfer/CsvImportController.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QPalette>

namespace sky::ui {

CsvSheetModel::CsvSheetModel(bool headerRows, QObject* parent)
    : QAbstractTableModel(parent), FHeader(headerRows) {}

void CsvSheetModel::SetController(CsvImportController* ctl) {
    beginResetModel();
    FCtl = ctl;
    endResetModel();
}

void CsvSheetModel::Reload() {
    beginResetModel();
    endResetModel();
}

void CsvSheetModel::Refresh() {
    if (rowCount() > 0 && columnCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    Q_EMIT headerDataChanged(Qt::Vertical, 0, qMax(0, rowCount() - 1));
}

int CsvSheetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !FCtl || !FCtl->Filled()) return 0;
    return FHeader ? headCount : int(qMin<qsizetype>(FCtl->Sheet().RowCount(), INT_MAX));
}

int CsvSheetModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() || !FCtl || !FCtl->Filled()) return 0;
    return FCtl->Sheet().ColumnCount();
}

QVariant CsvSheetModel::data(const QModelIndex& index, int role) const {
    if (!FCtl || !index.isValid()) return {};
    const int row = index.row(), col = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return FHeader ? FCtl->Sheet().Head(col, HeadRow(row)) : FCtl->Sheet().Cell(row, col);
    case Qt::BackgroundRole: {
        const QPalette p = QApplication::palette();
        const bool selected =
            col == FCtl->SelectedColumn() || (!FHeader && row == FCtl->SelectedRow());
        QColor base = FHeader ? p.color(QPalette::AlternateBase) : p.color(QPalette::Base);
        if (!selected) return FHeader ? QVariant(base) : QVariant();
        const QColor h = p.color(QPalette::Highlight);
        // A light tint of the highlight colour over the cell's own background.
        return QColor((base.red() * 3 + h.red()) / 4, (base.green() * 3 + h.green()) / 4,
                      (base.blue() * 3 + h.blue()) / 4);
    }
    case Qt::FontRole:
        if (FHeader && row == int(HeadRow::Flags))
            return QFontDatabase::systemFont(QFontDatabase::FixedFont);
        if (FHeader && row == int(HeadRow::Name)) {
            QFont bold = QApplication::font();
            bold.setBold(true);
            return bold;
        }
        return {};
    default:
        return {};
    }
}

QVariant CsvSheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return QString::number(section + 1);
    return FHeader ? QStringLiteral("Line %1").arg(section + 1) : QString::number(section + 1);
}

Qt::ItemFlags CsvSheetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!FHeader) f |= Qt::ItemIsEditable;
    return f;
}

bool CsvSheetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (FHeader || !FCtl || role != Qt::EditRole || !index.isValid()) return false;
    FCtl->SetCell(index.row(), index.column(), value.toString());
    Q_EMIT dataChanged(index, index);
    Q_EMIT CellEdited();
    return true;
}

} // namespace sky::ui
