#include "xml/bwXMLBrowser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <sstream>
#include <unordered_map>
#include <utility>

#include "base/SourceText.h"
#include "errors/ErrGuard.h"
#include "platform/TextFiles.h"
#include "platform/ado/Recordset.h"
#include "xml/bwEEDomDoc.h"

namespace pf {

namespace {

// Line ends in text are kept as they are: the writer does not escape a carriage return
// in text, so folding CR LF to LF on reading would change text on every save and load.
constexpr unsigned kParseOptions = (pugi::parse_default & ~pugi::parse_eol) | pugi::parse_comments | pugi::parse_pi |
                                   pugi::parse_declaration | pugi::parse_doctype;
constexpr unsigned kPrintOptions = pugi::format_raw | pugi::format_no_declaration;

// The browsers of each document (keyed by its document node), so that removing an
// element can move every cursor and bookmark that lies inside it before the nodes are freed.
struct Registry {
  std::mutex mutex;
  std::unordered_map<const pugi::xml_node_struct*, std::vector<bwXMLBrowser*>> byDoc;
};
Registry& Browsers() {
  static Registry r;
  return r;
}

const pugi::xml_node_struct* Key(const pugi::xml_document* doc) { return doc ? doc->internal_object() : nullptr; }

void Register(const pugi::xml_document* doc, bwXMLBrowser* b) {
  if (!doc) return;
  Registry& r = Browsers();
  std::lock_guard lock(r.mutex);
  r.byDoc[Key(doc)].push_back(b);
}

void Unregister(const pugi::xml_document* doc, bwXMLBrowser* b) {
  if (!doc) return;
  Registry& r = Browsers();
  std::lock_guard lock(r.mutex);
  auto it = r.byDoc.find(Key(doc));
  if (it == r.byDoc.end()) return;
  std::erase(it->second, b);
  if (it->second.empty()) r.byDoc.erase(it);
}

// The browsers on the document that holds `node`.
std::vector<bwXMLBrowser*> BrowsersOf(pugi::xml_node node) {
  const pugi::xml_node_struct* key = node.root().internal_object();
  Registry& r = Browsers();
  std::lock_guard lock(r.mutex);
  auto it = r.byDoc.find(key);
  return it == r.byDoc.end() ? std::vector<bwXMLBrowser*>{} : it->second;
}

// Raw printing adds no line breaks of its own, so every CR in the text comes from a value;
// written as a character reference it survives the line-end normalisation of the next load.
std::string NodeXml(pugi::xml_node node) {
  std::ostringstream out;
  if (node) node.print(out, "", kPrintOptions);
  std::string text = out.str();
  if (text.find('\r') == std::string::npos) return text;
  return srctext::ReplaceAll(text, "\r", "&#13;");
}

// Splits at `sep`; an empty text gives no items.
std::vector<std::string_view> Split(std::string_view s, char sep) {
  std::vector<std::string_view> items;
  if (s.empty()) return items;
  for (;;) {
    const size_t p = s.find(sep);
    items.push_back(s.substr(0, p));
    if (p == std::string_view::npos) break;
    s.remove_prefix(p + 1);
  }
  return items;
}

// "," & list & "," contains "," & name & ",", case-sensitive.
bool InList(std::string_view list, std::string_view name) {
  for (size_t start = 0;;) {
    const size_t end = list.find(',', start);
    if (list.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start) == name) return true;
    if (end == std::string_view::npos) return false;
    start = end + 1;
  }
}

// XML names: a letter, "_" or ":" (or any non-ASCII character) first, then also digits, "." and "-".
bool IsXmlName(std::string_view name) {
  if (name.empty()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    const bool start = std::isalpha(c) || c == '_' || c == ':' || c >= 0x80;
    if (!(start || (i > 0 && (std::isdigit(c) || c == '.' || c == '-')))) return false;
  }
  return true;
}

void CheckXmlName(std::string_view name) {
  Faultnet31::Check(IsXmlName(name), ERR_GENERAL, "'%1' is not a valid XML name.", name);
}

constexpr auto Trim = srctext::TrimSpace;

pugi::xpath_query Compile(const std::string& query, pugi::xpath_variable_set* vars = nullptr) {
  const std::string q = bwXMLBrowser::TranslateQuery(query);
  try {
    return pugi::xpath_query(q.c_str(), vars);
  } catch (const pugi::xpath_exception& e) {
    throw AppError(ERR_GENERAL, "bwXMLBrowser", "Invalid query '" + query + "': " + e.what());
  }
}

// Number text as the host converts it: "&H" hexadecimal, decimal with an optional
// sign, fraction and exponent, surrounded by blanks. False for anything else.
bool ParseNumber(std::string_view s, double& out) {
  s = Trim(s);
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h')) {
    uint64_t v = 0;
    const auto r = std::from_chars(s.data() + 2, s.data() + s.size(), v, 16);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || v > 0xFFFFFFFFull) return false;
    // Hexadecimal literals of up to 4 digits are 16-bit, longer ones 32-bit, both signed.
    out = s.size() - 2 <= 4 ? static_cast<int16_t>(v) : static_cast<int32_t>(static_cast<uint32_t>(v));
    return true;
  }
  if (!s.empty() && s[0] == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(out);
}

