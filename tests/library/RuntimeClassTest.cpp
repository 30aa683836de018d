// The runtime blocks for batch mode, navigation, value formats, transactions, the COM+
// context and XML output: whole classes with them on pass the checker and have sound error
// handlers; two of them are golden files. What the members do is proven by running them
// (tests/run).

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "LibraryTestUtil.h"
#include "GenerateTestUtil.h"
#include "support/Golden.h"
#include "support/TestEnv.h"

using namespace pf;
namespace lib = pftest::lib;

// Whole classes generated from the sample catalogues with the runtime features of these
// blocks switched on, checked as Visual Basic projects with the modules they depend on.
namespace {

using pftest::Has;

struct Variant {
  const char* Name;
  bool COMPlus;
  int Trans;
  bool UseFaultnet;
  bool Events;
  bool RSMethods;
};

// The class of a sample profile with every feature of the second half on.
lib::Generated Generate(lib::Generator& gen, const std::string& sample, const Variant& v) {
  gen.LoadSample(sample);
  for (const char* k : {"ValFmt", "XMLBasic", "XMLAdvanced", "Batch", "MultipleRS", "AddExecSQL"})
    gen.Set("AddnlFunc", k, "True");
  gen.Set("AddnlFunc", "RSMethods", v.RSMethods ? "True" : "False");
  gen.Set("AddnlFunc", "Instancing", "2");
  gen.Set("AddnlFunc", "COMPlus", v.COMPlus ? "True" : "False");
  gen.Set("AddnlFunc", "COMPObjControl", v.COMPlus ? "True" : "False");
  gen.Set("AddnlFunc", "Trans", std::to_string(v.Trans));
  gen.Set("AddnlFunc", "EventsClass", v.Events ? "True" : "False");
  gen.Set("AddnlFunc", "BatchDateFmt", "YYYY-MM-DD");
  gen.Set("ErrHndl", "UseFaultnet", v.UseFaultnet ? "True" : "False");
  for (const char* k : {"AddStopOnError", "DisClassOnError", "LogToFile"}) gen.Set("ErrHndl", k, "True");
  for (const char* k : {"ErrSetAbort", "ErrDisCommit", "AutoSkipClosed", "ErrReraise"})
    gen.Set("IniOptions", k, "True");
  return gen.Build("CRuntimeDB", sample + ": " + v.Name);
}

TEST(RuntimeClassTest, EveryServerTypeWithTheSecondHalfOnPassesTheChecker) {
  const Variant variants[] = {
      {"COM+ transactions, error library, events", true, 1, true, true, true},
      {"connection transactions, own error processing", false, 2, false, false, true},
      {"transactions found at run time under COM+", true, 3, true, false, true},
      {"transactions found at run time without COM+", false, 3, false, true, true},
      // Execute and xmlGetDataAll call the result-set members, which must be there without navigation.
      {"several result sets without navigation", false, 2, true, true, false},
  };
  lib::Generator gen;
  gen.UseSnapshotCopies();
  for (const char* sample : {"access/Orders.PFG", "mssql/OrderEntry.PFG", "sybase/Orders.PFG", "oracle/Sales.PFG",
                             "postgresql/OrderEntry.PFG"}) {
    for (const Variant& v : variants) {
      const lib::Generated g = Generate(gen, sample, v);
      SCOPED_TRACE(g.Label);
      const std::string& cls = g.Class;
      EXPECT_EQ(lib::ClassFindings(g), "");
      EXPECT_EQ(lib::HandlerProblems(cls, "CRuntimeDB", v.UseFaultnet), "");
      // Oracle batches write dates with the profile's picture.
      EXPECT_EQ(Has(cls, "BatchQuote(Format$(CDate(V), \"YYYY-MM-DD\"))"), Has(sample, "oracle/"));
    }
  }
}

// The whole text of the second half, pinned for two servers whose dialects differ.
TEST(RuntimeClassTest, SecondHalfTextIsGolden) {
  lib::Generator gen;
  const Variant all = {"COM+ transactions, error library, events", true, 1, true, true, true};
  pftest::ExpectGolden("classes/SecondHalfSqlServer.cls", Generate(gen, "mssql/OrderEntry.PFG", all).Class);
  pftest::ExpectGolden("classes/SecondHalfOracle.cls", Generate(gen, "oracle/Sales.PFG", all).Class);
}

// Run-time code read from whole classes: each row generates a class from a sample with some
// keys changed and names a procedure (or the whole class, when empty) with statements it
// must and must not hold.
TEST(RuntimeClassTest, TransactionsRegistryLogsAndDependencies) {
  using Key = std::array<const char*, 3>;  // section, name, value
  struct Case {
    const char* Label;
    const char* Sample;
    std::vector<Key> Keys;
    const char* Proc;
    std::vector<std::string> Holds, Lacks;
  };
  const Key comPlus = {"AddnlFunc", "COMPlus", "True"}, noComPlus = {"AddnlFunc", "COMPlus", "False"};
  const std::string comLib = "' Dependencies: COM+ Services Type Library";
  // The database log calls its procedure in the statement the server runs.
  const Key logToDB = {"ErrHndl", "LogToDB", "True"};
  const std::string log = "ErrLogToDB LogConn, \"1\", \"spErrorLogInsert\"";
  const Case cases[] = {
      {"SQL Server log", "mssql/OrderEntry.PFG", {logToDB}, "HandleError", {log + ", ERRLOG_EXEC_N\n"}, {log + "\n"}},
      {"Oracle log", "oracle/Sales.PFG", {logToDB}, "HandleError", {log + ", ERRLOG_BLOCK\n"}, {log + "\n"}},
      {"Sybase log", "sybase/Orders.PFG", {logToDB}, "HandleError", {log + "\n"}, {log + ", "}},
      {"Access log", "access/Orders.PFG", {logToDB}, "HandleError", {log + "\n"}, {log + ", "}},
      {"PG log", "postgresql/OrderEntry.PFG", {logToDB}, "HandleError", {log + ", ERRLOG_CALL\n"}, {log + "\n"}},
      {"connection transactions under COM+",
       "mssql/OrderEntry.PFG",
       {comPlus, {"AddnlFunc", "Trans", "2"}},
       "BeginTransaction",
       {"If Not InCOMPlusTransaction Then", "mConnection.BeginTrans"},
       {}},
      // A registry source that cannot be read always fails the caller.
      {"registry",
       "mssql/OrderEntry.PFG",
       {{"AddnlFunc", "ConnSrcType", "3"}, {"AddnlFunc", "ErrIfRegFailed", "False"}},
       "ReadConnectionFromRegistry",
       {"Err.Raise Err.Number, Err.Source, Err.Description"},
       {"If RaiseError", "HandleError"}},
      // The COM+ interfaces need the COM+ library even when the class uses no context.
      {"object control",
       "mssql/OrderEntry.PFG",
       {noComPlus, {"AddnlFunc", "COMPObjControl", "True"}},
       "",
       {comLib, "Implements ObjectControl"},
       {}},
      {"object construction",
       "oracle/Sales.PFG",
       {noComPlus, {"AddnlFunc", "COMPObjConstruct", "True"}},
       "",
       {comLib, "Implements IObjectConstruct"},
       {}},
      {"no COM+",
       "oracle/Sales.PFG",
       {noComPlus, {"AddnlFunc", "COMPObjControl", "False"}, {"AddnlFunc", "COMPObjConstruct", "False"}},
       "",
       {},
       {"COM+ Services"}},
  };
  lib::Generator gen;
  gen.UseSnapshotCopies();
  for (const Case& c : cases) {
    gen.LoadSample(c.Sample);
    gen.Set("AddnlFunc", "Instancing", "2");
    for (const auto& [section, name, value] : c.Keys) gen.Set(section, name, value);
    const lib::Generated g = gen.Build("CRuntimeDB", c.Label);
    SCOPED_TRACE(g.Label);
    EXPECT_EQ(lib::ClassFindings(g), "");
    std::string text = g.Class;
    if (*c.Proc) {
      text.clear();
      for (const lib::Procedure& p : lib::Procedures(g.Class))
        if (p.Name == c.Proc)
          for (const pf::VBLine& st : p.Body) text += st.Text + "\n";
      EXPECT_FALSE(text.empty()) << "no procedure " << c.Proc;
    }
    for (const std::string& piece : c.Holds) EXPECT_TRUE(Has(text, piece)) << piece;
    for (const std::string& piece : c.Lacks) EXPECT_FALSE(Has(text, piece)) << piece;
  }
}

}  // namespace
