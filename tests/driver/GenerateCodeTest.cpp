// The generation command: its checks, the files it writes and what it reports.

#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>

#include "builder/BuilderTestEnv.h"
#include "driver/MGlobals.h"
#include "extract/CServer.h"

namespace {

using namespace pf;
using namespace buildertest;

class GenerateCodeTest : public BuilderTest {
 protected:
  void SetUp() override {
    BuilderTest::SetUp();
    LoadSample("mssql/OrderEntry.PFG");
    classFile = dir.file("CTestDB.cls");
    moduleFile = dir.file("MTestParams.bas");
  }

  MGlobals::GenerationResult Generate() { return MGlobals::GenerateCode(*stt, progress, hooks); }

  CProgress progress;
  MGlobals::GenerationHooks hooks;
  std::string classFile, moduleFile;
};

TEST_F(GenerateCodeTest, ClassAndModuleMustBeDifferentFiles) {
  pftest::WriteAll(classFile, "old class");
  hooks.BeforeBuild = [] { ADD_FAILURE() << "built after a failed check"; };
  // The same file under another spelling.
  Set(*stt->xCode, "ParamDefsFile", dir.path().string() + "/./CTestDB.cls");
  const AppError e = Raised([&] { Generate(); });
  EXPECT_EQ(e.Number, ERR_USER_CHECK);
  EXPECT_EQ(e.Description,
            "The class file and the parameters definition module file must be different files: " + classFile);
  EXPECT_EQ(pftest::ReadAll(classFile), "old class");
}

// The class and its module are one pair: when one cannot be written, neither is replaced,
// and files the run's checks created empty are removed again.
TEST_F(GenerateCodeTest, AFailedSaveLeavesTheOldPairOrNothing) {
  for (const bool earlierPair : {true, false}) {
    std::filesystem::remove_all(classFile);
    std::filesystem::remove(moduleFile);
    if (earlierPair) {
      pftest::WriteAll(classFile, "old class");
      pftest::WriteAll(moduleFile, "old module");
    }
    // The class file turns into a folder after the checks, so it cannot be written.
    hooks.BeforeBuild = [this] {
      std::filesystem::remove(classFile);
      std::filesystem::create_directory(classFile);
    };
    const size_t shownBefore = Shown().size();
    const MGlobals::GenerationResult r = Generate();
    EXPECT_FALSE(r.ClassSaved);
    EXPECT_FALSE(r.ParamDefsSaved);
    EXPECT_FALSE(r.ClassCode().empty());
    EXPECT_EQ(std::filesystem::exists(moduleFile) ? pftest::ReadAll(moduleFile) : "(none)",
              earlierPair ? "old module" : "(none)");
    for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(moduleFile).parent_path()))
      EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
    ASSERT_EQ(Shown().size(), shownBefore + 1);
    EXPECT_EQ(Shown().back().rfind("Error Saving File: ", 0), 0u);
  }
}

// The files are checked as they are written: a clean build gives no finding, and a fault
// the library puts into the class is named with the line of the written file.
TEST_F(GenerateCodeTest, FaultsOfTheWrittenFilesAreWarnings) {
  auto findings = [](const MGlobals::GenerationResult& r) {
    std::vector<std::string> out;
    for (const std::string& w : r.Warnings)
      if (w.rfind("Generated file ", 0) == 0) out.push_back(w);
    return out;
  };
  // The small test library made clean: the module gets Option Explicit, and the members
  // list, whose block keeps a reference as written, is left out.
  std::string lib = TestLibrary();
  const std::string preface = "'Parameter definitions of XXClassNameXX";
  lib.insert(lib.find(preface) + preface.size(), "\r\nOption Explicit");
  WriteLibrary(lib);
  Set(*stt->xCode, "MemberList", "False");
  EXPECT_EQ(findings(Generate()), std::vector<std::string>{});

  const std::string body = "    mConn.ConnectionTimeout = XXDefaultConnectionTimeoutXX\r\n";
  lib.insert(lib.find(body), "    If mConn Is Nothing Then\r\n");
  WriteLibrary(lib);
  Set(*stt->xCode, "ConfirmOverWrite", "False");
  const MGlobals::GenerationResult r = Generate();
  ASSERT_EQ(findings(r).size(), 1u) << ::testing::PrintToString(r.Warnings);
  const std::string text = pftest::ReadAll(classFile);
  auto lineOf = [&](size_t at) { return std::to_string(std::count(text.begin(), text.begin() + at, '\n') + 1); };
  const size_t ifAt = text.find("    If mConn Is Nothing");
  EXPECT_EQ(findings(r)[0], "Generated file " + classFile + ", line " + lineOf(text.find("End Sub", ifAt)) +
                                ": 'End Sub' while 'If' from line " + lineOf(ifAt) + " is still open (missing 'End If')");
}

// A run that reads the catalogue says what the connection string asks for in vain, as the
// connection test does (here a database password MDBTools cannot take, on a real file).
TEST_F(GenerateCodeTest, TheRunRepeatsTheConnectionTestsWarnings) {
  const std::string conn = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + std::string(PF_SOURCE_DIR) +
                           "/tests/data/access/nwind.mdb;Jet OLEDB:Database Password=pw";
  Set(*stt->xServer, "SrvrType", "0");
  Set(*stt->xServer, "ConnPfg", conn);
  const std::vector<std::string> notes = CServer::ConnectionWarnings(conn);
  ASSERT_THAT(notes, ::testing::ElementsAre(::testing::StartsWith("Jet OLEDB:Database Password is not passed on")));
  const MGlobals::GenerationResult r = Generate();
  EXPECT_EQ(std::count(r.Warnings.begin(), r.Warnings.end(), notes[0]), 1) << ::testing::PrintToString(r.Warnings);
}

}  // namespace
