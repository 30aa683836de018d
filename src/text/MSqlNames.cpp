#include "text/MSqlNames.h"

namespace pf::MSqlNames {

std::string Bracketed(std::string_view Name) {
  std::string out;
  out.reserve(Name.size() + 2);
  out += '[';
  for (char c : Name) {
    out += c;
    if (c == ']') out += c;
  }
  out += ']';
  return out;
}

std::string SchemaQualified(std::string_view Schema, std::string_view Name) {
  return Bracketed(Schema) + "." + Bracketed(Name);
}

namespace {
// Reads one bracketed part at `pos` into `out`; false unless one is there.
bool ReadPart(std::string_view s, size_t& pos, std::string& out) {
  if (pos >= s.size() || s[pos] != '[') return false;
  out.clear();
  for (++pos; pos < s.size(); ++pos) {
    if (s[pos] != ']') {
      out += s[pos];
    } else if (pos + 1 < s.size() && s[pos + 1] == ']') {
      out += ']';
      ++pos;
    } else {
      ++pos;
      return true;
    }
  }
  return false;
}
}  // namespace

bool SplitSchemaQualified(std::string_view Qualified, std::string& Schema, std::string& Name) {
  size_t pos = 0;
  std::string schema, name;
  if (!ReadPart(Qualified, pos, schema) || pos >= Qualified.size() || Qualified[pos] != '.') return false;
  ++pos;
  if (!ReadPart(Qualified, pos, name) || pos != Qualified.size()) return false;
  Schema = std::move(schema);
  Name = std::move(name);
  return true;
}

}  // namespace pf::MSqlNames
