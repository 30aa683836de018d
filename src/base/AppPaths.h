#pragma once
// Where the program finds its own files and where it may write next to them.

#include <initializer_list>
#include <string>

namespace pf::AppPaths {

// The folder of the running executable (no trailing "/").
std::string ProgramFolder();
// The program's folder when it is writable, else the user's configuration folder
// ($XDG_CONFIG_HOME/procforge, default ~/.config/procforge), created on demand.
std::string WritableFolder();
// The folder holding the program's installed file(s) `names`: the program's own folder
// when one of them is there, else the installed data folder (share/procforge beside the
// program's bin folder) when one is there, else the program's own folder.
std::string DataFolder(std::initializer_list<const char*> names);
// Overrides both folders (tests); an empty text returns to the real ones.
void SetProgramFolder(const std::string& folder);

// True when the text names a path rather than a bare file name ("\" or "/" inside).
bool HasFolder(const std::string& name);
// A path as the program writes it: "\" becomes "/".
std::string Normalize(std::string path);
// `name` itself when it has a folder, else WritableFolder() + "/" + name.
std::string BesideProgram(const std::string& name);

}  // namespace pf::AppPaths
