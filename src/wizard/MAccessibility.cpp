#include "wizard/MAccessibility.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QHash>
#include <QHeaderView>
#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QRadioButton>
#include <QShortcut>
#include <QTreeWidget>
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

// The rows of a tree as the user sees them, top to bottom: the nodes of a closed group are
// not rows.
QModelIndexList Rows(const QTreeView* tree) {
  QModelIndexList rows;
  for (QModelIndex i = tree->model()->index(0, 0, tree->rootIndex()); i.isValid(); i = tree->indexBelow(i)) rows << i;
  return rows;
}

// One node of a one-column tree: its row is where the user sees it, and it is focused only
// while the keyboard is in the tree (the tree's current node stays current when the
// keyboard goes into the page). Its press action selects it, as a click does.
class TreeCell : public QAccessibleInterface, public QAccessibleTableCellInterface, public QAccessibleActionInterface {
 public:
  TreeCell(QTreeWidget* tree, const QModelIndex& index) : tree_(tree), index_(index) {}

  QModelIndex Index() const { return index_; }

  bool isValid() const override { return tree_ && index_.isValid(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return tree_ ? tree_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(tree_); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    if (!isValid()) return {};
    if (t == QAccessible::Name) return index_.data(Qt::DisplayRole).toString();
    if (t == QAccessible::Description) return index_.data(Qt::ToolTipRole).toString();
    return {};
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!isValid()) return {};
    const QRect r = tree_->visualRect(index_);
    return {tree_->viewport()->mapToGlobal(r.topLeft()), r.size()};
  }
  QAccessible::Role role() const override { return QAccessible::TreeItem; }
  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    s.selectable = s.focusable = true;
    s.selected = isSelected();
    s.focused = tree_->hasFocus() && tree_->currentIndex() == index_;
    s.invisible = !tree_->isVisible() || !tree_->visualRect(index_).intersects(tree_->viewport()->rect());
    s.disabled = !(index_.flags() & Qt::ItemIsEnabled);
    if (tree_->model()->hasChildren(index_)) {
      s.expandable = true;
      s.expanded = tree_->isExpanded(index_);
      s.collapsed = !s.expanded;
    }
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TableCellInterface) return static_cast<QAccessibleTableCellInterface*>(this);
    if (t == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }

  bool isSelected() const override { return isValid() && tree_->selectionModel()->isSelected(index_); }
  QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  int columnIndex() const override { return 0; }
  int rowIndex() const override { return isValid() ? int(Rows(tree_).indexOf(QModelIndex(index_))) : -1; }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override { return parent(); }

  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& name) override {
    if (name == pressAction() && isValid()) tree_->setCurrentIndex(index_);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QPointer<QTreeWidget> tree_;
  QPersistentModelIndex index_;
};

