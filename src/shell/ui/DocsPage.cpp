#include "shell/ui/DocsPage.h"

#include "shell/InfoPages.h"
#include "shell/ui/AboutBox.h"
#include "shell/ui/FlowLayout.h"
#include "support/Settings.h"
#include "support/TextUtil.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>

namespace sky::ui {

TDocsPage::TDocsPage(QWidget* parent, bool lettersOnly) : QWidget(parent) {
    setObjectName(QStringLiteral("tsDocs"));
    auto* form = new QFormLayout(this);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    cbDocsSQLItem = new QComboBox(this);
    cbDocsSQLItem->setObjectName(QStringLiteral("cbDocsSQLItem"));
    cbDocsSQLItem->addItems(DocStatements());
    cbDocsSQLItem->setCurrentText(QStringLiteral("SELECT"));
    auto* open = new QPushButton(QStringLiteral("Open"), this);
    open->setObjectName(QStringLiteral("btnDocsSQLItem"));
    edtDocsSearch = new QLineEdit(this);
    edtDocsSearch->setObjectName(QStringLiteral("edtDocsSearch"));
    edtDocsSearch->setMinimumWidth(edtDocsSearch->fontMetrics().averageCharWidth() * 24);
    auto* search = new QPushButton(QStringLiteral("Search"), this);
    search->setObjectName(QStringLiteral("btnDocsSearch"));
    auto* r1 = new QHBoxLayout;
    r1->addWidget(cbDocsSQLItem, 1);
    r1->addWidget(open);
    auto* r2 = new QHBoxLayout;
    r2->addWidget(edtDocsSearch, 1);
    r2->addWidget(search);
    form->addRow(QStringLiteral("SQL statement:"), r1);
    form->addRow(QStringLiteral("Search the documentation:"), r2);
    // The link buttons wrap onto further lines on a narrow page.
    FLinks = new QWidget(this);
    FLinks->setObjectName(QStringLiteral("pnlDocsLinks"));
    auto* links = new FlowLayout(FLinks);
    for (const DocLink& l : DocLinks()) {
        auto* b = new QPushButton(l.caption, FLinks);
        b->setObjectName(l.name);
        b->setToolTip(l.address);
        connect(b, &QPushButton::clicked, this,
                [b] { QDesktopServices::openUrl(QUrl(TrimText(b->toolTip()))); });
        links->addWidget(b);
    }
    form->addRow(FLinks);
    auto* about = new QPushButton(QStringLiteral("  About Skylark"), this);
    about->setObjectName(QStringLiteral("btnDocsAbout"));
    auto* aboutRow = new QHBoxLayout;
    aboutRow->addWidget(about);
    aboutRow->addStretch(1);
    form->addRow(aboutRow);
    connect(open, &QPushButton::clicked, this, [this] { OpenStatement(); });
    connect(search, &QPushButton::clicked, this, [this, lettersOnly] {
        if (TrimText(edtDocsSearch->text()).isEmpty()) return;
        CfgPut(QStringLiteral("LastDocSearch"), DocSearchText(edtDocsSearch->text(), lettersOnly));
        QDesktopServices::openUrl(QUrl(DocSearchUrl(edtDocsSearch->text(), lettersOnly)));
    });
    connect(about, &QPushButton::clicked, this, [] { frmSKYAbout().About(); });
}

void TDocsPage::OpenStatement() {
    const QString page = DocPage(cbDocsSQLItem->currentText());
    if (!page.isEmpty()) QDesktopServices::openUrl(QUrl(kSqliteDocsBase + page));
}

} // namespace sky::ui
