// Failure injection for tests of operations that write.
//
// SQLite's own discipline: make a write fail in the middle, then check that
// the operation reported the failure, left nothing half-done and that the
// file still passes PRAGMA integrity_check. The ways to fail:
// - disk full: SetMaxPageCount() caps a database just above its size;
// - I/O errors: a ScopedFault makes a VFS shim (wrapping the platform VFS)
//   the default for connections opened while it lives, and fails the Nth
//   write or sync of any file (or of one kind of file) with SQLITE_FULL or
//   SQLITE_IOERR;
// - out of memory: ScopedHeapLimit sets sqlite3_hard_heap_limit64;
// - a full output device for a child program: RunProgramWithFileLimit runs it
//   with RLIMIT_FSIZE, so its writes beyond the limit fail with EFBIG.
// ExpectIntegrityOk() opens the file through the plain platform VFS.
#pragma once

#include "common/Process.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sqlite3.h>
#include <sys/resource.h>

namespace sky::test {

enum class FaultOp { Write, Sync };

// Which files a fault counts: any, or only those opened with this flag
// (SQLITE_OPEN_MAIN_DB, SQLITE_OPEN_MAIN_JOURNAL, SQLITE_OPEN_WAL, ...).
constexpr int kAnyFile = 0;

namespace fault_detail {

struct State {
    bool armed = false;
    FaultOp op = FaultOp::Write;
    int fileKind = kAnyFile;
    int countdown = 0; // the failing call is the one that brings it to 0
    int errorCode = SQLITE_IOERR_WRITE;
    bool persistent = true; // every later call fails too, as on a full disk
    bool fired = false;
    int calls = 0; // counted calls while armed
};

inline State& TheState() {
    static State s;
    return s;
}

struct File {
    sqlite3_file base;  // our methods
    int kind;           // the SQLITE_OPEN_* kind flags it was opened with
    sqlite3_file* real; // the wrapped file, allocated right behind this struct
};

inline sqlite3_vfs* Real() {
    static sqlite3_vfs* real = sqlite3_vfs_find("unix");
    return real;
}

// True when this call must fail.
inline bool Fails(File* f, FaultOp op) {
    State& s = TheState();
    if (!s.armed || s.op != op) return false;
    if (s.fileKind != kAnyFile && !(f->kind & s.fileKind)) return false;
    ++s.calls;
    if (s.fired) return s.persistent;
    if (--s.countdown > 0) return false;
    s.fired = true;
    return true;
}

inline File* Of(sqlite3_file* p) {
    return reinterpret_cast<File*>(p);
}

inline int xClose(sqlite3_file* p) {
    return Of(p)->real->pMethods ? Of(p)->real->pMethods->xClose(Of(p)->real) : SQLITE_OK;
}
inline int xRead(sqlite3_file* p, void* b, int n, sqlite3_int64 o) {
    return Of(p)->real->pMethods->xRead(Of(p)->real, b, n, o);
}
inline int xWrite(sqlite3_file* p, const void* b, int n, sqlite3_int64 o) {
    if (Fails(Of(p), FaultOp::Write)) return TheState().errorCode;
    return Of(p)->real->pMethods->xWrite(Of(p)->real, b, n, o);
}
inline int xTruncate(sqlite3_file* p, sqlite3_int64 n) {
    return Of(p)->real->pMethods->xTruncate(Of(p)->real, n);
}
inline int xSync(sqlite3_file* p, int flags) {
    if (Fails(Of(p), FaultOp::Sync)) return SQLITE_IOERR_FSYNC;
    return Of(p)->real->pMethods->xSync(Of(p)->real, flags);
}
inline int xFileSize(sqlite3_file* p, sqlite3_int64* n) {
    return Of(p)->real->pMethods->xFileSize(Of(p)->real, n);
}
inline int xLock(sqlite3_file* p, int l) {
    return Of(p)->real->pMethods->xLock(Of(p)->real, l);
}
inline int xUnlock(sqlite3_file* p, int l) {
    return Of(p)->real->pMethods->xUnlock(Of(p)->real, l);
}
inline int xCheckReservedLock(sqlite3_file* p, int* r) {
    return Of(p)->real->pMethods->xCheckReservedLock(Of(p)->real, r);
}
inline int xFileControl(sqlite3_file* p, int op, void* arg) {
    return Of(p)->real->pMethods->xFileControl(Of(p)->real, op, arg);
}
inline int xSectorSize(sqlite3_file* p) {
    return Of(p)->real->pMethods->xSectorSize(Of(p)->real);
}
inline int xDeviceCharacteristics(sqlite3_file* p) {
    return Of(p)->real->pMethods->xDeviceCharacteristics(Of(p)->real);
}
inline int xShmMap(sqlite3_file* p, int pg, int sz, int ext, void volatile** pp) {
    return Of(p)->real->pMethods->xShmMap(Of(p)->real, pg, sz, ext, pp);
}
inline int xShmLock(sqlite3_file* p, int off, int n, int flags) {
    return Of(p)->real->pMethods->xShmLock(Of(p)->real, off, n, flags);
}
inline void xShmBarrier(sqlite3_file* p) {
    Of(p)->real->pMethods->xShmBarrier(Of(p)->real);
}
inline int xShmUnmap(sqlite3_file* p, int del) {
    return Of(p)->real->pMethods->xShmUnmap(Of(p)->real, del);
}

// Version 2 methods (no memory mapping), so SQLite always calls xWrite.
inline const sqlite3_io_methods* Methods() {
    static const sqlite3_io_methods m = {2,
                                         xClose,
                                         xRead,
                                         xWrite,
                                         xTruncate,
                                         xSync,
                                         xFileSize,
                                         xLock,
                                         xUnlock,
                                         xCheckReservedLock,
                                         xFileControl,
                                         xSectorSize,
                                         xDeviceCharacteristics,
                                         xShmMap,
                                         xShmLock,
                                         xShmBarrier,
                                         xShmUnmap,
                                         nullptr,
                                         nullptr};
    return &m;
}

inline int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* p, int flags, int* out) {
    File* f = Of(p);
    f->real = reinterpret_cast<sqlite3_file*>(f + 1);
    f->kind = flags;
    std::memset(f->real, 0, size_t(Real()->szOsFile));
    const int rc = Real()->xOpen(Real(), name, f->real, flags, out);
    p->pMethods = f->real->pMethods ? Methods() : nullptr;
    return rc;
}
inline int xDelete(sqlite3_vfs*, const char* n, int s) {
    return Real()->xDelete(Real(), n, s);
}
inline int xAccess(sqlite3_vfs*, const char* n, int f, int* r) {
    return Real()->xAccess(Real(), n, f, r);
}
inline int xFullPathname(sqlite3_vfs*, const char* n, int size, char* out) {
    return Real()->xFullPathname(Real(), n, size, out);
}
inline void* xDlOpen(sqlite3_vfs*, const char* n) {
    return Real()->xDlOpen(Real(), n);
}
inline void xDlError(sqlite3_vfs*, int n, char* m) {
    Real()->xDlError(Real(), n, m);
}
inline void (*xDlSym(sqlite3_vfs*, void* h, const char* s))(void) {
    return Real()->xDlSym(Real(), h, s);
}
inline void xDlClose(sqlite3_vfs*, void* h) {
    Real()->xDlClose(Real(), h);
}
inline int xRandomness(sqlite3_vfs*, int n, char* out) {
    return Real()->xRandomness(Real(), n, out);
}
inline int xSleep(sqlite3_vfs*, int us) {
    return Real()->xSleep(Real(), us);
}
inline int xCurrentTime(sqlite3_vfs*, double* t) {
    return Real()->xCurrentTime(Real(), t);
}
inline int xGetLastError(sqlite3_vfs*, int n, char* m) {
    return Real()->xGetLastError(Real(), n, m);
}
inline int xCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* t) {
    return Real()->xCurrentTimeInt64(Real(), t);
}

