// The Visual Basic checker must stay silent on valid code, tricky forms included, and must
// report each kind of fault on the right line; otherwise a clean check proves nothing.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestEnv.h"
#include "vbcheck/VBCheck.h"

namespace pftest {
namespace {

using pf::CheckVB;
using pf::FormatFindings;
using pf::VBFinding;

// Checks a module made of "Option Explicit" and Body (LF line ends), so Body's first line is
// line 2 of the checked text.
std::vector<VBFinding> CheckBody(const std::string& Body, const std::vector<std::string_view>& Others = {}) {
  return CheckVB("Option Explicit\n" + Body, Others, {.NamesRead = true});
}

// Expects exactly one finding, on Line, whose message contains Part.
void ExpectOne(const std::vector<VBFinding>& Findings, int Line, const std::string& Part) {
  ASSERT_EQ(Findings.size(), 1u) << FormatFindings(Findings);
  EXPECT_EQ(Findings[0].Line, Line) << FormatFindings(Findings);
  EXPECT_NE(Findings[0].Message.find(Part), std::string::npos) << FormatFindings(Findings);
}

// Expects a first finding on Line whose message contains Part (later ones may follow from it).
void ExpectFirst(const std::vector<VBFinding>& Findings, int Line, const std::string& Part) {
  ASSERT_FALSE(Findings.empty());
  EXPECT_EQ(Findings[0].Line, Line) << FormatFindings(Findings);
  EXPECT_NE(Findings[0].Message.find(Part), std::string::npos) << FormatFindings(Findings);
}

const char* const kValidClass = R"(VERSION 1.0 CLASS
BEGIN
  MultiUse = -1  'True
  Persistable = 0  'NotPersistable
  DataBindingBehavior = 0  'vbNone
  DataSourceBehavior  = 0  'vbNone
  MTSTransactionMode  = 0  'NotAnMTSObject
END
Attribute VB_Name = "CSample"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = True
Attribute VB_Exposed = True
Option Explicit
Implements ObjectControl

Public Enum PFGOptions
    PFGO_NONE = 0
    PFGO_ASYNC = &H1
    PFGO_KEEP = &H10&
End Enum

Private Type TParamDef
    Name As String * 30
    Size(1 To 2) As Long
End Type

Private Declare Function RegOpenKeyEx Lib "advapi32.dll" Alias "RegOpenKeyExA" (ByVal hKey As Long, _
    ByVal lpSubKey As String, ByVal ulOptions As Long, ByVal samDesired As Long, phkResult As Long) As Long
Private Declare Sub Sleep Lib "kernel32" (ByVal dwMilliseconds As Long)

Public Event ExecuteComplete(ByVal RecordsAffected As Long)
Private WithEvents m_cn As ADODB.Connection
Attribute m_cn.VB_VarHelpID = -1
Private m_Timeout As Long, m_Name$
Private Const MODULE_NAME As String = "CSample" ' it's "quoted"
Private m_Defs() As TParamDef

Public Property Get Timeout() As Long
Attribute Timeout.VB_Description = "Command timeout in seconds"
    Timeout = m_Timeout
End Property

Public Property Let Timeout(ByVal NewValue As Long)
    If NewValue < 0 Then Err.Raise 5 Else m_Timeout = NewValue
End Property

Public Function Execute(ByVal SPName As String, ByVal Options As Long, _
                        ParamArray Args() As Variant) As Long
    Dim cmd As ADODB.Command, prm As ADODB.Parameter ' the command _
      and its parameters (a continued comment)
    Dim i As Integer, v As Variant
    Dim sText As String
    Static nCalls As Long

