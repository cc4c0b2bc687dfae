#include "canon/result_model.h"

#include "reader/page_topics.h"

#include <QColor>
#include <QPoint>
#include <algorithm>
#include <memory>

namespace canon {

ResultModel::ResultModel(QObject* parent) : QAbstractItemModel(parent) {}

ResultModel::~ResultModel() {
    *stop_ = true;
    for (auto& [id, t] : readers_)
        t.join();
}

void ResultModel::fill(int volumeRow, const QString& file) const {
    if (filling_.contains(file))
        return;
    filling_.insert(file);
    const int id = nextReader_++;
    const quint64 generation = generation_;
    auto* self = const_cast<ResultModel*>(this);
    // Its own thread, joined when its lines are taken (or at the end): nothing of it runs
    // once the model is gone.
    readers_.emplace(id, std::thread([self, id, volumeRow, file, generation, q = query_, stop = stop_] {
        std::optional<std::vector<PageHit>> pages = linesOf(file, q, stop.get());
        {
            std::lock_guard<std::mutex> l(self->readMutex_);
            self->read_.push_back({id, volumeRow, file, generation, pages ? std::move(*pages) : std::vector<PageHit>()});
        }
        QMetaObject::invokeMethod(self, [self] { self->takeRead(); }, Qt::QueuedConnection);
    }));
}

void ResultModel::takeRead() {
    std::vector<Read> read;
    {
        std::lock_guard<std::mutex> l(readMutex_);
        read.swap(read_);
    }
    for (Read& r : read) {
        auto it = readers_.find(r.id);
        if (it != readers_.end()) {
            it->second.join();
            readers_.erase(it);
        }
        filled(r.volumeRow, r.file, r.generation, r.pages);
    }
}

void ResultModel::filled(int volumeRow, const QString& file, quint64 generation, const std::vector<PageHit>& pages) {
    filling_.remove(file);
    if (generation != generation_ || volumeRow < 0 || volumeRow >= int(volumes_.size()))
        return;
    Volume& v = volumes_[size_t(volumeRow)];
    std::vector<PageHit*> ofFile;
    int first = -1, last = -1;
    for (size_t i = 0; i < v.pages.size(); ++i)
        if (v.pages[i].lineLater && v.pages[i].file == file) {
            ofFile.push_back(&v.pages[i]);
            v.lines[i].reset();
            const int row = rowOfPage(v, uint32_t(i));
            if (row >= 0) {
                first = first < 0 ? row : first;
                last = row;
            }
        }
    takeLines(ofFile, pages);
    for (PageHit* h : ofFile)
        h->lineLater = false; // a file no longer read keeps its lines empty
    const int shownRow = rowOf_[size_t(volumeRow)];
    if (first >= 0 && shownRow >= 0) {
        const QModelIndex parent = index(shownRow, 0);
        emit dataChanged(index(first, 1, parent), index(last, 1, parent));
    }
}

void ResultModel::clear() {
    ++generation_;
    filling_.clear();
    *stop_ = true;
    stop_ = std::make_shared<std::atomic<bool>>(false);
    beginResetModel();
    volumes_.clear();
    shown_.clear();
    rowOf_.clear();
    pages_ = 0;
    withTopics_ = 0;
    topics_.reset();
    endResetModel();
}

void ResultModel::addVolume(VolumeHits v) {
    if (v.pages.empty())
        return;
    Volume vol{v.volume, v.hits(), std::move(v.pages), {}, topics_, {}, {}, {}};
    vol.lines.resize(vol.pages.size());
    if (topics_ && topics_->any()) {
        vol.topics.resize(vol.pages.size());
        for (size_t i = 0; i < vol.pages.size(); ++i) {
            vol.topics[i] = topics_->at(vol.volume, vol.pages[i].page);
            if (vol.topics[i].count > 0)
                vol.withTopics.push_back(uint32_t(i));
        }
        if (vol.withTopics.empty())
            vol.topics.clear();
    }
    const bool shows = !onlyWithTopics_ || !vol.withTopics.empty();
    const int row = int(shown_.size());
    if (shows)
        beginInsertRows({}, row, row);
    pages_ += long(vol.pages.size());
    withTopics_ += long(vol.withTopics.size());
    rowOf_.push_back(shows ? row : -1);
    if (shows)
        shown_.push_back(int(volumes_.size()));
    volumes_.push_back(std::move(vol));
    if (shows)
        endInsertRows();
}

void ResultModel::showVolumes() {
    shown_.clear();
    rowOf_.assign(volumes_.size(), -1);
    for (size_t k = 0; k < volumes_.size(); ++k)
        if (!onlyWithTopics_ || !volumes_[k].withTopics.empty()) {
            rowOf_[k] = int(shown_.size());
            shown_.push_back(int(k));
        }
}

void ResultModel::setOnlyWithTopics(bool only) {
    if (only == onlyWithTopics_)
        return;
    // The volumes and their pages stay as found, lines and titles made included: only which
    // of them are rows changes.
    beginResetModel();
    onlyWithTopics_ = only;
    showVolumes();
    endResetModel();
}

size_t ResultModel::shownPages(const Volume& v) const {
    return onlyWithTopics_ ? v.withTopics.size() : v.pages.size();
}

uint32_t ResultModel::pageOfRow(const Volume& v, int row) const {
    return onlyWithTopics_ ? v.withTopics[size_t(row)] : uint32_t(row);
}

int ResultModel::rowOfPage(const Volume& v, uint32_t page) const {
    if (!onlyWithTopics_)
        return int(page);
    const auto it = std::lower_bound(v.withTopics.begin(), v.withTopics.end(), page);
    return it != v.withTopics.end() && *it == page ? int(it - v.withTopics.begin()) : -1;
}

PageTopics::Span ResultModel::topicsOf(const Volume& v, uint32_t page) const {
    return v.topics.empty() ? PageTopics::Span{} : v.topics[page];
}

namespace {
// A row's internal id: 0 for a volume's row; its volume's place among those found, plus
// one, for a page's row; for a topic's row, this bit with the volume's place and the page's
// place in the volume.
constexpr quintptr kTopicRow = quintptr(1) << 63;
static_assert(sizeof(quintptr) == 8, "a topic row's id holds its volume and page");
quintptr topicRowId(int volume, uint32_t page) {
    return kTopicRow | (quintptr(volume) << 32) | page;
}
bool isTopicRow(quintptr id) {
    return (id & kTopicRow) != 0;
}
int volumeOfTopicRow(quintptr id) {
    return int((id & ~kTopicRow) >> 32);
}
uint32_t pageOfTopicRow(quintptr id) {
    return uint32_t(id & 0xFFFFFFFFu);
}
} // namespace

QModelIndex ResultModel::index(int row, int column, const QModelIndex& parent) const {
    if (column < 0 || column > 1 || row < 0)
        return {};
    if (!parent.isValid())
        return row < int(shown_.size()) ? createIndex(row, column, quintptr(0)) : QModelIndex();
    const quintptr id = parent.internalId();
    if (id == 0) {
        if (parent.row() >= int(shown_.size()))
            return {};
        const int k = shown_[size_t(parent.row())];
        if (row >= int(shownPages(volumes_[size_t(k)])))
            return {};
        return createIndex(row, column, quintptr(k + 1));
    }
    if (isTopicRow(id) || parent.column() != 0)
        return {};
    const int k = int(id - 1);
    if (k >= int(volumes_.size()) || parent.row() >= int(shownPages(volumes_[size_t(k)])))
        return {};
    const Volume& v = volumes_[size_t(k)];
    const uint32_t page = pageOfRow(v, parent.row());
    if (row >= int(topicsOf(v, page).count))
        return {};
    return createIndex(row, column, topicRowId(k, page));
}

QModelIndex ResultModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == 0)
        return {};
    const quintptr id = child.internalId();
    if (isTopicRow(id)) {
        const int k = volumeOfTopicRow(id);
        const int row = rowOfPage(volumes_[size_t(k)], pageOfTopicRow(id));
        return row < 0 ? QModelIndex() : createIndex(row, 0, quintptr(k + 1));
    }
    const int row = rowOf_[size_t(id - 1)];
    return row < 0 ? QModelIndex() : createIndex(row, 0, quintptr(0));
}

int ResultModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return int(shown_.size());
    if (parent.column() != 0)
        return 0;
    const quintptr id = parent.internalId();
    if (id == 0)
        return parent.row() < int(shown_.size())
                   ? int(shownPages(volumes_[size_t(shown_[size_t(parent.row())])]))
                   : 0;
    if (isTopicRow(id) || id - 1 >= volumes_.size())
        return 0;
    const Volume& v = volumes_[size_t(id - 1)];
    if (parent.row() >= int(shownPages(v)))
        return 0;
    return int(topicsOf(v, pageOfRow(v, parent.row())).count);
}

int ResultModel::columnCount(const QModelIndex&) const {
    return 2;
}

ResultModel::Place ResultModel::placeOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return {};
    const quintptr id = index.internalId();
    if (id == 0)
        return {shown_[size_t(index.row())], -1, -1};
    if (isTopicRow(id))
        return {volumeOfTopicRow(id), long(pageOfTopicRow(id)), index.row()};
    const Volume& v = volumes_[size_t(id - 1)];
    return {int(id - 1), long(pageOfRow(v, index.row())), -1};
}

QModelIndex ResultModel::indexOf(const Place& place) const {
    if (place.volume < 0 || place.volume >= int(volumes_.size()) || rowOf_[size_t(place.volume)] < 0)
        return {};
    const QModelIndex volume = index(rowOf_[size_t(place.volume)], 0);
    const Volume& v = volumes_[size_t(place.volume)];
    if (place.page < 0 || place.page >= long(v.pages.size()))
        return volume;
    const int row = rowOfPage(v, uint32_t(place.page));
    if (row < 0)
        return volume;
    const QModelIndex page = index(row, 0, volume);
    if (place.topic < 0 || place.topic >= long(topicsOf(v, uint32_t(place.page)).count))
        return page;
    return index(int(place.topic), 0, page);
}

