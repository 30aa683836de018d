// The two guides beside the program: every page section of the user guide has text, every
// internal link of both resolves, and every member the programmer guide
// names, in its text or in its examples, exists in the code library (or, for the procedure
// methods of the examples, in the generated sample class).

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/Golden.h"
#include "support/TestEnv.h"
#include "vbcheck/VBCheck.h"

namespace {

using pftest::ReadAll;

const std::string kUserGuide = "PFG_UserGuide.htm";
const std::string kProgrammerGuide = "Procforge Programmer Guide.htm";

// What every matched capture group of re matched in text.
std::set<std::string> Captures(const std::string& text, const std::string& re) {
  std::set<std::string> out;
  const std::regex r(re, std::regex::ECMAScript | std::regex::multiline);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), r); it != std::sregex_iterator(); ++it)
    for (size_t g = 1; g < it->size(); ++g)
      if ((*it)[g].matched) out.insert((*it)[g].str());
  return out;
}

std::string Guide(const std::string& name) {
  // The copy the build puts beside the program is the one the wizard opens.
  const std::string beside = std::string(PF_BIN_DIR) + "/" + name;
  EXPECT_TRUE(std::filesystem::exists(beside)) << name << " is not copied beside the program";
  return ReadAll(std::string(PF_SOURCE_DIR) + "/docs/" + name);
}

TEST(Guides, EveryLinkResolvesAndEveryPageHasItsSection) {
  const std::string anchorRe = R"re(<a\s+name="([^"]+)")re";
  const std::string linkRe = R"re(href="([^"]*)")re";
  for (const std::string& name : {kUserGuide, kProgrammerGuide}) {
    const std::string html = Guide(name);
    const std::set<std::string> anchors = Captures(html, anchorRe);
    for (const std::string& link : Captures(html, linkRe)) {
      ASSERT_FALSE(link.empty()) << name;
      EXPECT_TRUE(link[0] == '#' ? anchors.count(link.substr(1)) > 0
                                 : std::filesystem::exists(std::string(PF_SOURCE_DIR) + "/docs/" + link))
          << name << ": no anchor or file for " << link;
    }
  }

  // Every page section (the wizard's tests check that each page's help anchor is one) says
  // something: at least a paragraph of text before the next heading.
  const std::string user = Guide(kUserGuide);
  const std::set<std::string> pages = Captures(user, R"re(<a\s+name="(\w+Page)")re");
  EXPECT_GE(pages.size(), 34u);
  for (const std::string& page : pages) {
    const size_t at = user.find("<a name=\"" + page + "\"");
    ASSERT_NE(at, std::string::npos) << page;
    const size_t next = user.find("<h2>", at);
    EXPECT_GT((next == std::string::npos ? user.size() : next) - at, 200u) << page << " has no real text";
  }
}

TEST(Guides, ProgrammerGuideNamesOnlyMembersOfTheCodeLibrary) {
  const std::string lib = ReadAll(std::string(PF_SOURCE_DIR) + "/library/CodeLib.cls");
  // The library's module-level declarations (events, enumeration members and the COM+
  // interface handlers included), and the members a caller can reach.
  const std::vector<std::string> names = pf::ModuleLevelNames(lib);
  const std::set<std::string> declared(names.begin(), names.end());
  std::set<std::string> libPublic = Captures(lib, R"re(^Public (\w+) As)re");
  for (const pf::VBProcedure& p : pf::VBProcedures(lib))
    if (p.Scope == "Public") libPublic.insert(p.Name);
  ASSERT_GT(libPublic.size(), 30u);
  // The examples also call procedure methods of the sample class.
  std::set<std::string> callable = libPublic;
  for (const std::string& m : Captures(ReadAll(pftest::GoldenDir() + "/classes/COrderEntryDB.cls"),
                                       R"re(^Public Function (\w+))re"))
    callable.insert(m);

  const std::string guide = Guide(kProgrammerGuide);
  const std::set<std::string> named = Captures(guide, R"re(<code class="m">(\w+)</code>)re");
  for (const std::string& m : named) EXPECT_TRUE(declared.count(m)) << m << " is not in the code library";

  // Every member called on the class in the examples: db.Member.
  std::string examples;
  for (const std::string& block : Captures(guide, R"re(<pre class="vb">([^<]*)</pre>)re")) examples += block + "\n";
  const std::set<std::string> called = Captures(examples, R"re(\bdb\.(\w+))re");
  EXPECT_GT(called.size(), 30u);
  for (const std::string& m : called) EXPECT_TRUE(callable.count(m)) << "example calls db." << m;

  // Every public member of the library is documented.
  for (const std::string& m : libPublic) EXPECT_TRUE(named.count(m)) << m << " is public but not in the guide";
}

}  // namespace
