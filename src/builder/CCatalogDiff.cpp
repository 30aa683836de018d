#include "builder/CCatalogDiff.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "builder/CCodeBuilder.h"
#include "builder/CMethod.h"
#include "extract/ISrvrExtractor.h"
#include "extract/MExtractDocs.h"
#include "base/NoCase.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "shell/CProgress.h"

namespace pf {

namespace {

constexpr const char* kBreaking = " (breaking)";

// The attributes of a parameter document that are compared, and the words a change
// line uses for them.
struct AttrWord {
  const char* Attr;
  const char* Word;
  bool Declares;          // the method constructor reads it: a change may alter the method's declaration
  bool Presence = false;  // compared as set ("True") or not, whatever its value
};
constexpr AttrWord kAttrWords[] = {
    {"Dir", "direction", true},
    {"Type", "type", true},
    {"NativeType", "type", true},
    {"NativeTypeName", "type name", false},
    {"Size", "size", true},
    {"Precision", "precision", true},
    {"NumericScale", "scale", true},
    {"IsNullable", "nullability", false},
    {"IsLongBinary", "long data", false},
    {"IsRetVal", "return value", false},
    {"DataTypeNotSupported", "unsupported type", true},
    // Whether a call may leave the parameter out (the server has a default for it); its
    // value is the call's mark.
    {"OmitMark", "default", true, true},
};

// The text an attribute is compared as.
std::string Compared(const AttrWord& a, std::string value) { return a.Presence && !value.empty() ? "True" : value; }

std::string Shown(const std::string& value) { return value.empty() ? "(none)" : value; }

// What an AddParam line declares: the parameter's name, data type and direction (its
// first three arguments; a quoted name may hold commas).
std::string ParamDeclaration(std::string_view call) {
  size_t commas = 0, i = 0;
  for (bool quoted = false; i < call.size(); ++i) {
    if (call[i] == '"') quoted = !quoted;
    else if (call[i] == ',' && !quoted && ++commas == 3) break;
  }
  return std::string(call.substr(0, i));
}

// The declaration of a generated method: its first code line and its continuation lines,
// then what its AddParam lines declare of each parameter (an Optional argument's too).
// What callers compile against and what the class tells the server about each parameter;
// sizes are left out.
std::string Signature(const CMethod& m) {
  std::string out;
  bool header = true;
  size_t pos = 0;
  const std::string& src = m.Source;
  while (pos < src.size()) {
    size_t end = src.find("\r\n", pos);
    if (end == std::string::npos) end = src.size();
    std::string_view line = std::string_view(src).substr(pos, end - pos);
    line = line.substr(0, line.find_last_not_of(' ') + 1);
    pos = end + 2;
    const size_t first = line.find_first_not_of(' ');
    const std::string_view code = line.substr(first == std::string_view::npos ? line.size() : first);
    if (header) {
      if (out.empty() && (code.empty() || code[0] == '\'')) continue;
      out += code;
      header = line.ends_with(" _");
      if (header) out += '\n';
    } else {
      std::string_view call = code;
      if (const size_t then = call.find(") Then AddParam "); call.starts_with("If Not IsMissing(") && then != call.npos)
        call.remove_prefix(then + 7);
      if (call.starts_with("AddParam ")) {
        out += '\n';
        out += ParamDeclaration(call);
      }
    }
  }
  return out;
}

// A declaration as Signature writes it, in parts: the text before and after the argument
// list, the arguments, and the AddParam declarations.
struct Declaration {
  std::string_view Head, Tail;
  std::vector<std::string_view> Args, Params;
};

std::string_view Trimmed(std::string_view t) {
  const size_t first = t.find_first_not_of(' ');
  return first == t.npos ? std::string_view() : t.substr(first, t.find_last_not_of(' ') - first + 1);
}

// header: the declaration's lines joined, continuations removed.
Declaration Parse(std::string_view signature, std::string& header) {
  Declaration d;
  bool inHeader = true;
  for (size_t pos = 0; pos <= signature.size();) {
    const size_t end = std::min(signature.find('\n', pos), signature.size());
    const std::string_view line = signature.substr(pos, end - pos);
    pos = end + 1;
    if (!inHeader) {
      d.Params.push_back(line);
    } else if (line.ends_with(" _")) {
      header.append(line.substr(0, line.size() - 1));
    } else {
      header.append(line);
      inHeader = false;
    }
  }
  const std::string_view h = header;
  const size_t open = h.find('(');
  size_t depth = 0, from = open + 1, at = open;
  for (; open != h.npos && at < h.size(); ++at) {
    if (h[at] == '(') {
      ++depth;
    } else if ((h[at] == ',' && depth == 1) || (h[at] == ')' && --depth == 0)) {
      if (const std::string_view arg = Trimmed(h.substr(from, at - from)); !arg.empty()) d.Args.push_back(arg);
      from = at + 1;
      if (depth == 0) break;
    }
  }
  d.Head = h.substr(0, std::min(open, h.size()));
  d.Tail = at < h.size() ? h.substr(at) : std::string_view();
  return d;
}

// An argument's name: its declaration without Optional, ByVal or ByRef and its type.
std::string_view ArgName(std::string_view arg) {
  for (std::string_view word : {"Optional ", "ByVal ", "ByRef "})
    if (arg.starts_with(word)) arg.remove_prefix(word.size());
  return arg.substr(0, arg.find(" As "));
}

// Whether a changed declaration still takes every call the earlier one took and declares
// each parameter to the server as it did: where a server's defaults make trailing inputs
// Optional, an input that got a default, or an input added with one, breaks no caller.
bool TakesEarlierCalls(std::string_view Old, std::string_view New) {
  std::string oldHeader, newHeader;
  const Declaration was = Parse(Old, oldHeader), is = Parse(New, newHeader);
  const auto optional = [](std::string_view arg) { return arg.starts_with("Optional "); };
  if (!NoCase::Equals(was.Head, is.Head) || !NoCase::Equals(was.Tail, is.Tail) || is.Args.size() < was.Args.size() ||
      is.Params.size() < was.Params.size())
    return false;
  for (size_t i = 0; i < is.Args.size(); ++i) {
    const bool kept =
        i < was.Args.size() &&
        (NoCase::Equals(was.Args[i], is.Args[i]) ||
         (optional(is.Args[i]) && !optional(was.Args[i]) && NoCase::Equals(ArgName(was.Args[i]), ArgName(is.Args[i]))));
    if (!kept && (i < was.Args.size() || !optional(is.Args[i]))) return false;
  }
  for (size_t i = 0; i < was.Params.size(); ++i)
    if (!NoCase::Equals(was.Params[i], is.Params[i])) return false;
  return true;
}

// Whether the line of a procedure named a sorts before that of one named b: each line
// begins with its procedure's name and ": ". Names without ':' make that beginning decide.
bool GroupBefore(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  if (const int c = a.substr(0, n).compare(b.substr(0, n)); c != 0) return c < 0;
  if (a.size() == b.size()) return false;
  // The shorter name goes on with ": ", the longer one with a character of its name.
  return a.size() < b.size() ? ':' < b[n] : a[n] < ':';
}

// Sorts lines that come in groups, one group per procedure, each line beginning with its
// procedure's name and ": ". The groups are put in order by that beginning, then each group
// in itself: the order a sort of all the lines would give (where no name holds ':', no
// group's beginning begins another's lines), for a small part of its comparisons, which
// in a large diff each read two lines far apart in memory.
void SortGrouped(std::vector<std::string>& lines, const std::vector<std::pair<std::string_view, size_t>>& groups) {
  const bool colon = std::any_of(groups.begin(), groups.end(),
                                 [](const auto& g) { return g.first.find(':') != std::string_view::npos; });
  if (colon) {
    std::sort(lines.begin(), lines.end());
    return;
  }
  // groups: the name and the first line of each group; a group ends where the next begins.
  std::vector<size_t> order(groups.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return GroupBefore(groups[a].first, groups[b].first); });
  std::vector<std::string> sorted;
  sorted.reserve(lines.size());
  for (size_t g : order) {
    const auto from = lines.begin() + static_cast<std::ptrdiff_t>(groups[g].second);
    const auto to =
        g + 1 < groups.size() ? lines.begin() + static_cast<std::ptrdiff_t>(groups[g + 1].second) : lines.end();
    std::sort(from, to);
    std::move(from, to, std::back_inserter(sorted));
  }
  lines = std::move(sorted);
}

}  // namespace

