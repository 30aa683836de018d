#include "wizard/CMaskedConnString.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "errors/Secrets.h"

namespace pf::wizard {

CMaskedConnString::CMaskedConnString(QLineEdit* box) : QObject(box), line_(box) { box->installEventFilter(this); }

CMaskedConnString::CMaskedConnString(QPlainTextEdit* box) : QObject(box), plain_(box) { box->installEventFilter(this); }

std::string CMaskedConnString::Shown() const { return (line_ ? line_->text() : plain_->toPlainText()).toStdString(); }

void CMaskedConnString::Show(const std::string& real) {
  shownFrom_ = real;
  const QString masked = QString::fromStdString(Secrets::Mask(real));
  if (line_) {
    line_->setText(masked);
    // A string longer than the field shows its beginning.
    line_->setCursorPosition(0);
  } else {
    plain_->setPlainText(masked);
  }
}

std::string CMaskedConnString::Real() const { return Secrets::Unmask(Shown(), shownFrom_); }

bool CMaskedConnString::eventFilter(QObject* watched, QEvent* event) {
  // Leaving the box masks again; a context menu over it does not count as leaving.
  if (event->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
    const std::string real = Real();
    if (Shown() != Secrets::Mask(real)) Show(real);
  }
  return QObject::eventFilter(watched, event);
}

std::string CMaskedConnString::Get(const QLineEdit* box) {
  const auto* masked = box->findChild<CMaskedConnString*>(QString(), Qt::FindDirectChildrenOnly);
  return masked ? masked->Real() : box->text().toStdString();
}

void CMaskedConnString::Set(QLineEdit* box, const std::string& real) {
  if (auto* masked = box->findChild<CMaskedConnString*>(QString(), Qt::FindDirectChildrenOnly))
    masked->Show(real);
  else
    box->setText(QString::fromStdString(real));
}

}  // namespace pf::wizard
