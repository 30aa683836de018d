// procforge: the wizard. Its only command-line options are --help and --version; a file
// named on the command line is the profile it opens.

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/Version.h"
#include "platform/Heap.h"
#include "platform/StopSignals.h"
#include "wizard/MIcons.h"
#include "wizard/MStartExit.h"

namespace {

const char* Env(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

// Qt ends a program whose display cannot be opened with a fatal message and a page of
// advice. While the application object is built, its messages are held back; a fatal one
// becomes one line naming the display, and the program ends with status 1.
QtMessageHandler heldHandler = nullptr;
QList<QPair<QtMsgType, QString>>* held = nullptr;

void HoldMessages(QtMsgType type, const QMessageLogContext& context, const QString& msg) {
  if (type != QtFatalMsg) {
    held->append({type, msg});
    return;
  }
  const char* display = Env("DISPLAY");
  const char* variable = display ? "DISPLAY" : Env("WAYLAND_DISPLAY") ? "WAYLAND_DISPLAY" : "QT_QPA_PLATFORM";
  std::fprintf(stderr, "procforge: cannot open the display %s (%s); use procforge-cli without one.\n",
               Env(variable) ? Env(variable) : "", variable);
  std::_Exit(1);
}

constexpr const char* kUsage =
    "Usage: procforge [--help | --version] [PROFILE.PFG]\n"
    "Opens the wizard on PROFILE.PFG, or on the profile used last. It needs a display (DISPLAY or\n"
    "WAYLAND_DISPLAY); without one, use procforge-cli.\n";

// A wrong command line is refused before any window opens, with status 2.
int Refuse(const std::string& what) {
  std::fprintf(stderr, "procforge: %s\nTry 'procforge --help'.\n", what.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  pf::Heap::Prepare();
  std::string profile;
  bool optionsEnd = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!optionsEnd && arg == "--version") {
      std::printf("procforge %s\n", pf::VersionLine().c_str());
      return 0;
    }
    if (!optionsEnd && (arg == "--help" || arg == "-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (!optionsEnd && arg == "--") {
      optionsEnd = true;
    } else if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
      return Refuse("unknown option '" + std::string(arg) + "'");
    } else if (!profile.empty()) {
      return Refuse("one profile at a time: '" + profile + "' and '" + std::string(arg) + "'");
    } else {
      profile = arg;
    }
  }
  if (!profile.empty()) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(profile, ec)) return Refuse("no such profile file: '" + profile + "'");
  }
  // Without a display Qt would abort with a page of advice; one line says it plainly.
  // A platform chosen explicitly (offscreen, vnc, ...) is the user's decision.
  if (!Env("DISPLAY") && !Env("WAYLAND_DISPLAY") && !Env("QT_QPA_PLATFORM")) {
    std::fputs("procforge: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); use procforge-cli without one.\n",
               stderr);
    return 1;
  }
  QList<QPair<QtMsgType, QString>> messages;
  held = &messages;
  heldHandler = qInstallMessageHandler(HoldMessages);
  QApplication app(argc, argv);
  qInstallMessageHandler(heldHandler);
  held = nullptr;
  for (const auto& [type, msg] : messages) qt_message_output(type, QMessageLogContext(), msg);

  QApplication::setApplicationName("Procforge");
  QApplication::setApplicationVersion(PF_VERSION);
  QApplication::setDesktopFileName("procforge");
  QApplication::setWindowIcon(pf::wizard::MIcons::AppIcon());
  if (!pf::wizard::MStartExit::Main(profile)) return 1;
  pf::wizard::MStartExit::StopOnSignals();
  const int status = QApplication::exec();
  // The last window closing ends the event loop too; a stop signal decides the status.
  const int sig = pf::StopSignals::Received();
  return sig ? pf::StopSignals::ExitStatus(sig) : status;
}