CCatalogDiff::Catalogue CCatalogDiff::Read(CSettings& Stt, const std::string& ConnectionString, CProgress& Progress) {
  bwXMLBrowser& server = *Stt.xServer;
  const std::string saved = server.strAttr("ConnPfg");
  server.Attr("ConnPfg", ConnectionString);
  Catalogue cat;
  try {
    std::shared_ptr<ISrvrExtractor> ex = Stt.CreateServerExtractor();
    Progress.Message("Retrieving procedure list... ");
    bwXMLBrowser list;
    list.Load(ex->xmlGetSPList(Stt.ListFilter()));
    const bool rowsAreTheDocument = ex->ParamRowsAreTheDocument();
    if (list.MoveToFirstChild()) {
      do {
        const std::string name = list.strAttr("Name");
        Progress.Message("Processing " + name);
        Proc& proc = cat[name];
        if (rowsAreTheDocument) {
          // The rows the document would be written from, without writing and parsing it.
          for (const SPParamRow& r : ex->GetSPParameters(name).Params) {
            Param& p = proc.Params.emplace_back();
            p.Name = r.Name;
            p.Attrs.reserve(std::size(kAttrWords));
            for (const AttrWord& a : kAttrWords) p.Attrs.push_back(Compared(a, MExtractDocs::RefreshedAttr(r, a.Attr)));
          }
          continue;
        }
        bwXMLBrowser params;
        params.Load(ex->xmlGetSPParameters(name));
        if (!params.MoveToFirstChild()) continue;
        do {
          Param p;
          p.Name = params.strAttr("Name");
          p.Attrs.reserve(std::size(kAttrWords));
          for (const AttrWord& a : kAttrWords) p.Attrs.push_back(Compared(a, params.strAttr(a.Attr)));
          proc.Params.push_back(std::move(p));
        } while (params.MoveNext());
      } while (list.MoveNext());
    }
    // The methods the profile makes of them, with its filters and naming rules.
    CCodeBuilder builder;
    builder.BuildSPMethods(Stt, Progress, [&cat](const std::string& SPName, const CMethod& Method) {
      cat[SPName].Signature = Signature(Method);
    });
    builder.Done();
  } catch (...) {
    server.Attr("ConnPfg", saved);
    Stt.DisconnectServer();
    throw;
  }
  server.Attr("ConnPfg", saved);
  Stt.DisconnectServer();
  return cat;
}

