// The code export settings window.
#include "codeexport/ui/CodeExWindow.h"

#include "shell/ui/HelpPanel.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/WidgetPlacement.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace sky::ui {

namespace {

// The window's place in this run (the first time: centred).
QRect& LastGeometry() {
    static QRect r;
    return r;
}

// A label that reports clicks.
class ClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> clicked;

protected:
    void mouseReleaseEvent(QMouseEvent*) override {
        if (clicked) clicked();
    }
};

} // namespace

TfrmCodeEx::TfrmCodeEx(QWidget* parent, Prompter* prompts, ClipboardPort* clipboard)
    : QDialog(parent), FPrompts(prompts ? *prompts : Prompts()),
      FClipboard(clipboard ? *clipboard : Clipboard()) {
    setObjectName(QStringLiteral("frmCodeEx"));
    setWindowTitle(QStringLiteral("Code Exporter Settings"));
    setMinimumSize(580, 340);
    resize(1000, 560);
    auto* h = new QHBoxLayout(this);

    auto* left = new QVBoxLayout;
    auto* tools = new QHBoxLayout;
    const struct {
        const char* name;
        const char* caption;
        const char* hint;
        int which;
    } buttons[] = {{"tbtnAdd", "+", "Add a new Code specification", 0},
                   {"tbtnRemove", "-", "Remove the selected item", 1},
                   {"tbtnMoveUp", "\u2191", "Move Up", 2},
                   {"tbtnMoveDown", "\u2193", "Move Down", 3}};
    for (const auto& b : buttons) {
        QPushButton* p =
            NamedButton(this, b.name, QString::fromUtf8(b.caption), QLatin1String(b.hint));
        p->setAutoDefault(false);
        p->setFixedWidth(36);
        connect(p, &QPushButton::clicked, this, [this, which = b.which] {
            switch (which) {
            case 0:
                AddItem();
                break;
            case 1:
                FCtl.Remove();
                ShowList();
                break;
            default:
                FCtl.Move(which == 2 ? -1 : 1);
                ShowList();
            }
        });
        tools->addWidget(p);
    }
    tools->addStretch(1);
    left->addLayout(tools);
    lbCodeNames = new QListWidget(this);
    lbCodeNames->setObjectName(QStringLiteral("lbCodeNames"));
    connect(lbCodeNames, &QListWidget::currentRowChanged, this, [this](int row) {
        if (FFilling) return;
        ReadControls();
        FCtl.Select(row);
        ShowList();
    });
    left->addWidget(lbCodeNames, 1);
    h->addLayout(left, 1);

    auto* middle = new QVBoxLayout;
    auto* name = new ClickLabel(this);
    name->setObjectName(QStringLiteral("lblCodeName"));
    QFont bf = name->font();
    bf.setBold(true);
    name->setFont(bf);
    name->setCursor(Qt::PointingHandCursor);
    name->clicked = [this] { Rename(); };
    lblCodeName = name;
    middle->addWidget(lblCodeName);
    auto* form = new QFormLayout;
    auto edit = [&](QLineEdit*& e, const char* objectName, const char* label) {
        e = new QLineEdit(this);
        e->setObjectName(QLatin1String(objectName));
        connect(e, &QLineEdit::textChanged, this, [this] { Recompute(); });
        form->addRow(QLatin1String(label), e);
    };
    edit(edtCodeAssignment, "edtCodeAssignment", "Assignment characters:");
    edit(edtCodeQuote, "edtCodeQuote", "Quote literal character:");
    edit(edtCodeQuoteEsc, "edtCodeQuoteEsc", "Escape Quotes by preceding it with:");
    lblCodeEscapedQuote = NamedLabel(this, "lblCodeEscapedQuote");
    form->addRow(QString(), lblCodeEscapedQuote);
    edit(edtCodeAlsoEscape, "edtCodeAlsoEscape", "Also escape:");
    edit(edtCodeConcat, "edtCodeConcat", "Concatenate strings together with:");
    edit(edtCodeEditorLineBreak, "edtCodeEditorLineBreak", "and end incomplete lines with:");
    edit(edtCodeLineBreak, "edtCodeLineBreak", "Chars to insert for Line-Breaks:");
    cbCodeLBOutside = new QCheckBox(QStringLiteral("add this outside the quotes"), this);
    cbCodeLBOutside->setObjectName(QStringLiteral("cbCodeLBOutside"));
    connect(cbCodeLBOutside, &QCheckBox::toggled, this, [this] { Recompute(); });
    form->addRow(QString(), cbCodeLBOutside);
    edit(edtCodeTerminate, "edtCodeTerminate", "Terminate Code segment with:");
    seMaxLineLen = new QSpinBox(this);
    seMaxLineLen->setObjectName(QStringLiteral("seMaxLineLen"));
    seMaxLineLen->setRange(32, 4096);
    seMaxLineLen->setSingleStep(16);
    connect(seMaxLineLen, &QSpinBox::valueChanged, this, [this] { Recompute(); });
    auto* lenRow = new QHBoxLayout;
    lenRow->addWidget(seMaxLineLen);
    lenRow->addWidget(new QLabel(QStringLiteral("characters"), this));
    form->addRow(QStringLiteral("Split Code into multiple lines when longer than"), lenRow);
    seCodeIndentCount = new QSpinBox(this);
    seCodeIndentCount->setObjectName(QStringLiteral("seCodeIndentCount"));
    seCodeIndentCount->setRange(0, 128);
    connect(seCodeIndentCount, &QSpinBox::valueChanged, this, [this] { Recompute(); });
    form->addRow(QStringLiteral("Number of Indentations to use:"), seCodeIndentCount);
    auto* indent = new QGroupBox(QStringLiteral("Indentation Character"), this);
    auto* ih = new QHBoxLayout(indent);
    rbIndentSpace = new QRadioButton(QStringLiteral("Space"), indent);
    rbIndentTab = new QRadioButton(QStringLiteral("Tab"), indent);
    ih->addWidget(rbIndentSpace);
    ih->addWidget(rbIndentTab);
    connect(rbIndentTab, &QRadioButton::toggled, this, [this] { Recompute(); });
    form->addRow(indent);
    middle->addLayout(form);
    middle->addStretch(1);
    h->addLayout(middle, 2);

    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("Codify Example"), this));
    memInput = new QPlainTextEdit(this);
    memInput->setObjectName(QStringLiteral("memInput"));
    memOutput = new QPlainTextEdit(this);
    memOutput->setObjectName(QStringLiteral("memOutput"));
    memOutput->setReadOnly(true);
    const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    memInput->setFont(mono);
    memOutput->setFont(mono);
    memOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(memInput, &QPlainTextEdit::textChanged, this, [this] {
        FCtl.sample = memInput->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
        Recompute();
    });
    right->addWidget(memInput, 1);
    right->addWidget(memOutput, 2);
    auto* rb = new QHBoxLayout;
    QPushButton* bAccept = NamedButton(this, "btnAccept", QStringLiteral("Accept and Close"));
    QPushButton* bCancel = NamedButton(this, "btnCancel", QStringLiteral("Cancel and Close"));
    QPushButton* bCopy = NamedButton(this, "btnCopy", QStringLiteral("Copy the code sample"));
    for (QPushButton* p : {bAccept, bCancel, bCopy})
        p->setAutoDefault(false);
    connect(bAccept, &QPushButton::clicked, this, [this] {
        ReadControls();
        CodifySetup(FCtl.Accept());
        accept();
    });
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(bCopy, &QPushButton::clicked, this,
            [this] { FClipboard.SetText(QString(FCtl.Output())); });
    rb->addWidget(bCopy);
    rb->addStretch(1);
    rb->addWidget(bCancel);
    rb->addWidget(bAccept);
    right->addLayout(rb);
    h->addLayout(right, 3);

    FFilling = true;
    memInput->setPlainText(
        QString(FCtl.sample).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    FFilling = false;
    ShowList();
}

