// The documentation of a database record: the text rules every renderer
// and the schema check share (word-end shortening, whole-word search, count
// phrases, grouped numbers, the printf-like padding), the plain-text
// documentation (mode 0), the SQL create script (mode 1), the column
// prototypes, and the line writer (UTF-8, CR LF).
#pragma once

#include "analysis/DbLayout.h"

#include <QByteArray>
#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <functional>

namespace sky {

inline const QString kUnsupportedMode = QStringLiteral("#ERROR: Unsupported Output-Mode requested");

// --- text rules
// Whether word (trimmed, ignoring case) stands in text with no ASCII letter
// just before or after it (digits, "_" and everything else may touch it).
bool HasWholeWord(const QString& text, const QString& word);
// one (count 1), many with "%d" replaced (above 1), zero (0).
QString CountPhrase(int count, const QString& one, const QString& many,
                    const QString& zero = QString());
// 4096 as "4 096"; 0 as zero.
QString GroupedNumber(qint64 value, const QString& zero);
// "%20s" (width > 0, right-aligned) and "%-14s" (width < 0, left-aligned);
// never cut.
QString Pad(const QString& text, int width);
// The primary key text of a table: the own fields of its last primary key
// constraint, else the name of its last key column; empty without a key.
QString PrimaryKeyText(const TTableLayout& t);
// The file name without folder and extension.
QString DocFileName(const QString& file);
// The "#ERROR: Database File not loaded (" + status + ")" line.
QString NotLoadedLine(const TDBLayout& l);
// The database properties as name and value (sizes with " b" when asked).
QList<QPair<QString, QString>> PropertyRows(const TDBLayout& l, bool withSchemaVersion,
                                            bool withUnits);
// The database properties block (with "Schema Version" for the check).
QStringList PropertiesBlock(const TDBLayout& l, bool withSchemaVersion);

// A constraint as the documentation lists it ("Primary Key on (a, b)"),
// with its name in quotes after the kind when asked and named.
QString ConstraintDescription(const TFKeyLayout& k, bool withName);
// "Before Insert " and the like; empty parts left out.
QString TriggerEventText(const TTriggerLayout& g);
// The objects that use a column: its constraints, indexes and triggers
// (html: the page's wording).
QStringList ColumnReferences(const TTableLayout& t, const TFieldLayout& c, bool html);
// A create text's lines (CR LF, CR or LF).
QStringList TextLines(const QString& text);

// --- renderers; now: the time of "-- Script Time:"
QStringList DocumentationLines(const TDBLayout& l, int mode,
                               const QDateTime& now = QDateTime::currentDateTime());
QStringList PrototypeLines(const TDBLayout& l);

// The lines as the files hold them: UTF-8, each ended by CR LF.
QByteArray DocBytes(const QStringList& lines);
// The same written to out in pieces of about 1 MiB; false when a write failed.
bool WriteDocLines(const QStringList& lines, QIODevice& out);
// The same saved to a file (replaced only once complete); false with the
// notice text ("Exception creating output file ...") when it fails.
bool SaveDocLines(const QStringList& lines, const QString& file, QString& message);

} // namespace sky
