// The highlighting options window.
#include "completion/ui/HighlighterOptions.h"

#include "completion/ui/CompletionPopup.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/SqlEditorTheme.h"

#include <QVBoxLayout>
#include <Qsci/qscilexersql.h>

namespace sky::ui {

namespace {

constexpr int kBookmark = 5;

const char* const kSample =
    "CREATE TABLE SysGlobalValues ( \n"
    "  ID INTEGER PRIMARY KEY AUTOINCREMENT,\n"
    "  VarName TEXT NOT NULL COLLATE NOCASE,\n"
    "  VarValue NUMERIC DEFAULT 0,\n"
    "  Changed DATETIME DEFAULT CURRENT_TIMESTAMP\n"
    ");\n"
    "\n"
    "-- Values of the current session\n"
    "PRAGMA foreign_keys = 1;\n"
    "/* A block comment */\n"
    "INSERT INTO SysGlobalValues (VarName, VarValue) VALUES ('Version', 1.5), (\"Build\", 42);\n"
    "\n"
    "SELECT A.VarName, upper(A.VarValue) AS V, count(*)\n"
    "  FROM main.SysGlobalValues AS A\n"
    "  JOIN sub1.Settings AS B ON B.Name = A.VarName\n"
    "  LEFT JOIN sub2.History AS C ON C.Name = A.VarName\n"
    " WHERE A.VarValue > 0 AND B.Kind IN ('x', 'y')\n"
    " GROUP BY A.VarName\n"
    " ORDER BY 1;\n";

} // namespace

TfrmSKYSQLHilite::TfrmSKYSQLHilite(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSKYSQLHilite"));
    setWindowTitle(QStringLiteral("Skylark Syntax Highlighting Options"));
    resize(760, 520);
    auto* v = new QVBoxLayout(this);
    SynEdit1 = new QsciScintilla(this);
    SynEdit1->setObjectName(QStringLiteral("SynEdit1"));
    SetupSqlEditor(SynEdit1);
    SynEdit1->setText(QString::fromUtf8(kSample).replace(u'\n', QStringLiteral("\r\n")));
    SetEditorTableNames(SynEdit1,
                        {QStringLiteral("main"), QStringLiteral("sub1"), QStringLiteral("sub2")});
    // The SQL highlighting's default colours, on a light page so they read
    // in every theme.
    if (auto* lexer = qobject_cast<QsciLexerSQL*>(SynEdit1->lexer())) {
        const QColor page(Qt::white);
        for (int style = 0; style < 128; ++style)
            if (!lexer->description(style).isEmpty()) lexer->setPaper(page, style);
        lexer->setDefaultPaper(page);
        lexer->setDefaultColor(Qt::black);
        const QFont base = SqlEditorFont();
        const struct {
            int style;
            QColor fore, back;
            bool bold;
        } styles[] = {
            {QsciLexerSQL::Comment, QColor(0x80, 0x80, 0x00), page, false},
            {QsciLexerSQL::CommentLine, QColor(0x80, 0x80, 0x00), page, false},
            {QsciLexerSQL::CommentDoc, QColor(0x80, 0x80, 0x00), page, false},
            {QsciLexerSQL::Keyword, QColor(0x00, 0x00, 0x80), page, false},
            {QsciLexerSQL::Number, QColor(0x80, 0x00, 0x80), QColor(0xFF, 0xDF, 0xFF), true},
            {QsciLexerSQL::SingleQuotedString, QColor(0x00, 0x80, 0x00), QColor(0xE6, 0xFF, 0xE6),
             true},
            {QsciLexerSQL::DoubleQuotedString, QColor(0x00, 0x75, 0xEA), page, true},
            {QsciLexerSQL::QuotedIdentifier, QColor(0x00, 0x75, 0xEA), page, true},
            {QsciLexerSQL::Operator, QColor(0xBF, 0x3F, 0x00), page, true},
            {QsciLexerSQL::Identifier, QColor(0x00, 0x5A, 0xB4), page, false},
            {QsciLexerSQL::KeywordSet5, Qt::black, QColor(0xBB, 0xFF, 0xFF), false},
        };
        for (const auto& s : styles) {
            lexer->setColor(s.fore, s.style);
            lexer->setPaper(s.back, s.style);
            QFont f = base;
            f.setBold(s.bold);
            lexer->setFont(f, s.style);
        }
        SynEdit1->setPaper(page);
        SynEdit1->setColor(Qt::black);
        SynEdit1->SendScintilla(QsciScintillaBase::SCI_STYLESETBACK,
                                QsciScintillaBase::STYLE_DEFAULT, page);
        SynEdit1->setMarginsBackgroundColor(QColor(0xEE, 0xEE, 0xEE));
        SynEdit1->setMarginsForegroundColor(Qt::black);
        SynEdit1->setCaretForegroundColor(Qt::black);
        SynEdit1->recolor();
    }
    // The gutter: line numbers of line 1 and every fifth, "." between.
    SynEdit1->setMarginType(0, QsciScintilla::TextMarginRightJustified);
    SynEdit1->setMarginWidth(0, QStringLiteral("0000"));
    SynEdit1->setMarginSensitivity(0, true);
    SynEdit1->markerDefine(QsciScintilla::Circle, kBookmark);
    SynEdit1->setMarginMarkerMask(0, 1 << kBookmark);
    connect(SynEdit1, &QsciScintilla::marginClicked, this,
            [this](int, int line, Qt::KeyboardModifiers) { ClickGutter(line); });
    connect(SynEdit1, &QsciScintilla::linesChanged, this, [this] { NumberGutter(); });
    NumberGutter();
    new TCompletionPopup(SynEdit1, {}, 12);
    v->addWidget(SynEdit1, 1);
}

QString TfrmSKYSQLHilite::GutterText(int line) {
    const int n = line + 1;
    return n == 1 || n % 5 == 0 ? QString::number(n) : QStringLiteral(".");
}

void TfrmSKYSQLHilite::NumberGutter() {
    SynEdit1->clearMarginText();
    for (int line = 0; line < SynEdit1->lines(); ++line)
        SynEdit1->setMarginText(line, GutterText(line), QsciScintillaBase::STYLE_LINENUMBER);
}

void TfrmSKYSQLHilite::ClickGutter(int line) {
    SynEdit1->markerDeleteAll(kBookmark);
    SynEdit1->markerAdd(line, kBookmark);
}

int TfrmSKYSQLHilite::BookmarkLine() const {
    return SynEdit1->markerFindNext(0, 1 << kBookmark);
}

} // namespace sky::ui
