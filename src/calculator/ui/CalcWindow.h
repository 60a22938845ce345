// The calculator dialog (TfrmSKYCalc): the display, the operation label and
// the buttons, each named "btn" + its class + its code; keys press buttons
// on release. getCalcValue shows it modally with "Submit →" and gives the
// submitted answer; showCalc shows it without. The presses are CalcEngine's.
#pragma once

#include "calculator/CalcEngine.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace sky::ui {

class TfrmSKYCalc : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSKYCalc(QWidget* parent = nullptr);
    // Modal with Submit; true with value := the answer when submitted.
    bool getCalcValue(double& value);
    // Non-modal, without Submit, after a full reset.
    void showCalc();
    CalcEngine& Engine() { return FEngine; }
    // A button by its object name (the tests press them).
    void PressButton(const QString& name);
    QLabel* DisplayLabel() const { return lblDisplay; }
    QLabel* OpLabel() const { return lblOp; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void done(int r) override;

private:
    void Render();
    void DoSubmit();
    CalcEngine FEngine;
    QLabel* lblDisplay = nullptr;
    QLabel* lblOp = nullptr;
    QPushButton* btnSubmit = nullptr;
};

// The program's one calculator, created on first use.
TfrmSKYCalc& frmSKYCalc();

} // namespace sky::ui
