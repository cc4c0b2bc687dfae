#include "topics/measure.h"

#include <algorithm>

namespace topics {

void ModuleAll::MeasureThaiText(const QString& text) {
    MeasuredCells = 0;
    MeasuredCells = int16_t(std::min<long>(thai::measureCells(text), 32767));
}

} // namespace topics
