// procforge: the wizard. It takes no command-line options.

#include <QApplication>

#include <cstdio>
#include <cstdlib>

#include "wizard/MIcons.h"
#include "wizard/MStartExit.h"

namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

int main(int argc, char** argv) {
  // Without a display Qt would abort with a page of advice; one line says it plainly.
  // A platform chosen explicitly (offscreen, vnc, ...) is the user's decision.
  if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && !Set("QT_QPA_PLATFORM")) {
    std::fputs("procforge: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); use procforge-cli without one.\n",
               stderr);
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Procforge");
  QApplication::setApplicationVersion(PF_VERSION);
  QApplication::setDesktopFileName("procforge");
  QApplication::setWindowIcon(pf::wizard::MIcons::AppIcon());
  if (!pf::wizard::MStartExit::Main()) return 1;
  return QApplication::exec();
}
