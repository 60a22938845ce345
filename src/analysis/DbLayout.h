// A whole database file gathered into one record for its documentation and
// its schema check: the file header, the pragma settings, every table's
// layout (columns, constraints, indexes, triggers) and every view with its
// result columns. The loader opens its own read-only connection and reads
// the catalogue once: tables, indexes, triggers and views all come from the
// same rows, so a schema of thousands of tables loads in linear time.
#pragma once

#include "design/TableLayout.h"
#include "design/Views.h"
#include "engine/FileHeader.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace sky {

struct TDBLayout {
    QString sFile;
    QStringList sProps; // name=value, in the order the pragmas are read
    TSQLite3FileHeader dHdr;
    QList<TTableLayout> aTbl;
    QList<TViewLayout> aVws;
    // Tables an SQL script must not create itself: the engine's own
    // (sqlite_%) and the shadow tables of virtual tables.
    QSet<QString> notScripted;
    // Objects whose layout could not be read: name and stored statements
    // (a table's with its indexes and triggers, each ended by ";"), in
    // catalogue order.
    QList<QPair<QString, QString>> unreadable;
    // The triggers of views (view name, stored statement), in catalogue order.
    QList<QPair<QString, QString>> viewTriggers;
    // The engine's collations, upper-cased and joined by ",".
    QString collations;

    QString Prop(const QString& name) const;
};

void ClearDbLayout(TDBLayout& l);
// Loads the file; false when its header is not ready or it cannot be opened
// (the header is still known then).
bool LoadDbLayout(const QString& file, TDBLayout& l);

// The pragmas read, in order.
extern const QStringList kDocPragmas;

} // namespace sky
