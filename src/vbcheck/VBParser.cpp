#include "vbcheck/VBParser.h"

#include <algorithm>
#include <array>
#include <utility>

#include "text/MMethUtils.h"
#include "text/VBSource.h"

namespace pf::vbcheck {
namespace {

// ---------------------------------------------------------------------------------------------
// Statement structure.

enum class BK : unsigned char {
  Sub,
  Function,
  PropGet,
  PropLet,
  PropSet,
  If,
  Select,
  With,
  For,
  Do,
  While,
  Type,
  Enum
};

bool IsProc(BK k) { return k <= BK::PropSet; }
bool IsProperty(BK k) { return k == BK::PropGet || k == BK::PropLet || k == BK::PropSet; }

const char* OpenerName(BK k) {
  switch (k) {
    case BK::Sub:
      return "Sub";
    case BK::Function:
      return "Function";
    case BK::PropGet:
      return "Property Get";
    case BK::PropLet:
      return "Property Let";
    case BK::PropSet:
      return "Property Set";
    case BK::If:
      return "If";
    case BK::Select:
      return "Select Case";
    case BK::With:
      return "With";
    case BK::For:
      return "For";
    case BK::Do:
      return "Do";
    case BK::While:
      return "While";
    case BK::Type:
      return "Type";
    case BK::Enum:
      return "Enum";
  }
  return "?";
}

const char* CloserName(BK k) {
  switch (k) {
    case BK::Sub:
      return "End Sub";
    case BK::Function:
      return "End Function";
    case BK::PropGet:
    case BK::PropLet:
    case BK::PropSet:
      return "End Property";
    case BK::If:
      return "End If";
    case BK::Select:
      return "End Select";
    case BK::With:
      return "End With";
    case BK::For:
      return "Next";
    case BK::Do:
      return "Loop";
    case BK::While:
      return "Wend";
    case BK::Type:
      return "End Type";
    case BK::Enum:
      return "End Enum";
  }
  return "?";
}

struct Block {
  BK Kind;
  int Line;
  bool SawElse = false;           // If: an Else was seen
  bool SawCase = false;           // Select: a Case (or a stray statement, reported once) was seen
  bool SawCaseElse = false;       // Select: Case Else was seen
  bool DoHasCond = false;         // Do: While/Until on the Do line
  bool PublicEnum = false;        // Enum: its members are visible to other modules
  std::string_view LoopVar = {};  // For: the loop variable
};

// Kinds of procedure per name, as bits.
enum : unsigned { kSubBit = 1, kFunctionBit = 2, kGetBit = 4, kLetBit = 8, kSetBit = 16, kDeclareBit = 32 };
constexpr unsigned kPropertyBits = kGetBit | kLetBit | kSetBit;

unsigned ProcBit(BK k) {
  switch (k) {
    case BK::Sub:
      return kSubBit;
    case BK::Function:
      return kFunctionBit;
    case BK::PropGet:
      return kGetBit;
    case BK::PropLet:
      return kLetBit;
    case BK::PropSet:
      return kSetBit;
    default:
      return 0;
  }
}

struct NameUse {
  std::string_view Name;
  int Line;
  const char* What;  // "assigned", "used as loop variable", "ReDim'd"
};

struct ProcInfo {
  int Line;
  unsigned Kinds;
  int GetParams = -1;  // parameters of Property Get, when seen
  int SetParams = -1;  // parameters of the last Property Let/Set seen
};

class Parser {
 public:
  Parser(std::string_view Text, std::vector<VBFinding>& Findings, const NameSet* External, bool NamesRead,
         bool Fragment = false)
      : Lex_(Text, Findings), F_(Findings), External_(External), NamesRead_(NamesRead), Fragment_(Fragment) {}

  // Records the procedures read into Outline.
  void Outline(std::vector<VBProcedure>& Outline) { Outline_ = &Outline; }

  // Reads the text a logical line at a time: Tk_ holds the tokens of one line.
  void Run() {
    while (Lex_.Next(Tk_)) {
      if (Header_ != HeaderState::Done && ClassHeaderLine()) continue;
      ParseLine(0, ScanLine(0));
    }
    if (Header_ == HeaderState::Version || Header_ == HeaderState::Open)
      Report(Lex_.LastLine(), "class header without its closing END");
    Finish();
  }

  // Public declarations of the module: what other modules may use.
  const NameSet& PublicNames() const { return Public_; }
  // Every module-level declaration, public or private.
  std::vector<std::string> ModuleNames() const {
    std::vector<std::string> out;
    for (const auto& [name, line] : ModuleVars_) out.emplace_back(name);
    for (const auto& [name, info] : Procs_) out.emplace_back(name);
    for (const auto& [name, line] : Events_) out.emplace_back(name);
    for (const NameSet* set : {&EnumMembers_, &ModuleConsts_, &TypeNames_})
      for (const auto& [name, none] : *set) out.emplace_back(name);
    return out;
  }

 private:
  // ---- helpers ------------------------------------------------------------------------------
  // Only identifiers have a word number.
  static bool Kw(const Token& t, KW Word) { return t.Word == Word; }
  static bool IsOp(const Token& t, char Op) { return t.Op == Op; }
  bool KwAt(size_t i, size_t e, KW Word) const { return i < e && Kw(Tk_[i], Word); }
  bool OpAt(size_t i, size_t e, char Op) const { return i < e && IsOp(Tk_[i], Op); }

  void Report(int Line, std::string Message) { F_.push_back({Line, std::move(Message)}); }
  static std::string Q(std::string_view s) { return "'" + std::string(s) + "'"; }

  // Index of the token after the parenthesised group that starts at i (an "(").
  size_t SkipParens(size_t i, size_t e) const {
    int depth = 0;
    for (; i < e; ++i) {
      if (IsOp(Tk_[i], '('))
        ++depth;
      else if (IsOp(Tk_[i], ')') && --depth == 0)
        return i + 1;
    }
    return e;
  }
  // Index of the next token that Is accepts at parenthesis depth 0 in [i, e), or e.
  template <class Pred>
  size_t FindTopWhere(size_t i, size_t e, Pred Is) const {
    int depth = 0;
    for (; i < e; ++i) {
      const Token& t = Tk_[i];
      if (IsOp(t, '('))
        ++depth;
      else if (IsOp(t, ')'))
        --depth;
      else if (depth == 0 && Is(t))
        return i;
    }
    return e;
  }
  // The next word Word, or operator Op, at parenthesis depth 0 in [i, e), or e.
  size_t FindTop(size_t i, size_t e, KW Word) const {
    return FindTopWhere(i, e, [Word](const Token& t) { return Kw(t, Word); });
  }
  size_t FindTopOp(size_t i, size_t e, char Op) const {
    return FindTopWhere(i, e, [Op](const Token& t) { return IsOp(t, Op); });
  }

