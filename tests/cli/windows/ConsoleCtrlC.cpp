// Sends a real Ctrl+C console event to a Windows program, for the tests that run the Windows
// build under Wine:
//
//   console_ctrl_c.exe GO_FILE PROGRAM [ARGUMENTS...]
//
// Starts PROGRAM with ARGUMENTS on a console of its own, waits until GO_FILE exists (the test
// makes it once the program is busy), sends CTRL_C_EVENT to every process of that console and
// returns the program's exit code (99 when it does not end within 60 s, 98 when it cannot be
// started or the event cannot be sent).
//
// How, and why so: a Wine program started from a shell without a terminal has no console that
// takes events (GenerateConsoleCtrlEvent fails with ERROR_INVALID_ACCESS), so this program
// makes one (FreeConsole, AllocConsole) and the program under test shares it. Ctrl+C cannot be
// aimed at a process group (Microsoft's GenerateConsoleCtrlEvent reference: a process made
// with CREATE_NEW_PROCESS_GROUP ignores it), and Wine 8 refuses CTRL_BREAK_EVENT (the call
// fails with ERROR_INVALID_HANDLE), so the event goes to the whole console, group 0, and this
// program's own handler ignores it. The program's standard streams are passed on as they were.

#include <windows.h>

#include <string>

namespace {

BOOL WINAPI IgnoreHere(DWORD) { return TRUE; }

std::wstring Quoted(const std::wstring& arg) {
  // Enough for the tests' arguments: no quotes or trailing backslashes inside.
  return arg.find_first_of(L" \t") == std::wstring::npos ? arg : L"\"" + arg + L"\"";
}

HANDLE Inheritable(DWORD which) {
  const HANDLE h = GetStdHandle(which);
  if (h && h != INVALID_HANDLE_VALUE) SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  return h;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 98;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = Inheritable(STD_INPUT_HANDLE);
  si.hStdOutput = Inheritable(STD_OUTPUT_HANDLE);
  si.hStdError = Inheritable(STD_ERROR_HANDLE);
  FreeConsole();
  if (!AllocConsole()) return 98;
  SetConsoleCtrlHandler(IgnoreHere, TRUE);

  std::wstring line;
  for (int i = 2; i < argc; ++i) line += (i > 2 ? L" " : L"") + Quoted(argv[i]);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return 98;
  CloseHandle(pi.hThread);

  for (int i = 0; i < 600 && GetFileAttributesW(argv[1]) == INVALID_FILE_ATTRIBUTES; ++i)
    if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) break;
  if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
    TerminateProcess(pi.hProcess, 98);
    return 98;
  }
  DWORD code = 99;
  if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0)
    TerminateProcess(pi.hProcess, 99);
  else
    GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}
