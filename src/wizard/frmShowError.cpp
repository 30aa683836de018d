#include "wizard/frmShowError.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "wizard/NextAnswers.h"

namespace pf::wizard {

frmShowError::frmShowError(const QString& report) : QDialog(QApplication::activeWindow()) {
  setObjectName("frmShowError");
  setWindowTitle(tr("Error Report - Procforge"));
  setAttribute(Qt::WA_DeleteOnClose);
  setSizeGripEnabled(true);

  txtReport_ = new QPlainTextEdit(this);
  txtReport_->setObjectName("txtReport");
  txtReport_->setReadOnly(true);
  txtReport_->setLineWrapMode(QPlainTextEdit::NoWrap);
  txtReport_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  txtReport_->setPlainText(report);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* copy = buttons->addButton(tr("&Copy"), QDialogButtonBox::ActionRole);
  connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(txtReport_->toPlainText()); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(txtReport_);
  layout->addWidget(buttons);
  resize(720, 420);
}

QString frmShowError::Report() const { return txtReport_->toPlainText(); }

frmShowError* frmShowError::ErrorReport(const std::string& AReport) {
  if (NextAnswers::ScriptedReport(AReport)) return nullptr;
  auto* w = new frmShowError(QString::fromStdString(AReport));
  w->show();
  w->raise();
  return w;
}

}  // namespace pf::wizard