  // ---- the class header ---------------------------------------------------------------------
  // VERSION x CLASS, then BEGIN ... END (nested Begin/End and BeginProperty/EndProperty in
  // forms); its property lines are not statements. Takes the line in Tk_ when it belongs to
  // the header.
  bool ClassHeaderLine() {
    const Token& first = Tk_[0];
    if (Header_ == HeaderState::First) {
      if (!Kw(first, KW::Version)) {
        Header_ = HeaderState::Done;
        return false;
      }
      for (const Token& t : Tk_) IsClass_ = IsClass_ || Kw(t, KW::Class);
      Header_ = HeaderState::Version;
    }
    if (Header_ == HeaderState::Open && (Kw(first, KW::Attribute) || Kw(first, KW::Option))) {
      Report(first.Line, "class header without its closing END");
      Header_ = HeaderState::Done;
      return false;
    }
    if (Kw(first, KW::Begin) || Kw(first, KW::BeginProperty)) {
      ++HeaderDepth_;
      Header_ = HeaderState::Open;
    } else if ((Kw(first, KW::End) && Tk_.size() == 2) || Kw(first, KW::EndProperty)) {
      --HeaderDepth_;
    }
    if (Header_ == HeaderState::Open && HeaderDepth_ <= 0) Header_ = HeaderState::Done;
    return true;
  }

  // ---- lines and statements -----------------------------------------------------------------
  void ParseLine(size_t b, size_t e) {
    Line_ = Tk_[b].Line;
    if (!Stack_.empty() && (Stack_.back().Kind == BK::Type || Stack_.back().Kind == BK::Enum) && !Kw(Tk_[b], KW::End) &&
        !IsOp(Tk_[b], '#')) {
      CheckAsTypes(b, e);
      if (Stack_.back().Kind == BK::Enum && Tk_[b].Kind == TK::Ident) {
        EnumMembers_.insert(Tk_[b].Text);
        if (Stack_.back().PublicEnum) Public_.insert(Tk_[b].Text);
      }
      return;
    }
    // A label "name:" or a line number starts the line.
    if (Tk_[b].Kind == TK::Ident && b + 1 < e && Tk_[b + 1].Kind == TK::Colon &&
        !HasClass(Tk_[b].Word, kStatementWord)) {
      AddLabel(Tk_[b]);
      b += 2;
    } else if (Tk_[b].Kind == TK::Number) {
      AddLabel(Tk_[b]);
      b += 1;
    }
    ParseStatements(b, e, false);
  }

  void AddLabel(const Token& t) {
    if (!ProcActive_) {
      Report(t.Line, "label " + Q(t.Text) + " outside a procedure");
      return;
    }
    auto [it, fresh] = Labels_.emplace(t.Text, t.Line);
    if (!fresh)
      Report(t.Line, "label " + Q(t.Text) + " defined twice (first on line " + std::to_string(it->second) + ")");
  }

  static bool IsBinaryOperator(const Token& t) {
    // The operator codes that need a right operand, one look-up each.
    static constexpr auto kBinary = [] {
      std::array<bool, 256> b{};
      for (const char c : {'+', '-', '*', '/', '\\', '&', '=', '<', '>', '^', kLessEqual, kGreaterEqual, kNotEqual})
        b[static_cast<unsigned char>(c)] = true;
      return b;
    }();
    return kBinary[static_cast<unsigned char>(t.Op)] ||
           (t.Kind == TK::Ident && t.Suffix == 0 && HasClass(t.Word, kBinaryOperator));
  }

  // One pass over the tokens of the line that begins at b, before it is parsed: the parentheses
  // must balance, a binary operator needs a right operand (not the end of a statement, ")" or
  // ","), and whether the line holds a "." or a ":" at all, so that the statements need not be
  // searched for them. Returns the index of the line's Eol token.
  size_t ScanLine(size_t b) {
    constexpr size_t kNone = static_cast<size_t>(-1);
    int depth = 0;
    bool unbalanced = false;
    size_t dangling = kNone;
    LineHasDot_ = LineHasColon_ = false;
    size_t i = b;
    for (; Tk_[i].Kind != TK::Eol; ++i) {
      const Token& t = Tk_[i];
      if (t.Kind == TK::Colon) {
        LineHasColon_ = true;
        continue;
      }
      if (t.Op == '.') LineHasDot_ = true;
      if (!unbalanced) {
        if (t.Op == '(')
          ++depth;
        else if (t.Op == ')' && --depth < 0)
          unbalanced = true;
      }
      if (dangling == kNone && IsBinaryOperator(t)) {
        // The token list ends with an Eol, so the next token is there.
        const Token& n = Tk_[i + 1];
        if (n.Kind == TK::Eol || n.Kind == TK::Colon || IsOp(n, ')') || IsOp(n, ',') || Kw(n, KW::Then) ||
            Kw(n, KW::Else))
          dangling = i;
      }
    }
    if (unbalanced || depth != 0) Report(Tk_[b].Line, "unbalanced parentheses");
    if (dangling != kNone) Report(Tk_[dangling].Line, "operator " + Q(Tk_[dangling].Text) + " without a right operand");
    return i;
  }

  // Statements separated by ":"; inside a single-line If also by Else.
  void ParseStatements(size_t b, size_t e, bool SingleIf) {
    while (b < e) {
      if (Tk_[b].Kind == TK::Colon) {
        ++b;
        continue;
      }
      if (SingleIf && Kw(Tk_[b], KW::Else)) {
        ++b;
        continue;
      }
      if (Kw(Tk_[b], KW::If)) {
        ParseIf(b, e, SingleIf);
        return;
      }
      size_t m = SingleIf || LineHasColon_ ? b : e;
      while (m < e && Tk_[m].Kind != TK::Colon &&
             !(SingleIf && m > b && (Kw(Tk_[m], KW::Else) || Kw(Tk_[m], KW::ElseIf))))
        ++m;
      ParseStatement(b, m, SingleIf);
      b = m;
    }
  }

  void ParseIf(size_t b, size_t e, bool SingleIf) {
    const int line = Tk_[b].Line;
    Executable(line, "If");
    size_t then = b + 1;
    while (then < e && !Kw(Tk_[then], KW::Then) && Tk_[then].Kind != TK::Colon) ++then;
    CheckWithMembers(b + 1, then);
    ReadNames(b + 1, then);
    if (then >= e || !Kw(Tk_[then], KW::Then)) {
      Report(line, "'If' without 'Then'");
      if (!SingleIf) Push({BK::If, line});
      ParseStatements(then, e, SingleIf);
      return;
    }
    if (then + 1 == e) {
      if (SingleIf)
        Report(line, "block 'If' inside a single-line 'If'");
      else
        Push({BK::If, line});
      return;
    }
    const size_t depth = Stack_.size();
    ParseStatements(then + 1, e, true);
    if (Stack_.size() > depth) {
      Report(line, "'" + std::string(OpenerName(Stack_.back().Kind)) +
                       "' inside a single-line 'If' is not closed on its line");
      while (Stack_.size() > depth) Pop();
    }
  }

