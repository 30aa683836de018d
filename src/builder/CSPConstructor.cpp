#include "builder/CSPConstructor.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <exception>
#include <unordered_map>
#include <utility>
#include <vector>

#include "builder/MADOUtils.h"
#include "text/MMethUtils.h"
#include "text/MSqlNames.h"
#include "builder/MOraUtils.h"
#include "base/SourceText.h"
#include "errors/ErrGuard.h"
#include "extract/ISrvrExtractor.h"
#include "platform/ado/Ado.h"
#include "base/NameTable.h"
#include "base/NoCase.h"
#include "base/Utf8.h"
#include "text/VBSource.h"
#include "settings/CSettings.h"
#include "settings/MStdConfigs.h"
#include "xml/bwXMLBrowser.h"

namespace pf {

namespace {

using srctext::kCrLf;
constexpr std::string_view kIndent = "    ";
constexpr std::string_view kBreakIndent = "        ";
constexpr std::string_view kRetVal = "RETURN_VALUE";
constexpr std::string_view kAtRetVal = "@RETURN_VALUE";

constexpr int32_t kSrvrAccess = 0;
constexpr int32_t kSrvrMSSQL = 1;
constexpr int32_t kSrvrOracle = 3;

// A numeric attribute text; empty or non-numeric text reads as 0.
int32_t Num(std::string_view s) {
  int32_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec == std::errc() && end == s.data() + s.size()) return v;
  return s.empty() ? 0 : bwXMLBrowser::SafeLng(Variant(std::string(s)));
}

bool OneOf(std::string_view s, std::initializer_list<std::string_view> list) {
  for (std::string_view item : list)
    if (NoCase::Equals(s, item)) return true;
  return false;
}

// True when the "name=code," list has a name for Code.
bool HasConstName(std::string_view List, int32_t Code) {
  char key[16] = {'='};
  char* end = std::to_chars(key + 1, key + sizeof key - 1, Code).ptr;
  *end++ = ',';
  return List.find(std::string_view(key, static_cast<size_t>(end - key))) != std::string_view::npos;
}

// What a method body uses besides its parameters: a parameter of one of these names would
// hide it.
constexpr std::string_view kBodyWords[] = {
    "InitCommand",  "AddParam",     "Execute",   "PrmValue",   "HandleError",         "ErrorIn", "Array", "EA_PUBLIC",
    "RETURN_VALUE", "ZERO_AS_NULL", "adCmdText", "errHandler", "ExecuteInTransaction"};

// kBodyWords as a set, made once.
const NameSet& BodyWordKeys() {
  static const NameSet keys = [] {
    NameSet k;
    for (std::string_view w : kBodyWords) k.insert(w);
    return k;
  }();
  return keys;
}

// Name, or Name followed by the smallest counter that is not yet in Used (compared
// without letter case), cut so that it stays within MaxLength characters. Counter receives
// the number appended (0 for none). The result goes to Out (which may be Name's own string)
// and is added to Used. Names in AlsoTaken, when given, are taken too.
void UniqueName(std::string_view Name, NameSet& Used, int32_t& Counter, std::string& Out,
                size_t MaxLength = VBSource::kMaxNameLength, const NameSet* AlsoTaken = nullptr) {
  Counter = 0;
  const auto taken = [&](std::string_view n) { return Used.count(n) || (AlsoTaken != nullptr && AlsoTaken->count(n)); };
  if (!taken(Name)) {
    Used.insert_copy(Name);
    Out.assign(Name);  // mostly the name is free (assign copes with Name viewing Out)
    return;
  }
  std::string candidate;
  do {
    const std::string digits = std::to_string(++Counter);
    candidate.assign(Name.substr(0, std::min(Name.size(), MaxLength - digits.size())));
    candidate += digits;
  } while (taken(candidate));
  Used.insert_copy(candidate);
  Out = std::move(candidate);
}

// The name the server knows a procedure by, as the method passes it: in brackets on SQL
// Server (where a "]" of the name is written "]]"; a schema-qualified name is bracketed
// already), in double quotes on Access (where a double quote of the name is written twice).
void AssignServerSideName(std::string& Out, int32_t SrvrType, std::string_view Proc) {
  std::string schema, name;
  if (SrvrType == kSrvrMSSQL && !Proc.empty() && Proc.front() == '[' &&
      MSqlNames::SplitSchemaQualified(Proc, schema, name)) {
    Out.assign(Proc);
    return;
  }
  const auto quoted = [&](char open, char close) {
    Out.assign(1, open);
    for (char c : Proc) {
      Out += c;
      if (c == close) Out += c;
    }
    Out += close;
  };
  if (SrvrType == kSrvrMSSQL)
    quoted('[', ']');
  else if (SrvrType == kSrvrAccess)
    quoted('"', '"');
  else
    Out.assign(Proc);
}

// A procedure or parameter name as the user knows it, for messages.
std::string Shown(std::string_view name) { return "\"" + std::string(name) + "\""; }

// One parameter of the current procedure with what the constructor derives for it.
struct SPParam {
  std::string Name;  // as the extractor reports it
  std::string Type;  // ADO type code as text (Oracle: derived from NativeType when missing)
  std::string Dir;   // ADO direction code as text
  std::string Size;  // kept for variable-length types only, else "0"
  int32_t DirCode = 0;
  bool ByRef = false;         // its value is read back after the call
  std::string_view ByPrefix;  // "ByRef", "ByVal" or nothing
  std::string VBName;
  std::string VBType;  // "Variant" is not written in the header
  bool ZeroAsNull = false;
  std::string_view TypeConst;  // the constant names of its type and direction
  std::string_view DirConst;
  std::string NameExpr;             // the name as a string expression
  const SPParamRow* Row = nullptr;  // its row in the parameter list
};

}  // namespace

