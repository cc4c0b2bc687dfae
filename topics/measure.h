#pragma once
// The module that leaves the count of the last measure of a title, as a 16-bit number.
#include "thai/measure.h"

#include <QString>
#include <cstdint>

namespace topics {

using thai::measureCellsUtf8;

struct ModuleAll {
    int16_t MeasuredCells = 0;
    // Counts the UTF-16 code units of text that are not one of the Thai marks. A count
    // past the 16-bit range is held at 32767 instead of failing.
    void MeasureThaiText(const QString& text);
};

} // namespace topics
