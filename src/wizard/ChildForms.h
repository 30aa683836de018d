#pragma once
// The one declaration of the wizard's 34 pages: the navigation tree is built from this
// table in its order, and the main window creates the pages from it in their creation
// order. A page is added by adding one row here and its row of the page table; only a
// page with behaviour of its own (actions, a layout of its own) also has a class.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace pf::wizard {

class CChildForm;

struct ChildFormDecl {
  const char* Tag;       // the page's window name, which is also the tree node's tag
  const char* NodeText;  // the node's text and the page's heading
  int Level;             // 0 for the root; a node's parent is the nearest row above it with a lower level
  const char* ImageKey;  // the node's picture
  const char* Anchor;    // the page's anchor in the user guide
  int LoadPosition;      // where the page comes in the order the pages are created
  CChildForm* (*Create)(QWidget* parent);  // nullptr: a CTablePage built from the page table
};

// All pages in tree order.
const std::vector<ChildFormDecl>& ChildFormTable();
// All pages in the order they are created.
std::vector<const ChildFormDecl*> ChildFormsInLoadOrder();
// Index of the parent row of ChildFormTable()[index]; -1 for the root.
int ParentIndex(size_t index);
// The row of a tag; nullptr when no page has it.
const ChildFormDecl* FindChildFormDecl(std::string_view tag);

// Creates the page of a row; a page class put in its place by OverrideChildForm wins.
CChildForm* CreateChildForm(const ChildFormDecl& decl, QWidget* parent);
// Puts another page class in the place of a tag for the pages created from now on
// (tests use it to watch the main window's calls); an empty function removes it.
void OverrideChildForm(const std::string& tag, std::function<CChildForm*(QWidget*)> factory);

}  // namespace pf::wizard
