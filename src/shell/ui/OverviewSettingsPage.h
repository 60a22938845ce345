// The overview's "  Settings  " page: the query and editor limits, the NULL
// text, the history and export line counts, the tooltip switch, the
// keep-at-top switch and the theme with its viewer. Each field is stored by
// OverviewController as it is left; a chosen theme is handed to the window.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace sky {
class OverviewController;
struct OverviewSettings;
} // namespace sky

namespace sky::ui {

class ThemeViewerLauncher;

class TOverviewSettingsPage : public QWidget {
    Q_OBJECT
public:
    TOverviewSettingsPage(OverviewController& c, QWidget* parent);
    QComboBox* ThemeBox() const { return FTheme; }
    QPushButton* ThemeViewerButton() const { return FViewer; }
    // The fields show the settings; the fields' values into the settings.
    void ShowSettings(const OverviewSettings& s);
    void ReadSettings(OverviewSettings& s) const;
    // Selects a theme's name in the list (false when the list has none such).
    bool SelectTheme(const QString& name);

Q_SIGNALS:
    void ThemeChosen(const QString& name);

private:
    void ConnectFields();

    OverviewController& FCtl;
    QLineEdit *edtCfgQryLimit, *edtCfgEdtLimit, *edtCfgNULLVal;
    QSpinBox *seMaxHist, *seMaxExpVals;
    QCheckBox *cbCfgHints, *chkCfgLastDBatTop;
    QComboBox* FTheme;
    QPushButton* FViewer;
    ThemeViewerLauncher* FLauncher;
};

} // namespace sky::ui
