// The test helpers that inject failures do what they say: a capped database
// refuses to grow, the VFS shim fails the chosen call, and the engine's
// transaction leaves the file intact either way.
#include "common/FaultInject.h"
#include "common/Process.h"
#include "common/TempDb.h"

namespace sky::test {
namespace {

class FaultInjectTest : public TempDbTest {};

TEST_F(FaultInjectTest, CappedDatabaseIsFullAndStaysIntact) {
    Run(QStringLiteral("create table t(x); insert into t values(1);"));
    SetMaxPageCount(db.Handle(), 1);
    EXPECT_FALSE(db.Execute(QStringLiteral("insert into t select randomblob(100000);")));
    EXPECT_TRUE(db.LastError().contains(QStringLiteral("full"))) << db.LastError().toStdString();
    EXPECT_EQ(Value(QStringLiteral("select count(*) from t;")), QStringLiteral("1"));
    db.Close();
    EXPECT_INTEGRITY_OK(path);
}

TEST_F(FaultInjectTest, NthWriteAndSyncFail) {
    Run(QStringLiteral("create table t(x);"));
    db.Close();
    for (const FaultOp op : {FaultOp::Write, FaultOp::Sync}) {
        {
            ScopedFault fault(op, 1);
            TSQLite3Database faulty;
            ASSERT_TRUE(faulty.Open(path));
            EXPECT_FALSE(faulty.Execute(QStringLiteral("insert into t values(2);")));
            EXPECT_TRUE(fault.Fired());
        }
        EXPECT_INTEGRITY_OK(path);
        EXPECT_EQ(Shell(path, QStringLiteral("select count(*) from t;")), "0");
    }
}

} // namespace
} // namespace sky::test
