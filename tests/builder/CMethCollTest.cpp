#include "builder/CMethColl.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/TestEnv.h"

using namespace pf;
using pftest::CrLf;

namespace {

CMethod Parsed(const std::string& source, const std::string& name = "", const std::string& type = "") {
  CMethod m;
  m.Source = source;
  m.Name = name;
  m.ProcType = type;
  return m;
}

}  // namespace

TEST(CMethod, ErrorHandlerRewritesForEveryFlagCombination) {
  const std::string head = CrLf("\nPublic Sub Save(ByVal id As Long)\n");
  const std::string onErr = CrLf("    On Error GoTo errHandler\n");
  const std::string body = CrLf("    DoIt id\n    Exit Sub\nerrHandler:\n");
  const std::string errorIn = CrLf("    ErrorIn \"C.Save(id)\", _ \n        Array(id)\n    HandleError\n");
  const std::string end = "End Sub";
  const std::string exitLine = "    If ErrorOccurred Then Exit  Sub\r\n";
  const std::string stopLine = "    If ErrMustStop Then Debug.Assert False: Resume\r\n";
  const std::string handled = CrLf("    HandleError\n\n\n");

  const std::tuple<bool, bool, bool, std::string> cases[] = {
      {false, false, false, head + onErr + body + handled + end},
      {false, true, false, head + onErr + body + handled + end},
      {false, false, true, head + exitLine + onErr + body + handled + end},
      {false, true, true, head + exitLine + onErr + body + handled + end},
      {true, false, false, head + onErr + body + errorIn + end},
      {true, true, false, head + onErr + body + stopLine + errorIn + end},
      {true, false, true, head + exitLine + onErr + body + errorIn + end},
      {true, true, true, head + exitLine + onErr + body + stopLine + errorIn + end},
  };
  for (const auto& [faultnet, stop, disable, expected] : cases) {
    CMethod m = Parsed(head + onErr + body + errorIn + end, "Save");
    m.SetupErrHandlers(faultnet, stop, disable);
    EXPECT_EQ(m.Source, expected) << faultnet << stop << disable;
  }

  // A private procedure re-raises with its name and never gets the exit line.
  CMethod priv = Parsed(CrLf("\nPrivate Function Helper() As Long\n    On Error GoTo errHandler\nerrHandler:\n"
                             "    ErrorIn \"C.Helper\"\n    HandleError\nEnd Function"),
                        "Helper");
  priv.SetupErrHandlers(false, true, true);
  EXPECT_EQ(priv.Source, CrLf("\nPrivate Function Helper() As Long\n    On Error GoTo errHandler\nerrHandler:\n"
                              "    Err.Raise Err.Number, Err.Source, \"(Helper) \" & Err.Description\n\n"
                              "End Function"));

  // Without an ErrorIn line nothing changes, whatever the flags.
  const std::string plain = head + onErr + CrLf("    HandleError\n") + end;
  for (int flags = 0; flags < 8; ++flags) {
    CMethod m = Parsed(plain);
    m.SetupErrHandlers(flags & 1, flags & 2, flags & 4);
    EXPECT_EQ(m.Source, plain);
  }

  // Without an "On Error" line the exit line is not put above the procedure.
  CMethod noOnError = Parsed(head + errorIn + end);
  noOnError.SetupErrHandlers(true, false, true);
  EXPECT_EQ(noOnError.Source, head + errorIn + end);
}

TEST(CMethod, CommentedDeclarationAndPublicList) {
  CMethod pub =
      Parsed(CrLf("\n'#(Included)\n"
                  "  '# Reads an order\n"
                  "' plain comment\n"
                  "Public Function GetOrder(ByVal a As Long, _ \n"
                  "        ByVal b As Long) As Long\n"
                  "    GetOrder = a\n"
                  "End Function"));
  EXPECT_EQ(pub.GetCommentedDeclaration(), CrLf("'(Included)\n"
                                                "' Reads an order\n"
                                                "'Public Function GetOrder(ByVal a As Long, _ \n"
                                                "'        ByVal b As Long) As Long\n"));

  CMethColl coll;
  coll.AddMethod(pub);
  coll.AddMethod(Parsed(CrLf("\nPrivate Sub Hidden()\nEnd Sub"), "Hidden", "Sub"));
  coll.AddMethod(Parsed(CrLf("\nPublic Property Get Count() As Long\nEnd Property"), "Get Count", "Property"));
  EXPECT_EQ(coll.GetCommentedPublicList(), CrLf("\n'(Included)\n"
                                                "' Reads an order\n"
                                                "'Public Function GetOrder(ByVal a As Long, _ \n"
                                                "'        ByVal b As Long) As Long\n"
                                                "\n"
                                                "'Public Property Get Count() As Long\n"));
}

TEST(CMethColl, FragmentsLookupAndOverride) {
  CMethColl coll;
  coll.Init(CrLf("Private mX As Long\n"
                 "Public Sub Foo()\nEnd Sub\n"
                 "Public Function Bar() As Long\nEnd Function\n"
                 "Private Sub Get2()\nEnd Sub"),
            false);
  ASSERT_EQ(coll.MethodCount(), 3);
  EXPECT_EQ(coll.LocateProc("BAR"), &coll.Method(1));
  EXPECT_EQ(coll.LocateProc("get#"), &coll.Method(2));
  EXPECT_EQ(coll.LocateProc("[!f]*"), &coll.Method(1));
  EXPECT_EQ(coll.LocateProc("f?"), nullptr);

  coll.AddCodeFragment("' Reminder", "b*");
  EXPECT_EQ(coll.Method(1).Source, CrLf("' Reminder\n\nPublic Function Bar() As Long\nEnd Function"));
  coll.AddCodeFragment("' Nowhere", "zz*");
  coll.AddCodeFragment("' Also at the end", "");
  EXPECT_EQ(coll.Decl, CrLf("\nPrivate mX As Long\n' Nowhere\n' Also at the end"));

  CMethColl inc;
  inc.Init(CrLf("Private mInc As Long\n"
                "Public Function Foo() As String\nEnd Function\n"
                "Public Function BAR() As Long\n    BAR = 2\nEnd Function"),
           false);
  coll.OverrideCode(inc);
  ASSERT_EQ(coll.MethodCount(), 4);
  CMethod* found = nullptr;
  ASSERT_TRUE(coll.FindMethod("bar", "Function", found));
  EXPECT_EQ(found, &coll.Method(1));
  EXPECT_FALSE(coll.FindMethod("bar", "function", found));  // the kind compares exactly
  EXPECT_EQ(coll.Method(1).Name, "BAR");
  EXPECT_EQ(coll.Method(1).Source, CrLf("\n'#(Overwritten)\n\nPublic Function BAR() As Long\n    BAR = 2\nEnd Function"));
  // A Function Foo does not replace the Sub Foo: it is appended.
  EXPECT_EQ(coll.Method(0).Source, CrLf("\nPublic Sub Foo()\nEnd Sub"));
  EXPECT_EQ(coll.Method(3).ProcType, "Function");
  EXPECT_EQ(coll.Method(3).Source, CrLf("\n'#(Included)\n\nPublic Function Foo() As String\nEnd Function"));
  EXPECT_EQ(coll.Decl, CrLf("\nPrivate mX As Long\n' Nowhere\n' Also at the end\n'#(Included)\n\nPrivate mInc As Long"));

  CMethColl empty;
  empty.InitEmpty();
  empty.OverrideCode(inc);
  EXPECT_EQ(empty.Decl, inc.Decl);  // no marker when one side is empty
  EXPECT_EQ(empty.MethodCount(), 2);
}