struct CSPConstructor::State {
  CSettings* Stt = nullptr;
  std::shared_ptr<ISrvrExtractor> SrvrExtr;

  // Profile keys, read once by Init.
  std::string ClassName;
  int32_t SrvrType = 0;
  std::string PrmRmvPfx;
  bool PrmConvToWCap = false;
  bool PrmFirstCap = false;
  bool PrmAddTypePfx = false;
  std::string PrmAddPfx;  // trimmed
  std::string MethRmvPfxs;
  bool MethConvToWCap = false;
  bool MethFirstCap = false;
  std::string MethAddPfx;  // trimmed
  int32_t ByRefVal = 0;
  int32_t TypeModel = 0;
  int32_t RetValType = 0;
  MADOUtils::VBTypeSettings Types;
  bool NullForZeroNums = false;
  std::string NullForZeroNumsPttn;
  bool UseFaultnet = false;

  std::function<void(std::string)> Warn;

  // Run state: method and constant names made so far (compared without case) and the Oracle
  // package cache.
  NameSet MethNames;
  NameSet ConstNames;
  bool PkgCached = false;
  std::string Pkg;
  std::string PkgPfx;

  // Per procedure.
  std::string SPName;    // as requested
  std::string ProcName;  // the parameter list's Proc, else SPName
  std::string MethName;
  int32_t Counter = 0;
  bool IsFunc = false;
  SPParamList Params;
  std::vector<SPParam> Prm;
  // The parameters of earlier procedures, kept with their strings' buffers for the next
  // procedure's: a catalogue's procedures are built one after another, and each parameter
  // would otherwise allocate and free its strings anew.
  std::vector<SPParam> SparePrm;
  ExactNameSet Listed;  // the parameter names of the procedure seen so far, as listed
  std::string MethodText;
  std::string ParamDefs;
  std::string Scratch;  // a line being built, kept to reuse its buffer
  // The texts of the parameter definitions, kept to reuse their buffers: the two constants'
  // names and the name they share while it is made, the definitions, the procedure's name
  // as the server knows it, the constants' values as string expressions and a value broken
  // into lines.
  struct {
    std::string SPConst, PrmConst, Base, Defs, SPText, SPExpr, PrmExpr, Value;
  } Def;
  NameSet ParamScope;          // the method's names (besides kBodyWords)
  std::string LeftOut;         // why the procedure cannot become a method, empty when it can
  bool NameMadeValid = false;  // the last name made had to be changed into an identifier
  bool WideInteger = false;    // a 64-bit integer made the procedure's signature Variant
  std::vector<std::string> WideIntegerMethods;  // the methods of the run that it did so for

  // Name made an identifier (Fallback in front when it does not begin with a letter),
  // then kept clear of reserved words (Print -> Print0); NameMadeValid tells whether it
  // had to change.
  std::string ValidName(const std::string& Name, std::string_view Fallback) {
    std::string valid =
        MMethUtils::uCheckWithVBKeyWords(VBSource::MakeIdentifier(Name, Fallback, VBSource::kMaxNameLength - 1));
    NameMadeValid = valid != Name;
    return valid;
  }

  void Warning(std::string text) const {
    if (Warn) Warn(std::move(text));
  }

  explicit State(CSPConstructor& self) : Self(self) {}
  CSPConstructor& Self;

  // Constant names already looked up, by code. An unknown code is never stored, so it
  // fails on every lookup. The names stay where they are for the whole run.
  struct ConstNameCache {
    std::array<std::string, 256> Small;
    std::unordered_map<int32_t, std::string> Other;
  };
  ConstNameCache TypeNames;
  ConstNameCache DirNames;
  static std::string_view ConstName(ConstNameCache& Cache, std::string_view List, int32_t Code);
  // Whether a code has a constant name, remembered by code (0 to 255: 0 not yet looked up,
  // 1 named, 2 unnamed); other codes are looked up every time.
  std::array<int8_t, 256> TypeKnown{};
  std::array<int8_t, 256> DirKnown{};
  static bool HasName(std::array<int8_t, 256>& Cache, std::string_view List, int32_t Code);

  // Parameter names recur across a catalogue's procedures: what is derived from a name
  // alone (under the keys read by Init) is worked out once per run. The class name by
  // parameter name and VB type, with whether it had to be made valid; whether the name
  // matches the null-for-zero patterns.
  struct ClassParamName {
    std::string Name;
    bool MadeValid = false;
  };
  std::unordered_map<std::string, ClassParamName> ClassParamNames;
  std::unordered_map<std::string, bool> ZeroAsNullNames;

  // The package prefix of SPName (Oracle only) and, in Name, the name after the package.
  const std::string& PackagePrefix(std::string_view SPName, std::string_view& Name);
  std::string SchemaPart, BarePart;  // the parts of the last schema-qualified name PackagePrefix met

  // The steps of ConstructMethod.
  void Construct(const std::string& SPName, bool IsFunc, bool& NotSupported);
  void CheckMethNameWithList();
  void SetupParamAttributes();
  void SetupParam(SPParam& p);
  void BuildMethod();
  void ConstructMethodRetValStrings(std::string& FuncTypeDecl, std::string& AssignmentCommand);
  void ConstructSPParamDefs();
  // The call text of a routine called by a text of its own, as a string expression that
  // leaves out the optional arguments (from FirstOptional on) the method is not given.
  void AppendCallExpr(size_t FirstOptional);
};

