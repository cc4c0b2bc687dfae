#pragma once
// Where the canon's pages lie under the program folder, and the values the main window
// hands to the reader window.
#include <QString>
#include <cstdint>
#include <optional>
#include <variant>

namespace reader {

// Empty, a number, or a text of digits; compared as a number, empty counting as 0.
using Variant = std::variant<std::monostate, double, QString>;
// The number a variant stands for; nothing for a text that is not a number.
std::optional<double> numeric(const Variant& v);
// Its text: empty for empty, plain decimal for a number, a text as it stands.
QString text(const Variant& v);

struct HandOff {
    QString ReaderTarget;
    Variant ReaderVolume;
    Variant ReaderPage;
    int16_t ReaderLine = 0;
};

// The page-range file holding printed page p ("001_050.htm" ... "1501_1550.htm");
// nothing above 1550, below 0, or between two ranges.
std::optional<QString> pageRangeFile(double page);
// "book0" + volume text for 1 to 9, "book" + volume text for 10 to 91.
std::optional<QString> volumeFolder(double volume, const QString& volumeText);

} // namespace reader
