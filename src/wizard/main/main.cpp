// procforge: the wizard. It takes no command-line options.

#include <QApplication>

#include <cstdio>
#include <cstdlib>

#include "platform/StopSignals.h"
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
  pf::wizard::MStartExit::StopOnSignals();
  const int status = QApplication::exec();
  // The last window closing ends the event loop too; a stop signal decides the status.
  const int sig = pf::StopSignals::Received();
  return sig ? pf::StopSignals::ExitStatus(sig) : status;
}
