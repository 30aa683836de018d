#include "wizard/frmDataLink.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/NoCase.h"
#include "platform/ado/ConnStr.h"
#include "platform/ado/DataLinkFile.h"
#include "shell/MGlobals.h"
#include "wizard/CMaskedConnString.h"
#include "wizard/UIEntry.h"

namespace pf::wizard {

using Field = ado::DataLinkFields::Field;

namespace {

struct FieldDecl {
  Field F;
  const char* Name;     // objectName of the edit: "txt" + Name
  const char* Caption;  // the label's text
};

// Every field the dialog may show, in form order; IntegratedSecurity is a check box.
constexpr FieldDecl kFields[] = {
    {Field::DataSourceName, "DataSourceName", "ODBC &data source (DSN):"},
    {Field::Driver, "Driver", "ODBC dri&ver:"},
    {Field::Server, "Server", "&Server:"},
    {Field::Port, "Port", "P&ort:"},
    {Field::File, "File", "Database &file:"},
    {Field::Database, "Database", "Data&base:"},
    {Field::User, "User", "&User name:"},
    {Field::Password, "Password", "&Password:"},
};

bool Needs(int provider, Field f) {
  if (provider < 0) return false;
  for (Field x : ado::DataLinkFields::Providers()[provider].Fields)
    if (x == f) return true;
  return false;
}

std::string OracleDriverForCheck(std::string_view) { return "Oracle"; }

}  // namespace

frmDataLink::frmDataLink(const std::string& AConnectString, Tester tester, QWidget* parent)
    : QDialog(parent), model_(AConnectString), tester_(std::move(tester)) {
  setObjectName("frmDataLink");
  setWindowTitle(tr("Data Link Properties"));
  setMinimumWidth(520);
  auto* outer = new QVBoxLayout(this);

  auto* intro = new QLabel(tr("Choose the provider and fill in what it needs. Keys that are not shown here stay "
                              "in the connection string as they are."),
                           this);
  intro->setWordWrap(true);
  intro->setProperty("Tag", "Instruct");
  outer->addWidget(intro);

  form_ = new QFormLayout;
  cmbProvider_ = new QComboBox(this);
  cmbProvider_->setObjectName("cmbProvider");
  for (const auto& p : ado::DataLinkFields::Providers()) cmbProvider_->addItem(QString::fromUtf8(p.Caption));
  auto* lblProvider = new QLabel(tr("P&rovider:"), this);
  lblProvider->setBuddy(cmbProvider_);
  cmbProvider_->setAccessibleName(tr("Provider"));
  form_->addRow(lblProvider, cmbProvider_);

  for (const FieldDecl& d : kFields) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString("txt") + d.Name);
    if (d.F == Field::Password) edit->setEchoMode(QLineEdit::Password);
    auto* label = new QLabel(tr(d.Caption), this);
    label->setBuddy(edit);
    edit->setAccessibleName(QString(tr(d.Caption)).remove('&').remove(':'));
    QWidget* field = edit;
    if (d.F == Field::File) {
      auto* browse = new QPushButton(tr("Bro&wse..."), this);
      browse->setObjectName("btnBrowseFile");
      auto* row = new QWidget(this);
      auto* h = new QHBoxLayout(row);
      h->setContentsMargins(0, 0, 0, 0);
      h->addWidget(edit, 1);
      h->addWidget(browse);
      field = row;
      connect(browse, &QPushButton::clicked, this, [this, edit] {
        UIEntry("frmDataLink.btnBrowseFile_Click", [&] {
          const QString file = QFileDialog::getOpenFileName(this, tr("Database File"), edit->text(),
                                                            tr("Databases and snapshots (*.mdb *.accdb *.sqlite *.db *.sql);;All Files (*)"));
          if (!file.isEmpty()) edit->setText(file);
        });
      });
    }
    form_->addRow(label, field);
    if (d.F == Field::Database) {
      chkIntegrated_ = new QCheckBox(tr("Use &integrated security (the login of the user running the program)"), this);
      chkIntegrated_->setObjectName("chkIntegratedSecurity");
      form_->addRow(QString(), chkIntegrated_);
      connect(chkIntegrated_, &QCheckBox::toggled, this, [this](bool on) {
        if (updating_) return;
        FieldEdited(Field::IntegratedSecurity, on ? "SSPI" : "");
      });
    }
    connect(edit, &QLineEdit::textEdited, this, [this, f = d.F](const QString& v) { FieldEdited(f, v); });
    connect(edit, &QLineEdit::textChanged, this, [this, f = d.F](const QString& v) {
      if (!updating_) FieldEdited(f, v);
    });
  }
  outer->addLayout(form_);

  auto* lblRaw = new QLabel(tr("&Connection string:"), this);
  txtConnString_ = new QPlainTextEdit(this);
  txtConnString_->setObjectName("txtConnString");
  txtConnString_->setAccessibleName(tr("Connection string"));
  txtConnString_->setTabChangesFocus(true);
  connString_ = new CMaskedConnString(txtConnString_);
  txtConnString_->setFixedHeight(txtConnString_->fontMetrics().lineSpacing() * 4 + 10);
  lblRaw->setBuddy(txtConnString_);
  outer->addWidget(lblRaw);
  outer->addWidget(txtConnString_);
  lblRawNote_ = new QLabel(this);
  lblRawNote_->setObjectName("lblRawNote");
  lblRawNote_->setProperty("Tag", "Note");
  lblRawNote_->setWordWrap(true);
  outer->addWidget(lblRawNote_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* test = buttons->addButton(tr("&Test Connection"), QDialogButtonBox::ActionRole);
  test->setObjectName("btnTestConnection");
  outer->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &frmDataLink::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &frmDataLink::reject);
  connect(test, &QPushButton::clicked, this, [this] {
    UIEntry("frmDataLink.btnTestConnection_Click", [&] {
      if (tester_) tester_(model_.Text());
    });
  });
  connect(cmbProvider_, &QComboBox::activated, this, [this](int index) {
    model_.SetProvider(index);
    ShowProvider();
  });
  connect(txtConnString_, &QPlainTextEdit::textChanged, this, [this] {
    if (!updating_) RawEdited();
  });

  // A new string starts with the first provider; an existing one shows what it names.
  if (model_.ProviderIndex() < 0 && AConnectString.find_first_not_of(" \t") == std::string::npos)
    model_.SetProvider(0);
  ShowProvider();
}

