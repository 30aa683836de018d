// Whole classes generated from the sample catalogues for every server type, every
// predefined configuration and the variations of the class's switches, each checked as
// Visual Basic 6 would compile it.

#include <gtest/gtest.h>

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

struct Sample {
  const char* Profile;
  const char* Server;
};
const Sample kSamples[] = {{"access/Orders.PFG", "Access"},
                           {"mssql/OrderEntry.PFG", "MSSQL"},
                           {"sybase/Orders.PFG", "Sybase"},
                           {"oracle/Sales.PFG", "Oracle"}};
const char* const kConfs[] = {"COM+", "ASP", "Desktop"};

struct Setting {
  const char* Section;
  const char* Key;
  const char* Value;
};
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
  for (const Sample& sample : kSamples) {
    for (int conf = 0; conf < 3; ++conf) {
      gen.LoadSample(sample.Profile);
      gen.ApplyConf(conf);
      const std::vector<Variation> variations = Variations(gen);
      for (const Variation& v : variations) {
        gen.LoadSample(sample.Profile);
        gen.ApplyConf(conf);
        for (const Setting& s : v.Sets) gen.Set(s.Section, s.Key, s.Value);
        const std::string label = std::string(sample.Server) + " " + kConfs[conf] + " " + v.Label;
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

}  // namespace

namespace {

// The catalogue of unusual but legal names in tests/data/library/hostile.sql, with a
// procedure of 2,000 parameters.
std::string HostileCatalogue() {
  std::string sql = pftest::ReadAll(std::string(PF_SOURCE_DIR) + "/tests/data/library/hostile.sql");
  sql += "INSERT INTO sysobjects VALUES ('wide', 2000, 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, "
         "'2026-01-01', 0, 0, 0, 0, 0, 0, 0);\n";
  for (int i = 1; i <= 2000; ++i)
    sql += "INSERT INTO ProcedureParameters VALUES ('wide', " + std::to_string(i - 1) + ", '@p" + std::to_string(i) +
           "', 1, 3, 4, 10, 0, 0);\n";
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
      gen.Set("ErrHndl", "LogFileName", "C:\\Logs\\\"x\" XX_ErrorFile_XX.txt");
      gen.Set("ErrHndl", "ErrLogSPName", "usp_XXlog\"XX");
      gen.Set("IniOptions", "ConnUseDft", "True");
      gen.Set("IniOptions", "ConnDftString", "Provider=SQLOLEDB;Data Source=\"a\r\nb\";Pwd=caf\xC3\xA9");
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
                               "Execute \"[q'#z]\""})
        if (g.Class.find(call) == std::string::npos) problems += label + ": missing " + call + "\n";
      if (g.Class.find("Execute \"[wide]\"") != std::string::npos) problems += label + ": wide was not left out\n";
    }
  }
  EXPECT_EQ(problems, "");
}

}  // namespace
