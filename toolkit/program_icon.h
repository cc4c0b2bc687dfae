#pragma once
// The program's own icons, built into the executable at every drawn size.
#include <QIcon>

namespace tk {

QIcon programIcon();
// The canon search's: the button in the search box.
QIcon canonSearchIcon();

} // namespace tk
