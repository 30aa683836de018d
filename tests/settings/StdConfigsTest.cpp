#include <gtest/gtest.h>

#include <map>
#include <set>

#include "errors/AppError.h"
#include "settings/MStdConfigs.h"

using namespace pf;
namespace SC = pf::MStdConfigs;

namespace {

std::map<std::string, std::string> AsMap(const std::vector<SC::ConfValue>& values) {
  std::map<std::string, std::string> m;
  for (const auto& v : values) m[std::string(v.Section) + "." + v.Key] = v.Value;
  return m;
}

// The keys on which two value lists differ, with the value of the second.
std::map<std::string, std::string> Diff(const std::vector<SC::ConfValue>& a, const std::vector<SC::ConfValue>& b) {
  std::map<std::string, std::string> d;
  const auto ma = AsMap(a);
  for (const auto& [k, v] : AsMap(b))
    if (ma.at(k) != v) d[k] = v;
  return d;
}

}  // namespace

TEST(StdConfigs, EveryConfigurationWritesTheSameKeysOnceEachInSectionOrder) {
  const std::vector<std::string> sectionOrder = {"StoredProc", "AddnlFunc", "ErrHndl", "IniOptions", "Code"};
  for (int conf = 0; conf <= 2; ++conf) {
    const auto values = SC::StdConfValues(conf, 1, "DSN=x");
    ASSERT_EQ(values.size(), 87u) << conf;
    std::set<std::string> seen;
    size_t section = 0;
    for (const auto& v : values) {
      while (section < sectionOrder.size() && sectionOrder[section] != v.Section) ++section;
      ASSERT_LT(section, sectionOrder.size()) << "section out of order at " << v.Key;
      EXPECT_TRUE(seen.insert(v.Key).second) << "written twice: " << v.Key;
    }
    // Keys no configuration may touch.
    for (const char* k : {"SrvrType", "ConnPfg", "EventsClass", "AsyncWait", "ClassFile", "ConfirmOverWrite",
                          "IncFileName", "IncUseTags", "RmndrText", "RmndrAt", "RmndrAtMeth", "ShowCodeInViewer"})
      EXPECT_EQ(seen.count(k), 0u) << k;
  }
}

TEST(StdConfigs, ConfigurationsDifferOnlyWhereTheirCharacterSays) {
  const auto desktop = SC::StdConfValues(SC::SC_DESKTOP, 1, "");
  const std::map<std::string, std::string> comPlus = {
      {"AddnlFunc.COMPlus", "True"},         {"AddnlFunc.COMPMTSSetting", "3"},
      {"AddnlFunc.COMPObjControl", "True"},  {"AddnlFunc.COMPObjConstruct", "True"},
      {"AddnlFunc.ImplClassIFace", "False"}, {"AddnlFunc.ConnSrcType", "1"},
      {"AddnlFunc.Trans", "0"}};
  EXPECT_EQ(Diff(desktop, SC::StdConfValues(SC::SC_COMPLUS, 1, "")), comPlus);
  const std::map<std::string, std::string> asp = {{"StoredProc.TypeModel", "2"},
                                                  {"ErrHndl.DisClassOnError", "True"},
                                                  {"IniOptions.ErrReraise", "False"},
                                                  {"IniOptions.ErrSetAbort", "True"}};
  EXPECT_EQ(Diff(desktop, SC::StdConfValues(SC::SC_ASP, 1, "")), asp);
}

TEST(StdConfigs, ServerTypeDecidesFilterAndOracleKeysAndConnectionStringIsCopied) {
  const auto access = AsMap(SC::StdConfValues(SC::SC_DESKTOP, 0, "Provider=x;Data Source=\"a\""));
  EXPECT_EQ(access.at("StoredProc.MethUseFilterExc"), "False");
  EXPECT_EQ(access.at("StoredProc.MethFilterExc"), "");
  EXPECT_EQ(access.at("StoredProc.OraForceLong"), "False");
  EXPECT_EQ(access.at("StoredProc.OraForceLongPttns"), "");
  EXPECT_EQ(access.at("IniOptions.ConnDftString"), "Provider=x;Data Source=\"a\"");

  const auto ms = AsMap(SC::StdConfValues(SC::SC_ASP, 1, ""));
  EXPECT_EQ(ms.at("StoredProc.MethUseFilterExc"), "True");
  EXPECT_EQ(ms.at("StoredProc.MethFilterExc"), "dt_*");
  EXPECT_EQ(ms.at("StoredProc.OraLongForZeroScale"), "False");

  const auto ora = AsMap(SC::StdConfValues(SC::SC_COMPLUS, 3, ""));
  EXPECT_EQ(ora.at("StoredProc.MethUseFilterExc"), "False");
  EXPECT_EQ(ora.at("StoredProc.OraLongForZeroScale"), "True");
  EXPECT_EQ(ora.at("StoredProc.OraForceLong"), "True");
  EXPECT_EQ(ora.at("StoredProc.OraForceLongPttns"), "int*");
  // Sybase is neither SQL Server nor Oracle for these rows.
  EXPECT_EQ(Diff(SC::StdConfValues(SC::SC_DESKTOP, 0, ""), SC::StdConfValues(SC::SC_DESKTOP, 2, "")).size(), 0u);
}

TEST(StdConfigs, OnlyTheThreeConfigurationsExist) {
  for (int conf : {-1, 3, 4}) {
    try {
      SC::StdConfValues(conf, 1, "");
      FAIL() << conf;
    } catch (const AppError& e) {
      EXPECT_EQ(e.Number, ERR_GENERAL);
      EXPECT_NE(e.Description.find("Unknown standard configuration " + std::to_string(conf)), std::string::npos);
    }
  }
}
