#include "canon/page_topics.h"

#include "pagefile/shown_text.h"

#include <algorithm>

namespace canon {

long pageNumber(const QString& page) {
    // The engine gives a page's name trimmed: one with blanks around is none it gives.
    return page.trimmed().size() == page.size() ? pagefile::pageNumber(page) : -1;
}

PageTopics PageTopics::read(std::shared_ptr<corpus::LoadedCorpus> table, int firstVolume,
                            int lastVolume, std::string* error) {
    PageTopics t;
    if (!table || !table->db())
        return t;
    auto r = corpus::topicPlaces(table->db(), firstVolume, lastVolume);
    if (!r.ok()) {
        if (error)
            *error = r.error;
        return t;
    }
    t.table_ = std::move(table);
    t.places_ = std::move(r.value);
    return t;
}

PageTopics::Span PageTopics::at(int volume, const QString& page) const {
    const long number = pageNumber(page);
    if (number < 0 || places_.empty())
        return {};
    const auto before = [](const corpus::TopicPlace& p, std::pair<int, long> at) {
        return std::make_pair(p.volume, long(p.page)) < at;
    };
    const auto after = [](std::pair<int, long> at, const corpus::TopicPlace& p) {
        return at < std::make_pair(p.volume, long(p.page));
    };
    const std::pair<int, long> key{volume, number};
    const auto from = std::lower_bound(places_.begin(), places_.end(), key, before);
    const auto to = std::upper_bound(from, places_.end(), key, after);
    return {uint32_t(from - places_.begin()), uint32_t(to - from)};
}

QString PageTopics::numbers(Span s) const {
    QString out;
    for (uint32_t i = s.first; i < s.first + s.count; ++i) {
        if (i > s.first)
            out += QLatin1Char(',');
        out += places_[i].no;
    }
    return out;
}

corpus::Topics PageTopics::topicsAt(int volume, const QString& page) const {
    const long number = pageNumber(page);
    if (!table_ || number < 0)
        return nullptr;
    auto r = corpus::topicsAtPage(table_->db(), volume, number);
    return r.ok() ? r.value : nullptr;
}

} // namespace canon