  void ParseStatement(size_t b, size_t e, bool SingleIf) {
    if (b >= e) return;
    const Token& t = Tk_[b];
    const int line = t.Line;
    CheckWithMembers(b, e);
    if (IsOp(t, '#')) {
      Directive(b, e);
      return;
    }
    if (!Stack_.empty() && Stack_.back().Kind == BK::Select && !Stack_.back().SawCase && !Kw(t, KW::Case) &&
        !(Kw(t, KW::End) && KwAt(b + 1, e, KW::Select))) {
      Report(line, "statement between 'Select Case' and its first 'Case'");
      Stack_.back().SawCase = true;
    }
    if (IsOp(t, '.')) {
      Executable(line, ".");
      if (AssignTarget(b, e, "assigned") >= e) CheckCallParentheses(b, e);
      ReadNames(b, e);
      return;
    }
    if (t.Kind != TK::Ident) {
      Report(line, "a statement cannot begin with " + Q(t.Text));
      return;
    }
    // Most statements begin with a name that is no keyword: a call or an assignment.
    if (t.Word == KW::None && !IsDefStatement(b, e)) {
      Executable(line, t.Text);
      CallOrAssignment(b, e);
      return;
    }

    // Declarations, with their modifiers.
    size_t i = b;
    bool isPublic = false, isPrivate = false, isStatic = false, modifiers = false;
    const char* scope = "";
    for (; i < e; ++i) {
      const Token& m = Tk_[i];
      if (Kw(m, KW::Public) || Kw(m, KW::Global)) {
        isPublic = true;
        scope = "Public";
      } else if (Kw(m, KW::Private)) {
        isPrivate = true;
        scope = "Private";
      } else if (Kw(m, KW::Friend)) {
        isPrivate = false;
        scope = "Friend";
      } else if (Kw(m, KW::Static)) {
        isStatic = true;
      } else {
        break;
      }
      modifiers = true;
    }
    if (modifiers && i >= e) {
      Report(line, "declaration without a name");
      return;
    }
    const Token& k = Tk_[i];
    if (Kw(k, KW::Sub) || Kw(k, KW::Function) || Kw(k, KW::Property)) {
      OpenProc(i, e, !isPrivate, scope);
      return;
    }
    if (Kw(k, KW::Declare)) {
      ModuleDeclaration(line, "Declare");
      size_t n = i + 1;
      if (KwAt(n, e, KW::PtrSafe)) ++n;
      if (!(KwAt(n, e, KW::Sub) || KwAt(n, e, KW::Function)) || n + 1 >= e || Tk_[n + 1].Kind != TK::Ident) {
        Report(line, "'Declare' without 'Sub' or 'Function' and a name");
        return;
      }
      if (FindTop(n + 2, e, KW::Lib) >= e) Report(line, "'Declare' without 'Lib'");
      if (IsClass_ && !isPrivate) Report(line, "a public 'Declare' in a class module");
      CheckAsTypes(i, e);
      RegisterProc(Tk_[n + 1], kDeclareBit, !isPrivate, -1);
      return;
    }
    if (Kw(k, KW::Type) || Kw(k, KW::Enum)) {
      ModuleDeclaration(line, Kw(k, KW::Type) ? "Type" : "Enum");
      if (i + 1 >= e || Tk_[i + 1].Kind != TK::Ident) {
        Report(line, Q(k.Text) + " without a name");
        return;
      }
      if (!isPrivate) Public_.insert(Tk_[i + 1].Text);
      TypeNames_.insert(Tk_[i + 1].Text);
      Block blk{Kw(k, KW::Type) ? BK::Type : BK::Enum, line};
      blk.PublicEnum = !isPrivate;
      Push(blk);
      return;
    }
    if (Kw(k, KW::Event)) {
      ModuleDeclaration(line, "Event");
      CheckAsTypes(i, e);
      if (i + 1 < e && Tk_[i + 1].Kind == TK::Ident) {
        auto [it, fresh] = Events_.emplace(Tk_[i + 1].Text, line);
        if (!fresh)
          Report(line,
                 "event " + Q(Tk_[i + 1].Text) + " declared twice (first on line " + std::to_string(it->second) + ")");
      } else {
        Report(line, "'Event' without a name");
      }
      return;
    }
    if (ProcActive_ && (isPublic || isPrivate)) Report(line, Q(t.Text) + " declaration inside a procedure");
    if (Kw(k, KW::Const)) {
      DeclarationList(i + 1, e, isPublic, true);
      return;
    }
    if (Kw(k, KW::Dim)) {
      DeclarationList(i + 1, e, false, false);
      return;
    }
    if (modifiers) {
      if (isStatic && !isPublic && !isPrivate && !ProcActive_) Report(line, "'Static' outside a procedure");
      DeclarationList(i, e, isPublic, false);
      return;
    }

    // Module-level statements that are not declarations of names.
    if (Kw(t, KW::Option)) {
      ModuleDeclaration(line, "Option");
      if (KwAt(b + 1, e, KW::Explicit)) OptionExplicit_ = true;
      return;
    }
    if (Kw(t, KW::Attribute)) return;
    if (Kw(t, KW::Implements)) {
      ModuleDeclaration(line, "Implements");
      return;
    }
    if (IsDefStatement(b, e)) {
      ModuleDeclaration(line, "Def");
      return;
    }

    // Executable statements.
    if (Kw(t, KW::End)) {
      EndStatement(b, e);
      return;
    }
    Executable(line, t.Text);
    if (Kw(t, KW::Set) || Kw(t, KW::Let) || Kw(t, KW::LSet) || Kw(t, KW::RSet)) {
      ReadNames(b + 1, e, AssignTarget(b + 1, e, "assigned"));
    } else if (Kw(t, KW::ReDim)) {
      size_t n = b + 1;
      if (KwAt(n, e, KW::Preserve)) ++n;
      for (; n < e;) {
        const size_t next = FindTopOp(n, e, ',');
        if (Tk_[n].Kind == TK::Ident && OpAt(n + 1, e, '(')) {
          Use(Tk_[n], "ReDim'd");
          ReadNames(n + 1, next);
        } else {
          Report(line, "'ReDim' without an array name and bounds");
        }
        n = next;
        if (n < e) ++n;
      }
    } else if (Kw(t, KW::For)) {
      ForStatement(b, e);
    } else if (Kw(t, KW::Next)) {
      NextStatement(b, e);
    } else if (Kw(t, KW::Do)) {
      ReadNames(b, e);
      Block blk{BK::Do, line};
      if (b + 1 < e) {
        if (!(KwAt(b + 1, e, KW::While) || KwAt(b + 1, e, KW::Until)) || b + 2 >= e)
          Report(line, "'Do' may only be followed by 'While' or 'Until' and a condition");
        blk.DoHasCond = true;
      }
      Push(blk);
    } else if (Kw(t, KW::Loop)) {
      ReadNames(b, e);
      if (b + 1 < e && (!(KwAt(b + 1, e, KW::While) || KwAt(b + 1, e, KW::Until)) || b + 2 >= e))
        Report(line, "'Loop' may only be followed by 'While' or 'Until' and a condition");
      if (Block* blk = Close(BK::Do, line, "Loop"); blk && blk->DoHasCond && b + 1 < e)
        Report(line, "'Do' and 'Loop' both have a condition");
    } else if (Kw(t, KW::While)) {
      ReadNames(b, e);
      if (b + 1 >= e) Report(line, "'While' without a condition");
      Push({BK::While, line});
    } else if (Kw(t, KW::Wend)) {
      Close(BK::While, line, "Wend");
    } else if (Kw(t, KW::With)) {
      ReadNames(b, e);
      if (b + 1 >= e) Report(line, "'With' without an object");
      Push({BK::With, line});
    } else if (Kw(t, KW::Select)) {
      ReadNames(b, e);
      if (!KwAt(b + 1, e, KW::Case) || b + 2 >= e) Report(line, "'Select' without 'Case' and an expression");
      Push({BK::Select, line});
    } else if (Kw(t, KW::Case)) {
      ReadNames(b, e);
      CaseStatement(b, e);
    } else if (Kw(t, KW::ElseIf)) {
      ElseStatement(b, e, SingleIf, true);
    } else if (Kw(t, KW::Else)) {
      ElseStatement(b, e, SingleIf, false);
    } else if (Kw(t, KW::Exit)) {
      ExitStatement(b, e);
    } else if (Kw(t, KW::GoTo) || Kw(t, KW::GoSub)) {
      if (b + 1 < e)
        Jump(Tk_[b + 1]);
      else
        Report(line, Q(t.Text) + " without a label");
    } else if (Kw(t, KW::On)) {
      OnStatement(b, e);
    } else if (Kw(t, KW::Resume)) {  // Resume, Resume 0, Resume Next, Resume label
      if (b + 1 < e && !KwAt(b + 1, e, KW::Next) && !(Tk_[b + 1].Kind == TK::Number && Tk_[b + 1].Text == "0"))
        Jump(Tk_[b + 1]);
    } else if (Kw(t, KW::RaiseEvent)) {
      ReadNames(b, e);
      if (b + 1 < e && Tk_[b + 1].Kind == TK::Ident)
        RaisedEvents_.push_back({Tk_[b + 1].Text, line, nullptr});
      else
        Report(line, "'RaiseEvent' without an event name");
    } else if (Kw(t, KW::Then)) {
      Report(line, "misplaced " + Q(t.Text));
    } else {
      CallOrAssignment(b, e);
    }
  }

