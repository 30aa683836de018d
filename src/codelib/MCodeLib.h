#pragma once
// Finding and loading the code library file for a generation run. The library lies
// in the program's folder as "CodeLib.cls" (plain, edited by its authors) and
// "CodeLib.dat" (scrambled, what is normally read). The scrambled form is rebuilt
// from the plain one whenever the plain one is newer or the scrambled one is missing.
//
// When the library's folder is not writable, or the program is installed, the rebuilt
// scrambled form goes to the user's cache folder (AppPaths::CacheFolder) instead, and the
// newer of the two scrambled copies is the one in use. A scrambled form that cannot be
// written there is no error: the run uses the plain form's text. A scrambled form of
// another length than the plain one, or one that does not read as a library, is rebuilt.
//
// These are the class code builder's loading steps; it keeps the stream and the block
// engine for the run and passes its progress channel, whose messages are cancellation
// points.

#include <string>
#include <vector>

#include "codelib/CBlocks.h"
#include "codelib/CTextStream.h"
#include "shell/CProgress.h"

namespace pf::MCodeLib {

// FileName is the library path without extension; "\" and "/" both separate folders.
// Resets Stream and leaves the library text, read back from the scrambled form, in
// Stream.Text. Raises 0x80041073 "CodeLib.dat library file not found." when there is
// neither form, file errors when a form cannot be read or written, and 0x80041068
// when the run is cancelled at one of the progress messages.
// The library text read earlier in the run (ReadCodeLibrary), with the scrambled file it
// came from: while that file is still the one in use and no rebuild is due, the text is
// taken over instead of reading the file a second time.
struct LibraryText {
  std::string Text;
  std::string ScrambledFile;  // empty when the text was read from the plain form
};

void OpenCheckCodeLib(const std::string& FileName, CProgress& Progress, CTextStream& Stream,
                      LibraryText* ReadBefore = nullptr);

// Progress "Loading code library...", then OpenCheckCodeLib with Folder + "CodeLib"
// (Folder empty: the program's folder), then a fresh block table in Blocks filled from
// the text. Block syntax errors of the library are raised as CBlocks::UnpackCode does.
void LoadCodeLibrary(CProgress& Progress, CTextStream& Stream, CBlocks& Blocks, const std::string& Folder = {},
                     LibraryText* ReadBefore = nullptr);

// The library text a run would load from Folder (empty: the program's folder), read
// without messages and without rebuilding the scrambled form: for looking at the
// library's declarations before the run loads it. Passed to LoadCodeLibrary, it spares
// the run a second read.
LibraryText ReadCodeLibrary(const std::string& Folder = {});

// The files of the code library that runs read from Folder (empty: the program's): its
// plain and scrambled forms, the scrambled form in the user's cache folder, and the
// Visual Basic modules beside it. No output of a run may be one of them.
std::vector<std::string> LibraryInputs(const std::string& Folder = {});

}  // namespace pf::MCodeLib
