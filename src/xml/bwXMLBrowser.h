#pragma once
// bwXMLBrowser: the one XML access class. A cursor over a shared DOM document with a
// root element that bounds the view, a current element on which attribute and child
// operations act, named bookmarks, a selection, optional allowed attribute names and
// option bits.
//
// Documents are shared, not copied, by viewers made with CreateViewer. Paths are XPath
// in its abbreviated syntax, evaluated from the current element; position predicates
// count from 1. The pattern-language forms "nodeType()=n", "$eq$", "$ne$", "$and$",
// "$or$", "$not$" and "end()" are translated.
//
// Errors are pf::AppError. Operations record their frame with the error library under
// "bwXMLBrowser.<Operation>(<Parameters>)". With option bit 1 set, Init, Load,
// Document (write), xml, RootElement (write), ElementClear, AtLast, MoveNext and Copy
// keep a failure in LastErr/LastErrSrc/LastErrDescr and return their default result
// instead of throwing.
//
// Removing an element never leaves a dangling handle behind: bookmarks and selected
// elements inside the removed subtree are dropped, and a browser on the same document
// whose root or cursor lay inside it is moved to the nearest surviving ancestor.

#include <pugixml.hpp>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/NoCase.h"
#include "platform/Variant.h"

namespace pf {

namespace ado {
class Recordset;
}

class bwXMLBrowser {
 public:
  using Document_t = std::shared_ptr<pugi::xml_document>;
  // Bookmark names compare without regard to letter case.
  using Bookmarks = std::map<std::string, pugi::xml_node, NoCase::Less>;
  // OnAttrNotFound(ElemName, ParentElemName, AttrName, AttrValue): AttrValue is what
  // the reading Attr returns; it arrives empty.
  using AttrNotFoundListener = std::function<void(const std::string& elemName, const std::string& parentElemName,
                                                  const std::string& attrName, std::string& attrValue)>;

  enum OptionBits : int32_t { OPT_KEEP_ERRORS = 1, OPT_CHECK_NAMES = 2 };

  bwXMLBrowser();
  ~bwXMLBrowser();
  bwXMLBrowser(const bwXMLBrowser&) = delete;
  bwXMLBrowser& operator=(const bwXMLBrowser&) = delete;

  // ---- set-up and document
  void Init(const std::string& RootElemName);
  // Throws 0x8004144E "LoadXML method failed" for malformed XML; the error report
  // carries the parse details (reason, line, position, source line with a caret).
  bool Load(const std::string& AnXML);
  Document_t Document() const { return doc_; }
  void Document(Document_t ADoc);
  // XML text of the root element (not of the whole document), without formatting.
  std::string xml();
  std::shared_ptr<bwXMLBrowser> CreateViewer(const std::string& AnAllowedAttrs, bool UseCurrentAsRoot);
  // Reads a whole file in the named character set (see platform/TextFiles.h); AsSubTree
  // false replaces the document, true appends the file's top element to the current one.
  void ReadFromFile(const std::string& FileName, bool AsSubTree, const std::string& Charset);
  // Writes the current element's XML (CurrElementOnly) or xml(), replacing the file
  // atomically; an empty Charset writes UTF-16 with a byte-order mark.
  void WriteToFile(const std::string& FileName, bool CurrElementOnly, const std::string& Charset);
  pugi::xml_node RootElement() const { return root_; }
  void RootElement(pugi::xml_node elem);
  pugi::xml_node DocRootElement() const;
  pugi::xml_node Element() const { return cur_; }
  void Element(pugi::xml_node elem) { cur_ = elem; }

