// A Qt generic plugin that drives the real procforge program from inside, for tests that
// start it as a process: QT_QPA_GENERIC_PLUGINS=pfdriver loads it (from QT_PLUGIN_PATH),
// and PF_DRIVE holds the steps, one a line:
//   node TAG          click the tree node of that page (its parents expanded first)
//   type NAME TEXT    replace the text of the line edit NAME with TEXT (may be empty)
//   click NAME        click the button whose objectName, or caption without "&", is NAME
//   wait FILE         wait until FILE exists
// Each step waits until its control is visible and enabled, then acts as the mouse and
// keyboard do, from a fresh pass of the event loop so that a modal window it opens runs.
// Before a button of a message window is clicked, its text goes to stderr as
// "message: TEXT". A step that cannot act within 30 seconds ends the program with 98.

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QGenericPlugin>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kPollMs = 50;
constexpr int kGiveUpMs = 30000;

QList<QWidget*> VisibleWidgets() {
  QList<QWidget*> out;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (!top->isVisible()) continue;
    out << top << top->findChildren<QWidget*>();
  }
  return out;
}

template <class W>
W* Find(const QString& name) {
  // The active modal window first: a message window stands in front of everything.
  QWidget* modal = QApplication::activeModalWidget();
  for (QWidget* w : VisibleWidgets()) {
    auto* typed = qobject_cast<W*>(w);
    if (!typed || !typed->isVisible() || !typed->isEnabled()) continue;
    if (modal && typed->window() != modal) continue;
    QString caption;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) caption = b->text().remove('&');
    if (w->objectName() == name || caption == name) return typed;
  }
  return nullptr;
}

QTreeWidgetItem* Node(QTreeWidget* tree, const QString& tag) {
  for (QTreeWidgetItemIterator it(tree); *it; ++it)
    if ((*it)->data(0, Qt::UserRole).toString() == tag) return *it;
  return nullptr;
}

class Driver : public QObject {
 public:
  explicit Driver(QStringList steps) : steps_(std::move(steps)) {
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
    timer_.start();
  }

 private:
  void Poll() {
    if (steps_.isEmpty()) {
      timer_.stop();
      return;
    }
    if (TryStep(steps_.front())) {
      steps_.pop_front();
      waitedMs_ = 0;
    } else if ((waitedMs_ += kPollMs) > kGiveUpMs) {
      std::fprintf(stderr, "driver: cannot %s\n", qPrintable(steps_.front()));
      std::_Exit(98);
    }
  }

  // Acts on the next pass of the event loop, so that this timer keeps running while a
  // modal window that the action opens waits for the following step.
  template <class F>
  static void Later(QWidget* target, F action) {
    QTimer::singleShot(0, target, action);
  }

  static bool TryStep(const QString& step) {
    const QString verb = step.section(' ', 0, 0);
    const QString name = step.section(' ', 1, 1);
    if (verb == "wait") return QFile::exists(step.section(' ', 1));
    if (verb == "type") {
      auto* edit = Find<QLineEdit>(name);
      if (!edit) return false;
      const QString text = step.section(' ', 2);
      Later(edit, [edit, text] {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
      });
      return true;
    }
    if (verb == "click") {
      auto* button = Find<QAbstractButton>(name);
      if (!button) return false;
      if (auto* message = button->window()->findChild<QLabel*>("lblMessage"))
        std::fprintf(stderr, "message: %s\n", qPrintable(message->text()));
      std::fflush(stderr);
      Later(button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
      return true;
    }
    if (verb == "node") {
      auto* tree = Find<QTreeWidget>("trvSettings");
      QTreeWidgetItem* node = tree ? Node(tree, name) : nullptr;
      if (!node) return false;
      Later(tree, [tree, node] {
        for (QTreeWidgetItem* p = node->parent(); p; p = p->parent()) p->setExpanded(true);
        tree->scrollToItem(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
      });
      return true;
    }
    std::fprintf(stderr, "driver: unknown step %s\n", qPrintable(step));
    std::_Exit(97);
  }

  QStringList steps_;
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
