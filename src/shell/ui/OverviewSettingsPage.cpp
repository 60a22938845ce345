#include "shell/ui/OverviewSettingsPage.h"

#include "shell/Overview.h"
#include "shell/ui/AlignedForm.h"
#include "shell/ui/FormBehaviour.h"
#include "shell/ui/ThemeViewer.h"
#include "shell/ui/Themes.h"
#include "support/Folders.h"
#include "support/SettingsCatalogue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace sky::ui {

TOverviewSettingsPage::TOverviewSettingsPage(OverviewController& c, QWidget* parent)
    : QWidget(parent), FCtl(c) {
    setObjectName(QStringLiteral("tsSettings"));
    QFormLayout* form = NewAlignedForm(this);
    edtCfgQryLimit = new QLineEdit(this);
    edtCfgQryLimit->setObjectName(QStringLiteral("edtCfgQryLimit"));
    SizeForChars(edtCfgQryLimit, 8);
    edtCfgEdtLimit = new QLineEdit(this);
    edtCfgEdtLimit->setObjectName(QStringLiteral("edtCfgEdtLimit"));
    SizeForChars(edtCfgEdtLimit, 8);
    edtCfgNULLVal = new QLineEdit(this);
    edtCfgNULLVal->setObjectName(QStringLiteral("edtCfgNULLVal"));
    SizeForChars(edtCfgNULLVal, 16);
    seMaxHist = new QSpinBox(this);
    seMaxHist->setRange(setting::MaxHist.min, setting::MaxHist.max);
    seMaxExpVals = new QSpinBox(this);
    seMaxExpVals->setRange(setting::MaxSqlExportValuesLines.min,
                           setting::MaxSqlExportValuesLines.max);
    cbCfgHints = new QCheckBox(this);
    chkCfgLastDBatTop = new QCheckBox(this);
    FTheme = new QComboBox(this);
    FTheme->setObjectName(QStringLiteral("cbTheme"));
    FViewer = new QPushButton(QStringLiteral("Theme Viewer"), this);
    FViewer->setObjectName(QStringLiteral("btnStylePreview"));
    FLauncher = new ThemeViewerLauncher(this);
    form->addRow(QStringLiteral("Automatic Query length limit: "), edtCfgQryLimit);
    form->addRow(QStringLiteral("Maximum Table-editor lines: "), edtCfgEdtLimit);
    form->addRow(QStringLiteral("Show NULL values as: "), edtCfgNULLVal);
    form->addRow(QStringLiteral("Maximum History Lines:"), seMaxHist);
    form->addRow(QStringLiteral("Maximum VALUES lines in SQL Exports:"), seMaxExpVals);
    form->addRow(QStringLiteral("Show Tool-tips: "), cbCfgHints);
    form->addRow(QStringLiteral("Keep last opened DB at top of list: "), chkCfgLastDBatTop);
    auto* theme = new QHBoxLayout;
    FTheme->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    theme->addWidget(FTheme);
    theme->addWidget(FViewer);
    form->addRow(QStringLiteral("System Theme: "), theme);
    ConnectFields();
    FTheme->addItems(ThemeNames());
    int sel = FTheme->findText(ActiveTheme());
    if (sel < 0) sel = FTheme->findText(kPlatformTheme);
    FTheme->setCurrentIndex(sel < 0 ? 0 : sel);
}

void TOverviewSettingsPage::ConnectFields() {
    connect(edtCfgQryLimit, &QLineEdit::editingFinished, this, [this] {
        edtCfgQryLimit->setText(QString::number(FCtl.StoreQueryLimit(edtCfgQryLimit->text())));
    });
    connect(edtCfgEdtLimit, &QLineEdit::editingFinished, this, [this] {
        edtCfgEdtLimit->setText(QString::number(FCtl.StoreEditLimit(edtCfgEdtLimit->text())));
    });
    connect(edtCfgNULLVal, &QLineEdit::editingFinished, this,
            [this] { FCtl.StoreNullText(edtCfgNULLVal->text()); });
    connect(seMaxHist, &QSpinBox::editingFinished, this,
            [this] { FCtl.StoreMaxHistory(seMaxHist->value()); });
    connect(seMaxExpVals, &QSpinBox::editingFinished, this,
            [this] { FCtl.StoreMaxExportValues(seMaxExpVals->value()); });
    connect(cbCfgHints, &QCheckBox::toggled, this, [this](bool on) {
        TKFormFilter::Instance()->SetShowTooltips(on);
        FCtl.SetShowTooltips(on);
    });
    connect(chkCfgLastDBatTop, &QCheckBox::toggled, this,
            [this](bool on) { FCtl.keepLastAtTop = on; });
    connect(FTheme, &QComboBox::activated, this,
            [this](int i) { Q_EMIT ThemeChosen(FTheme->itemText(i)); });
    connect(FViewer, &QPushButton::clicked, this, [this] {
        QStringList names;
        for (int i = 0; i < FTheme->count(); ++i)
            names << FTheme->itemText(i);
        FLauncher->Launch(FViewer, ThemeViewerLauncher::ViewerProgram(), ActiveTheme(), names,
                          ScratchDir() + QStringLiteral("ViewerDataSet.cfg"),
                          [this](const QString& name) {
                              if (SelectTheme(name)) Q_EMIT ThemeChosen(name);
                          });
    });
}

bool TOverviewSettingsPage::SelectTheme(const QString& name) {
    const int i = FTheme->findText(name);
    if (i < 0) return false;
    FTheme->setCurrentIndex(i);
    return true;
}

void TOverviewSettingsPage::ShowSettings(const OverviewSettings& s) {
    edtCfgQryLimit->setText(s.queryLimit);
    edtCfgEdtLimit->setText(s.editLimit);
    edtCfgNULLVal->setText(s.nullText);
    seMaxHist->setValue(s.maxHistory);
    seMaxExpVals->setValue(s.maxExportValues);
    chkCfgLastDBatTop->setChecked(s.lastDbAtTop);
    cbCfgHints->setChecked(s.showTooltips);
}

void TOverviewSettingsPage::ReadSettings(OverviewSettings& s) const {
    s.queryLimit = edtCfgQryLimit->text();
    s.editLimit = edtCfgEdtLimit->text();
    s.nullText = edtCfgNULLVal->text();
    s.maxHistory = seMaxHist->value();
    s.maxExportValues = seMaxExpVals->value();
    s.showTooltips = cbCfgHints->isChecked();
    s.lastDbAtTop = chkCfgLastDBatTop->isChecked();
}

} // namespace sky::ui
