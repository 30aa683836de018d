// Throughput of the whole-class text passes on a synthetic class of 10,000 methods
// (about 10 MB): the final formatting pass, parsing into a method collection and
// re-joining it, and the other collection passes. Prints MB/s (best of several runs).

#include <chrono>
#include <cstdio>
#include <string>

#include "builder/CMethColl.h"
#include "text/MMethUtils.h"

using namespace pf;

namespace {

constexpr int kMethods = 10000;

std::string Num(int i) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%05d", i);
  return buf;
}

std::string MethodText(int i) {
  const std::string n = "GetOrder" + Num(i);
  std::string s;
  s += "'# Calls the stored procedure spGetOrder" + Num(i) + " and returns its return value.   \r\n";
  s += "Public Function " + n + "(ByVal lngCustomerID As Long, ByVal strName As String, _ \r\n";
  s += "        ByRef datFrom As Date, ByVal curAmount As Currency) As Long\r\n";
  s += "    On Error GoTo errHandler\r\n";
  s += "    InitCommand\r\n";
  s += "    AddParam RETURN_VALUE, adInteger, adParamReturnValue\r\n";
  s += "    AddParam \"@CustomerID\", adInteger, adParamInput, , lngCustomerID, ZERO_AS_NULL\r\n";
  s += "    AddParam \"@Name\", adVarChar, adParamInput, 50, strName\r\n";
  s += "    AddParam \"@From\", adDBTimeStamp, adParamInputOutput, , datFrom\r\n";
  s += "    AddParam \"@Amount\", adCurrency, adParamInput, , curAmount\r\n";
  s += "    AddParam \"@Region\", adVarChar, adParamInput, 20, strRegion\r\n";
  s += "    AddParam \"@Status\", adSmallInt, adParamInput, , intStatus\r\n";
  s += "    Execute \"[dbo].[spGetOrder" + Num(i) + "]\"\r\n";
  s += "    datFrom = PrmValue(\"@From\")\r\n";
  s += "    " + n + " = PrmValue(RETURN_VALUE)\r\n";
  s += "    Exit Function\r\n";
  s += "    \r\n";
  s += "errHandler:\r\n";
  s += "    ErrorIn \"clsDB." + n + "(lngCustomerID,strName,datFrom,curAmount)\", _ \r\n";
  s += "        Array(lngCustomerID, strName, datFrom, curAmount), EA_PUBLIC\r\n";
  s += "    HandleError\r\n";
  s += "End Function\r\n";
  s += "\r\n";
  if (i % 10 != 9) return s;
  // Every tenth method is a private helper instead.
  s.clear();
  s += "Private Sub Touch" + Num(i) + "()\r\n";
  s += "    On Error GoTo errHandler\r\n";
  s += "    mCount = mCount + 1 '# counter\r\n";
  s += "    Exit Sub\r\n";
  s += "errHandler:\r\n";
  s += "    ErrorIn \"clsDB.Touch" + Num(i) + "\"\r\n";
  s += "    HandleError\r\n";
  s += "End Sub\r\n";
  s += "\r\n";
  return s;
}

std::string ParamDefs(int i) {
  return "Public Const SP_GETORDER" + Num(i) + " = \"[dbo].[spGetOrder" + Num(i) + "]\"\r\n" +
         "Public Const PRM_GETORDER" + Num(i) + " = _\r\n    \"@CustomerID,3,1,0,1;@Name,200,1,50,0;" +
         "@From,135,3,0,0;@Amount,6,1,0,0\"\r\n";
}

template <class F>
double BestSeconds(int runs, F&& f) {
  double best = 1e9;
  for (int r = 0; r < runs; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    const std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
    if (d.count() < best) best = d.count();
  }
  return best;
}

void Report(const char* what, size_t bytes, double seconds) {
  std::printf("%-44s %8.1f MB/s  (%.1f ms for %.2f MB)\n", what, bytes / 1e6 / seconds, seconds * 1e3, bytes / 1e6);
}

}  // namespace

int main() {
  std::string cls = "Option Explicit\r\nPrivate mCount As Long\r\nAttribute mRecordset.VB_VarHelpID = -1\r\n\r\n";
  cls.reserve(12'000'000);
  for (int i = 0; i < kMethods; ++i) cls += MethodText(i);
  std::printf("synthetic class: %d methods, %.2f MB\n", kMethods, cls.size() / 1e6);

  size_t sink = 0;
  Report("uFormatCode", cls.size(), BestSeconds(5, [&] { sink += MMethUtils::uFormatCode(cls).size(); }));

  CMethColl coll;
  Report("CMethColl::Init + GetSource", cls.size(), BestSeconds(5, [&] {
           coll.Init(cls, false);
           sink += coll.GetSource().size();
         }));
  Report("CMethColl::Init", cls.size(), BestSeconds(5, [&] { coll.Init(cls, false); }));
  Report("CMethColl::GetSource", cls.size(), BestSeconds(5, [&] { sink += coll.GetSource().size(); }));
  Report("CMethColl::GetCommentedPublicList", cls.size(),
         BestSeconds(5, [&] { sink += coll.GetCommentedPublicList().size(); }));
  Report("CMethColl::SetupErrHandlers (Init included)", cls.size(), BestSeconds(5, [&] {
           coll.Init(cls, false);
           coll.SetupErrHandlers(false, true, true);
         }));

  CMethColl sp;
  sp.InitEmpty();
  size_t defsBytes = 0;
  for (int i = 0; i < kMethods; ++i) {
    CMethod m;
    m.Name = "GetOrder" + Num(i);
    m.ParamDefs = ParamDefs(i);
    defsBytes += m.ParamDefs.size();
    sp.AddMethod(std::move(m));
  }
  Report("CMethColl::AssembleParamDefs", defsBytes, BestSeconds(5, [&] { sink += sp.AssembleParamDefs().size(); }));

  return sink == 0 ? 1 : 0;
}