std::vector<std::string> CCatalogDiff::Compare(const Catalogue& Old, const Catalogue& New) {
  std::vector<std::string> lines;
  std::vector<std::pair<std::string_view, size_t>> groups;  // each procedure's name and first line
  bool markedBreaking = false;
  // A line about the procedure `name`: "name: what".
  auto add = [&](const std::string& name, std::string_view what, bool breaking) {
    if (groups.empty() || groups.back().first != name) groups.emplace_back(name, lines.size());
    std::string line;
    line.reserve(name.size() + 2 + what.size() + (breaking ? std::char_traits<char>::length(kBreaking) : 0));
    line.append(name).append(": ").append(what);
    if (breaking) line += kBreaking;
    markedBreaking = markedBreaking || breaking;
    lines.push_back(std::move(line));
  };
  // A procedure that is gone while another one gives the same method (renamed, or spelled
  // in another case) breaks no caller. Visual Basic names ignore case, and so does this.
  std::set<std::string> addedMethods;
  for (const auto& [name, proc] : New)
    if (!Old.count(name) && !proc.Signature.empty()) addedMethods.insert(NoCase::Lower(proc.Signature));
  for (const auto& [name, proc] : Old)
    if (!New.count(name))
      add(name, "procedure removed", !proc.Signature.empty() && !addedMethods.count(NoCase::Lower(proc.Signature)));
  for (const auto& [name, proc] : New) {
    const auto was = Old.find(name);
    if (was == Old.end()) {
      add(name, "procedure added", false);
      continue;
    }
    const Proc& old = was->second;
    // Changes break callers when the method they call is gone or declared otherwise.
    const bool breaking = !old.Signature.empty() && !NoCase::Equals(old.Signature, proc.Signature) &&
                          !TakesEarlierCalls(old.Signature, proc.Signature);
    auto find = [](const std::vector<Param>& ps, const std::string& n) {
      return std::find_if(ps.begin(), ps.end(), [&](const Param& p) { return NoCase::Equals(p.Name, n); });
    };
    markedBreaking = false;
    for (size_t i = 0; i < old.Params.size(); ++i)
      if (find(proc.Params, old.Params[i].Name) == proc.Params.end())
        add(name, "parameter " + old.Params[i].Name + " removed", breaking);
    for (size_t i = 0; i < proc.Params.size(); ++i) {
      const Param& p = proc.Params[i];
      const auto o = find(old.Params, p.Name);
      if (o == old.Params.end()) {
        add(name, "parameter " + p.Name + " added", breaking);
        continue;
      }
      std::string what;
      const size_t oldPos = static_cast<size_t>(o - old.Params.begin());
      bool declares = oldPos != i;
      if (declares) what += ", position " + std::to_string(oldPos + 1) + " -> " + std::to_string(i + 1);
      for (size_t k = 0; k < std::size(kAttrWords); ++k)
        if (o->Attrs[k] != p.Attrs[k]) {
          what += std::string(", ") + kAttrWords[k].Word + " " + Shown(o->Attrs[k]) + " -> " + Shown(p.Attrs[k]);
          declares = declares || kAttrWords[k].Declares;
        }
      // Values the method constructor never reads cannot have changed the declaration.
      if (!what.empty()) add(name, "parameter " + p.Name + " changed: " + what.substr(2), breaking && declares);
    }
    // A declaration that changed without a parameter change (a renamed method).
    if (breaking && !markedBreaking) add(name, "method declaration changed", true);
  }
  SortGrouped(lines, groups);
  return lines;
}

bool CCatalogDiff::IsBreaking(const std::string& Line) { return Line.ends_with(kBreaking); }

}  // namespace pf
