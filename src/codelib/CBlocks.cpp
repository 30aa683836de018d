#include "codelib/CBlocks.h"

#include <algorithm>
#include <vector>

#include "base/SourceText.h"
#include "errors/ErrGuard.h"
#include "errors/Faultnet31.h"

namespace pf {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kRefMarker = "XX";

// Blanks (not tabs) are trimmed, as the library's markers are written.
using srctext::TrimBlanks;

// The word that starts at `from` and ends before the next blank (or the end).
std::string_view WordAt(std::string_view s, size_t from) {
  if (from >= s.size()) return {};
  const size_t blank = s.find(' ', from);
  return s.substr(from, blank == std::string_view::npos ? std::string_view::npos : blank - from);
}

// Raises a block syntax error; the message ends with a new line showing the line
// number (counted from 0) and the offending line.
[[noreturn]] void SyntaxError(std::string_view msg, size_t lineNo, std::string_view line, std::string_view name = {}) {
  std::string context(kCrLf);
  context += " Line ";
  context += std::to_string(lineNo);
  context += " : ";
  context += line;
  std::string text(msg);
  text += name.empty() ? "%1" : "%1%2";
  if (name.empty()) Faultnet31::Check(false, ERR_BLOCK_SYNTAX, text, context);
  Faultnet31::Check(false, ERR_BLOCK_SYNTAX, text, name, context);
  throw AppError(ERR_BLOCK_SYNTAX, "Faultnet.Check", text);  // not reached: Check raises
}

// The parts joined into a text of their exact size.
std::string JoinedViews(const std::vector<std::string_view>& parts) {
  size_t size = 0;
  for (std::string_view p : parts) size += p.size();
  std::string text;
  text.reserve(size);
  for (std::string_view p : parts) text += p;
  return text;
}

}  // namespace

void CBlocks::Init() {
  blocks_.clear();
  literal_.clear();
  SetConditions({});
}

void CBlocks::UnpackCode(std::string_view code) {
  bool open = false;
  std::string name;
  std::string body;
  size_t lineNo = 0;
  for (size_t start = 0;; ++lineNo) {
    const size_t end = code.find(kCrLf, start);
    const std::string_view line =
        code.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    const std::string_view trimmed = TrimBlanks(line);
    if (NoCase::StartsWith(trimmed, "'#block")) {
      // The name is the text between the first and the second blank.
      const size_t blank = trimmed.find(' ');
      name = NoCase::Lower(blank == std::string_view::npos ? std::string_view() : WordAt(trimmed, blank + 1));
      if (open) SyntaxError("No #ENDBLOCK found for previous #Block tag.", lineNo, line);
      open = true;
      body.clear();
      if (name.empty()) SyntaxError("Block Name may not be empty.", lineNo, line);
    } else if (NoCase::StartsWith(trimmed, "'#endblock")) {
      if (!open) SyntaxError("No #BLOCK tag for #ENDBLOCK.", lineNo, line);
      if (HasBlock(name)) SyntaxError("Duplicate Block Name", lineNo, line, name);
      blocks_.emplace(name, std::move(body));
      open = false;
      body = std::string();
    } else if (open) {
      body += line;
      body += kCrLf;
    }
    if (end == std::string_view::npos) break;
    start = end + kCrLf.size();
  }
}

void CBlocks::AddBlock(std::string ABlock, const std::string& ABlockName, bool Literal) {
  const bool added = blocks_.emplace(ABlockName, std::move(ABlock)).second;
  Faultnet31::Check(added, ERR_BLOCK_SYNTAX, "Duplicate Block Name%1", ABlockName);
  if (Literal) literal_.try_emplace(ABlockName);
}

void CBlocks::AddLiteralBlock(std::vector<std::string_view> Pieces, const std::string& ABlockName) {
  AddBlock({}, ABlockName, true);
  literal_[ABlockName] = std::move(Pieces);
}

void CBlocks::RemoveBlock(std::string_view ABlockName) {
  const auto it = blocks_.find(ABlockName);
  if (it == blocks_.end()) return;
  literal_.erase(it->first);
  blocks_.erase(it);
}

