// Byte-level building blocks of the result exporters. They work on the
// engine's UTF-8 text directly, without intermediate strings, because they
// run for every cell of every exported row.
#pragma once

#include <QBuffer>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <exception>
#include <string>

namespace sky {

QStringList SplitExportLines(const QString& text);

// A CSV field: quoted (inner quotes doubled) when longer than 64 bytes, when
// it holds a double quote, a comma or a line break, or when it starts or ends
// with a blank. With noLineBreaks every CR and LF becomes a space.
void AppendCsvField(std::string& out, const char* p, qsizetype n, bool noLineBreaks);
bool CsvFieldNeedsQuotes(const char* p, qsizetype n);

// A text cell in JSON: "" for empty text; null/true/false for those words
// (4 or 5 characters, any case, blanks around); a number bare when the text
// without spaces follows the JSON number grammar; otherwise a string.
void AppendJsonText(std::string& out, const char* p, qsizetype n);

// XML character data: & < > and " escaped.
void AppendXmlEscaped(std::string& out, const char* p, qsizetype n);

// The text form of an exporter: the stream form into memory, decoded.
template <typename StreamForm> bool ExportToText(QString& Results, StreamForm&& streamForm) {
    try {
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        const bool ok = streamForm(&buf);
        Results = QString::fromUtf8(buf.data());
        return ok;
    } catch (const std::exception&) {
        return false;
    }
}

// The list form of an exporter: one entry per CR LF line.
template <typename StreamForm> bool ExportToList(QStringList& Results, StreamForm&& streamForm) {
    QString text;
    const bool ok = ExportToText(text, streamForm);
    Results = SplitExportLines(text);
    return ok;
}

// Collects rows and hands them to the device in large pieces; remembers a
// failed write.
class ExportOut {
public:
    explicit ExportOut(QIODevice* dev) : FDev(dev), FStart(dev->isSequential() ? 0 : dev->pos()) {
        FBuf.reserve(kChunk + 4096);
    }
    ~ExportOut() { Flush(); }
    std::string& Buf() { return FBuf; }
    // Position the stream would have if everything were written now (on a
    // sequential device: the bytes of this output).
    qint64 Pos() const { return FStart + FHanded + qint64(FBuf.size()); }
    void RowDone() {
        if (FBuf.size() >= size_t(kChunk)) Flush();
    }
    bool Flush();
    // Flush(), and what a file device still buffers goes to the system, so
    // that a failing write is seen here and not only when the file closes.
    bool Finish();
    bool Failed() const { return FFailed; }
    QString ErrorText() const;

private:
    static constexpr qsizetype kChunk = 1 << 16;
    QIODevice* FDev;
    qint64 FStart;      // the device's position when the output began
    qint64 FHanded = 0; // bytes handed to the device
    std::string FBuf;
    bool FFailed = false;
};

} // namespace sky
