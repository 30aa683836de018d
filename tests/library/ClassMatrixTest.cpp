// Whole classes generated from the sample catalogues for every server type, every
// predefined configuration and the variations of the class's switches, each checked as
// Visual Basic 6 would compile it.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "GenerateTestUtil.h"
#include "LibraryTestUtil.h"
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
  const std::pair<const char*, const char*> switches[] = {
      {"AddnlFunc", "AddExecSQL"},   {"AddnlFunc", "COMPlus"},        {"AddnlFunc", "COMPObjControl"},
      {"AddnlFunc", "COMPObjConstruct"}, {"AddnlFunc", "ImplClassIFace"}, {"AddnlFunc", "Batch"},
      {"AddnlFunc", "MultipleRS"},   {"AddnlFunc", "RSMethods"},      {"AddnlFunc", "ValFmt"},
      {"AddnlFunc", "XMLBasic"},     {"AddnlFunc", "XMLAdvanced"},    {"AddnlFunc", "EventsClass"},
      {"AddnlFunc", "AddTestConn"},  {"AddnlFunc", "AddADOVersion"},  {"ErrHndl", "UseFaultnet"},
      {"ErrHndl", "AddStopOnError"}, {"ErrHndl", "DisClassOnError"},  {"ErrHndl", "LogToEvtLog"},
      {"ErrHndl", "LogToFile"},      {"ErrHndl", "LogToDB"},          {"ErrHndl", "LogInOtherDB"},
      {"StoredProc", "AddExecSPByName"}, {"Code", "NoDBEnums"}};
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

// A SQL Server catalogue of unusual but legal names: quotes, backslashes, blanks, line
// breaks, non-ASCII letters, "XX" pairs, keywords, names listed twice or missing, a name
// of 300 characters and a procedure of 2,000 parameters.
std::string HostileCatalogue() {
  struct P {
    std::string Name;  // SQL text of the name: a literal or NULL
    int Dir, Type, Size;
  };
  const std::string longName(300, 'L');
  std::vector<std::pair<std::string, std::vector<P>>> procs = {
      {"'Say\"Hi\"'", {{"'@Back\\'", 1, 200, 10}}},
      {"'O''BRIEN'", {{"'@first name'", 1, 3, 4}, {"'@first_name'", 3, 3, 4}}},
      {"'Gr' || char(246) || char(223) || 'e'", {{"'@Ma' || char(223)", 2, 202, 20}}},
      {"'usp_XXtest_XX'", {{"'@XXcode'", 1, 3, 4}, {"'@bXX'", 1, 3, 4}}},
      {"'usp_MaxXXL'", {{"'@RETURN_VALUE'", 4, 3, 4}, {"'@XXa_XX'", 1, 3, 4}}},
      {"'two' || char(13) || char(10) || 'lines'", {{"'@x'", 1, 3, 4}}},
      {"'twice'", {{"'@x'", 1, 3, 4}, {"'@x'", 1, 3, 4}, {"NULL", 1, 3, 4}, {"NULL", 1, 3, 4}}},
      {"'1st'", {{"'@Proc1st'", 1, 3, 4}}},
      {"'Print'", {{"'@Execute'", 1, 3, 4}, {"'@AddParam'", 1, 3, 4}, {"'@Select'", 1, 3, 4}}},
      {"'" + longName + "'", {{"'@a'", 1, 3, 4}}},
      {"'odd type'", {{"'@t'", 1, 9999, 4}}},
      {"'Execute'", {{"'@a'", 1, 3, 4}}},
      {"'OpenConnection'", {{"'@RETURN_VALUE'", 4, 3, 4}}},
      {"'q''#z'", {{"'@w''#v'", 1, 200, 10}}},
  };
  std::vector<P> wide;
  for (int i = 1; i <= 2000; ++i) wide.push_back({"'@p" + std::to_string(i) + "'", 1, 3, 4});
  procs.push_back({"'wide'", wide});

  std::string sql =
      "CREATE TABLE sysobjects (name TEXT NOT NULL COLLATE NOCASE, id INTEGER NOT NULL PRIMARY KEY, xtype CHAR(2) "
      "NOT NULL, uid SMALLINT NOT NULL, info SMALLINT NOT NULL, status INTEGER NOT NULL, base_schema_ver INTEGER NOT "
      "NULL, replinfo INTEGER NOT NULL, parent_obj INTEGER NOT NULL, crdate DATETIME NOT NULL, ftcatid SMALLINT NOT "
      "NULL, schema_ver INTEGER NOT NULL, stats_schema_ver INTEGER NOT NULL, type CHAR(2), userstat SMALLINT, sysstat "
      "SMALLINT, indexdel SMALLINT, refdate DATETIME NOT NULL, version INTEGER, deltrig INTEGER, instrig INTEGER, "
      "updtrig INTEGER, seltrig INTEGER, category INTEGER, cache SMALLINT);\n"
      "CREATE TABLE ProcedureParameters (ProcedureName TEXT NOT NULL COLLATE NOCASE, Ordinal INTEGER NOT NULL, Name "
      "TEXT, Direction INTEGER, Type INTEGER, Size INTEGER, Precision INTEGER, NumericScale INTEGER, Attributes "
      "INTEGER, PRIMARY KEY (ProcedureName, Ordinal));\n"
      "CREATE TABLE SnapshotInfo (Key TEXT PRIMARY KEY, Value TEXT);\n"
      "INSERT INTO SnapshotInfo VALUES ('ServerType', '1');\n";
  int id = 1000;
  const auto object = [&](const std::string& name) {
    sql += "INSERT INTO sysobjects VALUES (" + name + ", " + std::to_string(++id) +
           ", 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);\n";
  };
  for (const auto& [name, params] : procs) {
    object(name);
    int ordinal = 0;
    for (const P& p : params)
      sql += "INSERT INTO ProcedureParameters VALUES (" + name + ", " + std::to_string(ordinal++) + ", " + p.Name +
             ", " + std::to_string(p.Dir) + ", " + std::to_string(p.Type) + ", " + std::to_string(p.Size) +
             ", 10, 0, 0);\n";
  }
  object("'twice'");  // the same procedure listed twice
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
