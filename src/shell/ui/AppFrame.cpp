#include "shell/ui/AppFrame.h"

#include <QCoreApplication>

namespace sky::ui {

TfrmSKYApp::TfrmSKYApp(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("frmSKYApp"));
    FCaption = QStringLiteral("Skylark (Loading...)");
}

void TfrmSKYApp::Close() {
    FClosed = true;
    QCoreApplication::quit();
}

} // namespace sky::ui
