#pragma once
// The topic index beside the canon search's results: where the index points is read once
// for the volumes searched (one query, however many pages are found), so that each result
// page finds its topics by a look-up; their titles are read only for the pages shown.
#include "corpus/store.h"
#include "corpus/topic_queries.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace canon {

// A result page's name as the number the index compares it with: digits only, as the
// canon's anchors are written; -1 for any other name (the start of a file, "net01").
long pageNumber(const QString& page);

class PageTopics {
  public:
    // No table: no page has topics.
    PageTopics() = default;
    // Where the table's topics of the volumes first to last point; none, with the reason,
    // when the table cannot be read.
    static PageTopics read(std::shared_ptr<corpus::LoadedCorpus> table, int firstVolume,
                           int lastVolume, std::string* error = nullptr);

    bool hasTable() const { return bool(table_); }
    bool any() const { return !places_.empty(); }

    // The topics of a page, as a stretch of places in table order; empty for a name that is
    // no page number.
    struct Span {
        uint32_t first = 0, count = 0;
    };
    Span at(int volume, const QString& page) const;
    // The number of a place's topic, as written.
    const QString& no(uint32_t place) const { return places_[place].no; }
    // The numbers of a span joined by commas.
    QString numbers(Span s) const;
    // The topics of a page read whole, in table order; null when they cannot be read.
    corpus::Topics topicsAt(int volume, const QString& page) const;

  private:
    std::shared_ptr<corpus::LoadedCorpus> table_;
    std::vector<corpus::TopicPlace> places_; // in volume and page order
};

} // namespace canon