    On Error GoTo errHandler
    nCalls = nCalls + 1
    Set cmd = New ADODB.Command
    With cmd
        Set .ActiveConnection = m_cn
        .CommandText = SPName: .CommandType = adCmdStoredProc
        .CommandTimeout = IIf(m_Timeout > 0, m_Timeout, 30)
        For i = 0 To UBound(Args)
            Set prm = .CreateParameter("@p" & CStr(i), adVarChar, adParamInput, 255, Args(i))
            .Parameters.Append prm
        Next i
        With .Parameters
            If .Count > 0 Then .Item(0).Value = Null
        End With
    End With
    For Each v In Args
        If IsNull(v) Then Exit For
    Next
    sText = "He said ""Don't"" - 'not' a comment" & vbCrLf & _
            "#1/2/2000# and XX are fine here"
    If Len(sText) = 0 Then Exit Function
    ReDim m_Defs(1 To 2)
    m_Defs(1).Name = "x": m_Defs(2).Size(1) = #1/1/2000#
    Select Case Options
        Case PFGO_NONE, PFGO_KEEP
            Debug.Print "none"
        Case Is > 100, 3 To 5
            sText = Mid$(sText, 2)
        Case Else
            Mid(sText, 1, 1) = "X"
    End Select
    If Options And PFGO_ASYNC Then
        Do While m_cn.State = adStateExecuting
            Sleep 10
        Loop
    ElseIf Options = 0 Then
        Do
            i = i + 1
        Loop Until i > 10
    Else
        While i > 0: i = i - 1: Wend
    End If
    cmd.Execute Execute, , adExecuteNoRecords
    RaiseEvent ExecuteComplete(Execute)
    Set cmd = Nothing
    Exit Function
errHandler:
    If Err.Number = 3265 Then Resume Next
    Err.Raise Err.Number, MODULE_NAME & ".Execute", Err.Description
End Function

Private Sub m_cn_ExecuteComplete(ByVal RecordsAffected As Long, ByVal pError As ADODB.Error, _
    adStatus As ADODB.EventStatusEnum, ByVal pCommand As ADODB.Command, _
    ByVal pRecordset As ADODB.Recordset, ByVal pConnection As ADODB.Connection)
    If adStatus = adStatusErrorsOccurred Then Exit Sub
End Sub

Private Function ObjectControl_CanBePooled() As Boolean
    ObjectControl_CanBePooled = False
End Function

Private Sub ObjectControl_Activate()
10  GoTo 20
20  m_Name$ = "active"
    Rem a remark: with "quotes"
End Sub

Private Sub ObjectControl_Deactivate()
    On Error Resume Next
    If m_cn Is Nothing Then Else m_cn.Close
    Set m_cn = Nothing
End Sub
)";

TEST(VBCheckValid, ClassWithDataAccessCodeHasNoFinding) {
  EXPECT_EQ(FormatFindings(CheckVB(kValidClass, {}, {.NamesRead = true})), "");
  EXPECT_EQ(FormatFindings(CheckVB(CrLf(kValidClass), {}, {.NamesRead = true})), "");
}

// Every cut of a valid class is some text the checker must read without failing, and a cut
// inside a procedure leaves that procedure open.
TEST(VBCheckValid, TruncatedTextsAreReportedNotMisread) {
  const std::string text = kValidClass;
  size_t cuts = 0;
  for (size_t n = 0; n < text.size(); n += 3) {
    const auto findings = CheckVB(std::string_view(text).substr(0, n));
    ++cuts;
    if (n > text.find("    Dim cmd As ADODB.Command") && n < text.find("End Function")) {
      bool open = false;
      for (const VBFinding& f : findings) open = open || f.Message.find("without 'End Function'") != std::string::npos;
      EXPECT_TRUE(open) << "cut at " << n << "\n" << FormatFindings(findings);
    }
  }
  EXPECT_GT(cuts, 1000u);
}

TEST(VBCheckValid, StandardModuleAndCrossModuleNames) {
  const std::string module = CrLf(R"(Attribute VB_Name = "Faults"
Option Explicit
Public Const EA_PUBLIC As Long = 2, EA_RAISE = 8
Global g_LastError As Long
Public Enum LogKinds
    lkFile = 1
End Enum
Private m_Hidden As Long

Public Sub ErrorIn(ByVal Name As String, Optional ByVal Flags As Long = EA_PUBLIC)
    g_LastError = Err.Number
End Sub

Public Property Let LogKind(ByVal Value As Long)
    m_Hidden = Value
End Property
)");
  EXPECT_EQ(FormatFindings(CheckVB(module)), "");
  // The class may assign the module's public variables and properties, not its private ones.
  const std::string user = R"(Private Sub Handle()
    g_LastError = 0
    LogKind = lkFile
    m_Hidden = 1
End Sub
)";
  ExpectOne(CheckBody(user, {module}), 5, "'m_Hidden'");
}

