#include "corpus/topic_list.h"

#include "corpus/schema.h"

#include <charconv>
#include <cstring>
#include <strings.h>

namespace corpus {

char* TopicList::room(size_t len) {
    if (used_ + len > blockSize_) {
        // Small at first (a page's few topics), twice as large each time up to kBlock.
        const size_t next = blocks_.empty() ? kFirstBlock : std::min(kBlock, blockSize_ * 2);
        blockSize_ = std::max(next, len);
        // Not zeroed: every byte is written before it is read.
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize_));
        used_ = 0;
    }
    char* at = blocks_.back().get() + used_;
    used_ += len;
    return at;
}

namespace {
int columnOf(const Statement& st, std::string_view name) {
    for (int i = 0; i < st.columnCount(); ++i) {
        const std::string_view n = st.columnName(i);
        if (n.size() == name.size() && strncasecmp(n.data(), name.data(), n.size()) == 0)
            return i;
    }
    return -1;
}
} // namespace

bool readTopics(Statement& st, TopicList& list) {
    const int no = columnOf(st, col::kNo), title = columnOf(st, col::kTitle),
              blue = columnOf(st, col::kBookBlue), red = columnOf(st, col::kBookRed),
              book = columnOf(st, col::kBook), page = columnOf(st, col::kPage),
              line = columnOf(st, col::kLine), mark = columnOf(st, col::kMark),
              file = columnOf(st, col::kReadFromFile), group = columnOf(st, col::kGroup);
    const int fields[7] = {no, title, blue, red, book, page, line};
    // Numbers are formatted here: the engine's own conversion allocates every time.
    char numbers[7][24];
    auto is = [&](int c, std::string_view want) {
        if (c < 0)
            return false;
        sqlite3_value* v = st.value(c);
        switch (sqlite3_value_type(v)) {
        case SQLITE_NULL:
            return false;
        case SQLITE_INTEGER: {
            char buf[24];
            const auto r = std::to_chars(buf, buf + sizeof buf, sqlite3_value_int64(v));
            return std::string_view(buf, size_t(r.ptr - buf)) == want;
        }
        default:
            return valueText(v) == want;
        }
    };
    for (;;) {
        switch (st.step()) {
        case Statement::Step::Done:
            return true;
        case Statement::Step::Error:
            return false;
        case Statement::Step::Row:
            break;
        }
        if (list.topics.empty() && group >= 0)
            list.firstGroup = std::string(valueText(st.value(group)));
        Topic& t = list.topics.emplace_back();
        // The row's texts stay the engine's until the next step: copied together, after
        // their lengths are known.
        std::string_view parts[7];
        size_t total = 0;
        for (int f = 0; f < 7; ++f) {
            if (fields[f] < 0)
                continue;
            sqlite3_value* v = st.value(fields[f]);
            const int type = sqlite3_value_type(v);
            if (type == SQLITE_INTEGER) {
                const auto r = std::to_chars(numbers[f], numbers[f] + 24, sqlite3_value_int64(v));
                parts[f] = std::string_view(numbers[f], size_t(r.ptr - numbers[f]));
            } else if (type != SQLITE_NULL) {
                parts[f] = valueText(v);
            }
            total += parts[f].size();
        }
        char* at = list.room(total);
        t.texts = at;
        for (int f = 0; f < 7; ++f) {
            const size_t len = parts[f].size();
            t.lengths[f] = uint32_t(len);
            if (len)
                std::memcpy(at, parts[f].data(), len);
            at += len;
        }
        t.marked = mark >= 0 && isMarked(valueText(st.value(mark)));
        t.ownPage = is(file, "1");
    }
}

} // namespace corpus
