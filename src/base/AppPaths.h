#pragma once
// Where the program finds its own files and where it may write next to them.

#include <initializer_list>
#include <string>

namespace pf::AppPaths {

// The folder of the running executable (no trailing "/").
std::string ProgramFolder();
// True when the program is installed: its code library is not beside it but in the
// data folder of its prefix (share/procforge beside its bin folder). A portable copy
// (the build tree, an unpacked archive) has the library beside the program.
bool Installed();
// The program's folder when it is a portable copy and writable, else the user's
// configuration folder ($XDG_CONFIG_HOME/procforge, default ~/.config/procforge, the
// account's home folder when HOME is not set), created on demand. An installed program
// never writes beside itself.
std::string WritableFolder();
// The user's cache folder ($XDG_CACHE_HOME/procforge, default ~/.cache/procforge),
// created on demand; empty when it cannot be made.
std::string CacheFolder();
// Whether files the program makes for itself (the scrambled code library) may go into
// `folder`: a portable copy's writable folder, never an installed program's.
bool MayWriteBeside(const std::string& folder);
// The folder holding the program's installed file(s) `names`: the program's own folder
// when one of them is there, else the installed data folder (share/procforge beside the
// program's bin folder) when one is there, else the program's own folder.
std::string DataFolder(std::initializer_list<const char*> names);
// The folder of the sample catalogues and profiles: "samples" in the program's own folder,
// else in the installed data folder; empty when neither exists.
std::string SamplesFolder();
// Overrides both folders (tests); an empty text returns to the real ones.
void SetProgramFolder(const std::string& folder);

// True when the text names a path rather than a bare file name ("\" or "/" inside).
bool HasFolder(const std::string& name);
// A path as the program writes it: "\" becomes "/".
std::string Normalize(std::string path);
// `name` itself when it has a folder, else WritableFolder() + "/" + name.
std::string BesideProgram(const std::string& name);

}  // namespace pf::AppPaths
