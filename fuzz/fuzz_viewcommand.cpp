// Fuzzes the editor texts built from stored SQL and typed text: the
// view-command line breaks, SQL templates (the selection inside the text),
// the double-click insertion (the text around the selection kept), the
// results filter's parser and its SQL condition, and "Add as SQL".
#include "support/TextUtil.h"
#include "workspace/ResultsGrid.h"
#include "workspace/SchemaTree.h"
#include "workspace/SqlTemplate.h"
#include "workspace/TreeMenus.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString broken = sky::ViewCommandText(text);
    if (broken.size() > text.size() * 2 + 2) __builtin_trap();
    sky::TemplateContext c;
    c.curTable = text.left(8);
    c.clipboard = text;
    sky::TemplateResult r;
    if (sky::ApplyTemplate(text, c, r)) {
        if (r.selStart < 0 || r.selStart > r.selEnd || r.selEnd > r.text.size()) __builtin_trap();
    }
    const qsizetype at = size ? data[0] % (text.size() + 1) : 0;
    const sky::NameInsertion ins = sky::InsertNodeName(text, at, at, QStringLiteral("n"));
    if (ins.caret > ins.text.size() || ins.selEnd > ins.text.size()) __builtin_trap();
    if (!sky::TrimText(text).isEmpty() && !ins.text.startsWith(text.left(at))) __builtin_trap();
    // The filter text over a small grid; its condition merged into the text.
    const sky::ResultsFilter f = sky::ParseFilter(text);
    const QList<QStringList> rows{{"a", "b c"}, {"x1", "Y"}, {"", "NULL"}, {text.left(5), "z"}};
    sky::GridView g;
    g.rows = int(rows.size()) - 1;
    g.columns = 2;
    g.cell = [&rows](int r, int c) { return rows[r][c]; };
    QString sql;
    const QList<bool> shown = sky::ApplyFilter(f, g, size % 2 == 1, sql);
    if (!f.IsEmpty() && shown.size() != g.rows && !shown.isEmpty()) __builtin_trap();
    if (sql.contains(QLatin1String("AND ()")) || sql.contains(QLatin1String("AND NOT ()")))
        __builtin_trap();
    const sky::SqlMerge m = sky::AddFilterToQuery(text, at, sql, QStringLiteral("t"));
    if (m.caret < 0 || m.caret > m.text.size()) __builtin_trap();
    return 0;
}