TEST(VBCheckValid, SingleLineIfForms) {
  EXPECT_EQ(FormatFindings(CheckBody(R"(Private Function F(ByVal x As Long) As Long
    If x Then Exit Function
    If x > 1 Then F = 1 Else F = 2
    If x > 1 Then F = 1: x = 2 Else F = 3: x = 4
    If x Then If x > 2 Then F = 5 Else F = 6
    If x Then For x = 1 To 2: F = x: Next
    If x = 1 Then
        F = 0
    ElseIf x = 2 Then F = 1
    Else: F = 2
    End If
End Function
)")),
            "");
}

// ---------------------------------------------------------------------------------------------
// Block structure.

TEST(VBCheckBlocks, MissingAndExtraClosers) {
  ExpectOne(CheckBody("Sub A()\n  If True Then\n    Beep\nEnd Sub\n"), 5, "'End Sub' while 'If' from line 3");
  ExpectOne(CheckBody("Sub A()\n  Dim i\n  For i = 1 To 2\n  Next\n  Next\nEnd Sub\n"), 6, "'Next' without 'For'");
  ExpectOne(CheckBody("Sub A()\n  Dim i\n  Do\n    i = 1\nEnd Sub\n"), 6, "'End Sub' while 'Do'");
  ExpectOne(CheckBody("Sub A()\n  End If\nEnd Sub\n"), 3, "'End If' without 'If'");
  ExpectOne(CheckBody("Sub A()\n  Wend\nEnd Sub\n"), 3, "'Wend' without 'While'");
  ExpectOne(CheckBody("Sub A()\n  Loop\nEnd Sub\n"), 3, "'Loop' without 'Do'");
  ExpectOne(CheckBody("Sub A()\n  End With\nEnd Sub\n"), 3, "'End With' without 'With'");
  ExpectOne(CheckBody("Sub A()\nEnd Function\n"), 3, "'End Function' ends 'Sub A' from line 2");
  ExpectOne(CheckBody("Sub A()\n  Dim x\n"), 2, "'Sub' without 'End Sub'");
  ExpectOne(CheckBody("Private Type T\n  a As Long\n"), 2, "'Type' without 'End Type'");
  ExpectOne(CheckBody("Enum E\n  a\nEnd Type\n"), 4, "'End Type' ends 'Enum' from line 2");
  ExpectOne(CheckBody("Sub A()\nEnd Property\n"), 3, "'End Property' ends 'Sub A'");
}

TEST(VBCheckBlocks, CrossedBlocks) {
  ExpectFirst(CheckBody("Sub A(c)\n  With c\n    If .x Then\n  End With\n    End If\nEnd Sub\n"), 5,
            "'End With' while 'If' from line 4");
  // The Next of the inner loop names the outer variable.
  const auto f = CheckBody("Sub A()\n  Dim i, j\n  For i = 1 To 2\n    For j = 1 To 2\n    Next i\n  Next j\nEnd Sub\n");
  ASSERT_FALSE(f.empty());
  EXPECT_EQ(f[0].Line, 6);
  EXPECT_NE(f[0].Message.find("'Next i' closes 'For j'"), std::string::npos) << FormatFindings(f);
  // A procedure that begins before the last one ended.
  ExpectOne(CheckBody("Sub A()\n  Dim i\nSub B()\nEnd Sub\n"), 4, "'Sub B' begins inside 'Sub A'");
}

TEST(VBCheckBlocks, IfElseAndSelectPlacement) {
  ExpectOne(CheckBody("Sub A(x)\n  If x Then\n  Else\n  Else\n  End If\nEnd Sub\n"), 5, "'Else' after 'Else'");
  ExpectOne(CheckBody("Sub A(x)\n  If x Then\n  Else\n  ElseIf x Then\n  End If\nEnd Sub\n"), 5, "'ElseIf' after 'Else'");
  ExpectOne(CheckBody("Sub A(x)\n  Else\nEnd Sub\n"), 3, "'Else' without 'If'");
  ExpectOne(CheckBody("Sub A(x)\n  If x Then x = 1 ElseIf x Then x = 2\nEnd Sub\n"), 3, "'ElseIf' inside a single-line 'If'");
  ExpectOne(CheckBody("Sub A(x)\n  If x\n  End If\nEnd Sub\n"), 3, "'If' without 'Then'");
  ExpectOne(CheckBody("Sub A(x)\n  Case 1\nEnd Sub\n"), 3, "'Case' without 'Select Case'");
  ExpectOne(CheckBody("Sub A(x)\n  Select Case x\n  Case Else\n  Case 1\n  End Select\nEnd Sub\n"), 5,
            "'Case' after 'Case Else'");
  ExpectOne(CheckBody("Sub A(x)\n  Select Case x\n    x = 1\n  Case 1\n  End Select\nEnd Sub\n"), 4,
            "between 'Select Case' and its first 'Case'");
  ExpectOne(CheckBody("Sub A(x)\n  Select x\n  End Select\nEnd Sub\n"), 3, "'Select' without 'Case'");
  ExpectOne(CheckBody("Sub A(x)\n  Do While x\n  Loop Until x\nEnd Sub\n"), 4, "both have a condition");
}

TEST(VBCheckBlocks, ExitAndPlacementRules) {
  ExpectOne(CheckBody("Sub A()\n  Exit Function\nEnd Sub\n"), 3, "'Exit Function' inside a Sub");
  ExpectOne(CheckBody("Function A()\n  Exit Sub\nEnd Function\n"), 3, "'Exit Sub' inside a Function");
  ExpectOne(CheckBody("Property Get A()\n  Exit Function\nEnd Property\n"), 3, "inside a Property");
  ExpectOne(CheckBody("Sub A()\n  Exit For\nEnd Sub\n"), 3, "'Exit For' outside a For loop");
  ExpectOne(CheckBody("Sub A()\n  Dim i\n  For i = 1 To 2\n    Exit Do\n  Next\nEnd Sub\n"), 5, "'Exit Do' outside a Do loop");
  ExpectOne(CheckBody("Dim x\nx = 1\n"), 3, "statement outside a procedure");
  ExpectOne(CheckBody("Sub A()\nEnd Sub\nPrivate m_x As Long\n"), 4, "after the first procedure");
  ExpectOne(CheckBody("Sub A()\n  .Value = 1\nEnd Sub\n"), 3, "'.Value' outside a 'With' block");
  ExpectOne(CheckBody("Sub A()\n  Dim x: x = (1 + 2\nEnd Sub\n"), 3, "unbalanced parentheses");
}

TEST(VBCheckBlocks, MalformedStatements) {
  ExpectOne(CheckBody("Sub A()\n  Dim i\n  For i 1 To 2\n  Next\nEnd Sub\n"), 4, "'For' without '=' and 'To'");
  ExpectOne(CheckBody("Sub A(c)\n  Dim v\n  For Each v c\n  Next\nEnd Sub\n"), 4, "'For Each' without 'In'");
  ExpectOne(CheckBody("Sub A(x)\n  Do x\n  Loop\nEnd Sub\n"), 3, "'Do' may only be followed by 'While' or 'Until'");
  ExpectOne(CheckBody("Sub A()\n  On Error Resume\nEnd Sub\n"), 3, "'On Error' must be followed by");
  ExpectOne(CheckBody("Sub A()\n  End Loop\nEnd Sub\n"), 3, "unknown statement 'End Loop'");
  ExpectOne(CheckBody("Sub A(x)\n  x = Len(1))\nEnd Sub\n"), 3, "unbalanced parentheses");
  ExpectFirst(CheckBody("Sub A(x)\n  If x Then If x Then\n  End If\nEnd Sub\n"), 3, "block 'If' inside a single-line 'If'");
  ExpectOne(CheckBody("Sub A(x)\n  If x Then For x = 1 To 2\nEnd Sub\n"), 3, "'For' inside a single-line 'If' is not closed");
  ExpectOne(CheckBody("Sub A(x)\n  Private Type T\n  End Type\nEnd Sub\n"), 3, "'Type' inside a procedure");
  ExpectOne(CheckBody("Private Declare Sub Sleep (ByVal n As Long)\n"), 2, "'Declare' without 'Lib'");
  ExpectOne(CheckBody("Private Const A As Long\n"), 2, "constant 'A' without a value");
  ExpectOne(CheckBody("Static m_n As Long\n"), 2, "'Static' outside a procedure");
  ExpectOne(CheckBody("Sub A()\n  Dim WithEvents cn As Connection\nEnd Sub\n"), 3, "'WithEvents' inside a procedure");
  ExpectOne(CheckBody("Done:\nSub A()\nEnd Sub\n"), 2, "label 'Done' outside a procedure");
  ExpectOne(CheckBody("Sub A()\nX:\nX:\nEnd Sub\n"), 4, "label 'X' defined twice");
  ExpectOne(CheckBody("Event Changed()\nEvent Changed(ByVal n As Long)\n"), 3, "event 'Changed' declared twice");
  ExpectOne(CheckBody("Exit Sub\n"), 2, "statement outside a procedure");
}

// ---------------------------------------------------------------------------------------------
// Lexical faults and leftovers.

TEST(VBCheckLexical, ContinuationsAndStrings) {
  ExpectOne(CheckBody("Sub A()\n  Dim s: s = \"abc\nEnd Sub\n"), 3, "unterminated string literal");
  ExpectOne(CheckBody("Sub A()\nEnd Sub\n' last _"), 4, "line continuation on the last line");
  ExpectFirst(CheckBody("Sub A()\n  Dim s As String, _\n\n    t As Long\nEnd Sub\n"), 3,
            "line continuation followed by an empty line");
  ExpectOne(CheckBody("Sub A(x)\n  x = (1 +_\n  2)\nEnd Sub\n"), 3, "without a blank before '_'");
  ExpectFirst(CheckBody("Sub A(x)\n  x = 1 + _ ' two\n  2\nEnd Sub\n"), 3, "comment after a line continuation");
  ExpectOne(CheckBody("Sub A(x)\n  x = _x\nEnd Sub\n"), 3, "misplaced '_'");
  std::string many = "Sub A(x)\n  x = 1";
  for (int i = 0; i < 25; ++i) many += " + _\n    1";
  many += "\nEnd Sub\n";
  ExpectOne(CheckBody(many), 28, "more than 24 line continuations");
  // 24 are allowed.
  std::string enough = "Sub A(x)\n  x = 1";
  for (int i = 0; i < 24; ++i) enough += " + _\n    1";
  enough += "\nEnd Sub\n";
  EXPECT_EQ(FormatFindings(CheckBody(enough)), "");
}

TEST(VBCheckLexical, LeftoverReferencesAndMarkers) {
  ExpectOne(CheckBody("Private Const NAME = \"XXClassNameXX\"\n"), 2, "'XXClassNameXX'");
  ExpectOne(CheckBody("' made by XXAppNameXX\n"), 2, "'XXAppNameXX'");
  ExpectOne(CheckBody("Private m_XXPfxXXConn As Long\n"), 2, "'XXPfxXX'");
  ExpectOne(CheckBody("'#block Decl\n"), 2, "'#block'");
  ExpectOne(CheckBody("Sub A()\n'#EndCond\nEnd Sub\n"), 3, "'#EndCond'");
  ExpectOne(CheckBody("Sub A()\n  Beep '#LCondNot Oracle\nEnd Sub\n"), 3, "'#LCondNot'");
  // Words that merely hold "XX" once, catalogue names with "XX" pairs around other text,
  // and '# comments that are no markers, are fine.
  EXPECT_EQ(FormatFindings(CheckBody("Private Const MAXX = 1 ' XX marks, '#1 and XXX\n")), "");
  EXPECT_EQ(FormatFindings(CheckBody("Private Const usp_XXtest_XX = \"usp_XXtest_XX\"\n")), "");
}

TEST(VBCheckLexical, CompilerLimitsAndModuleNames) {
  ExpectOne(CheckBody("Private Const A = \"" + std::string(1020, 'a') + "\"\n"), 2, "line of 1040 characters");
  ExpectOne(CheckBody("Private " + std::string(256, 'n') + " As Long\n"), 2, "name of 256 characters");
  EXPECT_EQ(FormatFindings(CheckBody("Private " + std::string(255, 'n') + " As Long\n")), "");
  for (const char* bad : {"My Class", "1st", "Print", "Gr\xC3\xB6\xC3\x9F" "e"}) {
    const std::string module = std::string("Attribute VB_Name = \"") + bad + "\"\r\nOption Explicit\r\n";
    ExpectOne(CheckVB(module), 1, "module name '" + std::string(bad) + "' is no Visual Basic name");
  }
  EXPECT_EQ(FormatFindings(CheckVB("Attribute VB_Name = \"CShop_2\"\r\nOption Explicit\r\n")), "");
}

TEST(VBCheckLexical, CommentsLiteralsAndNamesAreReadAsVBReadsThem) {
  // A comment ending in " _" goes on to the next line, which is therefore no statement; so
  // does Rem. Without the blank the underscore ends the comment.
  EXPECT_EQ(FormatFindings(CheckBody("Sub A()\n  Beep ' note _\n  x = 1\n  Rem note _\n  y = 2\nEnd Sub\n")), "");
  ExpectOne(CheckBody("Sub A()\n  Beep ' note_\n  x = 1\nEnd Sub\n"), 4, "'x'");
  // "Rem" only begins a comment as a statement of its own.
  ExpectOne(CheckBody("Sub A()\n  Dim Remark\n  Remark = 1: Rem x = 1\n  Remains = 1\nEnd Sub\n"), 5, "'Remains'");
  // Quotes doubled inside strings, apostrophes and colons inside strings.
  EXPECT_EQ(FormatFindings(CheckBody("Sub A(s)\n  s = \"a \"\"b\"\" 'c': d\": s = \"\"\"\"\nEnd Sub\n")), "");
  // Date literals, file numbers, hex and octal numbers, bracketed names, type suffixes.
  EXPECT_EQ(FormatFindings(CheckBody(R"(Sub A(d As Date, n&)
    Dim f%
    f = FreeFile
    Open "x.txt" For Output As #f
    Print #f, "a"; d: Write #f, #12/31/1999 11:59:00 PM#
    Close #f
    If d = #1/1/2000# Or d > #Jan 1, 2001# Then n& = &HFF& + &O17 + 1.5E+3 + .5
    Set d = Me.[Some Name]
End Sub
)")),
            "");
  // A UTF-8 byte order mark before the class header.
  EXPECT_EQ(FormatFindings(CheckVB("\xEF\xBB\xBFVERSION 1.0 CLASS\nBEGIN\n  MultiUse = -1\nEND\nOption Explicit\n")), "");
  ExpectOne(CheckVB("VERSION 1.0 CLASS\nBEGIN\n  MultiUse = -1\nOption Explicit\n"), 4, "class header without its closing END");
}

TEST(VBCheckLexical, ConditionalCompilation) {
  EXPECT_EQ(FormatFindings(CheckBody("#Const DEBUGGING = 1\nSub A()\n#If DEBUGGING Then\n  Beep\n#Else\n  Beep\n#End If\nEnd Sub\n")),
            "");
  ExpectOne(CheckBody("Sub A()\n#If X Then\n  Beep\nEnd Sub\n"), 5, "'#If' without '#End If'");
  ExpectOne(CheckBody("Sub A()\n#End If\nEnd Sub\n"), 3, "'#End If' without '#If'");
}

// ---------------------------------------------------------------------------------------------
// Declarations and names.

TEST(VBCheckNames, UndeclaredVariables) {
  ExpectOne(CheckBody("Sub A()\n  x = 1\nEnd Sub\n"), 3, "'x' is assigned but not declared");
  ExpectOne(CheckBody("Sub A()\n  Set cn = New ADODB.Connection\nEnd Sub\n"), 3, "'cn' is assigned");
  ExpectOne(CheckBody("Sub A()\n  For i = 1 To 3\n  Next\nEnd Sub\n"), 3, "'i' is used as loop variable");
  ExpectOne(CheckBody("Sub A(c)\n  For Each v In c\n  Next\nEnd Sub\n"), 3, "'v' is used as loop variable");
  ExpectOne(CheckBody("Sub A()\n  ReDim buf(5)\nEnd Sub\n"), 3, "'buf' is ReDim'd");
  ExpectOne(CheckBody("Sub A()\n  arr(1) = 2\nEnd Sub\n"), 3, "'arr' is assigned");
  ExpectOne(CheckBody("Sub A()\n  If True Then y = 2\nEnd Sub\n"), 3, "'y'");
  // Declared in another procedure only.
  ExpectOne(CheckBody("Sub A()\n  Dim n\nEnd Sub\nSub B()\n  n = 1\nEnd Sub\n"), 6, "'n'");
  // Assigning a function's name outside the function, or a property without Let.
  ExpectOne(CheckBody("Function F()\nEnd Function\nSub A()\n  F = 1\nEnd Sub\n"), 5, "is a procedure");
  ExpectOne(CheckBody("Property Get P()\nEnd Property\nSub A()\n  P = 1\nEnd Sub\n"), 5, "read-only property");
  // Without Option Explicit nothing is required, but the missing option is reported.
  ExpectOne(CheckVB("Sub A()\n  x = 1\nEnd Sub\n"), 1, "'Option Explicit' is missing");
}

TEST(VBCheckNames, NamesReadWithoutDeclaration) {
  ExpectOne(CheckBody("Sub A()\n  Dim x\n  x = y + 1\nEnd Sub\n"), 4, "'y' is used but not declared");
  ExpectOne(CheckBody("Sub A()\n  If mConn Is Nothing Then Exit Sub\nEnd Sub\n"), 3, "'mConn' is used");
  ExpectOne(CheckBody("Sub A()\n  Dim i\n  For i = 1 To nMax\n  Next\nEnd Sub\n"), 4, "'nMax'");
  ExpectOne(CheckBody("Sub A()\n  ErrorIn \"A\", EA_PUBLIC\nEnd Sub\nSub ErrorIn(s, n)\nEnd Sub\n"), 3, "'EA_PUBLIC'");
  ExpectOne(CheckBody("Sub A()\n  Helper 1\nEnd Sub\n"), 3, "'Helper' is used");
  ExpectOne(CheckBody("Sub A()\n  With cmdX\n  End With\nEnd Sub\n"), 3, "'cmdX'");
  ExpectOne(CheckBody("Sub A(x)\n  Select Case x\n  Case LIMIT\n  End Select\nEnd Sub\n"), 4, "'LIMIT'");
  ExpectOne(CheckBody("Private Const B = A_MISSING + 1\n"), 2, "'A_MISSING'");
  ExpectOne(CheckBody("Private m_a(1 To N_MAX) As Long\n"), 2, "'N_MAX'");
  ExpectOne(CheckBody("Sub A(Optional n As Long = DEF_N)\nEnd Sub\n"), 2, "'DEF_N'");
  ExpectOne(CheckBody("Sub A()\n  Dim x\n  x = Nz(x)\nEnd Sub\n"), 4, "'Nz'");
  ExpectOne(CheckBody("Sub A(c)\n  c.CommandType = adCmdStoreProc\nEnd Sub\n"), 3, "'adCmdStoreProc'");
  ExpectOne(CheckBody("Sub A()\n  On Eror GoTo X\nX:\nEnd Sub\n"), 3, "'Eror'");
  // Only when asked for: a fragment may use names of modules it is checked without.
  EXPECT_EQ(FormatFindings(CheckVB("Option Explicit\nSub A()\n  Helper y\nEnd Sub\n")), "");
  // What is not a plain name in scope: members, named arguments, types, library names, labels,
  // enum-qualified members, the module's procedures and the other modules' public names.
  const std::string other = "Attribute VB_Name = \"M\"\nOption Explicit\nPublic Const EA_PUBLIC = 2\n"
                            "Public Sub ErrorIn(ByVal s As String, ByVal n As Long)\nEnd Sub\n";
  EXPECT_EQ(FormatFindings(CheckBody(R"(Private Enum Modes
    mdOne = 1
End Enum
Private Function Helper(ByVal m As Modes) As Modes
    Dim cmd As ADODB.Command, o As Object, s As String
    On Error GoTo Failed
    Set cmd = New ADODB.Command
    cmd.CommandType = adCmdStoredProc: cmd.Parameters.Refresh: cmd.Execute , , adExecuteNoRecords
    If Err.Number = adErrItemNotFound Or cmd.State = ADCMDTEXT Then Exit Function
    Set o = CreateObject("Scripting.Dictionary")
    If TypeOf o Is ADODB.Recordset Then o.Open Source:=cmd, Options:=adCmdText
    s = Left$(Format$(Now, "yyyy"), 2) & vbCrLf & App.Title & CStr(Err.Number)
    Helper = Modes.mdOne + mdOne + Helper
    Debug.Print s; Tab(4); Len(s)
    ErrorIn "Helper", EA_PUBLIC
    Exit Function
Failed:
    If Err.Number = 5 Then Resume 0 Else Resume Next
End Function
)",
                                     {other})),
            "");
}

TEST(VBCheckNames, ConstantsAndCalls) {
  ExpectOne(CheckBody("Private Const LIMIT = 3\nSub A()\n  LIMIT = 4\nEnd Sub\n"), 4, "constant 'LIMIT' cannot be assigned");
  ExpectOne(CheckBody("Sub A()\n  Const N = 1\n  Dim i\n  For N = 1 To 2\n  Next\nEnd Sub\n"), 5, "constant 'N' cannot be used as loop variable");
  ExpectOne(CheckBody("Enum E\n  eOne\nEnd Enum\nSub A()\n  eOne = 2\nEnd Sub\n"), 6, "enum member 'eOne' cannot be assigned");
  ExpectOne(CheckBody("Sub A(x)\n  B(x, 1)\nEnd Sub\nSub B(p, q)\nEnd Sub\n"), 3, "call of 'B' with its arguments in parentheses");
  ExpectOne(CheckBody("Sub A(c)\n  c.Parameters.Append(1, 2)\nEnd Sub\n"), 3, "call of 'Append'");
  ExpectOne(CheckBody("Sub A(c)\n  With c\n    .Open(\"x\", 1)\n  End With\nEnd Sub\n"), 4, "call of 'Open'");
  // One argument in parentheses, parenthesised arguments, Call, assignments, method results.
  EXPECT_EQ(FormatFindings(CheckBody("Sub A(x, c)\n  B (x), 1\n  B(x)\n  Call B(x, 1)\n  c(1, 2) = 3\n"
                                     "  c.Item(1, 2).Value = 3\n  c.Fields(0, 1).Delete\n  Err.Raise 5, \"A\", (x)\n"
                                     "End Sub\nSub B(p, Optional q)\nEnd Sub\n")),
            "");
}

TEST(VBCheckNames, DeclaredFormsAreAccepted) {
  EXPECT_EQ(FormatFindings(CheckBody(R"(Private m_a() As String
Private Enum Kinds
    kOne
    kTwo = 5
End Enum
Private Property Let Flag(ByVal b As Boolean)
End Property
Private Function Make(ByRef o As Object, Optional n% = 1) As Variant
    Dim r As Long: Dim s$
    Const LIMIT = 3, NAME As String = "n"
    Static last As Date
    n% = n + 1: s = "a": s$ = "b"
    ReDim Preserve m_a(LIMIT)
    m_a(0) = s
    o.Name = NAME: o!Field = 2: o(1).Value = 3
    Let r = 1: LSet s = "x"
    last = Now: Date = last
    Flag = True
    Set Make = o: Make = r
    Set o = Nothing
End Function
)")),
            "");
}

TEST(VBCheckNames, DuplicatesAndLabels) {
  ExpectOne(CheckBody("Sub A()\n  Dim x As Long\n  Dim X As String\nEnd Sub\n"), 4, "'X' is declared twice in this procedure (first on line 3)");
  ExpectOne(CheckBody("Sub A(x)\n  Dim x\nEnd Sub\n"), 3, "'x' is declared twice");
  ExpectOne(CheckBody("Private m As Long\nPrivate M As Long\n"), 3, "declared twice in this module");
  ExpectOne(CheckBody("Sub A()\nEnd Sub\nFunction a()\nEnd Function\n"), 4, "procedure 'a' is defined twice (first on line 2)");
  ExpectOne(CheckBody("Property Get P()\nEnd Property\nProperty Let P(v)\nEnd Property\nProperty Get P()\nEnd Property\n"),
            6, "procedure 'P' is defined twice (first on line 2)");
  ExpectOne(CheckBody("Sub A()\n  On Error GoTo errH\nerrHandler:\nEnd Sub\n"), 3, "label 'errH' does not exist");
  ExpectOne(CheckBody("Sub A()\n  GoTo done\nEnd Sub\nSub B()\ndone:\nEnd Sub\n"), 3, "label 'done'");
  ExpectOne(CheckBody("Sub A()\n  RaiseEvent Changed\nEnd Sub\n"), 3, "event 'Changed' is not declared");
  // Get, Let and Set of one property, each once, are one property.
  EXPECT_EQ(FormatFindings(CheckBody(
                "Property Get P()\nEnd Property\nProperty Let P(v)\nEnd Property\nProperty Set P(o)\nEnd Property\n")),
            "");
}

TEST(VBCheckNames, ProcedureHeadersAndTypes) {
  ExpectOne(CheckBody("Sub A(Optional x, y)\nEnd Sub\n"), 2, "'y' follows an Optional one");
  ExpectOne(CheckBody("Sub A(ParamArray a(), b)\nEnd Sub\n"), 2, "'b' follows the ParamArray");
  ExpectOne(CheckBody("Sub A(Optional x, ParamArray a())\nEnd Sub\n"), 2, "ParamArray 'a' after Optional");
  ExpectOne(CheckBody("Property Get P(i) As Long\nEnd Property\nProperty Let P(v As Long)\nEnd Property\n"), 4,
            "accessors of property 'P' disagree");
  ExpectOne(CheckBody("Property Let P()\nEnd Property\n"), 2, "without a value parameter");
  ExpectOne(CheckBody("Private Busy As Boolean\nSub Busy()\nEnd Sub\n"), 3, "'Busy' is both a module-level name");
  // A type name replaced by nothing.
  ExpectOne(CheckBody("Private m_x As\n"), 2, "'As' without a type");
  ExpectOne(CheckBody("Function F(ByVal s As ) As Long\nEnd Function\n"), 2, "'As' without a type");
  ExpectOne(CheckBody("Private Type T\n  a As\nEnd Type\n"), 3, "'As' without a type");
  // Keywords cannot name anything.
  ExpectOne(CheckBody("Public Function Select() As Long\nEnd Function\n"), 2, "reserved word 'Select' used as a name");
  ExpectOne(CheckBody("Sub A(ByVal Date As Date)\nEnd Sub\n"), 2, "reserved word 'Date'");
  ExpectOne(CheckBody("Sub A()\n  Dim Next As Long\nEnd Sub\n"), 3, "reserved word 'Next'");
  EXPECT_EQ(FormatFindings(CheckBody("Sub A(ByVal Name As String, ByVal Text As String, ByVal Value As Long)\nEnd Sub\n")), "");
  // Accessors with index parameters that agree.
  EXPECT_EQ(FormatFindings(CheckBody("Property Get P(ByVal i As Long) As Object\nEnd Property\n"
                                     "Property Set P(ByVal i As Long, ByVal o As Object)\nEnd Property\n")),
            "");
}

TEST(VBCheckLexical, OperatorsNeedOperands) {
  ExpectOne(CheckBody("Sub A(s)\n  s = s & \nEnd Sub\n"), 3, "operator '&' without a right operand");
  ExpectOne(CheckBody("Sub A(s)\n  s =\nEnd Sub\n"), 3, "operator '='");
  ExpectOne(CheckBody("Sub A(s)\n  If s = 1 And Then Beep\nEnd Sub\n"), 3, "operator 'And'");
  ExpectOne(CheckBody("Sub A(s)\n  Foo s + , 2\nEnd Sub\nSub Foo(ParamArray a())\nEnd Sub\n"), 3, "operator '+'");
  EXPECT_EQ(FormatFindings(CheckBody("Sub A(s)\n  Print #1, s;\n  Foo -1, Not s, (-s)\n"
                                     "  If Not s Is Nothing Then s = -s ^ -2\nEnd Sub\nSub Foo(ParamArray a())\nEnd Sub\n")),
            "");
}

TEST(VBCheckNames, ClassModuleMembers) {
  const std::string header = "VERSION 1.0 CLASS\nBEGIN\n  MultiUse = -1  'True\nEND\nAttribute VB_Name = \"C\"\nOption Explicit\n";
  ExpectOne(CheckVB(header + "Public Const MAX_ROWS = 10\n"), 7, "public constant 'MAX_ROWS' in a class module");
  ExpectOne(CheckVB(header + "Public Declare Sub Sleep Lib \"kernel32\" (ByVal n As Long)\n"), 7, "public 'Declare' in a class");
  ExpectOne(CheckVB(header + "Public m_a As Long, m_b() As Long\n"), 7, "public array 'm_b'");
  ExpectOne(CheckVB(header + "Public m_s As String * 8\n"), 7, "fixed-length string 'm_s'");
  // Private ones are fine, and so is all of it in a standard module.
  EXPECT_EQ(FormatFindings(CheckVB(header + "Private Const A = 1\nPrivate m_b() As Long, m_s As String * 8\n"
                                            "Private Declare Sub Sleep Lib \"kernel32\" (ByVal n As Long)\n")),
            "");
  EXPECT_EQ(FormatFindings(CheckVB("Attribute VB_Name = \"M\"\nOption Explicit\nPublic Const A = 1\nPublic m_b() As Long\n")), "");
  // Access modifiers belong to module-level declarations.
  ExpectOne(CheckBody("Sub A()\n  Private Const B = 1\nEnd Sub\n"), 3, "'Private' declaration inside a procedure");
}

TEST(VBCheckFormat, OneLinePerFinding) {
  EXPECT_EQ(FormatFindings({}), "");
  EXPECT_EQ(FormatFindings({{3, "a"}, {10, "b c"}}), "line 3: a\nline 10: b c\n");
  // Findings come ordered by line whatever found them first.
  const auto f = CheckBody("Sub A()\n  x = \"XXaXX\"\n  End If\n");
  ASSERT_GE(f.size(), 3u) << FormatFindings(f);
  for (size_t i = 1; i < f.size(); ++i) EXPECT_LE(f[i - 1].Line, f[i].Line);
}

}  // namespace
}  // namespace pftest
