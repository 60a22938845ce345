// The script file read into items.
#include "script/ScriptLoader.h"

#include "engine/ScriptSplitter.h"
#include "engine/SqlLexer.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"

namespace sky {

QString AdmitScriptItem(const QString& statement, bool hasCode) {
    // Control characters are code to the splitter but blanks to trimming,
    // and block comments may end differently for the two scans ("/*/"):
    // such a statement is judged by a second scan.
    for (QChar c : statement)
        if (c.unicode() < 32 && !IsSqlBlank(c)) return AdmitScriptItem(statement);
    if (IndexOfPair(statement, u'/', u'*') >= 0) return AdmitScriptItem(statement);
    if (!hasCode) return QString();
    QString t = TrimText(statement);
    if (t.left(7).compare(QLatin1String("SQLITE>"), Qt::CaseInsensitive) != 0) return t;
    // Without its prompt the rest may be comments only.
    t = TrimText(t.mid(7));
    return TrimText(FlattenFirstStatement(t)).isEmpty() ? QString() : t;
}

QString AdmitScriptItem(const QString& statement) {
    QString t = TrimText(statement);
    if (t.left(7).compare(QLatin1String("SQLITE>"), Qt::CaseInsensitive) == 0)
        t = TrimText(t.mid(7));
    // A statement of comments only is no item.
    const QString bare = TrimText(FlattenFirstStatement(t));
    if (bare.isEmpty()) return QString();
    return t;
}

QStringList SplitScriptText(const QString& text) {
    QStringList items;
    bool given = false;
    const ScriptReadMore more = [&](QString& into) {
        if (given) return false;
        given = true;
        into += text;
        return true;
    };
    SplitScriptItems(more, [&](QString&& statement, bool) {
        QString t = TrimText(statement);
        if (!t.isEmpty()) items << t;
        return true;
    });
    return items;
}

bool ReadScriptItems(const QString& file, const std::function<bool(const ScriptItem&)>& onItem,
                     int& statements, QString& error) {
    statements = 0;
    TextFileReader reader(qsizetype(1) << 16);
    if (!reader.Open(file, &error)) return false;
    const ScriptReadMore more = [&reader](QString& text) { return reader.ReadMore(text); };
    bool stopped = false;
    SplitScriptItems(more, [&](QString&& statement, bool hasCode) {
        ++statements;
        const QString text = AdmitScriptItem(statement, hasCode);
        if (text.isEmpty()) return true;
        if (!onItem({statements, text})) {
            stopped = true;
            return false;
        }
        return true;
    });
    if (!reader.Error().isEmpty()) {
        error = reader.Error();
        return false;
    }
    return !stopped;
}

} // namespace sky