QLineEdit* frmDataLink::FieldEdit(Field f) const {
  for (const FieldDecl& d : kFields)
    if (d.F == f) return findChild<QLineEdit*>(QString("txt") + d.Name);
  return nullptr;
}

void frmDataLink::ShowProvider() {
  updating_ = true;
  const int p = model_.ProviderIndex();
  cmbProvider_->setCurrentIndex(p < 0 ? 0 : p);
  if (connString_->Real() != model_.Text()) connString_->Show(model_.Text());
  ShowFields();
  updating_ = false;
}

void frmDataLink::ShowFields() {
  const int p = model_.ProviderIndex();
  const bool raw = p == ado::DataLinkFields::RawIndex();
  for (const FieldDecl& d : kFields) {
    QLineEdit* edit = FieldEdit(d.F);
    const bool shown = Needs(p, d.F);
    // The file field sits in a row of its own with its Browse button.
    form_->setRowVisible(edit->parentWidget() == this ? static_cast<QWidget*>(edit) : edit->parentWidget(), shown);
    if (shown && edit->text().toStdString() != model_.Get(d.F)) edit->setText(QString::fromStdString(model_.Get(d.F)));
  }
  // The server field of an Oracle provider is its TNS name.
  auto* serverLabel = qobject_cast<QLabel*>(form_->labelForField(FieldEdit(Field::Server)));
  const auto family = p >= 0 ? ado::DataLinkFields::Providers()[p].Family : ado::ConnStr::Family::Odbc;
  if (serverLabel)
    serverLabel->setText(family == ado::ConnStr::Family::Oracle ? tr("&Server (TNS name):") : tr("&Server:"));
  form_->setRowVisible(chkIntegrated_, Needs(p, Field::IntegratedSecurity));
  chkIntegrated_->setChecked(!model_.Get(Field::IntegratedSecurity).empty() &&
                             !NoCase::Equals(model_.Get(Field::IntegratedSecurity), "false") &&
                             !NoCase::Equals(model_.Get(Field::IntegratedSecurity), "no"));
  for (Field f : {Field::User, Field::Password}) FieldEdit(f)->setEnabled(!chkIntegrated_->isChecked() || !Needs(p, Field::IntegratedSecurity));
  lblRawNote_->setText(raw ? tr("The string names no provider this dialog knows, or is not a list of key=value "
                                "pairs: edit it as text.")
                           : QString());
  lblRawNote_->setVisible(raw);
  // Rows hidden for another provider give their room back: a shown dialog keeps its width
  // and takes the height its rows need.
  if (isVisible()) {
    layout()->activate();
    resize(width(), hasHeightForWidth() ? heightForWidth(width()) : sizeHint().height());
  }
}

