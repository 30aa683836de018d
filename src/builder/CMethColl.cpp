#include "builder/CMethColl.h"

#include "text/MMethUtils.h"
#include "base/SourceText.h"
#include "errors/ErrGuard.h"

namespace pf {

using namespace pf::srctext;

namespace {

bool IsCommentOrBlank(std::string_view line) { return TrimBlanks(line).empty() || line.starts_with('\''); }

// Which lines of a text Init takes, fed one line after the other: all of them, or with tags
// only those between a "'BeginInclude" and an "'EndInclude" line (never the tag lines).
class TagFilter {
 public:
  explicit TagFilter(bool useTags) : useTags_(useTags), taking_(!useTags) {}
  bool Take(std::string_view line) {
    if (useTags_ && MMethUtils::uBeginsWith(line, {"'BeginInclude"})) {
      taking_ = true;
      return false;
    }
    if (useTags_ && MMethUtils::uBeginsWith(line, {"'EndInclude"})) {
      taking_ = false;
      return false;
    }
    return taking_;
  }

 private:
  bool useTags_;
  bool taking_;
};

}  // namespace

void CMethColl::InitEmpty() {
  ErrGuard("CMethColl.InitEmpty", [&] {
    methods_.clear();
    Decl.clear();
  });
}

void CMethColl::Init(std::string_view ACode, bool UseTags) {
  ErrGuard(
      "CMethColl.Init(ACode,UseTags)",
      [&] {
        methods_.clear();
        Decl.clear();
        if (ACode.empty()) return;
        CMethod current;
        bool inDeclarations = true;
        TagFilter tags(UseTags);
        std::string procType, scope, name;
        std::string_view line;
        // Lines that follow one another in ACode are added to the method's source as one
        // piece: CR LF and the lines up to here.
        const char* spanBegin = nullptr;
        const char* spanEnd = nullptr;
        auto flush = [&] {
          if (spanBegin != nullptr) current.AppendSrcLines(std::string_view(spanBegin, spanEnd));
          spanBegin = spanEnd = nullptr;
        };
        auto take = [&](std::string_view l) {
          if (spanBegin != nullptr && l.data() != spanEnd + kCrLf.size()) flush();
          if (spanBegin == nullptr) spanBegin = l.data();
          spanEnd = l.data() + l.size();
        };
        for (LineCursor cursor(ACode); cursor.Next(line);) {
          if (!tags.Take(line)) {
            continue;
          } else if (MMethUtils::uParseMethHeader(line, procType, scope, name)) {
            inDeclarations = false;
            take(line);
            current.Name = name;
            current.ProcType = procType;
            current.Scope = scope;
          } else if (inDeclarations) {
            Decl += kCrLf;
            Decl += line;
          } else {
            take(line);
            if (MMethUtils::uIsProcEnd(line)) {
              flush();
              methods_.push_back(std::move(current));
              current = CMethod();
            }
          }
        }
        if (methods_.empty() || Decl.empty()) return;

        // The comment block (with blank lines) that ends the declarations moves to the
        // first procedure; its lines stay in Decl as empty lines.
        std::vector<std::string_view> lines;
        for (LineCursor cursor(Decl); cursor.Next(line);) lines.push_back(line);
        size_t first = lines.size();
        while (first > 0 && IsCommentOrBlank(lines[first - 1])) --first;
        if (first == lines.size()) return;
        std::string moved, decl;
        for (size_t i = first; i < lines.size(); ++i) {
          moved += lines[i];
          moved += kCrLf;
        }
        for (size_t i = 0; i < lines.size(); ++i) {
          if (i > 0) decl += kCrLf;
          if (i < first) decl += lines[i];
        }
        CMethod& target = methods_.front();
        target.Source.insert(0, moved);
        Decl = std::move(decl);
      },
      ACode, UseTags);
}

std::vector<VBFinding> CMethColl::CheckCode(std::string_view ACode, bool UseTags) {
  // The lines Init leaves out stay as empty lines, so findings keep ACode's line numbers.
  std::string taken;
  taken.reserve(ACode.size());
  TagFilter tags(UseTags);
  std::string_view line;
  for (LineCursor cursor(ACode); cursor.Next(line);) {
    if (tags.Take(line)) taken += line;
    taken += kCrLf;
  }
  return CheckVB(taken, {}, {.Fragment = true});
}

void CMethColl::AddMethod(CMethod AMeth) {
  ErrGuard("CMethColl.AddMethod(AMeth)", [&] { methods_.push_back(std::move(AMeth)); }, AMeth);
}

std::string CMethColl::GetSource() const {
  return ErrGuard("CMethColl.GetSource", [&] {
    std::string out;
    out.reserve(SourceSize());
    bool first = true;
    ForEachSourcePiece([&](std::string_view piece) {
      if (!first) out += kCrLf;
      first = false;
      out += piece;
    });
    return out;
  });
}

void CMethColl::ForEachSourcePiece(const std::function<void(std::string_view)>& Piece) const {
  if (methods_.empty()) return;
  Piece(Decl);
  for (const CMethod& m : methods_) Piece(m.Source);
}

size_t CMethColl::SourceSize() const {
  if (methods_.empty()) return 0;
  size_t size = Decl.size();
  for (const CMethod& m : methods_) size += kCrLf.size() + m.Source.size();
  return size;
}

std::string CMethColl::AssembleParamDefs() const {
  return ErrGuard("CMethColl.AssembleParamDefs", [&] {
    std::string out;
    if (methods_.empty()) return out;
    size_t size = 0;
    for (const CMethod& m : methods_) size += m.ParamDefs.size() + 4;
    out.reserve(size);
    // The definitions joined with CR LF, without blank or empty lines, and with one empty
    // line before every "Public Const SP_" line that follows a line break.
    // Definitions written as read-only properties (their names need character codes)
    // follow all constants: a module declares everything before its first procedure.
    LineJoiner joiner(out);
    std::string_view line;
    for (const bool properties : {false, true}) {
      for (const CMethod& m : methods_) {
        if (m.ParamDefs.starts_with("Public Property Get ") != properties) continue;
        for (LineCursor cursor(m.SkipParamDefs ? std::string_view() : m.ParamDefs); cursor.Next(line);) {
          joiner.BeginLine();
          if (TrimBlanks(line).empty()) continue;
          if (joiner.AfterBreak() && (line.starts_with("Public Const SP_") || line.starts_with("Public Property Get SP_")))
            joiner.Append(kCrLf);
          joiner.Append(line);
        }
      }
    }
    return out;
  });
}

void CMethColl::SetupErrHandlers(bool UseFaultnet, bool AddStopOnError, bool DisOnError) {
  ErrGuard(
      "CMethColl.SetupErrHandlers(UseFaultnet,AddStopOnError,DisOnError)",
      [&] {
        for (CMethod& m : methods_) m.SetupErrHandlers(UseFaultnet, AddStopOnError, DisOnError);
      },
      UseFaultnet, AddStopOnError, DisOnError);
}

void CMethColl::AddCodeFragment(std::string_view AFragment, std::string_view NextToProc) {
  ErrGuard(
      "CMethColl.AddCodeFragment(AFragment,NextToProc)",
      [&] {
        CMethod* target = NextToProc.empty() ? nullptr : LocateProc(NextToProc);
        if (target) {
          std::string source;
          source.reserve(AFragment.size() + 2 + target->Source.size());
          source += AFragment;
          source += kCrLf;
          source += target->Source;
          target->Source = std::move(source);
        } else {
          Decl += kCrLf;
          Decl += AFragment;
        }
      },
      AFragment, NextToProc);
}

CMethod* CMethColl::LocateProc(std::string_view ProcPttn) {
  return ErrGuard(
      "CMethColl.LocateProc(ProcPttn)",
      [&]() -> CMethod* {
        const std::string pattern = NoCase::Lower(ProcPttn);
        for (CMethod& m : methods_)
          if (MMethUtils::uIsLike(NoCase::Lower(m.Name), pattern)) return &m;
        return nullptr;
      },
      ProcPttn);
}

std::string CMethColl::GetCommentedPublicList() const {
  return ErrGuard("CMethColl.GetCommentedPublicList", [&] {
    std::string list;
    for (const CMethod& m : methods_) {
      list += kCrLf;
      m.AppendCommentedDeclaration(list);
    }
    // Replace CR LF CR LF by CR LF in one left-to-right pass.
    std::string out;
    out.reserve(list.size());
    const std::string_view text = list;
    size_t pos = 0;
    for (size_t p; (p = text.find("\r\n\r\n", pos)) != std::string_view::npos; pos = p + 4) {
      out += text.substr(pos, p - pos);
      out += kCrLf;
    }
    out += text.substr(pos);
    return out;
  });
}

bool CMethColl::FindMethod(std::string_view MethName, std::string_view ProcType, CMethod*& oMeth) {
  return ErrGuard(
      "CMethColl.FindMethod(MethName,ProcType,oMeth)",
      [&] {
        for (CMethod& m : methods_) {
          if (NoCase::Equals(m.Name, MethName) && m.ProcType == ProcType) {
            oMeth = &m;
            return true;
          }
        }
        return false;
      },
      MethName, ProcType, oMeth);
}

void CMethColl::OverrideCode(const CMethColl& FromColl) {
  ErrGuard(
      "CMethColl.OverrideCode(FromColl)",
      [&] {
        const size_t count = FromColl.methods_.size();  // FromColl may be this collection
        for (size_t i = 0; i < count; ++i) {
          const CMethod from = FromColl.methods_[i];
          CMethod* target = nullptr;
          std::string_view marker = "\r\n'#(Overwritten)\r\n";
          if (!FindMethod(from.Name, from.ProcType, target)) {
            methods_.emplace_back();
            target = &methods_.back();
            marker = "\r\n'#(Included)\r\n";
          }
          target->Assign(from);
          target->Source.insert(0, marker);
        }
        const std::string fromDecl = FromColl.Decl;
        if (!Decl.empty() && !fromDecl.empty()) Decl += "\r\n'#(Included)\r\n";
        Decl += fromDecl;
      },
      FromColl);
}

}  // namespace pf
