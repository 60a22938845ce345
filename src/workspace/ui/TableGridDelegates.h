// The cell drawing of the table page's two grids. Both grids keep their own
// light colours in every theme (like the results grid), so the tints stay
// what they mean and the text on them is drawn dark.
#pragma once

#include "workspace/TablePageModel.h"

#include <QColor>
#include <QStyledItemDelegate>

namespace sky {
struct TablePageState;
}

namespace sky::ui {

// The grid colour, the fixed colour under the current row, and a tint's
// colour over a base.
inline const QColor kGridColour(255, 255, 255);
inline const QColor kCurrentRowColour(224, 224, 228);
QColor FieldTintColour(RowTint tint, const QColor& base);
QColor ObjectTintColour(RowTint tint, const QColor& base);

// Field grid: the row tinted by its constraints, the current row with grey
// lines above and below, each cell as up to four small lines.
class FieldGridDelegate : public QStyledItemDelegate {
public:
    FieldGridDelegate(const TablePageState& state, QObject* parent)
        : QStyledItemDelegate(parent), FState(state) {}
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override;

private:
    const TablePageState& FState;
};

// Object grid: rows tinted by kind, the chosen row on the fixed colour.
class ObjectGridDelegate : public QStyledItemDelegate {
public:
    ObjectGridDelegate(const TablePageState& state, QObject* parent)
        : QStyledItemDelegate(parent), FState(state) {}
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override;

private:
    const TablePageState& FState;
};

} // namespace sky::ui
