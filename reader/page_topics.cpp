#include "reader/page_topics.h"

#include "corpus/topic_queries.h"
#include "reader/log.h"
#include "pagefile/shown_text.h"
#include "thai/digits.h"

#include <set>

namespace reader {

QString pageTopicText(const PageTopic& t) {
    return QLatin1Char('(') + t.no + QStringLiteral(") ") + t.title;
}

QString topicCountText(long count) {
    return thai::thaiDigits(count) + QStringLiteral(" หัวข้อ");
}

int pageNumber(const QString& name) {
    return int(pagefile::pageNumber(name));
}

void PageTopics::clear() {
    ++generation_;
    volume_ = 0;
    byPage_.clear();
}

void PageTopics::read(const std::shared_ptr<corpus::LoadedCorpus>& table, int volume,
                      const std::vector<PageParts::Anchor>& pages) {
    clear();
    if (!table || volume <= 0 || pages.empty())
        return;
    volume_ = volume;
    // Each page of the file asked for on its own, by the page index: a file has some fifty
    // pages, and a volume may have twenty thousand topics elsewhere.
    std::set<int> inFile;
    for (const PageParts::Anchor& a : pages)
        if (const int n = pageNumber(a.name); n >= 0)
            inFile.insert(n);
    for (const int page : inFile) {
        const auto topics = corpus::topicsAtPage(table->db(), volume, page);
        if (!topics.ok()) {
            qCWarning(lcReader) << "topics of page" << page << "not read:" << topics.error.c_str();
            continue;
        }
        if (topics.value->topics.empty())
            continue;
        std::vector<PageTopic>& out = byPage_[page];
        for (const corpus::Topic& t : topics.value->topics)
            out.push_back({page, t.no().qstring(), t.title().qstring(), t.blue().qstring(), t.red().qstring(), t.marked});
    }
}

const std::vector<PageTopic>& PageTopics::at(const QString& page) const {
    static const std::vector<PageTopic> none;
    const int n = pageNumber(page);
    const auto it = byPage_.find(n);
    return it == byPage_.end() ? none : it->second;
}

} // namespace reader
