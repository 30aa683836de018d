#pragma once
// Pieces the extractors share: the procedure-list root and the parameter list written
// from an ADO parameter refresh.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "extract/ISrvrExtractor.h"
#include "platform/ado/Command.h"

namespace pf {

class CServer;
class bwXMLBrowser;

namespace MExtractDocs {

// The server an extractor was given; raises ERR_GENERAL when SetServer was never called.
CServer& RequireServer(const std::shared_ptr<CServer>& server);

// Starts a procedure-list document: root ProcList with Connection = the server's
// connection string; the cursor stays on the root.
void InitProcList(bwXMLBrowser& x, CServer& server);

// How a server's refreshed parameters are written.
struct RefreshRules {
  bool NumericAsDouble = false;    // ADO type 131 (numeric) is written as 5 (double)
  bool UnknownDirAsInput = false;  // direction 0 is written as 1 (input)
  bool PlainNames = false;         // names keep only ASCII letters and digits
  bool VarBinarySize16 = false;    // type 204 (varbinary) gets Size 16
  // A parameter ADO cannot pass (a table type, a CLR user type, a cursor) leaves the
  // procedure out, naming the parameter and its type.
  bool LeaveOutUnpassable = false;
};

// The parameter list of SPName from the refreshed parameters of Cmd: one row per
// parameter in collection order with Name, Dir, NumericScale, Precision, Size, Type,
// IsNullable (flag 64) and IsLongBinary (flag 128). A name is cut at a NUL character,
// as the document holds it.
SPParamList ParamsFromRefresh(const std::string& SPName, const ado::Command& Cmd, const RefreshRules& rules);
// The parameter list of the stored procedure SPName as Cmd (on an open connection)
// refreshes it: Cmd becomes the call of that procedure.
SPParamList RefreshedParams(ado::Command& Cmd, const std::string& SPName, const RefreshRules& rules);
// The same from a procedure described earlier (the one-call description of a catalogue),
// or from its parameters alone, without a command to hold them.
SPParamList ParamsFromRefresh(const std::string& SPName, const ado::ProcedureDescription& Described,
                              const RefreshRules& rules);
SPParamList ParamsFromRefresh(const std::string& SPName, const std::vector<ado::ParameterInfo>& Params,
                              const RefreshRules& rules);
// Those from a refresh or a description warn, for a numbered procedure, that a call of
// SPName runs its first number and the other numbers are left out.

// The parameter-list document of refreshed parameters: one Param per row with the
// attributes above, in that order.
std::string RefreshedParamsXml(const SPParamList& List);

// The text that document gives the attribute Attr of Row's Param; "" for an attribute it
// does not write.
std::string RefreshedAttr(const SPParamRow& Row, std::string_view Attr);

// A parameter-list document read into rows; raises what bwXMLBrowser::Load raises for
// text that does not parse.
SPParamList ReadParamList(const std::string& Xml);

// The catalogue requests of an extractor that refreshes parameters: List, then the refresh
// of SampleProc (the driver's description of it) when SampleProc is not empty.
std::vector<CatalogueStatement> WithRefresh(std::vector<CatalogueStatement> List, const std::string& SampleProc);

}  // namespace MExtractDocs
}  // namespace pf
