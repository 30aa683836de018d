#pragma once
// The end of every user-interface entry point (each Qt slot): the body runs under the
// entry's own name ("frm0MDIMain.btnNext_Click"), and any error it raises is recorded
// with the error library under that name and handed to HandleUIError, which shows it.
// Nothing escapes: a slot never lets an exception reach Qt's event loop.
//
//   connect(btnNext, &QPushButton::clicked, this, [this] {
//     UIEntry("frm0MDIMain.btnNext_Click", [&] { SelectNextTreeNode(); });
//   });

#include <string_view>

#include "errors/ErrGuard.h"
#include "shell/MGlobals.h"

namespace pf::wizard {

// Returns true when the body ran to its end.
template <class F, class... A>
bool UIEntry(std::string_view procName, F&& body, const A&... args) noexcept {
  try {
    ErrGuard(procName, std::forward<F>(body), args...);
    return true;
  } catch (...) {
    MGlobals::HandleUIError();
    return false;
  }
}

}  // namespace pf::wizard