const std::string& CSPConstructor::State::PackagePrefix(std::string_view SPName, std::string_view& Name) {
  static const std::string kNone;
  Name = SPName;
  // A SQL Server procedure outside the default schema is named after its own name; the
  // method names stay unique by the usual numbering.
  if (SrvrType == kSrvrMSSQL && !SPName.empty() && SPName.front() == '[' &&
      MSqlNames::SplitSchemaQualified(SPName, SchemaPart, BarePart))
    Name = BarePart;
  if (SrvrType != kSrvrOracle) return kNone;
  std::string_view pkg = MStdConfigs::kUnpackaged;
  if (const size_t dot = SPName.find('.'); dot != std::string_view::npos) {
    pkg = SPName.substr(0, dot);
    Name = SPName.substr(dot + 1);
  }
  if (!PkgCached || pkg != Pkg) {
    std::string name(pkg), prefix;
    if (!Stt->FindPackage(name, prefix)) prefix.clear();
    Pkg = std::move(name);
    PkgPfx = std::move(prefix);
    PkgCached = true;
  }
  return PkgPfx;
}

std::string_view CSPConstructor::State::ConstName(ConstNameCache& Cache, std::string_view List, int32_t Code) {
  std::string& name = Code >= 0 && Code < static_cast<int32_t>(Cache.Small.size())
                          ? Cache.Small[static_cast<size_t>(Code)]
                          : Cache.Other[Code];
  if (name.empty()) name = MADOUtils::GetConstName(List, Code);
  return name;
}

bool CSPConstructor::State::HasName(std::array<int8_t, 256>& Cache, std::string_view List, int32_t Code) {
  if (Code < 0 || Code >= static_cast<int32_t>(Cache.size())) return HasConstName(List, Code);
  int8_t& known = Cache[static_cast<size_t>(Code)];
  if (known == 0) known = HasConstName(List, Code) ? 1 : 2;
  return known == 1;
}

CSPConstructor::CSPConstructor() : s_(std::make_unique<State>(*this)) {}
CSPConstructor::~CSPConstructor() = default;

void CSPConstructor::Init(CSettings& Stt, std::shared_ptr<ISrvrExtractor> SrvrExtr) {
  ErrGuard(
      "CSPMethod.Init(Stt,SrvrExtr)",
      [&] {
        State& s = *s_;
        s.Stt = &Stt;
        s.SrvrExtr = SrvrExtr;
        s.ClassName = Stt.GetClassName();
        s.SrvrType = Stt.ServerType();
        bwXMLBrowser& sp = *Stt.xStoredProc;
        s.PrmRmvPfx = sp.strAttr("PrmRmvPfx");
        s.PrmConvToWCap = sp.boolAttr("PrmConvToWCap");
        s.PrmFirstCap = sp.boolAttr("PrmFirstCap");
        s.PrmAddTypePfx = sp.boolAttr("PrmAddTypePfx");
        s.PrmAddPfx = std::string(srctext::TrimBlanks(sp.strAttr("PrmAddPfx")));
        s.MethRmvPfxs = sp.strAttr("MethRmvPfxs");
        s.MethConvToWCap = sp.boolAttr("MethConvToWCap");
        s.MethFirstCap = sp.boolAttr("MethFirstCap");
        s.MethAddPfx = std::string(srctext::TrimBlanks(sp.strAttr("MethAddPfx")));
        s.ByRefVal = sp.lngAttr("ByRefVal");
        s.TypeModel = sp.lngAttr("TypeModel");
        s.RetValType = sp.lngAttr("RetValType");
        s.Types.SrvrType = s.SrvrType;
        s.Types.MSUseLongForInts = sp.boolAttr("MSUseLongForInts");
        s.Types.MSUseDblForFloat = sp.boolAttr("MSUseDblForFloat");
        s.Types.MSUseDblForMoney = sp.boolAttr("MSUseDblForMoney");
        s.Types.MSUseStrForGuid = sp.boolAttr("MSUseStrForGuid");
        s.Types.OraLongForZeroScale = sp.boolAttr("OraLongForZeroScale");
        s.Types.OraForceLong = sp.boolAttr("OraForceLong");
        s.Types.OraForceLongPttns = sp.strAttr("OraForceLongPttns");
        s.NullForZeroNums = sp.boolAttr("NullForZeroNums");
        s.NullForZeroNumsPttn = sp.strAttr("NullForZeroNumsPttn");
        s.UseFaultnet = Stt.xErrHndl->boolAttr("UseFaultnet");
        s.MethNames.clear();
        s.ConstNames.clear();
        s.ClassParamNames.clear();
        s.ZeroAsNullNames.clear();
        s.PkgCached = false;
        s.Pkg.clear();
        s.PkgPfx.clear();
      },
      Stt, SrvrExtr);
}

void CSPConstructor::ReserveMethodNames(const std::vector<std::string>& Names) {
  for (const std::string& name : Names) s_->MethNames.insert_copy(name);
}

void CSPConstructor::SetWarningSink(std::function<void(std::string)> Sink) { s_->Warn = std::move(Sink); }

std::vector<std::string> CSPConstructor::TakeWideIntegerMethods() { return std::exchange(s_->WideIntegerMethods, {}); }

