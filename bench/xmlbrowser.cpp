// Figures for the XML element browser on builder-sized documents: 10,000 and 40,000
// procedures with parameters, built, walked, searched, formatted, written and read.
#include <chrono>
#include <cstdio>
#include <string>

#include "xml/bwXMLBrowser.h"

using namespace pf;

namespace {

template <class F>
double Millis(F&& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void Run(int procs) {
  bwXMLBrowser x;
  const double build = Millis([&] {
    x.Init("ProcList");
    for (int i = 0; i < procs; ++i) {
      x.CreateChild("Proc", true, false);
      x.Attr("Name", "usp_Proc" + std::to_string(i));
      x.Attr("Owner", "dbo");
      x.Attr("Created", "12/6/2026 2:03:05 PM");
      for (int p = 0; p < 4; ++p) {
        x.CreateChild("Param", true, false);
        x.Attr("Name", "@p" + std::to_string(p));
        x.POP(1);
      }
      x.SelAdd();
      x.POP(0);
    }
  });
  long total = 0;
  const double walk = Millis([&] {
    x.POP(0);
    for (bool more = x.MoveToFirstChild(); more; more = x.MoveNext()) total += x.lngAttr("Owner") + x.ChildCount();
  });
  std::string dups;
  const double duplicates = Millis([&] {
    x.POP(0);
    x.FindDuplicates("Proc", "Owner,Name", dups);
  });
  const double find = Millis([&] {
    for (int i = 0; i < 100; ++i) {
      x.POP(0);
      x.FindElem("Proc", "Name", "usp_Proc" + std::to_string(procs - 1 - i));
    }
  });
  const double dates = Millis([&] { x.FormatDates("Created", "Dd mmm yyyy, Hh:nn ", true); });
  std::string text;
  const double write = Millis([&] { text = x.xml(); });
  bwXMLBrowser y;
  const double load = Millis([&] { y.Load(text); });
  const double remove = Millis([&] { x.SelRemoveSelected(); });
  std::printf(
      "%6d procs: build %7.1f ms, walk %6.1f ms, duplicates %6.1f ms, 100 finds %7.1f ms, dates %6.1f ms, "
      "xml %5.1f ms (%zu bytes), load %5.1f ms, remove selected %5.1f ms\n",
      procs, build, walk, duplicates, find, dates, write, text.size(), load, remove);
}

}  // namespace

int main() {
  Run(10000);
  Run(40000);
}
