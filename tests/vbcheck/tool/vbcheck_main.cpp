// vbcheck: checks Visual Basic 6 modules by hand.
//   vbcheck [--fragment] FILE...
// Each file is checked with the other files named as modules of the same project, so their
// public declarations count as declared, and every name a file reads must be declared
// somewhere; --fragment drops that last check (for pieces of a project checked alone).
// Findings are printed as "FILE:LINE: message".
// Exit status: 0 when no file has a finding, 1 when some have, 2 when a file cannot be read.

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "vbcheck/VBCheck.h"

int main(int argc, char** argv) {
  pf::VBCheckOptions options{.NamesRead = true};
  int first = 1;
  if (argc > 1 && std::string_view(argv[1]) == "--fragment") {
    options.NamesRead = false;
    first = 2;
  }
  if (argc <= first) {
    std::cerr << "usage: vbcheck [--fragment] FILE...\n"
                 "Checks Visual Basic 6 modules (.cls, .bas); the files named together count as\n"
                 "one project, so each may use the others' public declarations. --fragment: do\n"
                 "not require every name read to be declared.\n";
    return 2;
  }
  std::vector<std::string> texts;
  for (int i = first; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::cerr << "vbcheck: cannot read " << argv[i] << "\n";
      return 2;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    texts.push_back(buffer.str());
  }
  int status = 0;
  for (size_t i = 0; i < texts.size(); ++i) {
    std::vector<std::string_view> others;
    for (size_t j = 0; j < texts.size(); ++j)
      if (j != i) others.emplace_back(texts[j]);
    for (const pf::VBFinding& f : pf::CheckVB(texts[i], others, options)) {
      std::cout << argv[first + i] << ":" << f.Line << ": " << f.Message << "\n";
      status = 1;
    }
  }
  return status;
}
