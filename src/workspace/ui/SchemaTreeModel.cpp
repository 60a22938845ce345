#include "workspace/ui/SchemaTreeModel.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace sky::ui {
namespace {

// A small picture per node kind: a rounded square in the kind's colour with
// its letter.
QIcon Picture(NodeImage image) {
    static QHash<int, QIcon> cache;
    const int key = int(image);
    if (auto it = cache.constFind(key); it != cache.constEnd()) return *it;
    struct Look {
        const char* letter;
        quint32 rgb;
    };
    static const Look looks[] = {{"D", 0x607080}, {"T", 0x3080C0}, {"V", 0x3090A0}, {"P", 0xD04040},
                                 {"K", 0xC08030}, {"I", 0x4070B0}, {"R", 0x8050B0}, {"N", 0x6060A0},
                                 {"A", 0x40A060}, {"B", 0x808080}, {"?", 0x909090}, {"x", 0x5080A0},
                                 {"t", 0xA07040}};
    const Look& l = looks[key];
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor::fromRgb(l.rgb | 0xFF000000u));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(1, 1, 14, 14), 3, 3);
    p.setPen(Qt::white);
    QFont f = QApplication::font();
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QLatin1String(l.letter));
    p.end();
    return cache[key] = QIcon(pm);
}

} // namespace

void SchemaTreeModel::Reset(const QList<SchemaNode>& roots) {
    beginResetModel();
    FRoots = roots;
    FItems.clear();
    FTop.clear();
    std::function<int(const SchemaNode&, int, int)> add = [&](const SchemaNode& n, int parent,
                                                              int row) {
        const int at = int(FItems.size());
        FItems.append({&n, parent, row, {}});
        for (int i = 0; i < n.children.size(); ++i) {
            const int c = add(n.children[i], at, i);
            FItems[at].children.append(c);
        }
        return at;
    };
    for (int i = 0; i < FRoots.size(); ++i)
        FTop.append(add(FRoots[i], -1, i));
    endResetModel();
}

const TDBObjRec* SchemaTreeModel::Record(const QModelIndex& i) const {
    if (!i.isValid()) return nullptr;
    return &FItems[int(i.internalId())].node->rec;
}

QModelIndex SchemaTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const QList<int>& list = parent.isValid() ? FItems[int(parent.internalId())].children : FTop;
    if (row < 0 || row >= list.size() || column != 0) return {};
    return createIndex(row, column, quintptr(list[row]));
}

QModelIndex SchemaTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    const int p = FItems[int(child.internalId())].parent;
    if (p < 0) return {};
    return createIndex(FItems[p].row, 0, quintptr(p));
}

int SchemaTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return int(FTop.size());
    if (parent.column() != 0) return 0;
    return int(FItems[int(parent.internalId())].children.size());
}

QVariant SchemaTreeModel::data(const QModelIndex& i, int role) const {
    const TDBObjRec* r = Record(i);
    if (!r) return {};
    switch (role) {
    case Qt::DisplayRole:
        return NodeText(*r);
    case Qt::ToolTipRole:
        return QStringLiteral("  ") + NodeHint(*r) + QStringLiteral("  ");
    case Qt::FontRole: {
        const NodeFont nf = NodeFontOf(*r);
        QFont f = QApplication::font();
        f.setPointSize(nf.pointSize);
        f.setBold(nf.bold);
        f.setItalic(nf.italic);
        return f;
    }
    case Qt::ForegroundRole: {
        QColor c = QColor::fromRgb(NodeFontOf(*r).rgb | 0xFF000000u);
        if (FDark) c = QColor::fromHsl(c.hslHue(), c.hslSaturation(), 255 - c.lightness());
        return c;
    }
    case Qt::DecorationRole:
        return Picture(NodeImageOf(*r));
    default:
        return {};
    }
}

} // namespace sky::ui
