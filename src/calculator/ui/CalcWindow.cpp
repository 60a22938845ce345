// The calculator dialog.
#include "calculator/ui/CalcWindow.h"

#include "shell/ui/WidgetPlacement.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace sky::ui {

namespace {

const QString kPosKey = QStringLiteral("CalculatorPos");

} // namespace

TfrmSKYCalc::TfrmSKYCalc(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSKYCalc"));
    setWindowTitle(QStringLiteral("  Calculator  "));
    auto* v = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    lblOp = new QLabel(this);
    lblOp->setObjectName(QStringLiteral("lblOp"));
    lblOp->setMinimumWidth(24);
    lblDisplay = new QLabel(this);
    lblDisplay->setObjectName(QStringLiteral("lblDisplay"));
    lblDisplay->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblDisplay->setMinimumWidth(220);
    lblDisplay->setFrameShape(QFrame::StyledPanel);
    QFont f = lblDisplay->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    lblDisplay->setFont(f);
    top->addWidget(lblOp);
    top->addWidget(lblDisplay, 1);
    v->addLayout(top);
    auto* g = new QGridLayout;
    const struct {
        const char* name;
        const char* caption;
        int row, col;
    } buttons[] = {
        {"btnclrC", "C", 0, 0},
        {"btnclrE", "CE", 0, 1},
        {"btnsopP", "%", 0, 2},
        {"btndopD", "\u00F7", 0, 3},
        {"btnsop2", "x\u00B2", 1, 0},
        {"btnsopR", "\u221Ax", 1, 1},
        {"btndopP", "\u1D6A\u02B8", 1, 2},
        {"btndopM", "\u00D7", 1, 3},
        {"btnnum7", "7", 2, 0},
        {"btnnum8", "8", 2, 1},
        {"btnnum9", "9", 2, 2},
        {"btndopS", "-", 2, 3},
        {"btnnum4", "4", 3, 0},
        {"btnnum5", "5", 3, 1},
        {"btnnum6", "6", 3, 2},
        {"btndopA", "+", 3, 3},
        {"btnnum1", "1", 4, 0},
        {"btnnum2", "2", 4, 1},
        {"btnnum3", "3", 4, 2},
        {"btnnopE", "=", 4, 3},
        {"btnnopI", "\u00B1", 5, 0},
        {"btnnum0", "0", 5, 1},
        {"btnnumP", ".", 5, 2},
        {"btnnopP", "\u03C0", 5, 3},
    };
    for (const auto& b : buttons) {
        auto* p = new QPushButton(QString::fromUtf8(b.caption), this);
        p->setObjectName(QLatin1String(b.name));
        // Neither default nor focusable: Enter, Space, Tab and Escape reach the dialog.
        p->setAutoDefault(false);
        p->setFocusPolicy(Qt::NoFocus);
        p->setMinimumSize(52, 36);
        connect(p, &QPushButton::clicked, this, [this, p] { PressButton(p->objectName()); });
        g->addWidget(p, b.row, b.col);
    }
    v->addLayout(g);
    btnSubmit = new QPushButton(QStringLiteral("Submit \u2192"), this);
    btnSubmit->setObjectName(QStringLiteral("btnSubmit"));
    btnSubmit->setAutoDefault(false);
    btnSubmit->setFocusPolicy(Qt::NoFocus);
    btnSubmit->hide();
    connect(btnSubmit, &QPushButton::clicked, this, [this] { DoSubmit(); });
    v->addWidget(btnSubmit);
    setFocusPolicy(Qt::StrongFocus);
    Render();
}

void TfrmSKYCalc::Render() {
    lblDisplay->setText(FEngine.Display());
    lblOp->setText(FEngine.OpLabel());
}

void TfrmSKYCalc::PressButton(const QString& name) {
    if (!name.startsWith(QLatin1String("btn")) || name.size() < 7) return;
    const QString cls = name.mid(3, 3);
    const bool submit = FEngine.Press(cls, name[6]);
    Render();
    if (submit) accept();
}

void TfrmSKYCalc::DoSubmit() {
    FEngine.Submit();
    Render();
    accept();
}

bool TfrmSKYCalc::getCalcValue(double& value) {
    FEngine.submitShown = true;
    btnSubmit->show();
    RestorePlacement(kPosKey, this, true);
    if (value != 0) FEngine.Reset(value);
    Render();
    const bool ok = exec() == QDialog::Accepted;
    FEngine.submitShown = false;
    btnSubmit->hide();
    if (ok) value = FEngine.fAns;
    return ok;
}

void TfrmSKYCalc::showCalc() {
    FEngine.submitShown = false;
    btnSubmit->hide();
    FEngine.FullReset();
    RestorePlacement(kPosKey, this, true);
    Render();
    show();
    raise();
}

void TfrmSKYCalc::keyPressEvent(QKeyEvent* e) {
    e->accept(); // every key acts on release
}

void TfrmSKYCalc::keyReleaseEvent(QKeyEvent* e) {
    QString cls;
    QChar code;
    if (!CalcEngine::KeyToButton(e->key(), e->modifiers(), cls, code)) return;
    if (cls == QLatin1String("submit")) {
        if (btnSubmit->isVisible() || FEngine.submitShown) DoSubmit();
    } else if (cls == QLatin1String("cancel")) {
        if (FEngine.submitShown) reject();
    } else if (cls == QLatin1String("bs")) {
        FEngine.Backspace();
        Render();
    } else {
        const bool submit = FEngine.Press(cls, code);
        Render();
        if (submit) accept();
    }
}

void TfrmSKYCalc::done(int r) {
    SavePlacement(kPosKey, this);
    QDialog::done(r);
}

TfrmSKYCalc& frmSKYCalc() {
    static auto* calc = new TfrmSKYCalc; // lives for the whole run
    return *calc;
}

} // namespace sky::ui