bool ToLong(double d, int32_t& out) {
  const double r = std::nearbyint(d);  // round half to even
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return false;
  out = static_cast<int32_t>(r);
  return true;
}

std::string FormatDouble(double d) {
  if (d == std::floor(d) && std::fabs(d) < 1e15) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", d);
    return buf;
  }
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15G", d);
  return buf;
}

// Raises "LoadXML method failed" with the line, column and reason of the fault, and the
// parse details added to the error report. Reason, when given, replaces the parser's own.
[[noreturn]] void RaiseParseFailure(const pugi::xml_parse_result& result, std::string_view text,
                                    std::string_view reason = {}) {
  DomParseError details = DomParseError::FromParse(result, text);
  if (!reason.empty()) details.reason = std::string(reason);
  try {
    // The line and column, counted from the parser's byte offset, point at the fault.
    Faultnet31::Check(false, ERR_GENERAL, "LoadXML method failed at line %1, column %2: %3", details.line,
                      details.linepos, details.reason);
  } catch (...) {
    Faultnet31::ErrPreserve();
    bwEEDomDoc extractor;
    Faultnet31::ErrExtractServerErrors(&details, "DOMDocument", &extractor, "");
    throw;
  }
  throw AppError();  // not reached: Check raises
}

// Where text refers to the character NUL ("&#0;", "&#x0;", or a number that comes round to
// 0 as the parser reads it, modulo 2^32), outside comments, CDATA sections and processing
// instructions; npos for nowhere. The parser ends its copy of a value at such a character,
// so the rest of the value would be lost without a word; XML allows no such character.
size_t NulReference(std::string_view text) {
  static constexpr std::pair<std::string_view, std::string_view> kLiteral[] = {
      {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}};
  for (size_t i = text.find_first_of("<&"); i != std::string_view::npos; i = text.find_first_of("<&", i)) {
    const std::string_view rest = text.substr(i);
    if (rest[0] == '<') {
      i += 1;
      for (const auto& [open, close] : kLiteral)
        if (rest.starts_with(open)) {
          const size_t end = text.find(close, i - 1 + open.size());
          if (end == std::string_view::npos) return std::string_view::npos;
          i = end + close.size();
          break;
        }
      continue;
    }
    i += 1;
    if (!rest.starts_with("&#")) continue;
    const bool hex = rest.size() > 2 && rest[2] == 'x';
    uint32_t value = 0;
    size_t k = hex ? 3 : 2;
    for (; k < rest.size(); ++k) {
      const char c = rest[k];
      const int lower = c | 0x20;
      const int digit = c >= '0' && c <= '9' ? c - '0' : hex && lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
      if (digit < 0) break;
      value = value * (hex ? 16u : 10u) + static_cast<uint32_t>(digit);
    }
    if (k > (hex ? 3u : 2u) && k < rest.size() && rest[k] == ';' && value == 0) return i - 1;
  }
  return std::string_view::npos;
}

// Parses text into doc; raises "LoadXML method failed" with the place and the reason when
// it is not a document, or refers to the character NUL.
void ParseInto(pugi::xml_document& doc, std::string_view text) {
  if (const size_t nul = NulReference(text); nul != std::string_view::npos) {
    pugi::xml_parse_result refused;
    refused.status = pugi::status_bad_pcdata;
    refused.offset = static_cast<ptrdiff_t>(nul);
    RaiseParseFailure(refused, text, "Character reference to NUL, which XML does not allow");
  }
  const pugi::xml_parse_result result = doc.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
  if (!result) RaiseParseFailure(result, text);
}

// Where a node held by a browser goes when an element above it is removed: null when
// it is not inside any removed element, else the nearest surviving ancestor.
struct Survivor {
  bool inside = false;
  pugi::xml_node node;
};

Survivor Locate(pugi::xml_node n, const std::unordered_set<pugi::xml_node_struct*>& removed) {
  Survivor s;
  for (pugi::xml_node p = n; p; p = p.parent()) {
    if (removed.count(p.internal_object())) {
      s.inside = true;
      s.node = p.parent();
    }
  }
  return s;
}

// True when `node` is `elem` or lies below it.
bool Within(pugi::xml_node node, pugi::xml_node elem) {
  for (pugi::xml_node p = node; p; p = p.parent())
    if (p == elem) return true;
  return false;
}

template <class F>
void ForEachElement(pugi::xml_node top, F&& f) {
  pugi::xml_node n = top.first_child();
  while (n) {
    if (n.type() == pugi::node_element) f(n);
    if (n.first_child()) {
      n = n.first_child();
      continue;
    }
    while (n && n != top && !n.next_sibling()) n = n.parent();
    if (!n || n == top) break;
    n = n.next_sibling();
  }
}

}  // namespace

bwXMLBrowser::bwXMLBrowser() = default;

bwXMLBrowser::~bwXMLBrowser() { Unregister(doc_.get(), this); }

template <class R, class F, class... A>
R bwXMLBrowser::Keepable(std::string_view procName, F&& body, const A&... args) {
  try {
    return body();
  } catch (...) {
    Faultnet31::ErrPreserve();
    Faultnet31::ErrorIn(procName, ErrValues{ErrValue(args)...}, EF_BROWSER);
    const ErrObject& e = Faultnet31::Err();
    lastErr_ = e.Number;
    lastErrSrc_ = e.Source;
    lastErrDescr_ = e.Description;
    if (options_ & OPT_KEEP_ERRORS) return R();
    throw e.ToAppError();
  }
}