CMethod CSPConstructor::GetMethodObject() const {
  return ErrGuard("CSPConstructor.GetMethodObject", [&] {
    CMethod m;
    m.Name = s_->MethName;
    m.ParamCount = static_cast<int32_t>(s_->Prm.size());
    m.IsFunction = s_->IsFunc;
    m.Source = s_->MethodText;
    m.ParamDefs = s_->ParamDefs;
    m.SkipParamDefs = false;
    return m;
  });
}

const std::string& CSPConstructor::GetMethodText() const {
  return ErrGuard("CSPConstructor.GetMethodText", [&]() -> const std::string& { return s_->MethodText; });
}

const std::string& CSPConstructor::GetParamDefs() const {
  return ErrGuard("CSPConstructor.GetParamDefs", [&]() -> const std::string& { return s_->ParamDefs; });
}

void CSPConstructor::ConstructMethod(const std::string& SPName, bool IsFunc, bool& NotSupported) {
  ErrGuard(
      "CSPConstructor.ConstructMethod(SPName,IsFunc,NotSupported)",
      [&] {
        try {
          s_->Construct(SPName, IsFunc, NotSupported);
        } catch (...) {
          // The cause goes in as a value so that its text is taken literally.
          const AppError cause = ToAppError(std::current_exception());
          if (ado::IsConnectionLost(cause)) throw;  // the run ends, not just this method
          Faultnet31::Check(false, ERR_USER_CHECK, "Error constructing method [%1] : %2", SPName, cause.Description);
        }
      },
      SPName, IsFunc, NotSupported);
}

void CSPConstructor::State::Construct(const std::string& SPName, bool IsFunc, bool& NotSupported) {
  State& s = *this;
  s.MethodText.clear();
  s.ParamDefs.clear();
  for (SPParam& p : s.Prm) s.SparePrm.push_back(std::move(p));
  s.Prm.clear();
  Faultnet31::Check(s.Stt != nullptr && s.SrvrExtr != nullptr, ERR_GENERAL,
                    "The method constructor has no settings or no server extractor (Init was not called).");
  s.IsFunc = IsFunc;
  s.SPName = SPName;
  s.Params = s.SrvrExtr->GetSPParameters(SPName);
  for (const std::string& w : s.Params.Warnings) s.Warning(w);
  s.ProcName = s.Params.Proc;
  if (s.ProcName.empty()) s.ProcName = SPName;
  s.MethName = Self.SPNameToVBName(s.ProcName);
  const bool methodMadeValid = s.NameMadeValid;
  const std::string wanted = s.MethName;
  NotSupported = s.Params.NotSupported;
  s.LeftOut.clear();
  s.WideInteger = false;
  CheckMethNameWithList();
  if (s.MethName != wanted)
    s.Warning("Procedure " + Shown(s.ProcName) + " becomes the method " + s.MethName + ": the name " + wanted +
              " is taken in the class (by another procedure or a member of the class; names that differ only in "
              "case are the same name).");
  else if (methodMadeValid)
    s.Warning("Procedure " + Shown(s.ProcName) + " becomes the method " + s.MethName + ".");
  SetupParamAttributes();
  BuildMethod();
  ConstructSPParamDefs();
  if (s.LeftOut.empty()) {
    const auto arguments = std::count_if(s.Prm.begin(), s.Prm.end(), [](const SPParam& p) { return p.DirCode != 4; });
    if (arguments > VBSource::kMaxArguments)
      s.LeftOut = "its method would have " + std::to_string(arguments) + " arguments, and Visual Basic takes at most " +
                  std::to_string(VBSource::kMaxArguments);
  }
  if (s.LeftOut.empty()) {
    const std::string broken = VBSource::LimitsBroken(s.MethodText);
    if (!broken.empty()) s.LeftOut = "its method would hold " + broken;
  }
  if (s.LeftOut.empty()) {
    const std::string broken = VBSource::LimitsBroken(s.ParamDefs);
    if (!broken.empty()) s.LeftOut = "its parameter definitions would hold " + broken;
  }
  if (NotSupported)
    s.LeftOut = s.Params.NotSupportedReason.empty() ? "the data types of its arguments are not supported"
                                                    : s.Params.NotSupportedReason;
  if (!s.LeftOut.empty()) {
    s.Warning("Procedure " + Shown(s.ProcName) + " is left out of the class: " + s.LeftOut + ".");
    NotSupported = true;
  } else if (s.WideInteger) {
    s.WideIntegerMethods.push_back(s.MethName);
  }
}

void CSPConstructor::State::CheckMethNameWithList() {
  ErrGuard("CSPConstructor.CheckMethNameWithList", [&] {
    State& s = *this;
    // Counting goes on until the name is free, however many procedures share it.
    UniqueName(s.MethName, s.MethNames, s.Counter, s.MethName);
  });
}

void CSPConstructor::State::SetupParamAttributes() {
  ErrGuard("CSPConstructor.SetupParamAttributes", [&] {
    State& s = *this;
    s.ParamScope.clear();
    // A parameter named like its function or like a word of the body would hide it (the
    // words are kept clear of in SetupParam).
    s.ParamScope.insert_copy(s.MethName);
    // A call of its own text may leave optional arguments out, with these functions.
    if (!s.Params.CallText.empty())
      for (std::string_view w : {"IsMissing", "IIf", "Mid"}) s.ParamScope.insert_copy(w);
    s.Listed.clear();
    bool returnValue = false;
    s.Prm.reserve(s.Params.Params.size());
    for (const SPParamRow& row : s.Params.Params) {
      if (s.SparePrm.empty()) {
        s.Prm.emplace_back();
      } else {
        s.Prm.push_back(std::move(s.SparePrm.back()));
        s.SparePrm.pop_back();
      }
      SPParam& p = s.Prm.back();
      p.Row = &row;
      SetupParam(p);
      // What the catalogue lists twice is passed twice, as listed: said, not mended.
      auto where = [&] { return "Procedure " + Shown(s.ProcName) + ", parameter " + Shown(p.Name); };
      if (!s.Listed.emplace(row.Name, {}).second)
        s.Warning(where() + " is listed more than once; each listing is passed.");
      if (p.DirCode == 4 && std::exchange(returnValue, true))
        s.Warning(where() + " is a second return value; it is passed as one.");
    }
  });
}

