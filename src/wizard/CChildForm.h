#pragma once
// CChildForm: what every wizard page shares. A page is a QWidget that implements the page
// contract; the main window gives it its window name (the tree node's tag) and its
// heading when it creates it. A page puts its controls into Body(); the heading and the
// optional instruction line above it are laid out here, so that every page looks alike.

#include <QWidget>
#include <string>

#include "wizard/IChildForm.h"

class QLabel;
class QVBoxLayout;

namespace pf::wizard {

class CChildForm : public QWidget, public IChildForm {
  Q_OBJECT

 public:
  explicit CChildForm(QWidget* parent = nullptr);

  // Pages without bound controls or enable rules keep these.
  void CopyControls(int ACopyDir) override;
  void EnableControls() override;
  // The anchor of the page's row in the page declarations (ChildForms.h).
  std::string HelpAnchor() const override;

  // The heading (the node's text) and the instruction line under it (hidden when empty).
  void SetHeading(const QString& heading);
  void SetInstruction(const QString& text);
  QString Heading() const;

  // The area for the page's own controls, below the heading; it takes the rest of the
  // page, so a page ends it with addStretch() to keep its controls at the top.
  QVBoxLayout* Body() const { return body_; }

  // Narrows the page to Width where it is wider: the widest captions of options and field
  // labels go on two lines, broken at the space nearest their middle, until the page fits
  // or none is left. An option's accessible name stays its one-line caption.
  void FitWidth(int Width);
  // At least the height the page's wrapped notes take at the width it was fitted to.
  QSize minimumSizeHint() const override;

  // The page's window name, as the tree's tags name it.
  std::string Name() const { return objectName().toStdString(); }

 private:
  QLabel* heading_;
  QLabel* instruction_;
  QVBoxLayout* body_;
  int fitWidth_ = 0;  // the width FitWidth was given
};

}  // namespace pf::wizard
