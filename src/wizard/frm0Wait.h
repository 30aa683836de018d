#pragma once
// frm0Wait: the window shown while the wizard waits for a database server (a connection
// test, a catalogue read, a generation run's connection). The driver call runs on a thread
// of its own; the window thread keeps handling events meanwhile, so every window is
// painted and moves. After a short while this modal window appears with what is being
// waited for, the seconds so far against the time-out, and Give Up, which abandons the
// call ("Operation Canceled"). It goes when the wait ends.

#include <QString>

class QDialog;

namespace pf::ado {
struct WaitState;
}

namespace pf::wizard::frm0Wait {

// Makes the wizard's thread the one whose waits show this window (the data-access layer's
// wait hook).
void Install();
// The window while it is shown, else nullptr (for tests and screenshots).
QDialog* Current();
// The seconds a wait has lasted, against its time-out when it has one: "4 s of the
// time-out of 15 s".
QString Elapsed(const ado::WaitState& s);

}  // namespace pf::wizard::frm0Wait
