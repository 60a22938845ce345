// Code export: an SQL text as a string-literal assignment of a programming
// language. Each language is an item of twelve fields kept as one line of
// the settings text (characters below "0" escaped as %XY); the text is
// split into lines, quotes and the item's other special characters escaped
// in one pass, line breaks turned into the language's expression, long
// lines wrapped at spaces, and the pieces joined, indented and terminated.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace sky {

struct TCECodifyItem {
    QString ciName;
    QString acs = QStringLiteral("=");
    QString qc = QStringLiteral("\"");
    QString eqc = QStringLiteral("\"");
    QString ccs = QStringLiteral("+");
    QString aes; // field 5: further characters escaped with eqc
    QString lecs;
    QString lbcs = QStringLiteral("\\r\\n");
    QString ltcs = QStringLiteral(";");
    QString ics = QStringLiteral("     ");
    QString mll = QStringLiteral("128");
    QString flg;
};
using TCECodifyList = QList<TCECodifyItem>;

// The escape of a settings field and its reverse.
QString CodifyEscape(const QString& field);
QString CodifyUnescape(const QString& field);
// One settings line (twelve fields, each followed by ",") and its reading
// (missing fields keep the default item's values).
QString CodifyLine(const TCECodifyItem& item);
TCECodifyItem CodifyParseLine(const QString& line);

// A random letter A-Z for the markers (tests pass their own).
using CodifyRandom = std::function<QChar()>;
// The SQL as code with this item; empty for an empty text.
QString Codify(const QString& sql, const TCECodifyItem& item, const CodifyRandom& random = {});

// --- the program's settings text and its items
QString CodifyDefaults();
// An empty text takes the built-in one; false on failure.
bool CodifySetup(const QString& text);
QString CodifySettingsText();
const TCECodifyList& CodifyItems();
// The item names, in order; their index is their position.
int CodifyNames(QStringList& names);
QString Codify(const QString& sql, int index);
// The stored list "CodifySettings" (at most one line: the built-in text)
// made the program's settings.
void CodifyLoadStored();
bool CodifySaveStored();

// --- the settings window without a display
inline const QString kCodifySample = QStringLiteral(
    "This is quite a long line: The \"crazy\" brown fox jumps over the lazy dog in an attempt to "
    "chase down the brown cow who jumped over the moon, but succeeds only to break a leg and vies "
    "never to chase again.\r\nThis text is between two linebreaks.\r\nThese words are 'single' and "
    "\"double\" quoted.\r\nThis is the example's final line.");

class CodeExController {
public:
    CodeExController();
    QStringList lines; // the working lines
    int selected = -1;
    QString sample = kCodifySample;
    // The controls: the item being edited.
    TCECodifyItem edit;
    int indentCount = 4;
    bool indentTab = false;
    int maxLen = 96;
    bool outside = false;

    QStringList Names() const;
    void Select(int index); // the previous item taken from the controls first
    void TakeControls();    // the controls into the selected item's line
    TCECodifyItem FromControls() const;
    QString Output() const; // the sample as code with the controls' item
    QString EscapedQuote() const;
    bool Rename(const QString& name);
    bool Add(const QString& name);
    void Move(int direction); // -1 up, 1 down
    void Remove();
    QString Accept(); // the settings text

private:
    void Fill(const TCECodifyItem& item);
};

} // namespace sky
