#pragma once
// Thai captions for the toolkit's own windows (the print dialog and what it opens), built
// from data/translations into the program.

namespace tk {

// Installs them in the running application; once is enough, later calls do nothing. False
// when they could not be loaded.
bool installThaiTranslations();

} // namespace tk
