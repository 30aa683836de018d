#pragma once
// A checker for Visual Basic 6 source modules (class modules with their VERSION/BEGIN/END and
// Attribute header, standard modules with "Attribute VB_Name"). It tokenizes the text and
// parses its statement structure, without evaluating expressions, and reports what would stop
// the module from compiling or is plainly left over from code generation:
//  - unbalanced or crossed block statements (Sub/Function/Property, block and single-line If,
//    ElseIf/Else, Select Case/Case, With, For/For Each/Next, Do/Loop, While/Wend, Type, Enum),
//    Exit statements outside their kind of procedure or loop, executable statements outside
//    procedures and declarations after the first procedure;
//  - bad line continuations (on the last line, before an empty line, without a blank before
//    the "_", followed by a comment, more than 24 in one statement), unterminated string
//    literals, unbalanced parentheses, binary operators without a right operand, "As"
//    without a type, a call statement with several arguments in parentheses but no Call;
//  - the compiler's limits: physical lines of more than 1023 characters, names of more than
//    255, procedures of more than 60 parameters, and a module name (Attribute VB_Name) that is no identifier or is a keyword;
//  - leftover references (a word holding XX<name>XX, the name without "_") and block markers ('#block, '#endblock,
//    '#Cond, '#CondNot, '#EndCond, '#LCond, '#LCondNot) anywhere, comments and strings included;
//  - under Option Explicit, assignments (x = ..., Set/Let/LSet/RSet x = ..., x(i) = ...), For
//    and For Each loop variables and ReDim targets whose name is not declared; with
//    VBCheckOptions::NamesRead also plain names read in statements, constants, bounds and
//    defaults that are neither declared, nor the module's procedures, Types or Enums, nor
//    VBA/ADO library names (functions, objects, vbXxx/adXxx constants); members (after "." or
//    "!"), named arguments, type names after As/New/Is and labels are never looked up;
//    Option Explicit missing; a name declared twice in one procedure or at module level;
//    constants and enum members assigned; keywords used as names; Optional/ParamArray
//    parameter order; Public Const/Declare/arrays/fixed strings in a class module;
//  - a procedure defined twice (Property Get/Let/Set of one name form one property, each
//    accessor at most once; Let/Set take one parameter more than Get), a module-level name
//    that is also a procedure, GoTo/GoSub/On ... GoTo/Resume to a label missing from the
//    procedure, RaiseEvent of an event the module does not declare.
// Keywords and names are compared case-insensitively. The work is linear in the text size.
// Limits: expressions are not type-checked, members of objects are not looked up, and both
// branches of #If ... #Else are read as if they were one text. A class checked alone reports
// (with NamesRead) the names it takes from Faultnet31.bas and friends: pass those modules as
// OtherModules.

#include <string>
#include <string_view>
#include <vector>

namespace pf {

struct VBFinding {
  int Line;             // 1-based physical line in the checked text
  std::string Message;  // what is wrong, naming the statement or name concerned
};

struct VBCheckOptions {
  // Also look up every plain name the code reads. Meant for whole projects (a class with all
  // the modules it uses as OtherModules); a fragment that uses names of a module it is not
  // checked with would report each of them.
  bool NamesRead = false;
  // A piece of a module (an include file merged into a class): 'Option Explicit' is not
  // required, and without it names are not looked up.
  bool Fragment = false;
};

// Checks one module text (CR LF or LF line ends). OtherModules: texts of other modules of the
// same project whose public declarations (Public/Global variables and constants, public
// Sub/Function/Property/Declare, Enum members, Type names) count as declared in Text.
// Findings come back ordered by line.
std::vector<VBFinding> CheckVB(std::string_view Text,
                               const std::vector<std::string_view>& OtherModules = {},
                               const VBCheckOptions& Options = {});

// Every name Text declares at module level, whatever its scope: procedures, variables,
// constants, Declares, Events, Types, Enums and their members. A procedure added to the
// module must take none of them.
std::vector<std::string> ModuleLevelNames(std::string_view Text);

// One logical line of a module: its physical lines joined at their line continuations.
struct VBLine {
  int Line;          // 1-based physical line where it begins
  std::string Text;  // the code as written, each " _" and line break one blank, without comment
};

// The logical lines of a module text, read by the checker's own tokenizer: comments (also
// continued ones and Rem) and empty lines are left out, ":" does not split a line.
std::vector<VBLine> VBLogicalLines(std::string_view Text);

// The values of the string literals of a module text in text order ("" inside a literal is
// one quote); literals in comments do not count.
std::vector<std::string> VBStringLiterals(std::string_view Text);

// One procedure of a module as the checker reads it.
struct VBProcedure {
  int Line = 0;                     // line of its header
  int EndLine = 0;                  // line of its End statement (or of what ended it); 0: none
  std::string Scope;                // "Public", "Private", "Friend" or empty, as written
  std::string Kind;                 // "Sub", "Function", "Property Get", "Property Let", "Property Set"
  std::string Name;
  std::vector<std::string> Params;  // parameter names in order
};

// The procedures of a module text in text order.
std::vector<VBProcedure> VBProcedures(std::string_view Text);

// "line N: message" per finding, one per line ("\n" ends); empty when there is none.
std::string FormatFindings(const std::vector<VBFinding>& Findings);

}  // namespace pf
