// Fuzzes the documentation's text rules and the HTML page over arbitrary
// names: shortening never exceeds its width and keeps short texts, the
// whole-word search is total, escaping leaves no markup character and
// reverses exactly, and a page whose table, column, key, index, trigger and
// view all bear the name has the same elements as one with a plain name.
#include "analysis/DocRender.h"
#include "analysis/HtmlDoc.h"
#include "support/TextUtil.h"

#include <QString>
#include <cstddef>
#include <cstdint>

namespace {

sky::TDBLayout LayoutNamed(const QString& name) {
    sky::TDBLayout l;
    l.dHdr.Status = 0;
    l.sFile = QStringLiteral("/tmp/") + name + QStringLiteral(".db");
    l.sProps << QStringLiteral("encoding=") + name;
    for (int k = 0; k < 2; ++k) {
        sky::TTableLayout t;
        t.tblName = k == 0 ? name : QStringLiteral("other");
        sky::TFieldLayout c;
        c.fName = name;
        c.fType = QStringLiteral("TEXT");
        c.fDefVal = name;
        c.fComment = name;
        c.isPK = true;
        t.Cols << c;
        sky::TFKeyLayout fk;
        fk.iKeyKind = sky::KeyKind::ForeignKey;
        fk.OwnFields = name;
        fk.TableParent = k == 0 ? QStringLiteral("other") : name;
        fk.ConstrName = name;
        t.FKeys << fk;
        sky::TIndexLayout ix;
        ix.IdxName = name;
        ix.IdxFields = name;
        t.Idxs << ix;
        sky::TTriggerLayout g;
        g.trigName = name;
        g.trigExecCode = name;
        t.Trigs << g;
        l.aTbl << t;
    }
    sky::TViewLayout v;
    v.vName = name;
    v.vSelect = QStringLiteral("SELECT 1");
    v.vCols << name;
    v.vTypes << name;
    v.vRefs << name << QStringLiteral("other");
    v.Comment = name;
    l.aVws << v;
    return l;
}

// The page's elements: every "<" except the line breaks a name's own line
// breaks add in the statement cells.
qsizetype Elements(const QString& page) {
    return page.count(u'<') - page.count(QLatin1String("<br />"));
}

QString Unescape(QString s) {
    s.replace(QLatin1String("&lt;"), QLatin1String("<"));
    s.replace(QLatin1String("&gt;"), QLatin1String(">"));
    s.replace(QLatin1String("&quot;"), QLatin1String("\""));
    s.replace(QLatin1String("&#39;"), QLatin1String("'"));
    s.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    for (int n : {5, 14, 20, 40, 137}) {
        const QString s = sky::ShortenAtWord(text, n);
        if (s.size() > n) __builtin_trap();
        if (text.size() <= n && s != text) __builtin_trap();
    }
    (void)sky::HasWholeWord(text, text.left(text.size() / 2));
    (void)sky::HasWholeWord(text.mid(3), text.left(4));

    const QString e = sky::HtmlEscape(text);
    for (QChar c : e)
        if (c == u'<' || c == u'>' || c == u'"' || c == u'\'') __builtin_trap();
    if (Unescape(e) != text) __builtin_trap();

    const sky::HtmlPrefs prefs = sky::HtmlPrefs::Initial();
    const QString plain = sky::HtmlDocLines(LayoutNamed(QStringLiteral("x")), prefs).join(u'\n');
    const QString odd = sky::HtmlDocLines(LayoutNamed(text), prefs).join(u'\n');
    if (Elements(plain) != Elements(odd)) __builtin_trap();
    return 0;
}
