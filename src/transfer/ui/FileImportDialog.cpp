#include "transfer/ui/FileImportDialog.h"

#include "engine/Database.h"
#include "shell/ui/KProgress.h"
#include "shell/ui/QtFileChooser.h"
#include "shell/ui/QtPrompter.h"
#include "transfer/CsvImportController.h"
#include "transfer/FileImportController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <type_traits>

namespace sky::ui {
namespace {
constexpr int kHeadRows = 3;
// The progress dialog's colours: background #504422, bar #988845.
constexpr int kProgressBack = 0x504422, kProgressBar = 0x988845;
} // namespace

TfrmSKYFileImp::TfrmSKYFileImp(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSKYFileImp"));
    setWindowTitle(kFileImportCaption);
    Build();
}

TfrmSKYFileImp::~TfrmSKYFileImp() = default;

void TfrmSKYFileImp::Build() {
    auto* v = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    edtTableName = new QLineEdit(this);
    edtTableName->setObjectName(QStringLiteral("edtTableName"));
    edtTableName->setToolTip(kTableNameHint);
    lblTableNameError = new QLabel(this);
    lblTableNameError->setObjectName(QStringLiteral("lblTableNameError"));
    lblTableNameError->installEventFilter(this);
    top->addWidget(new QLabel(QStringLiteral("New Table Name:"), this), 0, 0);
    top->addWidget(edtTableName, 0, 1);
    top->addWidget(lblTableNameError, 0, 2, 1, 2);
    cbEncoding = new QComboBox(this);
    cbEncoding->setObjectName(QStringLiteral("cbEncoding"));
    cbEncoding->addItems(kImportEncodings);
    top->addWidget(new QLabel(QStringLiteral("Encoding:"), this), 1, 0);
    top->addWidget(cbEncoding, 1, 1);
    auto box = [this](const char* name, const QStringList& items, const QString& hint) {
        auto* c = new QComboBox(this);
        c->setObjectName(QLatin1String(name));
        c->setEditable(true);
        c->addItems(items);
        c->setToolTip(hint);
        c->setCurrentIndex(-1);
        c->lineEdit()->installEventFilter(this);
        return c;
    };
    cbCfgColSep = box("cbCfgColSep", kSeparatorCodes,
                      QStringLiteral("Three-digit character code - One character only."));
    cbCfgEOLSep = box("cbCfgEOLSep", kLineEndCodes,
                      QStringLiteral("Three-digit character codes - Separate multiple codes with "
                                     "commas."));
    cbCfgQuoteChar = box("cbCfgQuoteChar", kQuoteCodes,
                         QStringLiteral("Three-digit character code - One character only."));
    top->addWidget(new QLabel(QStringLiteral("Column / Value Separator:"), this), 2, 0);
    top->addWidget(cbCfgColSep, 2, 1);
    top->addWidget(new QLabel(QStringLiteral("End-of-Line / Row Separator:"), this), 3, 0);
    top->addWidget(cbCfgEOLSep, 3, 1);
    top->addWidget(new QLabel(QStringLiteral("Quote Character:"), this), 4, 0);
    top->addWidget(cbCfgQuoteChar, 4, 1);
    cbCfgDoubleSep = new QCheckBox(QStringLiteral("Use Doubled Separator"), this);
    cbCfgUseQuotes = new QCheckBox(QStringLiteral("Preserve Quoted Text"), this);
    cbCfgUseDataHeader = new QCheckBox(QStringLiteral("Data contains a Header Row"), this);
    cbCfgKeepWhitespace = new QCheckBox(
        QStringLiteral("Preserve White-space (Line-breaks, Spaces, Tabs etc.) in values"), this);
    int row = 1;
    for (QCheckBox* c : {cbCfgDoubleSep, cbCfgUseQuotes, cbCfgUseDataHeader, cbCfgKeepWhitespace})
        top->addWidget(c, row++, 2, 1, 2);
    edtMaxImportRows = new QLineEdit(QStringLiteral("All"), this);
    edtMaxImportRows->setObjectName(QStringLiteral("edtMaxImportRows"));
    edtMaxImportRows->setToolTip(
        QStringLiteral("Sets the Maximum number of rows to Import. (Zero Imports  All)"));
    top->addWidget(new QLabel(QStringLiteral("Number of Rows to Import:"), this), 5, 0);
    top->addWidget(edtMaxImportRows, 5, 1);
    auto* dest = new QHBoxLayout;
    dest->addWidget(new QLabel(QStringLiteral(" Import into: "), this));
    rbDatabase = new QRadioButton(QStringLiteral("Current Databse"), this);
    rbCsvFile = new QRadioButton(QStringLiteral("New CSV File"), this);
    rbDatabase->setChecked(true);
    dest->addWidget(rbDatabase);
    dest->addWidget(rbCsvFile);
    top->addLayout(dest, 5, 2, 1, 2);
    v->addLayout(top);
    auto* buttons = new QHBoxLayout;
    btnFind = new QPushButton(QStringLiteral("Find CSV data file..."), this);
    btnEstimate = new QPushButton(QStringLiteral("Estimate the Format"), this);
    btnResetNames = new QPushButton(QStringLiteral("Reset column names"), this);
    btnReanalyse = new QPushButton(QStringLiteral("Re-Analyze data and column constraints"), this);
    for (QPushButton* b : {btnFind, btnEstimate, btnResetNames, btnReanalyse})
        buttons->addWidget(b);
    v->addLayout(buttons);
    auto* column = new QHBoxLayout;
    edtColName = new QLineEdit(this);
    edtColName->setObjectName(QStringLiteral("edtColName"));
    cbColType = new QComboBox(this);
    cbColType->setObjectName(QStringLiteral("cbColType"));
    cbColType->addItems(kImportTypes);
    column->addWidget(new QLabel(QStringLiteral("Column Name:"), this));
    column->addWidget(edtColName, 1);
    column->addWidget(new QLabel(QStringLiteral("Column Type:"), this));
    column->addWidget(cbColType);
    v->addLayout(column);
    sgData = new QTableWidget(this);
    sgData->setObjectName(QStringLiteral("sgData"));
    sgData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgData->horizontalHeader()->hide();
    v->addWidget(sgData, 1);
    lblError = new QLabel(this);
    lblError->setObjectName(QStringLiteral("lblError"));
    lblHelp = new QLabel(QStringLiteral(" ? "), this);
    lblHelp->setObjectName(QStringLiteral("imgHelp"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblError, 1);
    bottom->addWidget(lblHelp);
    btnAccept = new QPushButton(QStringLiteral("  Accept and Import"), this);
    btnAccept->setObjectName(QStringLiteral("btnAccept"));
    btnCancel = new QPushButton(QStringLiteral("  Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    bottom->addWidget(btnAccept);
    bottom->addWidget(btnCancel);
    v->addLayout(bottom);
    resize(900, 640);

    auto edit = [this](auto&& f) {
        return [this, f](auto&&... args) {
            if (FRendering || !FCtl) return;
            // Signals such as clicked(bool) may bring arguments the command does not take.
            if constexpr (std::is_invocable_v<decltype(f), decltype(args)...>)
                f(args...);
            else
                f();
            Render();
        };
    };
    connect(edtTableName, &QLineEdit::textEdited, this,
            edit([this](const QString& t) { FCtl->SetTableName(t); }));
    connect(cbEncoding, &QComboBox::currentIndexChanged, this,
            edit([this](int i) { FCtl->SetEncoding(i, Prompts()); }));
    const struct {
        QComboBox* box;
        CodeBox code;
    } boxes[] = {{cbCfgColSep, CodeBox::Separator},
                 {cbCfgEOLSep, CodeBox::LineEnd},
                 {cbCfgQuoteChar, CodeBox::Quote}};
    for (const auto& b : boxes)
        connect(b.box, &QComboBox::textActivated, this,
                edit([this, code = b.code](const QString& t) { FCtl->SetBoxText(code, t); }));
    connect(cbCfgDoubleSep, &QCheckBox::clicked, this,
            edit([this](bool on) { FCtl->SetDoubled(on); }));
    connect(cbCfgUseQuotes, &QCheckBox::clicked, this,
            edit([this](bool on) { FCtl->SetPreserveQuotes(on); }));
    connect(cbCfgUseDataHeader, &QCheckBox::clicked, this,
            edit([this](bool on) { FCtl->SetHeader(on); }));
    connect(cbCfgKeepWhitespace, &QCheckBox::clicked, this,
            edit([this](bool on) { FCtl->SetKeepWhitespace(on); }));
    connect(edtMaxImportRows, &QLineEdit::editingFinished, this,
            edit([this] { FCtl->SetMaxRows(edtMaxImportRows->text()); }));
    connect(rbCsvFile, &QRadioButton::toggled, this,
            edit([this](bool on) { FCtl->SetDestination(on ? 1 : 0); }));
    connect(btnEstimate, &QPushButton::clicked, this, edit([this] { FCtl->Estimate(); }));
    connect(btnResetNames, &QPushButton::clicked, this, edit([this] { FCtl->ResetColumnNames(); }));
    connect(btnReanalyse, &QPushButton::clicked, this, edit([this] { FCtl->Reanalyse(); }));
    connect(btnFind, &QPushButton::clicked, this, edit([this] {
                QtFileChooser files;
                const QString f = files.OpenFile(
                    QStringLiteral("Find CSV data file..."),
                    QStringLiteral("Text/CSV files|*.txt; *.csv;|All files|*.*"), FCtl->FileName());
                if (!f.isEmpty()) FCtl->Load(f);
            }));
    connect(edtColName, &QLineEdit::textEdited, this,
            edit([this](const QString& t) { FCtl->SetColumnName(FCol, t); }));
    connect(cbColType, &QComboBox::textActivated, this,
            edit([this](const QString& t) { FCtl->SetColumnType(FCol, t); }));
    connect(sgData, &QTableWidget::currentCellChanged, this,
            [this](int, int col) { ChooseColumn(col); });
    connect(btnAccept, &QPushButton::clicked, this, [this] {
        if (Accept()) accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmSKYFileImp::ChooseColumn(int col) {
    FCol = col;
    Render();
}

void TfrmSKYFileImp::Render() {
    if (!FCtl) return;
    FRendering = true;
    const FileImportController& c = *FCtl;
    setWindowTitle(c.Caption());
    if (edtTableName->text() != c.TableName()) edtTableName->setText(c.TableName());
    lblTableNameError->setText(c.NameError());
    cbEncoding->setCurrentIndex(c.Encoding());
    cbCfgColSep->setCurrentText(c.BoxText(CodeBox::Separator));
    cbCfgEOLSep->setCurrentText(c.BoxText(CodeBox::LineEnd));
    cbCfgQuoteChar->setCurrentText(c.BoxText(CodeBox::Quote));
    const FileImportSettings& s = c.Settings();
    cbCfgDoubleSep->setChecked(s.doubled);
    cbCfgUseQuotes->setChecked(s.preserveQuotes);
    cbCfgUseDataHeader->setChecked(s.header);
    cbCfgKeepWhitespace->setChecked(s.keepWhitespace);
    edtMaxImportRows->setText(c.MaxRowsText());
    // The sheet: the reader's headers, the names, the types, then the rows.
    const ImportPreview& p = c.Preview();
    const QList<ImportColumn>& cols = c.Columns();
    const int columns = std::max<int>(2, int(cols.size()));
    sgData->setColumnCount(columns);
    sgData->setRowCount(kHeadRows + std::max<int>(1, int(p.rows.size())));
    sgData->clearContents();
    for (int k = 0; k < cols.size(); ++k) {
        sgData->setItem(0, k, new QTableWidgetItem(p.headers.value(k)));
        sgData->setItem(1, k, new QTableWidgetItem(cols[k].name));
        sgData->setItem(2, k, new QTableWidgetItem(cols[k].type));
        for (int h = 0; h < kHeadRows; ++h) {
            QFont f = sgData->item(h, k)->font();
            f.setBold(h > 0);
            f.setItalic(h == 0);
            sgData->item(h, k)->setFont(f);
        }
    }
    for (int r = 0; r < p.rows.size(); ++r)
        for (int k = 0; k < p.rows[r].size(); ++k)
            sgData->setItem(kHeadRows + r, k, new QTableWidgetItem(p.rows[r][k]));
    sgData->resizeColumnsToContents();
    for (int k = 0; k < columns; ++k)
        if (sgData->columnWidth(k) > 360) sgData->setColumnWidth(k, 360);
    if (FCol >= 0 && FCol < cols.size()) {
        edtColName->setText(cols[FCol].name);
        cbColType->setCurrentText(cols[FCol].type);
    }
    lblError->setText(c.Error());
    btnAccept->setEnabled(c.AcceptEnabled());
    // The help texts, each with its title, where the pointer rests.
    auto help = [&c](FileImportHelp h) {
        return QStringLiteral("- ") + c.HelpTitle(h) + QStringLiteral(" -\n") +
               QString(c.HelpText(h)).replace(u'\r', u'\n');
    };
    lblHelp->setToolTip(help(FileImportHelp::CreateTable));
    btnAccept->setToolTip(help(FileImportHelp::CreateTable));
    cbColType->setToolTip(help(FileImportHelp::ColumnSettings));
    sgData->setToolTip(help(FileImportHelp::Legend));
    cbEncoding->setToolTip(help(FileImportHelp::TableData));
    lblError->setToolTip(c.AcceptEnabled() ? QString() : help(FileImportHelp::ImportError));
    lblTableNameError->setToolTip(c.NameError().isEmpty() ? QString()
                                                          : kNameFixHint + QStringLiteral("\n\n") +
                                                                help(FileImportHelp::TableError));
    FRendering = false;
}

bool TfrmSKYFileImp::Accept() {
    QString destination;
    if (FCtl->Destination() == 1) {
        QtFileChooser files;
        destination = files.SaveFile(QStringLiteral("Import data to..."),
                                     QStringLiteral("CSV Files|*.csv|All Files|*.*"),
                                     FCtl->DestinationProposal(), QStringLiteral("csv"));
        if (destination.isEmpty()) return false;
    }
    TKProgress* progress = ProgressStart(QStringLiteral("Converting File Data..."), false, true,
                                         kProgressBack, kProgressBar, true, true, this);
    const FileImportResult r = FCtl->Accept(destination, *progress, Prompts());
    progress->EndProgress();
    if (!r.ok && !r.error.isEmpty()) Prompts().ShowWarning(r.error, QStringLiteral("File-Import"));
    return r.ok;
}

bool TfrmSKYFileImp::ImportFromFile(TSQLite3Database* db, const QString& file, QString& message,
                                    QString& tableName) {
    message.clear();
    QStringList tables;
    if (!db || !db->IsOpen() || db->EnumTableNames(tables) < 0) {
        message = kNoConnection;
        return false;
    }
    FCtl = std::make_unique<FileImportController>(*db, tables, tableName);
    FCol = -1;
    Render();
    btnAccept->setEnabled(false);
    // The file is loaded once the window shows.
    QTimer::singleShot(200, this, [this, file] {
        FCtl->Load(file);
        Render();
        if (sgData->rowCount() > kHeadRows) sgData->setCurrentCell(kHeadRows, 0);
    });
    const bool ok = exec() == QDialog::Accepted;
    if (ok) {
        tableName = FCtl->TableName();
    } else {
        message = kUserAborted;
    }
    FCtl.reset();
    return ok;
}

// Keys in the code boxes become their codes; a click on the name error fixes it.
bool TfrmSKYFileImp::eventFilter(QObject* o, QEvent* e) {
    if (o == lblTableNameError && e->type() == QEvent::MouseButtonRelease && FCtl &&
        !FCtl->NameError().isEmpty()) {
        FCtl->FixTableName();
        Render();
        return true;
    }
    if (e->type() == QEvent::KeyPress && FCtl) {
        const struct {
            QComboBox* box;
            CodeBox code;
        } boxes[] = {{cbCfgColSep, CodeBox::Separator},
                     {cbCfgEOLSep, CodeBox::LineEnd},
                     {cbCfgQuoteChar, CodeBox::Quote}};
        for (const auto& b : boxes) {
            if (o != b.box->lineEdit()) continue;
            auto* k = static_cast<QKeyEvent*>(e);
            const QString t = k->text();
            if (t.size() != 1 || k->key() == Qt::Key_Backspace || k->key() == Qt::Key_Delete)
                return false;
            const QString current = t[0].isDigit() ? b.box->currentText() : QString();
            FCtl->TypeKey(b.code, current, t[0]);
            Render();
            return true;
        }
    }
    return QDialog::eventFilter(o, e);
}

} // namespace sky::ui
