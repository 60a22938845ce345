// The texts of table constraints and the foreign key clause reader.
#include "design/Constraints.h"

#include "design/DefTokens.h"
#include "engine/CsvFields.h"
#include "engine/Identifiers.h"
#include "support/Csv.h"
#include "support/TextUtil.h"

namespace sky {
namespace {

const char* const kConflicts[] = {"", "ROLLBACK", "ABORT", "FAIL", "IGNORE", "REPLACE"};

QStringList Fields(const QString& list) {
    QStringList f;
    if (!TrimText(list).isEmpty()) SplitCSVFields(list, f, QLatin1Char(','));
    return f;
}

QString NamePart(const QString& name) {
    const QString n = TrimText(name);
    return n.isEmpty() ? QString()
                       : QStringLiteral("CONSTRAINT ") + QuoteIdent(n) + QLatin1Char(' ');
}

QString ConflictPart(int c) {
    return c >= 1 && c <= 5 ? QLatin1Char(' ') + ConflictClause(c) : QString();
}

// The parent table: always quoted, a dotted name as quoted parts.
QString ParentName(const QString& p) {
    return QuoteIdent(TrimText(p), true, true);
}

} // namespace

QString ConflictWord(int index) {
    return index >= 1 && index <= 5 ? QLatin1String(kConflicts[index]) : QString();
}

QString ConflictClause(int index) {
    return index >= 1 && index <= 5 ? QStringLiteral("ON CONFLICT ") + ConflictWord(index)
                                    : QString();
}

int ReadConflictWord(const QString& text) {
    QString t = text.simplified().toUpper();
    const qsizetype at = t.indexOf(QLatin1String("ON CONFLICT"));
    if (at >= 0) t = t.mid(at + 11).trimmed();
    for (int i = 1; i <= 5; ++i)
        if (t == QLatin1String(kConflicts[i])) return i;
    return 0;
}

QString FKActionWords(int index) {
    static const char* const w[] = {"",         "NO ACTION",   "RESTRICT",
                                    "SET NULL", "SET DEFAULT", "CASCADE"};
    return index >= 1 && index <= 5 ? QLatin1String(w[index]) : QString();
}

int addFKey(TFKeyList& list, KeyKind kind) {
    TFKeyLayout k;
    k.iKeyKind = kind;
    list.append(k);
    return int(list.size() - 1);
}

QString CommentClause(const QString& comment) {
    QString t = TrimText(comment);
    if (t.isEmpty()) return QString();
    t.replace(QStringLiteral("*/"), QStringLiteral("* /")); // cannot end the comment early
    return QStringLiteral(" /* ") + t + QStringLiteral(" */");
}

QString KeyText(const TFKeyLayout& k) {
    // A key read from its text keeps its entries verbatim when they hold more
    // than plain names (quotes, expressions, comments).
    bool verbatim = false;
    for (QChar c : k.OwnFields)
        verbatim |= c == u'(' || c == u'"' || c == u'\'' || c == u'[' || c == u'`' || c == u'-' ||
                    c == u'/';
    const QStringList cols = verbatim ? QStringList{k.OwnFields} : Fields(k.OwnFields);
    const QStringList colls = Fields(k.TableParent), orders = Fields(k.FKFields);
    QStringList entries;
    for (qsizetype i = 0; i < cols.size(); ++i) {
        QString e = verbatim ? cols[i] : TrimText(cols[i]);
        if (i < colls.size() && !TrimText(colls[i]).isEmpty())
            e += QStringLiteral(" COLLATE ") + TrimText(colls[i]);
        if (i < orders.size() && !TrimText(orders[i]).isEmpty())
            e += QLatin1Char(' ') + TrimText(orders[i]);
        entries << e;
    }
    return NamePart(k.ConstrName) +
           (k.iKeyKind == KeyKind::PrimaryKey ? QStringLiteral("PRIMARY KEY")
                                              : QStringLiteral("UNIQUE")) +
           QStringLiteral(" (") + entries.join(QStringLiteral(", ")) + QLatin1Char(')') +
           ConflictPart(k.iConflictClause) + CommentClause(k.Comment);
}

QString CheckText(const TFKeyLayout& k) {
    return NamePart(k.ConstrName) + QStringLiteral("CHECK (") + k.FKFields + QLatin1Char(')') +
           ConflictPart(k.iConflictClause) + CommentClause(k.Comment);
}

QString ConstraintText(const TFKeyLayout& k, bool lineBreaks) {
    const QString sep = lineBreaks ? QStringLiteral("\r\n  ") : QStringLiteral(" ");
    switch (k.iKeyKind) {
    case KeyKind::PrimaryKey:
    case KeyKind::Unique:
        return KeyText(k);
    case KeyKind::Check:
        return (k.bIsTableConstraint ? NamePart(k.ConstrName) : QString()) +
               QStringLiteral("CHECK (") + k.FKFields + QLatin1Char(')');
    case KeyKind::ForeignKey:
        break;
    default:
        return QString();
    }
    QStringList child, parent;
    for (const QString& c : Fields(k.OwnFields))
        child << QuoteIdent(TrimText(c));
    for (const QString& c : Fields(k.FKFields))
        parent << QuoteIdent(TrimText(c));
    QString r = k.bIsTableConstraint ? NamePart(k.ConstrName) : QString();
    if (child.size() > 1 || k.bIsTableConstraint)
        r += QStringLiteral("FOREIGN KEY (") + child.join(QStringLiteral(", ")) + QLatin1Char(')') +
             sep;
    // A clause read and not changed since is written as it was read.
    QString clause;
    clause = QStringLiteral("REFERENCES ") + ParentName(k.TableParent);
    // No parent columns: the parent's primary key.
    if (!parent.isEmpty())
        clause += QLatin1Char('(') + parent.join(QStringLiteral(", ")) + QLatin1Char(')');
    QStringList actions;
    if (k.iDelAction > 0) actions << QStringLiteral("ON DELETE ") + FKActionWords(k.iDelAction);
    if (k.iUpdAction > 0) actions << QStringLiteral("ON UPDATE ") + FKActionWords(k.iUpdAction);
    if (!actions.isEmpty()) clause += sep + actions.join(QLatin1Char(' '));
    if (!k.MatchName.isEmpty()) clause += sep + QStringLiteral("MATCH ") + k.MatchName;
    if (k.iDeferrable == DeferMode::Deferrable || k.bDeferred) {
        clause += sep + QStringLiteral("DEFERRABLE");
        if (k.iInitially == InitialMode::Deferred || k.bDeferred)
            clause += QStringLiteral(" INITIALLY DEFERRED");
        else if (k.iInitially == InitialMode::Immediate)
            clause += QStringLiteral(" INITIALLY IMMEDIATE");
    } else if (k.iDeferrable == DeferMode::NotDeferrable) {
        clause += sep + QStringLiteral("NOT DEFERRABLE");
        if (k.iInitially == InitialMode::Deferred)
            clause += QStringLiteral(" INITIALLY DEFERRED");
        else if (k.iInitially == InitialMode::Immediate)
            clause += QStringLiteral(" INITIALLY IMMEDIATE");
    }
    clause +=
        CommentClause(k.Comment).isEmpty() ? QString() : sep + CommentClause(k.Comment).mid(1);
    if (!k.RawText.isEmpty() && !k.ReadText.isEmpty()) {
        TFKeyLayout plain = k;
        plain.RawText.clear();
        if (ConstraintText(plain, false) == k.ReadText)
            clause = QStringLiteral("REFERENCES ") + k.RawText;
    }
    return r + clause;
}

bool parseFKey(const QString& text, TFKeyLayout& k) {
    k = TFKeyLayout();
    k.iKeyKind = KeyKind::ForeignKey;
    const QList<DefToken> all = DefTokenize(text);
    QList<DefToken> t;
    for (const DefToken& d : all) {
        if (d.kind == DefKind::Comment)
            k.Comment = d.Text();
        else
            t << d;
    }
    qsizetype i = 0;
    if (i < t.size() && t[i].Is("CONSTRAINT") && i + 1 < t.size()) {
        k.ConstrName = t[i + 1].Text();
        i += 2;
    }
    if (i + 2 < t.size() && t[i].Is("FOREIGN") && t[i + 1].Is("KEY") &&
        t[i + 2].kind == DefKind::Group) {
        k.bIsTableConstraint = true;
        QStringList own;
        for (const DefToken& c : DefTokenize(t[i + 2].value))
            if (c.kind != DefKind::Comma && c.kind != DefKind::Comment) own << c.Text();
        k.OwnFields = JoinCSVLine(own, QLatin1Char(','));
        i += 3;
    }
    if (i >= t.size() || !t[i].Is("REFERENCES")) return false;
    ++i;
    if (i >= t.size()) return false;
    k.TableParent = t[i].Text();
    ++i;
    if (i + 1 < t.size() && t[i].kind == DefKind::Other && t[i].value == u".") {
        k.TableParent += QLatin1Char('.') + t[i + 1].Text();
        i += 2;
    }
    if (i < t.size() && t[i].kind == DefKind::Group) {
        QStringList cols;
        for (const DefToken& c : DefTokenize(t[i].value))
            if (c.kind != DefKind::Comma && c.kind != DefKind::Comment) cols << c.Text();
        k.FKFields = JoinCSVLine(cols, QLatin1Char(','));
        ++i;
    }
    for (; i < t.size(); ++i) {
        auto act = [&](qsizetype j) {
            if (j < t.size() && t[j].Is("CASCADE")) return 5;
            if (j < t.size() && t[j].Is("RESTRICT")) return 2;
            if (j + 1 < t.size() && t[j].Is("SET")) return t[j + 1].Is("NULL") ? 3 : 4;
            if (j < t.size() && t[j].Is("NO")) return 1;
            return 0;
        };
        if (t[i].Is("ON") && i + 2 < t.size()) {
            const int a = act(i + 2);
            (t[i + 1].Is("DELETE") ? k.iDelAction : k.iUpdAction) = a;
        } else if (t[i].Is("NOT") && i + 1 < t.size() && t[i + 1].Is("DEFERRABLE")) {
            k.iDeferrable = DeferMode::NotDeferrable;
        } else if (t[i].Is("DEFERRABLE") && k.iDeferrable == DeferMode::NotStated) {
            k.iDeferrable = DeferMode::Deferrable;
        } else if (t[i].Is("INITIALLY") && i + 1 < t.size()) {
            k.iInitially = t[i + 1].Is("DEFERRED") ? InitialMode::Deferred : InitialMode::Immediate;
        } else if (t[i].Is("MATCH") && i + 1 < t.size()) {
            k.MatchName = t[i + 1].Text();
        }
    }
    k.bDeferred = k.iDeferrable == DeferMode::Deferrable && k.iInitially == InitialMode::Deferred;
    return true;
}

} // namespace sky