// A one-column tree (the wizard's page tree) as a table of its visible rows. Qt's own
// interface numbers a tree's selected rows and cells by their place among their siblings
// rather than by the row the user sees, and keeps the current node focused while the
// keyboard is elsewhere. Child 0 is the column header, as the view counts it in the focus
// and selection events it sends, so that those events name the right node; the rows follow.
// (QAccessibleTableInterface: https://doc.qt.io/qt-6.2/qaccessibletableinterface.html)
class TreeAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  explicit TreeAccessible(QTreeWidget* tree) : QAccessibleWidget(tree, QAccessible::Tree) {}
  ~TreeAccessible() override {
    for (QAccessible::Id id : std::as_const(cells_)) QAccessible::deleteAccessibleInterface(id);
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }
  int childCount() const override { return rowCount() + 1; }
  QAccessibleInterface* child(int index) const override {
    return index == 0 ? QAccessible::queryAccessibleInterface(Tree()->header()) : cellAt(index - 1, 0);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child) return -1;
    if (child->object() == Tree()->header()) return 0;
    auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
    return cell && cell->table() == this ? cell->rowIndex() + 1 : -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QModelIndex index = Tree()->indexAt(Tree()->viewport()->mapFromGlobal(QPoint(x, y)));
    return index.isValid() ? Cell(index) : nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    return Tree()->hasFocus() && Tree()->currentIndex().isValid() ? Cell(Tree()->currentIndex()) : nullptr;
  }

  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override {
    const QModelIndexList rows = Rows(Tree());
    return column == 0 && row >= 0 && row < rows.size() ? Cell(rows[row]) : nullptr;
  }
  int selectedCellCount() const override { return selectedRowCount(); }
  QList<QAccessibleInterface*> selectedCells() const override {
    QList<QAccessibleInterface*> cells;
    for (const QModelIndex& index : Tree()->selectionModel()->selectedIndexes()) cells << Cell(index);
    return cells;
  }
  QString columnDescription(int column) const override {
    return Tree()->model()->headerData(column, Qt::Horizontal).toString();
  }
  QString rowDescription(int) const override { return {}; }
  int selectedColumnCount() const override { return 0; }
  int selectedRowCount() const override { return int(selectedRows().size()); }
  int columnCount() const override { return 1; }
  int rowCount() const override { return int(Rows(Tree()).size()); }
  QList<int> selectedColumns() const override { return {}; }
  QList<int> selectedRows() const override {
    QList<int> selected;
    const QModelIndexList rows = Rows(Tree());
    for (int i = 0; i < rows.size(); ++i)
      if (Tree()->selectionModel()->isSelected(rows[i])) selected << i;
    return selected;
  }
  bool isColumnSelected(int) const override { return false; }
  bool isRowSelected(int row) const override {
    const QModelIndexList rows = Rows(Tree());
    return row >= 0 && row < rows.size() && Tree()->selectionModel()->isSelected(rows[row]);
  }
  // Selecting a row is clicking its node; a node stays selected until another is.
  bool selectRow(int row) override {
    const QModelIndexList rows = Rows(Tree());
    if (row < 0 || row >= rows.size()) return false;
    Tree()->setCurrentIndex(rows[row]);
    return Tree()->selectionModel()->isSelected(rows[row]);
  }
  bool selectColumn(int) override { return false; }
  bool unselectRow(int) override { return false; }
  bool unselectColumn(int) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent*) override {
    for (auto it = cells_.begin(); it != cells_.end();) {
      QAccessibleInterface* cell = QAccessible::accessibleInterface(*it);
      if (cell && cell->isValid()) {
        ++it;
      } else {
        QAccessible::deleteAccessibleInterface(*it);
        it = cells_.erase(it);
      }
    }
  }

 private:
  QTreeWidget* Tree() const { return static_cast<QTreeWidget*>(widget()); }

  // One interface per node for the tree's lifetime, so that a screen reader meets the
  // same object each time it asks.
  QAccessibleInterface* Cell(const QModelIndex& index) const {
    const QModelIndex first = index.siblingAtColumn(0);
    QTreeWidgetItem* item = Tree()->itemFromIndex(first);
    if (!item) return nullptr;
    if (auto it = cells_.find(item); it != cells_.end()) {
      auto* cell = static_cast<TreeCell*>(QAccessible::accessibleInterface(*it));
      if (cell && cell->isValid() && cell->Index() == first) return cell;
      QAccessible::deleteAccessibleInterface(*it);
      cells_.erase(it);
    }
    auto* cell = new TreeCell(Tree(), first);
    cells_.insert(item, QAccessible::registerAccessibleInterface(cell));
    return cell;
  }

  mutable QHash<const QTreeWidgetItem*, QAccessible::Id> cells_;
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
  if (className == QLatin1String("QComboBox")) return new ComboAccessible(static_cast<QComboBox*>(object));
  // The wizard's one tree widget, its page tree, has one column.
  if (className == QLatin1String("QTreeWidget")) return new TreeAccessible(static_cast<QTreeWidget*>(object));
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
// whose focus the keyboard moved. A check box or option button clicked by its mnemonic
// takes the focus inside its click, for no stated reason; it is given the focus for the
// mnemonic first, so that the mark follows.
class ShortcutFocusMark : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Shortcut)
      if (auto* b = qobject_cast<QAbstractButton*>(watched); b && b->isCheckable() && b->focusPolicy() & Qt::ClickFocus)
        b->setFocus(Qt::ShortcutFocusReason);
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

void FocusWithMark(QWidget* W) {
  W->setFocus(Qt::TabFocusReason);
  W->window()->setAttribute(Qt::WA_KeyboardFocusChange);
  W->update();
}

void CloseOnEscape(QWidget* Window) {
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), Window);
  escape->setContext(Qt::WindowShortcut);
  QObject::connect(escape, &QShortcut::activated, Window, [Window] { Window->close(); });
}

}  // namespace pf::wizard::MAccessibility
