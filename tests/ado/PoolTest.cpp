// Connection pooling against the PostgreSQL test server: a backend process id tells
// whether an open logged in again or took a pooled connection.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "platform/ado/ConnStr.h"
#include "platform/ado/Connection.h"
#include "platform/ado/OdbcProvider.h"
#include "platform/ado/Recordset.h"
#include "support/PgServer.h"

using namespace pf;
using namespace pf::ado;

namespace {

class PoolTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { pftest::PgServer::Shared().CreateDatabase("pfpool"); }
  void SetUp() override { OdbcProvider::ClearPool(); }
  void TearDown() override { OdbcProvider::ClearPool(); }

  static std::string Cs(const std::string& extra = {}) {
    return pftest::PgServer::Shared().OdbcString("pfpool") + extra;
  }
  static std::string Pid(Connection& c) { return c.Execute("SELECT pg_backend_pid() AS pid")->Value("pid"); }
  // Opens, reads the backend id, runs `between` on the open connection, closes.
  static std::string Cycle(const std::string& cs, const std::function<void(Connection&)>& between = {}) {
    auto c = Connection::Create();
    c->Open(cs);
    const std::string pid = Pid(*c);
    if (between) between(*c);
    c->Close();
    return pid;
  }
};

TEST_F(PoolTest, OneBackendServesEveryOpenCloseCycle) {
  const long loginsBefore = OdbcProvider::PoolStatistics().Logins;
  const std::string first = Cycle(Cs());
  for (int i = 0; i < 100; ++i) ASSERT_EQ(Cycle(Cs()), first) << "cycle " << i;
  EXPECT_EQ(OdbcProvider::PoolStatistics().Logins - loginsBefore, 1);
  EXPECT_EQ(OdbcProvider::PoolStatistics().Idle, 1);

  // Two connections open at once are two backends; both go back to the pool.
  auto a = Connection::Create(), b = Connection::Create();
  a->Open(Cs());
  b->Open(Cs());
  EXPECT_NE(Pid(*a), Pid(*b));
  a.reset();  // dropping an open connection returns it as well
  b->Close();
  EXPECT_EQ(OdbcProvider::PoolStatistics().Idle, 2);
  // Another string is another key.
  EXPECT_NE(Cycle(Cs(";ApplicationName=other")), first);
}

TEST_F(PoolTest, ConnectionsThatAreNotPooled) {
  struct Case {
    const char* what;
    std::string cs;
    std::function<void(Connection&)> between;
  };
  const Case cases[] = {
      {"OLE DB Services=-2", Cs(";OLE DB Services=-2"), {}},
      {"Pooling=False", Cs(";Pooling=False"), {}},
      {"a failed statement", Cs(),
       [](Connection& c) { EXPECT_THROW(c.Execute("SELECT * FROM no_such_table"), AppError); }},
      {"an open transaction", Cs(), [](Connection& c) { c.BeginTrans(); }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    OdbcProvider::ClearPool();
    const std::string first = Cycle(k.cs, k.between);
    EXPECT_EQ(OdbcProvider::PoolStatistics().Idle, 0);
    EXPECT_NE(Cycle(k.cs), first);
  }
  // A committed transaction leaves the connection poolable, in autocommit again.
  OdbcProvider::ClearPool();
  const std::string first = Cycle(Cs(), [](Connection& c) {
    c.BeginTrans();
    c.CommitTrans();
  });
  EXPECT_EQ(Cycle(Cs()), first);
}

TEST_F(PoolTest, ADroppedConnectionIsReplacedSilently) {
  const std::string first = Cycle(Cs());
  // The server ends the pooled connection's backend while it sits idle.
  auto admin = Connection::Create();
  admin->Open(Cs(";Pooling=False"));
  EXPECT_EQ(admin->Execute("SELECT pg_terminate_backend(" + first + ") AS ok")->Value("ok"), "1");
  for (int i = 0; i < 50 && admin->Execute("SELECT count(*) AS n FROM pg_stat_activity WHERE pid = " + first)
                                    ->Value("n") != "0";
       ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const long loginsBefore = OdbcProvider::PoolStatistics().Logins;
  std::string second;
  ASSERT_NO_THROW(second = Cycle(Cs()));
  EXPECT_NE(second, first);
  EXPECT_EQ(OdbcProvider::PoolStatistics().Logins - loginsBefore, 1);
  EXPECT_EQ(Cycle(Cs()), second);
}

TEST_F(PoolTest, IdleConnectionsCloseAfterTheIdleLimit) {
  const auto previous = OdbcProvider::SetPoolIdleLimit(std::chrono::milliseconds(50));
  const std::string first = Cycle(Cs());
  auto admin = Connection::Create();
  admin->Open(Cs(";Pooling=False"));
  // The backend ends on time, without another open or close to notice the limit.
  bool gone = false;
  for (int i = 0; i < 100 && !gone; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    gone = admin->Execute("SELECT count(*) AS n FROM pg_stat_activity WHERE pid = " + first)->Value("n") == "0";
  }
  EXPECT_TRUE(gone);
  EXPECT_EQ(OdbcProvider::PoolStatistics().Idle, 0);
  EXPECT_NE(Cycle(Cs()), first);
  OdbcProvider::SetPoolIdleLimit(previous);
}

TEST(ConnStrPooling, ServicesAndPoolingKeysTurnPoolingOffAndLeaveTheDriverString) {
  const struct {
    const char* cs;
    bool pooling;
  } cases[] = {
      {"DSN=x", true},
      {"DSN=x;OLE DB Services=-1", true},
      {"DSN=x;OLE DB Services=-2", false},
      {"DSN=x;OLE DB Services=-4", false},
      {"DSN=x;OLE DB Services=0", false},
      {"DSN=x;Pooling=False", false},
      {"DSN=x;pooling = no", false},
      {"DSN=x;Pooling=True", true},
  };
  for (const auto& c : cases) {
    const ConnStr::Target t = ConnStr::Translate(c.cs);
    EXPECT_EQ(t.Pooling, c.pooling) << c.cs;
    EXPECT_EQ(t.OdbcString, "DSN=x") << c.cs;
  }
  EXPECT_THROW(ConnStr::Translate("DSN=x;OLE DB Services=all"), ProviderError);
}

}  // namespace
