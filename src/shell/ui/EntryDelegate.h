// The drawing of a file-list line, shared by the overview's file list and
// its search results: the pieces DrawEntry gives, in their colours, on the
// entry's background.
#pragma once

#include <QStyledItemDelegate>

namespace sky::ui {

// Item data of the lines: the entry text, its status (none: not listed) and
// whether its file is open in a workspace.
enum EntryRole { kEntryRole = Qt::UserRole, kStatusRole, kOpenRole };

// The dark name colour is kept for light backgrounds; on a dark list the
// theme's text colour replaces it.
class EntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    bool expanded = false;
    QSize sizeHint(const QStyleOptionViewItem& o, const QModelIndex& i) const override;
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override;
};

} // namespace sky::ui
