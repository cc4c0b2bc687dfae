// The canon's layout under the program folder, the one place every part takes it from.
#include "pagefile/canon_layout.h"

#include <gtest/gtest.h>

using pagefile::CanonLayout;

TEST(CanonLayout, RangesFilesAndPagesAgreeEverywhere) {
    EXPECT_EQ(CanonLayout::range(0), (pagefile::PageRange{0, 50}));
    EXPECT_EQ(CanonLayout::range(1), (pagefile::PageRange{51, 100}));
    EXPECT_EQ(CanonLayout::range(30), (pagefile::PageRange{1501, 1550}));
    EXPECT_EQ(CanonLayout::rangeFile(0), QStringLiteral("001_050.htm"));
    EXPECT_EQ(CanonLayout::rangeFile(30), QStringLiteral("1501_1550.htm"));
    for (int k = 0; k < CanonLayout::kRanges; ++k) {
        EXPECT_EQ(CanonLayout::rangeOfFile(CanonLayout::rangeFile(k)), k);
        EXPECT_EQ(CanonLayout::rangeOfFile(CanonLayout::rangeFile(k).toUpper()), k);
        EXPECT_EQ(CanonLayout::rangeIndex(CanonLayout::range(k).first), k);
        EXPECT_EQ(CanonLayout::rangeIndex(CanonLayout::range(k).last), k);
    }
    EXPECT_EQ(CanonLayout::rangeIndex(-1), std::nullopt);
    EXPECT_EQ(CanonLayout::rangeIndex(1551), std::nullopt);
    EXPECT_EQ(CanonLayout::rangeIndex(50.5), std::nullopt); // between two ranges
    EXPECT_EQ(CanonLayout::rangeOfFile(QStringLiteral("051_099.htm")), std::nullopt);
    EXPECT_EQ(CanonLayout::rangeOfFile(QStringLiteral("index.htm")), std::nullopt);
}

TEST(CanonLayout, VolumesTheirFoldersAndTheLocationsWritten) {
    EXPECT_EQ(CanonLayout::volumeFolder(5), QStringLiteral("book05"));
    EXPECT_EQ(CanonLayout::volumeFolder(91), QStringLiteral("book91"));
    // As a topic's location is written: the volume as the table holds it.
    EXPECT_EQ(CanonLayout::volumeFolder(5, QStringLiteral("5")), QStringLiteral("book05"));
    EXPECT_EQ(CanonLayout::volumeFolder(12, QStringLiteral("12")), QStringLiteral("book12"));
    EXPECT_EQ(CanonLayout::volumeFolder(0, QStringLiteral("0")), std::nullopt);
    EXPECT_EQ(CanonLayout::volumeFolder(92, QStringLiteral("92")), std::nullopt);
    EXPECT_EQ(CanonLayout::pagePath(5, 123), QStringLiteral("91book\\book05\\101_150.htm#123"));
    EXPECT_EQ(CanonLayout::pagePath(91, 0), QStringLiteral("91book\\book91\\001_050.htm#0"));
    EXPECT_EQ(CanonLayout::pagePath(92, 1), std::nullopt);
    EXPECT_EQ(CanonLayout::pagePath(3, 1551), std::nullopt);
    EXPECT_EQ(CanonLayout::volumeOfFile(QStringLiteral("/x/91book/book05/001_050.htm")), 5);
    EXPECT_EQ(CanonLayout::volumeOfFile(QStringLiteral("C:\\y\\91BOOK\\Book91\\a.htm")), 91);
    EXPECT_EQ(CanonLayout::volumeOfFile(QStringLiteral("/x/91book/book95/a.htm")), 0);
    EXPECT_EQ(CanonLayout::volumeOfFile(QStringLiteral("/x/img_detail/flomar_web1.htm")), 0);
    EXPECT_TRUE(CanonLayout::hasTopics(86));
    EXPECT_FALSE(CanonLayout::hasTopics(87));
}