std::string CBlocks::GetBlocks(std::string_view BlockNames, std::string_view Conditions, const CRefValues* RefValues) {
  SetConditions(Conditions);
  // The blocks are made first and joined in a text of their exact size: a literal block
  // (the methods, most of a class) goes in as it is, without a copy of its own, and the
  // text is not copied again as it grows.
  std::vector<std::string> made;
  std::vector<std::string_view> parts;
  made.reserve(std::count(BlockNames.begin(), BlockNames.end(), ',') + 1);
  for (size_t start = 0;;) {
    const size_t comma = BlockNames.find(',', start);
    const std::string_view name =
        BlockNames.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (!LiteralParts(TrimBlanks(name), parts) && !name.empty())
      parts.push_back(made.emplace_back(GetBlock(std::string(name), RefValues)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return JoinedViews(parts);
}

namespace {

bool HasLibraryRef(const std::vector<CBlocks::Piece>& pieces) {
  for (const CBlocks::Piece& p : pieces)
    if (!p.Literal && p.Text.find(kRefMarker) != std::string::npos) return true;
  return false;
}

std::string Joined(std::vector<CBlocks::Piece>& pieces) {
  if (pieces.size() == 1) return std::move(pieces.front().Text);
  size_t size = 0;
  for (const CBlocks::Piece& p : pieces) size += p.Text.size();
  std::string text;
  text.reserve(size);
  for (const CBlocks::Piece& p : pieces) text += p.Text;
  return text;
}

// Appends text to the pieces, joining it to a library piece before it.
void Append(std::vector<CBlocks::Piece>& pieces, std::string_view text, bool literal) {
  if (text.empty()) return;
  if (!literal && !pieces.empty() && !pieces.back().Literal) {
    pieces.back().Text += text;
    return;
  }
  pieces.push_back({std::string(text), literal});
}

}  // namespace

bool CBlocks::LiteralParts(std::string_view BlockName, std::vector<std::string_view>& Parts) const {
  const auto it = literal_.find(BlockName);
  if (it == literal_.end()) return false;
  if (it->second.empty())
    Parts.push_back(blocks_.find(it->first)->second);
  else
    Parts.insert(Parts.end(), it->second.begin(), it->second.end());
  return true;
}

std::string CBlocks::GetBlock(const std::string& BlockName, const CRefValues* RefValues) {
  return ErrGuard(
      "CBlocks.GetBlock(BlockName,RefValues)",
      [&]() -> std::string {
        const std::string name = NoCase::Lower(TrimBlanks(BlockName));
        if (name.empty()) return {};
        const auto it = blocks_.find(name);
        if (it == blocks_.end()) {
          Faultnet31::Check(false, ERR_NOT_FOUND, "Block not found: %1", BlockName);
          return {};
        }
        if (std::vector<std::string_view> parts; LiteralParts(name, parts)) return JoinedViews(parts);
        std::string text = conditions_.empty() ? it->second : ProcessBlockConditions(it->second);
        if (!RefValues) return text;
        // Values and blocks brought in by a pass may hold references of their own, so
        // passes repeat until none is left; a tenth pass means a reference loop. A
        // "const..." block gets exactly one pass: its values may contain "XX" themselves.
        // A text that outgrows MaxResolvedSize means references that multiply
        // themselves; it gets the same error before memory runs out.
        const bool onePass = name.starts_with("const");
        int passes = 0;
        std::vector<Piece> pieces{{std::move(text), false}};
        std::vector<Piece> next;
        while (HasLibraryRef(pieces)) {
          ++passes;
          const bool fits = passes < 10 && ResolvePass(pieces, *RefValues, MaxResolvedSize, next);
          Faultnet31::Check(fits, ERR_TOO_MANY_PASSES, "Too many iterations when resolving references in block : %1",
                            BlockName);
          pieces.swap(next);
          if (onePass) break;
        }
        return Joined(pieces);
      },
      BlockName, RefValues);
}

std::string CBlocks::ResolveRefs(std::string_view ABlock, const CRefValues& RefValues) const {
  if (ABlock.find(kRefMarker) == std::string_view::npos) return std::string(ABlock);
  std::vector<Piece> in{{std::string(ABlock), false}};
  std::vector<Piece> out;
  ResolvePass(in, RefValues, std::string::npos, out);
  return Joined(out);
}

// Each library piece is split at every "XX": parts at even positions are kept, parts at
// odd positions are reference names. An odd number of markers makes the last part a
// name. Values become literal pieces; blocks stay library text unless added as Literal.
bool CBlocks::ResolvePass(std::vector<Piece>& in, const CRefValues& refValues, size_t limit,
                          std::vector<Piece>& out) const {
  out.clear();
  size_t size = 0;
  for (Piece& piece : in) {
    const std::string_view text = piece.Text;
    const size_t first = piece.Literal ? std::string_view::npos : text.find(kRefMarker);
    if (first == std::string_view::npos) {
      size += text.size();
      if (piece.Literal || out.empty() || out.back().Literal) out.push_back(std::move(piece));
      else out.back().Text += text;
      continue;
    }
    Append(out, text.substr(0, first), false);
    size += first;
    size_t nameStart = first + kRefMarker.size();
    for (;;) {
      const size_t close = text.find(kRefMarker, nameStart);
      const std::string_view name =
          text.substr(nameStart, close == std::string_view::npos ? std::string_view::npos : close - nameStart);
      if (const std::string* value = refValues.Find(name)) {
        Append(out, *value, true);
        size += value->size();
      } else if (std::vector<std::string_view> parts; LiteralParts(name, parts)) {
        const std::string value = JoinedViews(parts);
        Append(out, value, true);
        size += value.size();
      } else if (const auto block = blocks_.find(name); block != blocks_.end()) {
        Append(out, block->second, false);
        size += block->second.size();
      } else {
        Faultnet31::Check(false, ERR_UNRESOLVED_REF, "Reference could not be resolved: XX%1XX", name);
      }
      if (size > limit) return false;
      if (close == std::string_view::npos) break;
      const size_t keepStart = close + kRefMarker.size();
      const size_t next = text.find(kRefMarker, keepStart);
      const std::string_view kept =
          text.substr(keepStart, next == std::string_view::npos ? std::string_view::npos : next - keepStart);
      Append(out, kept, false);
      size += kept.size();
      if (next == std::string_view::npos) break;
      nameStart = next + kRefMarker.size();
    }
  }
  return size <= limit;
}

// Lines are emptied rather than removed, so the line count never changes.
std::string CBlocks::ProcessBlockConditions(std::string_view block) const {
  if (conditions_.empty()) return std::string(block);
  std::string out;
  out.reserve(block.size());
  bool skipping = false;
  for (size_t start = 0;;) {
    const size_t end = block.find(kCrLf, start);
    const std::string_view line =
        block.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    std::string_view sCond;
    bool condYes = false;
    bool emptied = false;
    if (IsCond(line, sCond, condYes)) {
      // A satisfied condition does not end a section that is being skipped.
      if (IsCondSet(sCond) != condYes) skipping = true;
      emptied = true;
    } else if (IsEndCond(line)) {
      skipping = false;
      emptied = true;
    }
    if (!emptied && !skipping) {
      size_t atPos = 0;
      if (!IsLCond(line, sCond, atPos, condYes)) {
        out += line;
      } else if (IsCondSet(sCond) == condYes) {
        out += line.substr(0, atPos);
      }
    }
    if (end == std::string_view::npos) break;
    out += kCrLf;
    start = end + kCrLf.size();
  }
  return out;
}

// "'#Cond NAME" or "'#CondNot NAME" at the very start of the line, in any letter case.
bool CBlocks::IsCond(std::string_view line, std::string_view& sCond, bool& CondYes) {
  static constexpr std::string_view kCond = "'#Cond ";
  static constexpr std::string_view kCondNot = "'#CondNot ";
  if (NoCase::StartsWith(line, kCond)) {
    CondYes = true;
    sCond = WordAt(line, kCond.size());
    return true;
  }
  if (NoCase::StartsWith(line, kCondNot)) {
    CondYes = false;
    sCond = WordAt(line, kCondNot.size());
    return true;
  }
  return false;
}

// The last "'#LCond " in the line, else the last "'#LCondNot " (case-sensitive).
bool CBlocks::IsLCond(std::string_view line, std::string_view& sCond, size_t& AtPos, bool& CondYes) {
  static constexpr std::string_view kLCond = "'#LCond ";
  static constexpr std::string_view kLCondNot = "'#LCondNot ";
  size_t at = line.rfind(kLCond);
  if (at != std::string_view::npos) {
    CondYes = true;
    sCond = WordAt(line, at + kLCond.size());
  } else {
    at = line.rfind(kLCondNot);
    if (at == std::string_view::npos) return false;
    CondYes = false;
    sCond = WordAt(line, at + kLCondNot.size());
  }
  AtPos = at;
  return true;
}

// "'#EndCond" alone or followed by a blank, at the very start of the line.
bool CBlocks::IsEndCond(std::string_view line) {
  static constexpr std::string_view kEndCond = "'#EndCond";
  return NoCase::StartsWith(line, kEndCond) && (line.size() == kEndCond.size() || line[kEndCond.size()] == ' ');
}

// True when ",<conditions>," contains ",<sCond>," (letter case ignored).
bool CBlocks::IsCondSet(std::string_view sCond) const {
  const std::string_view key = conditionsKey_;
  const size_t n = sCond.size();
  for (size_t i = key.find(','); i != std::string_view::npos && i + n + 1 < key.size(); i = key.find(',', i + 1)) {
    if (key[i + n + 1] == ',' && NoCase::Equals(key.substr(i + 1, n), sCond)) return true;
  }
  return false;
}

void CBlocks::SetConditions(std::string_view conditions) {
  conditions_ = conditions;
  conditionsKey_ = "," + NoCase::Lower(conditions) + ",";
}

}  // namespace pf
