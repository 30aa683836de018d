#pragma once
// Catalogue extractor for Oracle, on the data dictionary views of the connected schema.
//
// Procedure list: Filter is a comma-separated list of package names, "(Unpackaged)"
// standing for the procedures and functions outside packages; per entry, in the order
// given, the objects of user_arguments that are not overloaded, in name order, with the
// procedures without arguments that only user_procedures lists (12.1.0.2 and later). Proc
// carries Package (capitalised as in the loaded source; empty outside packages), Name
// (package, ".", object for packaged ones) and IsFunction "True" for functions only.
//
// Parameter list: the arguments of user_arguments in sequence order, with names
// capitalised as written in the package declaration (or the stand-alone procedure's
// source), because the dictionary holds them in upper case only. REF CURSOR arguments
// are left out; the fields of composite arguments are marked DataTypeNotSupported and make
// the root's NotSupported "True", as does a composite argument that has no field rows
// (18c and later). A list that comes back empty says why in LeftOut().
//
// Names put into the dictionary queries have their apostrophes doubled, so a name never
// changes a query's meaning. The loaded source is cached for consecutive procedures of
// one package (or one stand-alone procedure).

#include <memory>
#include <string>
#include <vector>

#include "extract/ISrvrExtractor.h"

namespace pf {

class CSrvrOraADO : public ISrvrExtractor {
 public:
  void SetServer(std::shared_ptr<CServer> Server) override { server_ = std::move(Server); }
  std::string xmlGetSPList(const std::string& Filter) override;
  std::string xmlGetSPParameters(const std::string& SPName) override;
  std::vector<std::string> LeftOut() const override { return leftOut_; }
  std::vector<CatalogueStatement> CatalogueStatements(const std::string& Filter,
                                                      const std::string& SampleProc) const override;

  // OraName (upper case) as spelled in the loaded source: the first place where it stands
  // between two blanks (after "(", ")", ";" and line ends became blanks); OraName
  // unchanged when it does not occur so.
  std::string GetOrigCap(const std::string& OraName);

 private:
  // Loads the declaration (PACKAGE, not PACKAGE BODY) of Package, or without a package the source of the
  // stand-alone procedure ProcName, unless it is the one loaded already.
  void LoadPackageDecl(const std::string& Package, const std::string& ProcName);
  std::string Value(const std::string& FieldName);
  static int DirFromInOut(const std::string& InOut);

  std::shared_ptr<CServer> server_;
  std::vector<std::string> leftOut_;  // why the last list is empty, when it is
  bool loaded_ = false;
  std::string loadedPackage_;
  std::string loadedProc_;
  std::string source_;
  std::string upperSource_;
};

}  // namespace pf
