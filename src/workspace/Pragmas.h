// The pragma page without a display: the built-in definition table (value
// pragmas with their option lists, action pragmas with their buttons), the
// reading of every value (reading never writes), the shown choice of a read
// value, the validation of a chosen or typed value, the statements (shown,
// one, all) and the update of the changed values in one batch, read again
// afterwards so a value that did not take is reported.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace sky {

class TSQLite3Database;

inline const QString kPragmaHeading =
    QStringLiteral("      Specific Database operational settings for this file (Pragmas)");
inline const QString kPragmaDocBase = QStringLiteral("https://www.sqlite.org/pragma.html");

struct PragmaDef {
    const char* name;
    int kind; // 0 action, 1 value with free entry, 4 value from the list
    const char* templ;
    const char* units;
    QStringList options;
    QString Title() const; // journal_mode -> Journal Mode
    QString Link() const;  // the documentation page + "#pragma_" + name
};
// The table in its order (52 lines: 35 value rows, 17 action pragmas).
const QList<PragmaDef>& PragmaTable();
const PragmaDef* FindPragma(const QString& name);

// The value part of an option ("1000 - 1sec" -> "1000"), trimmed.
QString OptionValue(const QString& option);

struct TPragmaSettingItem {
    int iIdx = 0, iFlags = 0, iKind = 0, iDefOpt = 0, iOptCount = 0;
    qint64 iMin = 0, iMax = 0;
    QString sName, sParamTempl, sUnits, sLink, sTitle;
    QString sVal;        // the value last read, as shown
    QString read;        // the value read (kind 1 reduced to its number)
    QStringList options; // the list, values read and not listed added
    QString shown;       // the list's text now (chosen or typed)
    const PragmaDef* def = nullptr;
    bool Changed() const { return shown.compare(sVal, Qt::CaseInsensitive) != 0; }
};
using TPragmaSetList = QList<TPragmaSettingItem>;

class PragmaController {
public:
    PragmaController();
    TPragmaSetList prg;

    // Reads every value row; the page and cache size read (0 when unread).
    void ReadAll(TSQLite3Database& db);
    int pageSize = 0, cacheSize = 0;
    TPragmaSettingItem* Find(const QString& name);

    // The value of a list text (an option's text, its value part or a typed
    // value) checked against its row: false with why when it is not one.
    static bool Validate(const TPragmaSettingItem& row, const QString& text, QString& value,
                         QString& why);
    // "PRAGMA name = value;" (with the comment tail when asked); empty with
    // why when the value is not valid.
    static QString Statement(const TPragmaSettingItem& row, const QString& text, bool withTail,
                             QString* why = nullptr);
    // Update all: every changed row in one batch (at most one VACUUM, after
    // leaving WAL and before entering it); the status text; false on failure
    // or when a value did not take. The values are read again afterwards.
    bool UpdateAll(TSQLite3Database& db, QString& status);
    // Update one row with its shown text.
    bool UpdateOne(TSQLite3Database& db, const QString& name, QString& status);

    // An action button's caption and statement; names replacing TABLE,
    // INDEX and TRIGGER quoted where needed. selStart/selLength: the name
    // replaced in the statement.
    static QString ActionCaption(const PragmaDef& d, const QString& option);
    static QString ActionStatement(const PragmaDef& d, const QString& option, const QString& table,
                                   const QString& index, const QString& trigger,
                                   int* selStart = nullptr, int* selLength = nullptr);
};

} // namespace sky
