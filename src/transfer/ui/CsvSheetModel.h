// The import sheet as a Qt table model: either its five header rows ("Line
// 1" to "Line 5", shown frozen above the data) or its data rows. Cells are
// read from the controller's sheet as they are drawn; the selected row and
// column are tinted.
#pragma once

#include <QAbstractTableModel>

namespace sky {
class CsvImportController;
}

namespace sky::ui {

class CsvSheetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    CsvSheetModel(bool headerRows, QObject* parent);

    // The controller shown (nullptr: an empty sheet); the views are reset.
    void SetController(CsvImportController* ctl);
    // Everything read again (after rows or columns changed).
    void Reload();
    // The texts changed, not the shape.
    void Refresh();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

Q_SIGNALS:
    // A data cell was typed into.
    void CellEdited();

private:
    bool FHeader;
    CsvImportController* FCtl = nullptr;
};

} // namespace sky::ui
