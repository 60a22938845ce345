// The HTML documentation of a database record: one page with an index of
// tables and views, the properties and pragma settings, and a collapsible
// section per table and view, coloured from eleven preferences; the jQuery
// file the page uses, written beside it. Every text from the database file
// is escaped, so a page is safe to open whatever the file holds.
#pragma once

#include "analysis/DbLayout.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace sky {

// Colours as 0xRRGGBB.
struct HtmlPrefs {
    quint32 HdrBarStd = 0, HdrBarProps = 0, HdrBarKeys = 0, HdrBarIdxs = 0, HdrBarTrigs = 0,
            HdrTextStd = 0, TextStd = 0, TextHilite = 0, BGStd = 0, BlockBar = 0;
    int lineStrength = 10; // 0..18

    // The pre-set schemes in menu order (0..7); before any setting is read
    // the preferences are scheme 0 with a strength of 10.
    static HtmlPrefs Scheme(int n);
    static HtmlPrefs Initial();
    // From and to the settings store (colours stored with red in the low byte).
    void Read();
    void Write() const;
    // The ten colours in the panel's order, for the colour dialog.
    QList<quint32*> Colours();
};
extern const QStringList kHtmlSchemeNames;

// & < > " ' as entities.
QString HtmlEscape(const QString& text);
// "#RRGGBB".
QString HtmlColour(quint32 rgb);
// c blended toward #808080 by k x strength percent.
quint32 Shade(quint32 c, int k, int strength);

// The page (documentation mode 4).
QStringList HtmlDocLines(const TDBLayout& l, const HtmlPrefs& prefs);

// The jQuery library the page uses, as shipped.
QByteArray JQueryBytes();
// Writes "jquery.js" into folder unless it is there; false when it cannot.
bool EnsureJQuery(const QString& folder);
inline const QString kCannotWriteOutput =
    QStringLiteral("Could not write Output file. Please ensure destination path is accessible.");

// The export: jquery.js beside file when the folder has none, then the page;
// false with the message the window and the command line show.
bool ExportHtmlDoc(const TDBLayout& l, const HtmlPrefs& prefs, const QString& file,
                   QString& message);

} // namespace sky