// ---------------------------------------------------------------- set-up and document

void bwXMLBrowser::Adopt(Document_t doc, pugi::xml_node root) {
  if (doc != doc_) {
    // Bookmarks and selected elements of the old document would outlive its nodes.
    const pugi::xml_node docNode = doc ? pugi::xml_node(*doc) : pugi::xml_node();
    if (bkmks_) std::erase_if(*bkmks_, [&](const auto& kv) { return kv.second.root() != docNode; });
    std::vector<pugi::xml_node> keep;
    for (pugi::xml_node n : sel_)
      if (n.root() == docNode) keep.push_back(n);
    if (keep.size() != sel_.size()) {
      SelUnselectAll();
      for (pugi::xml_node n : keep) SelAdd(n);
    }
    Unregister(doc_.get(), this);
    Register(doc.get(), this);
    doc_ = std::move(doc);
  }
  root_ = cur_ = root;
}

void bwXMLBrowser::Init(const std::string& RootElemName) {
  Keepable<int>("bwXMLBrowser.Init(RootElemName)", [&] {
    CheckXmlName(RootElemName);
    auto doc = std::make_shared<pugi::xml_document>();
    pugi::xml_node root = doc->append_child(RootElemName.c_str());
    Adopt(std::move(doc), root);
    return 0;
  }, RootElemName);
}

bool bwXMLBrowser::Load(const std::string& AnXML) {
  return Keepable<bool>("bwXMLBrowser.Load(AnXML)", [&] {
    auto doc = std::make_shared<pugi::xml_document>();
    ParseInto(*doc, AnXML);
    pugi::xml_node root = doc->document_element();
    Adopt(std::move(doc), root);
    return true;
  }, AnXML);
}

void bwXMLBrowser::Document(Document_t ADoc) {
  Keepable<int>("bwXMLBrowser.Document(ADoc)", [&] {
    Faultnet31::Check(ADoc != nullptr, ERR_GENERAL, "No document given.");
    pugi::xml_node root = ADoc->document_element();
    Adopt(std::move(ADoc), root);
    return 0;
  }, ADoc);
}

std::string bwXMLBrowser::xml() {
  return Keepable<std::string>("bwXMLBrowser.xml", [&] { return NodeXml(root_); });
}

std::shared_ptr<bwXMLBrowser> bwXMLBrowser::CreateViewer(const std::string& AnAllowedAttrs, bool UseCurrentAsRoot) {
  auto viewer = std::make_shared<bwXMLBrowser>();
  viewer->Adopt(doc_, UseCurrentAsRoot ? cur_ : root_);
  viewer->AllowedAttrs(AnAllowedAttrs);
  return viewer;
}

void bwXMLBrowser::ReadFromFile(const std::string& FileName, bool AsSubTree, const std::string& Charset) {
  ErrGuardFlags("bwXMLBrowser.ReadFromFile(FileName,AsSubTree,Charset)", EF_BROWSER, [&] {
    const std::string text = TextFiles::ReadText(FileName, Charset);
    if (AsSubTree) AppendXML(text);
    else Load(text);
  }, FileName, AsSubTree, Charset);
}

void bwXMLBrowser::WriteToFile(const std::string& FileName, bool CurrElementOnly, const std::string& Charset) {
  ErrGuardFlags("bwXMLBrowser.WriteToFile(FileName,CurrElementOnly,Charset)", EF_BROWSER, [&] {
    const std::string text = CurrElementOnly ? NodeXml(cur_) : xml();
    TextFiles::WriteText(FileName, text, Charset);
  }, FileName, CurrElementOnly, Charset);
}

void bwXMLBrowser::RootElement(pugi::xml_node elem) {
  Keepable<int>("bwXMLBrowser.RootElement(AElem)", [&] {
    root_ = elem;
    return 0;
  });
}

pugi::xml_node bwXMLBrowser::DocRootElement() const { return doc_ ? doc_->document_element() : pugi::xml_node(); }

// ---------------------------------------------------------------- navigation

pugi::xpath_node bwXMLBrowser::SelectFirst(const std::string& query, const pugi::xpath_variable_set* vars) const {
  pugi::xpath_query q = Compile(query, const_cast<pugi::xpath_variable_set*>(vars));
  return q.evaluate_node(cur_);
}

bool bwXMLBrowser::MoveTo(const std::string& Path, bool ErrIfNotFound) {
  return ErrGuardFlags("bwXMLBrowser.MoveTo(Path,ErrIfNotFound)", EF_BROWSER, [&] {
    const pugi::xml_node found = SelectFirst(Path).node();
    if (!found) {
      Faultnet31::Check(!ErrIfNotFound, ERR_NOT_FOUND, "Path %1 not found.", Path);
      return false;
    }
    cur_ = found;
    return true;
  }, Path, ErrIfNotFound);
}

