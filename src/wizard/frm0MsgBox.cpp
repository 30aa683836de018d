#include "wizard/frm0MsgBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "shell/IUserInterface.h"
#include "wizard/NextAnswers.h"
#include "wizard/frmShowError.h"

namespace pf::wizard {

frm0MsgBox::frm0MsgBox(const QString& text, const QString& details, int options, const QString& caption,
                       const QStringList& choices, QWidget* parent)
    : QDialog(parent),
      answer_((options & 7) == vbYesNoCancel ? vbCancel
              : IsQuestion(options)          ? vbNo
                                             : vbOK) {
  setObjectName("frm0MsgBox");
  setWindowTitle(caption);
  setModal(true);

  auto* icon = new QLabel(this);
  const bool question = IsQuestion(options);
  const bool warning = (options & vbExclamation) == vbExclamation || caption == "Error";
  const QStyle::StandardPixmap kind = question  ? QStyle::SP_MessageBoxQuestion
                                      : warning ? QStyle::SP_MessageBoxWarning
                                                : QStyle::SP_MessageBoxInformation;
  icon->setPixmap(style()->standardIcon(kind).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);

  auto* label = new QLabel(text, this);
  label->setObjectName("lblMessage");
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setMinimumWidth(320);
  label->setMaximumWidth(560);

  auto* buttons = new QDialogButtonBox(this);
  auto addButton = [&](const QString& caption, int result, QDialogButtonBox::ButtonRole role) {
    QPushButton* b = buttons->addButton(caption, role);
    connect(b, &QPushButton::clicked, this, [this, result] {
      answer_ = result;
      accept();
    });
    return b;
  };
  if (question) {
    auto choice = [&](int i, const QString& standard) { return i < choices.size() ? choices[i] : standard; };
    addButton(choice(0, tr("&Yes")), vbYes, QDialogButtonBox::YesRole)->setDefault(true);
    addButton(choice(1, tr("&No")), vbNo, QDialogButtonBox::NoRole);
    if ((options & 7) == vbYesNoCancel) {
      if (choices.size() > 3) addButton(choices[2], vbRetry, QDialogButtonBox::ActionRole);
      addButton(choice(choices.size() > 3 ? 3 : 2, tr("Cancel")), vbCancel, QDialogButtonBox::RejectRole);
    }
  } else {
    addButton(tr("OK"), vbOK, QDialogButtonBox::AcceptRole)->setDefault(true);
  }
  if (!details.isEmpty()) {
    QPushButton* more = buttons->addButton(tr("&Details..."), QDialogButtonBox::HelpRole);
    connect(more, &QPushButton::clicked, this, [details] { frmShowError::ErrorReport(details.toStdString()); });
  }

  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addWidget(label, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

int frm0MsgBox::ShowMessage(const std::string& Msg, int Options, const std::string& ACaption,
                            const QStringList& Choices) {
  const std::string caption = ACaption.empty() ? "Procforge" : ACaption;
  int answer = vbOK;
  if (NextAnswers::ScriptedMessage(Msg, Options, caption, answer)) return answer;

  // An error report is long: the box shows its first line, Details shows the rest.
  // Line ends are CR LF in the program's texts; the window and the screen reader take LF.
  QString text = QString::fromStdString(Msg).replace("\r\n", "\n");
  QString details;
  const qsizetype lineEnd = text.indexOf('\n');
  if (lineEnd >= 0 && text.startsWith("Internal app error: ")) {
    details = text;
    text = text.left(lineEnd).trimmed();
  }
  frm0MsgBox box(text, details, Options, QString::fromStdString(caption), Choices, QApplication::activeWindow());
  box.exec();
  return box.answer_;
}

}  // namespace pf::wizard
