#include "extract/pfgXMLUtils.h"

#include "errors/AppError.h"
#include "errors/Faultnet31.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Stream.h"

namespace pf::pfgXMLUtils {

namespace {
// Runs body; a failure is raised again with the same number and source and the
// description prefixed by `prefix`. The module does not use the error library's
// report, since generated classes may carry it without that library.
template <class F>
std::string Prefixed(std::string_view prefix, F&& body) {
  try {
    return body();
  } catch (...) {
    AppError e = ToAppError(std::current_exception());
    e.Description.insert(0, prefix);
    throw e;
  }
}
}  // namespace

std::string NormalizeLineEnds(std::string_view text) {
  return ReplaceAll(ReplaceAll(text, "\n", "\r\n"), "\r\r\n", "\r\n");
}

std::string RowText(std::string_view xml) {
  static constexpr std::string_view kStart = "<rs:data>";
  static constexpr std::string_view kEnd = "</rs:data>";
  const size_t start = xml.find(kStart);
  if (start == std::string_view::npos) return {};
  const size_t from = start + kStart.size();
  const size_t end = xml.find(kEnd);
  if (end == std::string_view::npos || end < from) return {};
  return std::string(xml.substr(from, end - from));
}

std::string SavedText(ado::Recordset& Rs) {
  ado::Stream s;
  s.Open();
  Rs.Save(s, ado::adPersistXML);
  s.SetPosition(0);
  return s.ReadText(ado::adReadAll);
}

std::string xmlSaveRecordset(ado::Recordset& Rs) {
  return Prefixed("(xmlSaveRecordset) ", [&] { return SavedText(Rs); });
}

std::string xmlExtractRecords(ado::Recordset& Rs, const std::string& ZRowElem) {
  return Prefixed("(xmlExtractRecords) ",
                  [&] { return xmlRenameElement(RowText(xmlSaveRecordset(Rs)), "z:row", ZRowElem); });
}

std::string xmlRenameElement(std::string_view XML, std::string_view OldName, std::string_view NewName) {
  const std::string o(OldName), n(NewName);
  std::string out = ReplaceAll(XML, "<" + o + " ", "<" + n + " ");
  out = ReplaceAll(out, "<" + o + ">", "<" + n + ">");
  out = ReplaceAll(out, "<" + o + "/>", "<" + n + "/>");
  return ReplaceAll(out, "</" + o + ">", "</" + n + ">");
}

std::string xmlElement(std::string_view ElemName, std::string_view Attributes, std::string_view Content) {
  std::string out = "<";
  out += ElemName;
  out += Attributes;
  if (Content.empty()) {
    out += "/>";
  } else {
    out += '>';
    out += Content;
    out += "</";
    out += ElemName;
    out += '>';
  }
  out += "\r\n";
  return out;
}

std::string xmlAttribute(std::string_view AttrName, std::string_view AttrValue) {
  std::string out = " ";
  out += AttrName;
  out += "='";
  out += xmlEscape(AttrValue);
  out += '\'';
  return out;
}

std::string xmlEscape(std::string_view Text) {
  std::string out;
  out.reserve(Text.size() + Text.size() / 8);
  for (char c : Text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string xmlWrapData(std::string_view Data, std::string_view RsDataElem, std::string_view ClosingTag) {
  if (RsDataElem.empty()) return std::string(Data);
  std::string out;
  if (RsDataElem.find('<') == std::string_view::npos) {
    out += '<';
    out += RsDataElem;
    out += '>';
  } else {
    out += RsDataElem;
  }
  out += Data;
  if (ClosingTag.empty()) {
    out += "</";
    out += RsDataElem;
    out += '>';
  } else {
    out += ClosingTag;
  }
  return out;
}

}  // namespace pf::pfgXMLUtils