void CSPConstructor::State::SetupParam(SPParam& p) {
  ErrGuard("CSPConstructor.SetupParam", [&] {
    State& s = *this;
    const SPParamRow& e = *p.Row;
    p.Name = e.Name;
    p.Dir = e.Dir;
    p.Size = e.Size;
    p.Type = e.Type;
    const std::string_view nativeType = e.NativeType;
    const int32_t scale = Num(e.NumericScale);
    // Named in warnings only: built when one is given.
    auto where = [&] { return "Procedure " + Shown(s.ProcName) + ", parameter " + Shown(p.Name); };
    if (p.Type.empty() && s.SrvrType == kSrvrOracle) {
      p.Type = MOraUtils::oraGetADOType(nativeType, scale, Num(e.Precision));
      if (!MOraUtils::IsKnownOraType(nativeType) && !e.DataTypeNotSupported)
        s.Warning(where() + ": the data type " + (nativeType.empty() ? "is missing" : Shown(nativeType) + " is unknown") +
                  "; it is passed as " + MADOUtils::GetConstName(MADOUtils::adoDataTypeList, Num(p.Type)) + ".");
    }
    const int32_t type = Num(p.Type);
    p.DirCode = Num(p.Dir);
    // A type or direction that is missing (or no number) reads as 0, which the class
    // passes on as it is.
    if (type == 0) s.Warning(where() + " has no data type (" + Shown(p.Type) + "); it is passed as adEmpty.");
    if (p.DirCode == 0) s.Warning(where() + " has no direction (" + Shown(p.Dir) + "); it is passed as adParamUnknown.");

    // A code without a constant name cannot be passed: the procedure is left out, and
    // the parameter is built with stand-ins so that the rest of the run goes on.
    const bool typeKnown = HasName(TypeKnown, MADOUtils::adoDataTypeList, type);
    const bool dirKnown = HasName(DirKnown, MADOUtils::adoParamDirectionList, p.DirCode);
    if (s.LeftOut.empty() && !typeKnown)
      s.LeftOut = "parameter " + Shown(p.Name) + " has the unknown data type code " + std::to_string(type);
    if (s.LeftOut.empty() && !dirKnown)
      s.LeftOut = "parameter " + Shown(p.Name) + " has the unknown direction code " + std::to_string(p.DirCode);
    const int32_t knownType = typeKnown ? type : 12;  // adVariant
    const int32_t knownDir = dirKnown ? p.DirCode : 0;

    p.DirConst = ConstName(DirNames, MADOUtils::adoParamDirectionList, knownDir);
    p.ByPrefix = {};
    switch (s.ByRefVal) {
      case 0:
        p.ByPrefix = (p.DirCode == 2 || p.DirCode == 3) ? "ByRef" : "ByVal";
        break;
      case 1:
        p.ByPrefix = "ByRef";
        break;
      case 2:
        p.ByPrefix = "ByVal";
        break;
      default:
        break;
    }
    p.ByRef = p.ByPrefix == "ByRef";
    p.VBType = MADOUtils::GetVBType(s.Types, knownType, p.Name, nativeType, scale);
    const bool modelVariant = s.TypeModel == 2 || (s.TypeModel == 1 && p.ByRef);
    if (modelVariant) p.VBType = "Variant";
    // An argument the type model leaves typed, or a function's result (which has its type
    // whatever the model says).
    if (MADOUtils::IsWideInteger(knownType) && (p.DirCode == 4 ? s.IsFunc : !modelVariant)) s.WideInteger = true;
    std::string& nameKey = s.Scratch;
    nameKey.assign(p.Name);
    nameKey += '\0';
    nameKey += p.VBType;
    auto named = s.ClassParamNames.find(nameKey);
    if (named == s.ClassParamNames.end()) {
      std::string made = Self.ParamNameToVBName(p.Name, p.VBType);
      named = s.ClassParamNames.emplace(nameKey, ClassParamName{std::move(made), s.NameMadeValid}).first;
    }
    s.NameMadeValid = named->second.MadeValid;
    if (p.DirCode != 4) {
      int32_t counter = 0;
      UniqueName(named->second.Name, s.ParamScope, counter, p.VBName, VBSource::kMaxNameLength, &BodyWordKeys());
      if (p.Name.empty())
        s.Warning("Procedure " + Shown(s.ProcName) + " has a parameter without a name; it is called " + p.VBName +
                  " in the class.");
      else if (s.NameMadeValid || counter != 0)
        s.Warning(where() + " is called " + p.VBName + " in the class.");
    } else {
      p.VBName = named->second.Name;
    }

    p.ZeroAsNull = false;
    if (s.NullForZeroNums &&
        OneOf(MADOUtils::adoGetVBDefaultType(type), {"Byte", "Integer", "Long", "Single", "Double", "Currency"})) {
      auto matched = s.ZeroAsNullNames.find(p.Name);
      if (matched == s.ZeroAsNullNames.end())
        matched =
            s.ZeroAsNullNames.emplace(p.Name, MMethUtils::uPatternMatch(p.Name, s.NullForZeroNumsPttn, false)).first;
      p.ZeroAsNull = matched->second;
    }

    p.TypeConst = ConstName(TypeNames, MADOUtils::adoDataTypeList, knownType);
    const int32_t listed = Num(p.Size), size = MADOUtils::ParamSize(knownType, listed);
    if (listed < 0 && size != 0)
      s.Warning(where() + " has the negative size " + p.Size + "; it is passed " +
                (size == listed ? std::string("as it is.") : "with the size " + std::to_string(size) + "."));
    if (size != listed || size == 0) p.Size = std::to_string(size);

    p.NameExpr.clear();
    VBSource::AppendStringExpr(p.NameExpr, p.Name);
  });
}

