// The output table formatter.
#include "script/OutputTable.h"

#include "design/TableLayout.h"
#include "support/TextUtil.h"

#include <algorithm>

namespace sky {

namespace {
QStringList LinesOf(const QString& cell) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= cell.size(); ++i) {
        if (i < cell.size() && cell[i] != u'\r' && cell[i] != u'\n') continue;
        lines << cell.mid(start, i - start);
        if (i + 1 < cell.size() && cell[i] == u'\r' && cell[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    return lines;
}

} // namespace

QString OutputTable::Separator() const {
    QString s = FOpt.separator;
    s.replace(QLatin1String("TAB"), QStringLiteral("\t"));
    return s.isEmpty() ? QStringLiteral("  ") : s;
}

void OutputTable::Begin(const QStringList& headings) {
    if (FStatus > 0) Finish();
    FCols.clear();
    FRows.clear();
    FStatus = 0;
    if (headings.isEmpty()) return;
    for (const QString& h : headings)
        FCols.push_back({h});
    FStatus = 1;
}

void OutputTable::AddRow(const QStringList& cells) {
    if (FStatus == 0) return;
    QStringList row = cells.mid(0, qsizetype(FCols.size()));
    while (row.size() < qsizetype(FCols.size()))
        row << QString();
    FRows.push_back(std::move(row));
    if (int(FRows.size()) >= std::max(1, FOpt.bufferRows)) Write();
}

void OutputTable::Finish() {
    if (FStatus == 0) return;
    Write();
    FStatus = 0;
    FCols.clear();
}

void OutputTable::FixWidths() {
    for (size_t k = 0; k < FCols.size(); ++k) {
        Column& c = FCols[k];
        if (FRows.empty()) {
            c.width = std::clamp(int(c.head.size()), 1, 16);
            c.align = 0;
            c.wrap = false;
            continue;
        }
        int kind = 2;   // 2 whole number, 1 real, 0 text, 3 short text
        qint64 max = 0; // rising absolute values, -1 when they do not
        int longest = 0;
        for (const QStringList& row : FRows) {
            const QString& v = row[qsizetype(k)];
            if (v.contains(u'\r') || v.contains(u'\n')) {
                for (const QString& l : LinesOf(v))
                    longest = std::max(longest, int(l.size()));
                kind = 0;
                continue;
            }
            longest = std::max(longest, int(v.size()));
            if (v.isEmpty()) continue;
            if (!IsNumericLiteral(v)) kind = 0;
            if (kind == 2 && (v.size() > 10 || v.contains(u'.'))) kind = 1;
            if (kind == 2 && max >= 0) {
                QString digits = v;
                digits.remove(u' ').remove(u',');
                const qint64 a = std::llabs(digits.toLongLong());
                max = a > max ? a : -1;
            }
        }
        int g = std::clamp(int(c.head.size()), 3, 9);
        if (kind == 0 && longest < 4) {
            kind = 3;
            longest = 3;
        }
        if (kind == 1) g = std::clamp(longest + 4, g, std::max(g, 21));
        if (kind == 2 && max > 0) g = 12;
        c.width = std::max(g, std::min(longest + FOpt.padding, FOpt.maxWidth));
        c.align = kind == 0 ? 0 : kind == 1 ? 2 : 1;
        c.wrap = c.width > 12;
    }
}

QString OutputTable::Pad(const QString& text, const Column& c) const {
    const int spare = std::max(0, c.width - int(text.size()));
    if (c.align == 0) return text + QString(spare, u' ');
    if (c.align == 2) return QString(spare, u' ') + text;
    const int before = (spare + 1) / 2;
    return QString(before, u' ') + text + QString(spare - before, u' ');
}

void OutputTable::Write() {
    const QString sep = Separator();
    if (FStatus == 1) {
        FixWidths();
        // The headings: up to three lines each, bottom-aligned.
        std::vector<QStringList> heads;
        int tallest = 0;
        for (const Column& c : FCols) {
            QString rest = CollapseWhitespace(c.head);
            QStringList lines;
            while (!rest.isEmpty() && lines.size() < 3) {
                if (rest.size() <= c.width || lines.size() == 2) {
                    lines << rest.left(c.width);
                    rest.clear();
                } else {
                    lines << rest.left(c.width - 1) + u'-';
                    rest = rest.mid(c.width - 1);
                }
            }
            tallest = std::max(tallest, int(lines.size()));
            heads.push_back(lines);
        }
        for (int line = 0; line < tallest; ++line) {
            QStringList parts;
            for (size_t k = 0; k < FCols.size(); ++k) {
                const int offset = tallest - int(heads[k].size());
                parts << Pad(line >= offset ? heads[k][line - offset] : QString(), FCols[k]);
            }
            FWrite(parts.join(sep));
        }
        const QChar d = FOpt.divider.isEmpty() ? QChar(u'-') : FOpt.divider[0];
        QStringList divider;
        for (const Column& c : FCols)
            divider << QString(c.width, d);
        FWrite(divider.join(sep));
        FStatus = 2;
    }
    for (const QStringList& row : FRows) {
        std::vector<QStringList> cells;
        int tallest = 1;
        for (size_t k = 0; k < FCols.size(); ++k) {
            Column& c = FCols[k];
            QStringList out;
            for (QString l : LinesOf(row[qsizetype(k)])) {
                if (TrimText(l).isEmpty()) continue;
                while (l.size() > c.width) {
                    qsizetype cut = -1;
                    if (c.wrap) {
                        const qsizetype low = std::max<qsizetype>(c.width - 24, c.width / 2);
                        for (qsizetype i = c.width; i >= low && cut < 0; --i)
                            if (l[i] == u' ') cut = i + 1; // after the space
                        if (cut < 0) c.wrap = false;
                    }
                    if (cut < 0) cut = c.width;
                    out << l.left(cut);
                    l = l.mid(cut);
                }
                out << l;
            }
            tallest = std::max(tallest, int(out.size()));
            cells.push_back(out);
        }
        for (int line = 0; line < tallest; ++line) {
            QStringList parts;
            for (size_t k = 0; k < FCols.size(); ++k)
                parts << Pad(line < cells[k].size() ? cells[k][line] : QString(), FCols[k]);
            FWrite(parts.join(sep));
        }
    }
    FRows.clear();
}

} // namespace sky
