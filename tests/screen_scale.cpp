// Puts the tests of this executable on a screen of another pixel density: the scale is set
// before the application starts.
#include <QByteArray>

namespace {
[[maybe_unused]] const bool scaled = qputenv("QT_SCALE_FACTOR", QByteArray(VELKARO_TEST_SCALE));
}
