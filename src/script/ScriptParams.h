// Script parameters: markers "<@ name [ DEFAULT value ] @>" anywhere in a
// script's statements, their names reduced to camel caps, the list of
// NAME=value lines in name order (as the parameter file holds it), the
// collection from statement texts, and the substitution of values into a
// text. Values are inserted as they are, without quoting.
#pragma once

#include <QString>
#include <QStringList>

namespace sky {

// A marker's inside read: the reduced name and the default.
struct ScriptMarker {
    QString name, def;
};
// "First name - 23!#" gives FirstName23, "parName" gives Parname.
QString ReduceParamName(const QString& namePart);
ScriptMarker ReadMarker(const QString& inside);

// The list: NAME=value lines kept in name order (case-insensitive).
class ScriptParamList {
public:
    static ScriptParamList FromLines(const QStringList& lines);
    QStringList Lines() const { return FLines; }
    int Count() const { return int(FLines.size()); }
    QString Value(const QString& name) const;
    // Sets (or inserts in name order) a parameter.
    void Set(const QString& name, const QString& value);
    bool Contains(const QString& name) const { return IndexOf(name) >= 0; }

    // Collecting from texts: new names in order with their markers'
    // defaults (the first non-empty default wins); afterwards every name
    // with a non-empty value in old keeps that value.
    static ScriptParamList Collect(const QStringList& texts, const ScriptParamList& old);
    // The same a text at a time: AddMarkers for each text, then KeepValues.
    void AddMarkers(const QString& text);
    void KeepValues(const ScriptParamList& old);

private:
    int IndexOf(const QString& name) const;
    QStringList FLines;
};

// The values substituted into text: each marker replaced by its
// parameter's value when non-empty, else the marker's default (an empty
// name leaves nothing). A marker inside an inserted value is substituted
// too. False (with why: "Parameter substitution does not terminate (" +
// name + ")") after 10,000 replacements.
bool SubstituteParams(QString& text, const ScriptParamList& params, QString* why = nullptr);

// The same for many texts against one list, each marker read once.
class ParamSubstituter {
public:
    explicit ParamSubstituter(const ScriptParamList& params) : FParams(params) {}
    bool Apply(QString& text, QString* why = nullptr);

private:
    struct Seen {
        QString inside, name, value;
    };
    const ScriptParamList& FParams;
    QList<Seen> FSeen;
};

// The companion files: the script's extension replaced by ".param.txt" or
// ".output.txt".
QString ParamFileOf(const QString& script);
QString OutputFileOf(const QString& script);

// The Save form of statement texts (non-blank lines, one empty line after
// each statement, CR LF) and the Export form (leading "#", "@" and "|"
// removed and the parameters substituted first). False with why when a
// substitution does not terminate.
bool ScriptFileText(const QStringList& statements, const ScriptParamList* params, QByteArray& out,
                    QString* why = nullptr);

} // namespace sky
