#pragma once
// The splash window shown while the program starts: the program's name and its version line.

#include <QWidget>

namespace pf::wizard {

class frmSplash : public QWidget {
  Q_OBJECT

 public:
  explicit frmSplash(QWidget* parent = nullptr);
  // "Version " and the program's version.
  static QString VersionLine();
  // What the two numbers of VersionLine are.
  static QString VersionNumbersExplained();
};

}  // namespace pf::wizard
