// The pragma page.
#include "workspace/ui/PragmaPage.h"

#include "shell/ui/HelpPanel.h"
#include "support/TextUtil.h"
#include "workspace/WorkspaceController.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace sky::ui {

namespace {

void SetFrame(QFrame* f, int grey) {
    f->setStyleSheet(QStringLiteral("QFrame#%1 { border: 1px solid rgb(%2,%2,%2); }")
                         .arg(f->objectName())
                         .arg(grey));
}

} // namespace

TPragmaPage::TPragmaPage(WorkspaceController& c, QWidget* parent) : QWidget(parent), FCtl(c) {
    setObjectName(QStringLiteral("tsPragma"));
    auto* v = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* heading = new QLabel(kPragmaHeading, this);
    QFont hf = heading->font();
    hf.setBold(true);
    heading->setFont(hf);
    top->addWidget(heading);
    top->addStretch(1);
    QPushButton* reread = NamedButton(this, "btnCfgPragmaRefreshAll", QStringLiteral("Re-Read"),
                                      QStringLiteral("Re-Read the current Pragma values for this "
                                                     "Database"));
    connect(reread, &QPushButton::clicked, this, [this] { ReadValues(); });
    QPushButton* all =
        NamedButton(this, "btnCfgPragmaUpdateAll", QStringLiteral("Update all Pragmas"));
    connect(all, &QPushButton::clicked, this, [this] { UpdateAll(); });
    top->addWidget(reread);
    top->addWidget(all);
    v->addLayout(top);

    auto* h = new QHBoxLayout;
    scbCfgPragmaValues = new QScrollArea(this);
    scbCfgPragmaValues->setObjectName(QStringLiteral("scbCfgPragmaValues"));
    scbCfgPragmaValues->setWidgetResizable(true);
    auto* values = new QWidget(scbCfgPragmaValues);
    auto* g = new QGridLayout(values);
    g->setHorizontalSpacing(16);
    g->setVerticalSpacing(4);
    static const QRegularExpression integer(QStringLiteral("^[-+]?[0-9]*( - .*)?$"));
    for (int i = 0; i < FPragmas.prg.size(); ++i) {
        const TPragmaSettingItem& r = FPragmas.prg[i];
        RowControls rc;
        rc.xShape = new QFrame(values);
        rc.xShape->setObjectName(QStringLiteral("shpPragma_") + r.sName);
        SetFrame(rc.xShape, 192);
        auto* rh = new QHBoxLayout(rc.xShape);
        rh->setContentsMargins(6, 3, 6, 3);
        rc.xLblName = new QLabel(r.sTitle, rc.xShape);
        rc.xLblName->setMinimumWidth(170);
        rc.xLblUnits = new QLabel(r.sUnits.isEmpty() ? QString() : r.sUnits + u':', rc.xShape);
        rc.xLblUnits->setMinimumWidth(40);
        rc.xCbVal = new QComboBox(rc.xShape);
        rc.xCbVal->setObjectName(QStringLiteral("cbPragma_") + r.sName);
        rc.xCbVal->setMinimumWidth(150);
        rc.xCbVal->setEditable(r.iKind == 1);
        if (r.iKind == 1)
            rc.xCbVal->setValidator(new QRegularExpressionValidator(integer, rc.xCbVal));
        rc.xCbVal->addItems(r.options);
        rc.xBtnUpdate =
            NamedButton(rc.xShape, "", QStringLiteral("Update"),
                        QStringLiteral("Update this Pragma only with the selected value"));
        rc.xBtnUpdate->setObjectName(QStringLiteral("btnPragmaUpdate_") + r.sName);
        rc.xBtnUpdate->setEnabled(false);
        rc.xBtnSetSQL = NamedButton(rc.xShape, "", QStringLiteral("SQL"),
                                    QStringLiteral("Show the SQL to update this Pragma"));
        rc.xBtnDocs = NamedButton(rc.xShape, "", QStringLiteral("?"),
                                  QStringLiteral("Click to view on-line Documentation for this "
                                                 "SQLite Pragma"));
        for (QWidget* w : {static_cast<QWidget*>(rc.xLblName), static_cast<QWidget*>(rc.xCbVal)})
            w->installEventFilter(this);
        rc.xBtnUpdate->setFixedWidth(64);
        rc.xBtnSetSQL->setFixedWidth(44);
        rc.xBtnDocs->setFixedWidth(28);
        rc.xLblName->setMinimumWidth(140);
        rc.xCbVal->setMinimumWidth(120);
        rh->addWidget(rc.xLblName);
        rh->addWidget(rc.xLblUnits);
        rh->addWidget(rc.xCbVal, 1);
        rh->addWidget(rc.xBtnUpdate);
        rh->addWidget(rc.xBtnSetSQL);
        rh->addWidget(rc.xBtnDocs);
        connect(rc.xCbVal, &QComboBox::currentTextChanged, this, [this, i](const QString& text) {
            if (FShowing) return;
            FPragmas.prg[i].shown = text;
            FRows[i].xBtnUpdate->setEnabled(FPragmas.prg[i].Changed());
        });
        connect(rc.xBtnUpdate, &QPushButton::clicked, this, [this, i] { UpdateOne(i); });
        connect(rc.xBtnSetSQL, &QPushButton::clicked, this, [this, i] { ShowSql(i); });
        connect(rc.xBtnDocs, &QPushButton::clicked, this,
                [link = r.sLink] { Opener().Open(link); });
        g->addWidget(rc.xShape, i / 2, i % 2);
        FRows << rc;
    }
    g->setRowStretch(int(FPragmas.prg.size() + 1) / 2, 1);
    values->installEventFilter(this);
    scbCfgPragmaValues->setWidget(values);
    h->addWidget(scbCfgPragmaValues, 1);

    scbCfgPragmaButtons = new QScrollArea(this);
    scbCfgPragmaButtons->setObjectName(QStringLiteral("scbCfgPragmaButtons"));
    scbCfgPragmaButtons->setWidgetResizable(true);
    auto* buttons = new QWidget(scbCfgPragmaButtons);
    auto* bg = new QGridLayout(buttons);
    bg->setVerticalSpacing(2);
    int line = 0;
    for (const PragmaDef& d : PragmaTable()) {
        if (d.kind != 0) continue;
        const int first = line;
        for (const QString& option : d.options) {
            QPushButton* b = NamedButton(buttons, "", PragmaController::ActionCaption(d, option));
            b->setObjectName(QStringLiteral("btnPragmaAction_") + QLatin1String(d.name) +
                             (option.isEmpty() ? QString() : u'_' + option));
            connect(b, &QPushButton::clicked, this, [this, &d, option] {
                const TablePageState& t = FCtl.table;
                int start = -1, length = 0;
                const QString s = PragmaController::ActionStatement(
                    d, option, t.name, t.indexes.isEmpty() ? QString() : t.indexes[0].name,
                    t.triggers.isEmpty() ? QString() : t.triggers[0].name, &start, &length);
                if (start < 0) start = int(s.size());
                FCtl.ReplaceEditorText(s, start, start + length);
            });
            bg->addWidget(b, line++, 0);
        }
        QPushButton* doc = NamedButton(buttons, "", QStringLiteral("?"),
                                       QStringLiteral("Click to view on-line Documentation for "
                                                      "this SQLite Pragma"));
        doc->setFixedWidth(28);
        connect(doc, &QPushButton::clicked, this, [link = d.Link()] { Opener().Open(link); });
        bg->addWidget(doc, first, 1, line - first, 1);
    }
    bg->setRowStretch(line, 1);
    scbCfgPragmaButtons->setWidget(buttons);
    scbCfgPragmaButtons->setMinimumWidth(buttons->sizeHint().width() + 24);
    h->addWidget(scbCfgPragmaButtons);
    v->addLayout(h, 1);
    for (QScrollArea* a : {scbCfgPragmaValues, scbCfgPragmaButtons})
        a->viewport()->installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

QComboBox* TPragmaPage::ValueList(const QString& name) const {
    for (int i = 0; i < FRows.size(); ++i)
        if (FPragmas.prg[i].sName == name) return FRows[i].xCbVal;
    return nullptr;
}

QPushButton* TPragmaPage::UpdateButton(const QString& name) const {
    for (int i = 0; i < FRows.size(); ++i)
        if (FPragmas.prg[i].sName == name) return FRows[i].xBtnUpdate;
    return nullptr;
}

QPushButton* TPragmaPage::ActionButton(const QString& caption) const {
    for (QPushButton* b : scbCfgPragmaButtons->widget()->findChildren<QPushButton*>())
        if (b->text() == caption) return b;
    return nullptr;
}

void TPragmaPage::ReadValues() {
    if (!FCtl.sql.IsOpen()) return;
    FPragmas.ReadAll(FCtl.sql);
    ShowValues();
    bool changed = false;
    if (FPragmas.pageSize > 0 && FPragmas.pageSize != FCtl.fPageSize) {
        FCtl.fPageSize = FPragmas.pageSize;
        changed = true;
    }
    if (FPragmas.cacheSize != 0 && FPragmas.cacheSize != FCtl.fCacheSize) {
        FCtl.fCacheSize = FPragmas.cacheSize;
        changed = true;
    }
    (void)changed; // the statistics panel reads both when it is next shown
}

void TPragmaPage::ShowValues() {
    FShowing = true;
    for (int i = 0; i < FRows.size(); ++i) {
        const TPragmaSettingItem& r = FPragmas.prg[i];
        QComboBox* cb = FRows[i].xCbVal;
        if (cb->count() != r.options.size()) {
            cb->clear();
            cb->addItems(r.options);
        }
        const int at = cb->findText(r.shown, Qt::MatchFixedString);
        if (at >= 0)
            cb->setCurrentIndex(at);
        else if (cb->isEditable())
            cb->setEditText(r.shown);
        else
            cb->setCurrentIndex(-1);
        FRows[i].xBtnUpdate->setEnabled(false);
    }
    FShowing = false;
}

void TPragmaPage::AfterUpdate(const QString& status) {
    ShowValues();
    // Choices not applied yet stay shown.
    for (int i = 0; i < FRows.size(); ++i)
        if (FPragmas.prg[i].Changed()) {
            FShowing = true;
            FRows[i].xCbVal->setEditText(FPragmas.prg[i].shown);
            const int at = FRows[i].xCbVal->findText(FPragmas.prg[i].shown, Qt::MatchFixedString);
            if (at >= 0) FRows[i].xCbVal->setCurrentIndex(at);
            FShowing = false;
            FRows[i].xBtnUpdate->setEnabled(true);
        }
    FCtl.SetStatus(status);
}

void TPragmaPage::UpdateAll() {
    QString status;
    FPragmas.UpdateAll(FCtl.sql, status);
    AfterUpdate(status);
}

void TPragmaPage::UpdateOne(int row) {
    TPragmaSettingItem& r = FPragmas.prg[row];
    QString why;
    const QString s = PragmaController::Statement(r, r.shown, true, &why);
    if (s.isEmpty()) {
        FCtl.SetStatus(QStringLiteral("Error: pragma ") + r.sName + QStringLiteral(": ") + why);
        return;
    }
    // The statement shows in the editor; it runs here, checked and read again.
    FCtl.ReplaceEditorText(s);
    FCtl.editor.skipHistory = true;
    QString status;
    FPragmas.UpdateOne(FCtl.sql, r.sName, status);
    FCtl.editor.skipHistory = false;
    AfterUpdate(status);
}

void TPragmaPage::ShowSql(int row) {
    const TPragmaSettingItem& r = FPragmas.prg[row];
    QString why;
    const QString s = PragmaController::Statement(r, r.shown, true, &why);
    if (s.isEmpty()) {
        FCtl.SetStatus(QStringLiteral("Error: pragma ") + r.sName + QStringLiteral(": ") + why);
        return;
    }
    // The value selected in the statement.
    QString value, reason;
    PragmaController::Validate(r, r.shown, value, reason);
    const qsizetype at = s.indexOf(value, QStringLiteral("PRAGMA ").size() + r.sName.size());
    FCtl.ReplaceEditorText(s, at < 0 ? s.size() : at, at < 0 ? s.size() : at + value.size());
}

void TPragmaPage::Hover(int row) {
    for (int i = 0; i < FRows.size(); ++i)
        SetFrame(FRows[i].xShape, i == row ? 128 : 192);
}

bool TPragmaPage::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::Enter) {
        int row = -1;
        for (int i = 0; i < FRows.size(); ++i)
            if (o == FRows[i].xLblName || o == FRows[i].xCbVal) row = i;
        if (row >= 0 || o == scbCfgPragmaValues->widget()) Hover(row);
    }
    // The wheel scrolls both panels, 16 pixels a notch, wherever it turns on
    // the page (a value list under the pointer keeps its value).
    if (e->type() == QEvent::Wheel) {
        const int notches = static_cast<QWheelEvent*>(e)->angleDelta().y() / 120;
        for (QScrollArea* a : {scbCfgPragmaValues, scbCfgPragmaButtons})
            a->verticalScrollBar()->setValue(a->verticalScrollBar()->value() - notches * 16);
        return true;
    }
    return QWidget::eventFilter(o, e);
}

} // namespace sky::ui
