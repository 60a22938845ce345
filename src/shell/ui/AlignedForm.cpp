#include "shell/ui/AlignedForm.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

namespace sky::ui {

QFormLayout* NewAlignedForm(QWidget* page) {
    auto* outer = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFormAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    outer->addLayout(form);
    outer->addStretch(1);
    return form;
}

void SizeForChars(QLineEdit* edit, int chars) {
    QStyleOptionFrame opt;
    opt.initFrom(edit);
    const QSize text(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * chars + 8,
                     edit->sizeHint().height());
    const int w = edit->style()->sizeFromContents(QStyle::CT_LineEdit, &opt, text, edit).width();
    edit->setFixedWidth(w);
}

} // namespace sky::ui
