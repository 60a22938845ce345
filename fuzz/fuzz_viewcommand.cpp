// Fuzzes the editor texts built from stored SQL: the view-command line
// breaks keep every literal and quoted name intact (removing the inserted
// breaks gives back the text with its double spaces), SQL templates place
// the selection inside the text, and the double-click insertion keeps the
// text around the selection.
#include "support/TextUtil.h"
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
    return 0;
}
