// A PostgreSQL catalogue through procforge-cli, as a user works with it: a new profile of
// server type 4 on a live psqlODBC string, its list, a snapshot, what diff says of a
// catalogue that changed since, against the server and against a second snapshot, and the
// schemas a profile names.

#include <gtest/gtest.h>

#include <string>

#include "support/PgServer.h"
#include "support/ProgramInstall.h"
#include "support/TestEnv.h"

namespace pftest {
namespace {

TEST(CliPostgres, ListSnapshotAndDiffOfALiveCatalogue) {
  PgServer& pg = PgServer::Shared();
  pg.CreateDatabase("pfpgcli");
  pg.Psql(
      "DROP FUNCTION IF EXISTS order_total(integer); DROP FUNCTION IF EXISTS order_total(integer, boolean);"
      "DROP PROCEDURE IF EXISTS order_cancel(integer); DROP FUNCTION IF EXISTS order_count();"
      "CREATE FUNCTION order_total(p_order_id integer) RETURNS numeric LANGUAGE sql AS $$ SELECT 1.5 $$;"
      "CREATE PROCEDURE order_cancel(p_order_id integer) LANGUAGE sql AS $$ SELECT 1 $$;",
      "pfpgcli");
  ProgramInstall cli;
  const std::string pfg = cli.File("Orders.PFG");
  const std::string live =
      "Provider=MSDASQL;Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=" + std::to_string(pg.Port()) +
      ";Database=pfpgcli;User ID=" + PgServer::kUser + ";Password=" + PgServer::kPassword;
  ProgramResult r = cli.Run({"configure", "--profile", pfg, "--new", "--set", "Server.SrvrType=4", "--set",
                             "Server.ConnPfg=" + live, "--set", "Code.ClassFile=" + cli.File("COrders.cls")});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;

  // Functions are wrapped in a new profile of this server type.
  r = cli.Run({"list", "--profile", pfg});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, "order_cancel\tExecOrderCancel\norder_total\tExecOrderTotal\n");

  const std::string before = cli.File("before.sql");
  r = cli.Run({"snapshot", "--profile", pfg, "-o", before});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  r = cli.Run({"diff", before, "--profile", pfg});
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_EQ(r.Out, "");

  // A new argument, a procedure gone, a function added.
  pg.Psql(
      "DROP FUNCTION order_total(integer); DROP PROCEDURE order_cancel(integer);"
      "CREATE FUNCTION order_total(p_order_id integer, p_with_tax boolean) RETURNS numeric LANGUAGE sql AS "
      "$$ SELECT 1.5 $$; CREATE FUNCTION order_count() RETURNS bigint LANGUAGE sql AS $$ SELECT 1::bigint $$;",
      "pfpgcli");
  const std::string changes =
      "order_cancel: procedure removed (breaking)\n"
      "order_count: procedure added\n"
      "order_total: parameter p_with_tax added (breaking)\n";
  r = cli.Run({"diff", before, "--profile", pfg});
  EXPECT_EQ(r.ExitCode, 1) << r.Err;
  EXPECT_EQ(r.Out, changes);
  const std::string after = cli.File("after.db");
  r = cli.Run({"snapshot", "--profile", pfg, "-o", after});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  r = cli.Run({"diff", before, after, "--profile", pfg});
  EXPECT_EQ(r.ExitCode, 1) << r.Err;
  EXPECT_EQ(r.Out, changes);
  // A snapshot of another server type is not compared.
  r = cli.Run({"diff", Sample("mssql/OrderEntry.sql"), after, "--profile", pfg});
  EXPECT_EQ(r.ExitCode, 2) << r.Out;
  EXPECT_NE(r.Err.find("not of the profile's server type 4 (PostgreSQL)"), std::string::npos) << r.Err;

  // The schemas the profile names, instead of the search path; the calls name the schema.
  pg.Psql(
      "CREATE SCHEMA IF NOT EXISTS extra; CREATE OR REPLACE FUNCTION extra.greet() RETURNS text LANGUAGE sql "
      "AS $$ SELECT 'hi' $$;",
      "pfpgcli");
  ASSERT_EQ(cli.Run({"configure", "--profile", pfg, "--set", "Server.PgSchemas=Extra"}).ExitCode, 0);
  EXPECT_EQ(cli.Run({"list", "--profile", pfg}).Out, "greet\tExecGreet\n");
  r = cli.Run({"generate", "--profile", pfg, "--yes"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_NE(ReadAll(cli.File("COrders.cls")).find("Execute \"{? = call extra.greet()}\", adCmdText"),
            std::string::npos);
}

}  // namespace
}  // namespace pftest