// The shim, registered once (not as the default) and kept for the process.
inline sqlite3_vfs* Vfs() {
    static sqlite3_vfs* vfs = [] {
        static sqlite3_vfs v{};
        v.iVersion = 2;
        v.szOsFile = int(sizeof(File)) + Real()->szOsFile;
        v.mxPathname = Real()->mxPathname;
        v.zName = "skylark-fault";
        v.xOpen = xOpen;
        v.xDelete = xDelete;
        v.xAccess = xAccess;
        v.xFullPathname = xFullPathname;
        v.xDlOpen = xDlOpen;
        v.xDlError = xDlError;
        v.xDlSym = xDlSym;
        v.xDlClose = xDlClose;
        v.xRandomness = xRandomness;
        v.xSleep = xSleep;
        v.xCurrentTime = xCurrentTime;
        v.xGetLastError = xGetLastError;
        v.xCurrentTimeInt64 = xCurrentTimeInt64;
        sqlite3_vfs_register(&v, 0);
        return &v;
    }();
    return vfs;
}

} // namespace fault_detail

// While it lives, connections opened without a VFS name go through the shim,
// and the nth counted call of `op` fails (with every later one when
// `persistent`, as on a full disk). Connections opened meanwhile may outlive
// it; they then run unharmed.
class ScopedFault {
public:
    ScopedFault(FaultOp op, int nth, int fileKind = kAnyFile, int errorCode = SQLITE_FULL,
                bool persistent = true) {
        fault_detail::State& s = fault_detail::TheState();
        s = fault_detail::State{};
        s.op = op;
        s.countdown = nth;
        s.fileKind = fileKind;
        s.errorCode = errorCode;
        s.persistent = persistent;
        s.armed = true;
        sqlite3_vfs_register(fault_detail::Vfs(), 1);
    }
    ~ScopedFault() {
        fault_detail::TheState().armed = false;
        sqlite3_vfs_register(fault_detail::Real(), 1);
    }
    ScopedFault(const ScopedFault&) = delete;
    ScopedFault& operator=(const ScopedFault&) = delete;

