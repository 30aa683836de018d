#include <gtest/gtest.h>

#include <utility>

#include "codelib/CBlocks.h"
#include "errors/Faultnet31.h"
#include "support/TestEnv.h"

using namespace pf;
using pftest::CrLf;

namespace {

class CBlocksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Faultnet31::Reset();
    blocks.Init();
  }
  void TearDown() override { Faultnet31::Reset(); }

  CBlocks blocks;
  CRefValues refs;
};

const std::string kFrame = "  Call Stack: CBlocks.GetBlock(BlockName=";

TEST_F(CBlocksTest, SyntaxErrorsCarryNumberTextAndLineContext) {
  const std::pair<const char*, const char*> cases[] = {
      {"'#block\n", "Block Name may not be empty.\r\n Line 0 : '#block"},
      {"a\n'#block  decl\n", "Block Name may not be empty.\r\n Line 1 : '#block  decl"},
      {"'#block a\nx\n  '#Block b\n", "No #ENDBLOCK found for previous #Block tag.\r\n Line 2 :   '#Block b"},
      {"'#block a\n'#endblock\n'#endblock a %1 ||\n", "No #BLOCK tag for #ENDBLOCK.\r\n Line 2 : '#endblock a %1 ||"},
      {"'#block Decl\n'#endblock\n'#block x\n'#endblock\n'#block DECL\ny\n'#endblock\n",
       "Duplicate Block Name"
       "decl\r\n Line 6 : '#endblock"},
  };
  for (const auto& [text, description] : cases) {
    SCOPED_TRACE(text);
    CBlocks b;
    b.Init();
    const AppError e = pftest::Raised([&] { b.UnpackCode(CrLf(text)); });
    EXPECT_EQ(e.Number, ERR_BLOCK_SYNTAX);
    EXPECT_EQ(e.Description, description);
  }
}

TEST_F(CBlocksTest, ResolveRefsSplitsAtEveryMarker) {
  refs.Add("A", "1");
  refs.Add("", "<empty>");
  EXPECT_EQ(blocks.ResolveRefs("xXXaXXyXXXXz", refs), "x1y<empty>z");
  EXPECT_EQ(blocks.ResolveRefs("no refs", refs), "no refs");
  // An odd number of markers turns the last piece into a name.
  EXPECT_EQ(blocks.ResolveRefs("before XXa", refs), "before 1");
  const AppError e = pftest::Raised([&] { blocks.ResolveRefs("XXaXX then XX tail", refs); });
  EXPECT_EQ(e.Number, ERR_UNRESOLVED_REF);
  EXPECT_EQ(e.Description, "Reference could not be resolved: XX tailXX");
}

// A missing block and a reference nothing resolves are reported under the GetBlock frame.
TEST_F(CBlocksTest, FailuresAreReportedUnderTheGetBlockFrame) {
  blocks.UnpackCode(CrLf("'#block a\n'#endblock\n"));
  blocks.AddBlock("x = XXNopeXX\r\n", "b");
  const AppError missing =
      pftest::ExpectFailure([&] { blocks.GetBlocks("a,NoSuch", "", &refs); },
                            {"Block not found: NoSuch", kFrame + "'NoSuch', RefValues={CRefValues})"});
  EXPECT_EQ(missing.Number, ERR_NOT_FOUND);
  const AppError unresolved =
      pftest::ExpectFailure([&] { blocks.GetBlock("B", &refs); },
                            {"Reference could not be resolved: XXNopeXX", kFrame + "'B', RefValues={CRefValues})"});
  EXPECT_EQ(unresolved.Number, ERR_UNRESOLVED_REF);
}

// Nine passes of references are allowed, a tenth fails; a block referring to itself, and
// one that multiplies itself, fail the same way before memory runs out.
TEST_F(CBlocksTest, ReferencePassesAreLimited) {
  for (int k = 0; k < 10; ++k) blocks.AddBlock("XXb" + std::to_string(k + 1) + "XX", "b" + std::to_string(k));
  blocks.AddBlock("end", "b10");
  EXPECT_EQ(blocks.GetBlock("b1", &refs), "end");  // bK refers to bK+1: nine passes
  blocks.AddBlock("XXLoopXX", "loop");
  std::string boom;
  for (int i = 0; i < 128; ++i) boom += "XXboomXX";
  blocks.AddBlock(boom, "boom");
  const size_t saved = CBlocks::MaxResolvedSize;
  CBlocks::MaxResolvedSize = 1 << 20;
  for (const std::string name : {"B0", "Loop", "boom"}) {
    const AppError e = pftest::Raised(
        [&] { name == "Loop" ? blocks.GetBlocks("," + name, "", &refs) : blocks.GetBlock(name, &refs); });
    EXPECT_EQ(e.Number, ERR_TOO_MANY_PASSES);
    EXPECT_EQ(e.Description, "Too many iterations when resolving references in block : " + name);
  }
  CBlocks::MaxResolvedSize = saved;
}

