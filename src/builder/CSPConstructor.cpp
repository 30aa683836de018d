#include "builder/CSPConstructor.h"

#include <array>
#include <charconv>
#include <exception>
#include <unordered_set>
#include <vector>

#include "builder/MADOUtils.h"
#include "text/MMethUtils.h"
#include "builder/MOraUtils.h"
#include "base/SourceText.h"
#include "errors/ErrGuard.h"
#include "extract/ISrvrExtractor.h"
#include "base/NoCase.h"
#include "base/Utf8.h"
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

// Appends Item to List, with Sep before it when List is not empty.
void Join(std::string& List, std::string_view Sep, std::string_view Item) {
  if (!List.empty()) List += Sep;
  List += Item;
}

const char* AttrText(pugi::xml_node n, const char* name) { return n.attribute(name).value(); }

// One parameter of the current procedure with what the constructor derives for it.
struct SPParam {
  std::string Name;  // as the extractor reports it
  std::string Type;  // ADO type code as text (Oracle: derived from NativeType when missing)
  std::string Dir;   // ADO direction code as text
  std::string Size;  // kept for variable-length types only, else "0"
  int32_t DirCode = 0;
  std::string VBName;
  bool ZeroAsNull = false;
  std::string VBHeaderDecl;
  std::string AddParamCall;
  std::string RetrieveValueCall;
  pugi::xml_node Elem;  // its element in the parameter list
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

  // Run state: method names made so far (lower-cased) and the Oracle package cache.
  std::unordered_set<std::string> MethNames;
  bool PkgCached = false;
  std::string Pkg;
  std::string PkgPfx;

  // Per procedure.
  std::string SPName;    // as requested
  std::string ProcName;  // the parameter list's Proc, else SPName
  std::string MethName;
  int32_t Counter = 0;
  bool IsFunc = false;
  bwXMLBrowser Params;
  std::vector<SPParam> Prm;
  std::string MethodText;
  std::string ParamDefs;

  explicit State(CSPConstructor& self) : Self(self) {}
  CSPConstructor& Self;

  // Constant names already looked up, by code (codes 0 to 255 only; others are looked up
  // every time). An unknown code is never stored, so it fails on every lookup.
  std::array<std::string, 256> TypeNames;
  std::array<std::string, 256> DirNames;
  static const std::string& ConstName(std::array<std::string, 256>& Cache, std::string_view List, int32_t Code,
                                      std::string& Scratch);

  // The package prefix of SPName (Oracle only) and, in Name, the name after the package.
  const std::string& PackagePrefix(std::string_view SPName, std::string_view& Name);

  // The steps of ConstructMethod.
  void Construct(const std::string& SPName, bool IsFunc, bool& NotSupported);
  void CheckMethNameWithList();
  void SetupParamAttributes();
  void SetupParam(SPParam& p);
  void BuildMethod();
  void ConstructMethodRetValStrings(std::string& FuncTypeDecl, std::string& AssignmentCommand);
  void ConstructSPParamDefs();
};

const std::string& CSPConstructor::State::PackagePrefix(std::string_view SPName, std::string_view& Name) {
  static const std::string kNone;
  Name = SPName;
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

const std::string& CSPConstructor::State::ConstName(std::array<std::string, 256>& Cache, std::string_view List,
                                                    int32_t Code, std::string& Scratch) {
  const bool cacheable = Code >= 0 && Code < static_cast<int32_t>(Cache.size());
  if (cacheable && !Cache[static_cast<size_t>(Code)].empty()) return Cache[static_cast<size_t>(Code)];
  Scratch = MADOUtils::GetConstName(List, Code);
  if (!cacheable) return Scratch;
  return Cache[static_cast<size_t>(Code)] = Scratch;
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
        s.PkgCached = false;
        s.Pkg.clear();
        s.PkgPfx.clear();
      },
      Stt, SrvrExtr);
}

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
          Faultnet31::Check(false, ERR_USER_CHECK, "Error constructing method [%1] : %2", SPName, cause.Description);
        }
      },
      SPName, IsFunc, NotSupported);
}

