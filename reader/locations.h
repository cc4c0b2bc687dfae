#pragma once
// Where the canon's pages lie under the program folder, and the values the main window
// hands to the reader window.
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

// The printed pages of one page-range file of a volume.
struct PageRange {
    int first = 0;
    int last = 0;
    bool operator==(const PageRange&) const = default;
};
// The page-range table: 31 files of 50 pages, the first also holding page 0.
constexpr int kPageRanges = 31;
PageRange pageRange(int k); // k from 0 to kPageRanges - 1
QString pageRangeFileName(int k);
// The place in the table of the range holding printed page p; nothing outside the table.
std::optional<int> rangeIndex(double page);

// The page-range file holding printed page p ("001_050.htm" ... "1501_1550.htm");
// nothing above 1550, below 0, or between two ranges.
std::optional<QString> pageRangeFile(double page);
// "book0" + volume text for 1 to 9, "book" + volume text for 10 to 91.
std::optional<QString> volumeFolder(double volume, const QString& volumeText);

// The relative location of a printed page of a volume, written as the program writes
// locations: "91book\\bookNN\\AAA_BBB.htm#P"; nothing for a volume outside 1-91 or a page
// outside the page ranges.
std::optional<QString> canonPagePath(int volume, int page);
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

// The volume whose folder holds a page file ("91book/book05/..." is 5); 0 for a file
// that is no canon page.
int volumeOfFile(const QString& path);
// A whole number typed with Arabic or Thai digits, blanks around it allowed.
std::optional<long long> parseNumber(const QString& typed);
// The line a quotation ends with: "(พระไตรปิฎกเล่ม N หน้า P)", or for a quotation over
// several pages its first and last, "(พระไตรปิฎกเล่ม N หน้า P–Q)".
QString pageReference(int volume, const QString& first, const QString& last = {});

} // namespace reader
