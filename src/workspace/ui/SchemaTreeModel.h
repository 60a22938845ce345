// The schema tree's nodes as a Qt item model: one reset per rebuild; text,
// hint, font, colour and picture from the node records.
#pragma once

#include "workspace/SchemaTree.h"

#include <QAbstractItemModel>
#include <QColor>

namespace sky::ui {

class SchemaTreeModel : public QAbstractItemModel {
public:
    using QAbstractItemModel::QAbstractItemModel;
    void Reset(const QList<SchemaNode>& roots);
    const TDBObjRec* Record(const QModelIndex& i) const;
    // The node's colours are for a light tree; on a dark one they are lightened.
    void SetDarkBase(bool dark) { FDark = dark; }
    // With the tooltip setting off the nodes carry no hints.
    void SetHints(bool on) { FHints = on; }

    QModelIndex index(int row, int column, const QModelIndex& parent) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex&) const override { return 1; }
    QVariant data(const QModelIndex& i, int role) const override;

private:
    // Nodes flattened with their parent's position, so indexes carry a row number.
    struct Item {
        const SchemaNode* node;
        int parent; // -1 for schema nodes
        int row;
        QList<int> children;
    };
    QList<SchemaNode> FRoots;
    QList<Item> FItems;
    QList<int> FTop;
    bool FDark = false;
    bool FHints = true;
};

} // namespace sky::ui
