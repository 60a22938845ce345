// Private to the engine: the scaffold every operation of a connection shares
// (OperationGuard) and the one row loop of every reader of query results
// (TSQLite3Database::ReadRows with a RowSink).
#pragma once

#include "engine/Database.h"
#include "engine/ExportText.h"
#include "support/TextUtil.h"

#include <exception>
#include <string>

namespace sky {

class TSQLite3Statement;

// One operation of a connection. The constructor delivers pending update
// notifications and refuses a busy connection (LastError: the caller's busy
// text). Begin() sets the busy flag, allows progress and opens the
// operation's statistics bracket; the destructor closes the bracket and
// clears the flag (carrying out a Close() requested meanwhile). Run() turns
// an exception into LastError in the caller's wording: prefix + "(" + class
// + "): " + message.
class OperationGuard {
public:
    OperationGuard(TSQLite3Database& db, const QString& busyText, const QString& exceptionPrefix);
    ~OperationGuard();
    OperationGuard(const OperationGuard&) = delete;
    OperationGuard& operator=(const OperationGuard&) = delete;

    // False when the connection was busy.
    bool Admitted() const { return FAdmitted; }
    void Begin();
    // Closes the statistics bracket now (before the result is decided).
    void EndStats();
    // Pending notifications are delivered again when a begun operation ends.
    void DispatchAtEnd() { FDispatchAtEnd = true; }
    // An exception keeps a LastError set before it (the exception text only
    // fills an empty one).
    void KeepEarlierError() { FKeepEarlierError = true; }

    // body() with every exception caught: LastError gets the exception text,
    // then onFailure() runs (an exporter writes the error into its output),
    // and the result is false.
    template <typename Body, typename OnFailure> bool Run(Body&& body, OnFailure&& onFailure) {
        try {
            return body();
        } catch (const std::exception& e) {
            Failed(ExceptionText(e));
        } catch (...) {
            Failed(UnknownExceptionText());
        }
        try {
            onFailure();
        } catch (...) {
        }
        return false;
    }
    template <typename Body> bool Run(Body&& body) {
        return Run(std::forward<Body>(body), [] {});
    }

private:
    void Failed(const QString& exceptionText);

    TSQLite3Database& FDb;
    QString FExceptionPrefix;
    bool FAdmitted = false;
    bool FBegun = false;
    bool FStatsOpen = false;
    bool FDispatchAtEnd = false;
    bool FKeepEarlierError = false;
    qint32 FLevel = 0; // statistics level inside the bracket
};

// The size limit of a reader: memLimit < 0 is the default, 0 no limit.
inline qint64 ReadLimit(int memLimit) {
    return memLimit < 0 ? kDefaultMemLimit : memLimit;
}

// The two size-limit tests: stop after the row at which the output reaches
// the limit (AtOrBeyond: CSV, SQL, the results grid, single columns) or
// passes it (Beyond: JSON, XML). A stop by the limit is a complete read.
enum class SizeStop { AtOrBeyond, Beyond };

// What a sink makes of the first step (a row, or none).
enum class RowsStart {
    Read,     // read the rows (none when there is no row)
    Finished, // want no rows: complete
    Refused,  // cannot take this result; LastError says why
};

enum class RowsEnd {
    NoStatement,     // nothing prepared: empty text, a comment, or a prepare error
    FirstStepFailed, // the first step failed (recorded through CheckResult)
    Refused,         // the sink refused the result
    Finished,        // the sink wanted no rows
    Done,            // every row read
    SizeLimit,       // stopped by the size limit
    StepFailed,      // a later step failed (recorded through CheckResult)
    WriteFailed,     // the sink could not write a row
};

struct RowsRead {
    RowsEnd end = RowsEnd::NoStatement;
    int cols = 0;
    qint64 rows = 0;
    bool Complete() const {
        return end == RowsEnd::Finished || end == RowsEnd::Done || end == RowsEnd::SizeLimit;
    }
};

// Where ReadRows puts a result. The statement is passed for column names,
// types and values; it stands on the row being read.
class RowSink {
public:
    virtual ~RowSink() = default;
    // The first step gave a row (hasRow: a row with columns) or none.
    virtual RowsStart Start(TSQLite3Statement& stmt, bool hasRow) = 0;
    // Row `index` (0-based).
    virtual void Row(TSQLite3Statement& stmt, qint64 index) = 0;
    // What the rows so far measure, against the size limit.
    virtual qint64 Size() const = 0;
    // After each row: hands full buffers on; false when a write failed.
    virtual bool RowDone() { return true; }
    // The read is over: footers; the result of the read.
    virtual bool End(const RowsRead& r) { return r.Complete(); }
    // Everything still held goes out; false when a write failed.
    virtual bool Flush() { return true; }
    virtual QString WriteError() const { return QString(); }
};

// A sink that writes text through an ExportOut: the size is the position
// the output has reached.
class OutputSink : public RowSink {
public:
    explicit OutputSink(ExportOut& out) : FOut(out), FBuf(out.Buf()) {}
    qint64 Size() const override { return FOut.Pos(); }
    bool RowDone() override {
        FOut.RowDone();
        return !FOut.Failed();
    }
    bool Flush() override { return FOut.Finish(); }
    QString WriteError() const override { return FOut.ErrorText(); }

protected:
    ExportOut& FOut;
    std::string& FBuf;
};

} // namespace sky