  // ---- navigation: true when the cursor moved; on false it stays
  bool MoveTo(const std::string& Path, bool ErrIfNotFound = false);
  bool MoveByIndex(const std::string& Path, int32_t Index, bool ErrIfNotFound = false);
  bool MoveToFirstChild();
  bool MoveNext();
  bool AtLast();
  bool AtFirst() const;
  // Moves to the first element matching Path whose AttrName equals Value exactly
  // (Path alone when AttrName is empty). Any value matches, quotes and ampersands too.
  bool FindElem(const std::string& Path, const std::string& AttrName, const std::string& Value);
  // Dest: a number (0 = root, n = n parent steps, negative = stay), a text (nearest
  // ancestor of that name), anything else (stay). See the implementation for details.
  bool POP(const Variant& Dest = Variant());
  std::string ElementName() const;
  int32_t ElementIndex() const;
  int32_t ChildCount() const;

  // ---- bookmarks
  std::shared_ptr<Bookmarks> Bkmks();
  void Bkmks(std::shared_ptr<Bookmarks> bookmarks) { bkmks_ = std::move(bookmarks); }
  void BkmksClear() { bkmks_ = std::make_shared<Bookmarks>(); }
  void BkmkSet(const std::string& ABkmk);
  bool BkmkRemove(const std::string& ABkmk) noexcept;
  void BkmkRemoveElem(pugi::xml_node Elem);
  bool BkmkExists(const std::string& ABkmk) const noexcept;
  pugi::xml_node BkmkGetElem(const std::string& ABkmk) const;  // throws for an unknown name
  void BkmkGoto(const std::string& ABkmk);

  // ---- attributes of the current element
  // Absent attribute: OnAttrNotFound decides the value (empty without a listener).
  std::string Attr(const std::string& AttrName);
  // Empty and Null store an empty text; other values are stored as text (booleans as
  // "True"/"False", dates as VBDate::ToText).
  void Attr(const std::string& AttrName, const Variant& AttrValue);
  std::string strAttr(const std::string& AttrName) { return Attr(AttrName); }
  int32_t lngAttr(const std::string& AttrName) { return SafeLng(Attr(AttrName)); }
  double dblAttr(const std::string& AttrName) { return SafeDbl(Attr(AttrName)); }
  VBDate::DateTime dateAttr(const std::string& AttrName) { return SafeDate(Attr(AttrName)); }
  // True exactly when the value equals TrueValue (case-sensitive).
  bool boolAttr(const std::string& AttrName, const std::string& TrueValue = "True");
  // How every stored flag reads: true exactly when its text is "True" (case-sensitive).
  // Any other text ("true", "1", "nan", the empty text of an absent key) is false.
  static bool IsTrue(std::string_view text) noexcept { return text == "True"; }
  bool NotEmpty(const std::string& AttrName);
  void SetIfEmpty(const std::string& AttrName, const Variant& AttrValue);
  void RemoveAttr(const std::string& AttrName);
  // First attribute of that name anywhere in the document; Empty when none.
  Variant gAttr(const std::string& AttrName);
  std::vector<Variant> GetAttrArray(const std::string& Tags, bool SearchGlobal);

  void SetOnAttrNotFound(AttrNotFoundListener listener) { onAttrNotFound_ = std::move(listener); }

  // ---- structure editing
  void CreateChild(const std::string& ElemName, bool SelectIt = true, bool AsFirst = false);
  void AppendXML(const std::string& xmlElem);
  void ElementClear();
  // Throws 0x8004144E "Cannot remove root element" for the root (or an element that
  // holds it); otherwise removes the element and moves the cursor to its parent.
  void RemoveElement();
  void RemoveSubElements();
  void CopySubElements(bwXMLBrowser& xFrom, bool ClearExisting);
  void Copy(bwXMLBrowser& xFrom, const std::string& AttrList = {}, bool SearchGlobal = false);
  void FormatDates(const std::string& AttrList, const std::string& Fmt, bool ZeroAsEmpty);
  // CreateChild(ElemName) and, when rsData is given, rsSetAttributes on it; the cursor
  // goes back to the previous element unless SelectIt.
  void rsCreateChild(const std::string& ElemName, ado::Recordset* rsData, const std::string& AttrFields,
                     bool SelectIt);
  // One child per remaining row of rsData (the recordset ends at end of set).
  void rsCreateChildren(const std::string& ElemName, ado::Recordset& rsData, const std::string& AttrFields);
  // Attributes from the current row: every field under its own name when AttrList is
  // empty; else for each comma-separated item "Name" (field Name), "Name=Field", or
  // "Name='literal'" (the text with its apostrophes removed). Null is written as "".
  void rsSetAttributes(ado::Recordset& rsData, const std::string& AttrList);

