// The query pop-out's run, copies and saves.
#include "design/QueryPopOut.h"

#include "engine/Database.h"
#include "support/Csv.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"

#include <vector>

namespace sky {

namespace {
const QString kNoRows = QStringLiteral("No results to copy or save.");

QString Joined(const QStringList& lines) {
    QString r;
    for (const QString& l : lines)
        r += l + QStringLiteral("\r\n");
    return r;
}
} // namespace

namespace {
std::vector<std::weak_ptr<ConnectionHandle>>& Registered() {
    static std::vector<std::weak_ptr<ConnectionHandle>> handles;
    return handles;
}
} // namespace

std::shared_ptr<ConnectionHandle> RegisterConnection(TSQLite3Database* db) {
    auto& all = Registered();
    std::erase_if(all, [](const std::weak_ptr<ConnectionHandle>& h) { return h.expired(); });
    auto handle = std::make_shared<ConnectionHandle>(ConnectionHandle{db});
    all.push_back(handle);
    return handle;
}

std::weak_ptr<ConnectionHandle> ConnectionOf(const TSQLite3Database* db) {
    for (const std::weak_ptr<ConnectionHandle>& h : Registered())
        if (const auto live = h.lock(); live && live->db == db) return h;
    return {};
}

bool PopOutOpens(const TSQLite3Database* db, const QString& sql) {
    return db && db->IsOpen() && !db->TransactionOpen() && !TrimText(sql).isEmpty();
}

QString PopOutCaption(const QString& sql) {
    return QStringLiteral("SQL Query [") + sql.left(50) + QStringLiteral("...]");
}

QueryPopOut::QueryPopOut(std::weak_ptr<ConnectionHandle> db, const QString& sql, QStringList lines)
    : FDb(std::move(db)), FSql(sql), FLines(std::move(lines)) {
    FRunFirst = FLines.isEmpty();
}

bool QueryPopOut::Run() {
    FLines.clear();
    FStatus = kPopOutQuerying;
    const std::shared_ptr<ConnectionHandle> handle = FDb.lock();
    TSQLite3Database* db = handle ? handle->db : nullptr;
    if (!db || !db->IsOpen()) {
        FStatus = kPopOutNotConnected;
        return false;
    }
    if (TrimText(FSql).isEmpty()) {
        FStatus = kPopOutNoQuery;
        return false;
    }
    if (db->IsBusy()) {
        FStatus = QStringLiteral("Error: Busy executing a prior Query...");
        return false;
    }
    try {
        QStringList lines;
        if (!db->QueryToCSV(lines, FSql, false, false, -1, -1, false)) {
            FStatus = db->LastError();
            return false;
        }
        while (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        FLines = std::move(lines);
    } catch (const std::exception& e) {
        FStatus = QStringLiteral("Query Exception (") + ExceptionClassName(e) +
                  QStringLiteral("): ") + ExceptionText(e);
        return false;
    }
    FStatus = kPopOutSuccess;
    return true;
}

QString QueryPopOut::CopyText(PopOutCopy kind) {
    if (FLines.isEmpty()) {
        FStatus = kNoRows;
        return QString();
    }
    QStringList out;
    switch (kind) {
    case PopOutCopy::Csv:
        return GridToClipboard(LinesToGrid(FLines, u','), {}, QStringLiteral(","));
    case PopOutCopy::Excel:
        return GridToClipboard(LinesToGrid(FLines, u','), {}, QStringLiteral("\t"));
    case PopOutCopy::Xml:
        CSVLinesToXML(FLines, out, u',');
        break;
    case PopOutCopy::Json:
        CSVLinesToJSON(FLines, out, u',');
        break;
    }
    if (out.isEmpty()) {
        FStatus = kNoRows;
        return QString();
    }
    return Joined(out);
}

QString QueryPopOut::SaveFilter(PopOutSave kind) {
    return kind == PopOutSave::Csv   ? QStringLiteral("CSV Files|*.csv|All Files|*.*")
           : kind == PopOutSave::Xml ? QStringLiteral("XML Files|*.xml|All Files|*.*")
                                     : QStringLiteral("JSON Files|*.json; *.txt|All Files|*.*");
}

QString QueryPopOut::SaveSuffix(PopOutSave kind) {
    return kind == PopOutSave::Csv   ? QStringLiteral("csv")
           : kind == PopOutSave::Xml ? QStringLiteral("xml")
                                     : QStringLiteral("json");
}

bool QueryPopOut::Save(PopOutSave kind, const QString& file) {
    QString text;
    if (kind == PopOutSave::Csv) {
        if (FLines.size() < 2) {
            FStatus = kNoRows;
            return false;
        }
        text = Joined(FLines);
    } else {
        text = CopyText(kind == PopOutSave::Xml ? PopOutCopy::Xml : PopOutCopy::Json);
        if (text.isEmpty()) return false;
    }
    QString why;
    if (!WriteFileAtomic(file, QByteArray("\xEF\xBB\xBF") + text.toUtf8(), &why)) {
        FStatus = QStringLiteral("Error saving to ") + file + QStringLiteral(": ") + why;
        return false;
    }
    FStatus = QStringLiteral("Saved to ") + file;
    return true;
}

CommentEdit CommentSelection(const QString& text, qsizetype selStart, qsizetype selEnd, bool block,
                             bool add) {
    qsizetype a = std::clamp<qsizetype>(std::min(selStart, selEnd), 0, text.size());
    qsizetype b = std::clamp<qsizetype>(std::max(selStart, selEnd), 0, text.size());
    const bool selection = b > a;
    if (!selection) {
        // The current line, from the previous line break to the next.
        while (a > 0 && text[a - 1] != u'\n' && text[a - 1] != u'\r')
            --a;
        while (b < text.size() && text[b] != u'\n' && text[b] != u'\r')
            ++b;
    } else {
        for (int i = 0; i < 2 && b > a && (text[b - 1] == u'\n' || text[b - 1] == u'\r'); ++i)
            --b;
    }
    const QString part = text.mid(a, b - a);
    QString out;
    if (block) {
        if (add) {
            out = QStringLiteral("/*\r\n") + part + QStringLiteral("\r\n*/");
        } else {
            out = part;
            const QString t = TrimText(out);
            if (t.startsWith(QLatin1String("/*")) && t.endsWith(QLatin1String("*/"))) {
                out = t.mid(2, t.size() - 4);
                while (out.startsWith(QLatin1String("\r\n")))
                    out.remove(0, 2);
                while (out.endsWith(QLatin1String("\r\n")))
                    out.chop(2);
            }
        }
    } else {
        // Line by line, keeping each line's own break.
        qsizetype p = 0;
        while (p <= part.size()) {
            qsizetype e = p;
            while (e < part.size() && part[e] != u'\n' && part[e] != u'\r')
                ++e;
            QString line = part.mid(p, e - p);
            if (add) {
                if (!TrimText(line).isEmpty()) line = QStringLiteral("--") + line;
            } else {
                qsizetype lead = 0;
                while (lead < line.size() && line[lead].unicode() <= ' ')
                    ++lead;
                if (line.mid(lead).startsWith(QLatin1String("--"))) line.remove(lead, 2);
            }
            out += line;
            qsizetype next = e;
            if (next < part.size() && part[next] == u'\r') ++next;
            if (next < part.size() && part[next] == u'\n') ++next;
            out += part.mid(e, next - e);
            if (next == e) break;
            p = next;
        }
    }
    CommentEdit r;
    r.text = text.left(a) + out + text.mid(b);
    r.selStart = a;
    r.selEnd = a + out.size();
    r.keepSelection = selection;
    return r;
}

} // namespace sky
