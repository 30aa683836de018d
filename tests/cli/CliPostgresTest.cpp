// A PostgreSQL catalogue through procforge-cli, as a user works with it: a new profile of
// server type 4 on a live psqlODBC string, its list, a snapshot, what diff says of a
// catalogue that changed since, against the server and against a second snapshot, and the
// schemas a profile names.

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
  // Runs the command line with the profile; checks its exit code and, when given, its output.
  const auto run = [&](std::vector<std::string> args, int code, const char* out = nullptr) {
    args.insert(args.end(), {"--profile", pfg});
    const ProgramResult r = cli.Run(args);
    EXPECT_EQ(r.ExitCode, code) << args[0] << ": " << r.Out << r.Err;
    if (out) {
      EXPECT_EQ(r.Out, out) << args[0];
    }
    return r;
  };
  run({"configure", "--new", "--set", "Server.SrvrType=4", "--set", "Server.ConnPfg=" + live, "--set",
       "Code.ClassFile=" + cli.File("COrders.cls")},
      0);
  // Functions are wrapped in a new profile of this server type.
  run({"list"}, 0, "order_cancel\tExecOrderCancel\norder_total\tExecOrderTotal\n");
  const std::string before = cli.File("before.sql"), after = cli.File("after.db");
  run({"snapshot", "-o", before}, 0);
  run({"diff", before}, 0, "");

  // A new argument, a procedure gone, a function added.
  pg.Psql(
      "DROP FUNCTION order_total(integer); DROP PROCEDURE order_cancel(integer);"
      "CREATE FUNCTION order_total(p_order_id integer, p_with_tax boolean) RETURNS numeric LANGUAGE sql AS "
      "$$ SELECT 1.5 $$; CREATE FUNCTION order_count() RETURNS bigint LANGUAGE sql AS $$ SELECT 1::bigint $$;",
      "pfpgcli");
  const char* changes =
      "order_cancel: procedure removed (breaking)\n"
      "order_count: procedure added\n"
      "order_total: parameter p_with_tax added (breaking)\n";
  run({"diff", before}, 1, changes);
  run({"snapshot", "-o", after}, 0);
  run({"diff", before, after}, 1, changes);
  // An argument that gets a default becomes Optional: every call still compiles. Losing
  // the default again breaks the calls that leave it out.
  pg.Psql(
      "DROP FUNCTION order_total(integer, boolean); CREATE FUNCTION order_total(p_order_id integer, p_with_tax "
      "boolean DEFAULT false) RETURNS numeric LANGUAGE sql AS $$ SELECT 1.5 $$;",
      "pfpgcli");
  run({"diff", after}, 0, "order_total: parameter p_with_tax changed: default (none) -> True\n");
  const std::string defaulted = cli.File("defaulted.db");
  run({"snapshot", "-o", defaulted}, 0);
  run({"diff", defaulted, after}, 1, "order_total: parameter p_with_tax changed: default True -> (none) (breaking)\n");
  // A snapshot of another server type is not compared.
  const ProgramResult r = run({"diff", Sample("mssql/OrderEntry.sql"), after}, 2);
  EXPECT_NE(r.Err.find("not of the profile's server type 4 (PostgreSQL)"), std::string::npos) << r.Err;

  // The schemas the profile names, instead of the search path; the calls name the schema.
  pg.Psql(
      "CREATE SCHEMA IF NOT EXISTS extra; CREATE OR REPLACE FUNCTION extra.greet() RETURNS text LANGUAGE sql "
      "AS $$ SELECT 'hi' $$;",
      "pfpgcli");
  run({"configure", "--set", "Server.PgSchemas=Extra"}, 0);
  run({"list"}, 0, "greet\tExecGreet\n");
  run({"generate", "--yes"}, 0);
  EXPECT_NE(ReadAll(cli.File("COrders.cls")).find("Execute \"{? = call extra.greet()}\", adCmdText"),
            std::string::npos);
}

}  // namespace
}  // namespace pftest