bool bwXMLBrowser::MoveByIndex(const std::string& Path, int32_t Index, bool ErrIfNotFound) {
  return ErrGuardFlags("bwXMLBrowser.MoveByIndex(Path,Index,ErrIfNotFound)", EF_BROWSER, [&] {
    return MoveTo(Path + Bracket(std::to_string(Index)), ErrIfNotFound);
  }, Path, Index, ErrIfNotFound);
}

bool bwXMLBrowser::MoveToFirstChild() {
  for (pugi::xml_node c = cur_.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element) {
      cur_ = c;
      return true;
    }
  return false;
}

bool bwXMLBrowser::MoveNext() {
  return Keepable<bool>("bwXMLBrowser.MoveNext", [&] {
    const pugi::xml_node next = cur_.next_sibling();
    if (next.type() != pugi::node_element) return false;
    cur_ = next;
    return true;
  });
}

bool bwXMLBrowser::AtLast() {
  return Keepable<bool>("bwXMLBrowser.AtLast", [&] { return !cur_.next_sibling(); });
}

bool bwXMLBrowser::AtFirst() const { return !cur_.previous_sibling(); }

bool bwXMLBrowser::FindElem(const std::string& Path, const std::string& AttrName, const std::string& Value) {
  return ErrGuardFlags("bwXMLBrowser.FindElem(Path,AttrName,Value)", EF_BROWSER, [&] {
    pugi::xml_node found;
    if (AttrName.empty()) {
      found = SelectFirst(Path).node();
    } else {
      // The value goes through a variable: quotes and ampersands in it need no escaping.
      pugi::xpath_variable_set vars;
      vars.set("v", Value.c_str());
      found = SelectFirst(Path + "[@" + AttrName + "=$v]", &vars).node();
    }
    if (!found) return false;
    cur_ = found;
    return true;
  }, Path, AttrName, Value);
}

bool bwXMLBrowser::POP(const Variant& Dest) {
  if (Dest.type() == Variant::Type::Long) {
    const int64_t n = Dest.Lng();
    if (n == 0) {
      cur_ = root_;
      return true;
    }
    if (n < 0) return true;
    pugi::xml_node p = cur_;
    for (int64_t i = 0; i < n; ++i) {
      p = p.parent();
      if (!p || p.type() == pugi::node_document) return false;
    }
    cur_ = p;
    return true;
  }
  if (Dest.type() == Variant::Type::String) {
    pugi::xml_node p = cur_;
    for (int steps = 0; steps < 1000; ++steps) {
      p = p.parent();
      if (!p || p.type() == pugi::node_document) return false;
      if (Dest.Str() == p.name()) {
        cur_ = p;
        return true;
      }
    }
    cur_ = p;
    return true;
  }
  return true;
}

std::string bwXMLBrowser::ElementName() const { return cur_.name(); }

int32_t bwXMLBrowser::ElementIndex() const {
  int32_t n = 0;
  for (pugi::xml_node p = cur_.previous_sibling(); p; p = p.previous_sibling()) ++n;
  return n;
}

int32_t bwXMLBrowser::ChildCount() const {
  int32_t n = 0;
  for (pugi::xml_node c = cur_.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element) ++n;
  return n;
}

// ---------------------------------------------------------------- bookmarks

std::shared_ptr<bwXMLBrowser::Bookmarks> bwXMLBrowser::Bkmks() {
  if (!bkmks_) bkmks_ = std::make_shared<Bookmarks>();
  return bkmks_;
}

void bwXMLBrowser::BkmkSet(const std::string& ABkmk) { (*Bkmks())[ABkmk] = cur_; }

bool bwXMLBrowser::BkmkRemove(const std::string& ABkmk) noexcept { return bkmks_ && bkmks_->erase(ABkmk) > 0; }

void bwXMLBrowser::BkmkRemoveElem(pugi::xml_node Elem) {
  if (bkmks_) std::erase_if(*bkmks_, [&](const auto& kv) { return kv.second == Elem; });
}

bool bwXMLBrowser::BkmkExists(const std::string& ABkmk) const noexcept { return bkmks_ && bkmks_->count(ABkmk) > 0; }

pugi::xml_node bwXMLBrowser::BkmkGetElem(const std::string& ABkmk) const {
  return ErrGuardFlags("bwXMLBrowser.BkmkGetElem(ABkmk)", EF_BROWSER, [&] {
    Faultnet31::Check(BkmkExists(ABkmk), ERR_NOT_FOUND, "Bookmark %1 not found.", ABkmk);
    return bkmks_->at(ABkmk);
  }, ABkmk);
}

void bwXMLBrowser::BkmkGoto(const std::string& ABkmk) {
  ErrGuardFlags("bwXMLBrowser.BkmkGoto(ABkmk)", EF_BROWSER, [&] { cur_ = BkmkGetElem(ABkmk); }, ABkmk);
}

// ---------------------------------------------------------------- attributes

void bwXMLBrowser::AllowedAttrs(const std::string& list) {
  allowed_ = list;
  Options(OPT_CHECK_NAMES, !list.empty());
}

void bwXMLBrowser::CheckName(const std::string& name) const {
  if (!(options_ & OPT_CHECK_NAMES)) return;
  Faultnet31::Check(InList(allowed_, name), ERR_ATTR_NOT_ALLOWED,
                    "Name [%1] is not in list of allowed attribute names for element %2.", name, ElementName());
}

