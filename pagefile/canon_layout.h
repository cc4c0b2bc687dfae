#pragma once
// The canon as it lies under the program folder, in one place: 91 volumes, each a folder
// of 91book ("book01" ... "book91") holding page-range files of fifty printed pages
// ("001_050.htm" ... "1501_1550.htm", the first also holding page 0), one anchor a page.
// Volumes 1 to 86 are indexed by topic; 87 to 91 have no topics and open whole.
#include <QString>
#include <optional>

namespace pagefile {

// The printed pages of one page-range file.
struct PageRange {
    int first = 0;
    int last = 0;
    bool holds(int page) const { return page >= first && page <= last; }
    bool operator==(const PageRange&) const = default;
};

struct CanonLayout {
    static constexpr int kVolumes = 91;
    static constexpr int kIndexedVolumes = 86; // the last volume with topics of its own
    static constexpr int kRanges = 31;         // page-range files a volume may hold
    static constexpr int kPagesPerFile = 50;
    static constexpr int kLastPage = kRanges * kPagesPerFile;

    static bool isVolume(double v) { return v >= 1 && v <= kVolumes; }
    // Whether a cover lists the volume's topics (else it opens the volume's first file).
    static bool hasTopics(double v) { return v <= kIndexedVolumes; }

    // "91book", the folder of all volumes.
    static QString root();
    // "book05": a volume's folder as the files are named.
    static QString volumeFolder(int volume);
    // The folder as the program writes a topic's location: "book0" + the volume as written
    // for 1 to 9, "book" + it for 10 to 91; nothing outside 1-91.
    static std::optional<QString> volumeFolder(double volume, const QString& written);

    // The k-th page-range file (k from 0 to kRanges - 1) and its pages.
    static PageRange range(int k);
    static QString rangeFile(int k);
    // The place in the table of the range holding printed page p; nothing outside it.
    static std::optional<int> rangeIndex(double page);
    // The range a file name stands for ("051_100.htm", any letter case); nothing for a name
    // that is no page-range file.
    static std::optional<int> rangeOfFile(const QString& name);

    // "91book\bookNN\AAA_BBB.htm#P", as the program writes locations; nothing for a volume
    // or page outside the canon.
    static std::optional<QString> pagePath(int volume, int page);
    // The volume whose folder holds a file ("…/91book/book05/…" is 5); 0 for no page file.
    static int volumeOfFile(const QString& path);
};

} // namespace pagefile
