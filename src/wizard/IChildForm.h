#pragma once
// The contract of every wizard page, called by the main window on every page change,
// at generation start and at exit. Pages hold no settings of their own: what they show
// comes from the profile when they are entered and goes back when they are left.

#include <string>

namespace pf::wizard {

// Direction of CopyControls.
enum CopyDirection : int { CD_TO_PROFILE = 0, CD_TO_CONTROLS = 1 };

class IChildForm {
 public:
  virtual ~IChildForm() = default;
  // 0: the page's controls are stored into the profile; 1: the profile is loaded into
  // the controls. Errors are recorded under "<page>.CopyControls(ACopyDir)" and passed on.
  virtual void CopyControls(int ACopyDir) = 0;
  // Sets the controls' enabled states from the profile and the page's own controls.
  virtual void EnableControls() = 0;
  // The page's anchor in the user guide.
  virtual std::string HelpAnchor() const = 0;
};

}  // namespace pf::wizard