  // DefInt A-Z and its kind.
  bool IsDefStatement(size_t b, size_t e) const {
    const Token& t = Tk_[b];
    return (t.Text.size() == 6 || t.Text.size() == 7) && pf::NoCase::StartsWith(t.Text, "def") && b + 1 < e &&
           Tk_[b + 1].Kind == TK::Ident && !OpAt(b + 1, e, '=');
  }

  void CallOrAssignment(size_t b, size_t e) {
    const size_t target = AssignTarget(b, e, "assigned");
    if (target >= e) CheckCallParentheses(b, e);
    ReadNames(b, e, target);
  }

  // ---- declarations -------------------------------------------------------------------------
  void ModuleDeclaration(int Line, std::string_view What) {
    if (ProcActive_)
      Report(Line, Q(What) + " inside a procedure");
    else if (ProcSeen_)
      Report(Line, Q(What) + " after the first procedure (declarations go before all procedures)");
  }

  // name [suffix] [(bounds)] [As [New] type] [= value], ... ; WithEvents allowed at module level.
  void DeclarationList(size_t i, size_t e, bool IsPublic, bool IsConst) {
    const int line = i < e ? Tk_[i].Line : (i > 0 ? Tk_[i - 1].Line : 1);
    if (!ProcActive_) ModuleDeclaration(line, IsConst ? "Const" : "Dim");
    CheckAsTypes(i, e);
    if (i >= e) {
      Report(line, "declaration without a name");
      return;
    }
    while (i < e) {
      if (KwAt(i, e, KW::WithEvents)) {
        if (ProcActive_) Report(line, "'WithEvents' inside a procedure");
        ++i;
      }
      if (i >= e || Tk_[i].Kind != TK::Ident) {
        Report(line, "declaration without a name");
        return;
      }
      Declare(Tk_[i], IsPublic, IsConst);
      const size_t next = FindTopOp(i + 1, e, ',');
      if (IsClass_ && IsPublic && !ProcActive_) {
        const bool array = OpAt(i + 1, e, '(');
        const size_t as = FindTop(i + 1, next, KW::As);
        const bool fixed = as + 2 < next && KwAt(as + 1, next, KW::String) && OpAt(as + 2, next, '*');
        if (IsConst || array || fixed)
          Report(Tk_[i].Line, std::string("public ") +
                                  (IsConst ? "constant "
                                   : array ? "array "
                                           : "fixed-length string ") +
                                  Q(Tk_[i].Text) + " in a class module");
      }
      const size_t eq = FindTopOp(i + 1, next, '=');
      if (IsConst && eq >= next) Report(Tk_[i].Line, "constant " + Q(Tk_[i].Text) + " without a value");
      if (OpAt(i + 1, next, '(')) ReadNames(i + 2, SkipParens(i + 1, next));
      if (eq < next) ReadNames(eq + 1, next);
      i = next;
      if (i < e) ++i;
    }
  }

  void CheckNotKeyword(const Token& Name) {
    if (HasClass(Name.Word, kKeywordName)) Report(Name.Line, "reserved word " + Q(Name.Text) + " used as a name");
  }

  void Declare(const Token& Name, bool IsPublic, bool IsConst) {
    CheckNotKeyword(Name);
    if (IsConst) (ProcActive_ ? LocalConsts_ : ModuleConsts_).insert(Name.Text);
    NameMap<int>& table = ProcActive_ ? Locals_ : ModuleVars_;
    auto [it, fresh] = table.emplace(Name.Text, Name.Line);
    if (!fresh)
      Report(Name.Line, Q(Name.Text) + " is declared twice in this " + (ProcActive_ ? "procedure" : "module") +
                            " (first on line " + std::to_string(it->second) + ")");
    if (!ProcActive_ && IsPublic) Public_.insert(Name.Text);
  }

