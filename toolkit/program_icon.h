#pragma once
// The program's own icon, built into the executable at every drawn size.
#include <QIcon>

namespace tk {

QIcon programIcon();

} // namespace tk