QLineEdit* TfrmCodeEx::Field(const char* name) const {
    return findChild<QLineEdit*>(QLatin1String(name));
}

void TfrmCodeEx::ShowList() {
    FFilling = true;
    lbCodeNames->clear();
    lbCodeNames->addItems(FCtl.Names());
    lbCodeNames->setCurrentRow(FCtl.selected);
    FFilling = false;
    ShowItem();
}

void TfrmCodeEx::ShowItem() {
    FFilling = true;
    const TCECodifyItem& i = FCtl.edit;
    lblCodeName->setText(FCtl.selected < 0 ? QString() : u' ' + i.ciName + u' ');
    edtCodeAssignment->setText(i.acs);
    edtCodeQuote->setText(i.qc);
    edtCodeQuoteEsc->setText(i.eqc);
    edtCodeAlsoEscape->setText(i.aes);
    edtCodeConcat->setText(i.ccs);
    edtCodeEditorLineBreak->setText(i.lecs);
    edtCodeLineBreak->setText(i.lbcs);
    edtCodeTerminate->setText(i.ltcs);
    cbCodeLBOutside->setChecked(FCtl.outside);
    seMaxLineLen->setValue(FCtl.maxLen);
    seCodeIndentCount->setValue(FCtl.indentCount);
    (FCtl.indentTab ? rbIndentTab : rbIndentSpace)->setChecked(true);
    FFilling = false;
    Recompute();
}

void TfrmCodeEx::ReadControls() {
    TCECodifyItem& i = FCtl.edit;
    i.acs = edtCodeAssignment->text();
    i.qc = edtCodeQuote->text();
    i.eqc = edtCodeQuoteEsc->text();
    i.aes = edtCodeAlsoEscape->text();
    i.ccs = edtCodeConcat->text();
    i.lecs = edtCodeEditorLineBreak->text();
    i.lbcs = edtCodeLineBreak->text();
    i.ltcs = edtCodeTerminate->text();
    FCtl.outside = cbCodeLBOutside->isChecked();
    FCtl.maxLen = seMaxLineLen->value();
    FCtl.indentCount = seCodeIndentCount->value();
    FCtl.indentTab = rbIndentTab->isChecked();
}

void TfrmCodeEx::Recompute() {
    if (FFilling) return;
    ReadControls();
    lblCodeEscapedQuote->setText(FCtl.EscapedQuote());
    memOutput->setPlainText(
        QString(FCtl.Output()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void TfrmCodeEx::Rename() {
    if (FCtl.selected < 0) return;
    ReadControls();
    const QString name =
        FPrompts.AskText(QStringLiteral("Change Codify Name"), QStringLiteral("New item name:"),
                         FCtl.edit.ciName, {}, false, 0, QString());
    if (FCtl.Rename(name)) ShowList();
}

void TfrmCodeEx::AddItem() {
    ReadControls();
    const QString name =
        FPrompts.AskText(QStringLiteral("Add a new Codify Item"), QStringLiteral("New item name:"),
                         QString(), {}, false, 0, QString());
    if (FCtl.Add(name)) ShowList();
}

bool EditCodifySettings(int left, int top, QWidget* parent, Prompter* prompts) {
    TfrmCodeEx w(parent, prompts);
    QRect& last = LastGeometry();
    if (left > 0 || top > 0) last.moveTo(std::max(0, left), std::max(0, top));
    if (last.isValid()) w.setGeometry(last);
    const bool ok = w.exec() == QDialog::Accepted;
    last = w.geometry();
    return ok;
}

} // namespace sky::ui
