#pragma once
// The program's own icons, built into the executable at every drawn size.
#include <QIcon>

namespace tk {

QIcon programIcon();
// Starts decoding the program icon's pictures on a thread of their own; the next
// programIcon() takes them from there instead of decoding them itself.
void decodeProgramIconAhead();
// The canon search's: the button in the search box.
QIcon canonSearchIcon();

} // namespace tk