  // ---- queries
  // Keys are the quoted values of AttList's attributes, each preceded by a comma;
  // strDuplicates lists every key met more than once, each preceded by a semicolon.
  bool FindDuplicates(const std::string& ElemSearchPath, const std::string& AttList, std::string& strDuplicates);
  std::string MakeAttrList(const std::string& queryString);
  static bool IsElement(pugi::xml_node node) { return node.type() == pugi::node_element; }
  static bool IsAttribute(const pugi::xpath_node& node) { return static_cast<bool>(node.attribute()); }

  // ---- value conversions (never fail)
  static std::string SafeStr(const Variant& V);
  static int32_t SafeLng(const Variant& V);
  static double SafeDbl(const Variant& V);
  static VBDate::DateTime SafeDate(const Variant& V);
  static Variant VBValue(const Variant& V) { return V.IsNull() ? Variant() : V; }
  // Empty becomes Null, every other value passes through: the counterpart of VBValue.
  static Variant DBValue(const Variant& V) { return V.IsEmpty() ? Variant::Null() : V; }
  static std::string Quote(std::string_view S) { return "'" + std::string(S) + "'"; }
  static std::string Bracket(std::string_view S) { return "[" + std::string(S) + "]"; }
  static std::string Combine(std::string_view S1, std::string_view Delim, std::string_view S2);

  // ---- selection (insertion order kept, each element once)
  const std::vector<pugi::xml_node>& Selection() const { return sel_; }
  void SelAdd() { SelAdd(cur_); }
  void SelAdd(pugi::xml_node Elem);
  bool SelIsSelected(pugi::xml_node Elem) const { return selSet_.count(Elem.internal_object()) != 0; }
  void SelUnselect(pugi::xml_node Elem);
  void SelUnselectAll();
  void SelRemoveSelected();

  // ---- options and errors
  bool Options(int32_t mask) const { return (options_ & mask) != 0; }
  void Options(int32_t mask, bool value) { options_ = value ? (options_ | mask) : (options_ & ~mask); }
  const std::string& AllowedAttrs() const { return allowed_; }
  void AllowedAttrs(const std::string& list);
  int32_t LastErr() const { return lastErr_; }
  const std::string& LastErrSrc() const { return lastErrSrc_; }
  const std::string& LastErrDescr() const { return lastErrDescr_; }

  // Translates the pattern-language forms named above into XPath; other text passes.
  static std::string TranslateQuery(std::string_view query);

 private:
  template <class R, class F, class... A>
  R Keepable(std::string_view procName, F&& body, const A&... args);
  void Adopt(Document_t doc, pugi::xml_node root);
  void CheckName(const std::string& name) const;
  void Remove(const std::vector<pugi::xml_node>& elems);
  // Moves the handles of every browser on the document of `within` out of `removed`.
  static void DropHeld(pugi::xml_node within, const std::unordered_set<pugi::xml_node_struct*>& removed);
  pugi::xpath_node SelectFirst(const std::string& query, const pugi::xpath_variable_set* vars = nullptr) const;

  Document_t doc_;
  pugi::xml_node root_;
  pugi::xml_node cur_;
  std::shared_ptr<Bookmarks> bkmks_;
  int32_t options_ = 0;
  std::string allowed_;
  std::vector<pugi::xml_node> sel_;
  std::unordered_set<pugi::xml_node_struct*> selSet_;
  int32_t lastErr_ = 0;
  std::string lastErrSrc_;
  std::string lastErrDescr_;
  AttrNotFoundListener onAttrNotFound_;
};

}  // namespace pf