  // Params: the number of parameters, used to match the accessors of a property.
  void RegisterProc(const Token& Name, unsigned Bit, bool IsPublic, int Params) {
    CheckNotKeyword(Name);
    if (const auto* v = ModuleVars_.find(Name.Text))
      Report(Name.Line,
             Q(Name.Text) + " is both a module-level name (line " + std::to_string(v->second) + ") and a procedure");
    auto [it, fresh] = Procs_.emplace(Name.Text, ProcInfo{Name.Line, Bit});
    ProcInfo& p = it->second;
    if (!fresh) {
      const bool bothProperty = (p.Kinds & ~kPropertyBits) == 0 && (Bit & kPropertyBits) != 0;
      if (!bothProperty || (p.Kinds & Bit) != 0)
        Report(Name.Line,
               "procedure " + Q(Name.Text) + " is defined twice (first on line " + std::to_string(p.Line) + ")");
      p.Kinds |= Bit;
    }
    // Let and Set take the value as one parameter more than Get takes.
    if (Bit == kGetBit) p.GetParams = Params;
    if (Bit == kLetBit || Bit == kSetBit) {
      if (Params == 0)
        Report(Name.Line, "'Property " + std::string(Bit == kLetBit ? "Let" : "Set") + " " + std::string(Name.Text) +
                              "' without a value parameter");
      p.SetParams = Params;
    }
    if ((p.Kinds & kGetBit) && (p.Kinds & (kLetBit | kSetBit)) && p.GetParams >= 0 && p.SetParams > 0 &&
        p.SetParams != p.GetParams + 1 && (Bit & kPropertyBits))
      Report(Name.Line, "the accessors of property " + Q(Name.Text) +
                            " disagree: 'Let'/'Set' must take one parameter more than 'Get'");
    if (IsPublic) Public_.insert(Name.Text);
  }

  // [Public|Private|Friend] [Static] Sub|Function|Property Get|Let|Set name [(params)] [As type]
  void OpenProc(size_t i, size_t e, bool IsPublic, const char* Scope) {
    const int line = Tk_[i].Line;
    BK kind = BK::Sub;
    size_t n = i + 1;
    if (Kw(Tk_[i], KW::Function)) {
      kind = BK::Function;
    } else if (Kw(Tk_[i], KW::Property)) {
      if (KwAt(n, e, KW::Get))
        kind = BK::PropGet;
      else if (KwAt(n, e, KW::Let))
        kind = BK::PropLet;
      else if (KwAt(n, e, KW::Set))
        kind = BK::PropSet;
      else {
        Report(line, "'Property' without 'Get', 'Let' or 'Set'");
        return;
      }
      ++n;
    }
    if (n >= e || Tk_[n].Kind != TK::Ident) {
      Report(line, std::string("'") + OpenerName(kind) + "' without a name");
      return;
    }
    if (ProcActive_) {
      Report(line, std::string("'") + OpenerName(kind) + " " + std::string(Tk_[n].Text) + "' begins inside '" +
                       OpenerName(ProcKind_) + " " + std::string(ProcName_) + "', which has no '" +
                       CloserName(ProcKind_) + "'");
      while (!Stack_.empty()) Pop();
    } else if (!Stack_.empty()) {
      while (!Stack_.empty()) {
        Report(Stack_.back().Line, std::string("'") + OpenerName(Stack_.back().Kind) + "' without '" +
                                       CloserName(Stack_.back().Kind) + "'");
        Pop();
      }
    }
    const Token& name = Tk_[n];
    CheckAsTypes(n, e);
    ProcSeen_ = true;
    ProcActive_ = true;
    ProcKind_ = kind;
    ProcName_ = name.Text;
    Locals_.clear();
    LocalConsts_.clear();
    Labels_.clear();
    Jumps_.clear();
    Uses_.clear();
    Stack_.push_back({kind, line});
    if (kind == BK::Function || kind == BK::PropGet) Locals_.emplace(name.Text, line);
    int params = 0;
    VBProcedure* outline = nullptr;
    if (Outline_) {
      static const char* const kKinds[] = {"Sub", "Function", "Property Get", "Property Let", "Property Set"};
      Outline_->push_back({line, 0, Scope, kKinds[static_cast<int>(kind)], std::string(name.Text), {}});
      outline = &Outline_->back();
    }
    if (OpAt(n + 1, e, '(')) {
      const size_t close = SkipParens(n + 1, e) - 1;
      bool sawOptional = false, sawParamArray = false;
      for (size_t p = n + 2; p < close;) {
        ++params;
        bool optional = false, paramArray = false;
        for (;; ++p) {
          if (KwAt(p, close, KW::Optional))
            optional = true;
          else if (KwAt(p, close, KW::ParamArray))
            paramArray = true;
          else if (!KwAt(p, close, KW::ByVal) && !KwAt(p, close, KW::ByRef))
            break;
        }
        if (p < close && Tk_[p].Kind == TK::Ident) {
          const Token& prm = Tk_[p];
          if (outline) outline->Params.emplace_back(prm.Text);
          CheckNotKeyword(prm);
          auto [it, fresh] = Locals_.emplace(prm.Text, prm.Line);
          if (!fresh) Report(prm.Line, "parameter " + Q(prm.Text) + " is declared twice");
          if (sawParamArray)
            Report(prm.Line, "parameter " + Q(prm.Text) + " follows the ParamArray parameter");
          else if (paramArray && sawOptional)
            Report(prm.Line, "ParamArray " + Q(prm.Text) + " after Optional parameters");
          else if (sawOptional && !optional && !paramArray)
            Report(prm.Line, "parameter " + Q(prm.Text) + " follows an Optional one but is not Optional");
        } else {
          Report(line, "parameter without a name");
        }
        const size_t end = FindTopOp(p, close, ',');
        if (const size_t eq = FindTopOp(p, end, '='); eq < end) ReadNames(eq + 1, end);
        sawOptional = sawOptional || optional;
        sawParamArray = sawParamArray || paramArray;
        p = end < close ? end + 1 : end;
      }
    }
    if (params > VBSource::kMaxArguments)
      Report(line, "'" + std::string(name.Text) + "' has " + std::to_string(params) + " parameters; at most " +
                       std::to_string(VBSource::kMaxArguments) + " are allowed (Too many arguments)");
    RegisterProc(name, ProcBit(kind), IsPublic, params);
  }

  // A call statement without Call may not put several arguments in parentheses:
  // Foo(a, b) and obj.Method(a, b) do not compile; Foo (a), b and Call Foo(a, b) do.
  void CheckCallParentheses(size_t b, size_t e) {
    size_t i = b;
    if (IsOp(Tk_[i], '.')) ++i;
    while (i + 2 < e && Tk_[i].Kind == TK::Ident && (IsOp(Tk_[i + 1], '.') || IsOp(Tk_[i + 1], '!'))) i += 2;
    if (i + 1 >= e || Tk_[i].Kind != TK::Ident || !IsOp(Tk_[i + 1], '(')) return;
    if (Kw(Tk_[i], KW::Line) || Kw(Tk_[i], KW::PSet) || Kw(Tk_[i], KW::Circle) || Kw(Tk_[i], KW::Scale)) return;
    const size_t close = SkipParens(i + 1, e);
    if (close != e || FindTopOp(i + 2, close - 1, ',') >= close - 1) return;
    Report(Tk_[i].Line, "call of " + Q(Tk_[i].Text) + " with its arguments in parentheses needs 'Call'");
  }

