#include "shell/ui/KProgress.h"

#include "shell/ui/KPanel.h"
#include "shell/ui/Themes.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace sky::ui {

class ProgressBarView : public QWidget {
public:
    ProgressBarView(QColor colour, QWidget* parent) : QWidget(parent), FColour(colour) {
        setFixedHeight(22);
    }
    void SetFraction(double f) {
        FFraction = f;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QRect r = rect().adjusted(0, 0, -1, -1);
        const int filled = int(FFraction * r.width());
        auto shade = [&](const QRect& area, const QColor& c) {
            QLinearGradient g(area.topLeft(), area.bottomLeft());
            g.setColorAt(0, c.lighter(115));
            g.setColorAt(1, c.darker(115));
            p.fillRect(area, g);
        };
        shade(QRect(r.left(), r.top(), filled, r.height()), FColour);
        shade(QRect(r.left() + filled, r.top(), r.width() - filled, r.height()),
              Blend(FColour, Qt::white, 0.8));
        p.setPen(QColor(0xC0, 0xC0, 0xC0));
        p.drawRect(r);
        p.setPen(BestTextOn(FColour, Blend(FColour, Qt::white, 0.8)));
        p.drawText(r, Qt::AlignCenter, ProgressModel::PercentText(FFraction));
    }

private:
    QColor FColour;
    double FFraction = 0;
};

TKProgress::TKProgress(const QString& title, bool dualBars, bool canCancel, int backColour,
                       int barColour, bool showElapsed, bool showRemaining, QWidget* parent)
    : QDialog(parent), FModel(dualBars, 0) {
    FClock.start();
    setObjectName(QStringLiteral("TKProgress"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedWidth(680);
    const QColor back =
        QColor::fromRgb(QRgb(backColour >= 0 ? backColour : 0x504020) | 0xFF000000u);
    const QColor bar = QColor::fromRgb(QRgb(barColour >= 0 ? barColour : 0x1F87FA) | 0xFF000000u);
    setStyleSheet(QStringLiteral("QDialog#TKProgress { background: %1; } QDialog#TKProgress QLabel "
                                 "{ color: #F8F4F0; }")
                      .arg(back.name()));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(16, 12, 16, 12);
    FHeader = new QLabel(title, this);
    FHeader->setObjectName(QStringLiteral("lblProgHeader"));
    QFont hf = FHeader->font();
    hf.setBold(true);
    FHeader->setFont(hf);
    v->addWidget(FHeader);
    FMain = new QLabel(QStringLiteral("Overall Progress..."), this);
    FMain->setObjectName(QStringLiteral("lblProgItemMain"));
    v->addWidget(FMain);
    FBar1 = new ProgressBarView(bar, this);
    v->addWidget(FBar1);
    FSub = new QLabel(this);
    FSub->setObjectName(QStringLiteral("lblProgItemSub"));
    v->addWidget(FSub);
    FBar2 = new ProgressBarView(bar, this);
    v->addWidget(FBar2);
    auto* times = new QHBoxLayout;
    auto* el = new QLabel(QStringLiteral("Elapsed:"), this);
    FElapsed = new QLabel(ProgressModel::TimeText(0), this);
    FElapsed->setObjectName(QStringLiteral("lblProgTimeElapsed"));
    auto* rl = new QLabel(QStringLiteral("Remaining:"), this);
    FRemain = new QLabel(ProgressModel::TimeText(0), this);
    FRemain->setObjectName(QStringLiteral("lblProgTimeRem"));
    times->addWidget(el);
    times->addWidget(FElapsed);
    times->addStretch(1);
    times->addWidget(rl);
    times->addWidget(FRemain);
    v->addLayout(times);
    el->setVisible(showElapsed);
    FElapsed->setVisible(showElapsed);
    rl->setVisible(showRemaining);
    FRemain->setVisible(showRemaining);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    FCancel = new QPushButton(QStringLiteral("   Cancel"), this);
    FCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(FCancel);
    v->addLayout(buttons);
    FCancel->setVisible(canCancel);
    connect(FCancel, &QPushButton::clicked, this, [this] { FCancelled = true; });
    // The second bar and the main description only with two bars.
    FMain->setVisible(dualBars);
    FBar2->setVisible(dualBars);
    // Topmost while the application is active; another application's
    // windows may cover it.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        const bool top = s == Qt::ApplicationActive;
        if (bool(windowFlags() & Qt::WindowStaysOnTopHint) != top) {
            setWindowFlag(Qt::WindowStaysOnTopHint, top);
            show();
        }
    });
    adjustSize();
}

void TKProgress::Advance(const QString& description, double mainFraction, double subFraction) {
    if (!description.isEmpty()) FSub->setText(description);
    if (FModel.Advance(mainFraction, subFraction, Now())) Refresh();
}

void TKProgress::SetOverallDescription(const QString& text) {
    FMain->setText(text);
}

QString TKProgress::ElapsedText() const {
    return FElapsed->text();
}

QString TKProgress::RemainingText() const {
    return FRemain->text();
}

QString TKProgress::BarText(int bar) const {
    return ProgressModel::PercentText(bar == 1 ? FModel.Bar1() : FModel.Bar2());
}

void TKProgress::Refresh() {
    const qint64 now = Now();
    FModel.Refreshed(now);
    ++FRefreshes;
    FElapsed->setText(ProgressModel::TimeText(FModel.ElapsedMs(now)));
    FRemain->setText(ProgressModel::TimeText(FModel.RemainingMs(now)));
    FBar1->SetFraction(FModel.Bar1());
    FBar2->SetFraction(FModel.Bar2());
    QCoreApplication::processEvents();
}

void TKProgress::EndProgress() {
    close();
    deleteLater();
}

void TKProgress::keyPressEvent(QKeyEvent* e) {
    if (e->key() != Qt::Key_Escape || e->modifiers() != Qt::NoModifier) {
        QDialog::keyPressEvent(e);
        return;
    }
    if (FCancel->isVisibleTo(this)) FCancelled = true;
    e->accept();
}

void TKProgress::mousePressEvent(QMouseEvent* e) {
    FDragPos = e->globalPosition().toPoint() - frameGeometry().topLeft();
}

void TKProgress::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() & Qt::LeftButton) move(e->globalPosition().toPoint() - FDragPos);
}

TKProgress* ProgressStart(const QString& title, bool dualBars, bool canCancel, int backColour,
                          int barColour, bool showElapsed, bool showRemaining, QWidget* owner) {
    auto* p = new TKProgress(title, dualBars, canCancel, backColour, barColour, showElapsed,
                             showRemaining, owner ? owner : QApplication::activeWindow());
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect a = s->availableGeometry();
        p->move(a.left() + (a.width() - p->width()) / 2, a.top() + a.height() / 3);
    }
    p->show();
    return p;
}

} // namespace sky::ui
