#include "wizard/ChildForms.h"

#include <algorithm>
#include <map>

#include "wizard/pages/CTablePage.h"
#include "wizard/pages/frmChild0StartPage.h"
#include "wizard/pages/frmChildBuildCode.h"
#include "wizard/pages/frmChildFuncConnSrc.h"
#include "wizard/pages/frmChildInclude.h"
#include "wizard/pages/frmChildInitConnDft.h"
#include "wizard/pages/frmChildInitStrLen.h"
#include "wizard/pages/frmChildMethPackages.h"
#include "wizard/pages/frmChildOutputFiles.h"
#include "wizard/pages/frmChildProfile.h"
#include "wizard/pages/frmChildRunVBProject.h"
#include "wizard/pages/frmChildSrvr.h"
#include "wizard/pages/frmChildStdConfigs.h"

namespace pf::wizard {

namespace {

std::map<std::string, std::function<CChildForm*(QWidget*)>>& Overrides() {
  static std::map<std::string, std::function<CChildForm*(QWidget*)>> overrides;
  return overrides;
}

template <class Page>
CChildForm* Make(QWidget* parent) {
  return new Page(parent);
}

}  // namespace

const std::vector<ChildFormDecl>& ChildFormTable() {
  // Tree order (also the order of Next and Previous): tag, node text, level, image key,
  // help anchor, position in the creation order of the pages, factory (none: the page is
  // its row of the page table).
  static const std::vector<ChildFormDecl> table = {
      {"frmChild0StartPage", "Procforge", 0, "Procforge", "StartPage", 0, Make<frmChild0StartPage>},
      {"frmChildProfile", "Profile", 1, "Write", "ProfilePage", 1, &Make<frmChildProfile>},
      {"frmChildSrvr", "Database Server", 1, "Server2", "ServerPage", 2, &Make<frmChildSrvr>},
      {"frmChildStdConfigs", "Predefined Configurations", 1, "Wizard", "StdConfigPage", 3, &Make<frmChildStdConfigs>},
      {"frmChildMeth", "Stored Procedures", 1, "SProc", "StoredProcPage", 4, nullptr},
      {"frmChildMethPackages", "Oracle Packages", 2, "OptCh", "OraPackagesPage", 9, &Make<frmChildMethPackages>},
      {"frmChildMethFilter", "Procedures Filter", 2, "OptCh", "ProcFilterPage", 6, nullptr},
      {"frmChildMethRetVal", "Return Values", 2, "OptCh", "RetValPage", 10, nullptr},
      {"frmChildMethNames", "Method Names", 2, "OptCh", "MethNamesPage", 8, nullptr},
      {"frmChildMethPrmNames", "Parameter Names", 2, "OptCh", "ParamNamesPage", 11, nullptr},
      {"frmChildMethTypeModel", "Parameters Direction/Types", 2, "OptCh", "ParamDirTypesPage", 12, nullptr},
      {"frmChildMethFKNulls", "Nullable Foreign Keys", 2, "OptCh", "NullFKPage", 7, nullptr},
      {"frmChildMethDTOvrd", "Data Types Overriding", 2, "OptCh", "DTOvrrdPage", 5, nullptr},
      {"frmChildFunc", "Class Functionality", 1, "RemAuto", "ClassFuncPage", 13, nullptr},
      {"frmChildFuncComp", "COM+", 2, "OptCh", "COMPlusPage", 14, nullptr},
      {"frmChildFuncTrans", "Transactions", 2, "OptCh", "TransPage", 15, nullptr},
      {"frmChildFuncConnSrc", "Class Connection Source", 2, "OptCh", "ConnSrcPage", 16, &Make<frmChildFuncConnSrc>},
      {"frmChildFuncSQL", "SQL", 2, "OptCh", "SQLPage", 18, nullptr},
      {"frmChildFuncBatch", "Batch Execution", 2, "OptCh", "BatchPage", 19, nullptr},
      {"frmChildFuncRSNav", "ADO Helper Methods", 2, "OptCh", "AdoHelperMethPage", 17, nullptr},
      {"frmChildFuncXML", "XML", 2, "OptCh", "XMLPage", 20, nullptr},
      {"frmChildErrHndl", "Error Handling", 1, "ErrH", "ErrHPage", 21, nullptr},
      {"frmChildErrHndlLog", "Error Log", 2, "OptCh", "ErrorLogPage", 22, nullptr},
      {"frmChildInit", "Initial Class Settings", 1, "Init", "InitSttPage", 23, nullptr},
      {"frmChildInitADO", "ADO", 2, "OptCh", "ADOPage", 25, nullptr},
      {"frmChildInitConnDft", "Class Default Connection", 2, "OptCh", "DftConnPage", 24, &Make<frmChildInitConnDft>},
      {"frmChildInitAfterExec", "Automatic Actions", 2, "OptCh", "AutoActionsPage", 26, nullptr},
      {"frmChildInitNulls", "Nulls Handling", 2, "OptCh", "NullsHandlingPage", 28, nullptr},
      {"frmChildInitStrLen", "String Length Check", 2, "OptCh", "StrLenCheckPage", 29, &Make<frmChildInitStrLen>},
      {"frmChildInitErrH", "Error Handling Behavior", 2, "OptCh", "InitErrHPage", 27, nullptr},
      {"frmChildInclude", "Include/Overwrite Code", 1, "IncCode", "IncCodePage", 30, &Make<frmChildInclude>},
      {"frmChildOutputFiles", "Output Files", 1, "Class", "OutFilesPage", 31, &Make<frmChildOutputFiles>},
      {"frmChildBuildCode", "Generate Code", 1, "Flash", "GenCodePage", 32, &Make<frmChildBuildCode>},
      {"frmChildRunVBProject", "Results", 1, "VBProject", "ResultsPage", 33, &Make<frmChildRunVBProject>},
  };
  return table;
}

std::vector<const ChildFormDecl*> ChildFormsInLoadOrder() {
  std::vector<const ChildFormDecl*> order;
  for (const ChildFormDecl& d : ChildFormTable()) order.push_back(&d);
  std::sort(order.begin(), order.end(),
            [](const ChildFormDecl* a, const ChildFormDecl* b) { return a->LoadPosition < b->LoadPosition; });
  return order;
}

int ParentIndex(size_t index) {
  const auto& table = ChildFormTable();
  for (size_t i = index; i-- > 0;)
    if (table[i].Level < table[index].Level) return static_cast<int>(i);
  return -1;
}

CChildForm* CreateChildForm(const ChildFormDecl& decl, QWidget* parent) {
  const auto found = Overrides().find(decl.Tag);
  if (found != Overrides().end()) return found->second(parent);
  return decl.Create ? decl.Create(parent) : new CTablePage(decl.Tag, parent);
}

void OverrideChildForm(const std::string& tag, std::function<CChildForm*(QWidget*)> factory) {
  if (factory)
    Overrides()[tag] = std::move(factory);
  else
    Overrides().erase(tag);
}

const ChildFormDecl* FindChildFormDecl(std::string_view tag) {
  for (const ChildFormDecl& d : ChildFormTable())
    if (tag == d.Tag) return &d;
  return nullptr;
}

}  // namespace pf::wizard
