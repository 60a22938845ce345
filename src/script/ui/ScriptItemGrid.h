// The script window's item grid: a model of two visible columns ("LogMode"
// and "Script Items") over the controller's rows, whose texts are read from
// the cache as they are drawn, and the cells' painting.
#pragma once

#include "script/ScriptEditorController.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QColor>
#include <QFont>
#include <QPalette>

class QStyledItemDelegate;

namespace sky::ui {

class ScriptItemModel : public QAbstractTableModel {
public:
    ScriptItemModel(ScriptEditorController& c, QObject* parent)
        : QAbstractTableModel(parent), FCtl(c) {}
    // The rows as the controller has them now.
    void Reset() {
        beginResetModel();
        FCount = int(FCtl.Rows().size());
        endResetModel();
    }
    int rowCount(const QModelIndex& p) const override { return p.isValid() ? 0 : FCount; }
    int columnCount(const QModelIndex& p) const override { return p.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& i, int role) const override {
        if (!i.isValid() || i.row() >= FCount || i.row() >= FCtl.Rows().size()) return {};
        if (role == Qt::DisplayRole && i.column() == 1) return FCtl.RowText(i.row());
        if (role == Qt::UserRole) return FCtl.Rows()[i.row()].status;
        if (role == Qt::UserRole + 1) return FCtl.Rows()[i.row()].logMode;
        return {};
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (o != Qt::Horizontal) return {};
        if (role == Qt::DisplayRole)
            return section == 0 ? QStringLiteral("LogMode") : QStringLiteral("Script Items");
        // Bold blue; a lighter blue where the theme's ground is dark.
        if (role == Qt::ForegroundRole)
            return QApplication::palette().base().color().lightness() < 128 ? QColor(0x7FA8FF)
                                                                            : QColor(0x0000FF);
        if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
        if (role == Qt::FontRole) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    }

private:
    ScriptEditorController& FCtl;
    int FCount = 0;
};

// Status, log mode and row number in the first column, the text on two
// lines in the second.
QStyledItemDelegate* MakeScriptItemDelegate(QObject* parent);

} // namespace sky::ui