std::string bwXMLBrowser::Attr(const std::string& AttrName) {
  return ErrGuardFlags("bwXMLBrowser.Attr(AttrName)", EF_BROWSER, [&] {
    CheckName(AttrName);
    if (const pugi::xml_attribute a = cur_.attribute(AttrName.c_str())) return std::string(a.value());
    std::string value;
    if (onAttrNotFound_) {
      const pugi::xml_node parent = cur_.parent();
      const std::string parentName = parent.type() == pugi::node_document ? "#document" : parent.name();
      onAttrNotFound_(cur_.name(), parentName, AttrName, value);
    }
    return value;
  }, AttrName);
}

void bwXMLBrowser::Attr(const std::string& AttrName, const Variant& AttrValue) {
  const std::string text = SafeStr(AttrValue);
  ErrGuardFlags("bwXMLBrowser.Attr(AttrName,AttrValue)", EF_BROWSER, [&] {
    CheckName(AttrName);
    Faultnet31::Check(cur_.type() == pugi::node_element, ERR_GENERAL, "There is no current element.");
    pugi::xml_attribute a = cur_.attribute(AttrName.c_str());
    if (!a) {
      CheckXmlName(AttrName);
      a = cur_.append_attribute(AttrName.c_str());
    }
    a.set_value(text.c_str());
  }, AttrName, text);
}

bool bwXMLBrowser::boolAttr(const std::string& AttrName, const std::string& TrueValue) {
  return strAttr(std::string(Trim(AttrName))) == TrueValue;
}

bool bwXMLBrowser::NotEmpty(const std::string& AttrName) { return !Trim(strAttr(AttrName)).empty(); }

void bwXMLBrowser::SetIfEmpty(const std::string& AttrName, const Variant& AttrValue) {
  if (strAttr(AttrName).empty()) Attr(AttrName, AttrValue);
}

void bwXMLBrowser::RemoveAttr(const std::string& AttrName) { cur_.remove_attribute(AttrName.c_str()); }

Variant bwXMLBrowser::gAttr(const std::string& AttrName) {
  return ErrGuardFlags("bwXMLBrowser.gAttr(AttrName)", EF_BROWSER, [&]() -> Variant {
    if (!doc_) return {};
    const pugi::xml_attribute a = Compile("//@" + AttrName).evaluate_node(*doc_).attribute();
    return a ? Variant(std::string(a.value())) : Variant();
  }, AttrName);
}

std::vector<Variant> bwXMLBrowser::GetAttrArray(const std::string& Tags, bool SearchGlobal) {
  std::vector<Variant> values;
  for (std::string_view tag : Split(Tags, ','))
    values.push_back(SearchGlobal ? gAttr(std::string(tag)) : Variant(Attr(std::string(tag))));
  return values;
}

// ---------------------------------------------------------------- structure editing

void bwXMLBrowser::CreateChild(const std::string& ElemName, bool SelectIt, bool AsFirst) {
  ErrGuardFlags("bwXMLBrowser.CreateChild(ElemName,SelectIt,AsFirst)", EF_BROWSER, [&] {
    CheckXmlName(ElemName);
    Faultnet31::Check(cur_.type() == pugi::node_element, ERR_GENERAL, "There is no current element.");
    const pugi::xml_node first = cur_.first_child();
    const pugi::xml_node child =
        AsFirst && first ? cur_.insert_child_before(ElemName.c_str(), first) : cur_.append_child(ElemName.c_str());
    if (SelectIt) cur_ = child;
  }, ElemName, SelectIt, AsFirst);
}

void bwXMLBrowser::AppendXML(const std::string& xmlElem) {
  ErrGuardFlags("bwXMLBrowser.AppendXML(xmlElem)", EF_BROWSER, [&] {
    pugi::xml_document scratch;
    ParseInto(scratch, xmlElem);  // a text that does not parse must not vanish unseen
    Faultnet31::Check(cur_.type() == pugi::node_element, ERR_GENERAL, "There is no current element.");
    cur_.append_copy(scratch.document_element());
  }, xmlElem);
}

void bwXMLBrowser::DropHeld(pugi::xml_node within, const std::unordered_set<pugi::xml_node_struct*>& removed) {
  for (bwXMLBrowser* b : BrowsersOf(within)) {
    if (Survivor s = Locate(b->root_, removed); s.inside) b->root_ = s.node;
    if (Survivor s = Locate(b->cur_, removed); s.inside) b->cur_ = s.node;
    if (b->bkmks_) std::erase_if(*b->bkmks_, [&](const auto& kv) { return Locate(kv.second, removed).inside; });
    if (!b->sel_.empty()) {
      std::erase_if(b->sel_, [&](pugi::xml_node n) {
        if (!Locate(n, removed).inside) return false;
        b->selSet_.erase(n.internal_object());
        return true;
      });
    }
  }
}

