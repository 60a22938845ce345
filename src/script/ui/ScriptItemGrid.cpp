#include "script/ui/ScriptItemGrid.h"

#include <QPainter>
#include <QStyledItemDelegate>

namespace sky::ui {

namespace {

class ScriptItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QPalette& pal = option.palette;
        const bool selected = option.state & QStyle::State_Selected;
        // The fixed colours are for a light ground; a dark theme gets the
        // theme's text colour where they would not read.
        const bool dark = pal.base().color().lightness() < 128;
        p->save();
        p->fillRect(option.rect, selected ? pal.highlight() : pal.base());
        const QRect r = option.rect.adjusted(4, 2, -4, -2);
        QFont bold = option.font;
        bold.setBold(true);
        if (index.column() == 0) {
            const int status = index.data(Qt::UserRole).toInt();
            const int mode = index.data(Qt::UserRole + 1).toInt();
            QString st;
            QColor sc;
            if (status <= 0) {
                st = QStringLiteral("Deleted");
                sc = QColor(0xC06000);
            } else if (status == 1) {
                st = QStringLiteral("-");
                sc = QColor(0xC0C0C0);
            } else if (status == 2) {
                st = QStringLiteral("Changed");
                sc = QColor(0x0080A0);
            } else {
                st = QStringLiteral("Unknown (%1)").arg(status);
                sc = pal.text().color();
            }
            p->setFont(bold);
            p->setPen(sc);
            p->drawText(r, Qt::AlignLeft | Qt::AlignTop, st);
            p->setPen(dark ? QColor(0xA0A0A0) : QColor(0x606060));
            p->drawText(r, Qt::AlignRight | Qt::AlignTop, QString::number(index.row() + 1));
            static const QStringList modes{"Ignored", "Silent", "-", "Verbose"};
            static const QList<QColor> colours{QColor(0xFFC0C0), QColor(0xE0E0E0), QColor(0xC0D0E0),
                                               QColor(0x90E0A0)};
            const bool known = mode >= -1 && mode <= 2;
            QFont f = bold;
            f.setItalic(true);
            f.setPointSizeF(std::max(1.0, f.pointSizeF() - 1));
            p->setFont(f);
            p->setPen(known ? colours[mode + 1] : pal.text().color());
            p->drawText(r, Qt::AlignRight | Qt::AlignBottom,
                        known ? modes[mode + 1] : QStringLiteral("---"));
        } else {
            const QString text = index.data().toString();
            // Two lines split at the first space at or after position 64
            // (beyond 80 the split is made at 74).
            qsizetype cut = text.size() > 64 ? text.indexOf(u' ', 64) : -1;
            if (cut < 0 && text.size() > 80) cut = 74;
            if (cut > 80) cut = 74;
            const QString one = cut < 0 ? text : text.left(cut);
            const QString two = cut < 0 ? QString() : text.mid(cut).trimmed().left(cut);
            QFont f = option.font;
            f.setPointSizeF(std::max(1.0, f.pointSizeF() - 1));
            p->setFont(f);
            p->setPen(selected ? pal.highlightedText().color()
                      : dark   ? pal.text().color()
                               : QColor(0x405080));
            p->drawText(r, Qt::AlignLeft | Qt::AlignTop, one);
            p->drawText(r, Qt::AlignLeft | Qt::AlignBottom, two);
        }
        p->restore();
    }
};

} // namespace

QStyledItemDelegate* MakeScriptItemDelegate(QObject* parent) {
    return new ScriptItemDelegate(parent);
}

} // namespace sky::ui
