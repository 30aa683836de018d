#include "platform/StopSignals.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>

#include "platform/FileIO.h"

namespace pf::StopSignals {

namespace {

volatile std::sig_atomic_t gReceived = 0;
volatile std::sig_atomic_t gNotifyFd = -1;
struct sigaction gPreviousInt {}, gPreviousTerm {}, gPreviousAlarm {};

extern "C" void OnDeadline(int) {
  FileIO::RemovePendingTemporaries();
  _exit(ExitStatus(gReceived));
}

extern "C" void OnStop(int sig) {
  if (gReceived) return;
  gReceived = sig;
  if (gNotifyFd >= 0) {
    const char byte = static_cast<char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(gNotifyFd, &byte, 1);
  }
  alarm(1);
}

}  // namespace

int ExitStatus(int sig) { return sig == SIGTERM ? 143 : 130; }

int Received() { return gReceived; }

Scope::Scope(int NotifyFd) {
  gReceived = 0;
  gNotifyFd = NotifyFd;
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