// Removes the elements (in any nesting) after moving every handle held inside them.
void bwXMLBrowser::Remove(const std::vector<pugi::xml_node>& elems) {
  if (elems.empty()) return;
  std::unordered_set<pugi::xml_node_struct*> removed;
  for (pugi::xml_node e : elems) removed.insert(e.internal_object());
  // Only the outermost ones are detached: the rest go with them.
  std::vector<pugi::xml_node> tops;
  for (pugi::xml_node e : elems) {
    bool nested = false;
    for (pugi::xml_node p = e.parent(); p && !nested; p = p.parent()) nested = removed.count(p.internal_object()) != 0;
    if (!nested && e.parent()) tops.push_back(e);
  }
  DropHeld(elems.front(), removed);
  for (pugi::xml_node e : tops) e.parent().remove_child(e);
}

void bwXMLBrowser::ElementClear() {
  Keepable<int>("bwXMLBrowser.ElementClear", [&] {
    std::vector<pugi::xml_node> children;
    for (pugi::xml_node c = cur_.first_child(); c; c = c.next_sibling())
      if (c.type() == pugi::node_element) children.push_back(c);
    Remove(children);
    return 0;
  });
}

void bwXMLBrowser::RemoveElement() {
  ErrGuardFlags("bwXMLBrowser.RemoveElement", EF_BROWSER, [&] {
    Faultnet31::Check(!Within(root_, cur_), ERR_GENERAL, "Cannot remove root element");
    Faultnet31::Check(cur_.parent(), ERR_GENERAL, "There is no current element.");
    Remove({cur_});
  });
}

void bwXMLBrowser::RemoveSubElements() {
  ErrGuardFlags("bwXMLBrowser.RemoveSubElements", EF_BROWSER, [&] {
    std::vector<pugi::xml_node> children;
    for (pugi::xml_node c = cur_.first_child(); c; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      if (Within(root_, c)) {
        // The children before the one holding the root are gone, as one by one.
        Remove(children);
        cur_ = c;
        Faultnet31::Check(false, ERR_GENERAL, "Cannot remove root element");
      }
      children.push_back(c);
    }
    Remove(children);
  });
}

void bwXMLBrowser::CopySubElements(bwXMLBrowser& xFrom, bool ClearExisting) {
  ErrGuardFlags("bwXMLBrowser.CopySubElements(xFrom,ClearExisting)", EF_BROWSER, [&] {
    if (ClearExisting) RemoveSubElements();
    Faultnet31::Check(cur_.type() == pugi::node_element, ERR_GENERAL, "There is no current element.");
    if (!xFrom.MoveToFirstChild()) return;
    do {
      const pugi::xml_node src = xFrom.Element();
      if (Within(cur_, src)) {
        // Copying an element into its own subtree goes through a scratch copy.
        pugi::xml_document scratch;
        cur_.append_copy(scratch.append_copy(src));
      } else {
        cur_.append_copy(src);
      }
    } while (xFrom.MoveNext());
  }, xFrom, ClearExisting);
}

void bwXMLBrowser::Copy(bwXMLBrowser& xFrom, const std::string& AttrList, bool SearchGlobal) {
  Keepable<int>("bwXMLBrowser.Copy(xFrom,AttrList,SearchGlobal)", [&] {
    if (AttrList.empty()) {
      // Collected first: xFrom may be this very browser.
      std::vector<std::pair<std::string, std::string>> attrs;
      for (pugi::xml_attribute a : xFrom.Element().attributes()) attrs.emplace_back(a.name(), a.value());
      for (const auto& [name, value] : attrs) Attr(name, value);
      return 0;
    }
    for (std::string_view item : Split(AttrList, ',')) {
      const size_t eq = item.find('=');
      const std::string target(item.substr(0, eq));
      const std::string source(eq == std::string_view::npos ? item : item.substr(eq + 1));
      Attr(target, SearchGlobal ? Variant(SafeStr(xFrom.gAttr(source))) : Variant(xFrom.strAttr(source)));
    }
    return 0;
  }, xFrom, AttrList, SearchGlobal);
}

void bwXMLBrowser::FormatDates(const std::string& AttrList, const std::string& Fmt, bool ZeroAsEmpty) {
  ErrGuardFlags("bwXMLBrowser.FormatDates(AttrList,Fmt,ZeroAsEmpty)", EF_BROWSER, [&] {
    if (!doc_ || AttrList.empty()) return;
    const std::vector<std::string_view> names = Split(AttrList, ',');
    ForEachElement(*doc_, [&](pugi::xml_node e) {
      for (pugi::xml_attribute a : e.attributes()) {
        if (std::find(names.begin(), names.end(), std::string_view(a.name())) == names.end()) continue;
        const VBDate::DateTime d = SafeDate(a.value());
        if (!VBDate::IsZero(d) || !ZeroAsEmpty) a.set_value(VBDate::Format(d, Fmt).c_str());
        else a.set_value("");
      }
    });
  }, AttrList, Fmt, ZeroAsEmpty);
}

// ---------------------------------------------------------------- queries

