// The generation command: checks, build, the files it writes and what it reports, and
// the connection test.

#include <gmock/gmock.h>

#include <filesystem>

#include "builder/BuilderTestEnv.h"
#include "driver/MGlobals.h"

namespace {

using namespace pf;
using namespace buildertest;
using ::testing::HasSubstr;

class GenerateCodeTest : public BuilderTest {
 protected:
  void SetUp() override {
    BuilderTest::SetUp();
    LoadSample("mssql/OrderEntry.PFG");
    classFile = dir.file("CTestDB.cls");
    moduleFile = dir.file("MTestParams.bas");
    hooks.BeforeBuild = [this] { events.push_back("before:" + std::to_string(display.Messages.size())); };
    hooks.AfterBuild = [this] { events.push_back("after:" + std::to_string(display.Messages.size())); };
  }

  MGlobals::GenerationResult Generate() { return MGlobals::GenerateCode(*stt, progress, hooks); }

  CProgress progress;
  RecordingDisplay display{progress};
  MGlobals::GenerationHooks hooks;
  std::vector<std::string> events;
  std::string classFile, moduleFile;
};

TEST_F(GenerateCodeTest, WritesTheClassAndTheModuleAsPrologPlusText) {
  const MGlobals::GenerationResult r = Generate();
  EXPECT_GT(r.NumSPs, 0);
  EXPECT_EQ(r.ClassFile, classFile);
  EXPECT_TRUE(r.ClassSaved);
  EXPECT_EQ(r.ClassProlog, stt->BuildClassProlog());
  EXPECT_EQ(r.ClassProlog.rfind("VERSION 1.0 CLASS\r\n", 0), 0u);
  EXPECT_EQ(pftest::ReadAll(classFile), r.ClassProlog + r.ClassCode);
  EXPECT_EQ(r.NumChars, static_cast<int32_t>(r.ClassCode.size()));
  EXPECT_EQ(r.NumLines, std::count(r.ClassCode.begin(), r.ClassCode.end(), '\n') + 1);

  EXPECT_TRUE(r.ParamDefsWanted);
  EXPECT_TRUE(r.ParamDefsSaved);
  EXPECT_EQ(r.ParamDefsFile, moduleFile);
  EXPECT_EQ(r.ModuleProlog, "Attribute VB_Name = \"MTestParams\"\r\n");
  EXPECT_THAT(r.ParamDefsCode, HasSubstr("Public Const SP_"));
  EXPECT_EQ(pftest::ReadAll(moduleFile), r.ModuleProlog + r.ParamDefsCode);

  // The front end's hooks frame the build: nothing shown before it, everything after.
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], "before:0");
  EXPECT_EQ(events[1], "after:" + std::to_string(display.Messages.size()));
  EXPECT_TRUE(Shown().empty());
}

TEST_F(GenerateCodeTest, ModuleNameIsTheCheckedNameWithoutBlanks) {
  Set(*stt->xCode, "ParamDefsFile", moduleFile + "  ");
  const MGlobals::GenerationResult r = Generate();
  EXPECT_EQ(r.ParamDefsFile, moduleFile);
  EXPECT_TRUE(r.ParamDefsSaved);
  EXPECT_EQ(pftest::ReadAll(moduleFile), r.ModuleProlog + r.ParamDefsCode);
}

TEST_F(GenerateCodeTest, WithoutExecByNameOnlyTheClassIsWritten) {
  Set(*stt->xStoredProc, "AddExecSPByName", "False");
  const MGlobals::GenerationResult r = Generate();
  EXPECT_TRUE(r.ClassSaved);
  EXPECT_FALSE(r.ParamDefsWanted);
  EXPECT_FALSE(r.ParamDefsSaved);
  EXPECT_TRUE(r.ParamDefsCode.empty());
  EXPECT_TRUE(std::filesystem::exists(classFile));
  EXPECT_FALSE(std::filesystem::exists(moduleFile));
}

