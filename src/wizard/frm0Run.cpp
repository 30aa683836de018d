#include "wizard/frm0Run.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "wizard/MIcons.h"
#include "wizard/WindowThread.h"
#include "wizard/UIEntry.h"

namespace pf::wizard {

frm0Run::frm0Run(QWidget* owner) : QDialog(owner) {
  setObjectName("frm0Run");
  setWindowTitle(tr("Generating Code - Procforge"));
  setWindowIcon(MIcons::AppIcon());
  setModal(false);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);

  lblMessage_ = new QLabel(" ", this);
  lblMessage_->setObjectName("lblMessage");
  lblMessage_->setTextFormat(Qt::PlainText);
  // Room for 45 characters and " ..." without the window changing size.
  lblMessage_->setMinimumWidth(lblMessage_->fontMetrics().averageCharWidth() * 52);
  lblWait_ = new QLabel(this);
  lblWait_->setObjectName("lblWait");
  lblWait_->setTextFormat(Qt::PlainText);
  lblWait_->setWordWrap(true);
  lblWait_->setFixedWidth(lblMessage_->minimumWidth());
  lblWait_->hide();
  // Until the catalogue is read the total is unknown: the bar runs without one.
  barProgress_ = new QProgressBar(this);
  barProgress_->setObjectName("barProgress");
  barProgress_->setRange(0, 0);
  barProgress_->setAccessibleName(tr("Procedures read"));
  btnCancel_ = new QPushButton(tr("Cancel"), this);
  btnCancel_->setObjectName("btnCancel");
  connect(btnCancel_, &QPushButton::clicked, this,
          [this] { UIEntry("frm0Run.btnCancel_Click", [&] { btnCancel_Click(); }); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 14, 16, 12);
  layout->addWidget(lblMessage_);
  layout->addWidget(lblWait_);
  layout->addWidget(barProgress_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frm0Run::Message(const std::string& Msg) { SetMessage(CProgress::DisplayText(Msg)); }

QString frm0Run::MessageText() const { return lblMessage_->text(); }

void frm0Run::SetMessage(const std::string& labelText) {
  // The window may be gone by the time the window thread gets to it.
  OnWindowThread([&, self = QPointer<frm0Run>(this)] {
    if (self) lblMessage_->setText(QString::fromStdString(labelText));
  });
}

void frm0Run::DoEvents() {
  // The run's own thread has no events: the window thread handles the window's meanwhile.
  if (OnWindowThreadNow()) QCoreApplication::processEvents();
}

void frm0Run::SetCount(int32_t Done, int32_t Total) {
  PostToWindowThread([Done, Total, self = QPointer<frm0Run>(this)] {
    if (!self) return;
    if (self->barProgress_->maximum() != Total) self->barProgress_->setRange(0, Total);
    self->barProgress_->setValue(Done);
    self->barProgress_->setFormat(QString::fromStdString(CProgress::CountText(Done, Total)));
  });
}

void frm0Run::SetWaiting(const std::string& Text) {
  PostToWindowThread([text = QString::fromStdString(Text), self = QPointer<frm0Run>(this)] {
    if (!self) return;
    self->lblWait_->setText(text);
    self->lblWait_->setVisible(!text.isEmpty());
  });
}

void frm0Run::btnCancel_Click() {
  if (Progress) Progress->Cancelled = true;
  QDialog::reject();
}

// Escape and closing the window cancel the run too.
void frm0Run::reject() { btnCancel_Click(); }

}  // namespace pf::wizard
