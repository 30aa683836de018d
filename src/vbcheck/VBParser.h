#pragma once
// The checker's parser: the statement structure of a module's tokens (blocks, declarations,
// procedures, names declared and used) and the findings it gives. Internal to the checker.

#include <string>
#include <vector>

#include "vbcheck/VBCheck.h"
#include "vbcheck/VBLexer.h"

namespace pf::vbcheck {

struct ParseRequest {
  const NameSet* External = nullptr;                // public names of the other modules of the project
  bool NamesRead = false;                           // every name read must be declared
  bool Fragment = false;                            // a piece of a module, not a whole one
  std::vector<VBProcedure>* Outline = nullptr;      // receives the procedures read
  NameSet* Public = nullptr;                        // receives the public declarations
  std::vector<std::string>* ModuleNames = nullptr;  // receives every module-level name
};

// Reads Text a logical line at a time; findings (of the tokenizer's too) go to Findings, the
// rest where Request says.
void Parse(std::string_view Text, std::vector<VBFinding>& Findings, const ParseRequest& Request);

}  // namespace pf::vbcheck