TEST_F(GenerateCodeTest, CancelWritesNothingAndCleansUp) {
  pftest::WriteAll(classFile, "old class");
  pftest::WriteAll(moduleFile, "old module");
  display.CancelAt = "Assembling Code...";
  const AppError e = Raised([&] { Generate(); });
  EXPECT_EQ(e.Number, ERR_CANCELED);
  EXPECT_EQ(e.Description, "Operation Canceled");
  EXPECT_EQ(pftest::ReadAll(classFile), "old class");
  EXPECT_EQ(pftest::ReadAll(moduleFile), "old module");
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1], "after:" + std::to_string(display.Messages.size()));
  EXPECT_TRUE(Shown().empty());
}

TEST_F(GenerateCodeTest, FailedChecksStopBeforeTheBuild) {
  Set(*stt->xCode, "ClassFile", "");
  const AppError e = Raised([&] { Generate(); });
  EXPECT_EQ(e.Number, ERR_USER_CHECK);
  EXPECT_EQ(e.Description, "Please specify output class file name");
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(display.Messages.empty());
  EXPECT_FALSE(std::filesystem::exists(moduleFile));
}

TEST_F(GenerateCodeTest, ClassAndModuleMustBeDifferentFiles) {
  pftest::WriteAll(classFile, "old class");
  // The same file under another spelling.
  Set(*stt->xCode, "ParamDefsFile", dir.path().string() + "/./CTestDB.cls");
  const AppError e = Raised([&] { Generate(); });
  EXPECT_EQ(e.Number, ERR_USER_CHECK);
  EXPECT_EQ(e.Description,
            "The class file and the parameters definition module file must be different files: " + classFile);
  EXPECT_EQ(pftest::ReadAll(classFile), "old class");
  EXPECT_TRUE(events.empty());
}

TEST_F(GenerateCodeTest, BuildErrorsPassThroughAfterTheFrontEndCleanedUp) {
  std::string lib = TestLibrary();
  lib.replace(lib.find("Private mConn As Object"), 23, "Private mConn As XXNoSuchThingXX");
  WriteLibrary(lib);
  pftest::WriteAll(classFile, "old class");
  const AppError e = Raised([&] { Generate(); });
  EXPECT_EQ(e.Number, ERR_UNRESOLVED_REF);
  // An internal error carries its report, with the command's frame last.
  EXPECT_THAT(e.Description, HasSubstr("Call Stack: MGlobals.GenerateCode"));
  EXPECT_EQ(pftest::ReadAll(classFile), "old class");
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], "before:0");
}

TEST_F(GenerateCodeTest, AFailedSaveIsReportedAndTheRunGoesOn) {
  // The class file turns into a folder after the checks, so it cannot be written.
  hooks.BeforeBuild = [this] {
    std::filesystem::remove(classFile);
    std::filesystem::create_directory(classFile);
  };
  const MGlobals::GenerationResult r = Generate();
  EXPECT_FALSE(r.ClassSaved);
  EXPECT_FALSE(r.ClassCode.empty());
  EXPECT_TRUE(r.ParamDefsSaved);
  EXPECT_EQ(pftest::ReadAll(moduleFile), r.ModuleProlog + r.ParamDefsCode);
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].rfind("Error Saving File: ", 0), 0u);
}

TEST_F(GenerateCodeTest, TestConnection) {
  MGlobals::TestConnection(*stt, stt->xServer->strAttr("ConnPfg"));
  EXPECT_EQ(Shown(), std::vector<std::string>{"Connection tested successfully."});

  const AppError e =
      Raised([&] { MGlobals::TestConnection(*stt, "Provider=Procforge.Snapshot;Data Source=/nonexistent/x.sql"); });
  EXPECT_EQ(e.Number, ERR_USER_CHECK);
  EXPECT_EQ(FirstLine(e.Description).rfind("Connection test failed: ", 0), 0u);
  EXPECT_THAT(FirstLine(e.Description), HasSubstr("/nonexistent/x.sql"));
  EXPECT_EQ(Shown().size(), 1u);
}

}  // namespace