    bool Fired() const { return fault_detail::TheState().fired; }
    int Calls() const { return fault_detail::TheState().calls; }
};

// Caps the database at its current size plus `spare` pages: later growth
// fails with SQLITE_FULL. The cap holds for this connection only.
inline void SetMaxPageCount(sqlite3* db, int spare = 0, const char* schema = "main") {
    sqlite3_stmt* st = nullptr;
    const QByteArray count = QByteArray("PRAGMA \"") + schema + "\".page_count;";
    ASSERT_EQ(sqlite3_prepare_v2(db, count.constData(), -1, &st, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW) << sqlite3_errmsg(db);
    const sqlite3_int64 pages = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    const QByteArray sql = QByteArray("PRAGMA \"") + schema +
                           "\".max_page_count = " + QByteArray::number(pages + spare) + ";";
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, &err);
    ASSERT_EQ(rc, SQLITE_OK) << (err ? err : "");
    sqlite3_free(err);
}

// Limits the heap of SQLite (all connections) while it lives.
class ScopedHeapLimit {
public:
    explicit ScopedHeapLimit(sqlite3_int64 bytes) : FOld(sqlite3_hard_heap_limit64(bytes)) {}
    ~ScopedHeapLimit() { sqlite3_hard_heap_limit64(FOld); }
    ScopedHeapLimit(const ScopedHeapLimit&) = delete;
    ScopedHeapLimit& operator=(const ScopedHeapLimit&) = delete;

private:
    sqlite3_int64 FOld;
};

// PRAGMA integrity_check of a file, through the platform VFS and read-only.
inline QByteArray IntegrityCheck(const QString& file) {
    sqlite3* db = nullptr;
    QByteArray result;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, "unix") !=
        SQLITE_OK) {
        result = QByteArray("cannot open: ") + sqlite3_errmsg(db);
    } else {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check;", -1, &st, nullptr) != SQLITE_OK) {
            result = QByteArray("cannot check: ") + sqlite3_errmsg(db);
        } else {
            while (sqlite3_step(st) == SQLITE_ROW) {
                if (!result.isEmpty()) result += '\n';
                result += reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            }
        }
        sqlite3_finalize(st);
    }
    sqlite3_close_v2(db);
    return result;
}

#define EXPECT_INTEGRITY_OK(file) EXPECT_EQ(::sky::test::IntegrityCheck(file), QByteArray("ok"))

// Runs a program whose files may grow to at most maxFileBytes: a write past
// that fails with EFBIG (SIGXFSZ is ignored), as on a full disk.
inline ProcessResult RunProgramWithFileLimit(const QString& program, const QStringList& args,
                                             qint64 maxFileBytes, const QByteArray& input = {}) {
    return RunProgram(program, args, input, [maxFileBytes] {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit lim = {rlim_t(maxFileBytes), rlim_t(maxFileBytes)};
        setrlimit(RLIMIT_FSIZE, &lim);
    });
}

} // namespace sky::test
