#pragma once
// Jet 4.0 text values as stored in a row: UCS-2 little-endian, or "compressed" (marked
// FF FE: one byte a character, a zero byte switching between one- and two-byte runs).
#include <cstddef>
#include <string>

namespace corpus {
// Appends the UTF-8 form of the stored value to out.
void appendJetText(const unsigned char* p, size_t n, std::string& out);
} // namespace corpus
