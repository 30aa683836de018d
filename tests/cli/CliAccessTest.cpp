// The real Access files of tests/data/access through the real MDBTools ODBC driver: each
// lists its saved queries, is captured into a snapshot without losing a parameter, and
// generates a class the checker accepts and that the snapshot generates alike.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/Golden.h"
#include "support/ProgramInstall.h"
#include "support/TestEnv.h"

namespace pftest {
namespace {

struct AccessFile {
  const char* File;
  const char* Provider;
};

class CliAccessFile : public ::testing::TestWithParam<AccessFile> {};

// The methods of a class: what the catalogue it was read from decides.
std::string Methods(const std::string& cls) {
  const size_t begin = cls.find("' Each method returns");
  const size_t end = cls.find("' Adds a parameter for the next ExecSQL", begin);
  EXPECT_NE(end, std::string::npos) << cls;
  return begin == std::string::npos || end == std::string::npos ? cls : cls.substr(begin, end - begin);
}

TEST_P(CliAccessFile, ListsSnapshotsAndGeneratesThroughMdbTools) {
  const AccessFile& f = GetParam();
  ProgramInstall cli;
  const std::string db = std::string(PF_SOURCE_DIR) + "/tests/data/access/" + f.File;
  const std::string live = cli.File("live.PFG"), snap = cli.File("snap.PFG"), snapshot = cli.File("catalogue.sql");
  std::filesystem::create_directories(cli.File("live"));
  std::filesystem::create_directories(cli.File("snap"));
  auto configure = [&](const std::string& pfg, const std::string& conn, const std::string& dir) {
    const ProgramResult r =
        cli.Run({"configure", "--profile", pfg, "--new", "--set", "Server.SrvrType=0", "--set",
                 "Server.ConnPfg=" + conn, "--set", "Code.ClassFile=" + cli.File(dir + "/CAccessDB.cls")});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
  };
  configure(live, std::string("Provider=") + f.Provider + ";Data Source=" + db, "live");

  // Each kept query, a tab and its method name, in Access's name order.
  ProgramResult r = cli.Run({"list", "--profile", live});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  ExpectGolden(std::string("cli/access-list-") + f.File + ".txt", r.Out);

  // Every query keeps its declared parameters in the snapshot: nothing is said to be
  // left out or read without parameters.
  r = cli.Run({"snapshot", "--profile", live, "-o", snapshot});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_FALSE(Has(r.Err, "could not be read")) << r.Err;
  configure(snap, "Provider=Procforge.Snapshot;Data Source=" + snapshot, "snap");

  for (const std::string& pfg : {live, snap}) {
    r = cli.Run({"generate", "--profile", pfg, "--yes"}, {{"SOURCE_DATE_EPOCH", "1796000000"}});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
  }
  const std::string cls = ReadAll(cli.File("live/CAccessDB.cls"));
  EXPECT_EQ(Methods(cls), Methods(ReadAll(cli.File("snap/CAccessDB.cls"))));
  r = cli.Run({"check", cli.File("live/CAccessDB.cls")});
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;

  // The query with declared parameters gets them in their declared order and type; the
  // one whose parameters name form controls is left out with a warning.
  if (std::string(f.File) == "nwind.mdb") {
    EXPECT_TRUE(Has(cls, CrLf("Public Function ExecEmployeeSalesbyCountry(ByVal datBeginningDate As Date, _\n"
                              "         ByVal datEndingDate As Date)  As Boolean\n")))
        << cls;
    EXPECT_TRUE(Has(cls, CrLf("    AddParam \"BeginningDate\", adDate, adParamInput, , datBeginningDate\n"
                              "    AddParam \"EndingDate\", adDate, adParamInput, , datEndingDate\n")));
    r = cli.Run({"generate", "--profile", live, "--yes"});
    EXPECT_TRUE(Has(r.Err, "\"Sales by Year\" is left out of the class: its parameters refer to form controls"))
        << r.Err;
  }
}

INSTANTIATE_TEST_SUITE_P(RealFiles, CliAccessFile,
                         ::testing::Values(AccessFile{"nwind.mdb", "Microsoft.Jet.OLEDB.4.0"},
                                           AccessFile{"ASampleDatabase.accdb", "Microsoft.ACE.OLEDB.12.0"},
                                           AccessFile{"DateTestDatabase.mdb", "Microsoft.Jet.OLEDB.4.0"}));

}  // namespace
}  // namespace pftest