void CSPConstructor::State::ConstructMethodRetValStrings(std::string& FuncTypeDecl, std::string& AssignmentCommand) {
  ErrGuard(
      "CSPConstructor.ConstructMethodRetValStrings(FuncTypeDecl,AssignmentCommand)",
      [&] {
        State& s = *this;
        FuncTypeDecl.clear();
        AssignmentCommand.clear();
        // A routine called by a text of its own returns a value only where the call has a
        // return value: the results of the others are parameters or rows.
        const bool returnsValue =
            s.IsFunc && (s.Params.CallText.empty() ||
                         std::any_of(s.Prm.begin(), s.Prm.end(), [](const SPParam& p) { return p.DirCode == 4; }));
        if (returnsValue) {
          const SPParam* ret = nullptr;
          for (const SPParam& p : s.Prm)
            if (p.Name == kRetVal) {
              ret = &p;
              break;
            }
          if (ret == nullptr)
            for (const SPParam& p : s.Prm)
              if (p.Name == kAtRetVal) {
                ret = &p;
                break;
              }
          if (ret != nullptr) {
            FuncTypeDecl =
                "As " + Self.GetVBType(Num(ret->Type), s.ProcName, ret->Row->NativeType, Num(ret->Row->NumericScale));
          } else {
            FuncTypeDecl = "As Variant";
          }
          AssignmentCommand = std::string(kIndent) + s.MethName + " = PrmValue(RETURN_VALUE)";
        } else if (s.RetValType == 1) {
          FuncTypeDecl = " As Boolean";
          AssignmentCommand = std::string(kIndent) + s.MethName + " = True";
        } else if (s.RetValType == 0) {
          FuncTypeDecl = " As Long";
          AssignmentCommand = std::string(kIndent) + s.MethName + " = PrmValue(RETURN_VALUE)";
        }
      },
      FuncTypeDecl, AssignmentCommand);
}

