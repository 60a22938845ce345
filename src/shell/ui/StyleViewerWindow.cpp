#include "shell/ui/StyleViewerWindow.h"

#include "shell/ui/Themes.h"
#include "shell/ui/WidgetPlacement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QStyleFactory>
#include <QTimer>
#include <QVBoxLayout>

namespace sky::ui {

StyleViewerWindow::StyleViewerWindow(const ThemeViewerRequest& request, QWidget* parent)
    : QWidget(parent), FRequest(request) {
    setWindowTitle(request.caption.isEmpty() ? QStringLiteral("Skylark Themes") : request.caption);
    auto* h = new QHBoxLayout(this);
    FNames = new QListWidget(this);
    FNames->addItems(request.names.isEmpty() ? ThemeNames() : request.names);
    h->addWidget(FNames, 1);
    auto* right = new QVBoxLayout;
    FPreview = new QGroupBox(QStringLiteral("Preview"), this);
    auto* pv = new QVBoxLayout(FPreview);
    pv->addWidget(new QLabel(QStringLiteral("Database files"), FPreview));
    auto* edit = new QLineEdit(QStringLiteral("SELECT * FROM customers WHERE 1"), FPreview);
    pv->addWidget(edit);
    auto* combo = new QComboBox(FPreview);
    combo->addItems({QStringLiteral("main"), QStringLiteral("temp")});
    pv->addWidget(combo);
    pv->addWidget(new QCheckBox(QStringLiteral("Show Tool-tips"), FPreview));
    auto* text = new QPlainTextEdit(QStringLiteral("[2026-12-09 10:00:00.000] SYSTEM      : "
                                                   "Skylark Started"),
                                    FPreview);
    pv->addWidget(text);
    auto* bar = new QProgressBar(FPreview);
    bar->setValue(42);
    pv->addWidget(bar);
    pv->addWidget(new QPushButton(QStringLiteral("Open the selected Database"), FPreview));
    right->addWidget(FPreview, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* apply = new QPushButton(QStringLiteral("Apply"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(apply);
    buttons->addWidget(cancel);
    right->addLayout(buttons);
    h->addLayout(right, 2);
    connect(apply, &QPushButton::clicked, this, &StyleViewerWindow::Apply);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    connect(FNames, &QListWidget::currentTextChanged, this, &StyleViewerWindow::ShowPreview);
    connect(FNames, &QListWidget::itemDoubleClicked, this, &StyleViewerWindow::Apply);
    const auto found = FNames->findItems(request.active, Qt::MatchExactly);
    FNames->setCurrentRow(found.isEmpty() ? 0 : FNames->row(found.first()));
    resize(640, 420);
}

void StyleViewerWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (FPlaced) return;
    FPlaced = true;
    // After the window is mapped, so the window manager's own first
    // placement does not override it; the frame is known by then.
    QTimer::singleShot(0, this, [this] {
        if (FRequest.x > 0 || FRequest.y > 0) move(FRequest.x, FRequest.y);
        KeepOnScreen(this);
    });
}

void StyleViewerWindow::ShowPreview(const QString& name) {
    QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"));
    style->setParent(FPreview);
    FPreview->setStyle(style);
    for (QWidget* w : FPreview->findChildren<QWidget*>())
        w->setStyle(style);
    FPreview->setPalette(ThemePalette(name));
    FPreview->setAutoFillBackground(true);
}

void StyleViewerWindow::Apply() {
    if (FNames->currentItem() && !FRequest.answerFile.isEmpty())
        WriteThemeAnswer(FRequest.answerFile, FNames->currentItem()->text());
    close();
}

} // namespace sky::ui
