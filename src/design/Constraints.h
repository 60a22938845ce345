// Table constraints: primary key, unique, check and foreign key share one
// record, TFKeyLayout, read from a CREATE TABLE text and written back as
// one entry of it. The conflict-resolution and foreign key action tables
// are shared with the column constraints of the table layout. A foreign key
// read and not edited since is written exactly as it was read (RawText,
// ReadText), so a round trip never changes what the engine sees.
#pragma once

#include <QList>
#include <QString>

namespace sky {

// The constraint kinds; the values are the ones the record has always stored.
enum class KeyKind : int { PrimaryKey = 0, Unique = 1, Check = 2, ForeignKey = 3 };
// A foreign key's DEFERRABLE part as written.
enum class DeferMode : int { NotStated = 0, NotDeferrable = 1, Deferrable = 2 };
// A foreign key's INITIALLY part as written.
enum class InitialMode : int { NotStated = 0, Immediate = 1, Deferred = 2 };

struct TFKeyLayout {
    bool bDeferred = false; // foreign key: INITIALLY DEFERRED
    bool bIsComposite = false;
    bool bIsTableConstraint = false;
    KeyKind iKeyKind = KeyKind::PrimaryKey;
    DeferMode iDeferrable = DeferMode::NotStated;
    InitialMode iInitially = InitialMode::NotStated;
    int iUpdAction = 0;      // index into the action table (FKActionWords)
    int iDelAction = 0;      // index into the action table
    int iConflictClause = 0; // index into the conflict table (ConflictWord)
    QString TableSelf;
    QString TableParent; // foreign key: the parent; keys: the collations, aligned with OwnFields
    QString OwnFields;
    QString FKFields; // foreign key: parent columns; keys: orders; check: the expression
    QString ConstrName;
    QString Comment;
    QString MatchName; // foreign key: MATCH name
    // The clause as read and the text the fields gave at that time: while
    // the fields still give that text, the clause is written as read.
    QString RawText;
    QString ReadText;
};
using TFKeyList = QList<TFKeyLayout>;

// Conflict resolution: 0 none, 1 ROLLBACK, 2 ABORT, 3 FAIL, 4 IGNORE, 5 REPLACE.
QString ConflictWord(int index);
QString ConflictClause(int index); // "ON CONFLICT <word>" or empty
int ReadConflictWord(const QString& text);
// Foreign key actions: 0 none, 1 NO ACTION, 2 RESTRICT, 3 SET NULL, 4 SET DEFAULT, 5 CASCADE.
QString FKActionWords(int index);

// " /* comment */" (empty for a blank comment); a "*/" inside is defused.
QString CommentClause(const QString& comment);

// Appends a record of the given kind, everything else cleared; its position.
int addFKey(TFKeyList& list, KeyKind kind);

QString KeyText(const TFKeyLayout& k);   // primary key and unique
QString CheckText(const TFKeyLayout& k); // the check dialog's preview
// Any kind, as the table script writes it (line breaks inside a foreign key).
QString ConstraintText(const TFKeyLayout& k, bool lineBreaks);
// A foreign key clause, with or without CONSTRAINT name FOREIGN KEY (...);
// false when it has no REFERENCES.
bool parseFKey(const QString& text, TFKeyLayout& k);

} // namespace sky
