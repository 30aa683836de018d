#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "errors/AppError.h"
#include "errors/Faultnet31.h"
#include "platform/FileIO.h"
#include "shell/CProgress.h"
#include "shell/MCode2HTML.h"
#include "support/Golden.h"
#include "support/RecordingDisplay.h"
#include "support/TestEnv.h"

using namespace pf;
namespace html = pf::MCode2HTML;

namespace {

std::string OnePass(const std::string& src, bool delims = true) {
  std::string res = "left over";
  html::VBCodeToHTML(src, res, false, delims);
  return res;
}

// Markup written out by hand in tests/data/shell/markup.txt; both conversions must give it.
TEST(MCode2HTML, MarkupOfTypicalAndQuirkyLines) {
  for (const std::string& line : pftest::DataLines("shell/markup.txt")) {
    const std::vector<std::string> f = pftest::Fields(line);
    ASSERT_EQ(f.size(), 4u) << line;
    std::string expected = "<pre>" + f[3] + "</pre>";
    for (const auto& [name, text] : std::map<std::string, std::string>{{"{K}", "<font color=\"#000080\">"},
                                                                       {"{G}", "<font color=\"#808080\">"},
                                                                       {"{C}", "<font color=\"#008000\">"},
                                                                       {"{E}", "</font>"},
                                                                       {"{HR}", "<HR WIDTH=\"100%\" Size=0 />"},
                                                                       {"{Q}", "&quot;"}})
      expected = pftest::ReplaceAll(expected, name, text);
    EXPECT_EQ(OnePass(f[2], f[1] == "rules"), expected) << f[0];
    EXPECT_EQ(html::VBCodeToHTMLByPasses(f[2], f[1] == "rules"), expected) << f[0];
  }
}

// Texts made of the fragments that interact: keywords and their parts, quotes,
// apostrophes, procedure ends, line breaks, characters to escape.
std::string RandomText(std::mt19937& rng) {
  static const std::vector<std::string> fragments = {
      "End Sub",  "End Function", "End Property", "\r\n", "\r\n", "\r\n", "\"",   "'",      " ",   " ",
      "Dim",      "As",           "Date",         "DateAdd", "Else", "ElseIf", "If", "Then", "To",  "GoTo",
      "Option",   "Optional",     "x",            "_",     "1",    "&",      "<",  ">",    "\r",  "\n",
      "&quot;",   "(",            ")",            ",",     "\xC3\xA9", "End", "Sub", "Do",   "Double",
      "\r\nEnd Sub\r\n", "\r\nEnd Function\r\n", "\r\nEnd Property\r\n", "\r\n'", "\r\n\""};
  std::uniform_int_distribution<size_t> count(0, 40), pick(0, fragments.size() - 1);
  std::string s;
  for (size_t n = count(rng); n > 0; --n) s += fragments[pick(rng)];
  return s;
}

// The one-pass conversion against the pass-by-pass definition, on many generated texts
// and on degenerate ones.
TEST(MCode2HTML, OnePassEqualsPassByPass) {
  std::mt19937 rng(20261206);
  std::vector<std::string> texts;
  for (int i = 0; i < 3000; ++i) texts.push_back(RandomText(rng));
  std::uniform_int_distribution<int> byte(0, 255);
  for (int i = 0; i < 200; ++i) {
    std::string raw(static_cast<size_t>(byte(rng)), '\0');
    for (char& c : raw) c = static_cast<char>(byte(rng));
    texts.push_back(raw);
  }
  texts.push_back(std::string(5000, '"'));
  texts.push_back(std::string(5000, '\''));
  texts.push_back(std::string(4999, '"'));
  std::string longLine;
  for (int i = 0; i < 20000; ++i) longLine += " If x Then \"s\" ";
  texts.push_back(longLine);
  for (const std::string& t : texts) {
    for (bool delims : {true, false}) {
      ASSERT_EQ(OnePass(t, delims), html::VBCodeToHTMLByPasses(t, delims)) << "delims " << delims << " text ["
                                                                            << t << "]";
    }
  }
}

TEST(MCode2HTML, WholeSampleClass) {
  const std::string cls = FileIO::ReadBytes(pftest::GoldenDir() + "/classes/COrderEntryDB.cls");
  const std::string res = OnePass(cls);
  EXPECT_EQ(res, html::VBCodeToHTMLByPasses(cls, true));
  pftest::ExpectGolden("html/COrderEntryDB.htm", res);
}

TEST(MCode2HTML, ProgressMessageEventsAndCancel) {
  std::string longText;
  while (longText.size() < 3'000'000) longText += " Dim x As Long ' note\r\n";

  CProgress progress;
  pftest::RecordingDisplay display(progress);
  std::string res;
  html::VBCodeToHTML(longText, res, true, true, &progress);
  EXPECT_EQ(display.Shown, std::vector<std::string>{" Formatting code for Viewer..."});
  EXPECT_GE(display.Pumped, 10) << "a long text lets events run while it is converted";

  // Without WithDoEvents only the message pumps.
  display.Pumped = 0;
  html::VBCodeToHTML(longText, res, false, true, &progress);
  EXPECT_EQ(display.Pumped, 1);

  // Cancel pressed while converting: the next event point raises, Res is left alone.
  Faultnet31::Reset();
  display.Pumped = 0;
  display.CancelAtPump = 3;
  res = "before";
  EXPECT_EQ(pftest::Raised([&] { html::VBCodeToHTML(longText, res, true, true, &progress); }).Number, ERR_CANCELED);
  EXPECT_EQ(res, "before");
  EXPECT_LT(display.Pumped, 6) << "the conversion stops at the first event point after Cancel";
}

}  // namespace
