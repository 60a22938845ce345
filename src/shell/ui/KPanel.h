// A panel with an optional gradient background, a centred caption and
// bevel edges whose colour moves from the outer to the inner border colour.
#pragma once

#include <QColor>
#include <QWidget>

namespace sky::ui {

class TKPanel : public QWidget {
    Q_OBJECT
public:
    enum class Direction { Down, Right, Up, Left };
    explicit TKPanel(QWidget* parent = nullptr);
    void SetCaption(const QString& c) {
        FCaption = c;
        update();
    }
    void SetColors(const QColor& panel, const QColor& gradient, const QColor& borderOut,
                   const QColor& borderIn);
    void SetGradient(bool on, Direction d = Direction::Down) {
        FGradBack = on;
        FDirection = d;
        update();
    }
    void SetBevelWidth(int w) {
        FBevel = w;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString FCaption;
    QColor FColPanel;
    QColor FColBrdOut = QColor(0x80, 0x80, 0x80);
    QColor FColBrdIn;
    QColor FColGrad;
    bool FGradBack = false;
    Direction FDirection = Direction::Down;
    int FBevel = 1;
};

// Colour blend of the dialogs: each channel (1 - f) * a + f * b.
QColor Blend(const QColor& a, const QColor& b, double f);

} // namespace sky::ui