  // Every "As" of a declaration must name a type.
  void CheckAsTypes(size_t b, size_t e) {
    for (size_t i = b; i < e; ++i)
      if (Kw(Tk_[i], KW::As) && (i + 1 >= e || Tk_[i + 1].Kind != TK::Ident))
        Report(Tk_[i].Line, "'As' without a type");
  }

  void FinishProc() {
    for (const auto& j : Jumps_)
      if (!Labels_.count(j.Name)) Report(j.Line, "label " + Q(j.Name) + " does not exist in this procedure");
    for (const NameUse& u : Uses_) {
      if (Locals_.count(u.Name)) {
        if (IsWrite(u) && LocalConsts_.count(u.Name)) Report(u.Line, "constant " + Q(u.Name) + " cannot be " + u.What);
      } else if (IsWrite(u) || !DeclaredForReading(u.Name)) {
        // A name read that the module has declared stays declared: only the others wait for
        // the end of the module.
        Pending_.push_back(u);
      }
    }
    LocalConsts_.clear();
    ProcActive_ = false;
    if (Outline_ && !Outline_->empty()) Outline_->back().EndLine = Line_;
  }

  // ---- blocks -------------------------------------------------------------------------------
  void Push(Block b) {
    if (b.Kind == BK::With) ++WithDepth_;
    Stack_.push_back(b);
  }
  void Pop() {
    const BK k = Stack_.back().Kind;
    if (k == BK::With) --WithDepth_;
    Stack_.pop_back();
    if (IsProc(k)) FinishProc();
  }

  static bool Matches(BK Open, BK Close) { return Open == Close || (IsProperty(Open) && IsProperty(Close)); }

  // Closes the innermost block of the kind; blocks opened after it are crossed (reported and
  // dropped). A closer never reaches past the enclosing procedure. Returns the closed block
  // (valid until the next push) or null when there was none.
  Block* Close(BK Kind, int Line, std::string_view Closer) {
    size_t j = Stack_.size();
    while (j > 0) {
      const BK k = Stack_[j - 1].Kind;
      if (Matches(k, Kind)) break;
      if (IsProc(k) && !IsProc(Kind)) {
        j = 0;
        break;
      }
      --j;
    }
    if (j == 0) {
      // The wrong end of a procedure, Type or Enum still ends the one that is open.
      const bool container = IsProc(Kind) || Kind == BK::Type || Kind == BK::Enum;
      for (size_t k = Stack_.size(); container && k > 0; --k) {
        const Block& open = Stack_[k - 1];
        if (IsProc(open.Kind) == IsProc(Kind) && (IsProc(Kind) || open.Kind == BK::Type || open.Kind == BK::Enum)) {
          Report(Line, Q(Closer) + " ends '" + OpenerName(open.Kind) +
                           (IsProc(open.Kind) ? " " + std::string(ProcName_) : std::string()) + "' from line " +
                           std::to_string(open.Line));
          while (Stack_.size() >= k) Pop();
          return nullptr;
        }
      }
      Report(Line, Q(Closer) + " without '" + (IsProperty(Kind) ? "Property" : OpenerName(Kind)) + "'");
      return nullptr;
    }
    if (j < Stack_.size()) {
      const Block& top = Stack_.back();
      Report(Line, Q(Closer) + " while '" + OpenerName(top.Kind) + "' from line " + std::to_string(top.Line) +
                       " is still open (missing '" + CloserName(top.Kind) + "')");
      while (Stack_.size() > j) Pop();
    }
    Closed_ = Stack_.back();
    Pop();
    return &Closed_;
  }

  // The innermost block of the kind inside the current procedure, or null.
  Block* Innermost(BK Kind) {
    for (size_t j = Stack_.size(); j > 0; --j) {
      if (Stack_[j - 1].Kind == Kind) return &Stack_[j - 1];
      if (IsProc(Stack_[j - 1].Kind)) break;
    }
    return nullptr;
  }

  void EndStatement(size_t b, size_t e) {
    const int line = Tk_[b].Line;
    if (b + 1 >= e) {  // End: stops the program
      Executable(line, "End");
      return;
    }
    const Token& w = Tk_[b + 1];
    static constexpr std::pair<KW, BK> kEnds[] = {
        {KW::If, BK::If},     {KW::Select, BK::Select},     {KW::With, BK::With},
        {KW::Sub, BK::Sub},   {KW::Function, BK::Function}, {KW::Property, BK::PropGet},
        {KW::Type, BK::Type}, {KW::Enum, BK::Enum}};
    for (const auto& [word, kind] : kEnds)
      if (Kw(w, word)) {
        if (b + 2 < e) Report(line, "unexpected text after " + Q(CloserName(kind)));
        Close(kind, line, CloserName(kind));
        return;
      }
    Report(line, "unknown statement 'End " + std::string(w.Text) + "'");
  }

  void ForStatement(size_t b, size_t e) {
    const int line = Tk_[b].Line;
    Block blk{BK::For, line};
    size_t v = b + 1;
    const bool each = KwAt(v, e, KW::Each);
    if (each) ++v;
    if (v >= e || Tk_[v].Kind != TK::Ident) {
      Report(line, "'For' without a loop variable");
    } else {
      blk.LoopVar = Tk_[v].Text;
      if (each ? FindTop(v + 1, e, KW::In) >= e : (!OpAt(v + 1, e, '=') || FindTop(v + 1, e, KW::To) >= e))
        Report(line, each ? "'For Each' without 'In'" : "'For' without '=' and 'To'");
      Use(Tk_[v], "used as loop variable");
      ReadNames(v + 1, e);
    }
    Push(blk);
  }

  void NextStatement(size_t b, size_t e) {
    const int line = Tk_[b].Line;
    if (b + 1 >= e) {
      Close(BK::For, line, "Next");
      return;
    }
    for (size_t v = b + 1; v < e;) {
      const Token& var = Tk_[v];
      Block* loop = Innermost(BK::For);
      if (loop && Stack_.back().Kind == BK::For && var.Kind == TK::Ident && !loop->LoopVar.empty() &&
          !Equals(loop->LoopVar, var.Text))
        Report(line, "'Next " + std::string(var.Text) + "' closes 'For " + std::string(loop->LoopVar) + "' from line " +
                         std::to_string(loop->Line));
      Close(BK::For, line, "Next");
      v = FindTopOp(v, e, ',');
      if (v < e) ++v;
    }
  }