void CSPConstructor::State::Construct(const std::string& SPName, bool IsFunc, bool& NotSupported) {
  State& s = *this;
  s.MethodText.clear();
  s.ParamDefs.clear();
  s.Prm.clear();
  Faultnet31::Check(s.Stt != nullptr && s.SrvrExtr != nullptr, ERR_GENERAL,
                    "The method constructor has no settings or no server extractor (Init was not called).");
  s.IsFunc = IsFunc;
  s.SPName = SPName;
  s.Params.Load(s.SrvrExtr->xmlGetSPParameters(SPName));
  const pugi::xml_node root = s.Params.RootElement();
  s.ProcName = AttrText(root, "Proc");
  if (s.ProcName.empty()) s.ProcName = SPName;
  s.MethName = Self.SPNameToVBName(s.ProcName);
  NotSupported = std::string_view(AttrText(root, "NotSupported")) == "True";
  CheckMethNameWithList();
  SetupParamAttributes();
  BuildMethod();
  ConstructSPParamDefs();
}

void CSPConstructor::State::CheckMethNameWithList() {
  ErrGuard("CSPConstructor.CheckMethNameWithList", [&] {
    State& s = *this;
    s.Counter = 0;
    std::string key = NoCase::Lower(s.MethName);
    if (s.MethNames.count(key) != 0) {
      const size_t baseLen = key.size();
      do {
        ++s.Counter;
        key.resize(baseLen);
        key += std::to_string(s.Counter);
      } while (s.MethNames.count(key) != 0 && s.Counter < 100);
      s.MethName += std::to_string(s.Counter);
    }
    s.MethNames.insert(std::move(key));
  });
}

void CSPConstructor::State::SetupParamAttributes() {
  ErrGuard("CSPConstructor.SetupParamAttributes", [&] {
    State& s = *this;
    for (pugi::xml_node e : s.Params.RootElement().children("Param")) {
      SPParam& p = s.Prm.emplace_back();
      p.Elem = e;
      SetupParam(p);
    }
  });
}

