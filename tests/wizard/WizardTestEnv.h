#pragma once
// Fixture of the wizard's tests: a temporary program folder holding the built code
// library and user guide, the modal windows scripted (NextAnswers), a fade clock the test
// moves, and the program started with MStartExit::Main and ended after the test.

#include <gtest/gtest.h>

#include <QPushButton>
#include <QString>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/TestEnv.h"
#include "wizard/NextAnswers.h"

namespace pf {
class CSettings;
}

namespace pf::wizard {
class CChildForm;
class frm0MDIMain;
class frmDataLink;
}  // namespace pf::wizard

namespace wizardtest {

// The wizard's tests name the program's classes without their namespaces.
using namespace pf;
using namespace pf::wizard;

// What p points to. A test that does not find what it needs stops there, failing with the
// name of what it looked for (the exception fails the test), instead of dereferencing a
// null pointer and ending the whole test program.
template <class T>
T& Need(T* p, const std::string& what) {
  if (!p) throw std::runtime_error("not found: " + what);
  return *p;
}
// The child of Parent named Name (Parent may be null: then nothing is found).
template <class T>
T& Child(const QObject* Parent, const QString& Name) {
  return Need(Parent ? Parent->findChild<T*>(Name) : nullptr, Name.toStdString());
}

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the program; the root page is shown.
  void Start();
  pf::wizard::frm0MDIMain& Main() const { return Need(main, "the main window"); }
  pf::CSettings& Settings() const;

  // Clicks a widget of the main window or of a page by its objectName.
  void Click(const QString& name);
  void DoubleClick(const QString& name);
  QPushButton& Button(const QString& name) const;
  std::string Current() const;   // the current page's name
  std::string Selected() const;  // the selected node's tag

  // A sample profile (the SQL Server one unless named), writing the class (and the
  // parameter-definitions module unless ModuleFile is empty) without asking before
  // overwriting.
  void UseSampleProfile(const std::string& ClassFile, const std::string& ModuleFile,
                        const std::string& Sample = "mssql/OrderEntry.PFG");
  // The connection-string dialog, when it opens, gets Edit applied and is accepted.
  void AcceptDataLink(std::function<void(pf::wizard::frmDataLink&)> Edit = {});
  // Starts a generation run from the build page with the code viewers on.
  void GenerateWithViewers();

  // Texts the scripted message windows showed.
  std::vector<std::string> Shown() const;
  void Answer(bool yes) { script->MessageAnswers.push_back(yes ? 6 : 7); }

  pftest::TempDir dir;
  pf::wizard::NextAnswers::Script* script = nullptr;
  pf::wizard::frm0MDIMain* main = nullptr;
  qint64 clockMs = 1'000'000;
};

// The lines of a file under tests/data/wizard that are neither blank nor comments.
inline std::vector<std::string> DataLines(const std::string& file) { return pftest::DataLines("wizard/" + file); }
// The tree tags in order, as tests/data/wizard/tree.txt gives them.
std::vector<std::string> TreeTags();

}  // namespace wizardtest
