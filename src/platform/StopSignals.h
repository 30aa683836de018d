#pragma once
// Ctrl-C (SIGINT) and SIGTERM ask the program to stop. While a StopSignals::Scope exists,
// the first of them is recorded (Received) and the program gets a second to stop on its
// own: it cancels its run at the next event point and ends normally. A program that does
// not get there in time (it waits on a server, or writes a large file) is ended where it
// is, after the temporary files of writes in progress are removed, with ExitStatus.

namespace pf::StopSignals {

// The exit status of a program ended by the signal: 143 for SIGTERM, else 130.
int ExitStatus(int sig);

// The signal received since the innermost Scope began, 0 for none.
int Received();

// Hook is called on a thread of its own as soon as a stop signal arrives (while a Scope
// exists), so that work waiting on a server can be cancelled there: the program then gets
// to its own exit path instead of being ended at the deadline while the server goes on.
// One hook; setting another replaces it.
void SetCancelHook(void (*Hook)());

// Delivers a stop signal to the program as the system does: on Linux the signal itself, on
// Windows the console control event that stands for it (Ctrl+C for SIGINT, closing the
// console for SIGTERM) to the handler on a thread of its own. For tests: Wine cannot send
// console events to a program without a console window.
void Deliver(int sig);

class Scope {
 public:
  // NotifyFd, when not -1, receives one byte (the signal number) when a signal arrives,
  // so that an event loop waiting on its other end wakes up.
  explicit Scope(int NotifyFd = -1);
  // Restores the handlers that were in place and drops a pending deadline: a program
  // that stopped in time ends through its own exit path.
  ~Scope();
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;
};

}  // namespace pf::StopSignals