bool bwXMLBrowser::FindDuplicates(const std::string& ElemSearchPath, const std::string& AttList,
                                  std::string& strDuplicates) {
  return ErrGuardFlags("bwXMLBrowser.FindDuplicates(ElemSearchPath,AttList,strDuplicates)", EF_BROWSER, [&] {
    strDuplicates.clear();
    const std::vector<std::string_view> names = Split(AttList, ',');
    const pugi::xpath_node_set nodes = Compile(ElemSearchPath).evaluate_node_set(cur_);
    // Keys are compared whole: a key that only occurs inside a longer one (a value
    // holding a quote and a comma) is not a duplicate.
    std::unordered_set<std::string> seen, reported;
    std::string key;
    for (const pugi::xpath_node& xn : nodes) {
      Faultnet31::Check(!xn.attribute() && xn.node().type() == pugi::node_element, ERR_GENERAL,
                        "Invalid search path: all result nodes should be xml elements.");
      key.clear();
      for (std::string_view name : names)
        key = Combine(key, ",", Quote(xn.node().attribute(std::string(name).c_str()).value()));
      if (!seen.insert(key).second) {
        if (reported.insert(key).second) strDuplicates = Combine(strDuplicates, ";", key);
      }
    }
    return !strDuplicates.empty();
  }, ElemSearchPath, AttList, strDuplicates);
}

std::string bwXMLBrowser::MakeAttrList(const std::string& queryString) {
  return ErrGuardFlags("bwXMLBrowser.MakeAttrList(queryString)", EF_BROWSER, [&] {
    std::string list;
    bool first = true;
    for (const pugi::xpath_node& xn : Compile(queryString).evaluate_node_set(cur_)) {
      if (!first) list += ',';
      first = false;
      list += xn.attribute() ? xn.attribute().value() : xn.node().value();
    }
    return list;
  }, queryString);
}

// ---------------------------------------------------------------- value conversions

std::string bwXMLBrowser::SafeStr(const Variant& V) {
  switch (V.type()) {
    case Variant::Type::String: return V.Str();
    case Variant::Type::Long: return std::to_string(V.Lng());
    case Variant::Type::Double: return FormatDouble(V.Dbl());
    case Variant::Type::Boolean: return V.Bool() ? "True" : "False";
    case Variant::Type::Date: return VBDate::ToText(V.Date());
    default: return {};
  }
}

int32_t bwXMLBrowser::SafeLng(const Variant& V) {
  int32_t out = 0;
  double d = 0;
  switch (V.type()) {
    case Variant::Type::String:
      if (ParseNumber(V.Str(), d) && ToLong(d, out)) return out;
      return 0;
    case Variant::Type::Long:
      return V.Lng() >= INT32_MIN && V.Lng() <= INT32_MAX ? static_cast<int32_t>(V.Lng()) : 0;
    case Variant::Type::Double: return ToLong(V.Dbl(), out) ? out : 0;
    case Variant::Type::Boolean: return V.Bool() ? -1 : 0;
    case Variant::Type::Date: return ToLong(VBDate::ToSerial(V.Date()), out) ? out : 0;
    default: return 0;
  }
}

double bwXMLBrowser::SafeDbl(const Variant& V) {
  double d = 0;
  switch (V.type()) {
    case Variant::Type::String: return ParseNumber(V.Str(), d) ? d : 0;
    case Variant::Type::Long: return static_cast<double>(V.Lng());
    case Variant::Type::Double: return std::isfinite(V.Dbl()) ? V.Dbl() : 0;
    case Variant::Type::Boolean: return V.Bool() ? -1 : 0;
    case Variant::Type::Date: return VBDate::ToSerial(V.Date());
    default: return 0;
  }
}

VBDate::DateTime bwXMLBrowser::SafeDate(const Variant& V) {
  // Day numbers from 1 Jan 100 to 31 Dec 9999, the range of dates.
  constexpr double kMinSerial = -657434.0, kMaxSerial = 2958466.0;
  VBDate::DateTime d;
  double serial = 0;
  switch (V.type()) {
    case Variant::Type::String:
      if (!VBDate::Parse(V.Str(), d)) d = VBDate::DateTime{};
      return d;
    case Variant::Type::Date: return V.Date();
    case Variant::Type::Long: serial = static_cast<double>(V.Lng()); break;
    case Variant::Type::Double: serial = V.Dbl(); break;
    case Variant::Type::Boolean: serial = V.Bool() ? -1 : 0; break;
    default: return d;
  }
  if (!(serial > kMinSerial - 1 && serial < kMaxSerial)) return d;
  return VBDate::FromSerial(serial);
}

std::string bwXMLBrowser::Combine(std::string_view S1, std::string_view Delim, std::string_view S2) {
  if (S1.empty() && S2.empty()) return {};
  std::string out;
  out.reserve(S1.size() + Delim.size() + S2.size());
  out.append(S1).append(Delim).append(S2);
  return out;
}

// ---------------------------------------------------------------- selection

void bwXMLBrowser::SelAdd(pugi::xml_node Elem) {
  if (selSet_.insert(Elem.internal_object()).second) sel_.push_back(Elem);
}

void bwXMLBrowser::SelUnselect(pugi::xml_node Elem) {
  if (selSet_.erase(Elem.internal_object()) == 0) return;
  sel_.erase(std::find(sel_.begin(), sel_.end(), Elem));
}

void bwXMLBrowser::SelUnselectAll() {
  sel_.clear();
  selSet_.clear();
}

