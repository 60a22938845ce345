// View statements: a view read from its stored text (or from the database)
// into a record, written back as CREATE VIEW, and checked against the
// database. The checks run inside a transaction that is always rolled back,
// so testing a view never leaves anything behind.
#pragma once

#include <QString>
#include <QStringList>

namespace sky {

class TSQLite3Database;

struct TViewLayout {
    bool isTemp = false;
    bool IfNotExists = false;
    QString vName;
    QString vSchema;
    QString vColumns; // the view's own column list, as written (without brackets)
    QString vSelect;  // the SELECT text, line breaks outside literals as CR LF
    QString Comment;  // comment, or the error text of a failed read
    QString vError;
    QStringList vCols;
    QStringList vTypes;
    QStringList vRefs;
};

// The statement; empty without a name or a select text.
QString sqlFrom(const TViewLayout& v);
// From a stored text; false (the reason in Comment) when it is not a view.
bool readView(const QString& text, TViewLayout& v);
// From the schema's master table.
bool readView(TSQLite3Database& db, const QString& viewName, TViewLayout& v, const QString& schema);
// The view's result columns and their types; false (the reason in vError) without any.
bool readViewFields(TSQLite3Database& db, TViewLayout& v);
// Creates the view in a transaction that is rolled back; the outcome in message.
bool testViewSQL(TSQLite3Database& db, const TViewLayout& v, QString& message);
// The view's SELECT with a LIMIT added; lines receives its CSV result.
bool testViewSelect(TSQLite3Database& db, const TViewLayout& v, bool showResults, QString& message,
                    QStringList* lines = nullptr);
// The SELECT text with " LIMIT n" placed as the view test runs it.
QString LimitedSelect(const QString& select, int limit);

} // namespace sky
