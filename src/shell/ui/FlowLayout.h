// A layout that places its items left to right and wraps to a new line
// when the next item would pass the right edge (rows of buttons that must
// stay reachable at any width). Its height follows its width.
#pragma once

#include <QLayout>
#include <QList>

namespace sky::ui {

class FlowLayout : public QLayout {
public:
    explicit FlowLayout(QWidget* parent = nullptr, int spacing = 6);
    ~FlowLayout() override;
    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Lays the items out in rect (only measures when apply is false);
    // returns the height used.
    int Arrange(const QRect& rect, bool apply) const;
    QList<QLayoutItem*> FItems;
    int FSpacing;
};

} // namespace sky::ui
