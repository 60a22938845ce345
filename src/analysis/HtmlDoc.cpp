// The HTML documentation page and its colour preferences.
#include "analysis/HtmlDoc.h"

#include "analysis/DocRender.h"
#include "engine/Identifiers.h"
#include "shell/DialogModels.h"
#include "support/Settings.h"
#include "support/TextUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

#include <algorithm>
#include <array>

namespace sky {

namespace {

// Red moves between the low and the high byte.
quint32 SwapRedBlue(quint32 c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

struct SchemeRow {
    quint32 c[10];
    int strength;
};

// HdrBarStd, HdrBarProps, HdrBarKeys, HdrBarIdxs, HdrBarTrigs, HdrTextStd,
// TextStd, TextHilite, BGStd, BlockBar, strength.
const SchemeRow kSchemes[8] = {
    {{0x303030, 0x606070, 0x603060, 0x306060, 0x307030, 0xFFFFFF, 0x000000, 0x906030, 0xFFFFFF,
      0xCCCCCC},
     6},
    {{0xE4E4E4, 0xE4E4E4, 0xE4E4E4, 0xE4E4E4, 0xE4E4E4, 0x404040, 0x606060, 0x000000, 0xFFFFFF,
      0xE4E4E4},
     0},
    {{0x303030, 0x606070, 0x603060, 0x306060, 0x307030, 0xFFFFFF, 0x000000, 0xE60000, 0xFFFFFF,
      0xCCCCCC},
     12},
    {{0xEDE2C2, 0xFBEFBF, 0xF8E394, 0xFBEFBF, 0xFCF4D6, 0x804000, 0xA85400, 0x000000, 0xFEFDF2,
      0xFBEFBF},
     3},
    {{0xC2EDD8, 0xBFFBDD, 0x94F8C6, 0xBFFBDD, 0xD6FCE9, 0x008040, 0x00A854, 0x044212, 0xFAFFFC,
      0xBFFBDD},
     3},
    {{0xEEEEEE, 0xFFE2C6, 0xE6D0E6, 0xC8EEEE, 0xD2FFD2, 0x8D7616, 0xF0E2AC, 0xFFFFFF, 0x404040,
      0x35496A},
     6},
    {{0x727272, 0x5E4737, 0x62335F, 0x345061, 0x346139, 0xEEEEEE, 0xB6B6B6, 0xFFFFFF, 0x404040,
      0x5C6872},
     6},
    {{0x555555, 0x513D2F, 0x542C51, 0x2D4553, 0x2D5331, 0xDDDDDD, 0xB6B6B6, 0xFFFFFF, 0x000000,
      0x404040},
     6},
};

// The settings keys in the order of HtmlPrefs' fields.
const char* const kPrefKeys[10] = {"HTMLColHdrBarStd",  "HTMLColHdrBarProps", "HTMLColHdrBarKeys",
                                   "HTMLColHdrBarIdxs", "HTMLColHdrBarTrigs", "HTMLColHdrTextStd",
                                   "HTMLColTextStd",    "HTMLColTextHilite",  "HTMLColBGStd",
                                   "HTMLColBlockBar"};

// The colours in the order of kPrefKeys (P is HtmlPrefs, const or not).
template <typename P> auto KeyOrder(P& p) {
    return std::array{&p.HdrBarStd,  &p.HdrBarProps, &p.HdrBarKeys, &p.HdrBarIdxs, &p.HdrBarTrigs,
                      &p.HdrTextStd, &p.TextStd,     &p.TextHilite, &p.BGStd,      &p.BlockBar};
}

} // namespace

const QStringList kHtmlSchemeNames{"Light  ( Default )",    "Light - Printer friendly",
                                   "Light - High-Contrast", "Light - Desert Sand",
                                   "Light - Sea Green",     "Dark  - Tablet",
                                   "Dark  - Blue-Gray",     "Dark  - Obsidian"};

HtmlPrefs HtmlPrefs::Scheme(int n) {
    const SchemeRow& r = kSchemes[std::clamp(n, 0, 7)];
    HtmlPrefs p;
    const auto f = KeyOrder(p);
    for (int k = 0; k < 10; ++k)
        *f[k] = r.c[k];
    p.lineStrength = r.strength;
    return p;
}

HtmlPrefs HtmlPrefs::Initial() {
    HtmlPrefs p = Scheme(0);
    p.lineStrength = 10;
    return p;
}

QList<quint32*> HtmlPrefs::Colours() {
    return {&BGStd,      &BlockBar,    &HdrBarStd,  &HdrBarProps, &HdrBarKeys,
            &HdrBarIdxs, &HdrBarTrigs, &HdrTextStd, &TextStd,     &TextHilite};
}

void HtmlPrefs::Read() {
    lineStrength = CfgGetInt(QStringLiteral("HTMLLineStrength"), lineStrength, 0, 18);
    const auto f = KeyOrder(*this);
    for (int k = 0; k < 10; ++k)
        *f[k] = SwapRedBlue(
            quint32(CfgGetInt(QLatin1String(kPrefKeys[k]), int(SwapRedBlue(*f[k])), 0, 0xFFFFFF)));
}

void HtmlPrefs::Write() const {
    CfgPutNum(QStringLiteral("HTMLLineStrength"), lineStrength);
    const auto f = KeyOrder(*this);
    for (int k = 0; k < 10; ++k)
        CfgPutNum(QLatin1String(kPrefKeys[k]), SwapRedBlue(*f[k]));
}

QString HtmlEscape(const QString& text) {
    qsizetype k = 0;
    for (; k < text.size(); ++k) {
        const QChar c = text[k];
        if (c == u'&' || c == u'<' || c == u'>' || c == u'"' || c == u'\'') break;
    }
    if (k == text.size()) return text;
    QString out = text.left(k);
    out.reserve(text.size() + 16);
    for (; k < text.size(); ++k) {
        const QChar c = text[k];
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        case u'\'':
            out += QLatin1String("&#39;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString HtmlColour(quint32 rgb) {
    return u'#' + QStringLiteral("%1").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
}

quint32 Shade(quint32 c, int k, int strength) {
    return BlendRgb(c & 0xFFFFFF, 0x808080, k * strength / 100.0);
}

namespace {

// The page under construction: its lines and the link targets of the
// documented tables and views.
class Page {
public:
    Page(const TDBLayout& l, const HtmlPrefs& p) : L(l), P(p) {}
    QStringList Render();

private:
    const TDBLayout& L;
    const HtmlPrefs& P;
    QStringList out;
    // Upper-cased name -> link target; names are told apart exactly, case aside.
    QHash<QString, QString> links;

    QString Col(quint32 c) const { return HtmlColour(c); }
    QString Sh(quint32 c, int k) const { return HtmlColour(Shade(c, k, P.lineStrength)); }
    QString Linked(const QString& name) const;
    void Head();
    void Style();
    void SectionStart(const QString& classes, const QString& id, const QString& label);
    void SectionEnd() { out << QStringLiteral("</div></div>"); }
    void TableStart(const QString& label, const QString& cls, const QStringList& headers);
    void TableEnd() { out << QStringLiteral("</tbody></table>"); }
    void Row(const QStringList& cells, const QList<int>& hilite = {}, int key = -1);
    void PropRow(const QString& name, const QString& value, bool hilite = false);
    void Mono(const QString& sql);
    void TableIndexSection();
    void ViewIndexSection();
    void PropertiesSection();
    void TableSection(int n, const TTableLayout& t);
    void ViewSection(int n, const TViewLayout& v);
};

QString Page::Linked(const QString& name) const {
    QString key = name.toUpper();
    auto it = links.constFind(key);
    if (it == links.constEnd()) it = links.constFind(UnquoteIdent(name).toUpper());
    if (it == links.constEnd()) return HtmlEscape(name);
    return QStringLiteral("<a href=\"") + *it + QStringLiteral("\">") + HtmlEscape(name) +
           QStringLiteral("</a>");
}

void Page::Head() {
    out << QStringLiteral("<!DOCTYPE HTML><head>");
    out << QStringLiteral("  <title>") + HtmlEscape(DocFileName(L.sFile)) +
               QStringLiteral(" Schema Documentation</title>");
    out << QStringLiteral(
        "  <meta http-equiv=\"Content-type\" content=\"text/html;charset=UTF-8\" />");
    out << QStringLiteral("  <script type=\"text/javascript\" src=\"jquery.js\" ></script>");
    out << QStringLiteral(R"(  <script type="text/javascript">
    function st(n) { window.location.hash = '#' + n; }
    function doOpen(ele) {
      ele.find('.content').first().show(500, function () {
        ele.removeClass('closed').addClass('open');
        ele.find('.expander').first().text('-');
      });
    }
    function doClose(ele) {
      ele.find('.content').first().hide(500, function () {
        ele.removeClass('open').addClass('closed');
        ele.find('.expander').first().text('+');
      });
    }
    function openAll() { $('.collapse.closed').each(function () { doOpen($(this)); }); }
    function closeAll() { $('.collapse.open').each(function () { doClose($(this)); }); }
    function tref(id) {
      console.log(id);
      var ele = $('#' + id);
      ele.addClass('highlight');
      setTimeout(function () { ele.removeClass('highlight'); }, 1000);
      if (ele.hasClass('closed')) doOpen(ele);
      st(id);
    }
    $(document).ready(function () {
      $('.collapse .bar').on('click', function () {
        var ele = $(this).closest('.collapse');
        if (ele.hasClass('closed')) doOpen(ele); else doClose(ele);
      });
    });
  </script>)");
}

void Page::Style() {
    const QString bg = Col(P.BGStd), hdrText = Col(P.HdrTextStd);
    auto headers = [&](const QString& cls, quint32 bar) {
        return QStringLiteral("  %1 th:nth-child(odd) { color: %2; background: %3; }\n"
                              "  %1 th:nth-child(even) { color: %2; background: %4; }")
            .arg(cls, hdrText, Col(bar), Sh(bar, 4));
    };
    out << QStringLiteral("  <style type=\"text/css\" media=\"all\">");
    out << QStringLiteral(
               "  html, body { height: 100%; width: 100%; margin: 0; padding: 0; background: %1; "
               "}\n"
               "  body { font-family: Arial, Helvetica, sans-serif; color: %2; font-size: 12px; }\n"
               "  a, a:visited { color: %3; }\n"
               "  div { box-sizing: border-box; }\n"
               "  .clearfix:after { content: \"\"; display: table; clear: both; }\n"
               "  .inline { display: inline-block; }\n"
               "  table { table-layout: fixed; text-align: left; max-width: 100%; }\n"
               "  .index h1, .index h3 { display: inline-block; margin: 0 10px 0 0; }\n"
               "  .index .buttons { float: right; }\n"
               "  .table-prop { border-spacing: 0; }\n"
               "  .table-prop th { font-weight: bold; color: %4; padding: 3px; vertical-align: "
               "top; }")
               .arg(bg, Col(P.TextStd), Col(P.TextHilite), hdrText);
    out << headers(QStringLiteral(".table-prop"), P.HdrBarStd);
    out << QStringLiteral(
               "  .table-prop td { padding: 3px; vertical-align: top; overflow-wrap: anywhere; }\n"
               "  .table-prop tbody tr:nth-child(odd) td:nth-child(odd) { background: %1; }\n"
               "  .table-prop tbody tr:nth-child(odd) td:nth-child(even) { background: %2; }\n"
               "  .table-prop tbody tr:nth-child(even) td:nth-child(odd) { background: %3; }\n"
               "  .table-prop tbody tr:nth-child(even) td:nth-child(even) { background: %4; }")
               .arg(Sh(P.BGStd, 2), Sh(P.BGStd, 3), bg, Sh(P.BGStd, 1));
    out << QStringLiteral("  .db-props th:nth-child(odd), .db-props th:nth-child(even) "
                          "{ color: %1; background: %2; }")
               .arg(hdrText, Col(P.HdrBarProps));
    out << headers(QStringLiteral(".table-const"), P.HdrBarKeys);
    out << headers(QStringLiteral(".table-indxs"), P.HdrBarIdxs);
    out << headers(QStringLiteral(".table-trigs"), P.HdrBarTrigs);
    out << QStringLiteral(
               "  td.key { text-decoration: underline; }\n"
               "  td.hilite { color: %1; }\n"
               "  .index { padding: 10px; }\n"
               "  .collapse { background: %2; margin: 10px; border: 1px solid %3; }\n"
               "  .collapse.highlight { border-color: %1; }\n"
               "  .collapse.closed .content { display: none; }\n"
               "  .collapse .bar { background: %4; cursor: pointer; }\n"
               "  .collapse .bar .expander { display: inline-block; width: 20px; height: 20px; "
               "border-radius: 10px; background: #000000; color: #FFFFFF; text-align: center; "
               "line-height: 20px; margin: 2px 4px; }\n"
               "  .collapse .bar .label { background: %4; font-size: 24px; vertical-align: middle; "
               "}\n"
               "  #wrapper { width: 1200px; margin: 0 auto; padding: 10px; "
               "box-shadow: 0px 0px 20px #888; }\n"
               "  .content { padding: 0 10px 10px 10px; }\n"
               "  .table-label { margin: 10px 0; font-size: 12px; font-weight: bold; }\n"
               "  /* custom colours */\n"
               "  td.mono { font-family: \"Courier New\", Courier, monospace; color: %5; "
               "background: %4; }")
               .arg(Col(P.TextHilite), bg, Sh(P.BGStd, 6), Col(P.BlockBar), Sh(P.TextStd, 8));
    out << QStringLiteral("  </style>");
    out << QStringLiteral("</head>");
}

void Page::SectionStart(const QString& classes, const QString& id, const QString& label) {
    const bool open = classes.contains(QLatin1String("open"));
    out << QStringLiteral("<div class=\"%1\"%2>")
               .arg(classes, id.isEmpty() ? QString() : QStringLiteral(" id=\"") + id + u'"');
    out << QStringLiteral("<div class=\"bar\"><span class=\"expander\">%1</span>"
                          "<span class=\"label\">%2</span></div>")
               .arg(open ? QStringLiteral("-") : QStringLiteral("+"), label);
    out << QStringLiteral("<div class=\"content\">");
}

void Page::TableStart(const QString& label, const QString& cls, const QStringList& headers) {
    out << QStringLiteral("<div class=\"table-label\">") + label + QStringLiteral("</div>");
    QString h = QStringLiteral("<table class=\"table-prop%1\">")
                    .arg(cls.isEmpty() ? QString() : u' ' + cls);
    if (!headers.isEmpty()) {
        h += QStringLiteral("<thead><tr>");
        for (const QString& c : headers)
            h += QStringLiteral("<th>") + c + QStringLiteral("</th>");
        h += QStringLiteral("</tr></thead>");
    }
    out << h + QStringLiteral("<tbody>");
}

// Cells are HTML already.
void Page::Row(const QStringList& cells, const QList<int>& hilite, int key) {
    QString r = QStringLiteral("<tr>");
    for (int k = 0; k < cells.size(); ++k) {
        if (k == key)
            r += QStringLiteral("<td class=\"key\">");
        else if (hilite.contains(k))
            r += QStringLiteral("<td class=\"hilite\">");
        else
            r += QStringLiteral("<td>");
        r += cells[k] + QStringLiteral("</td>");
    }
    out << r + QStringLiteral("</tr>");
}

void Page::PropRow(const QString& name, const QString& value, bool hilite) {
    out << QStringLiteral("<tr><td align=\"right\">") + HtmlEscape(name) +
               QStringLiteral("</td><td>:</td><td") +
               (hilite ? QStringLiteral(" class=\"hilite\">") : QStringLiteral(">")) + value +
               QStringLiteral("</td></tr>");
}

// A statement line by line: its leading tabs and spaces kept as visible
// indentation, the rest escaped.
void Page::Mono(const QString& sql) {
    QString cell = QStringLiteral("<tr><td class=\"mono\">");
    for (const QString& line : TextLines(sql)) {
        qsizetype k = 0;
        for (; k < line.size() && (line[k] == u'\t' || line[k] == u' '); ++k)
            cell += line[k] == u'\t' ? QLatin1String("&nbsp; &nbsp; ") : QLatin1String("&nbsp; ");
        cell += HtmlEscape(TrimText(line.mid(k))) + QStringLiteral("<br />");
    }
    out << cell + QStringLiteral("</td></tr>");
}

QString Count(qsizetype n) {
    return n == 0 ? QString() : QString::number(n);
}

void Page::TableIndexSection() {
    SectionStart(QStringLiteral("collapse open"), QString(),
                 QStringLiteral("Database Table Index  ( %1 )")
                     .arg(CountPhrase(int(L.aTbl.size()), QStringLiteral("1 Table"),
                                      QStringLiteral("%d Tables"), QStringLiteral("0 Tables"))));
    TableStart(QStringLiteral("Tables"), QString(),
               {"No.", "Schema Table Name", "Primary Key", "Columns", "Keys", "Indices", "Triggers",
                "RowID"});
    int n = 0;
    for (const TTableLayout& t : L.aTbl) {
        ++n;
        const QString target = QStringLiteral("javascript:tref('table-%1');").arg(n);
        links.insert(t.tblName.toUpper(), target);
        Row({QString::number(n),
             QStringLiteral("<a href=\"") + target + QStringLiteral("\">") + HtmlEscape(t.tblName) +
                 QStringLiteral("</a>"),
             HtmlEscape(PrimaryKeyText(t)), Count(t.Cols.size()), Count(t.FKeys.size()),
             Count(t.Idxs.size()), Count(t.Trigs.size()),
             t.noRowID ? QStringLiteral("No") : QStringLiteral("Yes")},
            {}, 1);
    }
    TableEnd();
    SectionEnd();
}

void Page::ViewIndexSection() {
    const int count = int(L.aVws.size());
    SectionStart(QStringLiteral("collapse open"), QString(),
                 QStringLiteral("Data-Views Index  ( %1 )")
                     .arg(CountPhrase(count, QStringLiteral("1 View"), QStringLiteral("%d Views"),
                                      QStringLiteral("0 Views"))));
    if (count > 0) {
        TableStart(QStringLiteral("Data Views"), QString(),
                   {"No.", "Schema View Name", "Kind", "Columns", "References", "Comment"});
        int n = 0;
        for (const TViewLayout& v : L.aVws) {
            ++n;
            // Only tables are link targets: names refer to tables.
            const QString target = QStringLiteral("javascript:tref('dataview-%1');").arg(n);
            Row({QString::number(n),
                 QStringLiteral("<a href=\"") + target + QStringLiteral("\">") +
                     HtmlEscape(v.vName) + QStringLiteral("</a>"),
                 v.isTemp ? QStringLiteral("TEMP") : QStringLiteral("Persist"),
                 Count(v.vCols.size()), Count(v.vRefs.size()), HtmlEscape(v.Comment)},
                {}, 1);
        }
        TableEnd();
    }
    SectionEnd();
}

void Page::PropertiesSection() {
    SectionStart(QStringLiteral("collapse closed"), QStringLiteral("table-prop"),
                 QStringLiteral("Database Properties"));
    TableStart(QStringLiteral("Properties"), QStringLiteral("db-props"),
               {"Property Name", "", "Property Value"});
    const QList<QPair<QString, QString>> rows = PropertyRows(L, false, false);
    for (qsizetype k = 0; k < rows.size(); ++k)
        PropRow(k + 1 == rows.size() ? QStringLiteral("Database Encoding") : rows[k].first,
                HtmlEscape(rows[k].second));
    TableEnd();
    TableStart(QStringLiteral("Pragma Settings"), QStringLiteral("db-props"),
               {"Database Pragma", "", "Pragma Value"});
    for (const QString& line : L.sProps) {
        const qsizetype eq = line.indexOf(u'=');
        PropRow(line.left(eq), HtmlEscape(line.mid(eq + 1)));
    }
    TableEnd();
    SectionEnd();
}

void Page::TableSection(int n, const TTableLayout& t) {
    SectionStart(QStringLiteral("collapse closed"), QStringLiteral("table-%1").arg(n),
                 QStringLiteral(" &nbsp; &nbsp; ") + HtmlEscape(t.tblName));
    const QString pk = PrimaryKeyText(t);
    QStringList pkParts;
    if (!pk.isEmpty())
        for (const QString& p : pk.split(u','))
            pkParts << TrimText(p).toUpper();

    TableStart(QStringLiteral("Table Properties"), QStringLiteral("db-props"),
               {"Property Name", "", "Property Value"});
    PropRow(QStringLiteral("Primary Key"), pk.isEmpty() ? QStringLiteral("(None)") : HtmlEscape(pk),
            true);
    PropRow(QStringLiteral("Columns"), QString::number(t.Cols.size()));
    PropRow(QStringLiteral("Keys"), QString::number(t.FKeys.size()));
    PropRow(QStringLiteral("Indices"), QString::number(t.Idxs.size()));
    PropRow(QStringLiteral("Triggers"), QString::number(t.Trigs.size()));
    PropRow(QStringLiteral("Row_ID"), t.noRowID ? QStringLiteral("No") : QStringLiteral("Yes"));
    TableEnd();

    TableStart(QStringLiteral("Columns"), QString(),
               {"No.", "Column/Field Name", "Type", "Collation", "Column Constraint", "Default",
                "Object References", "Comment"});
    int no = 0;
    for (const TFieldLayout& c : t.Cols) {
        const qsizetype pos = pkParts.indexOf(c.fName.toUpper());
        QString cons;
        if (c.isUnique && pos < 0) cons += QStringLiteral(" Unique");
        if (!c.allowNull) cons += QStringLiteral(" Not NULL");
        if (pos >= 0) {
            cons += cons.isEmpty() ? QStringLiteral("Primary Key") : QStringLiteral("  PK");
            if (pkParts.size() > 1) cons += QStringLiteral("(%1)").arg(pos + 1);
            if (c.isAutoInc) cons += QStringLiteral(" Auto-Inc");
        }
        if (!c.fCheckFunc.isEmpty()) cons += QStringLiteral(" CHECK");
        if (!c.fForeignKey.isEmpty())
            cons += cons.isEmpty() ? QStringLiteral("Foreign-Key") : QStringLiteral(" FK-Ref");
        QStringList refs = ColumnReferences(t, c, true);
        for (QString& r : refs)
            r = HtmlEscape(r);
        Row({QString::number(++no), HtmlEscape(c.fName), HtmlEscape(c.fType + c.fVarSpec),
             HtmlEscape(c.fCollation), HtmlEscape(cons), HtmlEscape(c.fDefVal),
             refs.join(QStringLiteral("<br />")), HtmlEscape(TrimText(c.fComment))},
            {1, 4});
    }
    TableEnd();

    if (!t.FKeys.isEmpty()) {
        TableStart(QStringLiteral("Table Constraints / Keys"), QStringLiteral("table-const"),
                   {"No.", "Name", "Description", "Comment"});
        no = 0;
        for (const TFKeyLayout& k : t.FKeys) {
            QString d;
            if (k.iKeyKind == KeyKind::ForeignKey)
                d = QStringLiteral("Foreign Key on (") + HtmlEscape(k.OwnFields) +
                    QStringLiteral(") referencing table &quot;") + Linked(k.TableParent) +
                    QStringLiteral("&quot;");
            else
                d = HtmlEscape(ConstraintDescription(k, false));
            Row({QString::number(++no), HtmlEscape(k.ConstrName), d, HtmlEscape(k.Comment)});
        }
        TableEnd();
    }
    if (!t.Idxs.isEmpty()) {
        TableStart(QStringLiteral("Table Indices"), QStringLiteral("table-indxs"),
                   {"No.", "Type", "Name", "Columns", "Comment"});
        no = 0;
        for (const TIndexLayout& i : t.Idxs)
            Row({QString::number(++no),
                 i.IdxUnique ? QStringLiteral("Unique Index") : QStringLiteral("Index"),
                 HtmlEscape(i.IdxName), HtmlEscape(i.IdxFields), HtmlEscape(i.Comment)},
                {3});
        TableEnd();
    }
    if (!t.Trigs.isEmpty()) {
        TableStart(QStringLiteral("Table Triggers"), QStringLiteral("table-trigs"),
                   {"No.", "Name", "Event Type", "Trigger Program", "Comment"});
        no = 0;
        for (const TTriggerLayout& g : t.Trigs)
            Row({QString::number(++no), HtmlEscape(g.trigName),
                 HtmlEscape(TriggerEventText(g).trimmed()),
                 HtmlEscape(CollapseWhitespace(TrimText(g.trigExecCode)).trimmed()),
                 HtmlEscape(g.Comment)},
                {2});
        TableEnd();
    }
    TableStart(QStringLiteral("Table Schema SQL"), QString(), {});
    Mono(convTableLayoutToSQL(t));
    TableEnd();
    SectionEnd();
}

void Page::ViewSection(int n, const TViewLayout& v) {
    SectionStart(QStringLiteral("collapse closed"), QStringLiteral("dataview-%1").arg(n),
                 QStringLiteral(" &nbsp; &nbsp; &nbsp; View: ") + HtmlEscape(v.vName));
    QStringList refs;
    for (const QString& r : v.vRefs)
        refs << Linked(r);
    TableStart(QStringLiteral("Data View Properties"), QStringLiteral("db-props"),
               {"Property Name", "", "Property Value"});
    PropRow(QStringLiteral("Kind"), v.isTemp ? QStringLiteral("TEMP") : QStringLiteral("Persist"));
    PropRow(QStringLiteral("Columns"), QString::number(v.vCols.size()));
    PropRow(QStringLiteral("References"),
            refs.isEmpty() ? QStringLiteral("(None)") : refs.join(QStringLiteral(", ")), true);
    PropRow(QStringLiteral("Comment"), HtmlEscape(v.Comment));
    TableEnd();
    TableStart(QStringLiteral("Columns"), QString(),
               {"No.", "Column/Field Name/Definition", "Inferred Type"});
    for (qsizetype k = 0; k < v.vCols.size(); ++k)
        Row({QString::number(k + 1), HtmlEscape(v.vCols[k]), HtmlEscape(v.vTypes.value(k))}, {1});
    TableEnd();
    TableStart(QStringLiteral("Data View SQL"), QString(), {});
    Mono(sqlFrom(v));
    TableEnd();
    SectionEnd();
}

QStringList Page::Render() {
    Head();
    Style();
    out << QStringLiteral("<body>");
    out << QStringLiteral("<div id=\"wrapper\" >");
    out << QStringLiteral("<div class=\"index clearfix\"><h3>Database:</h3><h1>") +
               HtmlEscape(DocFileName(L.sFile)) + QStringLiteral("</h1>");
    out << QStringLiteral("<div class=\"buttons\"><button onclick=\"closeAll()\">Collapse "
                          "all</button> <button onclick=\"openAll()\">Open all</button></div>");
    out << QStringLiteral("</div>");
    TableIndexSection();
    if (!L.aVws.isEmpty()) ViewIndexSection();
    PropertiesSection();
    int n = 0;
    for (const TTableLayout& t : L.aTbl)
        TableSection(++n, t);
    n = 0;
    for (const TViewLayout& v : L.aVws)
        ViewSection(++n, v);
    out << QStringLiteral("</div>");
    out << QStringLiteral("</body>");
    out << QStringLiteral("</html>");
    return out;
}

} // namespace

QStringList HtmlDocLines(const TDBLayout& l, const HtmlPrefs& prefs) {
    if (l.dHdr.Status != 0) return {NotLoadedLine(l)};
    return Page(l, prefs).Render();
}

QByteArray JQueryBytes() {
    QFile f(QStringLiteral(":/skylark/jquery.js"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool EnsureJQuery(const QString& folder) {
    const QString path = QDir(folder).filePath(QStringLiteral("jquery.js"));
    if (QFileInfo::exists(path)) return true;
    const QByteArray bytes = JQueryBytes();
    QSaveFile f(path);
    return !bytes.isEmpty() && f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() &&
           f.commit();
}

bool ExportHtmlDoc(const TDBLayout& l, const HtmlPrefs& prefs, const QString& file,
                   QString& message) {
    const QFileInfo info(file);
    if (!EnsureJQuery(info.absolutePath())) {
        message = kCannotWriteOutput;
        return false;
    }
    return SaveDocLines(HtmlDocLines(l, prefs), file, message);
}

} // namespace sky
