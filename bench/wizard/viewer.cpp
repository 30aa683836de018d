// The code viewer opening whole generated classes: the classes of synthetic SQL Server
// catalogues of 2,000 (about 3 MB) and 10,000 procedures (about 15 MB), each shown with
// SetCode as a generation run does (formatting under a progress channel, the temporary
// file, the view) until the window has been painted; then how soon Cancel takes effect
// while the large class is being formatted, and how long the viewer takes to scroll to
// the end and back afterwards. Run it on a display, for example:
//
//   xvfb-run -a build/bench/bench_viewer [N...]

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/AppPaths.h"
#include "driver/MGlobals.h"
#include "errors/AppError.h"
#include "settings/CSettings.h"
#include "shell/CProgress.h"
#include "support/SyntheticCatalogue.h"
#include "wizard/CCodeView.h"
#include "wizard/frm0VBCode.h"

using namespace pf;

namespace {

// Lets window events run at every event point; presses Cancel at the given one.
struct PumpingDisplay : IProgressDisplay {
  CProgress* progress = nullptr;
  int points = 0;
  int cancelAt = 0;
  QElapsedTimer cancelledAt;
  void SetMessage(const std::string&) override {}
  void DoEvents() override {
    QApplication::processEvents();
    if (cancelAt && ++points == cancelAt) {
      progress->Cancelled = true;
      cancelledAt.start();
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {2000, 10000};

  return pfbench::InTemporaryFolder([&sizes](const std::string& dir) {
    int rc = 0;
    for (int n : sizes) {
      const std::string snapshot = dir + "/synthetic" + std::to_string(n) + ".db";
      if (!pfbench::MakeSyntheticSnapshot(n, snapshot)) throw std::runtime_error("no snapshot");
      std::string code;
      {
        CSettings s;
        pfbench::ConfigureSyntheticProfile(s, n, snapshot, dir);
        CProgress run;
        code = MGlobals::GenerateCode(s, run).ClassCode();
      }
      AppPaths::SetProgramFolder(dir);  // the temporary file goes beside the "program"

      wizard::frm0VBCode viewer;
      CProgress progress;
      PumpingDisplay display;
      display.progress = &progress;
      progress.ProgressForm = &display;
      QElapsedTimer t;
      t.start();
      viewer.SetCode(1, "", code, dir + "/CSynthetic.cls", &progress);
      viewer.View()->viewport()->repaint();
      QApplication::processEvents();
      const qint64 open = t.elapsed();

      t.restart();
      QScrollBar* bar = viewer.View()->verticalScrollBar();
      bar->setValue(bar->maximum());
      viewer.View()->viewport()->repaint();
      bar->setValue(0);
      viewer.View()->viewport()->repaint();
      const qint64 scroll = t.elapsed();
      std::printf("%6d procedures, %5.1f MB class: opened in %6lld ms; scrolled to the end and back in %lld ms\n", n,
                  code.size() / 1048576.0, static_cast<long long>(open), static_cast<long long>(scroll));

      // Cancel pressed at the third event point of the formatting.
      wizard::frm0VBCode cancelled;
      CProgress progress2;
      PumpingDisplay display2;
      display2.progress = &progress2;
      display2.cancelAt = 3;
      progress2.ProgressForm = &display2;
      try {
        cancelled.SetCode(1, "", code, dir + "/CSynthetic.cls", &progress2);
        std::printf("        Cancel was not honoured\n");
        rc = 1;
      } catch (const AppError& e) {
        std::printf("        Cancel during formatting took effect after %lld ms (%s), viewer %s\n",
                    static_cast<long long>(display2.cancelledAt.elapsed()), e.Description.c_str(),
                    cancelled.isVisible() ? "shown" : "closed");
      }
      AppPaths::SetProgramFolder(PF_BIN_DIR);
    }
    return rc;
  });
}
