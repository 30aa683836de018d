#pragma once
// What the wizard does for keyboard users and screen readers beyond Qt's defaults.
//
// - Install(): the accessibility layer reports the wizard's own top-level windows (plain
//   QWidget windows) as frames rather than as anonymous fillers, and names a combo box by
//   its label (its accessible name) with the chosen entry as its value; Qt names combo
//   boxes by their current entry on this platform. The page tree is a table of the rows the
//   user sees: its selected row is the one shown selected, and its current node is focused
//   only while the keyboard is in the tree.
// - OptionGroup(): an option group is one Tab stop, as desktop option groups are: Tab
//   lands on the set button (the first enabled one when none is set), the arrow keys move
//   the choice within the group.
// - CloseOnEscape(): Escape closes a window beside the main window (help, code viewer), as
//   it closes a dialog.

#include <QList>

class QRadioButton;
class QWidget;

namespace pf::wizard::MAccessibility {

// Installs the accessible-interface factory; once per program, later calls do nothing.
void Install();

// Makes the buttons one Tab stop that follows the set button and the enabled states. The
// buttons keep this for their lifetime.
void OptionGroup(const QList<QRadioButton*>& Buttons);

// Escape anywhere in Window closes it.
void CloseOnEscape(QWidget* Window);

// Gives W the keyboard as Tab would, with the focus mark shown: the style draws the mark
// only in a window whose focus the keyboard moved, and the wizard moves it for the user.
void FocusWithMark(QWidget* W);

}  // namespace pf::wizard::MAccessibility
