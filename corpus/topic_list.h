#pragma once
// Topics as a query delivers them, read by type: each row's texts kept in blocks that
// never move, the two flags decided as the row is read.
#include "corpus/statement.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corpus {

// A marked topic is shown in red: its mark reads exactly "TRUE".
inline bool isMarked(std::string_view mark) {
    return mark == "TRUE";
}

struct TopicText {
    const char* p = nullptr;
    uint32_t len = 0;
    std::string_view view() const { return {p, len}; }
    QString qstring() const { return QString::fromUtf8(p, qsizetype(len)); }
};

// A topic's seven texts lie one after another, in this order.
enum class TopicField { No, Title, Blue, Red, Book, Page, Line };

struct Topic {
    const char* texts = nullptr;
    uint32_t lengths[7] = {};
    bool marked = false;  // the mark reads exactly "TRUE"
    bool ownPage = false; // readfromfile reads exactly "1"

    TopicText text(TopicField f) const {
        const char* at = texts;
        for (int i = 0; i < int(f); ++i)
            at += lengths[i];
        return {at, lengths[int(f)]};
    }
    TopicText no() const { return {texts, lengths[0]}; }
    TopicText title() const { return {texts + lengths[0], lengths[1]}; }
    TopicText blue() const { return text(TopicField::Blue); }
    TopicText red() const { return text(TopicField::Red); }
    TopicText book() const { return text(TopicField::Book); }
    TopicText page() const { return text(TopicField::Page); }
    TopicText line() const { return text(TopicField::Line); }
};

class TopicList {
  public:
    std::vector<Topic> topics;
    // The group of the first record delivered; empty when none.
    std::string firstGroup;

    size_t size() const { return topics.size(); }
    // Room for len bytes that stay where they are while the list lives.
    char* room(size_t len);

  private:
    static constexpr size_t kBlock = size_t(1) << 18, kFirstBlock = size_t(1) << 12;
    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t used_ = kBlock, blockSize_ = 0;
};

// Reads every row of a statement over the topic table's columns into list; a column the
// statement lacks reads as empty. False with the statement's error when a step fails.
bool readTopics(Statement& st, TopicList& list);

} // namespace corpus