void CSPConstructor::State::SetupParam(SPParam& p) {
  ErrGuard("CSPConstructor.SetupParam", [&] {
    State& s = *this;
    const pugi::xml_node e = p.Elem;
    p.Name = AttrText(e, "Name");
    p.Dir = AttrText(e, "Dir");
    p.Size = AttrText(e, "Size");
    p.Type = AttrText(e, "Type");
    const std::string_view nativeType = AttrText(e, "NativeType");
    const int32_t scale = Num(AttrText(e, "NumericScale"));
    if (p.Type.empty() && s.SrvrType == kSrvrOracle)
      p.Type = MOraUtils::oraGetADOType(nativeType, scale, Num(AttrText(e, "Precision")));
    const int32_t type = Num(p.Type);
    p.DirCode = Num(p.Dir);
    const bool outOnly = p.DirCode == 2 || p.DirCode == 4;

    std::string scratchDir, scratchType;
    const std::string& dirConstName = ConstName(DirNames, MADOUtils::adoParamDirectionList, p.DirCode, scratchDir);
    std::string_view byPrefix;
    switch (s.ByRefVal) {
      case 0:
        byPrefix = (p.DirCode == 2 || p.DirCode == 3) ? "ByRef" : "ByVal";
        break;
      case 1:
        byPrefix = "ByRef";
        break;
      case 2:
        byPrefix = "ByVal";
        break;
      default:
        break;
    }
    const bool byRef = byPrefix == "ByRef";
    const std::string vbDefaultType = MADOUtils::adoGetVBDefaultType(type);
    std::string vbType = MADOUtils::GetVBType(s.Types, type, p.Name, nativeType, scale);
    if (s.TypeModel == 2 || (s.TypeModel == 1 && byRef)) vbType = "Variant";
    p.VBName = Self.ParamNameToVBName(p.Name, vbType);

    p.ZeroAsNull = s.NullForZeroNums &&
                   OneOf(vbDefaultType, {"Byte", "Integer", "Long", "Single", "Double", "Currency"}) &&
                   MMethUtils::uPatternMatch(p.Name, s.NullForZeroNumsPttn, false);

    p.VBHeaderDecl.assign(byPrefix);
    p.VBHeaderDecl += ' ';
    p.VBHeaderDecl += p.VBName;
    if (vbType != "Variant") {
      p.VBHeaderDecl += " As ";
      p.VBHeaderDecl += vbType;
    }

    const std::string& typeConstName = ConstName(TypeNames, MADOUtils::adoDataTypeList, type, scratchType);
    if (!OneOf(typeConstName, {"adChar", "adBinary", "adVarBinary", "adVarChar", "adVarNumeric", "adVarWChar"}))
      p.Size = "0";

    // Empty arguments in the middle keep their place; trailing ones are trimmed away.
    std::string call;
    call.reserve(64 + p.Name.size() + p.VBName.size());
    call += "AddParam ";
    if (p.Name == kRetVal || p.Name == kAtRetVal) {
      call += kRetVal;
    } else {
      call += '"';
      call += p.Name;
      call += '"';
    }
    call += ", ";
    call += typeConstName;
    call += ", ";
    call += dirConstName;
    call += ", ";
    if (Num(p.Size) != 0) call += p.Size;
    call += ", ";
    if (!outOnly) call += p.VBName;
    call += ", ";
    if (p.ZeroAsNull) call += "ZERO_AS_NULL";
    p.AddParamCall = MMethUtils::uRTrimChars(call, ", ");

    p.RetrieveValueCall.clear();
    if (byRef) {
      p.RetrieveValueCall.reserve(kIndent.size() + p.VBName.size() + p.Name.size() + 16);
      p.RetrieveValueCall += kIndent;
      p.RetrieveValueCall += p.VBName;
      p.RetrieveValueCall += " = PrmValue(\"";
      p.RetrieveValueCall += p.Name;
      p.RetrieveValueCall += "\")";
    }
  });
}

void CSPConstructor::State::ConstructMethodRetValStrings(std::string& FuncTypeDecl, std::string& AssignmentCommand) {
  ErrGuard(
      "CSPConstructor.ConstructMethodRetValStrings(FuncTypeDecl,AssignmentCommand)",
      [&] {
        State& s = *this;
        FuncTypeDecl.clear();
        AssignmentCommand.clear();
        if (s.IsFunc) {
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
            FuncTypeDecl = "As " + Self.GetVBType(Num(ret->Type), s.ProcName, AttrText(ret->Elem, "NativeType"),
                                                  Num(AttrText(ret->Elem, "NumericScale")));
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
    std::string header, sqlCall, errNames, errValues, retrieve, addParams;
    for (const SPParam& p : s.Prm) {
      Join(addParams, kCrLf, kIndent);
      addParams += p.AddParamCall;
      if (p.DirCode == 4) continue;
      Join(header, ", ", p.VBHeaderDecl);
      Join(sqlCall, ", ", "?");
      Join(errNames, ",", p.VBName);
      Join(errValues, ", ", p.VBName);
      if (!p.RetrieveValueCall.empty()) Join(retrieve, kCrLf, p.RetrieveValueCall);
    }
    std::string typeDecl, assignment;
    ConstructMethodRetValStrings(typeDecl, assignment);

    std::string& t = s.MethodText;
    t.reserve(512 + 2 * (header.size() + addParams.size() + retrieve.size() + errValues.size()));

    std::string line = "Public Function " + s.MethName + "(" + header + ") " + typeDecl;
    MMethUtils::uBreakLine22(line, kBreakIndent, ",");
    t += line;
    t += kCrLf;
    t += "    On Error GoTo errHandler\r\n";
    t += "    InitCommand\r\n";
    t += addParams;
    t += kCrLf;

    const std::string& proc = s.ProcName;
    t += kIndent;
    t += "Execute ";
    if (s.SrvrType == kSrvrOracle && s.IsFunc) {
      t += "\"Begin ? := ";
      t += proc;
      if (!sqlCall.empty()) {
        t += '(';
        t += sqlCall;
        t += ')';
      }
      t += "; End;\", adCmdText ";
    } else if (s.SrvrType == kSrvrMSSQL) {
      t += "\"[";
      t += proc;
      t += "]\"";
    } else if (s.SrvrType == kSrvrAccess) {
      t += "\"\"\"";
      t += proc;
      t += "\"\"\"";
    } else {
      t += '"';
      t += proc;
      t += '"';
    }
    t += kCrLf;
    t += retrieve;
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
      if (!errNames.empty()) {
        line += '(';
        line += errNames;
        line += ')';
      }
      line += "\", ";
      if (!errValues.empty()) {
        line += "Array(";
        line += errValues;
        line += ')';
      }
      line += ", EA_PUBLIC";
      MMethUtils::uBreakLine22(line, kBreakIndent, ",");
      t += line;
      t += kCrLf;
    }
    t += "    HandleError\r\n";
    t += "End Function\r\n";
  });
}