void frmDataLink::FieldEdited(Field f, const QString& value) {
  if (updating_) return;
  model_.Set(f, value.toStdString());
  updating_ = true;
  connString_->Show(model_.Text());
  if (f == Field::IntegratedSecurity) ShowFields();
  updating_ = false;
}

void frmDataLink::RawEdited() {
  model_.SetText(connString_->Real());
  updating_ = true;
  const int p = model_.ProviderIndex();
  cmbProvider_->setCurrentIndex(p < 0 ? 0 : p);
  ShowFields();
  updating_ = false;
}

void frmDataLink::accept() {
  const bool ok = UIEntry("frmDataLink.btnOK_Click", [&] {
    if (!model_.Modified()) return;
    const std::string text = model_.Text();
    Faultnet31::Check(text.find_first_not_of(" \t\r\n;") != std::string::npos, ERR_USER_CHECK,
                      "Please enter a connection string.");
    // A link file named by the string is read when connecting, not here.
    if (ado::ConnStr::Find(ado::ConnStr::Parse(text), "File Name")) return;
    try {
      ado::ConnStr::Translate(text, &OracleDriverForCheck);
    } catch (const std::exception& e) {
      throw AppError(ERR_USER_CHECK, "frmDataLink", e.what());
    }
  });
  if (ok) QDialog::accept();
}

std::function<int(frmDataLink&)>& frmDataLink::ScriptedRun() {
  static std::function<int(frmDataLink&)> run;
  return run;
}

int frmDataLink::Run() { return ScriptedRun() ? ScriptedRun()(*this) : exec(); }

bool frmDataLink::Design(QWidget* owner, std::string& AConnectString, Tester tester) {
  frmDataLink dlg(AConnectString, std::move(tester), owner);
  if (dlg.Run() != QDialog::Accepted) return false;
  AConnectString = dlg.ConnectionString();
  return true;
}

bool frmDataLink::EditFile(QWidget* owner, const std::string& Path, Tester tester) {
  ado::DataLinkFile::Contents contents = ado::DataLinkFile::Read(Path);
  frmDataLink dlg(contents.ConnectionString, std::move(tester), owner);
  dlg.setWindowTitle(tr("Data Link Properties - %1").arg(QFileInfo(QString::fromStdString(Path)).fileName()));
  if (dlg.Run() != QDialog::Accepted) return false;
  if (dlg.ConnectionString() == contents.ConnectionString) return true;
  contents.ConnectionString = dlg.ConnectionString();
  ado::DataLinkFile::Write(Path, contents);
  return true;
}

}  // namespace pf::wizard
