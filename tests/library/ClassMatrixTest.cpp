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
  std::vector<std::string_view> deps(g.Dependencies.begin(), g.Dependencies.end());
  // A whole project: every name the class reads must be declared somewhere in it.
  for (const auto& f : pf::CheckVB(g.Class, deps, {.NamesRead = true}))
    out += g.Label + ": class line " + std::to_string(f.Line) + ": " + f.Message + "\n";
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
