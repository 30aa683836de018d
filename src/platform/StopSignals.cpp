#include "platform/StopSignals.h"

#include <atomic>
#include <csignal>
#include <thread>

#include "platform/FileIO.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace pf::StopSignals {

int ExitStatus(int sig) { return sig == SIGTERM ? 143 : 130; }

#ifdef _WIN32

namespace {

std::atomic<int> gReceived{0};
std::atomic<int> gNotifyFd{-1};
std::atomic<void (*)()> gCancelHook{nullptr};
// Set while no Scope exists: a handler waiting for the program to stop on its own returns.
HANDLE gScopeEnded = nullptr;

// Windows calls the console control handler on a thread of its own: Ctrl+C and Ctrl+Break
// stand for SIGINT, closing the console window, logging off and shutting down for SIGTERM.
// The handler cancels work waiting on a server at once, then gives the program a second to
// stop; a program still running is ended after its temporary files are removed.
BOOL WINAPI OnControl(DWORD event) {
  const int sig = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
  int none = 0;
  if (!gReceived.compare_exchange_strong(none, sig)) return TRUE;
  if (const int fd = gNotifyFd.load(); fd >= 0) {
    const char byte = static_cast<char>(sig);
    _write(fd, &byte, 1);
  }
  if (void (*hook)() = gCancelHook.load()) hook();
  if (WaitForSingleObject(gScopeEnded, 1000) != WAIT_OBJECT_0) {
    FileIO::RemovePendingTemporaries();
    ExitProcess(static_cast<UINT>(ExitStatus(sig)));
  }
  return TRUE;
}

}  // namespace

int Received() { return gReceived; }

void SetCancelHook(void (*Hook)()) { gCancelHook = Hook; }

void Deliver(int sig) {
  std::thread([sig] { OnControl(sig == SIGTERM ? CTRL_CLOSE_EVENT : CTRL_C_EVENT); }).detach();
}

Scope::Scope(int NotifyFd) {
  if (!gScopeEnded) gScopeEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ResetEvent(gScopeEnded);
  gReceived = 0;
  gNotifyFd = NotifyFd;
  SetConsoleCtrlHandler(OnControl, TRUE);
}

Scope::~Scope() {
  SetConsoleCtrlHandler(OnControl, FALSE);
  gNotifyFd = -1;
  SetEvent(gScopeEnded);
}

#else

namespace {

volatile std::sig_atomic_t gReceived = 0;
volatile std::sig_atomic_t gNotifyFd = -1;
volatile std::sig_atomic_t gCancelFd = -1;  // write end of the pipe the cancel thread waits on
std::atomic<void (*)()> gCancelHook{nullptr};
struct sigaction gPreviousInt {}, gPreviousTerm {}, gPreviousAlarm {};

extern "C" void OnDeadline(int) {
  FileIO::RemovePendingTemporaries();
  _exit(ExitStatus(gReceived));
}

extern "C" void OnStop(int sig) {
  if (gReceived) return;
  gReceived = sig;
  const char byte = static_cast<char>(sig);
  for (const int fd : {static_cast<int>(gNotifyFd), static_cast<int>(gCancelFd)})
    if (fd >= 0) [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
  alarm(1);
}

// The thread that runs the cancel hook, started with the first Scope and kept for the
// life of the program, waiting on its pipe.
void StartCancelThread() {
  if (gCancelFd >= 0) return;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return;
  std::thread([fd = fds[0]] {
    char byte;
    while (::read(fd, &byte, 1) > 0)
      if (void (*hook)() = gCancelHook.load()) hook();
  }).detach();
  gCancelFd = fds[1];
}

}  // namespace

int Received() { return gReceived; }

void SetCancelHook(void (*Hook)()) { gCancelHook = Hook; }

void Deliver(int sig) { std::raise(sig); }

Scope::Scope(int NotifyFd) {
  gReceived = 0;
  gNotifyFd = NotifyFd;
  StartCancelThread();
  struct sigaction sa {};
  sa.sa_handler = OnStop;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, &gPreviousInt);
  sigaction(SIGTERM, &sa, &gPreviousTerm);
  sa.sa_handler = OnDeadline;
  sigaction(SIGALRM, &sa, &gPreviousAlarm);
}

Scope::~Scope() {
  sigaction(SIGINT, &gPreviousInt, nullptr);
  sigaction(SIGTERM, &gPreviousTerm, nullptr);
  gNotifyFd = -1;
  alarm(0);
  sigaction(SIGALRM, &gPreviousAlarm, nullptr);
}

#endif

}  // namespace pf::StopSignals
