#include "workspace/ui/TableGridDelegates.h"

#include "shell/ui/KPanel.h"
#include "shell/ui/Themes.h"
#include "workspace/WorkspaceController.h"

#include <QLinearGradient>
#include <QPainter>

namespace sky::ui {
namespace {

const QColor kPinkish(255, 160, 160), kCyanish(160, 255, 255), kGreenish(160, 255, 160),
    kYellowish(255, 240, 128);
const QColor kText(0, 0, 0), kLabel(96, 96, 96), kKey(128, 0, 128), kIndexRefs(0, 90, 140),
    kUpdateRefs(0, 110, 0), kMentionRefs(150, 75, 0), kCellLine(208, 208, 208),
    kCurrentLine(88, 88, 88);
constexpr int kLines = 4;
constexpr int kPad = 4;

QColor LineColour(LineKind kind) {
    switch (kind) {
    case LineKind::Key:
        return kKey;
    case LineKind::IndexRefs:
        return kIndexRefs;
    case LineKind::UpdateRefs:
        return kUpdateRefs;
    case LineKind::MentionRefs:
        return kMentionRefs;
    default:
        return kText;
    }
}

// One line: the label small and grey, then the value.
void DrawLine(QPainter* p, const QRect& r, const CellLine& line, const QFont& base,
              const QColor& back) {
    QFont small = base;
    small.setPointSizeF(std::max(1.0, base.pointSizeF() - 1));
    int x = r.left();
    if (!line.label.isEmpty()) {
        p->setFont(small);
        p->setPen(ReadableOn(kLabel, back));
        p->drawText(QRect(x, r.top(), r.width(), r.height()), Qt::AlignLeft | Qt::AlignVCenter,
                    line.label);
        const QString gap = line.label.endsWith(QLatin1Char(' ')) ? QString() : QStringLiteral(" ");
        x += QFontMetrics(small).horizontalAdvance(line.label + gap);
    }
    QFont f = line.kind == LineKind::Large ? base : small;
    if (line.kind == LineKind::Large) {
        f.setBold(true);
        f.setPointSizeF(base.pointSizeF() + 1);
    }
    if (line.kind == LineKind::Key) f.setBold(true);
    p->setFont(f);
    p->setPen(ReadableOn(LineColour(line.kind), back));
    const QRect rest(x, r.top(), std::max(0, r.right() - x), r.height());
    p->drawText(rest, Qt::AlignLeft | Qt::AlignVCenter,
                QFontMetrics(f).elidedText(line.value, Qt::ElideRight, rest.width()));
}

} // namespace

QColor FieldTintColour(RowTint tint, const QColor& base) {
    switch (tint) {
    case RowTint::PrimaryKey:
        return Blend(base, kPinkish, 0.3);
    case RowTint::Index:
        return kCyanish;
    case RowTint::Trigger:
        return kGreenish;
    case RowTint::Mention:
        return kYellowish;
    default:
        return base;
    }
}

QColor ObjectTintColour(RowTint tint, const QColor& base) {
    switch (tint) {
    case RowTint::PrimaryKey:
        return Blend(base, kPinkish, 0.3);
    case RowTint::Index:
        return Blend(base, kCyanish, 0.3);
    case RowTint::Trigger:
        return Blend(base, kGreenish, 0.3);
    default:
        return base;
    }
}

void FieldGridDelegate::paint(QPainter* p, const QStyleOptionViewItem& o,
                              const QModelIndex& i) const {
    if (i.row() >= FState.fields.size()) return;
    const FieldInfo& f = FState.fields[i.row()];
    const bool current = i.row() == FState.fieldRow;
    const QColor base = current ? kCurrentRowColour : kGridColour;
    const QColor back = FieldTintColour(FieldRowTint(f.cells.value(2)), base);
    p->save();
    p->setClipRect(o.rect);
    if (i.column() == 0) {
        QLinearGradient g(o.rect.topLeft(), o.rect.topRight());
        g.setColorAt(0, back.darker(115));
        g.setColorAt(1, back);
        p->fillRect(o.rect, g);
    } else {
        p->fillRect(o.rect, back);
    }
    p->setPen(kCellLine);
    p->drawRect(o.rect.adjusted(0, 0, -1, -1));
    if (current) {
        p->setPen(QPen(kCurrentLine, 2));
        p->drawLine(o.rect.topLeft() + QPoint(0, 1), o.rect.topRight() + QPoint(0, 1));
        p->drawLine(o.rect.bottomLeft(), o.rect.bottomRight());
    }
    const QList<CellLine> lines = FieldCellLines(i.column(), f.cells.value(i.column()));
    const QRect inner = o.rect.adjusted(i.column() == 0 ? 1 : kPad, 2, -2, -2);
    const int h = inner.height() / kLines;
    for (int k = 0; k < lines.size() && k < kLines; ++k) {
        if (lines[k].label.isEmpty() && lines[k].value.isEmpty()) continue;
        DrawLine(p, QRect(inner.left(), inner.top() + k * h, inner.width(), h), lines[k], o.font,
                 back);
    }
    p->restore();
}

void ObjectGridDelegate::paint(QPainter* p, const QStyleOptionViewItem& o,
                               const QModelIndex& i) const {
    if (i.row() >= FState.objects.size()) return;
    const ObjectRow& row = FState.objects[i.row()];
    const QColor base = i.row() == FState.objectRow ? kCurrentRowColour : kGridColour;
    const QColor back = ObjectTintColour(ObjectRowTint(row), base);
    p->fillRect(o.rect, back);
    p->setPen(kCellLine);
    p->drawRect(o.rect.adjusted(0, 0, -1, -1));
    // The narrow type column shows the kind's first letter.
    const QString text = i.column() == 0 ? row.type.left(1).toUpper() : row.name;
    p->setFont(o.font);
    p->setPen(ReadableOn(kText, back));
    const QRect r = o.rect.adjusted(i.column() == 0 ? 0 : kPad, 0, -2, 0);
    p->drawText(r, int(Qt::AlignVCenter | (i.column() == 0 ? Qt::AlignHCenter : Qt::AlignLeft)),
                QFontMetrics(o.font).elidedText(text, Qt::ElideRight, r.width()));
}

} // namespace sky::ui
