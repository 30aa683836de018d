#pragma once
// The block engine: reads a code library text into a table of named blocks and hands
// out blocks with their conditions evaluated and their XXNameXX references filled.
//
// Library text (lines end in CR LF):
//   '#block NAME ... '#endblock      a named block (markers recognised after trimming
//                                   blanks, in any letter case; NAME stored lower-cased)
//   '#Cond NAME / '#CondNot NAME    at column 1: a section kept only if NAME is (not) set,
//   '#EndCond                       ...up to here; sections do not nest
//   code '#LCond NAME               the line is kept, cut before the marker, only if NAME
//   code '#LCondNot NAME            is (not) set; markers are case-sensitive here
//   XXNAMEXX                        replaced by the reference value NAME, else by block NAME
//
// Reference values and literal blocks (AddBlock with Literal) are inserted as they are:
// text that comes from a catalogue or a profile is never scanned for references, so a
// procedure named usp_XXtest_XX stays what it is. Library blocks brought in by a
// reference are library text and are resolved in the next pass.
//
// Errors are AppError raised through Faultnet31::Check:
//   0x80041071 block syntax (with " Line n : <line>" context), 0x80041072 too many
//   reference passes (or a resolved text beyond MaxResolvedSize), 0x80041450 block
//   not found, 0x80041455 unresolved reference.
// The block table keeps whatever was added before an error.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "codelib/CRefValues.h"
#include "base/NoCase.h"

namespace pf {

class CBlocks {
 public:
  // Empties the block table and the condition list.
  void Init();
  // Adds every block of the library text; stops at the first syntax error. A block
  // still open at the end of the text is dropped silently.
  void UnpackCode(std::string_view code);
  // Adds one block under exactly ABlockName; a name already present (in any letter
  // case) raises 0x80041071 "Duplicate Block Name<name>". A Literal block is handed out
  // and inserted exactly as given: no conditions, no references.
  void AddBlock(std::string ABlock, const std::string& ABlockName, bool Literal = false);
  // Adds a Literal block whose text is Pieces joined, kept as views: what they view must
  // stay unchanged until the block is removed. For a block as large as the methods of a
  // class, which would otherwise be joined once to be added and copied again by GetBlocks.
  void AddLiteralBlock(std::vector<std::string_view> Pieces, const std::string& ABlockName);
  // Drops the block named ABlockName (any letter case), when there is one.
  void RemoveBlock(std::string_view ABlockName);
  // Sets the condition list (kept for later GetBlock calls, empty = conditions are not
  // processed) and returns the concatenation of GetBlock for every comma-separated name.
  std::string GetBlocks(std::string_view BlockNames, std::string_view Conditions, const CRefValues* RefValues);
  // One block's text: conditions processed (when the list is not empty) and, with a
  // reference table, references resolved in up to nine passes ("const..." blocks: one).
  // Without a table the references stay as written. An empty name gives empty text.
  std::string GetBlock(const std::string& BlockName, const CRefValues* RefValues = nullptr);
  // Largest text GetBlock builds while resolving references: blocks that refer to
  // themselves more than once grow exponentially long before the pass limit is reached.
  // 256 MiB by default, far beyond any real class; fuzzing and tests lower it.
  static inline size_t MaxResolvedSize = size_t{256} << 20;

  // One pass of reference replacement over ABlock.
  std::string ResolveRefs(std::string_view ABlock, const CRefValues& RefValues) const;

  // A text being resolved: library text, scanned for references, and inserted values,
  // which are not. Adjacent library pieces are kept joined.
  struct Piece {
    std::string Text;
    bool Literal = false;
  };

  const std::string& Conditions() const { return conditions_; }
  size_t BlockCount() const { return blocks_.size(); }
  bool HasBlock(std::string_view name) const { return blocks_.find(name) != blocks_.end(); }

 private:
  void SetConditions(std::string_view conditions);
  // Appends the text of the block named BlockName to Parts, as one or more pieces, when it
  // was added as Literal; false (and Parts as it was) when it was not.
  bool LiteralParts(std::string_view BlockName, std::vector<std::string_view>& Parts) const;
  // One pass over the library pieces of `in` into `out`. Returns false, with `out`
  // incomplete, as soon as the text grows beyond `limit`.
  bool ResolvePass(std::vector<Piece>& in, const CRefValues& refValues, size_t limit, std::vector<Piece>& out) const;
  std::string ProcessBlockConditions(std::string_view block) const;
  static bool IsCond(std::string_view line, std::string_view& sCond, bool& CondYes);
  static bool IsLCond(std::string_view line, std::string_view& sCond, size_t& AtPos, bool& CondYes);
  static bool IsEndCond(std::string_view line);
  bool IsCondSet(std::string_view sCond) const;

  std::map<std::string, std::string, NoCase::Less> blocks_;
  // The blocks added as Literal: the views AddLiteralBlock was given, or none when the text
  // is their entry in blocks_ (which AddLiteralBlock leaves empty).
  std::map<std::string, std::vector<std::string_view>, NoCase::Less> literal_;
  std::string conditions_;
  std::string conditionsKey_;  // "," + lower-cased conditions + ","
};

}  // namespace pf