void CSPConstructor::State::ConstructSPParamDefs() {
  ErrGuard("CSPConstructor.ConstructSPParamDefs", [&] {
    State& s = *this;
    s.ParamDefs.clear();
    if (s.IsFunc) return;
    std::string spConst, prmConst;
    Self.GetParamDefConstNames(s.ProcName, spConst, prmConst);

    std::string defs;
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

    std::string& d = s.ParamDefs;
    d += "Public Const ";
    d += spConst;
    d += s.SrvrType == kSrvrMSSQL ? " = \"[" : " = \"";
    d += s.ProcName;
    d += s.SrvrType == kSrvrMSSQL ? "]\"" : "\"";
    d += kCrLf;
    d += "Public Const ";
    d += prmConst;
    d += " = ";
    if (Utf8::Length(defs) < 50) {
      d += '"';
      d += defs;
      d += '"';
    } else {
      std::string value;
      value.reserve(defs.size() + kIndent.size() + 2);
      value += kIndent;
      value += '"';
      value += defs;
      value += '"';
      MMethUtils::uBreakLine22(value, kIndent, ",");
      d += "_\r\n";
      d += value;
    }
    d += kCrLf;
  });
}

std::string CSPConstructor::ParamNameToVBName(const std::string& PName, const std::string& ATypeName) {
  return ErrGuard(
      "CSPConstructor.ParamNameToVBName(PName,ATypeName)",
      [&] {
        const State& s = *s_;
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
        return MMethUtils::uCheckWithVBKeyWords(out);
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
        return MMethUtils::uCheckWithVBKeyWords(out);
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
        std::string name = MMethUtils::uRemovePrefix(bare, s.MethRmvPfxs);
        for (char& c : name)
          if (c == ' ') c = '_';
        std::string result = pkgPfx;
        if (!pkgPfx.empty() && !name.empty()) result += '_';
        result += name;
        for (char& c : result) c = srctext::ToUpperAscii(c);
        if (s.Counter != 0) result += std::to_string(s.Counter);
        SPConstName = "SP_" + result;
        PrmConstName = "PRM_" + result;
      },
      SPName);
}

std::string CSPConstructor::GetVBType(int32_t ADOType, const std::string& ParamName, const std::string& NativeType,
                                      int32_t ParamNumScale) {
  return MADOUtils::GetVBType(s_->Types, ADOType, ParamName, NativeType, ParamNumScale);
}

}  // namespace pf
