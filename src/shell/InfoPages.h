// The overview's information page (a database file's header decoded, as
// caption/value lines) and the documentation page's statement table and
// search address.
#pragma once

#include "engine/FileHeader.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace sky {

inline const QString kSqliteDocsBase = QStringLiteral("https://www.sqlite.org/");

// 1048576 as "1 048 576".
QString GroupedNumber(qint64 n);
// The page's lines (caption, value), in order; hidden lines are left out.
QList<QPair<QString, QString>> DatabaseInfoLines(const QString& file, const TSQLite3FileHeader& h);
// The statement names (sorted) and the page of one.
QStringList DocStatements();
// The documentation page's link buttons: component name, caption, address.
struct DocLink {
    QString name, caption, address;
};
QList<DocLink> DocLinks();
QString DocPage(const QString& statement);
// The search text as stored ("LastDocSearch"): trimmed, single spaces; the
// overview keeps only ASCII letters, digits and spaces, the workspace all.
QString DocSearchText(const QString& text, bool lettersOnly = true);
// The search address, the text percent-encoded.
QString DocSearchUrl(const QString& text, bool lettersOnly = true);

} // namespace sky
