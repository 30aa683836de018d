#include "builder/CCodeBuilder.h"

#include <limits>
#include <optional>
#include <utility>

#include "builder/CMethColl.h"
#include "builder/CSPConstructor.h"
#include "builder/MADOUtils.h"
#include "text/MMethUtils.h"
#include "codelib/CBlocks.h"
#include "codelib/CRefValues.h"
#include "codelib/CTextStream.h"
#include "codelib/MCodeLib.h"
#include "vbcheck/VBCheck.h"
#include "errors/AppError.h"
#include "errors/Faultnet31.h"
#include "errors/Secrets.h"
#include "extract/CServer.h"
#include "extract/ISrvrExtractor.h"
#include "base/NameTable.h"
#include "base/Utf8.h"
#include "base/VBDate.h"
#include "base/Version.h"
#include "text/VBSource.h"
#include "settings/CSettings.h"
#include "settings/MProfileKeys.h"
#include "xml/bwXMLBrowser.h"
#include "shell/CProgress.h"
#include "shell/MUtils.h"

namespace pf {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr const char* kTrue = "True";

// Run-time option words are long sums of constants: broken at "+" with this indent.
constexpr const char* kOptionsIndent = "    ";
// Continued string literals: the indent of their further lines, and the room left for
// their first piece on the library line that holds the reference.
constexpr std::string_view kLiteralIndent = "        ";
constexpr size_t kLiteralFirstRoom = 800;

bool Flag(bwXMLBrowser& x, const char* key) { return x.boolAttr(key, kTrue); }
int32_t Lng(bwXMLBrowser& x, const char* key) { return x.lngAttr(key); }
std::string Str(bwXMLBrowser& x, const char* key) { return x.strAttr(key); }

bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

std::string Quoted(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  out += '"';
  out += s;
  out += '"';
  return out;
}

// Gives a text's memory back. Assigning an empty string would keep the buffer: a short
// string is copied into it, not moved.
void Release(std::string& s) { std::string().swap(s); }

int32_t ToInt32(size_t n) {
  return n > static_cast<size_t>(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                                      : static_cast<int32_t>(n);
}

}  // namespace

struct CCodeBuilder::State {
  CSettings* Stt = nullptr;
  CProgress* Progress = nullptr;
  CMethColl MethColl;
  CBlocks Blocks;
  CTextStream LibStream;
  MCodeLib::LibraryText LibText;  // read for the method names, loaded again only when it changed
  CRefValues RefValues;
  std::string BlockList;
  std::string CondList;
  size_t ClassLines = 0;  // of the class text BuildClassCode made
  size_t ClassChars = 0;

