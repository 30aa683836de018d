// A Qt generic plugin that clicks buttons in the real procforge program, for tests that
// start it as a process and need what only the process shows (that it ends, and how):
// QT_QPA_GENERIC_PLUGINS=pfdriver loads it (from QT_PLUGIN_PATH), and PF_DRIVE holds the
// names of the buttons to click, one a line (objectName, or caption without "&"). Each
// click waits until its button is visible and enabled in the window in front, and comes
// from a fresh pass of the event loop so that a modal window it opens runs. The text of a
// message window goes to stderr as "message: TEXT" before its button is clicked. A line
// "close:NAME" closes the visible window of that objectName as the window manager's close
// button and Alt+F4 do (a close event the window may refuse). A click that cannot happen
// within 30 seconds ends the program with 98.

#include <QAbstractButton>
#include <QApplication>
#include <QGenericPlugin>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kPollMs = 50;
constexpr int kGiveUpMs = 30000;

QAbstractButton* Find(const QString& name) {
  QWidget* modal = QApplication::activeModalWidget();
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (!top->isVisible() || (modal && top != modal)) continue;
    for (QAbstractButton* b : top->findChildren<QAbstractButton*>())
      if (b->isVisible() && b->isEnabled() && (b->objectName() == name || b->text().remove('&') == name)) return b;
  }
  return nullptr;
}

class Driver : public QObject {
 public:
  explicit Driver(QStringList clicks) : clicks_(std::move(clicks)) {
    connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
    timer_.start(kPollMs);
  }

 private:
  void Poll() {
    if (clicks_.isEmpty()) return timer_.stop();
    if (clicks_.front().startsWith("close:")) {
      const QString name = clicks_.front().mid(6);
      for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && !QApplication::activeModalWidget() && top->objectName() == name) {
          clicks_.pop_front();
          waitedMs_ = 0;
          QTimer::singleShot(0, top, [top] { top->close(); });
          return;
        }
      if ((waitedMs_ += kPollMs) <= kGiveUpMs) return;
      std::fprintf(stderr, "driver: cannot close %s\n", qPrintable(name));
      std::_Exit(98);
    }
    QAbstractButton* button = Find(clicks_.front());
    if (!button) {
      if ((waitedMs_ += kPollMs) <= kGiveUpMs) return;
      std::fprintf(stderr, "driver: cannot click %s\n", qPrintable(clicks_.front()));
      std::_Exit(98);
    }
    if (auto* message = button->window()->findChild<QLabel*>("lblMessage"))
      std::fprintf(stderr, "message: %s\n", qPrintable(message->text()));
    std::fflush(stderr);
    // On the next pass of the event loop, so that this timer keeps running while a modal
    // window the click opens waits for the following click.
    QTimer::singleShot(0, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    clicks_.pop_front();
    waitedMs_ = 0;
  }

  QStringList clicks_;
  QTimer timer_;
  int waitedMs_ = 0;
};

}  // namespace

class DriverPlugin : public QGenericPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "driver.json")

 public:
  QObject* create(const QString& key, const QString&) override {
    if (key.compare("pfdriver", Qt::CaseInsensitive) != 0) return nullptr;
    return new Driver(qEnvironmentVariable("PF_DRIVE").split('\n', Qt::SkipEmptyParts));
  }
};

#include "DriverPlugin.moc"