void bwXMLBrowser::SelRemoveSelected() {
  ErrGuardFlags("bwXMLBrowser.SelRemoveSelected", EF_BROWSER, [&] {
    // One batch: removing one element at a time would rescan every handle per element.
    std::vector<pugi::xml_node> batch;
    size_t i = 0;
    for (; i < sel_.size(); ++i) {
      if (Within(root_, sel_[i])) break;
      batch.push_back(sel_[i]);
    }
    if (i < sel_.size()) {
      const pugi::xml_node failing = sel_[i];
      std::vector<pugi::xml_node> rest(sel_.begin() + static_cast<std::ptrdiff_t>(i) + 1, sel_.end());
      SelUnselectAll();
      for (pugi::xml_node n : rest) SelAdd(n);
      Remove(batch);
      cur_ = failing;
      Faultnet31::Check(false, ERR_GENERAL, "Cannot remove root element");
    }
    if (!batch.empty()) cur_ = batch.back();
    Remove(batch);
    SelUnselectAll();
  });
}

// ---------------------------------------------------------------- query translation

std::string bwXMLBrowser::TranslateQuery(std::string_view query) {
  if (query.find('$') == std::string_view::npos && query.find("nodeType") == std::string_view::npos &&
      query.find("end()") == std::string_view::npos)
    return std::string(query);
  static constexpr std::pair<std::string_view, std::string_view> kOps[] = {
      {"$eq$", "="},      {"$ne$", "!="},   {"$lt$", "<"},     {"$le$", "<="},  {"$gt$", ">"},
      {"$ge$", ">="},     {"$and$", " and "}, {"$or$", " or "}, {"$not$", "not"}, {"end()", "last()"},
  };
  std::string out;
  out.reserve(query.size() + 16);
  for (size_t i = 0; i < query.size();) {
    bool done = false;
    for (const auto& [from, to] : kOps) {
      if (query.compare(i, from.size(), from) == 0) {
        out += to;
        i += from.size();
        done = true;
        break;
      }
    }
    if (done) continue;
    if (query.compare(i, 10, "nodeType()") == 0) {
      // nodeType() = n, blanks allowed around "=".
      size_t j = i + 10;
      while (j < query.size() && query[j] == ' ') ++j;
      if (j < query.size() && query[j] == '=') {
        ++j;
        while (j < query.size() && query[j] == ' ') ++j;
        size_t k = j;
        while (k < query.size() && std::isdigit(static_cast<unsigned char>(query[k]))) ++k;
        const std::string_view num = query.substr(j, k - j);
        std::string_view test;
        if (num == "1") test = "self::*";
        else if (num == "2") test = "count(.|../@*)=count(../@*)";
        else if (num == "3") test = "self::text()";
        else if (num == "7") test = "self::processing-instruction()";
        else if (num == "8") test = "self::comment()";
        else if (num == "9") test = "not(..)";
        if (!test.empty()) {
          out += test;
          i = k;
          continue;
        }
      }
    }
    out += query[i++];
  }
  return out;
}

// ---------------------------------------------------------------- recordsets

void bwXMLBrowser::rsCreateChild(const std::string& ElemName, ado::Recordset* rsData, const std::string& AttrFields,
                                 bool SelectIt) {
  ErrGuardFlags("bwXMLBrowser.rsCreateChild(ElemName,rsData,AttrFields,SelectIt)", EF_BROWSER, [&] {
    const pugi::xml_node previous = cur_;
    CreateChild(ElemName, true, false);
    if (rsData) rsSetAttributes(*rsData, AttrFields);
    if (!SelectIt) cur_ = previous;
  }, ElemName, rsData, AttrFields, SelectIt);
}

void bwXMLBrowser::rsCreateChildren(const std::string& ElemName, ado::Recordset& rsData, const std::string& AttrFields) {
  ErrGuardFlags("bwXMLBrowser.rsCreateChildren(ElemName,rsData,AttrFields)", EF_BROWSER, [&] {
    while (!rsData.Eof()) {
      rsCreateChild(ElemName, &rsData, AttrFields, false);
      rsData.MoveNext();
    }
  }, ElemName, &rsData, AttrFields);
}

void bwXMLBrowser::rsSetAttributes(ado::Recordset& rsData, const std::string& AttrList) {
  ErrGuardFlags("bwXMLBrowser.rsSetAttributes(rsData,AttrList)", EF_BROWSER, [&] {
    if (AttrList.empty()) {
      for (size_t i = 0; i < rsData.FieldCount(); ++i) {
        const ado::Field f = rsData.Fields(i);
        Attr(f.Name(), Variant(f.Value()));
      }
      return;
    }
    std::string_view rest = AttrList;
    for (;;) {
      const size_t comma = rest.find(',');
      const std::string_view item = rest.substr(0, comma);
      const size_t eq = item.find('=');
      if (eq == std::string_view::npos) {
        Attr(std::string(item), Variant(rsData.Fields(item).Value()));
      } else {
        const std::string name(item.substr(0, eq));
        const std::string_view source = item.substr(eq + 1);
        if (!source.empty() && source.front() == '\'') {
          std::string literal;
          for (char c : source)
            if (c != '\'') literal += c;
          Attr(name, Variant(std::move(literal)));
        } else {
          Attr(name, Variant(rsData.Fields(source).Value()));
        }
      }
      if (comma == std::string_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
  }, &rsData, AttrList);
}

}  // namespace pf
