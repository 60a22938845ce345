// The documentation window.
#include "analysis/ui/DocWindow.h"

#include "shell/ui/FormBehaviour.h"
#include "shell/ui/HelpPanel.h"
#include "shell/ui/QtFileChooser.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/WidgetPlacement.h"

#include <QCloseEvent>
#include <QColorDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

namespace sky::ui {

namespace {

struct SwatchDef {
    const char* name;
    const char* label;
    const char* hint;
};

// In the order of HtmlPrefs::Colours(): seven swatches, then three samples.
const SwatchDef kSwatches[10] = {
    {"colHTMLBack", "Background: ", "Documentation Background colour"},
    {"colHTMLFrame", "Frame-blocks: ", "Second Background colour (Framed-sections)"},
    {"colHTMLTables", "Table-headers: ", "Header colour for Table-layout lists"},
    {"colHTMLProps", "Property-headers: ", "Header colour for Database-Property lists"},
    {"colHTMLKeys", "Key-headers: ", "Header colour for Table Constraint and Key lists"},
    {"colHTMLIdxs", "Index-headers: ", "Header colour for Index lists"},
    {"colHTMLTrigs", "Trigger-headers: ", "Header colour for Trigger lists"},
    {"colHTMLFontHeader", "Header Text",
     "Font colour for text in list-headers (Should contrast with all header colours)"},
    {"colHTMLFontText", "Normal Text", "Font colour for standard Documentation text"},
    {"colHTMLFonthilite", "Hi-Light", "Font colour for High-lighted text"},
};
constexpr int kSamples = 7;   // the first text sample
constexpr int kHeaders = 2;   // the first header swatch
constexpr int kHeaderEnd = 7; // after the last one

QString Css(quint32 background, quint32 text) {
    return QStringLiteral("QLabel { background: %1; color: %2; border: 1px solid #808080; "
                          "padding: 2px 6px; }")
        .arg(HtmlColour(background), HtmlColour(text));
}

QColor ToColor(quint32 rgb) {
    return QColor::fromRgb(QRgb(0xFF000000u | rgb));
}

} // namespace

TfrmSKYDBDoc::TfrmSKYDBDoc(Prompter* prompts, FileChooser* files, ClipboardPort* clipboard,
                           DesktopOpener* opener)
    : QWidget(nullptr, Qt::Window), FOwnFiles(files ? nullptr : std::make_unique<QtFileChooser>()),
      FSession(std::make_unique<DocSession>(
          prompts ? *prompts : Prompts(), files ? *files : *FOwnFiles,
          clipboard ? *clipboard : Clipboard(), opener ? *opener : Opener())) {
    setObjectName(QStringLiteral("frmSKYDBDoc"));
    setWindowTitle(QStringLiteral("SQL Documentation"));
    TKFormFilter::SetNoMinimizeApp(this, true);
    resize(1100, 760);
    pickColour = [this](QColor& c, const QString& title) {
        const QColor chosen = QColorDialog::getColor(c, this, title);
        if (!chosen.isValid()) return false;
        c = chosen;
        return true;
    };

    auto* v = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    const struct {
        const char* name;
        const char* caption;
        const char* hint;
        std::function<void()> run;
    } buttons[] = {
        {"btnCopy", "Copy", "Copy full Text", [this] { FSession->Copy(memDoc->toPlainText()); }},
        {"btnSave", "Save...", "Save text to file...",
         [this] { FSession->Save(memDoc->toPlainText()); }},
        {"btnRemake", "  Re-make Documentation", "Convert Database Schema to text Documentation",
         [this] { Run(&DocSession::Remake); }},
        {"btnExport", "  Export", "Export full Schema to SQL script...",
         [this] { FSession->ExportSql(); }},
        {"btnCheck", "  Check for Schema problems", "Check Schema and list potential problems",
         [this] { Run(&DocSession::Check); }},
        {"btnPrototypes", " List Column Prototypes", "List Tables and Views with Column layouts",
         [this] { Run(&DocSession::Prototypes); }},
        {"btnExportHTML", "  Export to HTML Document", "Export Schema documentation to HTML page",
         [this] { FSession->ExportHtml(); }},
    };
    for (const auto& b : buttons) {
        QPushButton* p = NamedButton(this, b.name, QLatin1String(b.caption), QLatin1String(b.hint));
        connect(p, &QPushButton::clicked, this, b.run);
        bar->addWidget(p);
    }
    bar->addStretch(1);
    v->addLayout(bar);

    memDoc = new QPlainTextEdit(this);
    memDoc->setObjectName(QStringLiteral("memDoc"));
    memDoc->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memDoc->setLineWrapMode(QPlainTextEdit::NoWrap);
    v->addWidget(memDoc, 1);
    v->addWidget(BuildColourPanel());
    ShowPrefs();
    // Placement and preferences a moment after start-up.
    QTimer::singleShot(2000, this, [this] { RestoreSettings(); });
}

TfrmSKYDBDoc::~TfrmSKYDBDoc() = default;

QWidget* TfrmSKYDBDoc::BuildColourPanel() {
    auto* box = new QGroupBox(QStringLiteral("HTML Export colour preferences: "), this);
    box->setObjectName(QStringLiteral("gbHTMLColours"));
    auto* g = new QGridLayout(box);
    for (int k = 0; k < 10; ++k) {
        const SwatchDef& d = kSwatches[k];
        QLabel* swatch;
        if (k < kSamples) {
            g->addWidget(new QLabel(QLatin1String(d.label), box), k / 4, (k % 4) * 2);
            swatch = NamedLabel(box, d.name, QStringLiteral("      "));
            g->addWidget(swatch, k / 4, (k % 4) * 2 + 1);
        } else {
            if (k == kSamples) g->addWidget(new QLabel(QStringLiteral("Text: "), box), 2, 0);
            swatch = NamedLabel(box, d.name, QLatin1String(d.label));
            g->addWidget(swatch, (k + 1) / 4, ((k + 1) % 4) * 2 + 1);
        }
        swatch->setToolTip(QLatin1String(d.hint));
        swatch->setCursor(Qt::PointingHandCursor);
        swatch->installEventFilter(this);
        FSwatches << swatch;
    }
    auto* strength = new QLabel(QStringLiteral("HTML Line-differentiation strength: "), box);
    g->addWidget(strength, 3, 0, 1, 2);
    tbHTMLLineStrength = new QSlider(Qt::Horizontal, box);
    tbHTMLLineStrength->setObjectName(QStringLiteral("tbHTMLLineStrength"));
    tbHTMLLineStrength->setRange(0, 6);
    tbHTMLLineStrength->setPageStep(1);
    tbHTMLLineStrength->setTickPosition(QSlider::TicksBelow);
    tbHTMLLineStrength->setToolTip(
        QStringLiteral("Adjust colour-difference between lines in HTML tables"));
    connect(tbHTMLLineStrength, &QSlider::valueChanged, this,
            [this](int position) { FSession->Prefs().lineStrength = position * 3; });
    g->addWidget(tbHTMLLineStrength, 3, 2, 1, 3);
    QPushButton* schemes = NamedButton(box, "btnHTMLSchemes", QStringLiteral("  Colour Schemes"),
                                       QStringLiteral("Select a pre-set colour scheme"));
    FSchemeMenu = new QMenu(schemes);
    for (int n = 0; n < kHtmlSchemeNames.size(); ++n)
        FSchemeMenu->addAction(kHtmlSchemeNames[n], this, [this, n] {
            FSession->Prefs() = HtmlPrefs::Scheme(n);
            ShowPrefs();
        });
    connect(schemes, &QPushButton::clicked, this, [this, schemes] {
        FSchemeMenu->popup(schemes->mapToGlobal(QPoint(0, schemes->height())));
    });
    g->addWidget(schemes, 3, 6, 1, 2);
    return box;
}

void TfrmSKYDBDoc::ShowPrefs() {
    // Before they are read the panel shows the initial values, without
    // reading them early. The header text is shown on the table headers'
    // colour (on the page background it would often be invisible).
    HtmlPrefs p = FSession->PrefsRead() ? FSession->Prefs() : HtmlPrefs::Initial();
    const QList<quint32*> c = p.Colours();
    for (int k = 0; k < 10; ++k)
        FSwatches[k]->setStyleSheet(k < kSamples    ? Css(*c[k], *c[k])
                                    : k == kSamples ? Css(p.HdrBarStd, *c[k])
                                                    : Css(p.BGStd, *c[k]));
    const QSignalBlocker block(tbHTMLLineStrength);
    tbHTMLLineStrength->setValue(p.lineStrength / 3);
}

void TfrmSKYDBDoc::PickSwatch(int k) {
    HtmlPrefs& p = FSession->Prefs();
    const QList<quint32*> c = p.Colours();
    QColorDialog::setCustomColor(0, Qt::black);
    QColorDialog::setCustomColor(1, Qt::white);
    for (int i = 0; i < 10; ++i)
        QColorDialog::setCustomColor(2 + i, ToColor(*c[i]));
    QColor colour = ToColor(*c[k]);
    if (!pickColour(colour, QString::fromLatin1(kSwatches[k].hint))) return;
    *c[k] = colour.rgb() & 0xFFFFFF;
    ShowPrefs();
}

bool TfrmSKYDBDoc::eventFilter(QObject* o, QEvent* e) {
    const int k = FSwatches.indexOf(qobject_cast<QLabel*>(o));
    if (k >= 0) {
        if (e->type() == QEvent::MouseButtonRelease) {
            PickSwatch(k);
            return true;
        }
        // A header swatch shows the header text on its colour while pointed at.
        if (k >= kHeaders && k < kHeaderEnd &&
            (e->type() == QEvent::Enter || e->type() == QEvent::Leave)) {
            HtmlPrefs p = FSession->PrefsRead() ? FSession->Prefs() : HtmlPrefs::Initial();
            const QList<quint32*> c = p.Colours();
            FSwatches[kSamples]->setStyleSheet(
                Css(e->type() == QEvent::Enter ? *c[k] : p.HdrBarStd, p.HdrTextStd));
        }
    }
    return QWidget::eventFilter(o, e);
}

void TfrmSKYDBDoc::RestoreSettings() {
    if (FRestored) return;
    FRestored = true;
    RestorePlacement(kDocPlacementKey, this, false);
    if (!FSession->PrefsRead()) FSession->ReadPrefs();
    ShowPrefs();
}

void TfrmSKYDBDoc::ShowLines() {
    memDoc->setPlainText(FSession->Lines().join(u'\n'));
    setWindowTitle(FSession->Caption());
}

void TfrmSKYDBDoc::Run(void (DocSession::*command)()) {
    if (FSession->File().isEmpty()) return;
    (FSession.get()->*command)();
    ShowLines();
}

void TfrmSKYDBDoc::ShowDoc(const QString& dbFile) {
    if (!FSession->Show(dbFile, false)) return;
    ShowLines();
    show();
    raise();
    activateWindow();
}

void TfrmSKYDBDoc::ShowChk(const QString& dbFile) {
    if (!FSession->Show(dbFile, true)) return;
    ShowLines();
    show();
    raise();
    activateWindow();
}

void TfrmSKYDBDoc::closeEvent(QCloseEvent* e) {
    // Saved only once restored: a window closed at once must not write its
    // initial placement and colours over the stored ones.
    if (FRestored) SavePlacement(kDocPlacementKey, this);
    FSession->WritePrefs();
    e->accept(); // hidden: the window lives on
}

TfrmSKYDBDoc& frmSKYDBDoc() {
    static auto* window = new TfrmSKYDBDoc; // lives for the whole run
    return *window;
}

} // namespace sky::ui
