#pragma once
// An ordered collection of procedures (CMethod) with the declarations text before the
// first of them: gathers the stored-procedure methods, re-reads a whole class text to
// rewrite error handlers, merge an include file, add fragments and list public members.
// Every operation is linear in the text it handles.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "builder/CMethod.h"
#include "vbcheck/VBCheck.h"

namespace pf {

class CMethColl {
 public:
  // The declarations: every line before the first procedure header, each preceded by CR LF.
  std::string Decl;

  // Empties the method list and Decl.
  void InitEmpty();

  // Parses ACode (CR LF lines) into Decl and methods. With UseTags only the lines between
  // "'BeginInclude" and "'EndInclude" tag lines count. Lines between two procedures belong
  // to the following one; the comment block that ends the declarations moves to the first
  // procedure; lines after the last procedure end are dropped.
  void Init(std::string_view ACode, bool UseTags);

  // What the Visual Basic checker finds in the code Init(ACode, UseTags) takes, read as a
  // piece of a module; the findings carry ACode's own line numbers.
  static std::vector<VBFinding> CheckCode(std::string_view ACode, bool UseTags);

  int32_t MethodCount() const noexcept { return static_cast<int32_t>(methods_.size()); }
  // Methods by position from 0 (must be below MethodCount).
  const CMethod& Method(int32_t Index) const { return methods_.at(static_cast<size_t>(Index)); }
  CMethod& Method(int32_t Index) { return methods_.at(static_cast<size_t>(Index)); }

  void AddMethod(CMethod AMeth);

  // Decl, CR LF and the sources joined with CR LF; empty when there is no method.
  std::string GetSource() const;
  // The pieces GetSource joins, in order: Decl, then each method's source; none when there
  // is no method. For a caller that copies them on its own terms.
  void ForEachSourcePiece(const std::function<void(std::string_view)>& Piece) const;
  // GetSource's length.
  size_t SourceSize() const;

  // The parameter definitions of all methods not marked SkipParamDefs, without empty lines
  // except one before every "Public Const SP_" line but the first.
  std::string AssembleParamDefs() const;

  // CMethod::SetupErrHandlers on every method, in order.
  void SetupErrHandlers(bool UseFaultnet, bool AddStopOnError, bool DisOnError);

  // Puts AFragment directly before the first procedure matching NextToProc, or at the end
  // of Decl when NextToProc is empty or matches nothing.
  void AddCodeFragment(std::string_view AFragment, std::string_view NextToProc);

  // The first method whose name matches the name pattern ProcPttn (case ignored), or
  // nullptr. The pointer stays valid until the list changes.
  CMethod* LocateProc(std::string_view ProcPttn);

  // The commented declaration of every method, each after CR LF, with CR LF CR LF pairs
  // replaced by CR LF in one pass.
  std::string GetCommentedPublicList() const;

  // Merges FromColl: a method of the same name (case ignored) and kind is overwritten and
  // marked "'#(Overwritten)", any other is appended and marked "'#(Included)"; FromColl's
  // Decl is appended after a "'#(Included)" line.
  void OverrideCode(const CMethColl& FromColl);

  // The first method named MethName (case ignored) of exactly the kind ProcType.
  bool FindMethod(std::string_view MethName, std::string_view ProcType, CMethod*& oMeth);

 private:
  std::vector<CMethod> methods_;
};

}  // namespace pf