  void CaseStatement(size_t b, size_t e) {
    const int line = Tk_[b].Line;
    Block* sel = Innermost(BK::Select);
    if (!sel) {
      Report(line, "'Case' without 'Select Case'");
      return;
    }
    if (&Stack_.back() != sel) {
      const Block& top = Stack_.back();
      Report(line, "'Case' while '" + std::string(OpenerName(top.Kind)) + "' from line " + std::to_string(top.Line) +
                       " is still open (missing '" + CloserName(top.Kind) + "')");
      while (&Stack_.back() != sel) Pop();
    }
    Block& s = Stack_.back();
    if (b + 1 >= e) Report(line, "'Case' without a value");
    if (s.SawCaseElse) Report(line, "'Case' after 'Case Else'");
    if (KwAt(b + 1, e, KW::Else)) s.SawCaseElse = true;
    s.SawCase = true;
  }

  void ElseStatement(size_t b, size_t e, bool SingleIf, bool IsElseIf) {
    const int line = Tk_[b].Line;
    const char* word = IsElseIf ? "ElseIf" : "Else";
    if (SingleIf) {
      Report(line, std::string("'") + word + "' inside a single-line 'If'");
      return;
    }
    Block* blk = Innermost(BK::If);
    if (!blk) {
      Report(line, std::string("'") + word + "' without 'If'");
      return;
    }
    if (&Stack_.back() != blk) {
      const Block& top = Stack_.back();
      Report(line, std::string("'") + word + "' while '" + OpenerName(top.Kind) + "' from line " +
                       std::to_string(top.Line) + " is still open (missing '" + CloserName(top.Kind) + "')");
      while (&Stack_.back() != blk) Pop();
    }
    Block& top = Stack_.back();
    if (top.SawElse) Report(line, std::string("'") + word + "' after 'Else'");
    size_t rest = b + 1;
    if (IsElseIf) {
      const size_t then = FindTop(b + 1, e, KW::Then);
      ReadNames(b + 1, then);
      if (then >= e) Report(line, "'ElseIf' without 'Then'");
      rest = then + 1;
    } else {
      top.SawElse = true;
    }
    if (rest < e && (Kw(Tk_[rest], KW::Else) || Kw(Tk_[rest], KW::ElseIf)))
      Report(line, "misplaced " + Q(Tk_[rest].Text));
    else if (rest < e)
      ParseStatements(rest, e, false);
  }

  void ExitStatement(size_t b, size_t e) {
    const int line = Tk_[b].Line;
    if (b + 1 >= e) {
      Report(line, "'Exit' without 'Sub', 'Function', 'Property', 'For' or 'Do'");
      return;
    }
    const Token& w = Tk_[b + 1];
    // The statement as named in a finding, built only for one.
    auto what = [&w] { return "'Exit " + std::string(w.Text) + "'"; };
    if (Kw(w, KW::For) || Kw(w, KW::Do)) {
      if (!Innermost(Kw(w, KW::For) ? BK::For : BK::Do))
        Report(line, what() + " outside a " + (Kw(w, KW::For) ? "For" : "Do") + " loop");
      return;
    }
    BK want;
    if (Kw(w, KW::Sub))
      want = BK::Sub;
    else if (Kw(w, KW::Function))
      want = BK::Function;
    else if (Kw(w, KW::Property))
      want = BK::PropGet;
    else {
      Report(line, "unknown statement " + what());
      return;
    }
    if (ProcActive_ && !Matches(ProcKind_, want))
      Report(line, what() + " inside a " + (IsProperty(ProcKind_) ? "Property" : OpenerName(ProcKind_)));
  }

  // On Error GoTo label|0 / On Error Resume Next / On expr GoTo|GoSub label, label...
  void OnStatement(size_t b, size_t e) {
    const int line = Tk_[b].Line;
    size_t n = b + 1;
    if (KwAt(n, e, KW::Local)) ++n;
    if (KwAt(n, e, KW::Error)) {
      if (KwAt(n + 1, e, KW::Resume) && KwAt(n + 2, e, KW::Next) && n + 3 == e) return;
      if (KwAt(n + 1, e, KW::GoTo) && n + 3 == e) {
        const Token& target = Tk_[n + 2];
        if (!(target.Kind == TK::Number && target.Text == "0")) Jump(target);
        return;
      }
      Report(line, "'On Error' must be followed by 'GoTo label', 'GoTo 0' or 'Resume Next'");
      return;
    }
    size_t go = FindTop(n, e, KW::GoTo);
    if (go >= e) go = FindTop(n, e, KW::GoSub);
    if (go >= e || go + 1 >= e) {
      Report(line, "'On' without 'GoTo' or 'GoSub' and labels");
      return;
    }
    ReadNames(n, go);
    for (size_t l = go + 1; l < e; ++l)
      if (!IsOp(Tk_[l], ',')) Jump(Tk_[l]);
  }

  void Directive(size_t b, size_t e) {
    const int line = Tk_[b].Line;
    if (KwAt(b + 1, e, KW::If)) {
      ++DirectiveDepth_;
    } else if (KwAt(b + 1, e, KW::End) || KwAt(b + 1, e, KW::EndIf)) {
      if (DirectiveDepth_ == 0)
        Report(line, "'#End If' without '#If'");
      else
        --DirectiveDepth_;
    } else if (KwAt(b + 1, e, KW::Else) || KwAt(b + 1, e, KW::ElseIf)) {
      if (DirectiveDepth_ == 0) Report(line, "'#" + std::string(Tk_[b + 1].Text) + "' without '#If'");
    } else if (!KwAt(b + 1, e, KW::Const)) {
      Report(line, "unknown directive");
    }
  }

  // ---- names --------------------------------------------------------------------------------
  void Executable(int Line, std::string_view What) {
    if (!ProcActive_ && LastOutsideReport_ != Line) {
      Report(Line, "statement outside a procedure");
      LastOutsideReport_ = Line;
    }
  }

  // A statement beginning at b that may assign: name = ..., name(...) = ..., .member = ...
  // Returns the index of the assigned name, or e when the statement assigns no plain name.
  size_t AssignTarget(size_t b, size_t e, const char* What) {
    if (b >= e) return e;
    const Token& t = Tk_[b];
    if (t.Kind != TK::Ident) return e;
    size_t n = b + 1;
    if (OpAt(n, e, '(')) n = SkipParens(n, e);
    if (!OpAt(n, e, '=')) return e;
    Use(t, What);
    return b;
  }

