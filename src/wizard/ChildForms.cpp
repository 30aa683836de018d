#include "wizard/ChildForms.h"

#include <algorithm>
#include <map>

#include "wizard/pages/frmChild0StartPage.h"
#include "wizard/pages/frmChildBuildCode.h"
#include "wizard/pages/frmChildErrHndl.h"
#include "wizard/pages/frmChildErrHndlLog.h"
#include "wizard/pages/frmChildFunc.h"
#include "wizard/pages/frmChildFuncBatch.h"
#include "wizard/pages/frmChildFuncComp.h"
#include "wizard/pages/frmChildFuncConnSrc.h"
#include "wizard/pages/frmChildFuncRSNav.h"
#include "wizard/pages/frmChildFuncSQL.h"
#include "wizard/pages/frmChildFuncTrans.h"
#include "wizard/pages/frmChildFuncXML.h"
#include "wizard/pages/frmChildInclude.h"
#include "wizard/pages/frmChildInit.h"
#include "wizard/pages/frmChildInitADO.h"
#include "wizard/pages/frmChildInitAfterExec.h"
#include "wizard/pages/frmChildInitConnDft.h"
#include "wizard/pages/frmChildInitErrH.h"
#include "wizard/pages/frmChildInitNulls.h"
#include "wizard/pages/frmChildInitStrLen.h"
#include "wizard/pages/frmChildMeth.h"
#include "wizard/pages/frmChildMethDTOvrd.h"
#include "wizard/pages/frmChildMethFKNulls.h"
#include "wizard/pages/frmChildMethFilter.h"
#include "wizard/pages/frmChildMethNames.h"
#include "wizard/pages/frmChildMethPackages.h"
#include "wizard/pages/frmChildMethPrmNames.h"
#include "wizard/pages/frmChildMethRetVal.h"
#include "wizard/pages/frmChildMethTypeModel.h"
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
  // position in the creation order of the pages, factory.
  static const std::vector<ChildFormDecl> table = {
      {"frmChild0StartPage", "Procforge", 0, "Procforge", 0, &Make<frmChild0StartPage>},
      {"frmChildProfile", "Profile", 1, "Write", 1, &Make<frmChildProfile>},
      {"frmChildSrvr", "Database Server", 1, "Server2", 2, &Make<frmChildSrvr>},
      {"frmChildStdConfigs", "Predefined Configurations", 1, "Wizard", 3, &Make<frmChildStdConfigs>},
      {"frmChildMeth", "Stored Procedures", 1, "SProc", 4, &Make<frmChildMeth>},
      {"frmChildMethPackages", "Oracle Packages", 2, "OptCh", 9, &Make<frmChildMethPackages>},
      {"frmChildMethFilter", "Procedures Filter", 2, "OptCh", 6, &Make<frmChildMethFilter>},
      {"frmChildMethRetVal", "Return Values", 2, "OptCh", 10, &Make<frmChildMethRetVal>},
      {"frmChildMethNames", "Method Names", 2, "OptCh", 8, &Make<frmChildMethNames>},
      {"frmChildMethPrmNames", "Parameters Names", 2, "OptCh", 11, &Make<frmChildMethPrmNames>},
      {"frmChildMethTypeModel", "Parameters Direction/Types", 2, "OptCh", 12, &Make<frmChildMethTypeModel>},
      {"frmChildMethFKNulls", "Nullable Foreign Keys", 2, "OptCh", 7, &Make<frmChildMethFKNulls>},
      {"frmChildMethDTOvrd", "Data Types Overriding", 2, "OptCh", 5, &Make<frmChildMethDTOvrd>},
      {"frmChildFunc", "Class Functionality", 1, "RemAuto", 13, &Make<frmChildFunc>},
      {"frmChildFuncComp", "COM+", 2, "OptCh", 14, &Make<frmChildFuncComp>},
      {"frmChildFuncTrans", "Transactions", 2, "OptCh", 15, &Make<frmChildFuncTrans>},
      {"frmChildFuncConnSrc", "Class Connection Source", 2, "OptCh", 16, &Make<frmChildFuncConnSrc>},
      {"frmChildFuncSQL", "SQL", 2, "OptCh", 18, &Make<frmChildFuncSQL>},
      {"frmChildFuncBatch", "Batch Execution", 2, "OptCh", 19, &Make<frmChildFuncBatch>},
      {"frmChildFuncRSNav", "ADO Helper Methods", 2, "OptCh", 17, &Make<frmChildFuncRSNav>},
      {"frmChildFuncXML", "XML", 2, "OptCh", 20, &Make<frmChildFuncXML>},
      {"frmChildErrHndl", "Error Handling", 1, "ErrH", 21, &Make<frmChildErrHndl>},
      {"frmChildErrHndlLog", "Error Log", 2, "OptCh", 22, &Make<frmChildErrHndlLog>},
      {"frmChildInit", "Initial Class Settings", 1, "Init", 23, &Make<frmChildInit>},
      {"frmChildInitADO", "ADO", 2, "OptCh", 25, &Make<frmChildInitADO>},
      {"frmChildInitConnDft", "Class Default Connection", 2, "OptCh", 24, &Make<frmChildInitConnDft>},
      {"frmChildInitAfterExec", "Automatic Actions", 2, "OptCh", 26, &Make<frmChildInitAfterExec>},
      {"frmChildInitNulls", "Nulls Handling", 2, "OptCh", 28, &Make<frmChildInitNulls>},
      {"frmChildInitStrLen", "String Length Check", 2, "OptCh", 29, &Make<frmChildInitStrLen>},
      {"frmChildInitErrH", "Error Handling Behavior", 2, "OptCh", 27, &Make<frmChildInitErrH>},
      {"frmChildInclude", "Include/Overwrite Code", 1, "IncCode", 30, &Make<frmChildInclude>},
      {"frmChildOutputFiles", "Output Files", 1, "Class", 31, &Make<frmChildOutputFiles>},
      {"frmChildBuildCode", "Generate Code", 1, "Flash", 32, &Make<frmChildBuildCode>},
      {"frmChildRunVBProject", "Results", 1, "VBProject", 33, &Make<frmChildRunVBProject>},
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
  return found != Overrides().end() ? found->second(parent) : decl.Create(parent);
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