// Catalogue and profile text holds "XX" pairs of its own (usp_XXtest_XX, @XXcode,
// usp_MaxXXL): values and the literal methods block go in as they are, while library
// blocks brought in by a reference are still resolved.
TEST_F(CBlocksTest, ValuesAndLiteralBlocksAreNeverScannedForReferences) {
  blocks.UnpackCode(CrLf("'#block main\nName=XXNameXX;XXSPMethodsXX;XXlibXX\n'#endblock\n"
                         "'#block lib\nlib:XXDeepXX\n'#endblock\n"));
  refs.Add("Deep", "deep");
  const std::pair<const char*, const char*> cases[] = {
      {"usp_XXtest_XX", "Execute \"[usp_XXtest_XX]\""},
      {"@XXcode", "AddParam \"@XXcode\""},
      {"usp_MaxXXL XX", "x '#LCond Oracle XXDeepXX"},
      {"XXXX", "XXlibXX"},
  };
  for (const auto& [value, methods] : cases) {
    // The block given whole, or as pieces it views (split inside a reference marker).
    for (const bool inPieces : {false, true}) {
      CBlocks b = blocks;
      CRefValues r = refs;
      r.Add("Name", value);
      const std::string_view text = methods;
      if (inPieces)
        b.AddLiteralBlock({text.substr(0, 3), text.substr(3)}, "SPMethods");
      else
        b.AddBlock(methods, "SPMethods", true);
      EXPECT_EQ(b.GetBlock("main", &r), "Name=" + std::string(value) + ";" + methods + ";lib:deep\r\n\r\n") << value;
      // Fetched by name with conditions set, the literal block is still as given.
      EXPECT_EQ(b.GetBlocks("main, SPMethods", "Oracle", &r),
                "Name=" + std::string(value) + ";" + methods + ";lib:deep\r\n\r\n" + methods);
      EXPECT_EQ(b.Conditions(), "Oracle");  // the list stays in force for later requests
      b.RemoveBlock("spmethods");
      EXPECT_FALSE(b.HasBlock("SPMethods"));
    }
  }
}

// Block and line conditions with Oracle and MSSQLSybase set: each input line beside the line
// it must become (an empty line where it is dropped; the line count never changes).
TEST_F(CBlocksTest, ConditionsKeepDropAndCutLines) {
  const std::pair<const char*, const char*> lines[] = {
      {"'#Cond Informix", ""},  // not set: skipping starts
      {"informix only", ""},
      {"'#Cond oracle", ""},  // set, but inside a skipped section: skipping goes on
      {"still skipped", ""},
      {"'#CondNot Access", ""},  // satisfied too, and still no end
      {"skipped as well", ""},
      {"x = 1 '#LCond Oracle", ""},         // a line condition does not revive a skipped line
      {"'#EndCondition", ""},               // not an end marker: a longer word
      {"'#EndCond Informix and more", ""},  // text after the marker is ignored
      {"after the section", "after the section"},
      {"'#CondNot ORACLE", ""},
      {"not oracle", ""},
      {"'#endcond", ""},  // any letter case, nothing after it
      {"'#Cond MSSQLSybase", ""},
      {"both", "both"},
      {"'#Cond OracleX", ""},  // a name is compared whole
      {"prefix only", ""},
      {"'#EndCond", ""},  // sections do not nest: one end closes everything
      {"after all", "after all"},
      {" '#Cond Informix", " '#Cond Informix"},  // not at column 1: an ordinary line
      {"'#Cond  Oracle", ""},                    // two blanks: an empty name, never set
      {"empty name", ""},
      {"'#EndCond", ""},
      {"a = 1 '#LCond Oracle", "a = 1 "},
      {"b = 2 '#LCond Informix", ""},
      {"c = 3 '#LCondNot Informix", "c = 3 "},
      {"d = 4 '#LCondNot oracle", ""},
      {"e = 5 '#lcond Informix", "e = 5 '#lcond Informix"},              // line markers are case-sensitive
      {"f '#LCond Informix g '#LCond Oracle", "f '#LCond Informix g "},  // the last one counts
      {"h '#LCond Oracle i '#LCondNot Oracle", "h "},                    // '#LCond wins over a later '#LCondNot
      {"j '#LCondNot Informix k '#LCondNot Oracle", ""},
      {"k = 6 '#LCond  Oracle", ""},  // empty name
      {"'#Cond Oracle", ""},
      {"l = 7 '#LCond Oracle", "l = 7 "},
      {"m = 8 '#LCond Informix", ""},
      {"'#EndCond", ""},
  };
  std::string block, expected;
  for (const auto& [in, out] : lines) {
    block += std::string(in) + "\r\n";
    expected += std::string(out) + "\r\n";
  }
  blocks.AddBlock(block, "c");
  EXPECT_EQ(blocks.GetBlocks("c", "MSSQLSybase,Oracle", nullptr), expected);
  // Without conditions nothing is evaluated or removed.
  EXPECT_EQ(blocks.GetBlocks("c", "", nullptr), block);
  // A set condition opens the section that an unset one closed before.
  blocks.AddBlock(CrLf("'#CondNot Oracle\nno\n'#EndCond\n'#Cond Oracle\nyes\n'#EndCond\n"), "d");
  EXPECT_EQ(blocks.GetBlocks("d", "oracle", nullptr), CrLf("\n\n\n\nyes\n\n"));
  EXPECT_EQ(blocks.GetBlocks("d", "Access", nullptr), CrLf("\nno\n\n\n\n\n"));
}

}  // namespace
