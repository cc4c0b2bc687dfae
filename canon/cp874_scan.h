#pragma once
// The fast way through a page file in windows-874, the canon's own encoding: one pass over
// its bytes that leaves out the markup and folds the text as the Thai folding does, one
// byte a character, so that a word is found by a plain byte search.
#include <QByteArray>
#include <QString>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace canon {

struct Cp874Text {
    // The buffers only grow, so that scanning file after file allocates nothing.
    std::string folded;      // the text, folded, in windows-874: its first length bytes
    std::vector<int> source; // for each byte of folded, where it came from in the file
    size_t length = 0;
    std::vector<std::pair<int, QString>> anchors; // folded position, page name
};

// Fills out from the file's bytes (storage reused between files).
void scanCp874(const QByteArray& file, Cp874Text& out);

// A folded word in windows-874; nothing when it holds a character the code page lacks
// (such a word is searched the slow way).
std::optional<std::string> cp874Word(const QString& foldedWord);

} // namespace canon
