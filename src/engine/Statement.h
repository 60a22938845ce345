// TSQLite3Statement wraps one prepared engine statement; TSQLite3BlobHandler
// one incremental blob handle. Both register with their connection when
// created and unregister when destroyed. Closing the connection finalizes
// whatever is still registered and detaches it: the object stays valid for
// its owner, with a nil handle, and every further call fails harmlessly.
#pragma once

#include <QByteArray>
#include <QString>

struct sqlite3_stmt;
struct sqlite3_blob;

namespace sky {

class TSQLite3Database;

// Engine column types as ColumnType reports them.
enum TSQLiteColumnType { sctInteger = 1, sctFloat = 2, sctText = 3, sctBlob = 4, sctNull = 5 };

class TSQLite3Statement {
public:
    TSQLite3Statement(TSQLite3Database* OwnerDatabase, const QString& SQL);
    // From UTF-8 bytes as they are (names in them need not be valid UTF-8).
    TSQLite3Statement(TSQLite3Database* OwnerDatabase, const QByteArray& SQLUtf8);
    ~TSQLite3Statement();
    TSQLite3Statement(const TSQLite3Statement&) = delete;
    TSQLite3Statement& operator=(const TSQLite3Statement&) = delete;

    sqlite3_stmt* Handle() const { return FHandle; }
    TSQLite3Database* OwnerDatabase() const { return FOwnerDatabase; }

    // Binding by 1-based parameter index.
    void BindInt(int ParamIndex, qint32 Value);
    void BindInt64(int ParamIndex, qint64 Value);
    void BindDouble(int ParamIndex, double Value);
    void BindText(int ParamIndex, const QString& Value);
    void BindTextW(int ParamIndex, const QString& V);
    void BindNull(int ParamIndex);
    void BindBlob(int ParamIndex, const void* Data, int Size);
    void BindZeroBlob(int ParamIndex, int Size);
    // The same by parameter name (with its prefix character).
    void BindInt(const QString& ParamName, qint32 Value);
    void BindInt64(const QString& ParamName, qint64 Value);
    void BindDouble(const QString& ParamName, double Value);
    void BindText(const QString& ParamName, const QString& Value);
    void BindTextW(const QString& ParamName, const QString& V);
    void BindNull(const QString& ParamName);
    void BindBlob(const QString& ParamName, const void* Data, int Size);
    void BindZeroBlob(const QString& ParamName, int Size);
    int ParamIndex(const QString& ParamName) const;
    // Each bind and clear reports whether the engine accepted it.
    bool LastBindOk() const { return FLastBindOk; }
    void ClearBindings();

    int ColumnCount() const;
    QString ColumnName(int ColumnIndex) const;
    int ColumnType(int ColumnIndex) const;
    qint32 ColumnInt(int ColumnIndex) const;
    qint64 ColumnInt64(int ColumnIndex) const;
    double ColumnDouble(int ColumnIndex) const;
    QString ColumnText(int ColumnIndex) const;
    QByteArray ColumnTextRAW(int ColumnIndex) const;
    const char* ColumnTextNative(int ColumnIndex, int& lenText) const;
    const void* ColumnBlob(int ColumnIndex) const;
    int ColumnBytes(int ColumnIndex) const;
    QByteArray ColumnBlobText(int ColumnIndex, bool bConvertBlobs) const;

    // The engine's step result (100 row, 101 done, or an error code, which
    // the caller passes to CheckResult). Refused (SQLITE_MISUSE) while the
    // connection is inside another engine call.
    int Step();
    int Reset();
    void StepAndReset();

private:
    friend class TSQLite3Database;
    void Prepare(const QByteArray& utf8, const QString& text);
    void Detach(); // finalize and forget the owner (connection closing)
    void Bound(int rc);

    sqlite3_stmt* FHandle = nullptr;
    TSQLite3Database* FOwnerDatabase = nullptr;
    bool FLastBindOk = true;
};

// The hex text of a blob: "0x" + two upper-case digits per byte; empty for an
// empty blob; the overflow text when 2n + 2 does not fit a 32-bit length.
QByteArray BlobToHexText(const void* data, qint64 n);

class TSQLite3BlobHandler {
public:
    TSQLite3BlobHandler(TSQLite3Database* OwnerDatabase, const QString& DB, const QString& Table,
                        const QString& Column, qint64 RowID, bool WriteAccess);
    ~TSQLite3BlobHandler();
    TSQLite3BlobHandler(const TSQLite3BlobHandler&) = delete;
    TSQLite3BlobHandler& operator=(const TSQLite3BlobHandler&) = delete;

    sqlite3_blob* Handle() const { return FHandle; }
    TSQLite3Database* OwnerDatabase() const { return FOwnerDatabase; }
    int Bytes() const;
    bool Read(void* Buffer, int Size, int Offset);
    bool Write(const void* Buffer, int Size, int Offset);

private:
    friend class TSQLite3Database;
    void Detach();

    sqlite3_blob* FHandle = nullptr;
    TSQLite3Database* FOwnerDatabase = nullptr;
};

} // namespace sky