const Snippet& ResultModel::line(const Volume& v, size_t page) const {
    std::optional<Snippet>& l = v.lines[page];
    if (!l) {
        if (v.pages[page].lineLater) {
            fill(int(&v - volumes_.data()), v.pages[page].file);
            static const Snippet waiting{QStringLiteral("…"), {}};
            return waiting;
        }
        l = snippetOf(v.pages[page]);
    }
    return *l;
}

namespace {
// Where a page's row opens, and its topics' rows with it; nothing for another role.
QVariant placeData(const PageHit& h, int role) {
    switch (role) {
    case ResultModel::VolumeRole:
        return h.volume;
    case ResultModel::FileRole:
        return h.file;
    case ResultModel::PageRole:
        return h.page;
    default:
        return {};
    }
}
bool isPlaceRole(int role) {
    return role == ResultModel::VolumeRole || role == ResultModel::FileRole || role == ResultModel::PageRole;
}
} // namespace

const ResultModel::Volume::TopicRow* ResultModel::topic(const Volume& v, uint32_t page, int row) const {
    auto it = v.titles.find(page);
    if (it == v.titles.end()) { // read once, when the page's first topic row is shown
        std::optional<std::vector<Volume::TopicRow>> rows;
        if (const corpus::Topics list = v.index ? v.index->topicsAt(v.volume, v.pages[page].page) : nullptr) {
            rows.emplace();
            rows->reserve(list->size());
            for (const corpus::Topic& t : list->topics)
                rows->push_back({t.no().qstring(), t.title().qstring(), t.marked});
        }
        it = v.titles.emplace(page, std::move(rows)).first;
    }
    const auto& rows = it->second;
    return rows && row < int(rows->size()) ? &(*rows)[size_t(row)] : nullptr;
}

