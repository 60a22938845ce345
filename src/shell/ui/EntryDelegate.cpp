#include "shell/ui/EntryDelegate.h"

#include "shell/DialogModels.h"
#include "shell/FileList.h"

#include <QPainter>

namespace sky::ui {
namespace {

QColor Rgb(quint32 rgb) {
    return QColor::fromRgb(rgb | 0xFF000000u);
}

} // namespace

QSize EntryDelegate::sizeHint(const QStyleOptionViewItem& o, const QModelIndex& i) const {
    QSize s = QStyledItemDelegate::sizeHint(o, i);
    s.setHeight(22);
    return s;
}

void EntryDelegate::paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const {
    const QVariant status = i.data(kStatusRole);
    const EntryDrawing d = DrawEntry(i.data(kEntryRole).toString(),
                                     status.isValid() ? status.toInt() : kStatusNotListed,
                                     i.data(kOpenRole).toBool(), expanded);
    quint32 back =
        d.background == kListBase ? o.palette.color(QPalette::Base).rgb() & 0xFFFFFF : d.background;
    if (o.state & QStyle::State_HasFocus)
        back = BlendRgb(back, 0x80E0FF, 0.4);
    else if (o.state & QStyle::State_Selected)
        back = BlendRgb(back, 0x808080, 0.1);
    p->fillRect(o.rect, Rgb(back));
    const bool light = Rgb(back).lightness() >= 128;
    int x = o.rect.left() + 8;
    for (const EntryPiece& piece : d.pieces) {
        QFont f = o.font;
        f.setBold(piece.bold);
        f.setItalic(piece.italic);
        p->setFont(f);
        QColor c = piece.rgb == kListText ? o.palette.color(QPalette::Text) : Rgb(piece.rgb);
        if (piece.rgb == 0x303030 && !light) c = o.palette.color(QPalette::Text);
        p->setPen(c);
        const QRect r(x, o.rect.top(), o.rect.right() - x, o.rect.height());
        p->drawText(r, Qt::AlignVCenter | Qt::AlignLeft, piece.text);
        x += QFontMetrics(f).horizontalAdvance(piece.text) + 2;
    }
}

} // namespace sky::ui
