#include "wizard/pages/CTablePage.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "errors/ErrGuard.h"
#include "errors/Faultnet31.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "wizard/CUIController.h"
#include "wizard/ChildForms.h"
#include "wizard/MAccessibility.h"
#include "wizard/MStartExit.h"

namespace pf::wizard {

using PageTable::Kind;
using PageTable::Term;

namespace {

QString Plain(const char* caption) { return QString::fromUtf8(caption).remove('&'); }

// "Section.Key" of a rule term.
std::pair<std::string, std::string> SplitKey(const char* sectionKey) {
  const std::string s = sectionKey;
  const size_t dot = s.find('.');
  return {s.substr(0, dot), s.substr(dot + 1)};
}

}  // namespace

CTablePage::CTablePage(const char* pageName, QWidget* parent) : CChildForm(parent), row_(PageTable::Find(pageName)) {
  Faultnet31::Check(row_ != nullptr, ERR_GENERAL, "No page table row for %1.", std::string(pageName));
  setObjectName(pageName);
  Build();
}

void CTablePage::Build() {
  if (row_->Instruct) SetInstruction(QString::fromUtf8(row_->Instruct));
  QHBoxLayout* row = nullptr;  // the row of the control before, for controls placed beside it
  // Fields with their label beside them, one after another, share a grid, so that the
  // fields line up in one column after the longest label.
  QGridLayout* fields = nullptr;
  int fieldRows = 0;
  for (const PageTable::Control& c : row_->Controls) {
    QWidget* w = nullptr;
    QLabel* label = nullptr;
    switch (c.K) {
      case Kind::Check:
        w = new QCheckBox(QString::fromUtf8(c.Caption), this);
        break;
      case Kind::Text:
        w = new QLineEdit(this);
        break;
      case Kind::Number: {
        auto* t = new QLineEdit(this);
        t->setValidator(new QIntValidator(0, 2147483647, t));
        t->setMaximumWidth(t->fontMetrics().horizontalAdvance("0000000000") + 12);
        w = t;
        break;
      }
      case Kind::List:
      case Kind::EditList: {
        auto* cmb = new QComboBox(this);
        cmb->setEditable(c.K == Kind::EditList);
        for (const char* item : c.Items) cmb->addItem(QString::fromUtf8(item));
        cmb->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        w = cmb;
        break;
      }
      case Kind::ListBox: {
        auto* lst = new QListWidget(this);
        lst->setSelectionMode(QAbstractItemView::MultiSelection);
        w = lst;
        break;
      }
      case Kind::Button:
        w = new QPushButton(QString::fromUtf8(c.Caption), this);
        break;
      case Kind::Heading: {
        auto* h = new QLabel(QString::fromUtf8(c.Caption), this);
        QFont f = h->font();
        f.setBold(true);
        h->setFont(f);
        w = h;
        break;
      }
      case Kind::Options: {
        auto* frame = new QGroupBox(QString::fromUtf8(c.Caption), this);
        frame->setObjectName(QString::fromUtf8(c.Name) + "Frame");
        auto* v = new QVBoxLayout(frame);
        v->setContentsMargins(6, 4, 6, 4);
        v->setSpacing(2);
        QList<QRadioButton*> group;
        for (int i = 0; i < static_cast<int>(c.Items.size()); ++i) {
          auto* opt = new QRadioButton(QString::fromUtf8(c.Items[i]), frame);
          opt->setObjectName(c.Name);
          opt->setProperty("Index", i);
          v->addWidget(opt);
          group << opt;
        }
        MAccessibility::OptionGroup(group);
        w = frame;
        break;
      }
    }
    if (c.K != Kind::Options) w->setObjectName(c.Name);
    if (c.Caption && (c.K == Kind::Text || c.K == Kind::Number || c.K == Kind::List || c.K == Kind::EditList || c.K == Kind::ListBox)) {
      label = new QLabel(QString::fromUtf8(c.Caption), this);
      label->setObjectName(QString("lbl") + c.Name);
      label->setBuddy(w);
    }
    // Fields are named by their label (a text under a check box by the box), as a
    // screen reader reads them.
    if (label || c.K == Kind::Text) w->setAccessibleName(QString::fromStdString(PageTable::Label(*row_, c)));

    if (c.SameRow && row) {
      // Before the row's closing stretch, when it has one.
      int at = row->count();
      if (at > 0 && row->itemAt(at - 1)->spacerItem()) --at;
      if (label) row->insertWidget(at++, label);
      row->insertWidget(at, w, c.K == Kind::Text ? 1 : 0);
    } else {
      row = new QHBoxLayout;
      row->setSpacing(6);
      if (label && c.K != Kind::ListBox && c.K != Kind::Text) {
        if (!fields) {
          fields = new QGridLayout;
          fields->setSpacing(Body()->spacing());
          fields->setColumnStretch(1, 1);
          Body()->addLayout(fields);
          fieldRows = 0;
        }
        // A drop-down list as wide as its entries; a typed list takes the row.
        row->addWidget(w, c.K == Kind::EditList ? 1 : 0);
        if (c.K != Kind::EditList) row->addStretch(1);
        fields->addWidget(label, fieldRows, 0);
        fields->addLayout(row, fieldRows++, 1);
      } else {
        fields = nullptr;
        if (label) Body()->addWidget(label);
        // A text under a check box belongs to it: indented below it.
        if (c.K == Kind::Text && !c.Caption) row->addSpacing(20);
        row->addWidget(w, c.K == Kind::Button ? 0 : 1);
        if (c.K == Kind::Button || c.K == Kind::Check) row->addStretch(1);
        Body()->addLayout(row);
      }
    }
    if (c.Note) {
      auto* note = new QLabel(QString::fromUtf8(c.Note), this);
      note->setObjectName(QString("lblNote") + c.Name);
      note->setProperty("Tag", "Note");
      note->setWordWrap(true);
      if (fields)
        fields->addWidget(note, fieldRows++, 0, 1, 2);
      else
        Body()->addWidget(note);
      row = nullptr;
    }
  }
  Body()->addStretch(1);

  // Every control named in a rule applies the rules again when it changes.
  for (const PageTable::Rule& r : row_->Rules) {
    Faultnet31::Check(Control(r.Target) != nullptr, ERR_GENERAL, "Page %1 has no control %2.", std::string(row_->Name),
                      std::string(r.Target));
    for (const Term& t : r.When) {
      if (t.Is == Term::Ticked || t.Is == Term::NotBlank || t.Is == Term::OptionSet || t.Is == Term::Enabled)
        Faultnet31::Check(Control(t.Name) != nullptr, ERR_GENERAL, "Page %1 has no control %2.",
                          std::string(row_->Name), std::string(t.Name));
      if (t.Is == Term::Ticked) {
        connect(Check(t.Name), &QCheckBox::toggled, this, [this] { EnableControls(); });
      } else if (t.Is == Term::NotBlank) {
        connect(Text(t.Name), &QLineEdit::textChanged, this, [this] { EnableControls(); });
      } else if (t.Is == Term::OptionSet) {
        for (QRadioButton* b : Options(t.Name)) connect(b, &QRadioButton::toggled, this, [this] { EnableControls(); });
      }
    }
  }
}

QWidget* CTablePage::Control(const char* name) const {
  for (QWidget* w : findChildren<QWidget*>(QString::fromUtf8(name)))
    if (!w->property("Index").isValid() || w->property("Index").toInt() == 0) return w;
  return nullptr;
}

QPushButton* CTablePage::Button(const char* name) const { return qobject_cast<QPushButton*>(Control(name)); }
QLineEdit* CTablePage::Text(const char* name) const { return qobject_cast<QLineEdit*>(Control(name)); }
QCheckBox* CTablePage::Check(const char* name) const { return qobject_cast<QCheckBox*>(Control(name)); }
QComboBox* CTablePage::Combo(const char* name) const { return qobject_cast<QComboBox*>(Control(name)); }

QList<QRadioButton*> CTablePage::Options(const char* name) const {
  QList<QRadioButton*> buttons = findChildren<QRadioButton*>(QString::fromUtf8(name));
  std::sort(buttons.begin(), buttons.end(),
            [](QRadioButton* a, QRadioButton* b) { return a->property("Index").toInt() < b->property("Index").toInt(); });
  return buttons;
}

int CTablePage::OptionIndex(const char* name) const {
  for (QRadioButton* b : Options(name))
    if (b->isChecked()) return b->property("Index").toInt();
  return -1;
}

void CTablePage::SetOption(const char* name, int index) {
  for (QRadioButton* b : Options(name))
    if (b->property("Index").toInt() == index) b->setChecked(true);
}

bwXMLBrowser* CTablePage::Viewer() const {
  CSettings* settings = MStartExit::Settings();
  return row_->Section && settings ? &settings->SectionViewer(row_->Section) : nullptr;
}

std::string CTablePage::ReportName(const char* handler) const {
  return std::string(row_->ReportName ? row_->ReportName : row_->Name) + "." + handler;
}

void CTablePage::CopyControls(int ACopyDir) {
  ErrGuard(ReportName("CopyControls(ACopyDir)"), [&] { CopyPage(ACopyDir); }, ACopyDir);
}

void CTablePage::CopyBound(int ACopyDir) {
  bwXMLBrowser* viewer = Viewer();
  if (!viewer) return;
  CUIController& ui = MStartExit::UIController();
  ui.SetCopyMode(viewer, ACopyDir);
  for (const PageTable::Control& c : row_->Controls) {
    if (!c.Key) continue;
    if (c.K == Kind::Options) {
      for (QRadioButton* b : Options(c.Name)) ui.CopyControl(b, c.Key);
    } else {
      ui.CopyControl(Control(c.Name), c.Key);
    }
  }
}

bool CTablePage::Holds(const Term& t) const {
  bool holds = false;
  switch (t.Is) {
    case Term::ServerIs: {
      const int st = MStartExit::Settings()->ServerType();
      holds = st >= 0 && st < 31 && (t.Value & (1 << st)) != 0;
      break;
    }
    case Term::Ticked: holds = Check(t.Name)->isChecked(); break;
    case Term::NotBlank: holds = !Text(t.Name)->text().trimmed().isEmpty(); break;
    case Term::OptionSet: holds = OptionIndex(t.Name) == t.Value; break;
    case Term::Enabled: holds = !Control(t.Name)->testAttribute(Qt::WA_Disabled); break;
    case Term::KeyTrue:
    case Term::KeyNotZero: {
      const auto [section, key] = SplitKey(t.Name);
      bwXMLBrowser& v = MStartExit::Settings()->SectionViewer(section);
      holds = t.Is == Term::KeyTrue ? v.boolAttr(key) : v.lngAttr(key) != 0;
      break;
    }
  }
  return holds != t.Negate;
}

namespace {

// The caption of a control of a page's row (of one button for an option group), without
// its mnemonic; the name itself when the row has no such control.
QString CaptionOf(const PageTable::Page& page, const char* name, int index = -1) {
  for (const PageTable::Control& c : page.Controls) {
    if (std::string_view(c.Name) != name) continue;
    if (index >= 0 && index < static_cast<int>(c.Items.size())) return Plain(c.Items[static_cast<size_t>(index)]);
    return c.Caption ? QString::fromStdString(PageTable::Label(page, c)) : QString::fromUtf8(name);
  }
  return QString::fromUtf8(name);
}

}  // namespace

QString CTablePage::Explain(const Term& t) const {
  const QString no = t.Negate ? tr("not ") : QString();
  switch (t.Is) {
    case Term::ServerIs: {
      const PageTable::Page& server = *PageTable::Find("frmChildSrvr");
      QStringList types;
      for (int st = 0; st < 5; ++st)
        if (t.Value & (1 << st)) types << CaptionOf(server, "optSrvrType", st);
      return tr("the Database Server page chooses %1").arg(types.join(tr(" or ")));
    }
    case Term::Ticked: return tr("\"%1\" is ticked").arg(CaptionOf(Row(), t.Name));
    case Term::NotBlank: return tr("\"%1\" is filled in").arg(CaptionOf(Row(), t.Name));
    case Term::OptionSet: return tr("\"%1\" is %2chosen").arg(CaptionOf(Row(), t.Name, t.Value), no);
    case Term::Enabled: return tr("\"%1\" is available").arg(CaptionOf(Row(), t.Name));
    case Term::KeyTrue:
    case Term::KeyNotZero: {
      // The control bound to that key, on the page that holds it.
      const auto [section, key] = SplitKey(t.Name);
      for (const ChildFormDecl& d : ChildFormTable()) {
        const PageTable::Page* page = PageTable::Find(d.Tag);
        if (!page || !page->Section || section != page->Section) continue;
        for (const PageTable::Control& c : page->Controls) {
          if (!c.Key || key != c.Key) continue;
          const QString what = QString("\"%1\"").arg(CaptionOf(*page, c.Name)), where = QString::fromUtf8(d.NodeText);
          if (t.Is == Term::KeyTrue) return tr("%1 is ticked on the %2 page").arg(what, where);
          return tr("%1 is not %2 on the %3 page").arg(what, c.Items.empty() ? QString("0") : Plain(c.Items.front()), where);
        }
      }
      return QString::fromUtf8(t.Name);
    }
  }
  return QString();
}

void CTablePage::EnableControls() {
  for (const PageTable::Rule& r : row_->Rules) {
    QStringList missing;
    for (const Term& t : r.When)
      if (!Holds(t)) missing << Explain(t);
    const bool on = missing.isEmpty();
    // A greyed control says what makes it available.
    const QString why = on ? QString() : tr("Available when %1.").arg(missing.join(tr(" and ")));
    for (QWidget* w : findChildren<QWidget*>(QString::fromUtf8(r.Target))) {
      if (r.Index >= 0 && w->property("Index").toInt() != r.Index) continue;
      w->setEnabled(on);
      w->setToolTip(why);
    }
    // A field's label greys with it.
    if (QWidget* label = findChild<QLabel*>(QString("lbl") + r.Target)) label->setEnabled(on);
  }
}

}  // namespace pf::wizard
