// Fuzzes the schema parsers: any text is read without fault by the table,
// index, trigger and foreign key readers and by the alter-table script
// reader, and a table that was read writes a CREATE text that reads back to
// the same CREATE text.
#include "design/TableLayout.h"
#include "workspace/TableOps.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    sky::TTableLayout t;
    if (sky::parseTable(text, {}, t)) {
        const QString once = sky::convTableLayoutToSQL(t);
        sky::TTableLayout again;
        if (!t.isVirtual && !t.Cols.isEmpty()) {
            if (!sky::parseTable(once, {}, again)) __builtin_trap();
            if (sky::convTableLayoutToSQL(again) != once) {
                fprintf(stderr, "ONCE\n%s\nAGAIN\n%s\n", once.toUtf8().constData(),
                        sky::convTableLayoutToSQL(again).toUtf8().constData());
                __builtin_trap();
            }
        }
    }
    sky::TIndexLayout ix;
    if (sky::parseIndex(text, ix)) sky::sqlFrom(ix);
    sky::TTriggerLayout tr;
    if (sky::parseTrigger(text, tr)) sky::sqlFrom(tr);
    sky::TFKeyLayout k;
    if (sky::parseFKey(text, k)) sky::ConstraintText(k, true);
    // The alter-table script reader, against an old table of two columns.
    sky::TTableLayout old, edited;
    QString why;
    if (sky::parseTable(QStringLiteral("CREATE TABLE t(a INTEGER PRIMARY KEY, b)"), {}, old) &&
        sky::tableops::ReadDesignerScript(text, {QStringLiteral("b=c")}, old, edited, why)) {
        for (const sky::TFieldLayout& f : edited.Cols)
            if (!f.OldName.isEmpty() && f.OldName != QLatin1String("a") &&
                f.OldName != QLatin1String("b"))
                __builtin_trap(); // a column maps only to an old one
    }
    return 0;
}