  // Records every name that [b, e) reads, except the one at Skip (an assignment target) and
  // members, named arguments, type names, labels and keywords.
  void ReadNames(size_t b, size_t e, size_t Skip = static_cast<size_t>(-1)) {
    if (!NamesRead_) return;
    for (size_t i = b; i < e; ++i) {
      const Token& t = Tk_[i];
      if (t.Kind != TK::Ident || i == Skip) continue;
      if (i > 0) {
        const Token& p = Tk_[i - 1];
        if (IsOp(p, '.') || IsOp(p, '!')) continue;
        if (Kw(p, KW::As) || Kw(p, KW::New) || Kw(p, KW::Is) || Kw(p, KW::GoTo) || Kw(p, KW::GoSub) ||
            Kw(p, KW::Resume) || Kw(p, KW::RaiseEvent))
          continue;
      }
      if (OpAt(i + 1, e, kNamedArgument) || HasClass(t.Word, kReserved) || IsLibraryName(t.Text)) continue;
      if (ProcActive_)
        Uses_.push_back({t.Text, t.Line, "used"});
      else
        Pending_.push_back({t.Text, t.Line, "used"});
    }
  }

  void Use(const Token& Name, const char* What) {
    if (ProcActive_) Uses_.push_back({Name.Text, Name.Line, What});
  }

  void Jump(const Token& Label) {
    if (Label.Kind == TK::Ident || Label.Kind == TK::Number)
      Jumps_.push_back({Label.Text, Label.Line, nullptr});
    else
      Report(Label.Line, "jump without a label");
  }

  // A "." that starts a member reference (not after an object) needs an enclosing With.
  void CheckWithMembers(size_t b, size_t e) {
    if (WithDepth_ > 0 || !LineHasDot_) return;
    for (size_t i = b; i < e; ++i) {
      if (!IsOp(Tk_[i], '.')) continue;
      bool leading = i == b;
      if (!leading) {
        const Token& p = Tk_[i - 1];
        leading = (p.Kind == TK::Op && p.Op != ')' && p.Op != ']') || p.Kind == TK::Colon ||
                  (p.Kind == TK::Ident && HasClass(p.Word, kOperatorWord));
      }
      if (leading) {
        Report(Tk_[i].Line, "'." + std::string(i + 1 < e ? Tk_[i + 1].Text : "") + "' outside a 'With' block");
        return;
      }
    }
  }

  static bool IsWrite(const NameUse& u) { return std::string_view(u.What) != "used"; }

  static bool IsBuiltinTarget(std::string_view Name) {
    // Statements that look like assignments to these names: Mid(s, 1) = ..., Date = ...
    static constexpr std::string_view kNames[] = {"mid", "midb", "date", "time", "err"};
    for (std::string_view k : kNames)
      if (Equals(Name, k)) return true;
    return false;
  }

  // Whether Name is declared at module level or in the other modules, as far as read so far.
  bool Declared(std::string_view Name) const {
    return ModuleVars_.count(Name) || EnumMembers_.count(Name) || IsBuiltinTarget(Name) ||
           (External_ && External_->count(Name));
  }
  // The same for a name only read, which may also be a procedure, a Type or an Enum.
  bool DeclaredForReading(std::string_view Name) const {
    return Declared(Name) || Procs_.count(Name) || TypeNames_.count(Name);
  }

  void Finish() {
    Line_ = 0;  // what is still open has no end
    if (ProcActive_ || !Stack_.empty()) {
      for (const Block& b : Stack_)
        Report(b.Line, std::string("'") + OpenerName(b.Kind) + "' without '" + CloserName(b.Kind) + "'");
      while (!Stack_.empty()) Pop();
    }
    if (DirectiveDepth_ > 0) Report(Lex_.LastLine(), "'#If' without '#End If'");
    for (const NameUse& r : RaisedEvents_)
      if (!Events_.count(r.Name)) Report(r.Line, "event " + Q(r.Name) + " is not declared in this module");
    if (!OptionExplicit_) {
      if (!Fragment_) Report(1, "'Option Explicit' is missing");
      return;
    }
    for (const NameUse& u : Pending_) {
      if (IsWrite(u) && (ModuleConsts_.count(u.Name) || (EnumMembers_.count(u.Name) && !ModuleVars_.count(u.Name)))) {
        Report(u.Line, std::string(ModuleConsts_.count(u.Name) ? "constant " : "enum member ") + Q(u.Name) +
                           " cannot be " + u.What);
        continue;
      }
      if (IsWrite(u) ? Declared(u.Name) : DeclaredForReading(u.Name)) continue;
      if (const auto* p = Procs_.find(u.Name)) {
        if (p->second.Kinds & (kLetBit | kSetBit)) continue;
        Report(u.Line, Q(u.Name) + (p->second.Kinds & kGetBit ? " is a read-only property" : " is a procedure") +
                           ", not a variable, and cannot be " + u.What);
        continue;
      }
      Report(u.Line, Q(u.Name) + " is " + u.What + " but not declared");
    }
  }

  Lexer Lex_;
  std::vector<Token> Tk_;  // the tokens of the logical line being read
  std::vector<VBFinding>& F_;
  const NameSet* External_;
  const bool NamesRead_;
  const bool Fragment_;

  std::vector<Block> Stack_;
  Block Closed_{BK::Sub, 0};
  int WithDepth_ = 0;
  int DirectiveDepth_ = 0;
  int LastOutsideReport_ = 0;
  bool OptionExplicit_ = false;
  bool IsClass_ = false;  // the header says VERSION ... CLASS
  // Where the reading is in the class header: before the first line, after VERSION, inside
  // BEGIN ... END, past the header (or there is none).
  enum class HeaderState : unsigned char { First, Version, Open, Done } Header_ = HeaderState::First;
  int HeaderDepth_ = 0;
  bool ProcSeen_ = false;

  std::vector<VBProcedure>* Outline_ = nullptr;  // procedures read, when asked for
  int Line_ = 0;                                 // line of the statement being read
  bool LineHasDot_ = false;                      // the line being read holds a "."
  bool LineHasColon_ = false;                    // the line being read holds a ":"
  bool ProcActive_ = false;
  BK ProcKind_ = BK::Sub;
  std::string_view ProcName_;
  NameMap<int> Locals_;
  NameMap<int> Labels_;
  std::vector<NameUse> Jumps_;
  std::vector<NameUse> Uses_;

  NameMap<int> ModuleVars_;
  NameSet EnumMembers_;
  NameSet ModuleConsts_;
  NameSet LocalConsts_;
  NameSet TypeNames_;  // Type and Enum names
  NameMap<ProcInfo> Procs_;
  NameMap<int> Events_;
  std::vector<NameUse> RaisedEvents_;
  std::vector<NameUse> Pending_;
  NameSet Public_;
};

}  // namespace

void Parse(std::string_view Text, std::vector<VBFinding>& Findings, const ParseRequest& Request) {
  Parser p(Text, Findings, Request.External, Request.NamesRead, Request.Fragment);
  if (Request.Outline) p.Outline(*Request.Outline);
  p.Run();
  if (Request.Public)
    for (const auto& [name, none] : p.PublicNames()) Request.Public->insert(name);
  if (Request.ModuleNames) *Request.ModuleNames = p.ModuleNames();
}

}  // namespace pf::vbcheck
