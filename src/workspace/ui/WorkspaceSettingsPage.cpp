#include "workspace/ui/WorkspaceSettingsPage.h"

#include "shell/ui/AlignedForm.h"
#include "workspace/WorkspaceController.h"

#include <QFormLayout>
#include <QSpinBox>

namespace sky::ui {

TWorkspaceSettingsPage::TWorkspaceSettingsPage(WorkspaceController& c, QWidget* parent)
    : QWidget(parent), FCtl(c) {
    setObjectName(QStringLiteral("tsSettings"));
    QFormLayout* form = NewAlignedForm(this);
    const struct {
        const char* name;
        const char* caption;
        int lo, hi, def;
    } scales[] = {{"seCfgMemScaleDB", "Memory usage High-level (MB):", 2, 1000, 3},
                  {"seCfgMemScaleSchema", "Statement memory High-level (KB):", 2, 10000, 32}};
    for (const auto& sc : scales) {
        auto* spin = new QSpinBox(this);
        spin->setObjectName(QLatin1String(sc.name));
        spin->setRange(sc.lo, sc.hi);
        spin->setValue(sc.def);
        form->addRow(QLatin1String(sc.caption), spin);
        // A change is stored at once in the database's settings and repaints the gauges.
        connect(spin, &QSpinBox::valueChanged, this, [this, spin](int v) {
            if (!FLoading) FCtl.SetScale(spin->objectName(), v);
        });
        FScales << spin;
    }
}

void TWorkspaceSettingsPage::Load() {
    FLoading = true;
    for (QSpinBox* spin : FScales)
        spin->setValue(
            FCtl.Scale(spin->objectName(), spin->value(), spin->minimum(), spin->maximum()));
    FLoading = false;
}

int TWorkspaceSettingsPage::MemoryScaleMB() const {
    return FScales[0]->value();
}

int TWorkspaceSettingsPage::StatementScaleKB() const {
    return FScales[1]->value();
}

} // namespace sky::ui
