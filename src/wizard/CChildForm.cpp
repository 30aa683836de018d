#include "wizard/CChildForm.h"

#include <algorithm>
#include <QFont>
#include <QLabel>
#include <QLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "wizard/ChildForms.h"

namespace pf::wizard {

CChildForm::CChildForm(QWidget* parent) : QWidget(parent) {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(8, 10, 8, 8);
  outer->setSpacing(6);

  heading_ = new QLabel(this);
  heading_->setObjectName("lblHeading");
  QFont f = heading_->font();
  f.setBold(true);
  f.setPointSizeF(f.pointSizeF() * 1.25);
  heading_->setFont(f);
  outer->addWidget(heading_);

  // The rule under the title is the heading's own border: a line of its own would be one
  // more unnamed object for a screen reader to pass.
  heading_->setStyleSheet("QLabel { border-bottom: 1px solid palette(mid); padding-bottom: 4px; }");

  instruction_ = new QLabel(this);
  instruction_->setObjectName("lblInstruction");
  instruction_->setProperty("Tag", "Instruct");
  instruction_->setWordWrap(true);
  instruction_->hide();
  outer->addWidget(instruction_);

  // The body takes the rest of the page, so the heading stays at the top even on a page
  // without controls.
  auto* body = new QWidget(this);
  body->setObjectName("pnlBody");
  body->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
  body_ = new QVBoxLayout(body);
  body_->setContentsMargins(0, 0, 0, 0);
  body_->setSpacing(6);
  outer->addWidget(body, 1);
}

void CChildForm::CopyControls(int) {}

void CChildForm::EnableControls() {}

std::string CChildForm::HelpAnchor() const {
  const ChildFormDecl* decl = FindChildFormDecl(Name());
  return decl ? decl->Anchor : std::string();
}

void CChildForm::FitWidth(int Width) {
  ensurePolished();
  while (minimumSizeHint().width() > Width) {
    // The widest caption of an option or of a field's label that is still on one line.
    QWidget* widest = nullptr;
    QString text;
    for (QWidget* w : findChildren<QWidget*>()) {
      const auto* option = qobject_cast<QRadioButton*>(w);
      const auto* label = qobject_cast<QLabel*>(w);
      const QString caption = option ? option->text() : label && label->buddy() ? label->text() : QString();
      if (caption.contains(' ') && !caption.contains('\n') &&
          (!widest || w->sizeHint().width() > widest->sizeHint().width())) {
        widest = w;
        text = caption;
      }
    }
    if (!widest) break;
    const qsizetype middle = text.size() / 2, before = text.lastIndexOf(' ', middle), after = text.indexOf(' ', middle);
    const qsizetype at = before < 0 || (after >= 0 && after - middle < middle - before) ? after : before;
    if (auto* option = qobject_cast<QRadioButton*>(widest)) {
      option->setAccessibleName(QString(text).remove('&'));
      option->setText(text.replace(at, 1, '\n'));
    } else {
      static_cast<QLabel*>(widest)->setText(text.replace(at, 1, '\n'));
    }
    // The sizes the layouts keep are worked out again from the new text.
    for (QWidget* w = widest; w && w != this; w = w->parentWidget()) w->updateGeometry();
    for (QLayout* l : findChildren<QLayout*>()) l->invalidate();
  }
  fitWidth_ = Width;
  updateGeometry();
}

QSize CChildForm::minimumSizeHint() const {
  // Notes that wrap take more lines than the layout's own minimum counts: at the width the
  // page was fitted to, the page needs the height its wrapped lines take, or its other
  // controls would be squeezed over each other.
  QSize least = QWidget::minimumSizeHint();
  if (fitWidth_ > 0 && hasHeightForWidth()) least.setHeight(std::max(least.height(), heightForWidth(fitWidth_)));
  return least;
}

void CChildForm::SetHeading(const QString& heading) { heading_->setText(heading); }

QString CChildForm::Heading() const { return heading_->text(); }

void CChildForm::SetInstruction(const QString& text) {
  instruction_->setText(text);
  instruction_->setVisible(!text.isEmpty());
}

}  // namespace pf::wizard