void CSPConstructor::State::BuildMethod() {
  ErrGuard("CSPConstructor.BuildMethod", [&] {
    State& s = *this;
    std::string typeDecl, assignment;
    ConstructMethodRetValStrings(typeDecl, assignment);
    // The return value is passed, but it is no argument of the method.
    auto isArgument = [](const SPParam& p) { return p.DirCode != 4; };
    // Trailing inputs that the call may leave out, so that the server takes their defaults,
    // are Optional arguments, Variant so that the method can tell a missing one; the call
    // passes the given ones by name.
    size_t firstOptional = s.Prm.size();
    if (!s.Params.CallText.empty())
      for (size_t i = s.Prm.size(); i-- > 0;) {
        const SPParam& p = s.Prm[i];
        if (!isArgument(p)) continue;
        if (p.DirCode != 1 || p.Row->OmitMark.empty()) break;
        firstOptional = i;
      }

    std::string& t = s.MethodText;
    std::string& line = s.Scratch;
    line.assign("Public Function ");
    line += s.MethName;
    line += '(';
    size_t arguments = 0;
    for (size_t i = 0; i < s.Prm.size(); ++i) {
      const SPParam& p = s.Prm[i];
      if (!isArgument(p)) continue;
      if (arguments++ > 0) line += ", ";
      if (i >= firstOptional) {
        line += "Optional ByVal ";
        line += p.VBName;
        continue;
      }
      line += p.ByPrefix;
      line += ' ';
      line += p.VBName;
      if (p.VBType != "Variant") {
        line += " As ";
        line += p.VBType;
      }
    }
    line += ") ";
    line += typeDecl;
    MMethUtils::uBreakLine22(line, kBreakIndent, ",");
    t += line;
    t += kCrLf;
    t += "    On Error GoTo errHandler\r\n";
    t += "    InitCommand\r\n";

    for (size_t i = 0; i < s.Prm.size(); ++i) {
      const SPParam& p = s.Prm[i];
      if (i > 0) t += kCrLf;
      t += kIndent;
      if (i >= firstOptional) t.append("If Not IsMissing(").append(p.VBName).append(") Then ");
      const size_t call = t.size();
      t += "AddParam ";
      // The return value goes in under the class's constant, which ReturnValue reads; a
      // parameter of another direction keeps its name, under which it is read back.
      const bool returnValue = p.DirCode == 4 && (p.Name == kRetVal || p.Name == kAtRetVal);
      t += returnValue ? std::string_view(kRetVal) : std::string_view(p.NameExpr);
      t += ", ";
      t += p.TypeConst;
      t += ", ";
      t += p.DirConst;
      t += ", ";
      if (Num(p.Size) != 0) t += p.Size;
      t += ", ";
      if (p.DirCode != 2 && p.DirCode != 4) t += p.VBName;
      t += ", ";
      if (p.ZeroAsNull) t += "ZERO_AS_NULL";
      // Empty arguments in the middle keep their place; trailing ones are trimmed away.
      t.resize(call + srctext::RTrimAny(std::string_view(t).substr(call), ", ").size());
    }
    t += kCrLf;

    const std::string& proc = s.ProcName;
    t += kIndent;
    if (!s.Params.CallText.empty()) {
      // The call's own text; rows that come through a cursor are read inside a transaction.
      t += s.Params.NeedsTransaction ? "ExecuteInTransaction " : "Execute ";
      AppendCallExpr(firstOptional);
      if (!s.Params.NeedsTransaction) t += ", adCmdText";
    } else if (s.SrvrType == kSrvrOracle && s.IsFunc) {
      t += "Execute ";
      std::string call = "Begin ? := " + proc;
      if (arguments > 0) {
        call += '(';
        for (size_t i = 0; i < arguments; ++i) call += i == 0 ? "?" : ", ?";
        call += ')';
      }
      call += "; End;";
      VBSource::AppendStringExpr(t, call);
      t += ", adCmdText ";
    } else {
      t += "Execute ";
      AssignServerSideName(s.Def.SPText, s.SrvrType, proc);
      VBSource::AppendStringExpr(t, s.Def.SPText);
      // A function's return value is its result, which the class's check of a
      // procedure's status must not take for a failure.
      if (s.IsFunc) t += ", adCmdStoredProc, True";
    }
    t += kCrLf;
    bool retrieved = false;
    for (const SPParam& p : s.Prm) {
      if (!isArgument(p) || !p.ByRef) continue;
      if (std::exchange(retrieved, true)) t += kCrLf;
      t += kIndent;
      t += p.VBName;
      t += " = PrmValue(";
      t += p.NameExpr;
      t += ')';
    }
    t += kCrLf;
    t += assignment;
    t += kCrLf;
    t += "    Exit Function\r\n";
    t += "errHandler:\r\n";
    if (s.UseFaultnet) {
      line.assign(kIndent);
      line += "ErrorIn \"";
      line += s.ClassName;
      line += '.';
      line += s.MethName;
      // The arguments' names, then their values.
      auto appendArguments = [&](std::string_view open, std::string_view sep) {
        if (arguments == 0) return;
        line += open;
        size_t n = 0;
        for (const SPParam& p : s.Prm) {
          if (!isArgument(p)) continue;
          if (n++ > 0) line += sep;
          line += p.VBName;
        }
        line += ')';
      };
      appendArguments("(", ",");
      line += "\", ";
      appendArguments("Array(", ", ");
      line += ", EA_PUBLIC";
      MMethUtils::uBreakLine22(line, kBreakIndent, ",");
      t += line;
      t += kCrLf;
    }
    t += "    HandleError\r\n";
    t += "End Function\r\n";
  });
}

void CSPConstructor::State::AppendCallExpr(size_t FirstOptional) {
  std::string& t = MethodText;
  const std::string& call = Params.CallText;
  const size_t close = call.rfind(')');
  if (FirstOptional >= Prm.size() || close == std::string::npos) {
    VBSource::AppendStringExpr(t, call);
    return;
  }
  // The marks of the optional arguments are the last ones: the text keeps the others, and
  // each optional argument that is given adds its mark by name.
  std::string head = call.substr(0, close);
  for (size_t i = FirstOptional; i < Prm.size(); ++i)
    head.resize(head.size() - (head.ends_with(", ?") ? 3 : head.ends_with("?") ? 1 : 0));
  const bool noneBefore = head.ends_with("(");
  VBSource::AppendStringExpr(t, head);
  t += noneBefore ? " & Mid$(" : " & ";
  for (size_t i = FirstOptional; i < Prm.size(); ++i) {
    if (i > FirstOptional) t += " & ";
    t.append("IIf(IsMissing(").append(Prm[i].VBName).append("), \"\", ");
    VBSource::AppendStringExpr(t, ", " + Prm[i].Row->OmitMark);
    t += ')';
  }
  t += noneBefore ? ", 3) & " : " & ";
  VBSource::AppendStringExpr(t, call.substr(close));
}

