#pragma once
// Where the canon's pages lie under the program folder, and the values the main window
// hands to the reader window.
#include "pagefile/canon_layout.h"
#include "toolkit/window_state.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace reader {

using tk::Variant;
// The number a variant stands for; nothing for a text that is not a number.
std::optional<double> numeric(const Variant& v);
// Its text: empty for empty, plain decimal for a number, a text as it stands.
QString text(const Variant& v);

using tk::HandOff;

// The canon's volumes, folders and page-range files are pagefile::CanonLayout's.
using pagefile::CanonLayout;
using pagefile::PageRange;

// The page ranges of a volume whose files the program folder holds (any letter case), in
// order: the pages of the volume that exist. A volume's folder may lack some files.
std::vector<PageRange> rangesOnDisk(const QString& programFolder, int volume);
// Of those, the first range after the page (forwards) or the last one before it; nothing at
// the volume's end.
std::optional<PageRange> neighbourRange(const std::vector<PageRange>& ranges, int page,
                                        bool forwards);
// Whether a page lies in one of the ranges.
bool holdsPage(const std::vector<PageRange>& ranges, int page);
// The pages of the ranges as the reader reads them, neighbours joined:
// "0 ถึง 100, 151 ถึง 200 และ 1051 ถึง 1100".
QString describeRanges(const std::vector<PageRange>& ranges);

// A whole number typed with Arabic or Thai digits, blanks around it allowed.
std::optional<long long> parseNumber(const QString& typed);
// The line a quotation ends with: "(พระไตรปิฎกเล่ม N หน้า P)", or for a quotation over
// several pages its first and last, "(พระไตรปิฎกเล่ม N หน้า P–Q)".
QString pageReference(int volume, const QString& first, const QString& last = {});

} // namespace reader
