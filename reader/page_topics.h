#pragma once
// The index's topics on the pages of the file a reader shows: read once for each file from
// the loaded topic table, then looked up by page as the reading moves. No widgets.
#include "corpus/store.h"
#include "reader/page_parts.h"

#include <QString>
#include <map>
#include <memory>
#include <vector>

namespace reader {

struct PageTopic {
    int page = 0;
    QString no, title, blue, red;
    bool marked = false;
};

// "(no) title".
QString pageTopicText(const PageTopic& t);
// "๓ หัวข้อ".
QString topicCountText(long count);

class PageTopics {
  public:
    // The topics of the volume's pages that the file's page anchors name (numbers compared as
    // numbers); none without a table, for volume 0 or for a file without page anchors.
    void read(const std::shared_ptr<corpus::LoadedCorpus>& table, int volume,
              const std::vector<PageParts::Anchor>& pages);
    void clear();

    int volume() const { return volume_; }
    // The topics of a page by its name (as the view gives it); empty for none.
    const std::vector<PageTopic>& at(const QString& page) const;
    // Every page of the file that has topics, in page order.
    const std::map<int, std::vector<PageTopic>>& pages() const { return byPage_; }
    bool empty() const { return byPage_.empty(); }
    // Grows with every reading, so that a list made from the topics knows it is out of date.
    int generation() const { return generation_; }

  private:
    int generation_ = 0;
    int volume_ = 0;
    std::map<int, std::vector<PageTopic>> byPage_;
};

// A page name as a number ("0123" is 123); -1 for a name that is not one.
int pageNumber(const QString& name);

} // namespace reader