void CSPConstructor::State::ConstructSPParamDefs() {
  ErrGuard("CSPConstructor.ConstructSPParamDefs", [&] {
    State& s = *this;
    s.ParamDefs.clear();
    if (s.IsFunc) return;
    auto& def = s.Def;
    Self.GetParamDefConstNames(s.ProcName, def.SPConst, def.PrmConst);

    std::string& defs = def.Defs;
    defs.clear();
    for (const SPParam& p : s.Prm) {
      if (p.DirCode == 4) continue;
      if (!defs.empty()) defs += ';';
      defs += p.Name;
      defs += ',';
      defs += p.Type;
      defs += ',';
      defs += p.Dir;
      defs += ',';
      defs += p.Size;
      defs += p.ZeroAsNull ? ",1" : ",0";
    }

    for (const SPParam& p : s.Prm) {
      if (p.DirCode == 4 || p.Name.find_first_of(",;") == std::string::npos) continue;
      s.Warning("Procedure " + Shown(s.ProcName) + " has no parameter definitions in the module: its parameter " +
                Shown(p.Name) + " holds \",\" or \";\", which separate the definitions.");
      return;
    }

    // Text that needs ChrW$ cannot be a constant's value: such a name becomes a
    // read-only property of the module, which callers use the same way.
    // Both definitions of a procedure take the same form.
    // A procedure called by a text of its own (a PostgreSQL CALL) is run by name with that
    // text: the by-name execution runs it as a command text.
    if (!s.Params.CallText.empty())
      def.SPText = s.Params.CallText;
    else
      AssignServerSideName(def.SPText, s.SrvrType == kSrvrMSSQL ? kSrvrMSSQL : -1, s.ProcName);
    bool spCall = false, prmCall = false;
    def.SPExpr.clear();
    VBSource::AppendStringExpr(def.SPExpr, def.SPText, &spCall);
    def.PrmExpr.clear();
    VBSource::AppendStringExpr(def.PrmExpr, defs, &prmCall);
    const bool needsCall = spCall || prmCall;
    const auto define = [&](const std::string& name, const std::string& text, const std::string& expr, bool breakable) {
      std::string& d = s.ParamDefs;
      if (needsCall) {
        d.append("Public Property Get ").append(name).append("() As String\r\n");
        d += kIndent;
        d.append(name).append(" = ");
      } else {
        d.append("Public Const ").append(name).append(" = ");
      }
      if (!breakable || Utf8::Length(text) < 50) {
        d += expr;
      } else {
        std::string& value = def.Value;
        value.assign(kIndent);
        value += expr;
        MMethUtils::uBreakLine22(value, kIndent, ",");
        d += "_\r\n";
        d += value;
      }
      d += kCrLf;
      if (needsCall) d += "End Property\r\n";
    };
    define(def.SPConst, def.SPText, def.SPExpr, false);
    define(def.PrmConst, defs, def.PrmExpr, true);
  });
}

std::string CSPConstructor::ParamNameToVBName(const std::string& PName, const std::string& ATypeName) {
  return ErrGuard(
      "CSPConstructor.ParamNameToVBName(PName,ATypeName)",
      [&] {
        State& s = *s_;
        std::string_view src = PName;
        std::string name;
        name.reserve(src.size());
        for (char c : src)
          if (c != '#' && c != '@' && c != ' ') name += c;
        if (s.SrvrType == kSrvrAccess) {
          if (const size_t bang = name.rfind('!'); bang != std::string::npos) name.erase(0, bang + 1);
        }
        name = MMethUtils::uRemovePrefix(name, s.PrmRmvPfx);
        if (s.PrmConvToWCap)
          name = MMethUtils::uToWordCap(name);
        else if (s.PrmFirstCap)
          srctext::RaiseFirst(name);
        std::string out = s.PrmAddPfx;
        if (s.PrmAddTypePfx) out += MMethUtils::uGetStdTypePrefix(ATypeName);
        out += name;
        return s.ValidName(out, "Prm");
      },
      PName, ATypeName);
}

std::string CSPConstructor::SPNameToVBName(const std::string& SPName) {
  return ErrGuard(
      "CSPConstructor.SPNameToVBName(SPName)",
      [&] {
        State& s = *s_;
        std::string_view bare;
        const std::string& pkgPfx = s.PackagePrefix(SPName, bare);
        std::string name = MMethUtils::uRemovePrefix(bare, s.MethRmvPfxs);
        if (s.MethConvToWCap)
          name = MMethUtils::uToWordCap(name);
        else if (s.MethFirstCap)
          srctext::RaiseFirst(name);
        std::string out;
        out.reserve(s.MethAddPfx.size() + pkgPfx.size() + name.size());
        for (std::string_view piece :
             {std::string_view(s.MethAddPfx), std::string_view(pkgPfx), std::string_view(name)})
          for (char c : piece)
            if (c != ' ') out += c;
        return s.ValidName(out, "Proc");
      },
      SPName);
}

void CSPConstructor::GetParamDefConstNames(const std::string& SPName, std::string& SPConstName,
                                           std::string& PrmConstName) {
  ErrGuard(
      "CSPConstructor.GetParamDefConstName(SPName)",
      [&] {
        State& s = *s_;
        std::string_view bare;
        const std::string& pkgPfx = s.PackagePrefix(SPName, bare);
        const std::string name = MMethUtils::uRemovePrefix(bare, s.MethRmvPfxs);
        // "X" in front keeps a name that begins with a digit as it is; it is taken off below.
        std::string& base = s.Def.Base;
        base.assign("X").append(pkgPfx);
        if (!pkgPfx.empty() && !name.empty()) base += '_';
        for (char c : name) base += c == ' ' ? '_' : c;
        // Both names must be identifiers of at most 255 characters, "PRM_" the longer
        // prefix, and unique in the module even where the method names differ.
        constexpr size_t kMaxBase = VBSource::kMaxNameLength - 4;
        std::string result = VBSource::MakeIdentifier(base, "", kMaxBase + 1);
        result.erase(0, 1);
        for (char& c : result) c = srctext::ToUpperAscii(c);
        if (s.Counter != 0) {
          const std::string digits = std::to_string(s.Counter);
          result.resize(std::min(result.size(), kMaxBase - digits.size()));
          result += digits;
        }
        int32_t counter = 0;
        UniqueName(result, s.ConstNames, counter, result, kMaxBase);
        SPConstName.assign("SP_").append(result);
        PrmConstName.assign("PRM_").append(result);
      },
      SPName);
}

std::string CSPConstructor::GetVBType(int32_t ADOType, const std::string& ParamName, const std::string& NativeType,
                                      int32_t ParamNumScale) {
  return MADOUtils::GetVBType(s_->Types, ADOType, ParamName, NativeType, ParamNumScale);
}

}  // namespace pf