QVariant ResultModel::topicData(const QModelIndex& index, int role) const {
    const quintptr id = index.internalId();
    const Volume& v = volumes_[size_t(volumeOfTopicRow(id))];
    const uint32_t page = pageOfTopicRow(id);
    if (isPlaceRole(role))
        return placeData(v.pages[page], role);
    const PageTopics::Span span = topicsOf(v, page);
    switch (role) {
    case TopicNoRole:
        return span.count > uint32_t(index.row()) ? v.index->no(span.first + uint32_t(index.row())) : QString();
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        const Volume::TopicRow* t = topic(v, page, index.row());
        if (!t)
            return QStringLiteral("(อ่านหัวข้อนี้ไม่ได้)");
        if (index.column() == 0)
            return QStringLiteral("หัวข้อที่ ") + t->no;
        return t->title;
    }
    case Qt::ForegroundRole: {
        // Marked ones in red, as in the topic list; the number quieter than the title.
        const Volume::TopicRow* t = topic(v, page, index.row());
        if (t && t->marked)
            return QColor(255, 0, 0);
        return index.column() == 0 ? QVariant(QColor(100, 100, 100)) : QVariant();
    }
    default:
        return {};
    }
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (index.internalId() == 0) {
        const Volume& v = volumes_[size_t(shown_[size_t(index.row())])];
        if (role == VolumeRole)
            return v.volume;
        if (role == Qt::DisplayRole && index.column() == 0)
            return QStringLiteral("พระไตรปิฎกเล่มที่ %1 — %2 แห่ง").arg(v.volume).arg(v.hits);
        return {};
    }
    if (isTopicRow(index.internalId()))
        return topicData(index, role);
    const Volume& v = volumes_[size_t(index.internalId() - 1)];
    const uint32_t page = pageOfRow(v, index.row());
    const PageHit& h = v.pages[page];
    if (isPlaceRole(role))
        return placeData(h, role);
    switch (role) {
    case TopicCountRole:
        return int(topicsOf(v, page).count);
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (index.column() == 0) {
            QString shown = h.page.isEmpty() ? QStringLiteral("ต้นไฟล์") : QStringLiteral("หน้า ") + h.page;
            if (const uint32_t n = topicsOf(v, page).count)
                shown += QStringLiteral("  ·  ") + reader::topicCountText(n);
            return shown;
        }
        return line(v, page).text;
    case MarksRole: {
        if (index.column() != 1)
            return {};
        QVariantList marks;
        for (const auto& [from, length] : line(v, page).marks)
            marks << QPoint(from, length);
        return marks;
    }
    default:
        return {};
    }
}

QVariant ResultModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == 0 ? QStringLiteral("เล่ม / หน้า") : QStringLiteral("ข้อความ");
}

bool ResultModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > int(shown_.size()))
        return false;
    // A page's index names its volume by its place among those found: when volumes go,
    // every index is new.
    ++generation_;
    filling_.clear();
    *stop_ = true;
    stop_ = std::make_shared<std::atomic<bool>>(false);
    beginResetModel();
    std::vector<int> gone(shown_.begin() + row, shown_.begin() + row + count);
    for (auto it = gone.rbegin(); it != gone.rend(); ++it) {
        pages_ -= long(volumes_[size_t(*it)].pages.size());
        withTopics_ -= long(volumes_[size_t(*it)].withTopics.size());
        volumes_.erase(volumes_.begin() + *it);
    }
    showVolumes();
    endResetModel();
    return true;
}

} // namespace canon
