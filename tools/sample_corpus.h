#pragma once
// The sample topic index: realistic Thai topic titles written for this program, spread
// over the four collections and the 91 volumes. Deterministic for a given size.
#include "jet4_writer.h"

#include <QString>
#include <vector>

namespace sample {

struct Topic {
    QString group;
    int code = 0;
    QString category;
    QString title;
    int no = 0;
    QString mark; // "TRUE", "True" or empty (null)
    QString blue, red;
    int book = 0, page = 0, line = 0;
    QString readFromFile; // "1" or empty (null)
};

struct CorpusSize {
    int perVolume = 30;   // topics of each volume 2..86
    int firstVolume = 30; // topics of volume 1
    int listRepeat = 1;   // rounds over the topic lists of the fourth collection
};

std::vector<Topic> makeTopics(const CorpusSize& size);

// Table Velkaro holding these topics, as the writer writes it.
jet4::Table topicTable(const std::vector<Topic>& topics);

// The category values as the table stores them.
extern const QString kVinaya, kSutta, kAbhidhamma, kImportant;

// Printed pages that a volume's page files hold in the sample (a few ranges a volume).
std::vector<int> rangesOfVolume(int volume);

} // namespace sample