  void BuildClassCode(CCodeBuilder& b);
  void BuildBlockList();
  void AddB(std::string_view name) {
    BlockList += ',';
    BlockList += name;
  }
  void AddCond(std::string_view name) {
    CondList += ',';
    CondList += name;
  }
  void BuildRefValues();
  void AddRef(std::string Key, std::string Value) {
    const std::string key = Key;
    Faultnet31::Check(RefValues.Add(std::move(Key), std::move(Value)), ERR_GENERAL,
                      "Reference %1 is already in the reference table.", key);
  }
  // A profile text as a string literal of the class, continued over lines when it is long.
  // Setting names the key it comes from, for the message when it cannot fit a statement.
  void AddLiteralRef(std::string Key, std::string_view Text, std::string_view Setting) {
    std::optional<std::string> expr = VBSource::ContinuedStringExpr(Text, kLiteralIndent, kLiteralFirstRoom);
    Faultnet31::Check(expr.has_value(), ERR_USER_CHECK,
                      "%1 is too long for the class: %2 characters do not fit one Visual Basic statement.",
                      std::string(Setting),
                      std::to_string(Utf8::Length(Text)));
    AddRef(std::move(Key), std::move(*expr));
  }
};

CCodeBuilder::CCodeBuilder() : s_(std::make_unique<State>()) {}
CCodeBuilder::~CCodeBuilder() = default;

const std::string& CCodeBuilder::BlockList() const { return s_->BlockList; }
const std::string& CCodeBuilder::ConditionList() const { return s_->CondList; }
const CRefValues& CCodeBuilder::RefValues() const { return s_->RefValues; }

void CCodeBuilder::BuildCode(CSettings& Stt, CProgress& Progress, int32_t& NumSPs, int32_t& NumLines,
                             int32_t& NumChars) {
  NumSPs = BuildSPMethods(Stt, Progress);
  ClassCode.clear();
  s_->BuildClassCode(*this);
  NumChars = ToInt32(s_->ClassChars);
  NumLines = ToInt32(s_->ClassLines);
}

int32_t CCodeBuilder::BuildSPMethods(CSettings& Stt, CProgress& Progress, const MethodVisitor& OnMethod) {
  State& s = *s_;
  s.Stt = &Stt;
  s.Progress = &Progress;
  s.MethColl.InitEmpty();
  ParamDefsCode.clear();
  s.LibText = MCodeLib::LibraryText();

  bwXMLBrowser& sp = *Stt.xStoredProc;
  const bool addSPMethods = Flag(sp, "AddSPMethods");
  const bool addExecSPByName = Flag(sp, "AddExecSPByName");
  // Without either, the class needs no procedure: the server is not even asked.
  if (!addSPMethods && !addExecSPByName) return 0;

  Progress.Message("Constructing code...");
  std::shared_ptr<ISrvrExtractor> extractor = Stt.CreateServerExtractor();
  // The run connects as the connection test does: what the string asks for in vain is said here too.
  for (std::string& w : CServer::ConnectionWarnings(Stt.Server()->ConnectionString())) Progress.Warning(std::move(w));

  Progress.Message("Retrieving procedure list... ");
  const std::string filter = Stt.ListFilter();
  bwXMLBrowser procList;
  procList.Load(extractor->xmlGetSPList(filter));
  for (std::string& w : extractor->LeftOut()) Progress.Warning(std::move(w));
  for (const std::string& w : extractor->UnusableNames()) Progress.Warning(w);

  CSPConstructor ctor;
  ctor.Init(Stt, extractor);
  ctor.SetWarningSink([&Progress](std::string text) { Progress.Warning(std::move(text)); });
  // A method named like a member of the run-time layer (Execute, OpenConnection) would
  // define that member twice. Without a library there is no class to clash with: a run
  // reports the missing library when it assembles the class.
  try {
    s.LibText = MCodeLib::ReadCodeLibrary();
    ctor.ReserveMethodNames(ModuleLevelNames(s.LibText.Text));
  } catch (const AppError& e) {
    if (e.Number != ERR_CODELIB_MISSING) throw;
  }
  const bool addFunctions = Flag(sp, "AddOraFunctions");

  int32_t visited = 0, skippedFunctions = 0, position = 0;
  const int32_t total = procList.ChildCount();
  if (procList.MoveToFirstChild()) {
    const auto selected = Stt.SPNameFilter();
    std::string message;
    ExactNameSet listed;
    do {
      const std::string name = procList.strAttr("Name");
      const bool isFunc = procList.boolAttr("IsFunction", kTrue);
      Progress.Count(++position, total);
      if (isFunc && !addFunctions) {
        ++skippedFunctions;
        continue;
      }
      message.assign("Processing ").append(name);
      Progress.Message(message);
      if (!selected(name)) continue;
      if (!listed.emplace_copy(name, {}).second)
        Progress.Warning("Procedure \"" + name + "\" is listed more than once by the catalogue; each listing becomes a "
                         "method.");
      bool notSupported = false;
      ctor.ConstructMethod(name, isFunc, notSupported);
      if (notSupported) continue;
      CMethod method = ctor.GetMethodObject();
      if (OnMethod) {
        // A listing keeps no method: each one's memory serves the next.
        OnMethod(name, method);
        ++visited;
        continue;
      }
      s.MethColl.AddMethod(std::move(method));
    } while (procList.MoveNext());
  }
  const std::vector<std::string> wide = ctor.TakeWideIntegerMethods();
  if (!wide.empty()) {
    std::string text = "Integers wider than Long (64-bit or unsigned) are declared Variant in these methods: ";
    for (size_t i = 0; i < wide.size(); ++i) (text += i == 0 ? "" : ", ") += wide[i];
    Progress.Warning(std::move(text) + ".");
  }

  // The functions are left out on purpose, but a profile made for another server type
  // leaves them out unseen: say so once.
  if (skippedFunctions > 0)
    Progress.Warning(std::to_string(skippedFunctions) +
                     " database functions are not wrapped: \"Also wrap database functions\" is off on the Stored "
                     "Procedures page.");
  if (OnMethod) return visited;
  ParamDefsCode = s.MethColl.AssembleParamDefs();
  return s.MethColl.MethodCount();
}

void CCodeBuilder::State::BuildClassCode(CCodeBuilder& b) {
  CProgress& progress = *Progress;
  MCodeLib::LoadCodeLibrary(progress, LibStream, Blocks, {}, &LibText);
  // The methods are made of catalogue names: they go in as they are, never resolved. The
  // block views their sources, which the class text is then made from directly.
  std::vector<std::string_view> methods;
  MethColl.ForEachSourcePiece([&methods](std::string_view piece) {
    if (!methods.empty()) methods.push_back(kCrLf);
    methods.push_back(piece);
  });
  Blocks.AddLiteralBlock(std::move(methods), "SPMethods");

  progress.Message("Assembling Code...");
  BuildRefValues();
  BuildBlockList();
  b.ClassCode = Blocks.GetBlocks(BlockList, CondList, &RefValues);
  // The methods are in the class text now; no later block refers to them.
  Blocks.RemoveBlock("SPMethods");
  MethColl = CMethColl();

  // The module body: its preface block, then the procedures' definitions. From here on
  // the engine's condition list is empty, so later blocks come as written.
  std::string paramDefs = Blocks.GetBlocks("ParamDefPreface", "", &RefValues);
  paramDefs.reserve(paramDefs.size() + kCrLf.size() + b.ParamDefsCode.size());
  paramDefs += kCrLf;
  paramDefs += b.ParamDefsCode;
  b.ParamDefsCode = std::move(paramDefs);

  MethColl.Init(b.ClassCode, false);
  // The assembled text now lives in the collection; the final text replaces it below.
  Release(b.ClassCode);

  progress.Message("Setting up error handlers...");
  bwXMLBrowser& eh = *Stt->xErrHndl;
  MethColl.SetupErrHandlers(Flag(eh, "UseFaultnet"), Flag(eh, "AddStopOnError"), Flag(eh, "DisClassOnError"));

  bwXMLBrowser& code = *Stt->xCode;
  if (Flag(code, "IncCode")) {
    progress.Message("Including/Overriding code...");
    const std::string incFile = Str(code, "IncFileName");
    const std::string incText = MUtils::ReadText(incFile, "ASCII");
    // A fault in the include file would break the class silently: name it while merging.
    for (const VBFinding& f : CMethColl::CheckCode(incText, Flag(code, "IncUseTags")))
      progress.Warning("Include file " + incFile + ", line " + std::to_string(f.Line) + ": " + f.Message);
    CMethColl incColl;
    incColl.Init(incText, Flag(code, "IncUseTags"));
    MethColl.OverrideCode(incColl);
  }

  std::string publicList;
  if (Flag(code, "MemberList")) {
    progress.Message("Building public members list...");
    // The members block keeps its references as written: it documents them.
    publicList = Blocks.GetBlock("PubClsMembers");
    publicList += kCrLf;
    publicList += MethColl.GetCommentedPublicList();
  }

  const std::string reminderAt = Flag(code, "RmndrAt") ? Str(code, "RmndrAtMeth") : std::string();
  if (Flag(code, "Rmndr")) MethColl.AddCodeFragment(Str(code, "RmndrText"), reminderAt);

  // The class is the preface, the public list and the collection's source, formatted as
  // one text; the pieces go through the formatter one by one instead of being joined first.
  const std::string preface = Blocks.GetBlock("Preface", &RefValues);
  MMethUtils::CodeFormatter formatter(preface.size() + publicList.size() + MethColl.SourceSize() + 2 * kCrLf.size(),
                                      b.ClassLead);
  formatter.Add(preface);
  formatter.Add(publicList);
  Release(publicList);
  // An empty collection adds no piece, but the joined text still ended with a line break.
  if (MethColl.MethodCount() == 0) formatter.Add("");
  MethColl.ForEachSourcePiece([&formatter](std::string_view piece) { formatter.Add(piece); });
  MethColl = CMethColl();
  ClassLines = formatter.LineCount();
  ClassChars = formatter.CharCount();
  b.ClassCode = formatter.Take();
}

void CCodeBuilder::State::BuildBlockList() {
  BlockList.clear();
  CondList.clear();
  bwXMLBrowser& sp = *Stt->xStoredProc;
  bwXMLBrowser& af = *Stt->xAddnlFunc;
  bwXMLBrowser& eh = *Stt->xErrHndl;
  bwXMLBrowser& code = *Stt->xCode;
  const int32_t srvrType = Stt->ServerType();
  const bool msOrSybase = srvrType == 1 || srvrType == 2;
  const int32_t trans = Lng(af, "Trans");
  const int32_t connSrc = Lng(af, "ConnSrcType");

  AddB("DeclOption");
  AddB("Decl");
  if (Flag(sp, "AddSPMethods")) {
    AddB("SPListTitle");
    AddB("SPMethods");
  }
  if (Flag(af, "AddExecSQL")) AddB("ExecSQL");
  if (Flag(sp, "AddExecSPByName")) AddB("MethExecSPByName");
  AddB("MethStd");
  if (Flag(af, "ValFmt")) AddB("ValFmt");
  AddB("MethErrProps");
  if (Flag(af, "ImplClassIFace")) AddB("IFaceClass");
  if (Flag(af, "COMPlus")) AddB("MethContext");
  if (Flag(af, "COMPObjControl")) AddB("IFaceObjectControl");
  if (Flag(af, "COMPObjConstruct")) AddB("IFaceObjectConstruct");
  if (trans != 0) {
    AddB("MethTrans");
    AddCond("Trans");
  }
  if (Flag(af, "RSMethods")) AddB("MethRSNavigate");
  if (Flag(af, "Batch")) AddB("MethBatch");
  if (Flag(af, "XMLBasic")) AddB("MethXML");
  if (Flag(af, "XMLAdvanced")) AddB("MethAdvXML");
  // The conditions of the switches that turn one on by themselves, in key table order.
  for (const MProfileKeys::Key& k : MProfileKeys::Keys())
    if (k.Cond && Flag(Stt->SectionViewer(k.Section), k.Name)) AddCond(k.Cond);
  AddCond(srvrType == 3 ? "Oracle" : "NonOracle");
  if (msOrSybase) AddCond("MSSQLSybase");
  if (srvrType == 4) AddCond("Postgres");
  // Servers whose SQL marks a Unicode text literal N'...' (Sybase has no such literal).
  if (srvrType == 1 || srvrType == 3) AddCond("NationalLiterals");
  AddCond(Flag(af, "EventsClass") ? "WithEvents" : "NoEvents");
  if (trans == 1) AddCond("TransCOMP");
  if (trans == 2) AddCond("TransADO");
  if (trans == 3) AddCond("TransAuto");
  if (connSrc == 1) AddCond("ConnInConstrStr");
  if (connSrc == 2) {
    AddCond("UseLinkFile");
    if (Lng(af, "LinkFileMode") == 2) AddCond("LinkFileAddPath");
  }
  if (connSrc == 3) AddCond("ConnInRegistry");
  AddCond(Flag(eh, "UseFaultnet") ? "UseFaultnet" : "NoFaultnet");
  // How the error library's database log calls its procedure, as each server's SQL does.
  // SQL Server: Exec with the report as N'...', since a plain literal reaches it in the
  // database's code page, where every character it lacks becomes "?" ("nchar and nvarchar
  // (Transact-SQL)": Unicode constants need the N prefix). Oracle has no Exec statement: its
  // console client's EXECUTE runs one PL/SQL statement ("EXECUTE", SQL*Plus User's Guide and
  // Reference), and a client sends a procedure call as an anonymous block, BEGIN call; END;,
  // which is an executable statement ("Block", PL/SQL Language Reference); the report is its
  // national-character literal ("Text Literals", SQL Language Reference). PostgreSQL has no
  // Exec either: a procedure is run by CALL ("CALL", PostgreSQL 11 and later), and N'...'
  // would be the blank-padded type character. Sybase has no national literal: the
  // connection's character set carries the text, as it does for Access.
  if (Flag(eh, "UseFaultnet") && Flag(eh, "LogToDB"))
    AddCond(srvrType == 1   ? "ErrLogNational"
            : srvrType == 3 ? "ErrLogBlock"
            : srvrType == 4 ? "ErrLogCall"
                            : "ErrLogPlain");
  AddCond("AddErrProps");
  AddCond("AddTestConn");
  if (msOrSybase) {
    AddCond("StdRetVal");
    AddCond("ProcGroup");
  }
  AddB("StdPriv");
  // PostgreSQL functions whose rows come through a cursor.
  if (srvrType == 4) AddB("MethPgCursor");
  AddB("MethHandleError");
  if (!Flag(code, "NoDBEnums")) AddCond("WithEnums");
}

void CCodeBuilder::State::BuildRefValues() {
  RefValues.Clear();
  CSettings& stt = *Stt;
  bwXMLBrowser& server = *stt.xServer;
  bwXMLBrowser& af = *stt.xAddnlFunc;
  bwXMLBrowser& eh = *stt.xErrHndl;
  bwXMLBrowser& io = *stt.xIniOptions;

  std::string className = stt.GetClassName();
  AddRef("ClassName", className.empty() ? "clsName" : std::move(className));
  AddRef("DateTime", VBDate::Format(VBDate::Now(), "Dd mmm yyyy, Hh:nn "));
  AddRef("AppName", "Procforge");
  AddRef("CompanyName", "Brandywick");
  AddRef("ProcforgeVersion", VersionLine());
  // The heading comment names the catalogue's connection, never its password.
  AddRef("ProcforgeConnectionString", VBSource::CommentText(Quoted(Secrets::Mask(Str(server, "ConnPfg")))));

  std::string deps;
  auto addDep = [&deps](const char* name) {
    if (!deps.empty()) deps += ", ";
    deps += name;
  };
  // The object control and construction interfaces come from the COM+ library too.
  if (Flag(af, "COMPlus") || Flag(af, "COMPObjControl") || Flag(af, "COMPObjConstruct"))
    addDep("COM+ Services Type Library");
  if (Flag(eh, "UseFaultnet")) addDep("Faultnet31.Bas");
  if (Flag(af, "XMLBasic") || Flag(af, "XMLAdvanced")) addDep("pfgXMLUtils.Bas");
  AddRef("Dependencies", std::move(deps));

  AddRef("mRecordset", "mRecordset");
  AddRef("DefaultCursorLocation", MADOUtils::uCurLocAsString(Lng(io, "CurLocation")));
  AddRef("DefaultCursorType", MADOUtils::uCurTypeAsString(Lng(io, "CurType")));
  AddRef("DefaultLockType", MADOUtils::uLockTypeAsString(Lng(io, "LockType")));
  AddRef("DefaultConnectionTimeout", std::to_string(Lng(io, "ConnTimeout")));
  AddRef("DefaultCommandTimeout", std::to_string(Lng(io, "CmdTimeout")));
  AddRef("DefaultADOExecOptions", stt.DefaultADOExecOptionsSum());
  std::string options = stt.DefaultOptionsSum();
  MMethUtils::uBreakLine22(options, kOptionsIndent, "+");
  AddRef("DefaultOptions", std::move(options));

  const int32_t connSrc = Lng(af, "ConnSrcType");
  if (connSrc == 2) {
    const std::string linkFile = Str(af, "LinkFile");
    AddLiteralRef("LinkFileName", Lng(af, "LinkFileMode") == 0 ? linkFile : MUtils::SplitPath(linkFile).FileName,
                  "AddnlFunc.LinkFile");
  }
  if (connSrc == 3) {
    AddLiteralRef("RegistryPath", Str(af, "RegSubKey"), "AddnlFunc.RegSubKey");
    AddLiteralRef("RegistryValueName", Str(af, "RegValName"), "AddnlFunc.RegValName");
    // A literal of the generated language: an absent key must still give a value.
    AddRef("RegRaiseError", Flag(af, "ErrIfRegFailed") ? "True" : "False");
  }
  // Without this entry the reference resolves to the library block of the same name,
  // which checks the connection the class reads from a link file or the registry.
  if (connSrc != 2 && connSrc != 3) AddRef("CodeCheckConnectionAssigned", "");

  AddLiteralRef("OraDateFmt", Str(af, "BatchDateFmt"), "AddnlFunc.BatchDateFmt");
  const std::string logFile = Str(eh, "LogFileName");
  AddLiteralRef("ErrorFile", IsBlank(logFile) ? "Errors.txt" : logFile, "ErrHndl.LogFileName");
  const std::string defaultConn = Str(io, "ConnDftString");
  // The default connection is the user's choice and goes in as it is; its password can
  // be read by anyone who has the class.
  if (Flag(io, "ConnUseDft") && Secrets::HoldsPassword(defaultConn))
    Progress->Warning("The default connection string compiled into the class holds a password (" +
                      Secrets::Mask(defaultConn) + "); anyone who has the class can read it.");
  AddLiteralRef("DefaultConnection", defaultConn, "IniOptions.ConnDftString");
  AddRef("ErrAppID", "1");
  const std::string logSP = Str(eh, "ErrLogSPName");
  AddLiteralRef("ErrLogSpName", IsBlank(logSP) ? "spErrorLogInsert" : logSP, "ErrHndl.ErrLogSPName");
}

void CCodeBuilder::Done() {
  State& s = *s_;
  s.Blocks = CBlocks();
  s.LibStream = CTextStream();
  s.LibText = MCodeLib::LibraryText();
  s.RefValues.Clear();
  s.MethColl = CMethColl();
  s.Stt = nullptr;
  s.Progress = nullptr;
}

}  // namespace pf
