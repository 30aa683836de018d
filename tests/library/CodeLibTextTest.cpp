// The code library text itself: the option constants and the condition names. Whole classes
// are checked in ClassMatrixTest.

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "LibraryTestUtil.h"
#include "codelib/CBlocks.h"
#include "settings/MProfileKeys.h"

using namespace pf;
namespace lib = pftest::lib;

namespace {

// The option constants, read back from both forms the class can declare them in: the same
// values, each a bit of its own, clear of the internal flags (&H01000000 and up).
TEST(CodeLibText, OptionConstantsAreDistinctBitsInBothForms) {
  const std::regex decl(R"((?:Private Const )?(PFGO_\w+)(?: As Long)? = (\d+)\r)");
  CBlocks blocks;
  lib::LoadLibrary(blocks);
  CRefValues refs;
  std::map<std::string, long> forms[2];
  for (int form = 0; form < 2; ++form) {
    const std::string text = blocks.GetBlocks("DeclOption", form ? ",NoEnums" : ",WithEnums", &refs);
    long used = 0;
    for (std::sregex_iterator it(text.begin(), text.end(), decl), end; it != end; ++it) {
      const long value = std::stol((*it)[2].str());
      EXPECT_TRUE(forms[form].emplace((*it)[1].str(), value).second) << (*it)[1];
      EXPECT_TRUE(value > 0 && (value & (value - 1)) == 0 && value < 0x01000000 && (value & used) == 0) << (*it)[1];
      used |= value;
    }
  }
  EXPECT_EQ(forms[0].size(), 13u);
  EXPECT_EQ(forms[0], forms[1]);
}

// A misspelt condition name is never set, so its code silently never appears (or always
// does): every name the library tests must be one the generator sets, and every name the
// generator sets must change something in the library.
TEST(CodeLibConditions, AreExactlyTheOnesTheGeneratorSets) {
  // The conditions the builder sets from the server type, the integer keys and always, and
  // those of the switches in the profile key table.
  std::set<std::string> generator = {
      "Trans",          "Oracle",      "NonOracle",        "MSSQLSybase",     "WithEvents",  "NoEvents",
      "TransCOMP",      "TransADO",    "TransAuto",        "ConnInConstrStr", "UseLinkFile", "LinkFileAddPath",
      "ConnInRegistry", "UseFaultnet", "NoFaultnet",       "AddErrProps",     "AddTestConn", "StdRetVal",
      "ProcGroup",      "WithEnums",   "NationalLiterals", "Postgres",        "ErrLogPlain", "ErrLogNational",
      "ErrLogBlock",    "ErrLogCall"};
  for (const MProfileKeys::Key& k : MProfileKeys::Keys())
    if (k.Cond) generator.insert(k.Cond);
  std::set<std::string> used;
  std::istringstream text(lib::LibraryText());
  const std::regex marker(R"(('#Cond |'#CondNot |'#LCond |'#LCondNot )(\S*))");
  bool inBlock = false;
  for (std::string line; std::getline(text, line);) {
    if (line.rfind("'#block ", 0) == 0) inBlock = true;
    if (line.rfind("'#endblock", 0) == 0) inBlock = false;
    if (!inBlock) continue;
    for (std::sregex_iterator it(line.begin(), line.end(), marker), stop; it != stop; ++it) {
      const std::string name = (*it)[2].str();
      EXPECT_TRUE(generator.count(name)) << "unknown condition \"" << name << "\" in: " << line;
      used.insert(name);
    }
  }
  // The transaction modes choose nothing in the text: whether the object runs inside a COM+
  // transaction is found out when the transaction begins.
  for (const std::string& name : generator) {
    if (name.rfind("Trans", 0) == 0 && name != "Trans") continue;
    EXPECT_TRUE(used.count(name)) << name << " changes nothing";
  }
}

}  // namespace
