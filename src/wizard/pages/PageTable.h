#pragma once
// The one description of the wizard's settings pages: for every page its profile
// section, its controls in layout, tab and copy order (name, kind, bound key, caption,
// items, note) and its enable rules. The pages build, bind and enable themselves from
// it, and the tests walk it, so a key or a rule is written once. Qt-free.

#include <string>
#include <string_view>
#include <vector>

namespace pf::wizard::PageTable {

enum class Kind {
  Check,     // QCheckBox bound to a Boolean key
  Text,      // QLineEdit bound to a text key; Caption is its label, or none under a check box
  Number,    // QLineEdit bound to an integer key, taking digits only; Caption is its label
  List,      // drop-down list (QComboBox, not editable) bound to an integer key; Items are its entries
  Options,   // option group (QRadioButton per item, Index 0..n-1) bound to an integer key; Caption is its frame
  EditList,  // editable QComboBox, not bound
  ListBox,   // QListWidget, not bound
  Button,    // QPushButton
  Heading,   // a bold label that starts a part of the page
};

struct Control {
  Kind K;
  const char* Name;     // objectName; for option groups the name every button shares
  const char* Key;      // the profile key it is bound to; nullptr: not bound
  const char* Caption;  // with "&" before the mnemonic letter
  std::vector<const char*> Items = {};
  const char* Note = nullptr;  // shown under the control, styled as a note
  bool SameRow = false;        // placed to the right of the control before it
};

// One term of an enable rule; a rule holds when all its terms hold.
struct Term {
  enum Op {
    ServerIs,   // the profile's server type is one of Mask's bits (1 << type)
    Ticked,     // the page's check box Name is ticked
    NotBlank,   // the page's text Name holds more than blanks
    OptionSet,  // button Index of the page's option group Name is set
    Enabled,    // the page's control Name is enabled (rules apply in order)
    KeyTrue,    // the profile key "Section.Key" in Name holds "True"
    KeyNotZero, // the profile key "Section.Key" in Name reads as an integer other than 0
  };
  Op Is;
  const char* Name = nullptr;
  int Value = 0;  // ServerIs: the mask; OptionSet: the index
  bool Negate = false;
};

struct Rule {
  const char* Target;  // a control of the page
  int Index;           // one button of an option group; -1: every control of that name
  std::vector<Term> When = {};
};

struct Page {
  const char* Name;     // the page's window name
  const char* Section;  // the profile section its keys belong to; nullptr: none
  const char* Instruct; // what the page's options do to the generated class
  std::vector<Control> Controls = {};
  std::vector<Rule> Rules = {};
  // The page builds its own controls (the start, build and results pages); the
  // table still names its bound controls for the tests.
  bool OwnLayout = false;
  // The module name its error reports carry when it differs from Name.
  const char* ReportName = nullptr;
};

// All pages, in the order of the navigation tree.
const std::vector<Page>& Pages();
// The page of that name; nullptr when none.
const Page* Find(std::string_view name);
// The control of that name of a page; nullptr when none. Pages with their own layout
// take their captions and labels from here.
const Control* Find(std::string_view page, std::string_view control);

// The text a control is known by: its caption without the access-key "&" and without a
// closing ":"; a text field without a caption takes that of the check box before it.
std::string Label(const Page& page, const Control& control);
// A profile key as the wizard names it in messages: the label of its field, the page,
// and the key in brackets, for example "Class file" on the page Output Files
// [Code.ClassFile]. Empty for a key no page binds.
std::string FieldName(std::string_view Section, std::string_view Key);

// Term builders, so that the table reads like the rules.
Term ServerIs(std::initializer_list<int> types);
inline Term Ticked(const char* name) { return {Term::Ticked, name}; }
inline Term NotBlank(const char* name) { return {Term::NotBlank, name}; }
inline Term OptionSet(const char* name, int index) { return {Term::OptionSet, name, index}; }
inline Term OptionNotSet(const char* name, int index) { return {Term::OptionSet, name, index, true}; }
inline Term Enabled(const char* name) { return {Term::Enabled, name}; }
inline Term KeyTrue(const char* sectionKey) { return {Term::KeyTrue, sectionKey}; }
inline Term KeyNotZero(const char* sectionKey) { return {Term::KeyNotZero, sectionKey}; }

}  // namespace pf::wizard::PageTable
