#include "wizard/frm0Wait.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ado/Provider.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/MStartExit.h"

namespace pf::wizard::frm0Wait {

namespace {

// Waits shorter than this show no window.
constexpr double kShowAfterSeconds = 0.3;

QPointer<QDialog> gWindow;
bool gGivenUp = false;

QDialog* Create() {
  auto* w = new QDialog(MStartExit::MainForm());
  w->setObjectName("frm0Wait");
  w->setWindowTitle(QObject::tr("Waiting for the Database Server"));
  w->setModal(true);
  auto* layout = new QVBoxLayout(w);
  auto* what = new QLabel(w);
  what->setObjectName("lblWhat");
  what->setWordWrap(true);
  what->setMinimumWidth(420);
  layout->addWidget(what);
  auto* giveUp = new QPushButton(QObject::tr("&Give Up"), w);
  giveUp->setObjectName("btnGiveUp");
  layout->addWidget(giveUp, 0, Qt::AlignRight);
  QObject::connect(giveUp, &QPushButton::clicked, w, [] { gGivenUp = true; });
  // Closing the window is giving up too: the wait must not go on unseen.
  QObject::connect(w, &QDialog::rejected, w, [] { gGivenUp = true; });
  return w;
}

bool Hook(const ado::WaitState& s) {
  if (s.Finished) {
    if (QDialog* w = gWindow.data()) {
      gWindow = nullptr;  // the next wait gets a window of its own
      w->hide();
      w->deleteLater();
    }
    gGivenUp = false;
    return true;
  }
  if (s.ElapsedSeconds >= kShowAfterSeconds) {
    if (!gWindow) {
      gGivenUp = false;
      gWindow = Create();
      gWindow->show();
    }
    gWindow->findChild<QLabel*>("lblWhat")->setText(QString::fromStdString(s.What) + "\n\n" + Elapsed(s));
  }
  QApplication::processEvents(QEventLoop::AllEvents, 30);
  return !gGivenUp;
}

}  // namespace

QString Elapsed(const ado::WaitState& s) {
  QString text = QObject::tr("%1 s").arg(static_cast<int>(s.ElapsedSeconds));
  if (s.LimitSeconds > 0) text += QObject::tr(" of the time-out of %1 s").arg(s.LimitSeconds);
  return text;
}

void Install() { ado::SetWaitHook(&Hook); }

QDialog* Current() { return gWindow && gWindow->isVisible() ? gWindow.data() : nullptr; }

}  // namespace pf::wizard::frm0Wait
