#pragma once
// The engine's LIKE, as the program's searches use it: "%" any text, "_" any one character,
// letters A-Z without regard to case. Ours has no limit on the pattern's length, so a word
// as long as any stored title just searches; and it compares both sides through the Thai
// folding, so that a word typed one way finds a title written the other (SARA AM in one
// character or two, marks in another order, Thai or Arabic digits).
#include <sqlite3.h>
#include <string_view>

namespace corpus {

// Replaces LIKE (the two-operand form) on this connection.
bool installLike(sqlite3* db);

// Whether the UTF-8 text matches the pattern, byte for byte but for A-Z's case.
bool likeMatch(std::string_view pattern, std::string_view text);

} // namespace corpus
