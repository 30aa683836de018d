#include "wizard/MAccessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QShortcut>
#include <QWidget>

namespace pf::wizard::MAccessibility {

namespace {

// A combo box as a screen reader should hear it: its label as the name, the chosen (or
// typed) entry as the value, and the action that opens its list.
class ComboAccessible : public QAccessibleWidget {
 public:
  explicit ComboAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return Combo()->currentText();
    return QAccessibleWidget::text(t);
  }
  QStringList actionNames() const override { return QAccessibleWidget::actionNames() << showMenuAction(); }
  void doAction(const QString& actionName) override {
    if (actionName == showMenuAction())
      Combo()->showPopup();
    else
      QAccessibleWidget::doAction(actionName);
  }

 private:
  QComboBox* Combo() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
  if (className == QLatin1String("QComboBox")) return new ComboAccessible(static_cast<QComboBox*>(object));
  // Reached only by widgets whose classes no factory knows below QWidget: the wizard's
  // own windows (main window, code viewers, help window).
  if (className == QLatin1String("QWidget") && object->isWidgetType() && static_cast<QWidget*>(object)->isWindow())
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
  return nullptr;
}

// Keeps one button of the group a Tab stop: the set one when it is enabled, else the
// first enabled one. The others take focus only by click or arrow key.
class GroupKeeper : public QObject {
 public:
  GroupKeeper(const QList<QRadioButton*>& buttons, QObject* parent) : QObject(parent) {
    for (QRadioButton* b : buttons) {
      buttons_.push_back(b);
      b->installEventFilter(this);
      connect(b, &QRadioButton::toggled, this, [this] { Update(); });
    }
    Update();
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::EnabledChange) Update();
    return false;
  }

 private:
  void Update() {
    QRadioButton* stop = nullptr;
    for (const QPointer<QRadioButton>& b : buttons_)
      if (b && b->isChecked() && b->isEnabled()) stop = b;
    for (const QPointer<QRadioButton>& b : buttons_)
      if (!stop && b && b->isEnabled()) stop = b;
    for (const QPointer<QRadioButton>& b : buttons_)
      if (b) b->setFocusPolicy(b == stop ? Qt::StrongFocus : Qt::ClickFocus);
  }

  QList<QPointer<QRadioButton>> buttons_;
};

// A control that takes the focus by its mnemonic (Alt and the underlined letter) shows
// its focus mark, as one reached by Tab does: the style draws the mark only in a window
// whose focus the keyboard moved.
class ShortcutFocusMark : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn && static_cast<QFocusEvent*>(event)->reason() == Qt::ShortcutFocusReason)
      if (auto* w = qobject_cast<QWidget*>(watched); w && !w->window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        w->window()->setAttribute(Qt::WA_KeyboardFocusChange);
        w->update();
      }
    return false;
  }
};

}  // namespace

void Install() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(&Factory);
  // Owned by the application, so that it ends with it.
  qApp->installEventFilter(new ShortcutFocusMark(qApp));
}

void OptionGroup(const QList<QRadioButton*>& Buttons) {
  if (!Buttons.isEmpty()) new GroupKeeper(Buttons, Buttons.front());
}

void CloseOnEscape(QWidget* Window) {
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), Window);
  escape->setContext(Qt::WindowShortcut);
  QObject::connect(escape, &QShortcut::activated, Window, [Window] { Window->close(); });
}

}  // namespace pf::wizard::MAccessibility
