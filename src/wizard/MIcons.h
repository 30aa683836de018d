#pragma once
// The wizard's pictures, drawn by the program itself so that they need no image plug-in
// and look the same on every desktop: one per image key of the navigation tree, and the
// program's own icon.

#include <QIcon>
#include <QString>

namespace pf::wizard::MIcons {

// The picture of an image key ("Procforge", "Write", "Server2", "Wizard", "SProc", "OptCh",
// "RemAuto", "ErrH", "Init", "IncCode", "Class", "Flash", "VBProject"). An unknown key
// gets a plain page picture, never an empty icon.
QIcon TreeImage(const QString& key);
// The program's icon (windows, splash).
QIcon AppIcon();

}  // namespace pf::wizard::MIcons
