#include "extract/MExtractDocs.h"

#include "base/NoCase.h"
#include "text/MMethUtils.h"
#include "errors/Faultnet31.h"
#include "extract/CServer.h"
#include "xml/bwXMLBrowser.h"

namespace pf::MExtractDocs {

namespace {
// The attributes of a refreshed parameter's Param element, in the order they are written.
constexpr const char* kRefreshedAttrs[] = {"Name", "Dir",  "NumericScale", "Precision",
                                           "Size", "Type", "IsNullable",   "IsLongBinary"};
}  // namespace

CServer& RequireServer(const std::shared_ptr<CServer>& server) {
  Faultnet31::Check(server != nullptr, ERR_GENERAL, "The extractor has no server: SetServer was not called.");
  return *server;
}

void InitProcList(bwXMLBrowser& x, CServer& server) {
  x.Init("ProcList");
  x.Attr("Connection", server.ConnectionString());
}

namespace {
// What kind of type ADO cannot pass the parameter's is, or nullptr when it can pass it.
template <class Param>
const char* UnpassableKind(const Param& p) {
  if (p.Type == ado::adUserDefined) return "a CLR user type";
  if (p.Type == ado::kOleDbTableType) return "a table type";
  if (NoCase::Equals(p.TypeName, "cursor")) return "a cursor";
  return nullptr;
}

void NoteOtherNumbers(SPParamList& list, const std::vector<std::string>& others) {
  if (others.empty()) return;
  std::string names;
  for (const std::string& n : others) names += (names.empty() ? "" : ", ") + list.Proc + ";" + n;
  list.Warnings.push_back("Procedure \"" + list.Proc +
                          "\" is numbered: a call of it runs its first number, whose parameters the method takes; " +
                          names + " are left out.");
}

// Params: ado::Parameter or ado::ParameterInfo items, which name their fields alike.
template <class Params>
SPParamList RowsFromRefresh(const std::string& SPName, const Params& params, size_t count, const RefreshRules& rules) {
  SPParamList list;
  list.Proc = SPName;
  list.Params.reserve(count);
  for (const auto& p : params) {
    if (const char* kind = rules.LeaveOutUnpassable && !list.NotSupported ? UnpassableKind(p) : nullptr) {
      // A snapshot keeps the type's code, not its name.
      list.NotSupported = true;
      list.NotSupportedReason =
          "parameter \"" + p.Name + "\" has " +
          (p.TypeName.empty() ? "a type ADO cannot pass (" + std::string(kind) + ")"
                              : "the type \"" + p.TypeName + "\" (" + kind + "), which ADO cannot pass");
    }
    SPParamRow& r = list.Params.emplace_back();
    r.Name = rules.PlainNames ? MMethUtils::RemoveSpecChars(p.Name) : p.Name;
    if (const size_t nul = r.Name.find('\0'); nul != std::string::npos) r.Name.resize(nul);
    r.Dir =
        std::to_string(rules.UnknownDirAsInput && p.Direction == ado::adParamUnknown ? ado::adParamInput : p.Direction);
    r.NumericScale = std::to_string(p.NumericScale);
    r.Precision = std::to_string(p.Precision);
    r.Size = std::to_string(rules.VarBinarySize16 && p.Type == ado::adVarBinary ? 16L : static_cast<long>(p.Size));
    r.Type = std::to_string(rules.NumericAsDouble && p.Type == ado::adNumeric ? ado::adDouble : p.Type);
    r.IsNullable = (p.Attributes & ado::adParamNullable) != 0;
    r.IsLongBinary = (p.Attributes & ado::adParamLong) != 0;
  }
  return list;
}
}  // namespace

SPParamList ParamsFromRefresh(const std::string& SPName, const ado::Command& Cmd, const RefreshRules& rules) {
  SPParamList list = RowsFromRefresh(SPName, Cmd.Parameters(), Cmd.Parameters().Count(), rules);
  NoteOtherNumbers(list, Cmd.Parameters().OtherNumbers());
  return list;
}

SPParamList RefreshedParams(ado::Command& Cmd, const std::string& SPName, const RefreshRules& rules) {
  Cmd.CommandType = ado::adCmdStoredProc;
  Cmd.CommandText = SPName;
  Cmd.Parameters().Refresh();
  return ParamsFromRefresh(SPName, Cmd, rules);
}

SPParamList ParamsFromRefresh(const std::string& SPName, const std::vector<ado::ParameterInfo>& Params,
                              const RefreshRules& rules) {
  return RowsFromRefresh(SPName, Params, Params.size(), rules);
}

SPParamList ParamsFromRefresh(const std::string& SPName, const ado::ProcedureDescription& Described,
                              const RefreshRules& rules) {
  SPParamList list = RowsFromRefresh(SPName, Described.Parameters, Described.Parameters.size(), rules);
  NoteOtherNumbers(list, Described.OtherNumbers);
  return list;
}

std::string RefreshedParamsXml(const SPParamList& List) {
  bwXMLBrowser x;
  x.Init("Parameters");
  x.Attr("Proc", List.Proc);
  // Only servers that call routines by a text of their own write these.
  if (!List.CallText.empty()) x.Attr("CallText", List.CallText);
  if (List.NeedsTransaction) x.Attr("NeedsTransaction", "True");
  for (const SPParamRow& r : List.Params) {
    x.CreateChild("Param", true, false);
    for (const char* attr : kRefreshedAttrs) x.Attr(attr, RefreshedAttr(r, attr));
    if (!r.OmitMark.empty()) x.Attr("OmitMark", r.OmitMark);
    x.POP(0);
  }
  return x.xml();
}

std::string RefreshedAttr(const SPParamRow& Row, std::string_view Attr) {
  if (Attr == "Name") return Row.Name;
  if (Attr == "Dir") return Row.Dir;
  if (Attr == "NumericScale") return Row.NumericScale;
  if (Attr == "Precision") return Row.Precision;
  if (Attr == "Size") return Row.Size;
  if (Attr == "Type") return Row.Type;
  if (Attr == "IsNullable") return Row.IsNullable ? "True" : "False";
  if (Attr == "IsLongBinary") return Row.IsLongBinary ? "True" : "False";
  if (Attr == "OmitMark") return Row.OmitMark;
  return {};
}

SPParamList ReadParamList(const std::string& Xml) {
  bwXMLBrowser x;
  x.Load(Xml);
  const pugi::xml_node root = x.RootElement();
  SPParamList list;
  list.Proc = root.attribute("Proc").value();
  list.NotSupported = bwXMLBrowser::IsTrue(root.attribute("NotSupported").value());
  list.CallText = root.attribute("CallText").value();
  list.NeedsTransaction = bwXMLBrowser::IsTrue(root.attribute("NeedsTransaction").value());
  for (pugi::xml_node e : root.children("Param")) {
    SPParamRow& r = list.Params.emplace_back();
    r.Name = e.attribute("Name").value();
    r.Dir = e.attribute("Dir").value();
    r.NumericScale = e.attribute("NumericScale").value();
    r.Precision = e.attribute("Precision").value();
    r.Size = e.attribute("Size").value();
    r.Type = e.attribute("Type").value();
    r.NativeType = e.attribute("NativeType").value();
    r.IsNullable = bwXMLBrowser::IsTrue(e.attribute("IsNullable").value());
    r.IsLongBinary = bwXMLBrowser::IsTrue(e.attribute("IsLongBinary").value());
    r.DataTypeNotSupported = bwXMLBrowser::IsTrue(e.attribute("DataTypeNotSupported").value());
    r.OmitMark = e.attribute("OmitMark").value();
  }
  return list;
}

std::vector<CatalogueStatement> WithRefresh(std::vector<CatalogueStatement> List, const std::string& SampleProc) {
  if (!SampleProc.empty()) List.push_back({"parameters of " + SampleProc + " (parameter refresh)", "", SampleProc});
  return List;
}

}  // namespace pf::MExtractDocs
