// Whole classes generated from the sample catalogues for every server type, every
// predefined configuration and the variations of the class's switches, each checked as
// Visual Basic 6 would compile it.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "GenerateTestUtil.h"
#include "LibraryTestUtil.h"
#include "settings/MProfileKeys.h"
#include "vbcheck/VBCheck.h"

namespace lib = pftest::lib;

namespace {

// Profile and server name.
const std::pair<const char*, const char*> kSamples[] = {{"access/Orders.PFG", "Access"},
                                                        {"mssql/OrderEntry.PFG", "MSSQL"},
                                                        {"sybase/Orders.PFG", "Sybase"},
                                                        {"oracle/Sales.PFG", "Oracle"},
                                                        {"postgresql/OrderEntry.PFG", "PostgreSQL"}};
const char* const kConfs[] = {"COM+", "ASP", "Desktop"};

using Setting = std::array<const char*, 3>;  // section, key, value
struct Variation {
  std::string Label;
  std::vector<Setting> Sets;
};

// Each switch turned to the other value from the configuration's, one at a time; every
// connection source (and link file mode); every transaction mode.
std::vector<Variation> Variations(lib::Generator& gen) {
  std::vector<Variation> out;
  out.push_back({"as configured", {}});
  // Every switch of the class's functions and error handling, and every other switch that
  // turns a code library condition on, from the key table; the enumerations switch too.
  std::vector<std::pair<const char*, const char*>> switches = {{"Code", "NoDBEnums"}};
  for (const pf::MProfileKeys::Key& k : pf::MProfileKeys::Keys())
    if (k.type == pf::MProfileKeys::Type::Boolean &&
        (k.Cond || std::string_view(k.Section) == "AddnlFunc" || std::string_view(k.Section) == "ErrHndl"))
      switches.emplace_back(k.Section, k.Name);
  for (const auto& [section, key] : switches) {
    const char* value = gen.Get(section, key) == "True" ? "False" : "True";
    Variation v{std::string(key) + "=" + value, {{section, key, value}}};
    // Logging to another database only means something while logging to one.
    if (std::string(key) == "LogInOtherDB") v.Sets.push_back({"ErrHndl", "LogToDB", "True"});
    out.push_back(std::move(v));
  }
  out.push_back({"ConnSrcType=0", {{"AddnlFunc", "ConnSrcType", "0"}}});
  out.push_back({"ConnSrcType=1", {{"AddnlFunc", "ConnSrcType", "1"}}});
  for (const char* mode : {"0", "1", "2"})
    out.push_back({std::string("ConnSrcType=2 LinkFileMode=") + mode,
                   {{"AddnlFunc", "ConnSrcType", "2"},
                    {"AddnlFunc", "LinkFile", "C:\\Data\\Orders.udl"},
                    {"AddnlFunc", "LinkFileMode", mode}}});
  for (const char* raise : {"True", "False"})
    out.push_back({std::string("ConnSrcType=3 ErrIfRegFailed=") + raise,
                   {{"AddnlFunc", "ConnSrcType", "3"},
                    {"AddnlFunc", "RegSubKey", "SOFTWARE\\Brandywick\\Orders"},
                    {"AddnlFunc", "RegValName", "ConnectionString"},
                    {"AddnlFunc", "ErrIfRegFailed", raise}}});
  for (const char* trans : {"0", "1", "2", "3"})
    out.push_back({std::string("Trans=") + trans, {{"AddnlFunc", "Trans", trans}}});
  // The COM+ transaction mode needs COM+ support; with it on as well.
  out.push_back({"Trans=1 COMPlus=True", {{"AddnlFunc", "COMPlus", "True"}, {"AddnlFunc", "Trans", "1"}}});
  return out;
}

// Problems of one generated class and its module, one line each, prefixed with Label.
std::string Problems(const lib::Generated& g, const std::string& ClassName, bool UseFaultnet) {
  std::string out;
  const std::string findings = lib::ClassFindings(g);
  if (!findings.empty()) out += g.Label + ": class:\n" + findings;
  std::string handlers = lib::HandlerProblems(g.Class, ClassName, UseFaultnet);
  if (!handlers.empty()) out += g.Label + ":\n" + handlers;
  if (!g.Module.empty())
    for (const auto& f : pf::CheckVB(g.Module))
      out += g.Label + ": module line " + std::to_string(f.Line) + ": " + f.Message + "\n";
  return out;
}

TEST(ClassMatrixTest, EveryServerConfigurationAndSwitchGivesACompilableClass) {
  lib::Generator gen;
  gen.UseSnapshotCopies();
  std::string problems;
  int classes = 0, modules = 0;
  for (const auto& [profile, server] : kSamples) {
    for (int conf = 0; conf < 3; ++conf) {
      gen.LoadSample(profile);
      gen.ApplyConf(conf);
      const std::vector<Variation> variations = Variations(gen);
      for (const Variation& v : variations) {
        gen.LoadSample(profile);
        gen.ApplyConf(conf);
        for (const auto& [section, key, value] : v.Sets) gen.Set(section, key, value);
        const std::string label = std::string(server) + " " + kConfs[conf] + " " + v.Label;
        lib::Generated g;
        try {
          g = gen.Build("CMatrixDB", label);
        } catch (const std::exception& e) {
          problems += label + ": generation failed: " + e.what() + "\n";
          continue;
        }
        ++classes;
        if (!g.Module.empty()) ++modules;
        problems += Problems(g, "CMatrixDB", gen.Get("ErrHndl", "UseFaultnet") == "True");
        if (problems.size() > 20000) break;
      }
    }
  }
  EXPECT_EQ(problems, "");
  EXPECT_GE(classes, 4 * 3 * 30);
  EXPECT_GE(modules, 4 * 3);
}

// The catalogue of unusual but legal names in tests/data/library/hostile.sql, with
// procedures of 60 and of 2,000 parameters.
std::string HostileCatalogue() {
  std::string sql = pftest::ReadAll(std::string(PF_SOURCE_DIR) + "/tests/data/library/hostile.sql");
  for (const auto& [name, count] : {std::pair<std::string, int>{"wide60", 60}, {"wide", 2000}}) {
    sql += "INSERT INTO sysobjects VALUES ('" + name + "', " + std::to_string(3000 + count) +
           ", 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);\n";
    for (int i = 1; i <= count; ++i)
      sql += "INSERT INTO ProcedureParameters VALUES ('" + name + "', " + std::to_string(i - 1) + ", '@p" +
             std::to_string(i) + "', 1, 3, 4, 10, 0, 0);\n";
  }
  return sql;
}

TEST(ClassMatrixTest, HostileNamesAndValuesGiveCompilableClasses) {
  lib::Generator gen;
  pftest::TempDir dir;
  const std::string script = dir.file("hostile.sql");
  pftest::WriteAll(script, HostileCatalogue());
  std::string problems;
  for (int conf = 0; conf < 3; ++conf) {
    for (int source = 0; source < 4; ++source) {
      gen.LoadSample("mssql/OrderEntry.PFG");
      gen.ApplyConf(conf);
      gen.Set("Server", "ConnPfg", "Provider=Procforge.Snapshot;Data Source=" + script);
      gen.Set("StoredProc", "AddExecSPByName", "True");
      gen.Set("StoredProc", "MethAddPfx", "");
      gen.Set("AddnlFunc", "ConnSrcType", std::to_string(source));
      gen.Set("AddnlFunc", "LinkFile", "C:\\Data\\\"Shop\" XX_1_XX.udl");
      gen.Set("AddnlFunc", "RegSubKey", "SOFTWARE\\Gr\xC3\xB6\xC3\x9F" "e\\\"Db\"");
      gen.Set("AddnlFunc", "RegValName", "Conn\r\nString");
      gen.Set("AddnlFunc", "BatchDateFmt", "DD\"MM\"YYYY");
      // Texts longer than a line holds are continued over lines.
      gen.Set("ErrHndl", "LogFileName", "C:\\Logs\\\"x\" XX_ErrorFile_XX" + std::string(1100, 'L') + ".txt");
      gen.Set("ErrHndl", "ErrLogSPName", "usp_XXlog\"XX" + std::string(3000, 'S'));
      gen.Set("IniOptions", "ConnUseDft", "True");
      std::string accents;
      for (int i = 0; i < 400; ++i) accents += "\xC3\xA9";
      gen.Set("IniOptions", "ConnDftString", "Provider=SQLOLEDB;Data Source=\"a\r\nb\";Pwd=caf\xC3\xA9;App=" + accents);
      const std::string label = std::string(kConfs[conf]) + " ConnSrcType=" + std::to_string(source);
      lib::Generated g;
      try {
        g = gen.Build("CHostileDB", label);
      } catch (const std::exception& e) {
        problems += label + ": generation failed: " + e.what() + "\n";
        continue;
      }
      problems += Problems(g, "CHostileDB", gen.Get("ErrHndl", "UseFaultnet") == "True");
      // The names reach the server exactly as the catalogue has them.
      for (const char* call : {"Execute \"[Say\"\"Hi\"\"]\"", "Execute \"[Gr\" & ChrW$(246) & ChrW$(223) & \"e]\"",
                               "Execute \"[two\" & vbCrLf & \"lines]\"", "Execute \"[usp_XXtest_XX]\"",
                               "Execute \"[q'#z]\"", "Execute \"[[usp_]]bracket[]]]\"", "Execute \"[wide60]\"",
                               "SP_USP_BRACKET = \"[[usp_]]bracket[]]]\"", "AddParam \"@lower\"", "AddParam \"@upper\""})
        if (g.Class.find(call) == std::string::npos && g.Module.find(call) == std::string::npos)
          problems += label + ": missing " + call + "\n";
      // Procedures that differ only in case keep their own parameters.
      if (g.Class.find("AddParam \"@lower\"") != g.Class.rfind("AddParam \"@lower\""))
        problems += label + ": usp_get and USP_GET share parameters\n";
      if (g.Class.find("Execute \"[wide]\"") != std::string::npos) problems += label + ": wide was not left out\n";
      if (conf > 0 || source > 0) continue;
      // What the run changes or passes on as listed is said, naming the procedure.
      std::string warnings;
      for (const std::string& w : g.Warnings) warnings += w + "\n";
      for (const char* said :
           {"Procedure \"wide\" is left out of the class: its method would have 2000 arguments",
            "Procedure \"twice\" is listed more than once", "Procedure \"twice\", parameter \"@x\" is listed more than once",
            "Procedure \"Print\" becomes the method Print0.", "Procedure \"USP_GET\" becomes the method Get1",
            "Procedure \"Connect\" becomes the method Connect1", "Procedure \"nulls\", parameter \"@t\" has no data type",
            "parameter \"@t\" has no direction", "parameter \"@s\" has the negative size -5",
            "Procedure \"two_returns\", parameter \"@RETURN_VALUE\" is a second return value"})
        if (warnings.find(said) == std::string::npos) problems += "no warning: " + std::string(said) + "\n";
      if (warnings.find("\r") != std::string::npos) problems += "a warning holds a raw line break\n";
    }
  }
  EXPECT_EQ(problems, "");
  // A text that no statement can hold fails the run with the key's name.
  gen.LoadSample("mssql/OrderEntry.PFG");
  gen.Set("IniOptions", "ConnDftString", std::string(1 << 20, 'x'));
  try {
    gen.Build("CHostileDB", "1 MB connection string");
    ADD_FAILURE() << "a 1 MB connection string was compiled into the class";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("IniOptions.ConnDftString is too long for the class: 1048576 characters"),
              std::string::npos)
        << e.what();
  }
}

}  // namespace
