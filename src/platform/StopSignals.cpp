#include "platform/StopSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <thread>

#include "platform/FileIO.h"

namespace pf::StopSignals {

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

int ExitStatus(int sig) { return sig == SIGTERM ? 143 : 130; }

int Received() { return gReceived; }

void SetCancelHook(void (*Hook)()) { gCancelHook = Hook; }

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

}  // namespace pf::StopSignals
